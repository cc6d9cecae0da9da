#pragma once

#include "host/scene/envelope.h"
#include "host/scene/scene.h"
#include "host/scene/scene_lines.h"
#include "host/scene/scene_notes.h"

#include <array>
#include <optional>

// A camera's render settings as a scene file writes them, absent where it
// writes none. The scene's own set holds the Global* settings.
struct CameraKeys {
    std::optional<std::array<long, 2>> frame_size;
    std::optional<double> multiplier;
    std::optional<double> pixel_aspect;
    std::optional<long> fields;
    std::optional<long> motion_blur;
    std::optional<Envelope> blur_length;
    std::optional<std::array<long, 4>> mask; // left, top, width, height
    std::optional<long> limited_region;
    // x0, x1, y0, y1 as fractions of the frame, y from the top.
    std::optional<std::array<double, 4>> region;
    std::optional<Envelope> zoom;
    std::optional<double> aperture_height;
    std::optional<long> depth_of_field;
    std::optional<Envelope> focal_distance;
    std::optional<Envelope> f_stop;
    bool global_resolution = false;
    bool global_blur = false;
    bool global_mask = false;
};

// Reads the current statement when it is a camera setting: into `camera`,
// or into `scene` when it is a Global* one. Leaves other statements alone.
// Settings read in a way of their own, or not applied, go into `notes`.
void read_camera_key(SceneLines& lines, SceneNotes& notes, CameraKeys& camera, CameraKeys& scene);

// A camera's settings from its own keys and the scene's. The render camera
// also gives `scene` its frame, pixel aspect, fields, depth of field and
// limited region; null for the other cameras.
void settle_camera(CameraKeys const& own, CameraKeys const& global, CameraSettings& out,
                   HostScene* scene);
