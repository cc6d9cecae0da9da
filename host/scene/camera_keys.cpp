#include "host/scene/camera_keys.h"

#include "host/scene/scene_envelope.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

long const MAX_FRAME_SIDE = 65536;

double positive(SceneLines const& lines) {
    double v = lines.number_value();
    if (!(v > 0)) {
        lines.fail(lines.written() + ": must be more than 0");
    }
    return v;
}

Envelope positive_scalar(SceneLines& lines, SceneNotes& notes) {
    return lines.rest() == "(envelope)" ? read_scalar(lines, notes) : Envelope(positive(lines));
}

long within(SceneLines const& lines, long low, long high) {
    long v = lines.integer();
    if (v < low || v > high) {
        lines.fail(lines.written() + ": takes " + std::to_string(low) + " to " +
                   std::to_string(high));
    }
    return v;
}

void frame_size(SceneLines& lines, SceneNotes&, CameraKeys& keys) {
    std::vector<long> v = lines.integers(2);
    if (v[0] < 1 || v[1] < 1 || v[0] > MAX_FRAME_SIDE || v[1] > MAX_FRAME_SIDE) {
        lines.fail(lines.written() + ": a frame is 1 to 65536 pixels wide and high");
    }
    keys.frame_size = {v[0], v[1]};
}

// Beyond it a frame may outgrow any side the host renders.
double const MAX_MULTIPLIER = 16;

void multiplier(SceneLines& lines, SceneNotes&, CameraKeys& keys) {
    keys.multiplier = positive(lines);
    if (*keys.multiplier > MAX_MULTIPLIER) {
        lines.fail(lines.written() + ": takes more than 0 to 16");
    }
}

void pixel_aspect(SceneLines& lines, SceneNotes&, CameraKeys& keys) {
    keys.pixel_aspect = positive(lines);
}

void fields(SceneLines& lines, SceneNotes&, CameraKeys& keys) {
    keys.fields = within(lines, 0, 2);
}

// Hosts document 0 to 3 (off, normal, dithered, photoreal) but save
// larger values too; any of them but 0 turns blur on.
long const DOCUMENTED_BLUR_MODES = 3;

void motion_blur(SceneLines& lines, SceneNotes& notes, CameraKeys& keys) {
    keys.motion_blur = lines.integer();
    if (*keys.motion_blur < 0) {
        lines.fail(lines.written() + ": takes 0 (off) or more (on)");
    }
    if (*keys.motion_blur > DOCUMENTED_BLUR_MODES) {
        notes.reading_at(lines.number(), lines.written() + " is read as motion blur on");
    }
}

// Current hosts blur backwards in time for a negative length; the frame
// process exposes forwards only, so such a frame is rendered without blur.
void blur_length(SceneLines& lines, SceneNotes& notes, CameraKeys& keys) {
    bool constant = lines.rest() != "(envelope)";
    keys.blur_length = read_scalar(lines, notes);
    if (constant && (*keys.blur_length)(0) < 0) {
        notes.not_evaluated_at(lines.number(), lines.written() +
                                                   ": a blur backwards in time is rendered "
                                                   "without blur");
        keys.blur_length = Envelope(0);
    }
}

// Where the shutter opens within the frame; only the frame's own time is
// rendered.
void shutter_open(SceneLines& lines, SceneNotes& notes, CameraKeys&) {
    if (lines.number_value() != 0) {
        notes.not_evaluated_at(lines.number(),
                               lines.written() + ": the exposure starts at the frame's time");
    }
}

void mask(SceneLines& lines, SceneNotes&, CameraKeys& keys) {
    std::vector<long> v = lines.integers(4);
    if (v[2] < 0 || v[3] < 0 || v[2] > MAX_FRAME_SIDE || v[3] > MAX_FRAME_SIDE) {
        lines.fail(lines.written() + ": the width and height are 0 to 65536 pixels");
    }
    keys.mask = {v[0], v[1], v[2], v[3]};
}

void limited_region(SceneLines& lines, SceneNotes&, CameraKeys& keys) {
    keys.limited_region = lines.integer();
}

void region(SceneLines& lines, SceneNotes&, CameraKeys& keys) {
    std::vector<double> v = lines.numbers(4);
    if (!(0 <= v[0] && v[0] < v[1] && v[1] <= 1 && 0 <= v[2] && v[2] < v[3] && v[3] <= 1)) {
        lines.fail(lines.written() +
                   ": takes x0 x1 y0 y1 with 0 <= x0 < x1 <= 1 and 0 <= y0 < y1 <= 1");
    }
    keys.region = {v[0], v[1], v[2], v[3]};
}

void zoom(SceneLines& lines, SceneNotes& notes, CameraKeys& keys) {
    keys.zoom = positive_scalar(lines, notes);
}

void aperture_height(SceneLines& lines, SceneNotes&, CameraKeys& keys) {
    keys.aperture_height = positive(lines);
}

void depth_of_field(SceneLines& lines, SceneNotes&, CameraKeys& keys) {
    keys.depth_of_field = lines.integer();
}

void focal_distance(SceneLines& lines, SceneNotes& notes, CameraKeys& keys) {
    keys.focal_distance = positive_scalar(lines, notes);
}

void f_stop(SceneLines& lines, SceneNotes& notes, CameraKeys& keys) {
    keys.f_stop = positive_scalar(lines, notes);
}

void use_global_resolution(SceneLines& lines, SceneNotes&, CameraKeys& keys) {
    keys.global_resolution = lines.integer() != 0;
}

void use_global_blur(SceneLines& lines, SceneNotes&, CameraKeys& keys) {
    keys.global_blur = lines.integer() != 0;
}

