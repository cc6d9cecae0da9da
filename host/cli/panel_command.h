#pragma once

#include "host/panel_server/panel_session.h"

#include <CLI/CLI.hpp>

#include <string>

// What `orrelux-render panel FILE [options]` was given.
struct PanelCommand {
    PanelOptions options;
    std::string file; // a scene, or a settings file
    int port = 0;
};

// Declares the `panel` subcommand of `app`, filling `command`;
// `command.options.setup.module_path` holds the default module already.
CLI::App* add_panel_command(CLI::App& app, PanelCommand& command);

// Serves the settings panel of the file until interrupted; returns the exit
// status.
int run_panel_command(PanelCommand command);
