#pragma once

#include "host/render/scene_renderer.h"

#include <CLI/CLI.hpp>

// The options that shape how frames are rendered, the same for rendering
// and for the settings panel's frames: --stars, --background, --module and
// --opaque. `setup.module_path` holds the default module already.
void add_setup_options(CLI::App& app, RenderSetup& setup);
