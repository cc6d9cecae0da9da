#include "host/scene/scene_file.h"

#include "host/scene/camera_keys.h"
#include "host/scene/scene_envelope.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// Scene files are text of a few megabytes; anything near this is not one.
std::size_t const MAX_SCENE_BYTES = std::size_t(256) << 20;
double const DEGREES = M_PI / 180;
int const FIRST_VERSION = 3;
int const LAST_VERSION = 8;

// What the values of HController and its kin ask for.
char const* const CONTROLLERS[] = {
    "keys",          "targeting", "align to velocity", "inverse kinematics",
    "align to path", "pole",      "same as item"};

std::string hex_id(std::uint32_t id) {
    char text[9];
    snprintf(text, sizeof text, "%08X", id);
    return text;
}

LWItemID item_id(std::uint32_t id) {
    return reinterpret_cast<LWItemID>(uintptr_t(id));
}

// The first word of `text`, which loses it and the blanks after it.
std::string take_word(std::string& text) {
    std::size_t end = text.find_first_of(" \t");
    std::string word = text.substr(0, end);
    std::size_t next = text.find_first_not_of(" \t", end);
    text = next == std::string::npos ? std::string() : text.substr(next);
    return word;
}

// "I:fra/3D/rock.lwo" names the object "rock".
std::string object_name(std::string const& path) {
    std::size_t slash = path.find_last_of("/\\:");
    std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
    std::size_t dot = file.rfind('.');
    file = dot == std::string::npos || dot == 0 ? file : file.substr(0, dot);
    return file.empty() ? path : file;
}

struct PendingParent {
    LWItemID child;
    std::uint32_t parent;
    int line;
};

// Where an item asks to point: the lines that asked, 0 where none did.
struct PendingAim {
    LWItemID item;
    std::uint32_t target = 0;
    int target_line = 0;
    int heading_line = 0;
    int pitch_line = 0;
};

class SceneReader {
public:
    SceneReader(std::string text, std::string const& path) : lines_(std::move(text), path) {}

    SceneFile read();

private:
    using Statement = void (SceneReader::*)();
    struct Keyword {
        char const* name;
        Statement read;
    };
    static Keyword const KEYWORDS[];

    void header();
    void statement();

    void load_object_layer();
    void load_object();
    void add_null_object();
    void add_light();
    void add_camera();
    void add_bone();
    void declare(LWItemType type, std::string const& name, std::string const& id_word);

    void light_name();
    void camera_name();
    void parent_item();
    void pivot_position();
    void pivot_rotation();
    void target_item();
    void controller();
    PendingAim& aim();
    void object_motion();
    void light_motion();
    void camera_motion();
    void motion(LWItemType type);
    void channel();

    void first_frame();
    void last_frame();
    void frame_step();
    void frames_per_second();
    void current_camera();

    void plugin();
    void animation_saver();
    void plugin_enabled();
    std::string plugin_body();

    void parent_items();
    void aim_items();
    void settle_cameras();
    // An item that a file names: a bone stands for its object.
    HostItem const& named_item(std::uint32_t id, int line, char const* keyword) const;

    bool is(LWItemType type) const { return item_ && item_->type == type; }

    SceneLines lines_;
    SceneFile file_;
    // The item whose statements these are: null before the first and for a
    // bone.
    HostItem* item_ = nullptr;
    // The motion that Channel statements fill, right after its *Motion line.
    ItemMotion* motion_ = nullptr;
    std::uint32_t ordinals_[3] = {0, 0, 0}; // version 3 IDs
    std::vector<PendingParent> parents_;
    std::vector<PendingAim> aims_; // in file order
    CameraKeys scene_keys_;
    std::vector<CameraKeys> camera_keys_;   // one per camera, in file order
    std::vector<std::string> camera_types_; // likewise
    long current_camera_ = 0;
    int current_camera_line_ = 0;
    int last_frame_line_ = 0;
    // The line that ended the last plug-in block, when it was a filter's.
    int filter_end_line_ = 0;
};

