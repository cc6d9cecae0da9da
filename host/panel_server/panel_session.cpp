#include "host/panel_server/panel_session.h"

#include "host/frames/frame_file.h"
#include "host/panel_server/picture_bmp.h"
#include "host/panel_server/replace_file.h"
#include "host/scene/scene_block.h"
#include "base/xception.h"
#include "lwsdk/lwfilter.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

// The buttons and thumbnails the page acts on, known by the labels the
// module declares for them; their IDs are the module's to choose. A
// thumbnail is drawn at the size the host gives it.
struct Role {
    char const* label;
    char const* name; // as the page knows it
    int width, height;
};
Role const ROLES[] = {
    {"Logo", "logo", 292, 61},         {"Preview", "preview", 292, 160},
    {"Parent Object", "parent", 0, 0}, {"Load Settings", "load", 0, 0},
    {"Save Settings", "save", 0, 0},
};

Role const* role_of(PanelControl const& control) {
    for (Role const& role : ROLES) {
        if (control.label == role.label) {
            return &role;
        }
    }
    return nullptr;
}
// A settings file is a few hundred bytes; anything this large is no such file.
std::uintmax_t const MAX_SETTINGS_FILE = 1 << 20;
// The host's file type of settings, "*.cfg".
char const* const SETTINGS_EXTENSION = ".cfg";
// Listing stops here, in folders full of other things.
std::size_t const MAX_LISTED = 500;

std::string hex(unsigned id) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", id);
    return text;
}

char const* kind_name(std::optional<PanelValue::Kind> kind, std::string const& control_class) {
    if (!kind) {
        return control_class == "vButton" ? "button" : "thumbnail";
    }
    switch (*kind) {
    case PanelValue::REAL:
        return "float";
    case PanelValue::COLOR:
        return "color";
    case PanelValue::INTEGER:
        return "integer";
    case PanelValue::TEXT:
        break;
    }
    return "text";
}

nlohmann::json value_json(PanelValue const& v) {
    switch (v.kind) {
    case PanelValue::REAL:
        return v.reals[0];
    case PanelValue::COLOR:
        return {v.reals[0], v.reals[1], v.reals[2]};
    case PanelValue::INTEGER:
        return v.integer;
    case PanelValue::TEXT:
        break;
    }
    return v.text;
}

std::string read_bytes(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string path_text(nlohmann::json const& path) {
    if (!path.is_string()) {
        throw RequestError(400, "the path must be a text");
    }
    check_name(path.get<std::string>());
    return path.get<std::string>();
}

std::string folder_of(std::string const& file) {
    fs::path const parent = fs::absolute(file).parent_path();
    return parent.empty() ? "." : parent.string();
}

} // namespace

// Holds the module for one request: a frame in hand keeps it busy. The
// panel's state is held too, so that reading it waits for no frame.
class PanelSession::Turn {
public:
    explicit Turn(PanelSession& session) : lock_(session.module_, std::defer_lock) {
        if (!lock_.try_lock_for(std::chrono::seconds(2))) {
            throw RequestError(409, "a frame is rendering; cancel it or wait for it first");
        }
        state_ = std::unique_lock<std::mutex>(session.state_);
        session.renderer_->host().clear_messages();
    }

private:
    std::unique_lock<std::timed_mutex> lock_;
    std::unique_lock<std::mutex> state_;
};

PanelSession::PanelSession(PanelOptions const& options) : options_(options) {
    RenderSetup& setup = options_.setup;
    SceneFile scene;
    std::vector<std::string> folders;
    if (!setup.scene_path.empty()) {
        scene = read_scene_file(setup.scene_path);
        folders.push_back(folder_of(setup.scene_path));
    } else {
        // A settings file alone is rendered through a camera at the origin.
        scene.scene.add(LWI_CAMERA, "Camera");
    }
    if (!setup.settings_path.empty()) {
        source_ = setup.settings_path;
        folders.push_back(folder_of(setup.settings_path));
    } else {
        source_ = setup.scene_path;
        for (SceneFilter const& filter : scene.filters) {
            if (filter.server == "Orrelux" && filter.enabled) {
                scene_block_ = filter.position;
                break;
            }
        }
    }
    folders.push_back(folder_of(setup.module_path));
    if (!setup.stars.empty()) {
        folders.push_back(folder_of(setup.stars));
    }
    folders.insert(folders.end(), options.folders.begin(), options.folders.end());
    guard_ = std::make_unique<FolderGuard>(folders);

    char work[] = "/tmp/orrelux-panel-XXXXXX";
    if (!mkdtemp(work)) {
        throw std::runtime_error("cannot make a working folder in /tmp");
    }
    work_dir_ = work;
    renderer_ =
        std::make_unique<SceneRenderer>(setup, std::move(scene), [](std::string const& note) {
            fprintf(stderr, "orrelux-render: %s\n", note.c_str());
        });
    Host& host = renderer_->host();
    host.files.folder = guard_->folders().front().string();
    LWInterface local = {renderer_->instances().front(), nullptr, nullptr, nullptr};
    try {
        renderer_->module().activate(LWIMAGEFILTER_ICLASS, "Orrelux", LWINTERFACE_VERSION, &local);
        panel_ = local.panel;
        host.panels.open(panel_);
    } catch (StrXception const& e) {
        throw std::runtime_error(std::string("the module's settings panel cannot be opened: ") +
                                 e.what());
    }
}

