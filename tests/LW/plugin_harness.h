#pragma once

#include "known_stars.h"

#include "host/services/filter_frame.h"
#include "host/services/host.h"
#include "host/services/module.h"
#include "LW/settings.h"
#include "libimgops/stars.h"
#include "lwsdk/lwhandler.h"
#include "tests/support/raised.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text_files.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Sets every input pixel to colour(x, y): red, green, blue, alpha.
inline void fill(HostFrame& frame, std::function<std::array<float, 4>(int, int)> const& colour) {
    for (int y = 0; y < frame.height(); y++) {
        for (int x = 0; x < frame.width(); x++) {
            std::array<float, 4> c = colour(x, y);
            frame.set_input(x, y, c[0], c[1], c[2], c[3]);
        }
    }
}

// The built module, copied into a folder of its own (where it keeps
// "orrelux.ini") and loaded by the stand-in host as the host would.
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

    void activate() {
        if (!module) {
            module = std::make_unique<HostModule>(folder.file("orrelux.so").c_str());
        }
        module->activate(LWIMAGEFILTER_HCLASS, "Orrelux", LWIMAGEFILTER_VERSION, &handler);
    }
    orrelux* create() {
        LWError error = nullptr;
        instances.push_back(funcs.create(funcs.priv, nullptr, &error));
        EXPECT_NE(instances.back(), nullptr);
        return static_cast<orrelux*>(instances.back());
    }
    // An instance drawing linear light from `database`; activates if needed.
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
    int x, y;
};

// The light of one output component (0 red .. 2 blue) of a frame of black
// input: its sum, brightest pixel and value, light-weighted mean along x, and
// spread along each axis, the radius r of a spot exp(-(d / r)^2). With
// `row_parity` 0 or 1 only even or odd rows count.
struct Light {
    double sum = 0, top = 0, mean_x = 0, spread_x = 0, spread_y = 0;
    Pixel peak = {-1, -1};
};

inline Light light(HostFrame const& frame, int component = 0, int row_parity = -1) {
    Light m;
    double sx = 0, sy = 0, sxx = 0, syy = 0;
    for (int y = std::max(row_parity, 0); y < frame.height(); y += row_parity < 0 ? 1 : 2) {
        for (int x = 0; x < frame.width(); x++) {
            double v = frame.output(x, y, component);
            m.peak = v > m.top ? Pixel{x, y} : m.peak;
            m.top = std::max(m.top, v);
            m.sum += v;
            sx += v * x;
            sy += v * y;
            sxx += v * x * x;
            syy += v * y * y;
        }
    }
    if (m.sum > 0) {
        m.mean_x = sx / m.sum;
        m.spread_x = std::sqrt(2 * (sxx / m.sum - m.mean_x * m.mean_x));
        m.spread_y = std::sqrt(2 * (syy / m.sum - (sy / m.sum) * (sy / m.sum)));
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