SceneReader::Keyword const SceneReader::KEYWORDS[] = {
    {"LoadObjectLayer", &SceneReader::load_object_layer},
    {"LoadObject", &SceneReader::load_object},
    {"AddNullObject", &SceneReader::add_null_object},
    {"AddLight", &SceneReader::add_light},
    {"AddCamera", &SceneReader::add_camera},
    {"AddBone", &SceneReader::add_bone},
    {"LightName", &SceneReader::light_name},
    {"CameraName", &SceneReader::camera_name},
    {"ParentItem", &SceneReader::parent_item},
    {"PivotPosition", &SceneReader::pivot_position},
    {"PivotRotation", &SceneReader::pivot_rotation},
    {"TargetItem", &SceneReader::target_item},
    {"HController", &SceneReader::controller},
    {"PController", &SceneReader::controller},
    {"BController", &SceneReader::controller},
    {"XController", &SceneReader::controller},
    {"YController", &SceneReader::controller},
    {"ZController", &SceneReader::controller},
    {"SXController", &SceneReader::controller},
    {"SYController", &SceneReader::controller},
    {"SZController", &SceneReader::controller},
    {"ObjectMotion", &SceneReader::object_motion},
    {"LightMotion", &SceneReader::light_motion},
    {"CameraMotion", &SceneReader::camera_motion},
    {"Channel", &SceneReader::channel},
    {"FirstFrame", &SceneReader::first_frame},
    {"LastFrame", &SceneReader::last_frame},
    {"FrameStep", &SceneReader::frame_step},
    {"FramesPerSecond", &SceneReader::frames_per_second},
    {"CurrentCamera", &SceneReader::current_camera},
    {"Plugin", &SceneReader::plugin},
    {"AnimationSaver", &SceneReader::animation_saver},
    {"PluginEnabled", &SceneReader::plugin_enabled},
};

SceneFile SceneReader::read() {
    header();
    while (lines_.next()) {
        statement();
    }
    if (camera_keys_.empty()) {
        lines_.fail("the file ends without a camera");
    }
    if (file_.scene.last_frame < file_.scene.first_frame) {
        lines_.fail_at(last_frame_line_, "LastFrame is before FirstFrame");
    }
    parent_items();
    aim_items();
    settle_cameras();
    for (std::vector<SceneNote>* notes : {&file_.notes.not_evaluated, &file_.notes.readings}) {
        std::stable_sort(notes->begin(), notes->end(),
                         [](SceneNote const& a, SceneNote const& b) { return a.line < b.line; });
    }
    return std::move(file_);
}

void SceneReader::header() {
    if (!lines_.next() || lines_.keyword() != "LWSC" || !lines_.rest().empty()) {
        lines_.fail_at(1, "not a LightWave scene: the first line is not LWSC");
    }
    if (!lines_.next()) {
        lines_.fail("the file ends before the scene's version");
    }
    long version = lines_.lone_integer("the scene's version");
    if (version < FIRST_VERSION || version > LAST_VERSION) {
        lines_.fail("scene version " + std::to_string(version) + " is not supported; versions " +
                    std::to_string(FIRST_VERSION) + " to " + std::to_string(LAST_VERSION) + " are");
    }
    file_.version = static_cast<int>(version);
}

void SceneReader::statement() {
    std::string const& keyword = lines_.keyword();
    if (keyword != "Channel" && keyword != "NumChannels") {
        motion_ = nullptr;
    }
    if (lines_.opens_block()) {
        lines_.skip_block();
        return;
    }
    for (Keyword const& k : KEYWORDS) {
        if (keyword == k.name) {
            (this->*k.read)();
            return;
        }
    }
    read_camera_key(lines_, file_.notes, is(LWI_CAMERA) ? camera_keys_.back() : scene_keys_,
                    scene_keys_);
}

