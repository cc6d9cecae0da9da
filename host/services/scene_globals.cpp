#include "host/services/scene_globals.h"

#include "host/services/host.h"

namespace {

HostScene& scene() {
    return Host::active().scene;
}

HostItem const* camera_item(LWItemID id) {
    HostItem const* item = scene().find(id);
    return item && item->type == LWI_CAMERA ? item : nullptr;
}

LWItemID first(LWItemType type, LWItemID) {
    for (HostItem const& item : scene().items()) {
        if (item.type == type) {
            return item.id;
        }
    }
    return nullptr;
}

LWItemID next(LWItemID id) {
    HostItem const* current = scene().find(id);
    if (!current) {
        return nullptr;
    }
    bool passed = false;
    for (HostItem const& item : scene().items()) {
        if (passed && item.type == current->type) {
            return item.id;
        }
        passed = passed || &item == current;
    }
    return nullptr;
}

// Children in the scene's order, after `previous` when it is one of them.
LWItemID child_after(LWItemID parent, LWItemID previous) {
    bool passed = previous == nullptr;
    for (HostItem const& item : scene().items()) {
        if (passed && item.parent == parent) {
            return item.id;
        }
        passed = passed || item.id == previous;
    }
    return nullptr;
}

LWItemID first_child(LWItemID parent) {
    return parent ? child_after(parent, nullptr) : nullptr;
}

LWItemID next_child(LWItemID parent, LWItemID previous) {
    return parent && previous ? child_after(parent, previous) : nullptr;
}

LWItemID parent_of(LWItemID id) {
    HostItem const* item = scene().find(id);
    return item ? item->parent : nullptr;
}

LWItemID target_of(LWItemID id) {
    HostItem const* item = scene().find(id);
    return item ? item->target : nullptr;
}

// The stand-in scene has no inverse kinematics.
LWItemID no_goal(LWItemID) {
    return nullptr;
}

// -1 for no such item.
LWItemType type_of(LWItemID id) {
    HostItem const* item = scene().find(id);
    return item ? item->type : -1;
}

char const* name(LWItemID id) {
    HostItem const* item = scene().find(id);
    return item ? item->name.c_str() : nullptr;
}

void set(LWDVector out, Vec3 const& v) {
    out[0] = v.x;
    out[1] = v.y;
    out[2] = v.z;
}

void param(LWItemID id, int code, LWTime t, LWDVector value) {
    set(value, Vec3());
    HostItem const* item = scene().find(id);
    if (!item) {
        return;
    }
    ItemFrame world = scene().world(id, t);
    switch (code) {
    case LWIP_RIGHT:
        set(value, world.right);
        break;
    case LWIP_UP:
        set(value, world.up);
        break;
    case LWIP_FORWARD:
        set(value, world.forward);
        break;
    case LWIP_PIVOT:
        set(value, item->pivot);
        break;
    case LWIP_W_POSITION:
        set(value, world.apply(item->pivot));
        break;
    default:
        break;
    }
}

LWItemInfo item_info = {first,     next,    first_child, next_child, parent_of,
                        target_of, no_goal, type_of,     name,       param};

double zoom_factor(LWItemID id, LWTime t) {
    HostItem const* cam = camera_item(id);
    return cam ? cam->camera.zoom(t) : 0;
}

double focal_length(LWItemID id, LWTime t) {
    HostItem const* cam = camera_item(id);
    return cam ? cam->camera.zoom(t) * cam->camera.aperture_height / 2 * 1000 : 0;
}

double focal_distance(LWItemID id, LWTime t) {
    HostItem const* cam = camera_item(id);
    return cam ? cam->camera.focal_distance(t) : 0;
}

double f_stop(LWItemID id, LWTime t) {
    HostItem const* cam = camera_item(id);
    return cam ? cam->camera.f_stop(t) : 0;
}

double blur_length(LWItemID id, LWTime t) {
    HostItem const* cam = camera_item(id);
    return cam ? cam->camera.blur_length(t) : 0;
}

void fov_angles(LWItemID id, LWTime t, double* horizontal, double* vertical) {
    scene().fov_angles(id, t, *horizontal, *vertical);
}

unsigned flags(LWItemID id) {
    HostItem const* cam = camera_item(id);
    return cam ? cam->camera.flags : 0;
}

void resolution(LWItemID id, int* width, int* height) {
    bool known = camera_item(id) != nullptr;
    *width = known ? scene().frame_width : 0;
    *height = known ? scene().frame_height : 0;
}

double pixel_aspect(LWItemID id, LWTime) {
    return camera_item(id) ? scene().pixel_aspect : 0;
}

// The stand-in cameras are not stereo.
double separation(LWItemID, LWTime) {
    return 0;
}

void set_limits(int const* limits, int* x0, int* y0, int* x1, int* y1) {
    *x0 = limits[0];
    *y0 = limits[1];
    *x1 = limits[2];
    *y1 = limits[3];
}

int const NO_LIMITS[4] = {0, 0, 0, 0};

// The scene's limited region, or the whole frame.
int const* rendered_region(HostScene const& scene, int whole[4]) {
    whole[0] = whole[1] = 0;
    whole[2] = scene.frame_width - 1;
    whole[3] = scene.frame_height - 1;
    return scene.limited_region ? scene.region : whole;
}

void region_limits(LWItemID id, int* x0, int* y0, int* x1, int* y1) {
    int whole[4];
    set_limits(camera_item(id) ? rendered_region(scene(), whole) : NO_LIMITS, x0, y0, x1, y1);
}

void mask_limits(LWItemID id, int* x0, int* y0, int* x1, int* y1) {
    HostItem const* cam = camera_item(id);
    set_limits(cam ? cam->camera.mask : NO_LIMITS, x0, y0, x1, y1);
}

LWCameraInfo camera_info = {zoom_factor,  focal_length, focal_distance, f_stop,
                            blur_length,  fov_angles,   flags,          resolution,
                            pixel_aspect, separation,   region_limits,  mask_limits};

LWItemID render_camera(LWTime t) {
    return scene().render_camera(t);
}

} // namespace

LWItemInfo* host_item_info() {
    return &item_info;
}

LWCameraInfo* host_camera_info() {
    return &camera_info;
}

// Members that the stand-in scene does not model answer fixed values.
void fill_scene_info(HostScene const& scene, LWSceneInfo& info) {
    info = LWSceneInfo();
    info.name = "Untitled";
    info.filename = "";
    info.renderOpts = scene.render_opts | (scene.limited_region ? LWROPT_LIMITEDREGION : 0);
    info.frameStart = 1;
    info.frameEnd = 1;
    info.frameStep = 1;
    info.framesPerSecond = scene.frames_per_second;
    info.frameWidth = scene.frame_width;
    info.frameHeight = scene.frame_height;
    info.pixelAspect = scene.pixel_aspect;
    info.minSamplesPerPixel = 1;
    info.maxSamplesPerPixel = 1;
    int whole[4];
    int const* region = rendered_region(scene, whole);
    for (int i = 0; i < 4; i++) {
        info.limitedRegion[i] = region[i];
    }
    info.recursionDepth = 16;
    info.renderCamera = render_camera;
}
