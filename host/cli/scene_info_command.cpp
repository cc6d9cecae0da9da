#include "host/cli/scene_info_command.h"

#include "host/cli/scene_account.h"
#include "host/scene/scene_file.h"

#include <CLI/CLI.hpp>

#include <cstdio>

int run_info_command(int argc, char** argv) {
    CLI::App app{"Prints what the renderer understood of a scene: version, frame range and "
                 "rate, frame size, render camera, motion blur, depth of field, fields, region, "
                 "mask and image filters, and the statements it does not evaluate (controllers, "
                 "channel handlers, camera types, motion plug-ins), each with its line, so that "
                 "no difference from the host is silent.\n\n"
                 "Example:\n"
                 "  orrelux-render info examples/orion_pan.lws\n"
                 "  orrelux-render info shot.lws --json",
                 "orrelux-render info"};
    std::string path;
    bool json = false;
    app.add_option("scene", path, "The scene file (.lws)")->required();
    app.add_flag("--json", json, "Print the same as one JSON object");
    CLI11_PARSE(app, argc, argv);
    try {
        nlohmann::json const account = scene_account(read_scene_file(path));
        std::string const text = json ? account.dump(2) + "\n" : scene_account_text(account);
        std::fputs(text.c_str(), stdout);
    } catch (SceneFileError const& e) {
        std::fprintf(stderr, "orrelux-render: %s\n", e.what());
        return 2;
    }
    return 0;
}