void SceneReader::declare(LWItemType type, std::string const& name, std::string const& id_word) {
    std::uint32_t const type_digit = std::uint32_t(type + 1);
    std::uint32_t id = type_digit << 28 | ordinals_[type]++;
    if (file_.version >= 4) {
        id = lines_.item_id(id_word);
        if (id >> 28 != type_digit) {
            lines_.fail(lines_.keyword() + ": ID " + hex_id(id) + " does not start with " +
                        std::to_string(type_digit));
        }
        if (file_.scene.find(item_id(id))) {
            lines_.fail(lines_.keyword() + ": ID " + hex_id(id) + " is declared twice");
        }
    }
    item_ = &file_.scene.item(file_.scene.add(type, name.c_str(), id));
    file_.notes.item = name;
    if (type == LWI_CAMERA) {
        camera_keys_.emplace_back();
        camera_types_.emplace_back("Perspective");
    }
}

void SceneReader::load_object_layer() {
    std::string rest = lines_.rest();
    take_word(rest); // the layer
    std::string id = file_.version >= 4 ? take_word(rest) : std::string();
    declare(LWI_OBJECT, object_name(rest), id);
}

void SceneReader::load_object() {
    std::string rest = lines_.rest();
    std::string id = file_.version >= 4 ? take_word(rest) : std::string();
    declare(LWI_OBJECT, object_name(rest), id);
}

void SceneReader::add_null_object() {
    std::string rest = lines_.rest();
    std::string id = file_.version >= 4 ? take_word(rest) : std::string();
    declare(LWI_OBJECT, rest.empty() ? "Null" : rest, id);
}

void SceneReader::add_light() {
    declare(LWI_LIGHT, "Light", lines_.rest());
}

void SceneReader::add_camera() {
    declare(LWI_CAMERA, "Camera", lines_.rest());
}

void SceneReader::add_bone() {
    item_ = nullptr;
    file_.notes.item.clear();
}

void SceneReader::light_name() {
    if (is(LWI_LIGHT)) {
        item_->name = file_.notes.item = lines_.rest();
    }
}

void SceneReader::camera_name() {
    if (is(LWI_CAMERA)) {
        item_->name = file_.notes.item = lines_.rest();
    }
}

void SceneReader::parent_item() {
    std::vector<std::string> words = lines_.words();
    if (words.size() != 1) {
        lines_.fail("ParentItem takes one item ID");
    }
    std::uint32_t parent = lines_.item_id(words[0]);
    if (item_) {
        parents_.push_back({item_->id, parent, lines_.number()});
    }
}

void SceneReader::pivot_position() {
    std::vector<double> v = lines_.numbers(3);
    if (item_) {
        item_->pivot = {v[0], v[1], v[2]};
    }
}

void SceneReader::pivot_rotation() {
    std::vector<double> v = lines_.numbers(3);
    if (item_) {
        item_->pivot_rotation = {v[0] * DEGREES, v[1] * DEGREES, v[2] * DEGREES};
    }
}

PendingAim& SceneReader::aim() {
    if (aims_.empty() || aims_.back().item != item_->id) {
        aims_.push_back({item_->id});
    }
    return aims_.back();
}

void SceneReader::target_item() {
    std::vector<std::string> words = lines_.words();
    if (words.size() != 1) {
        lines_.fail(lines_.written() + ": takes one item ID");
    }
    std::uint32_t target = lines_.item_id(words[0]);
    if (item_) {
        aim().target = target;
        aim().target_line = lines_.number();
    }
}

// Bones are not items here: their controllers are left with them.
void SceneReader::controller() {
    long kind = lines_.integer();
    if (kind < 0) {
        lines_.fail(lines_.written() + ": takes 0 (keys) or more");
    }
    std::string const& keyword = lines_.keyword();
    if (!item_ || kind == 0) {
        return;
    }
    if (kind == 1 && (keyword == "HController" || keyword == "PController")) {
        (keyword[0] == 'H' ? aim().heading_line : aim().pitch_line) = lines_.number();
        return;
    }
    std::size_t const known = sizeof CONTROLLERS / sizeof *CONTROLLERS;
    std::string const name = std::size_t(kind) < known ? CONTROLLERS[kind] : "unknown";
    file_.notes.not_evaluated_at(lines_.number(), lines_.written() + " (" + name +
                                                      "): the item's own keys are used");
}

