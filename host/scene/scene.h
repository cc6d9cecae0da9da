#pragma once

#include "host/scene/envelope.h"
#include "lwsdk/lwrender.h"

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

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
    // The point that `apply` takes to `p`; the origin when the axes are flat
    // (a scale of 0), which no point maps through.
    Vec3 unapply(Vec3 const& p) const;
    // The transform that applies `inner` first, then this one.
    ItemFrame then(ItemFrame const& inner) const;
};

// An item's channels relative to its parent. Without keys an item rests at
// its parent's origin, unrotated, unscaled.
struct ItemMotion {
    std::array<Envelope, 3> position; // metres
    std::array<Envelope, 3> rotation; // heading, pitch, bank in radians
    std::array<Envelope, 3> scale{Envelope(1), Envelope(1), Envelope(1)};

    // An item that stays at `pose`.
    static ItemMotion still(ItemPose const& pose);
    ItemPose at(LWTime t) const;
    // Channels as scene files number them: 0-2 position, 3-5 rotation, 6-8
    // scale.
    Envelope& channel(int index);
};

// The stand-in host's defaults are those of a new camera in the host: a
// 24 mm lens on a 15 mm high aperture.
struct CameraSettings {
    Envelope zoom = Envelope(3.2);
    // Metres; the focal length is zoom × aperture_height / 2.
    double aperture_height = 0.015;
    Envelope focal_distance = Envelope(1.0); // metres
    Envelope f_stop = Envelope(4.0);
    Envelope blur_length = Envelope(0.5); // fraction of a frame
    unsigned flags = 0;                   // LWCAMF_ bits
    int mask[4] = {0, 0, 0, 0};           // x0, y0, x1, y1, inclusive pixels
};

struct HostItem {
    LWItemID id;
    LWItemType type;
    std::string name;
    LWItemID parent = nullptr; // set through HostScene::set_parent
    Vec3 pivot;                // item coordinates
    Vec3 pivot_rotation;       // heading, pitch, bank in radians
    ItemMotion motion;
    CameraSettings camera; // cameras only
    // An item that turns toward `target`: its heading and/or pitch then point
    // at the target's world position at every time, whatever its own keys
    // for them say. Set through HostScene::set_target.
    LWItemID target = nullptr;
    bool aims_heading = false;
    bool aims_pitch = false;
};

// The scene the stand-in host renders: items in the order they were added
// and the render settings.
class HostScene {
public:
    // IDs follow the host's scene files: the type in the top hex digit (1
    // object, 2 light, 3 camera), the ordinal within the type below it.
    LWItemID add(LWItemType type, char const* name);
    // An item with the ID a scene file gave it; its top hex digit must match
    // the type, and no other item may have it.
    LWItemID add(LWItemType type, char const* name, std::uint32_t id);
    HostItem* find(LWItemID id);
    HostItem const* find(LWItemID id) const;
    HostItem& item(LWItemID id);
    std::deque<HostItem> const& items() const { return items_; }
    void set_parent(LWItemID child, LWItemID parent);
    // False, changing nothing, when where `item` points would depend on its
    // own rotation (the target sits under the item, or under an item that
    // points at it); checked against the parents set so far.
    bool set_target(LWItemID item, LWItemID target, bool heading, bool pitch);
    // Deletes the item, as a user does; its children move to the top of the
    // hierarchy, and no later item takes its ID. References to items no
    // longer hold.
    void remove(LWItemID id);

    // World = parent's world × T(position) R(pivot rotation) R(rotation)
    // S(scale) T(-pivot), rotations applied bank, pitch, heading.
    ItemFrame world(LWItemID id, LWTime t) const;
    // `current_camera` when set, else the first camera; null when there is
    // none. Scene files name one render camera for every time.
    LWItemID render_camera(LWTime) const;
    // Full field-of-view angles in radians of a camera at t.
    void fov_angles(LWItemID camera, LWTime t, double& horizontal, double& vertical) const;

    // The frames to render.
    int first_frame = 1;
    int last_frame = 1;
    int frame_step = 1;
    int render_opts = 0; // LWROPT_ bits
    double frames_per_second = 30.0;
    int frame_width = 640;
    int frame_height = 480;
    double pixel_aspect = 1.0; // pixel width / height
    bool limited_region = false;
    int region[4] = {0, 0, 0, 0}; // x0, y0, x1, y1, inclusive pixels
    LWItemID current_camera = nullptr;

private:
    // The world frames of items already worked out at one time: aiming
    // items under aiming parents ask for the same frames again and again,
    // which without them costs exponential time in the depth of the rig.
    using KnownFrames = std::map<LWItemID, ItemFrame>;
    ItemFrame world(LWItemID id, LWTime t, KnownFrames& known) const;
    ItemFrame local(HostItem const& item, LWTime t, KnownFrames& known) const;
    // The rotation channels of `item` at t, with the aimed ones pointing at
    // its target.
    Vec3 rotation_at(HostItem const& item, Vec3 const& position, Vec3 rotation, LWTime t,
                     KnownFrames& known) const;
    // Whether working out `item`'s own frame takes `of`'s, through parents
    // and targets; `seen` holds the items already followed.
    bool needs_frame_of(HostItem const& item, LWItemID of, std::vector<LWItemID>& seen) const;

    // A deque keeps references to items valid while more are added.
    std::deque<HostItem> items_;
    unsigned counts_[3] = {0, 0, 0};
};
