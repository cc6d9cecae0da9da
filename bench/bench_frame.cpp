#include "host/services/filter_frame.h"
#include "host/services/host.h"
#include "host/services/module.h"
#include "LW/settings.h"
#include "base/xception.h"
#include "lwsdk/lwfilter.h"
#include "lwsdk/lwhandler.h"
#include "synthetic_sky.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>

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
    ModuleFrame(int samples, bool srgb, double field = FIELD_OF_VIEW, double pan = PAN_RADIANS)
        : module(ORRELUX_MODULE), field(field), pan(pan) {
        host.echo_messages = false;
        host.scene.frame_width = WIDTH;
        host.scene.frame_height = HEIGHT;
        camera = host.scene.add(LWI_CAMERA, "Camera");
        CameraSettings& settings = host.scene.item(camera).camera;
        settings.zoom = Envelope(double(WIDTH) / HEIGHT / std::tan(field / 2));
        point(0, 0);

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

    // Points the camera, which turns right by the pan over the exposure.
    void point(double heading, double pitch) {
        double const exposure =
            host.scene.item(camera).camera.blur_length(0) / host.scene.frames_per_second;
        auto key = [](double t, double v) { return EnvelopeKey{v, t, SpanType::LINEAR, {}}; };
        host.scene.item(camera).motion.rotation[0] = Envelope(
            {key(0, heading), key(exposure, heading + pan)}, Behaviour::LINEAR, Behaviour::LINEAR);
        host.scene.item(camera).motion.rotation[1] = Envelope(pitch);
    }

    orrelux& settings() { return *inst; }

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
    double field;
    double pan;
    LWItemID camera;
};

// Frame pixels per second of CPU time.
void count_frame_pixels(benchmark::State& state) {
    double const pixels = double(WIDTH) * HEIGHT * static_cast<double>(state.iterations());
    state.counters["frame_px_per_s"] = benchmark::Counter(pixels, benchmark::Counter::kIsRate);
}

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
    count_frame_pixels(state);
}

// Camera samples (1 or 2) and whether the frame buffer holds sRGB values.
BENCHMARK(BM_ModuleFrame)
    ->ArgNames({"samples", "srgb"})
    ->Args({1, 1})
    ->Args({2, 1})
    ->Args({1, 0})
    ->Args({2, 0})
    ->Unit(benchmark::kMillisecond);

// The two-sample sRGB frame with brightness 0: no star is drawn, and every
// pixel goes back to the host as it came. What the frame process costs
// beyond the host's calls without the stars and their curves.
void BM_DarkFrame(benchmark::State& state) {
    if (!std::filesystem::exists(ORRELUX_DEFAULT_DATABASE)) {
        state.SkipWithError("the default star database is not built");
        return;
    }
    ModuleFrame frame(2, true);
    // A frame with stars first, as in a sequence, so that the instance's
    // kept working image has been drawn into and is memory of its own.
    if (!frame.process()) {
        state.SkipWithError("the module failed to process the frame");
        return;
    }
    frame.settings().brightness = 0;
    for (auto _ : state) {
        frame.process();
    }
    count_frame_pixels(state);
}

BENCHMARK(BM_DarkFrame)->Unit(benchmark::kMillisecond);

// The least any filter pays for a frame: the stand-in host's own setRGB
// and setAlpha, called through the access record as the module receives
// it, once per pixel of the full-HD frame, and nothing else. The frame
// cases above compare against this.
void BM_HostFloor(benchmark::State& state) {
    HostFrame frame(WIDTH, HEIGHT);
    LWFilterAccess const* access = frame.access();
    float const rgb[3] = {0.25f, 0.5f, 0.75f};
    for (auto _ : state) {
        for (int y = 0; y < HEIGHT; y++) {
            for (int x = 0; x < WIDTH; x++) {
                access->setRGB(x, y, rgb);
                access->setAlpha(x, y, 0.5f);
            }
        }
        benchmark::ClobberMemory();
    }
    count_frame_pixels(state);
}

BENCHMARK(BM_HostFloor)->Unit(benchmark::kMillisecond);

// The least a filter pays that hands the host's picture back: the floor's
// setters fed from the host's rows, read with `getLine`, as a frame without
// light is handed back.
void BM_HostPassThrough(benchmark::State& state) {
    HostFrame frame(WIDTH, HEIGHT);
    LWFilterAccess const* access = frame.access();
    for (auto _ : state) {
        for (int y = 0; y < HEIGHT; y++) {
            float const* const alpha = access->getLine("Alpha", 0, y);
            float const* const red = access->getLine("Final_Render", 0, y);
            float const* const green = access->getLine("Final_Render", 1, y);
            float const* const blue = access->getLine("Final_Render", 2, y);
            for (int x = 0; x < WIDTH; x++) {
                float const rgb[3] = {red[x], green[x], blue[x]};
                access->setRGB(x, y, rgb);
                access->setAlpha(x, y, alpha[x]);
            }
        }
        benchmark::ClobberMemory();
    }
    count_frame_pixels(state);
}

BENCHMARK(BM_HostPassThrough)->Unit(benchmark::kMillisecond);

// A 2.5 degree field through the module, two camera samples, the camera
// turning 0.02 degrees over the exposure and pointed in turn at eight parts
// of the sky, a linear frame buffer: with the shipped database at the
// default threshold, or the deep one at it or at V 12.
void BM_LongLensFrame(benchmark::State& state) {
    bool const deep = state.range(0) != 0;
    std::string const database = deep ? deep_sky_database() : ORRELUX_DEFAULT_DATABASE;
    if (!std::filesystem::exists(database)) {
        state.SkipWithError("the default star database is not built");
        return;
    }
    double const degree = M_PI / 180;
    ModuleFrame frame(2, false, 2.5 * degree, 0.02 * degree);
    frame.settings().starfile = database.c_str();
    if (state.range(1) != 0) {
        frame.settings().lum_threshold = luminance_of_magnitude(12);
    }
    if (!frame.process()) {
        state.SkipWithError("the module failed to process the frame");
        return;
    }
    int pointing = 0;
    for (auto _ : state) {
        int const p = pointing++ % 8;
        frame.point(45 * p * degree, (p % 3 - 1) * 30 * degree);
        frame.process();
    }
}

BENCHMARK(BM_LongLensFrame)
    ->ArgNames({"deep", "v12"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond);

} // namespace
