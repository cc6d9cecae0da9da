#pragma once

#include "host/frame.h"
#include "host/host.h"
#include "host/module.h"
#include "LW/settings.h"
#include "libimgops/stars.h"
#include "lwsdk/lwfilter.h"
#include "lwsdk/lwhandler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// A fresh folder under the system temporary folder, removed with everything
// in it at the end.
class TempFolder {
public:
    explicit TempFolder(std::string const& prefix = "orrelux-lw-")
        : path((std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string()) {
        if (!mkdtemp(path.data())) {
            throw std::runtime_error("mkdtemp failed");
        }
    }
    TempFolder(TempFolder const&) = delete;
    TempFolder& operator=(TempFolder const&) = delete;
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string file(std::string const& name) const { return path + "/" + name; }

    std::string path;
};

inline void write_text(std::string const& path, std::string const& text) {
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string read_text(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

double const DEGREES = 180.0 / 3.14159265358979323846;

// A white star of luminance `lum` in the world direction (x, y, z).
inline star star_towards(double x, double y, double z, float lum = 0.5f) {
    star s = {};
    s.ra = std::atan2(z, x) * DEGREES;
    s.dec = std::asin(y / std::sqrt(x * x + y * y + z * z)) * DEGREES;
    s.lum = lum;
    s.r = s.g = s.b = 255;
    return s;
}

// The bytes of a database file: a header with `magic`, then the stars.
inline std::string database_bytes(std::vector<star> const& stars, char const* magic = "ORRELUX1") {
    std::vector<star> records(1, star{});
    std::memcpy(&records[0], magic, 8);
    records.insert(records.end(), stars.begin(), stars.end());
    return std::string(reinterpret_cast<char const*>(records.data()),
                       records.size() * sizeof(star));
}

inline void write_database(std::string const& path, std::vector<star> const& stars,
                           char const* magic = "ORRELUX1") {
    write_text(path, database_bytes(stars, magic));
}

// Sets every input pixel to colour(x, y): red, green, blue, alpha.
inline void fill(HostFrame& frame, std::function<std::array<float, 4>(int, int)> const& colour) {
    for (int y = 0; y < frame.height(); y++) {
        for (int x = 0; x < frame.width(); x++) {
            std::array<float, 4> c = colour(x, y);
            frame.set_input(x, y, c[0], c[1], c[2], c[3]);
        }
    }
}

// The built module, copied into a folder of its own and loaded by the
// stand-in host as the host would, with its image-filter handler activated.
// The module reads and writes "orrelux.ini" in that folder.
class PluginHarness : public ::testing::Test {
protected:
    explicit PluginHarness(bool with_camera = true) {
        std::filesystem::copy_file(ORRELUX_MODULE, folder.file("orrelux.so"));
        camera = with_camera ? host.scene.add(LWI_CAMERA, "Camera") : nullptr;
    }
    ~PluginHarness() override {
        for (LWInstance inst : instances) {
            funcs.destroy(inst);
        }
    }

    void load() { module = std::make_unique<HostModule>(folder.file("orrelux.so").c_str()); }
    void activate() {
        if (!module) {
            load();
        }
        module->activate(LWIMAGEFILTER_HCLASS, "Orrelux", LWIMAGEFILTER_VERSION, &handler);
    }
    orrelux* create() {
        LWError error = nullptr;
        LWInstance inst = funcs.create(funcs.priv, nullptr, &error);
        EXPECT_NE(inst, nullptr);
        instances.push_back(inst);
        return static_cast<orrelux*>(inst);
    }
    // An instance drawing linear light from `database`, activating first when
    // needed.
    orrelux* linear_instance(std::string const& database) {
        if (!handler.process) {
            activate();
        }
        orrelux* inst = create();
        inst->starfile = database.c_str();
        inst->srgb_framebuffer = 0;
        return inst;
    }
    LWError process(orrelux* inst, HostFrame& frame) {
        return handler.process(inst, frame.access());
    }
    // A frame of black input after a successful process.
    std::unique_ptr<HostFrame> render(orrelux* inst, int width = 640, int height = 480) {
        auto frame = std::make_unique<HostFrame>(width, height);
        EXPECT_EQ(process(inst, *frame), nullptr);
        return frame;
    }

    Host host;
    TempFolder folder;
    LWItemID camera;
    std::unique_ptr<HostModule> module;
    LWInstanceFuncs funcs = {};
    LWItemFuncs items = {};
    LWImageFilterHandler handler = {&funcs, &items, nullptr, nullptr};
    std::vector<LWInstance> instances;
};

struct Pixel {
    int x;
    int y;
};

// The light of one output component (0 red .. 2 blue) of a frame whose input
// was black: its sum, brightest pixel, light-weighted mean position and
// spread along x. With `row_parity` 0 or 1 only even or odd rows count.
struct Light {
    double sum = 0;
    Pixel peak = {-1, -1};
    double mean_x = 0;
    double mean_y = 0;
    double var_x = 0;
};

inline Light light(HostFrame const& frame, int component = 0, int row_parity = -1) {
    Light m;
    double sx = 0, sy = 0, sxx = 0, top = 0;
    for (int y = std::max(row_parity, 0); y < frame.height(); y += row_parity < 0 ? 1 : 2) {
        for (int x = 0; x < frame.width(); x++) {
            double v = frame.output(x, y, component);
            m.peak = v > top ? Pixel{x, y} : m.peak;
            top = std::max(top, v);
            m.sum += v;
            sx += v * x;
            sy += v * y;
            sxx += v * x * x;
        }
    }
    if (m.sum > 0) {
        m.mean_x = sx / m.sum;
        m.mean_y = sy / m.sum;
        m.var_x = sxx / m.sum - m.mean_x * m.mean_x;
    }
    return m;
}

// Output pixels written in colour or alpha.
inline int written(HostFrame const& frame) {
    int count = 0;
    for (int y = 0; y < frame.height(); y++) {
        for (int x = 0; x < frame.width(); x++) {
            count += frame.rgb_written(x, y) || frame.alpha_written(x, y);
        }
    }
    return count;
}
