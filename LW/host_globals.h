#pragma once

#include "lwsdk/lwrender.h"

// Host records shared by every instance, obtained by the handler activation.
// The scene record is a snapshot, so the frame process fetches it again for
// every frame.
extern LWSceneInfo* scene_info;
extern LWCameraInfo* camera_info;
// Hosts from major version 9 on give the frame number rather than the
// exposure interval.
extern bool host_v9_or_later;
