#pragma once

#include "host/frame.h"
#include "host/host.h"
#include "host/module.h"
#include "LW/settings.h"
#include "libimgops/stars.h"
#include "lwsdk/lwfilter.h"
#include "lwsdk/lwhandler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// A fresh folder under the system temporary folder, removed with everything
// in it at the end.
class TempFolder {
public:
    explicit TempFolder(std::string const& prefix = "orrelux-lw-") {
        std::string pattern =
            (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
        if (!mkdtemp(pattern.data())) {
            throw std::runtime_error("mkdtemp failed");
        }
        path = pattern;
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
    double length = std::sqrt(x * x + y * y + z * z);
    star s = {};
    s.ra = std::atan2(z, x) * DEGREES;
    s.dec = std::asin(y / length) * DEGREES;
    s.lum = lum;
    s.r = s.g = s.b = 255;
    return s;
}

// A database file: a header with `magic`, then the stars.
inline void write_database(std::string const& path, std::vector<star> const& stars,
                           char const* magic = "ORRELUX1") {
    star header = {};
    std::memcpy(&header, magic, 8);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<char const*>(&header), sizeof header);
    for (star const& s : stars) {
        out.write(reinterpret_cast<char const*>(&s), sizeof s);
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

    Host host;
    TempFolder folder;
    LWItemID camera;
    std::unique_ptr<HostModule> module;
    LWInstanceFuncs funcs = {};
    LWItemFuncs items = {};
    LWImageFilterHandler handler = {&funcs, &items, nullptr, nullptr};
    std::vector<LWInstance> instances;
};

// Light added to a frame whose input was black.
inline double total_light(HostFrame const& frame, int component = 0) {
    double sum = 0;
    for (int y = 0; y < frame.height(); y++) {
        for (int x = 0; x < frame.width(); x++) {
            sum += frame.output(x, y, component);
        }
    }
    return sum;
}

struct Pixel {
    int x;
    int y;
};

inline Pixel brightest(HostFrame const& frame) {
    Pixel best = {-1, -1};
    float value = 0;
    for (int y = 0; y < frame.height(); y++) {
        for (int x = 0; x < frame.width(); x++) {
            if (frame.output(x, y, 0) > value) {
                value = frame.output(x, y, 0);
                best = {x, y};
            }
        }
    }
    return best;
}
