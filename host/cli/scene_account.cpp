#include "host/cli/scene_account.h"

#include "lwsdk/lwrender.h"

#include <sstream>

namespace {

nlohmann::json notes_json(std::vector<SceneNote> const& notes) {
    nlohmann::json list = nlohmann::json::array();
    for (SceneNote const& note : notes) {
        list.push_back({{"line", note.line}, {"item", note.item}, {"what", note.what}});
    }
    return list;
}

std::string fields_of(int render_opts) {
    if (!(render_opts & LWROPT_FIELDS)) {
        return "off";
    }
    return render_opts & LWROPT_EVENFIELDS ? "even first" : "odd first";
}

nlohmann::json corners(int const* pixels) {
    return {pixels[0], pixels[1], pixels[2], pixels[3]};
}

// Notes in the text form: one a line, indented.
void list_notes(std::ostringstream& out, nlohmann::json const& notes, char const* heading) {
    out << heading << ":" << (notes.empty() ? " none" : "") << "\n";
    for (nlohmann::json const& note : notes) {
        SceneNote const n{note["line"].get<int>(), note["item"].get<std::string>(),
                          note["what"].get<std::string>()};
        out << "  " << n.text() << "\n";
    }
}

} // namespace

nlohmann::json scene_account(SceneFile const& file) {
    HostScene const& scene = file.scene;
    HostItem const* camera = scene.find(scene.render_camera(0));
    double const start = scene.first_frame / scene.frames_per_second;
    bool const blurred = (scene.render_opts & LWROPT_MOTIONBLUR) != 0;
    nlohmann::json filters = nlohmann::json::array();
    for (SceneFilter const& filter : file.filters) {
        filters.push_back({{"position", filter.position},
                           {"server", filter.server},
                           {"enabled", filter.enabled}});
    }
    return {
        {"version", file.version},
        {"frames",
         {{"first", scene.first_frame},
          {"last", scene.last_frame},
          {"step", scene.frame_step},
          {"per_second", scene.frames_per_second}}},
        {"frame_size", {{"width", scene.frame_width}, {"height", scene.frame_height}}},
        {"pixel_aspect", scene.pixel_aspect},
        {"camera", {{"name", camera ? camera->name : ""}, {"type", file.camera_type}}},
        {"motion_blur",
         {{"on", blurred},
          {"length", camera && blurred ? camera->camera.blur_length(start) : 0.0},
          {"length_animated", camera && camera->camera.blur_length.keys().size() > 1}}},
        {"depth_of_field", (scene.render_opts & LWROPT_DEPTHOFFIELD) != 0},
        {"fields", fields_of(scene.render_opts)},
        {"region", scene.limited_region ? corners(scene.region) : nlohmann::json()},
        // No statement that turns the mask on is known; the rectangle is
        // shown as read.
        {"mask",
         {{"applied", false},
          {"pixels", camera ? corners(camera->camera.mask) : nlohmann::json()}}},
        {"filters", filters},
        {"not_evaluated", notes_json(file.notes.not_evaluated)},
        {"readings", notes_json(file.notes.readings)},
    };
}

std::string scene_account_text(nlohmann::json const& a) {
    std::ostringstream out;
    nlohmann::json const& frames = a["frames"];
    out << "version: " << a["version"].get<int>() << "\n"
        << "frames: " << frames["first"].get<int>() << " to " << frames["last"].get<int>()
        << " step " << frames["step"].get<int>() << " at " << frames["per_second"].get<double>()
        << " per second\n"
        << "frame size: " << a["frame_size"]["width"].get<int>() << " x "
        << a["frame_size"]["height"].get<int>() << " (after the multiplier), pixel aspect "
        << a["pixel_aspect"].get<double>() << "\n"
        << "camera: " << a["camera"]["name"].get<std::string>() << " ("
        << a["camera"]["type"].get<std::string>() << ")\n";
    nlohmann::json const& blur = a["motion_blur"];
    out << "motion blur: ";
    if (blur["on"].get<bool>()) {
        out << "on, length " << blur["length"].get<double>() << " of a frame"
            << (blur["length_animated"].get<bool>() ? " at the first frame (animated)" : "")
            << "\n";
    } else {
        out << "off\n";
    }
    out << "depth of field: " << (a["depth_of_field"].get<bool>() ? "on" : "off") << "\n"
        << "fields: " << a["fields"].get<std::string>() << "\n"
        << "limited region: ";
    if (a["region"].is_null()) {
        out << "none\n";
    } else {
        nlohmann::json const& r = a["region"];
        out << "x " << r[0].get<int>() << " to " << r[2].get<int>() << ", y " << r[1].get<int>()
            << " to " << r[3].get<int>() << " (pixels)\n";
    }
    out << "mask: not applied (no statement of the scene turns it on)\n"
        << "filters:" << (a["filters"].empty() ? " none" : "") << "\n";
    for (nlohmann::json const& f : a["filters"]) {
        out << "  " << f["position"].get<int>() << " " << f["server"].get<std::string>()
            << (f["enabled"].get<bool>() ? "" : " (disabled)") << "\n";
    }
    list_notes(out, a["not_evaluated"], "not evaluated by the renderer");
    list_notes(out, a["readings"], "read with a meaning of the renderer's own");
    return out.str();
}
