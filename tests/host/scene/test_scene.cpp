#include "host/scene/scene.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

double const QUARTER = M_PI / 2;

struct Placement {
    ItemPose pose;
    Vec3 pivot;
    Vec3 pivot_rotation;
};

struct TransformCase {
    char const* rule;
    Placement parent;
    Placement child;
    Vec3 point; // in the child's coordinates
    Vec3 world;
};

// Heading a quarter turns +x to -z, pitch a quarter turns +y to +z, bank a
// quarter turns +x to +y.
TEST(ItemTransforms, PlaceAPointThroughPivotsRotationsScalesAndParents) {
    TransformCase const cases[] = {
        {"the pivot lands on the position; heading turns about it",
         {},
         {{{4, 0, 0}, {QUARTER, 0, 0}}, {1, 0, 0}, {}},
         {2, 0, 0},
         {4, 0, -1}},
        {"bank, then pitch, then heading",
         {},
         {{{}, {QUARTER, 0, QUARTER}}, {}, {}},
         {1, 0, 0},
         {0, 1, 0}},
        {"the pivot rotation turns after the item's own",
         {},
         {{{}, {0, QUARTER, 0}}, {}, {QUARTER, 0, 0}},
         {0, 1, 0},
         {1, 0, 0}},
        {"a child's position is from its parent's pivot",
         {{{5, 0, 0}, {}}, {1, 0, 0}, {}},
         {{{1, 0, 0}, {}}, {}, {}},
         {0, 0, 0},
         {5, 0, 0}},
        {"a parent's scale scales its child's offsets",
         {{{0, 1, 0}, {}, {2, 2, 2}}, {}, {}},
         {{{1, 0, 0}, {}}, {}, {}},
         {0, 0, 1},
         {2, 1, 2}},
    };
    for (TransformCase const& c : cases) {
        HostScene scene;
        LWItemID parent = scene.add(LWI_OBJECT, "Parent");
        LWItemID child = scene.add(LWI_CAMERA, "Child");
        scene.set_parent(child, parent);
        for (auto [id, p] : {std::pair{parent, c.parent}, std::pair{child, c.child}}) {
            HostItem& item = scene.item(id);
            item.motion = ItemMotion::still(p.pose);
            item.pivot = p.pivot;
            item.pivot_rotation = p.pivot_rotation;
        }
        Vec3 w = scene.world(child, 0).apply(c.point);
        EXPECT_NEAR(w.x, c.world.x, 1e-12) << c.rule;
        EXPECT_NEAR(w.y, c.world.y, 1e-12) << c.rule;
        EXPECT_NEAR(w.z, c.world.z, 1e-12) << c.rule;
    }
}

struct ZoomCase {
    double zoom;
    int width, height;
    double pixel_aspect;
    double horizontal, vertical; // degrees
};

TEST(CameraZoom, GivesTheFieldOfViewFromTheFrameHeightAndAspect) {
    ZoomCase const cases[] = {
        {3.2, 640, 480, 1, 45.2397, 34.7080}, // the host's default 24 mm lens
        {2, 480, 640, 1, 41.1121, 53.1301},   // portrait: still from the height
        {3.2, 640, 480, 2, 79.6111, 34.7080}, // wide pixels widen the view only
    };
    for (ZoomCase const& c : cases) {
        HostScene scene;
        LWItemID cam = scene.add(LWI_CAMERA, "Camera");
        scene.item(cam).camera.zoom = Envelope(c.zoom);
        scene.frame_width = c.width;
        scene.frame_height = c.height;
        scene.pixel_aspect = c.pixel_aspect;
        double h, v;
        scene.fov_angles(cam, 0, h, v);
        EXPECT_NEAR(h * 180 / M_PI, c.horizontal, 1e-4) << c.zoom << " " << c.width;
        EXPECT_NEAR(v * 180 / M_PI, c.vertical, 1e-4) << c.zoom << " " << c.width;
    }
}

} // namespace
