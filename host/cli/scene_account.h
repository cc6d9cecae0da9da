#pragma once

#include "host/scene/scene_file.h"

#include <nlohmann/json.hpp>

#include <string>

// What the renderer takes from a scene file: its version, frames, render
// camera and settings, image filters, and the statements it does not
// evaluate, as JSON and as text for a person.
nlohmann::json scene_account(SceneFile const& file);
std::string scene_account_text(nlohmann::json const& account);