// The panel stays open to the end, as a host that quits leaves it: closing
// it would store the chosen database as every instance's default.
PanelSession::~PanelSession() {
    frames_.cancel();
    std::error_code ignored;
    fs::remove_all(work_dir_, ignored);
}

HostPanel& PanelSession::shown() {
    return *renderer_->host().panels.find(panel_);
}

unsigned PanelSession::control_of(char const* role) {
    for (PanelControl const& control : shown().controls) {
        Role const* r = role_of(control);
        if (r && std::string(r->name) == role) {
            return control.id;
        }
    }
    throw RequestError(500, std::string("the module's panel has no ") + role + " control");
}

nlohmann::json PanelSession::control_json(PanelControl const& control) {
    HostPanel& panel = shown();
    std::optional<PanelValue::Kind> const kind = panel.value_kind(control.id);
    nlohmann::json c = {{"id", hex(control.id)},
                        {"label", control.label},
                        {"class", control.control_class},
                        {"kind", kind_name(kind, control.control_class)}};
    if (Role const* role = role_of(control)) {
        c["role"] = role->name;
    }
    if (std::optional<PanelRange> range = panel.range(control.id)) {
        c["range"] = {{"min", range->min}, {"max", range->max}, {"step", range->step}};
    }
    std::vector<std::string> const choices = panel.choices(control.id);
    if (!choices.empty()) {
        c["choices"] = choices;
    }
    if (kind) {
        auto found = panel.shown.find(control.id);
        c["value"] = found == panel.shown.end() ? nlohmann::json() : value_json(found->second);
    }
    return c;
}

nlohmann::json PanelSession::values_of(std::vector<unsigned> const& ids) {
    nlohmann::json values = nlohmann::json::object();
    HostPanel& panel = shown();
    for (unsigned id : ids) {
        auto found = panel.shown.find(id);
        if (panel.value_kind(id) && found != panel.shown.end()) {
            values[hex(id)] = value_json(found->second);
        }
    }
    return values;
}

nlohmann::json PanelSession::messages() {
    nlohmann::json list = nlohmann::json::array();
    for (HostMessage const& m : renderer_->host().messages()) {
        list.push_back({{"kind", m.kind == HostMessage::ERROR ? "error" : "info"},
                        {"line1", m.line1},
                        {"line2", m.has_line2 ? nlohmann::json(m.line2) : nlohmann::json()}});
    }
    return list;
}

nlohmann::json PanelSession::panel() {
    std::lock_guard<std::mutex> reading(state_);
    HostPanel& panel = shown();
    nlohmann::json controls = nlohmann::json::array();
    for (PanelControl const& control : panel.controls) {
        controls.push_back(control_json(control));
    }
    nlohmann::json folders = nlohmann::json::array();
    for (fs::path const& folder : guard_->folders()) {
        folders.push_back(folder.string());
    }
    HostScene const& scene = renderer_->scene();
    return {{"title", panel.title()},
            {"source", source_},
            {"saves_into", scene_block_                           ? "the scene's Orrelux block"
                           : options_.setup.settings_path.empty() ? "nothing"
                                                                  : "the settings file"},
            {"folders", folders},
            {"frames",
             {{"first", scene.first_frame},
              {"last", scene.last_frame},
              {"current", scene.first_frame}}},
            {"controls", controls}};
}

