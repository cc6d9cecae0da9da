#pragma once

#include "lwsdk/lwrender.h"

#include <deque>
#include <functional>
#include <string>

struct Vec3 {
    double x = 0;
    double y = 0;
    double z = 0;
};

// An item's channels relative to its parent: position in metres, rotation as
// heading, pitch and bank in radians, scale factors.
struct ItemPose {
    Vec3 position;
    Vec3 rotation;
    Vec3 scale{1, 1, 1};
};

// An item-to-world transform: the item's axes in world space as columns
// (scale included) and the world position of the item's origin.
struct ItemFrame {
    Vec3 right{1, 0, 0};
    Vec3 up{0, 1, 0};
    Vec3 forward{0, 0, 1};
    Vec3 origin;

    Vec3 apply(Vec3 const& p) const;
    // A direction: the axes without the origin.
    Vec3 turn(Vec3 const& v) const;
    // The transform that applies `inner` first, then this one.
    ItemFrame then(ItemFrame const& inner) const;
};

using Curve = std::function<double(LWTime)>;
Curve constant_curve(double value);

// The stand-in host's defaults are those of a new camera in the host: a
// 24 mm lens on a 15 mm high aperture.
struct CameraSettings {
    Curve zoom = constant_curve(3.2);
    // Metres; the focal length is zoom × aperture_height / 2.
    double aperture_height = 0.015;
    Curve focal_distance = constant_curve(1.0); // metres
    Curve f_stop = constant_curve(4.0);
    Curve blur_length = constant_curve(0.5); // fraction of a frame
    unsigned flags = 0;                      // LWCAMF_ bits
    int mask[4] = {0, 0, 0, 0};              // x0, y0, x1, y1, inclusive pixels
};

struct HostItem {
    LWItemID id;
    LWItemType type;
    std::string name;
    LWItemID parent = nullptr; // set through HostScene::set_parent
    Vec3 pivot;                // item coordinates
    Vec3 pivot_rotation;       // heading, pitch, bank in radians
    // Null: the item rests at its parent's origin, unrotated, unscaled.
    std::function<ItemPose(LWTime)> motion;
    CameraSettings camera; // cameras only
};

// The scene the stand-in host renders: items in the order they were added
// and the render settings.
class HostScene {
public:
    // IDs follow the host's scene files: the type in the top hex digit (1
    // object, 2 light, 3 camera), the ordinal within the type below it.
    LWItemID add(LWItemType type, char const* name);
    HostItem* find(LWItemID id);
    HostItem const* find(LWItemID id) const;
    HostItem& item(LWItemID id);
    std::deque<HostItem> const& items() const { return items_; }
    void set_parent(LWItemID child, LWItemID parent);

    // World = parent's world × T(position) R(pivot rotation) R(rotation)
    // S(scale) T(-pivot), rotations applied bank, pitch, heading.
    ItemFrame world(LWItemID id, LWTime t) const;
    // The camera that renders at t: `camera_at` when set, else the first
    // camera; null when there is none.
    LWItemID render_camera(LWTime t) const;
    // Full field-of-view angles in radians of a camera at t.
    void fov_angles(LWItemID camera, LWTime t, double& horizontal, double& vertical) const;

    int render_opts = 0; // LWROPT_ bits
    double frames_per_second = 30.0;
    int frame_width = 640;
    int frame_height = 480;
    double pixel_aspect = 1.0; // pixel width / height
    bool limited_region = false;
    int region[4] = {0, 0, 0, 0}; // x0, y0, x1, y1, inclusive pixels
    std::function<LWItemID(LWTime)> camera_at;

private:
    ItemFrame local(HostItem const& item, LWTime t) const;

    // A deque keeps references to items valid while more are added.
    std::deque<HostItem> items_;
    unsigned counts_[3] = {0, 0, 0};
};
