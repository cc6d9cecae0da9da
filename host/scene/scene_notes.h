#pragma once

#include <string>
#include <vector>

// One statement of a scene file worth telling the user about, with its line
// and the item it belongs to (empty for the scene's own statements).
struct SceneNote {
    int line = 0;
    std::string item;
    std::string what;

    // "line 42 (Camera): HController 2 ..."
    std::string text() const;
};

// What a scene asks for beyond what the stand-in host evaluates, so that no
// difference from the host's picture goes unsaid, and the values read in a
// way the host's files leave open.
struct SceneNotes {
    std::vector<SceneNote> not_evaluated;
    std::vector<SceneNote> readings;
    // The item whose statements are being read; notes added now name it.
    std::string item;

    void not_evaluated_at(int line, std::string what) {
        not_evaluated.push_back({line, item, std::move(what)});
    }
    void reading_at(int line, std::string what) {
        readings.push_back({line, item, std::move(what)});
    }
};
