#pragma once

#include "host/scene/scene.h"
#include "lwsdk/lwrender.h"

// The item and camera records answer from the active host's scene.
LWItemInfo* host_item_info();
LWCameraInfo* host_camera_info();

// A snapshot of `scene`, whose renderCamera asks the active host.
void fill_scene_info(HostScene const& scene, LWSceneInfo& info);
