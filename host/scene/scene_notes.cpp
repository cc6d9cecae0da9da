#include "host/scene/scene_notes.h"

std::string SceneNote::text() const {
    return "line " + std::to_string(line) + (item.empty() ? "" : " (" + item + ")") + ": " + what;
}
