// orrelux-render: renders the frames of a LightWave scene through the Orrelux
// module, as the host would, into image files.
#include "host/cli/panel_command.h"
#include "host/cli/frame_chunk.h"
#include "host/cli/frame_list.h"
#include "host/cli/render_progress.h"
#include "host/cli/render_report.h"
#include "host/cli/scene_info_command.h"
#include "host/cli/setup_options.h"
#include "host/render/scene_renderer.h"
#include "host/cli/worker_pool.h"
#include "host/frames/frame_file.h"
#include "host/scene/scene_file.h"
#include "base/xception.h"

#include <CLI/CLI.hpp>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <exception>
#include <unistd.h>

namespace {

char const* const UNIT = "host/cli/orrelux-render";

// The signal that asked the render to stop, or 0. Ctrl-C, a farm's kill and
// a closed terminal all stop it the same way: the frame in hand is aborted
// and nothing is left half written.
volatile std::sig_atomic_t interrupted = 0;

void on_interrupt(int signal) {
    interrupted = signal;
}

bool was_interrupted() {
    return interrupted != 0;
}

// The module beside a build tree's renderer (build/bin, build/plugins) or an
// installed one (bin, lib/orrelux).
std::string default_module() {
    std::error_code error;
    std::filesystem::path const bin =
        std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
    for (char const* place : {"../plugins/orrelux.so", "../lib/orrelux/orrelux.so"}) {
        std::filesystem::path candidate = bin / place;
        if (std::filesystem::exists(candidate, error)) {
            return std::filesystem::weakly_canonical(candidate, error).string();
        }
    }
    return (bin / "../plugins/orrelux.so").lexically_normal().string();
}

// Runs `step`, giving the text of what stopped it, if anything. Besides the
// project's own, the standard library's exceptions (file system, memory) end
// a run too.
template <class Step> std::optional<std::string> failure(Step const& step) {
    try {
        step();
    } catch (Xception const& e) {
        return std::string(e.what());
    } catch (std::exception const& e) {
        return std::string(e.what());
    }
    return std::nullopt;
}

struct Options {
    RenderSetup setup;
    std::string frames;
    std::string chunk;
    bool skip_existing = false;
    std::string report_path;
    std::string size;
    std::string depth = "default";
    int jobs = 1;
    bool quiet = false;
};

void parse_size(std::string const& text, RenderSetup& setup) {
    int w = 0, h = 0;
    char end = 0;
    if (std::sscanf(text.c_str(), "%dx%d%c", &w, &h, &end) != 2 || w < 1 || h < 1 || w > 32768 ||
        h > 32768) {
        throw LOCATED_XCEPTION("--size \"%s\": expected WIDTHxHEIGHT, each from 1 to 32768",
                               text.c_str());
    }
    setup.width = w;
    setup.height = h;
}

// The frames this run renders: the scene's range or --frames, cut to the
// --chunk share, without those already on disk under --skip-existing (a
// frame's file appears only once it is whole, so one that exists is done).
std::vector<int> frames_to_render(Options const& options, std::optional<FrameChunk> chunk,
                                  HostScene const& s, RenderReport& report) {
    std::vector<int> frames = options.frames.empty()
                                  ? frame_range(s.first_frame, s.last_frame, s.frame_step)
                                  : parse_frame_list(options.frames);
    if (frames.empty()) {
        throw LOCATED_XCEPTION("the scene's frame range is empty; name frames with --frames");
    }
    // Every share writes through the same pattern: it must number the
    // whole list, not only this share.
    FramePattern const output(options.setup.output_pattern);
    output.require_numbered(frames.size());
    if (chunk) {
        size_t const all = frames.size();
        frames = frames_of_chunk(frames, *chunk);
        if (frames.empty() && !options.quiet) {
            fprintf(stderr, "orrelux-render: share %s holds no frame: %zu frames in %d shares\n",
                    options.chunk.c_str(), all, chunk->count);
        }
    }
    report.set_frames(frames);
    if (!options.skip_existing) {
        return frames;
    }
    std::vector<int> missing;
    for (int frame : frames) {
        std::error_code error;
        if (std::filesystem::exists(output.path(frame), error)) {
            report.add_skipped(frame);
        } else {
            missing.push_back(frame);
        }
    }
    return missing;
}

void render_frames(Options const& options, SceneFile scene, std::vector<int> const& frames,
                   RenderProgress& progress,
                   std::function<void(FrameResult const&)> const& on_result) {
    RenderSetup const& setup = options.setup;
    auto notes = [&](std::string const& note) {
        if (!options.quiet) {
            fprintf(stderr, "orrelux-render: %s\n", note.c_str());
        }
    };
    if (options.jobs <= 1) {
        SceneRenderer renderer(setup, std::move(scene), notes);
        for (int frame : frames) {
            if (was_interrupted()) {
                break;
            }
            on_result(renderer.render(
                frame, [&](unsigned done, unsigned total) { progress.frame_steps(done, total); },
                was_interrupted));
        }
    } else {
        // Each worker reads the scene again, so that nothing of this
        // process's state is shared with it.
        bool first = true;
        auto make_task = [&]() -> FrameTask {
            auto renderer = std::make_shared<SceneRenderer>(
                setup, read_scene_file(setup.scene_path),
                first ? std::function<void(std::string const&)>(notes) : [](std::string const&) {});
            return [renderer](int frame, StepReport const& steps) {
                return renderer->render(frame, steps, was_interrupted);
            };
        };
        // Settings problems are reported once, here, before any worker
        // starts. Only one host may exist in a process, and the workers
        // inherit this one's state, so it is gone before they start.
        { SceneRenderer check(setup, std::move(scene), notes); }
        first = false;
        run_workers(
            frames, options.jobs, make_task,
            [&](unsigned done, unsigned total) { progress.frame_steps(done, total); }, on_result,
            was_interrupted);
    }
}

int run(Options& options, RenderReport& report) {
    RenderSetup& setup = options.setup;
    if (!options.size.empty()) {
        parse_size(options.size, setup);
    }
    setup.samples = sample_type_named(options.depth);
    if (!format_stores(frame_format_of(setup.output_pattern), setup.samples)) {
        throw LOCATED_XCEPTION("--depth %s cannot be stored in \"%s\"", options.depth.c_str(),
                               setup.output_pattern.c_str());
    }
    std::optional<FrameChunk> chunk;
    if (!options.chunk.empty()) {
        chunk = parse_frame_chunk(options.chunk);
        report.set_chunk(*chunk);
    }
    SceneFile scene = read_scene_file(setup.scene_path);
    // Said even with --quiet: each is a way the picture may differ from the
    // host's.
    for (SceneNote const& note : scene.notes.not_evaluated) {
        fprintf(stderr, "orrelux-render: not evaluated: %s\n", note.text().c_str());
    }
    for (SceneNote const& note : scene.notes.readings) {
        fprintf(stderr, "orrelux-render: %s\n", note.text().c_str());
    }
    std::vector<int> const frames = frames_to_render(options, chunk, scene.scene, report);
    if (!options.report_path.empty()) {
        // A run that dies without a word leaves this behind: not complete.
        write_report_file(options.report_path, report.json(false, std::nullopt));
    }
    std::filesystem::path const folder = std::filesystem::path(setup.output_pattern).parent_path();
    if (!folder.empty()) {
        std::filesystem::create_directories(folder);
    }

    bool const terminal = isatty(STDERR_FILENO) == 1;
    RenderProgress progress(stderr, frames.size(), terminal, options.quiet);
    bool aborted = false;
    auto on_result = [&](FrameResult const& r) {
        report.add(r);
        if (r.status == FrameResult::WRITTEN) {
            progress.frame_written(r.frame, r.detail, r.seconds);
        } else if (r.status == FrameResult::ABORTED) {
            aborted = true;
        } else {
            progress.frame_failed(r.frame, r.detail);
        }
    };
    if (!frames.empty()) {
        render_frames(options, std::move(scene), frames, progress, on_result);
    }
    progress.finish();
    size_t const left = report.not_rendered().size();
    std::string const unfinished = left > 0 ? ", " + std::to_string(left) + " not rendered" : "";
    fprintf(stderr, "orrelux-render: %zu written, %zu failed, %zu skipped%s%s\n", report.written(),
            report.failed(), report.skipped(), unfinished.c_str(),
            was_interrupted() ? " (interrupted)" : "");
    if (was_interrupted() || aborted) {
        return 128 + (was_interrupted() ? int(interrupted) : SIGINT);
    }
    return report.failed() > 0 ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "info") {
        return run_info_command(argc - 1, argv + 1);
    }
    CLI::App app{"Renders the frames of a LightWave scene (.lws, versions 3 to 8) through the "
                 "Orrelux plug-in module, as the host would, and writes them as image files.\n\n"
                 "Example:\n"
                 "  orrelux-render examples/orion_pan.lws -o out/orion_####.png\n"
                 "  orrelux-render panel examples/orion_pan.lws   (the settings panel as a web "
                 "page; see orrelux-render panel --help)\n"
                 "  orrelux-render info examples/orion_pan.lws   (what the renderer takes from "
                 "the scene)\n"
                 "  orrelux-render shot.lws -o out/shot_####.exr --frames 1-24,30 \\\n"
                 "      --background plates/shot_####.exr --jobs 2\n\n"
                 "Exit status: 0 when every frame was written (or skipped), 1 when any frame "
                 "failed, 2 for a bad command line, scene or setting; when stopped, 128 + the "
                 "signal: 130 for Ctrl-C, 143 for SIGTERM, 129 for SIGHUP",
                 "orrelux-render"};
    Options options;
    RenderSetup& setup = options.setup;
    setup.module_path = default_module();
    // Required unless the panel is asked for.
    CLI::Option* scene = app.add_option("scene", setup.scene_path, "The scene file (.lws)");
    CLI::Option* output =
        app.add_option("-o,--output", setup.output_pattern,
                       "Output files, '#' standing for the frame number's digits; the extension "
                       "picks the format: .exr, .png, .tif or .tiff (e.g. out/frame_####.exr)");
    app.add_option("--frames", options.frames,
                   "Frames to render instead of the scene's range: numbers, ranges and ranges "
                   "with a step, separated by commas (e.g. 1-24,30,40-60:5)");
    app.add_option("--chunk", options.chunk,
                   "Render only share I of N equal shares of the frames (the scene's range or "
                   "--frames), counted from 0, so that a job array's task index names its "
                   "share: --chunk $SLURM_ARRAY_TASK_ID/40 with sbatch --array=0-39");
    app.add_flag("--skip-existing", options.skip_existing,
                 "Leave out frames whose file is already there, so that a task run again "
                 "renders only what is missing (an unfinished frame never has its final name)");
    app.add_option("--report", options.report_path,
                   "Write what became of every frame to this JSON file: written (with "
                   "seconds), failed (with why), skipped, not rendered (e.g. "
                   "reports/chunk_0003.json); it is replaced whole, never left half written");
    app.add_option("--settings", setup.settings_path,
                   "An Orrelux settings file to use instead of the scene's Orrelux filter "
                   "blocks (e.g. look.cfg)");
    app.add_option("--size", options.size,
                   "Frame size instead of the scene's, as WIDTHxHEIGHT (e.g. 1920x1080)");
    app.add_option("--depth", options.depth,
                   "Samples written: default, 8, 16, half or float (e.g. --depth half for "
                   "16-bit OpenEXR); default is float for .exr and .tif, 8 for .png");
    app.add_option("-j,--jobs", options.jobs,
                   "Worker processes, each loading its own copy of the module (e.g. --jobs 2)")
        ->check(CLI::Range(1, 256));
    add_setup_options(app, setup);
    app.add_flag("-q,--quiet", options.quiet, "Print only problems and the summary");
    app.set_version_flag("--version", "orrelux-render " ORRELUX_VERSION);
    PanelCommand panel_command;
    panel_command.options.setup.module_path = setup.module_path;
    CLI::App* panel = add_panel_command(app, panel_command);
    try {
        app.parse(argc, argv);
        for (CLI::Option* needed : {scene, output}) {
            if (!*panel && needed->count() == 0) {
                throw CLI::RequiredError(needed->get_name());
            }
        }
    } catch (CLI::ParseError const& e) {
        return app.exit(e);
    }
    if (*panel) {
        return run_panel_command(panel_command);
    }

    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        std::signal(signal, on_interrupt);
    }
    RenderReport report(setup.scene_path, setup.output_pattern);
    int status = 2;
    if (auto const why = failure([&] { status = run(options, report); })) {
        fprintf(stderr, "orrelux-render: %s\n", why->c_str());
        report.set_error(*why);
    }
    if (!options.report_path.empty()) {
        if (auto const why = failure([&] {
                write_report_file(options.report_path, report.json(was_interrupted(), status));
            })) {
            fprintf(stderr, "orrelux-render: %s\n", why->c_str());
            return status == 0 ? 2 : status;
        }
    }
    return status;
}