void SceneReader::object_motion() {
    motion(LWI_OBJECT);
}

void SceneReader::light_motion() {
    motion(LWI_LIGHT);
}

void SceneReader::camera_motion() {
    motion(LWI_CAMERA);
}

void SceneReader::motion(LWItemType type) {
    motion_ = is(type) ? &item_->motion : nullptr;
}

// Outside a motion the line is skipped, and its envelope with it as an
// unknown block.
void SceneReader::channel() {
    long index = lines_.integer();
    if (!motion_) {
        return;
    }
    int line = lines_.number();
    if (!lines_.next()) {
        lines_.fail("the file ends before the envelope of the channel on line " +
                    std::to_string(line));
    }
    static char const* const CHANNELS[] = {"position X", "position Y", "position Z",
                                           "heading",    "pitch",      "bank",
                                           "scale X",    "scale Y",    "scale Z"};
    bool const known = index >= 0 && index < 9;
    Envelope envelope =
        read_envelope(lines_, file_.notes,
                      "channel " + std::to_string(index) +
                          (known ? std::string(" (") + CHANNELS[index] + ")" : std::string()));
    if (known) {
        motion_->channel(static_cast<int>(index)) = std::move(envelope);
    }
}

void SceneReader::first_frame() {
    file_.scene.first_frame = static_cast<int>(lines_.integer());
}

void SceneReader::last_frame() {
    file_.scene.last_frame = static_cast<int>(lines_.integer());
    last_frame_line_ = lines_.number();
}

void SceneReader::frame_step() {
    long step = lines_.integer();
    if (step < 1) {
        lines_.fail(lines_.written() + ": takes 1 or more");
    }
    file_.scene.frame_step = static_cast<int>(step);
}

void SceneReader::frames_per_second() {
    double fps = lines_.number_value();
    if (!(fps > 0)) {
        lines_.fail(lines_.written() + ": must be more than 0");
    }
    file_.scene.frames_per_second = fps;
}

void SceneReader::current_camera() {
    current_camera_ = lines_.integer();
    current_camera_line_ = lines_.number();
}

void SceneReader::plugin() {
    std::string rest = lines_.rest();
    std::string kind = take_word(rest);
    std::string position = take_word(rest);
    if (rest.empty()) {
        lines_.fail("Plugin takes a class, a position and a server name");
    }
    SceneFilter filter;
    filter.server = rest;
    if (kind == "ImageFilterHandler") {
        char* end = nullptr;
        filter.position = static_cast<int>(std::strtol(position.c_str(), &end, 10));
        if (position.empty() || *end != '\0' || filter.position < 1) {
            lines_.fail("Plugin: \"" + position + "\" is not a place in the filter list");
        }
    }
    if (kind == "CameraHandler" && is(LWI_CAMERA)) {
        camera_types_.back() = rest;
        if (rest != "Perspective") {
            file_.notes.not_evaluated_at(
                lines_.number(), "camera type \"" + rest + "\": rendered as a perspective camera");
        }
    } else if (kind == "ItemMotionHandler" && item_) {
        file_.notes.not_evaluated_at(lines_.number(), "motion modifier \"" + rest +
                                                          "\": the item's own keys are used");
    }
    filter.text = plugin_body();
    filter_end_line_ = 0;
    if (kind == "ImageFilterHandler") {
        file_.filters.push_back(std::move(filter));
        filter_end_line_ = lines_.number();
    }
}

void SceneReader::animation_saver() {
    plugin_body();
    filter_end_line_ = 0;
}

// A plug-in's own data, ended by a line that is EndPlugin alone. It may be
// free text or bytes, so nothing in it is counted or decoded.
std::string SceneReader::plugin_body() {
    int opened = lines_.number();
    bool more = lines_.next();
    std::size_t from = lines_.start();
    while (more && !(lines_.keyword() == "EndPlugin" && lines_.rest().empty())) {
        more = lines_.next();
    }
    if (!more) {
        lines_.fail("the file ends inside the plug-in block opened on line " +
                    std::to_string(opened));
    }
    return lines_.text_since(from);
}

