#include "host/scene_globals.h"

#include "host/host.h"

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

LWItemInfo item_info = {first, next, name, param};

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

void mask(LWItemID id, int* x0, int* y0, int* x1, int* y1) {
    HostItem const* cam = camera_item(id);
    int const none[4] = {0, 0, 0, 0};
    int const* m = cam ? cam->camera.mask : none;
    *x0 = m[0];
    *y0 = m[1];
    *x1 = m[2];
    *y1 = m[3];
}

LWCameraInfo camera_info = {zoom_factor, focal_length, focal_distance, f_stop,
                            blur_length, fov_angles,   flags,          mask};

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

void fill_scene_info(HostScene const& scene, LWSceneInfo& info) {
    info.renderOpts = scene.render_opts;
    info.framesPerSecond = scene.frames_per_second;
    info.frameWidth = scene.frame_width;
    info.frameHeight = scene.frame_height;
    int const whole[4] = {0, 0, scene.frame_width - 1, scene.frame_height - 1};
    int const* region = scene.limited_region ? scene.region : whole;
    for (int i = 0; i < 4; i++) {
        info.limitedRegion[i] = region[i];
    }
    info.renderCamera = render_camera;
}
