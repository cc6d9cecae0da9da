#pragma once

#include "LW/starfile.h"
#include "LW/working_image.h"
#include "base/string.h"
#include "lwsdk/lwio.h"
#include "lwsdk/lwtypes.h"

#include <memory>

// One filter instance: the user's settings and the run-time companions that
// are never saved. Floating-point settings are doubles here and 32-bit floats
// in scenes and settings files. The settings are listed once, in the table
// of LW/settings_fields.h.
struct orrelux {
    String starfile;  // star database path
    bool starfile_3d; // starfile carries star distances
    double star_size; // spot radius, 1/2000 of the frame width
    double star_aspect;
    double lum_threshold;
    double lum_max;
    double brightness;
    double brightness_bias;
    double saturation;
    double tint_strength;
    double tint[3]; // red, green, blue
    double parallax;
    int blur_segs;
    LWItemID parent_id; // item the star sphere is parented to; null for none
    int srgb_framebuffer;
    int anamorphic_dof;
    int three_d;    // only while starfile_3d
    int projection; // an op_stars_projection value
    bool panel_open;
    std::unique_ptr<LWStarFile> star_cache; // kept open between frames
    // Kept for the next frame of the same size.
    std::unique_ptr<WorkingImage> working_image;
    int ui_projection;
    char ui_starfile[4096];
};

// The scene and settings file format this code writes.
int const ORRELUX_SETTINGS_VERSION = 2;

// Fills a fresh record; takes the star database from the preferences, which
// must be loaded.
void orrelux_defaults(orrelux* rec);
// Gives `to` the settings of `from`. A reader and a panel belong to exactly
// one record: `to` drops its reader and counts its panel as closed.
void orrelux_copy(orrelux* to, orrelux const* from);
// The parent item is saved only with scenes.
void orrelux_save(orrelux* rec, LWSaveState* save, bool save_parent);
// Fields whose blocks are absent keep their values.
void orrelux_load(orrelux* rec, LWLoadState* load);
// Settings files: the open failures throw; a failure inside is reported.
void orrelux_save_to_file(orrelux* rec, char const* path);
void orrelux_load_from_file(orrelux* rec, char const* path);
