#pragma once

// `orrelux-render panel FILE [options]`: `argv[0]` is "panel". Serves the
// settings panel of FILE (a scene, or a settings file) until interrupted;
// returns the exit status.
int run_panel_command(int argc, char** argv, char const* default_module);
