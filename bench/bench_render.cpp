#include "host/render/scene_renderer.h"
#include "host/scene/scene_file.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

// A fresh folder for a benchmark's files; empty, the benchmark skipped with
// the reason, without the default database or the folder.
std::string work_folder(benchmark::State& state) {
    if (!fs::exists(ORRELUX_DEFAULT_DATABASE)) {
        state.SkipWithError("no default star database at " ORRELUX_DEFAULT_DATABASE);
        return "";
    }
    std::string folder = (fs::temp_directory_path() / "orrelux-bench-XXXXXX").string();
    if (!mkdtemp(folder.data())) {
        state.SkipWithError("cannot make a temporary folder");
        return "";
    }
    return folder;
}

// Frames of the Orion example at 1920x1080 through the loaded module, each
// written to a file as orrelux-render writes it; one process, no workers.
// The database is read by a first frame before the timing starts.
void BM_OrionFrame1080p(benchmark::State& state, char const* extension) {
    std::string const folder = work_folder(state);
    if (folder.empty()) {
        return;
    }
    RenderSetup setup;
    setup.scene_path = ORRELUX_EXAMPLES "/orion_pan.lws";
    setup.output_pattern = folder + "/orion_####" + extension;
    setup.width = 1920;
    setup.height = 1080;
    setup.module_path = ORRELUX_MODULE;
    {
        SceneRenderer renderer(setup, read_scene_file(setup.scene_path), [](std::string const&) {});
        auto const no_steps = [](unsigned, unsigned) {};
        auto const never = [] { return false; };
        int frame = 1;
        renderer.render(frame, no_steps, never);
        for (auto _ : state) {
            frame = frame % 24 + 1;
            FrameResult const r = renderer.render(frame, no_steps, never);
            if (r.status != FrameResult::WRITTEN) {
                state.SkipWithError(r.detail.c_str());
                break;
            }
        }
    }
    fs::remove_all(folder);
}

BENCHMARK_CAPTURE(BM_OrionFrame1080p, exr_float, ".exr")
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_OrionFrame1080p, png_8bit, ".png")
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3)
    ->UseRealTime();

// How long a frame that would take many minutes (3840x2160, spots at the
// panel's largest size, 100 blur segments) takes to stop once the host asks
// it to through the monitor, a quarter of a second into it. The time
// reported is from the asking to the frame handed back.
void BM_StopHugeSpots4K(benchmark::State& state) {
    std::string const folder = work_folder(state);
    if (folder.empty()) {
        return;
    }
    RenderSetup setup;
    setup.scene_path = ORRELUX_EXAMPLES "/orion_pan.lws";
    setup.settings_path = folder + "/huge.cfg";
    setup.output_pattern = folder + "/huge_####.exr";
    setup.width = 3840;
    setup.height = 2160;
    setup.module_path = ORRELUX_MODULE;
    std::ofstream(setup.settings_path)
        << "OrreluxVersion 2\nStarFile \"" ORRELUX_DEFAULT_DATABASE "\"\nStarSize 99999999\n"
        << "StarAspect 1\nLumThreshold 0.001\nLumMax 0.5\nBrightness 5\nSaturation 0.4\n"
        << "BrightnessBias 1\nTintStrength 0\nTintRed 1\nTintGreen 1\nTintBlue 1\n"
        << "BlurSegs 100\nsRGBFrameBuffer 1\nAnamorphicDOF 0\nThreeD 0\n"
        << "Projection \"Perspective\"\nParallax 0\nEND\n";
    {
        SceneRenderer renderer(setup, read_scene_file(setup.scene_path), [](std::string const&) {});
        using Clock = std::chrono::steady_clock;
        for (auto _ : state) {
            Clock::time_point const ask = Clock::now() + std::chrono::milliseconds(250);
            FrameImage image;
            FrameResult const r = renderer.render_image(
                12, [](unsigned, unsigned) {}, [&] { return Clock::now() >= ask; }, image);
            double const stopping = std::chrono::duration<double>(Clock::now() - ask).count();
            if (r.status != FrameResult::ABORTED) {
                state.SkipWithError("the frame was not aborted");
                break;
            }
            state.SetIterationTime(stopping);
        }
    }
    fs::remove_all(folder);
}

BENCHMARK(BM_StopHugeSpots4K)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(3)
    ->UseManualTime();

} // namespace
