#include "LW/host_globals.h"

LWSceneInfo* scene_info = nullptr;
LWCameraInfo* camera_info = nullptr;
bool host_v9_or_later = false;
