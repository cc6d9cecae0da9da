#include "host/cli/panel_command.h"

#include "host/panel_server/panel_server.h"
#include "host/scene/scene_file.h"
#include "base/xception.h"

#include <CLI/CLI.hpp>

#include <csignal>
#include <cstdio>
#include <pthread.h>
#include <thread>

namespace {

bool is_scene(std::string const& path) {
    std::string const tail = path.size() >= 4 ? path.substr(path.size() - 4) : "";
    return tail == ".lws" || tail == ".LWS";
}

int serve(PanelOptions const& options, int port) {
    // Blocked before any thread starts, so that every thread leaves the
    // stopping signals to the wait below.
    sigset_t stopping;
    sigemptyset(&stopping);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaddset(&stopping, signal);
    }
    pthread_sigmask(SIG_BLOCK, &stopping, nullptr);

    PanelSession session(options);
    PanelServer server(session);
    int const bound = server.bind(port);
    std::thread serving([&] { server.serve(); });
    std::printf("orrelux-render: the settings panel is at http://127.0.0.1:%d/ (Ctrl-C stops)\n",
                bound);
    std::fflush(stdout);
    int signal = 0;
    sigwait(&stopping, &signal);
    server.stop();
    serving.join();
    return 0;
}

} // namespace

int run_panel_command(int argc, char** argv, char const* default_module) {
    CLI::App app{"Serves the Orrelux settings panel of a scene's filter (the first enabled "
                 "Orrelux block) or of a settings file as a web page on 127.0.0.1, with a live "
                 "preview and a render of the scene's frames. Saving writes the settings back "
                 "into the scene's block or the settings file.\n\n"
                 "Example:\n"
                 "  orrelux-render panel examples/orion_pan.lws\n"
                 "  orrelux-render panel look.cfg --scene shot.lws --port 8080",
                 "orrelux-render panel"};
    PanelOptions options;
    RenderSetup& setup = options.setup;
    setup.module_path = default_module;
    std::string file;
    int port = 0;
    app.add_option("file", file, "The scene (.lws) or an Orrelux settings file")->required();
    app.add_option("--scene", setup.scene_path,
                   "With a settings file: the scene its frames are rendered from");
    app.add_option("--port", port, "The port to serve on; a free one by default")
        ->check(CLI::Range(0, 65535));
    app.add_option("--folder", options.folders,
                   "A folder where the page may also read and write settings files and choose "
                   "star databases (repeatable)");
    app.add_option("--stars", setup.stars,
                   "Star database to render with instead of the one the settings name");
    app.add_option("--background", setup.background_pattern,
                   "A frame sequence to draw the stars into, '#' standing for the frame number");
    app.add_option("--module", setup.module_path, "The plug-in module to load")
        ->capture_default_str();
    app.add_flag("--opaque", setup.opaque, "Render alpha 1 everywhere");
    try {
        app.parse(argc, argv);
    } catch (CLI::ParseError const& e) {
        return app.exit(e);
    }
    if (is_scene(file)) {
        if (!setup.scene_path.empty()) {
            std::fprintf(stderr, "orrelux-render panel: --scene goes with a settings file\n");
            return 2;
        }
        setup.scene_path = file;
    } else {
        setup.settings_path = file;
    }
    try {
        return serve(options, port);
    } catch (Xception const& e) {
        std::fprintf(stderr, "orrelux-render panel: %s\n", e.what());
    } catch (std::exception const& e) {
        std::fprintf(stderr, "orrelux-render panel: %s\n", e.what());
    }
    return 2;
}