void use_global_mask(SceneLines& lines, SceneNotes&, CameraKeys& keys) {
    keys.global_mask = lines.integer() != 0;
}

struct CameraKey {
    char const* own;
    char const* global; // null when only cameras write it
    void (*read)(SceneLines&, SceneNotes&, CameraKeys&);
};

CameraKey const CAMERA_KEYS[] = {
    {"FrameSize", "GlobalFrameSize", frame_size},
    {"ResolutionMultiplier", "GlobalMultiplier", multiplier},
    {"PixelAspect", "GlobalPixelAspect", pixel_aspect},
    {"FieldRendering", "GlobalFieldRendering", fields},
    {"MotionBlur", "GlobalMotionBlur", motion_blur},
    {"BlurLength", nullptr, blur_length},
    {"MaskPosition", "GlobalMaskPosition", mask},
    {"LimitedRegion", nullptr, limited_region},
    {"RegionLimits", nullptr, region},
    {"ZoomFactor", nullptr, zoom},
    {"ApertureHeight", "GlobalFilmHeight", aperture_height},
    {"DepthOfField", nullptr, depth_of_field},
    {"FocalDistance", nullptr, focal_distance},
    {"LensFStop", nullptr, f_stop},
    {"UseGlobalResolution", nullptr, use_global_resolution},
    {"UseGlobalBlur", nullptr, use_global_blur},
    {"UseGlobalMask", nullptr, use_global_mask},
    {"ShutterOpen", nullptr, shutter_open},
};

// The scene's setting when the camera defers to it or has none of its own.
template <class T>
std::optional<T> chosen(std::optional<T> const& own, std::optional<T> const& scene,
                        bool use_scene) {
    return (use_scene && scene) || !own ? scene : own;
}

// The pixel boundary at fraction f of a side.
int boundary(double f, int side) {
    return std::clamp(static_cast<int>(std::lround(f * side)), 0, side);
}

void settle_scene(CameraKeys const& own, CameraKeys const& global, int width, int height,
                  HostScene& scene) {
    scene.frame_width = width;
    scene.frame_height = height;
    scene.pixel_aspect =
        chosen(own.pixel_aspect, global.pixel_aspect, own.global_resolution).value_or(1.0);
    long fields = chosen(own.fields, global.fields, false).value_or(0);
    scene.render_opts = fields ? LWROPT_FIELDS | (fields == 1 ? LWROPT_EVENFIELDS : 0u) : 0u;
    if (chosen(own.depth_of_field, global.depth_of_field, false).value_or(0)) {
        scene.render_opts |= LWROPT_DEPTHOFFIELD;
    }
    std::optional<std::array<double, 4>> region = chosen(own.region, global.region, false);
    scene.limited_region =
        region && chosen(own.limited_region, global.limited_region, false).value_or(0) != 0;
    if (scene.limited_region) {
        std::array<double, 4> const& r = *region;
        int x0 = std::min(boundary(r[0], width), width - 1);
        int y0 = std::min(boundary(r[2], height), height - 1);
        int const pixels[4] = {x0, y0, std::max(x0, boundary(r[1], width) - 1),
                               std::max(y0, boundary(r[3], height) - 1)};
        std::copy(pixels, pixels + 4, scene.region);
    }
}

} // namespace

void read_camera_key(SceneLines& lines, SceneNotes& notes, CameraKeys& camera, CameraKeys& scene) {
    for (CameraKey const& key : CAMERA_KEYS) {
        if (lines.keyword() == key.own) {
            key.read(lines, notes, camera);
            return;
        }
        if (key.global && lines.keyword() == key.global) {
            key.read(lines, notes, scene);
            return;
        }
    }
}

void settle_camera(CameraKeys const& own, CameraKeys const& global, CameraSettings& out,
                   HostScene* scene) {
    CameraSettings const defaults;
    out.zoom = chosen(own.zoom, global.zoom, false).value_or(defaults.zoom);
    out.aperture_height = chosen(own.aperture_height, global.aperture_height, false)
                              .value_or(defaults.aperture_height);
    out.focal_distance =
        chosen(own.focal_distance, global.focal_distance, false).value_or(defaults.focal_distance);
    out.f_stop = chosen(own.f_stop, global.f_stop, false).value_or(defaults.f_stop);

    long blur = chosen(own.motion_blur, global.motion_blur, own.global_blur).value_or(0);
    Envelope length =
        chosen(own.blur_length, global.blur_length, own.global_blur).value_or(defaults.blur_length);
    bool still = length.keys().size() <= 1 && length(0) == 0;
    bool const blurred = blur && !still;
    out.blur_length = blurred ? length : Envelope(0);

    std::array<long, 2> size = chosen(own.frame_size, global.frame_size, own.global_resolution)
                                   .value_or(std::array<long, 2>{640, 480});
    double m = chosen(own.multiplier, global.multiplier, own.global_resolution).value_or(1.0);
    auto scaled = [m](long pixels) { return static_cast<int>(std::lround(double(pixels) * m)); };
    if (std::optional<std::array<long, 4>> mask = chosen(own.mask, global.mask, own.global_mask)) {
        std::array<long, 4> const& r = *mask;
        int const pixels[4] = {scaled(r[0]), scaled(r[1]), scaled(r[0] + r[2]) - 1,
                               scaled(r[1] + r[3]) - 1};
        std::copy(pixels, pixels + 4, out.mask);
    }
    if (scene) {
        settle_scene(own, global, std::max(1, scaled(size[0])), std::max(1, scaled(size[1])),
                     *scene);
        scene->render_opts |= blurred ? LWROPT_MOTIONBLUR : 0;
    }
}