nlohmann::json PanelSession::edit(std::string const& control, nlohmann::json const& value) {
    Turn turn(*this);
    HostPanel& panel = shown();
    unsigned const id = value_control(panel, control);
    PanelValue checked = checked_value(panel, id, value);
    if (panel.control(id)->control_class == "sFileName") {
        checked.text = guard_->resolve(checked.text).string();
    }
    LWXPRefreshCode code;
    try {
        code = renderer_->host().panels.edit(panel_, id, checked);
    } catch (StrXception const& e) {
        throw RequestError(500, e.what());
    }
    std::vector<unsigned> redraw;
    if (code == LWXPRC_FULL || code == LWXPRC_REFORMAT) {
        for (PanelControl const& c : panel.controls) {
            redraw.push_back(c.id);
        }
    } else if (code != LWXPRC_NONE) {
        redraw.push_back(id);
    }
    return {{"code", int(code)}, {"values", values_of(redraw)}, {"messages", messages()}};
}

std::string PanelSession::thumbnail(std::string const& control) {
    Turn turn(*this);
    for (PanelControl const& c : shown().controls) {
        Role const* role = role_of(c);
        if (hex(c.id) == control && role && role->width > 0) {
            try {
                return bmp_bytes(
                    renderer_->host().panels.draw(panel_, c.id, role->width, role->height));
            } catch (StrXception const& e) {
                throw RequestError(500, e.what());
            }
        }
    }
    throw RequestError(404, "the panel has no thumbnail \"" + control + "\"");
}

nlohmann::json PanelSession::parent_dialog() {
    Turn turn(*this);
    PanelService& panels = renderer_->host().panels;
    panels.dialog_answers = {{false, {}}};
    try {
        panels.press(panel_, control_of("parent"));
    } catch (StrXception const& e) {
        throw RequestError(500, e.what());
    }
    // The dialog's one popup lists the items.
    PostedDialog const& dialog = panels.posted.back();
    parent_popup_ = dialog.popups.empty() ? 0 : dialog.popups.begin()->first;
    auto selected = dialog.form.find(parent_popup_);
    return {{"title", dialog.title},
            {"entries",
             dialog.popups.empty() ? std::vector<std::string>() : dialog.popups.begin()->second},
            {"selected", selected == dialog.form.end() ? 0 : selected->second.integer}};
}

nlohmann::json PanelSession::choose_parent(nlohmann::json const& index) {
    nlohmann::json const dialog = parent_dialog();
    std::size_t const entries = dialog["entries"].size();
    if (!index.is_number_integer() || index.get<long long>() < 0 ||
        std::size_t(index.get<long long>()) >= entries) {
        throw RequestError(400, "the parent must be an entry from 0 to " +
                                    std::to_string(entries - 1) + "; nothing was changed");
    }
    Turn turn(*this);
    PanelService& panels = renderer_->host().panels;
    panels.dialog_answers = {{true, {{parent_popup_, PanelValue::of_integer(index.get<int>())}}}};
    try {
        panels.press(panel_, control_of("parent"));
    } catch (StrXception const& e) {
        throw RequestError(500, e.what());
    }
    return {{"parent", dialog["entries"][index.get<std::size_t>()]}, {"messages", messages()}};
}

nlohmann::json PanelSession::files() {
    nlohmann::json list = nlohmann::json::array();
    for (fs::path const& folder : guard_->folders()) {
        std::error_code error;
        for (fs::directory_iterator it(folder, error), end; !error && it != end;
             it.increment(error)) {
            if (it->is_regular_file(error) && list.size() < MAX_LISTED &&
                is_keepable_name(it->path().string())) {
                list.push_back(it->path().string());
            }
        }
    }
    return {{"files", list}};
}

nlohmann::json PanelSession::load_settings(nlohmann::json const& path) {
    fs::path const file = guard_->resolve(path_text(path));
    std::error_code error;
    if (!fs::is_regular_file(file, error)) {
        throw RequestError(404, "\"" + file.string() + "\" is no file; nothing was loaded");
    }
    if (fs::file_size(file, error) > MAX_SETTINGS_FILE) {
        throw RequestError(413, "\"" + file.string() +
                                    "\" is larger than any settings file; nothing was loaded");
    }
    Turn turn(*this);
    Host& host = renderer_->host();
    host.files.answers = {file.string()};
    try {
        host.panels.press(panel_, control_of("load"));
    } catch (StrXception const& e) {
        throw RequestError(500, e.what());
    }
    std::vector<unsigned> all;
    for (PanelControl const& c : shown().controls) {
        all.push_back(c.id);
    }
    return {{"loaded", file.string()}, {"values", values_of(all)}, {"messages", messages()}};
}

