#include "host/cli/panel_command.h"

#include "host/cli/setup_options.h"
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
    server.bind(port);
    std::thread serving([&] { server.serve(); });
    std::printf("orrelux-render: the settings panel is at %s (Ctrl-C stops)\n",
                server.address().c_str());
    std::fflush(stdout);
    int signal = 0;
    sigwait(&stopping, &signal);
    server.stop();
    serving.join();
    return 0;
}

} // namespace

CLI::App* add_panel_command(CLI::App& app, PanelCommand& command) {
    CLI::App* panel = app.add_subcommand(
        "panel",
        "Serves the Orrelux settings panel of a scene's filter (the first enabled Orrelux block) "
        "or of a settings file as a web page on 127.0.0.1, with a live preview and a render of "
        "the scene's frames. Saving writes the settings back into the scene's block or the "
        "settings file.");
    panel->footer("Example:\n"
                  "  orrelux-render panel examples/orion_pan.lws\n"
                  "  orrelux-render panel look.cfg --scene shot.lws --port 8080");
    RenderSetup& setup = command.options.setup;
    panel->add_option("file", command.file, "The scene (.lws) or an Orrelux settings file")
        ->required();
    panel->add_option("--scene", setup.scene_path,
                      "With a settings file: the scene its frames are rendered from");
    panel->add_option("--port", command.port, "The port to serve on; a free one by default")
        ->check(CLI::Range(0, 65535));
    panel->add_option("--folder", command.options.folders,
                      "A folder where the page may also read and write settings files and "
                      "choose star databases (repeatable)");
    add_setup_options(*panel, setup);
    return panel;
}

int run_panel_command(PanelCommand command) {
    RenderSetup& setup = command.options.setup;
    std::string const& file = command.file;
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
        return serve(command.options, command.port);
    } catch (Xception const& e) {
        std::fprintf(stderr, "orrelux-render panel: %s\n", e.what());
    } catch (std::exception const& e) {
        std::fprintf(stderr, "orrelux-render panel: %s\n", e.what());
    }
    return 2;
}