// Only directly after its block's EndPlugin.
void SceneReader::plugin_enabled() {
    long enabled = lines_.integer();
    if (filter_end_line_ && lines_.number() == filter_end_line_ + 1) {
        file_.filters.back().enabled = enabled != 0;
    }
}

HostItem const& SceneReader::named_item(std::uint32_t id, int line, char const* keyword) const {
    std::uint32_t const item = id >> 28 == 4 ? 0x10000000u | (id & 0xffffu) : id;
    HostItem const* found = file_.scene.find(item_id(item));
    if (!found) {
        lines_.fail_at(line, std::string(keyword) + ": no item has ID " + hex_id(id));
    }
    return *found;
}

void SceneReader::parent_items() {
    HostScene& scene = file_.scene;
    for (PendingParent const& p : parents_) {
        HostItem const* parent = &named_item(p.parent, p.line, "ParentItem");
        for (HostItem const* up = parent; up; up = scene.find(up->parent)) {
            if (up->id == p.child) {
                lines_.fail_at(p.line, "ParentItem: parenting " + scene.item(p.child).name +
                                           " to " + parent->name + " would make a cycle");
            }
        }
        scene.set_parent(p.child, parent->id);
    }
}

// After the parents, which the targets' positions depend on.
void SceneReader::aim_items() {
    for (PendingAim const& a : aims_) {
        if (!a.heading_line && !a.pitch_line) {
            continue;
        }
        std::string const& name = file_.scene.item(a.item).name;
        file_.notes.item = name;
        if (!a.target_line) {
            for (int line : {a.heading_line, a.pitch_line}) {
                if (line) {
                    file_.notes.not_evaluated_at(
                        line, std::string(line == a.heading_line ? "HController" : "PController") +
                                  " 1 (targeting) without a TargetItem: the item's own keys are "
                                  "used");
                }
            }
            continue;
        }
        HostItem const& target = named_item(a.target, a.target_line, "TargetItem");
        if (!file_.scene.set_target(a.item, target.id, a.heading_line != 0, a.pitch_line != 0)) {
            lines_.fail_at(a.target_line, "TargetItem: pointing " + name + " at " + target.name +
                                              " would make its rotation depend on itself");
        }
    }
}

void SceneReader::settle_cameras() {
    if (current_camera_ < 0 || std::size_t(current_camera_) >= camera_keys_.size()) {
        lines_.fail_at(current_camera_line_, "CurrentCamera: the scene has " +
                                                 std::to_string(camera_keys_.size()) +
                                                 " cameras, counted from 0");
    }
    std::size_t ordinal = 0;
    for (HostItem const& item : file_.scene.items()) {
        if (item.type != LWI_CAMERA) {
            continue;
        }
        bool render = ordinal == std::size_t(current_camera_);
        settle_camera(camera_keys_[ordinal++], scene_keys_, file_.scene.item(item.id).camera,
                      render ? &file_.scene : nullptr);
        if (render) {
            file_.scene.current_camera = item.id;
            file_.camera_type = camera_types_[ordinal - 1];
        }
    }
}

} // namespace

SceneFile read_scene_text(std::string text, std::string const& path) {
    return SceneReader(std::move(text), path).read();
}

SceneFile read_scene_file(std::string const& path) {
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) {
        throw SceneFileError(path, 0, std::string("cannot be opened: ") + strerror(errno));
    }
    std::string text;
    char chunk[65536];
    std::size_t n;
    while (text.size() <= MAX_SCENE_BYTES && (n = fread(chunk, 1, sizeof chunk, file)) > 0) {
        text.append(chunk, n);
    }
    bool failed = ferror(file) != 0;
    fclose(file);
    if (failed) {
        throw SceneFileError(path, 0, "cannot be read");
    }
    if (text.size() > MAX_SCENE_BYTES) {
        throw SceneFileError(path, 0, "is larger than any scene file (256 MiB)");
    }
    return read_scene_text(std::move(text), path);
}