// The module writes into the session's own folder, where nothing can be
// planted; the whole file then replaces the old one.
void PanelSession::save_through_module(std::string const& path) {
    std::string const written = work_dir_ + "/settings.cfg";
    std::remove(written.c_str());
    Host& host = renderer_->host();
    host.files.answers = {written};
    try {
        host.panels.press(panel_, control_of("save"));
    } catch (StrXception const& e) {
        throw RequestError(500, e.what());
    }
    std::string const bytes = read_bytes(written);
    std::remove(written.c_str());
    if (bytes.empty()) {
        throw RequestError(500, "the module wrote no settings to \"" + path + "\"");
    }
    try {
        replace_file(path, bytes);
    } catch (std::runtime_error const& e) {
        throw RequestError(500, e.what());
    }
}

nlohmann::json PanelSession::save_settings(nlohmann::json const& path) {
    fs::path const file = guard_->resolve(path_text(path));
    // Settings are written only as settings files, never over the scene,
    // the module or a database that share their folders.
    if (file.extension() != SETTINGS_EXTENSION) {
        throw RequestError(400, "\"" + file.string() + "\": settings files are saved with the " +
                                    "extension " + SETTINGS_EXTENSION + "; nothing was saved");
    }
    std::error_code error;
    if (fs::is_directory(file, error) || !fs::is_directory(file.parent_path(), error)) {
        throw RequestError(400, "\"" + file.string() +
                                    "\" is a folder or lies in no folder; nothing was saved");
    }
    Turn turn(*this);
    save_through_module(file.string());
    return {{"saved", file.string()}, {"messages", messages()}};
}

nlohmann::json PanelSession::save() {
    Turn turn(*this);
    if (!options_.setup.settings_path.empty()) {
        save_through_module(source_);
        return {{"saved", source_}, {"into", "the settings file"}};
    }
    if (scene_block_ == 0) {
        throw RequestError(409, "the scene \"" + source_ +
                                    "\" has no enabled Orrelux filter block to save into; "
                                    "save a settings file instead");
    }
    try {
        std::string const body = renderer_->settings_text(renderer_->instances().front());
        std::ifstream in(source_, std::ios::binary);
        if (!in) {
            throw std::runtime_error("cannot read the scene \"" + source_ + "\"");
        }
        std::string const scene((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        replace_file(source_, with_filter_block(scene, scene_block_, body));
    } catch (Xception const& e) {
        throw RequestError(500, e.what());
    } catch (std::runtime_error const& e) {
        throw RequestError(500, e.what());
    }
    return {{"saved", source_},
            {"into", "the Orrelux block of image filter " + std::to_string(scene_block_)}};
}

nlohmann::json PanelSession::start_render(nlohmann::json const& frame) {
    HostScene const& scene = renderer_->scene();
    if (!frame.is_number_integer() || frame.get<long long>() < scene.first_frame ||
        frame.get<long long>() > scene.last_frame) {
        throw RequestError(400, "the frame must be a whole number from " +
                                    std::to_string(scene.first_frame) + " to " +
                                    std::to_string(scene.last_frame));
    }
    frames_.start(frame.get<int>(),
                  [this](int f, StepReport const& steps, std::function<bool()> const& cancelled) {
                      return render(f, steps, cancelled);
                  });
    return frames_.status();
}

RenderedFrame PanelSession::render(int frame, StepReport const& steps,
                                   std::function<bool()> const& cancelled) {
    std::lock_guard<std::timed_mutex> lock(module_);
    RenderedFrame rendered;
    FrameImage image;
    rendered.result = renderer_->render_image(frame, steps, cancelled, image);
    if (rendered.result.status != FrameResult::RENDERED) {
        return rendered;
    }
    // Written as orrelux-render writes a .png, so that the two agree.
    std::string const path = work_dir_ + "/frame.png";
    try {
        write_frame(path, image, options_.setup.samples);
        rendered.png = read_bytes(path);
        for (std::size_t i = 3; i < image.pixels.size(); i += 4) {
            image.pixels[i] = 1.0f;
        }
        write_frame(path, image, options_.setup.samples);
        rendered.view = read_bytes(path);
    } catch (StrXception const& e) {
        rendered.result.status = FrameResult::FAILED;
        rendered.result.detail = e.what();
    }
    return rendered;
}
