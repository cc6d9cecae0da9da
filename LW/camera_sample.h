#pragma once

#include "libimgops/stars.h"
#include "lwsdk/lwrender.h"
#include "lwsdk/lwtypes.h"

// The camera that renders at t: the render camera of `scene` (when given),
// else the first camera of the scene. Throws StrXception "no camera?" when
// there is none.
LWItemID get_camera_id(LWSceneInfo const* scene, LWTime t);

// One camera sample at t: the world-to-camera matrix of `cam` (row vectors),
// and with a `parent` the star sphere taken in the parent's own coordinates
// relative to its pivot, so that it moves and turns with the parent.
void sample_camera(camera& out, LWItemID cam, LWItemID parent, LWTime t);
