#include "host/render/scene_renderer.h"
#include "host/scene/scene_file.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

// Frames of the Orion example at 1920x1080 through the loaded module, each
// written to a file as orrelux-render writes it; one process, no workers.
// The database is read by a first frame before the timing starts.
void BM_OrionFrame1080p(benchmark::State& state, char const* extension) {
    if (!fs::exists(ORRELUX_DEFAULT_DATABASE)) {
        state.SkipWithError("no default star database at " ORRELUX_DEFAULT_DATABASE);
        return;
    }
    std::string folder = (fs::temp_directory_path() / "orrelux-bench-XXXXXX").string();
    if (!mkdtemp(folder.data())) {
        state.SkipWithError("cannot make a temporary folder");
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

} // namespace
