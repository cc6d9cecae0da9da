#include "host/services/filter_frame.h"
#include "host/services/host.h"
#include "host/services/module.h"
#include "LW/settings.h"
#include "base/xception.h"
#include "lwsdk/lwfilter.h"
#include "lwsdk/lwhandler.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <memory>

// A full-HD frame through the built plug-in module, loaded by the stand-in
// host from the build's plug-in folder, so that the instance takes the
// shipped database beside it. Default settings; a perspective camera with a
// 45 degree horizontal field of view looking along +z. The frame holds a
// rendered picture: colours across the whole range and alpha rising from 0
// at the top row to 1 at the bottom, so that every value takes the curves'
// power branch in sRGB mode, and geometry hides the stars below.
namespace {

int const WIDTH = 1920;
int const HEIGHT = 1080;
double const FIELD_OF_VIEW = 45.0 * M_PI / 180;
// The camera turns by this much heading over the exposure: streaks of about
// 21 pixels.
double const PAN_RADIANS = 0.5 * M_PI / 180;

class ModuleFrame {
public:
    // With `samples` 2 the camera moves over the exposure (the default of
    // one blur segment); with 1 there is no blur segment.
    ModuleFrame(int samples, bool srgb) : module(ORRELUX_MODULE) {
        host.echo_messages = false;
        host.scene.frame_width = WIDTH;
        host.scene.frame_height = HEIGHT;
        LWItemID camera = host.scene.add(LWI_CAMERA, "Camera");
        CameraSettings& settings = host.scene.item(camera).camera;
        settings.zoom = Envelope(double(WIDTH) / HEIGHT / std::tan(FIELD_OF_VIEW / 2));
        double const exposure = settings.blur_length(0) / host.scene.frames_per_second;
        auto key = [](double t, double v) { return EnvelopeKey{v, t, SpanType::LINEAR, {}}; };
        host.scene.item(camera).motion.rotation[0] =
            Envelope({key(0, 0), key(exposure, PAN_RADIANS)}, Behaviour::LINEAR, Behaviour::LINEAR);

        module.activate(LWIMAGEFILTER_HCLASS, "Orrelux", LWIMAGEFILTER_VERSION, &handler);
        LWError error = nullptr;
        inst = static_cast<orrelux*>(funcs.create(funcs.priv, nullptr, &error));
        XASSERT(inst != nullptr, "bench", "ModuleFrame::ModuleFrame", __LINE__);
        inst->blur_segs = samples - 1;
        inst->srgb_framebuffer = srgb ? 1 : 0;

        for (int y = 0; y < HEIGHT; y++) {
            float const alpha = float(y) / (HEIGHT - 1);
            for (int x = 0; x < WIDTH; x++) {
                float const u = float(x) / (WIDTH - 1);
                frame.set_input(x, y, 0.05f + 0.9f * u, 0.95f - 0.9f * u, 0.05f + 0.9f * alpha,
                                alpha);
            }
        }
    }
    ModuleFrame(ModuleFrame const&) = delete;
    ModuleFrame& operator=(ModuleFrame const&) = delete;
    ~ModuleFrame() { funcs.destroy(inst); }

    // False when the module reported a failure or a message.
    bool process() {
        return handler.process(inst, frame.access()) == nullptr && host.messages().empty();
    }

private:
    Host host;
    HostModule module;
    LWInstanceFuncs funcs = {};
    LWItemFuncs items = {};
    LWImageFilterHandler handler = {&funcs, &items, nullptr, nullptr};
    orrelux* inst = nullptr;
    HostFrame frame{WIDTH, HEIGHT};
};

void BM_ModuleFrame(benchmark::State& state) {
    if (!std::filesystem::exists(ORRELUX_DEFAULT_DATABASE)) {
        state.SkipWithError("the default star database is not built");
        return;
    }
    ModuleFrame frame(static_cast<int>(state.range(0)), state.range(1) != 0);
    // The first frame reads the database; the timed ones reuse it.
    if (!frame.process()) {
        state.SkipWithError("the module failed to process the frame");
        return;
    }
    for (auto _ : state) {
        frame.process();
    }
    double const pixels = double(WIDTH) * HEIGHT * static_cast<double>(state.iterations());
    state.counters["frame_px_per_s"] = benchmark::Counter(pixels, benchmark::Counter::kIsRate);
}

// Camera samples (1 or 2) and whether the frame buffer holds sRGB values.
BENCHMARK(BM_ModuleFrame)
    ->ArgNames({"samples", "srgb"})
    ->Args({1, 1})
    ->Args({2, 1})
    ->Args({1, 0})
    ->Args({2, 0})
    ->Unit(benchmark::kMillisecond);

} // namespace
