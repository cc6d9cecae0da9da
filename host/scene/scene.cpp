#include "host/scene/scene.h"

#include "base/xception.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

Vec3 operator*(Vec3 const& v, double k) {
    return {v.x * k, v.y * k, v.z * k};
}
Vec3 operator+(Vec3 const& a, Vec3 const& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec3 operator-(Vec3 const& a, Vec3 const& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec3 cross(Vec3 const& a, Vec3 const& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double dot(Vec3 const& a, Vec3 const& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// Columns of Ry(h) Rx(p) Rz(b): positive heading turns +Z toward +X, positive
// pitch turns the nose down.
ItemFrame rotation(Vec3 const& hpb) {
    double ch = std::cos(hpb.x), sh = std::sin(hpb.x);
    double cp = std::cos(hpb.y), sp = std::sin(hpb.y);
    double cb = std::cos(hpb.z), sb = std::sin(hpb.z);
    ItemFrame r;
    r.right = {ch * cb + sh * sp * sb, cp * sb, -sh * cb + ch * sp * sb};
    r.up = {-ch * sb + sh * sp * cb, cp * cb, sh * sb + ch * sp * cb};
    r.forward = {sh * cp, -sp, ch * cp};
    return r;
}

ItemFrame translation(Vec3 const& t) {
    ItemFrame f;
    f.origin = t;
    return f;
}

ItemFrame scaling(Vec3 const& s) {
    ItemFrame f;
    f.right = {s.x, 0, 0};
    f.up = {0, s.y, 0};
    f.forward = {0, 0, s.z};
    return f;
}

unsigned type_index(LWItemType type) {
    XASSERT(type == LWI_OBJECT || type == LWI_LIGHT || type == LWI_CAMERA, "host/scene/scene",
            "unsigned type_index(LWItemType)", 45);
    return static_cast<unsigned>(type);
}

} // namespace

Vec3 ItemFrame::apply(Vec3 const& p) const {
    return turn(p) + origin;
}

Vec3 ItemFrame::turn(Vec3 const& v) const {
    return right * v.x + up * v.y + forward * v.z;
}

// Cramer's rule on the axes as columns.
Vec3 ItemFrame::unapply(Vec3 const& p) const {
    double const volume = dot(right, cross(up, forward));
    if (volume == 0) {
        return Vec3();
    }
    Vec3 const q = p - origin;
    return Vec3{dot(q, cross(up, forward)), dot(right, cross(q, forward)),
                dot(right, cross(up, q))} *
           (1 / volume);
}

ItemFrame ItemFrame::then(ItemFrame const& inner) const {
    ItemFrame f;
    f.right = turn(inner.right);
    f.up = turn(inner.up);
    f.forward = turn(inner.forward);
    f.origin = apply(inner.origin);
    return f;
}

ItemMotion ItemMotion::still(ItemPose const& pose) {
    auto constant = [](Vec3 const& v) {
        return std::array<Envelope, 3>{Envelope(v.x), Envelope(v.y), Envelope(v.z)};
    };
    ItemMotion motion;
    motion.position = constant(pose.position);
    motion.rotation = constant(pose.rotation);
    motion.scale = constant(pose.scale);
    return motion;
}

ItemPose ItemMotion::at(LWTime t) const {
    auto vector = [t](std::array<Envelope, 3> const& e) { return Vec3{e[0](t), e[1](t), e[2](t)}; };
    return ItemPose{vector(position), vector(rotation), vector(scale)};
}

Envelope& ItemMotion::channel(int index) {
    XASSERT(index >= 0 && index < 9, "host/scene/scene", __PRETTY_FUNCTION__, __LINE__);
    std::array<Envelope, 3>& group = index < 3 ? position : index < 6 ? rotation : scale;
    return group[std::size_t(index % 3)];
}

LWItemID HostScene::add(LWItemType type, char const* name) {
    unsigned index = type_index(type);
    return add(type, name, uint32_t(index + 1) << 28 | counts_[index]++);
}

LWItemID HostScene::add(LWItemType type, char const* name, uint32_t id) {
    unsigned index = type_index(type);
    XASSERT(id >> 28 == index + 1, "host/scene/scene", __PRETTY_FUNCTION__, __LINE__);
    HostItem item;
    item.id = reinterpret_cast<LWItemID>(uintptr_t(id));
    XASSERT(find(item.id) == nullptr, "host/scene/scene", __PRETTY_FUNCTION__, __LINE__);
    item.type = type;
    item.name = name;
    items_.push_back(item);
    return item.id;
}

HostItem* HostScene::find(LWItemID id) {
    for (HostItem& item : items_) {
        if (item.id == id) {
            return &item;
        }
    }
    return nullptr;
}

HostItem const* HostScene::find(LWItemID id) const {
    return const_cast<HostScene*>(this)->find(id);
}

HostItem& HostScene::item(LWItemID id) {
    HostItem* item = find(id);
    if (!item) {
        throw StrXception("host/scene/scene", "HostItem& HostScene::item(LWItemID)", __LINE__,
                          "no item with ID %08lX", static_cast<unsigned long>(uintptr_t(id)));
    }
    return *item;
}

void HostScene::remove(LWItemID id) {
    item(id);
    for (HostItem& child : items_) {
        if (child.parent == id) {
            child.parent = nullptr;
        }
        if (child.target == id) {
            child.target = nullptr;
        }
    }
    for (auto it = items_.begin(); it != items_.end(); ++it) {
        if (it->id == id) {
            items_.erase(it);
            break;
        }
    }
    if (current_camera == id) {
        current_camera = nullptr;
    }
}

void HostScene::set_parent(LWItemID child, LWItemID parent) {
    HostItem& item = this->item(child);
    for (LWItemID up = parent; up; up = this->item(up).parent) {
        if (up == child) {
            throw StrXception("host/scene/scene", "void HostScene::set_parent(LWItemID, LWItemID)",
                              __LINE__, "parenting %s to %s would make a cycle", item.name.c_str(),
                              this->item(parent).name.c_str());
        }
    }
    item.parent = parent;
}

bool HostScene::set_target(LWItemID id, LWItemID target, bool heading, bool pitch) {
    HostItem& item = this->item(id);
    this->item(target);
    HostItem const before = item;
    item.target = target;
    item.aims_heading = heading;
    item.aims_pitch = pitch;
    std::vector<LWItemID> seen;
    if (needs_frame_of(item, id, seen)) {
        item = before;
        return false;
    }
    return true;
}

bool HostScene::needs_frame_of(HostItem const& item, LWItemID of,
                               std::vector<LWItemID>& seen) const {
    HostItem const* target = item.aims_heading || item.aims_pitch ? find(item.target) : nullptr;
    if (!target) {
        return false;
    }
    // The item's parents give its parent space; the target's parents give
    // the target's world position, which its own rotation does not move.
    for (LWItemID start : {item.parent, target->parent}) {
        for (HostItem const* up = find(start); up; up = find(up->parent)) {
            if (up->id == of) {
                return true;
            }
            if (std::find(seen.begin(), seen.end(), up->id) == seen.end()) {
                seen.push_back(up->id);
                if (needs_frame_of(*up, of, seen)) {
                    return true;
                }
            }
        }
    }
    return false;
}

Vec3 HostScene::rotation_at(HostItem const& item, Vec3 const& position, Vec3 rotation, LWTime t,
                            KnownFrames& known) const {
    HostItem const* target = item.aims_heading || item.aims_pitch ? find(item.target) : nullptr;
    if (!target) {
        return rotation;
    }
    Vec3 const aim = world(target->parent, t, known).apply(target->motion.at(t).position);
    Vec3 const d = world(item.parent, t, known).unapply(aim) - position;
    if (item.aims_heading) {
        rotation.x = std::atan2(d.x, d.z);
    }
    if (item.aims_pitch) {
        rotation.y = std::atan2(-d.y, std::hypot(d.x, d.z));
    }
    return rotation;
}

ItemFrame HostScene::local(HostItem const& item, LWTime t, KnownFrames& known) const {
    ItemPose pose = item.motion.at(t);
    Vec3 minus_pivot = item.pivot * -1;
    return translation(pose.position)
        .then(rotation(item.pivot_rotation))
        .then(rotation(rotation_at(item, pose.position, pose.rotation, t, known)))
        .then(scaling(pose.scale))
        .then(translation(minus_pivot));
}

ItemFrame HostScene::world(LWItemID id, LWTime t) const {
    KnownFrames known;
    return world(id, t, known);
}

ItemFrame HostScene::world(LWItemID id, LWTime t, KnownFrames& known) const {
    HostItem const* item = find(id);
    if (!item) {
        return ItemFrame();
    }
    auto const found = known.find(id);
    if (found != known.end()) {
        return found->second;
    }
    ItemFrame frame = local(*item, t, known);
    for (HostItem const* up = find(item->parent); up; up = find(up->parent)) {
        frame = local(*up, t, known).then(frame);
    }
    known.emplace(id, frame);
    return frame;
}

LWItemID HostScene::render_camera(LWTime) const {
    if (current_camera) {
        return current_camera;
    }
    for (HostItem const& item : items_) {
        if (item.type == LWI_CAMERA) {
            return item.id;
        }
    }
    return nullptr;
}

void HostScene::fov_angles(LWItemID camera, LWTime t, double& horizontal, double& vertical) const {
    HostItem const* item = find(camera);
    if (!item || item->type != LWI_CAMERA) {
        horizontal = vertical = 0;
        return;
    }
    double zoom = item->camera.zoom(t);
    double aspect = pixel_aspect * frame_width / frame_height;
    vertical = 2 * std::atan(1 / zoom);
    horizontal = 2 * std::atan(aspect / zoom);
}
