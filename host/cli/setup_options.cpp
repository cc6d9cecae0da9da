#include "host/cli/setup_options.h"

void add_setup_options(CLI::App& app, RenderSetup& setup) {
    app.add_option("--background", setup.background_pattern,
                   "A frame sequence to draw the stars into, '#' standing for the frame number "
                   "(e.g. plates/shot_####.exr); without it the stars go over black, alpha 0");
    app.add_option("--stars", setup.stars,
                   "Star database to use instead of the one the settings name (e.g. "
                   "build/plugins/hipparcos3D.stars)");
    app.add_option("--module", setup.module_path, "The plug-in module to load")
        ->capture_default_str();
    app.add_flag("--opaque", setup.opaque,
                 "Write alpha 1 everywhere, so that a star plate over black shows in any "
                 "image viewer");
}
