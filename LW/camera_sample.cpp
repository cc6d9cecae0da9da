#include "LW/camera_sample.h"

#include "LW/module_state.h"
#include "base/xception.h"
#include "lwsdk/lwrender.h"

#include <cmath>

namespace {

double dot(LWDVector const a, LWDVector const b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

// A zero vector stays as it is.
void normalise(LWDVector v) {
    double length = sqrt(dot(v, v));
    if (length == 0) {
        return;
    }
    for (int i = 0; i < 3; i++) {
        v[i] /= length;
    }
}

DblMatrix4 translation(LWDVector const offset) {
    DblMatrix4 m = DblMatrix4::the_identity();
    for (int i = 0; i < 3; i++) {
        m(3, i) = -offset[i];
    }
    return m;
}

} // namespace

LWItemID get_camera_id(LWSceneInfo const* scene, LWTime t) {
    LWItemID cam = scene ? scene->renderCamera(t) : nullptr;
    if (!cam) {
        cam = orrelux_ini.item_info->first(LWI_CAMERA, nullptr);
    }
    if (!cam) {
        throw StrXception("LW/orrelux", "LWItemID get_camera_id(double)", 300, "no camera?");
    }
    return cam;
}

void sample_camera(camera& out, LWItemID cam, LWItemID parent, LWTime t) {
    LWItemInfo* items = orrelux_ini.item_info;
    LWDVector right, up, forward, position;
    items->param(cam, LWIP_RIGHT, t, right);
    items->param(cam, LWIP_FORWARD, t, forward);
    items->param(cam, LWIP_W_POSITION, t, position);

    // The host's axes carry the item's scale; only their directions count,
    // and up is rebuilt so that the three are orthonormal.
    normalise(forward);
    double along = dot(right, forward);
    for (int i = 0; i < 3; i++) {
        right[i] -= along * forward[i];
    }
    normalise(right);
    up[0] = forward[1] * right[2] - forward[2] * right[1];
    up[1] = forward[2] * right[0] - forward[0] * right[2];
    up[2] = forward[0] * right[1] - forward[1] * right[0];

    // Columns right, up, forward: a row vector times it gives its camera
    // coordinates.
    DblMatrix4 axes = DblMatrix4::the_identity();
    for (int i = 0; i < 3; i++) {
        axes(i, 0) = right[i];
        axes(i, 1) = up[i];
        axes(i, 2) = forward[i];
    }
    out.xform = translation(position) * axes;
    out.zoom = orrelux_ini.camera_info->zoomFactor(cam, t);
    out.near = 1.0;
    out.far = -1.0;

    if (parent) {
        DblMatrix4 frame = DblMatrix4::the_identity();
        int const rows[4] = {LWIP_RIGHT, LWIP_UP, LWIP_FORWARD, LWIP_W_POSITION};
        for (int r = 0; r < 4; r++) {
            LWDVector row;
            items->param(parent, rows[r], t, row);
            for (int i = 0; i < 3; i++) {
                frame(r, i) = row[i];
            }
        }
        LWDVector pivot;
        items->param(parent, LWIP_PIVOT, t, pivot);
        out.xform = translation(pivot) * frame * out.xform;
    }
}
