#pragma once

// `orrelux-render info SCENE [--json]`: `argv[0]` is "info". Prints what
// the renderer understood of the scene and what it asks for that the
// renderer does not evaluate; returns the exit status.
int run_info_command(int argc, char** argv);
