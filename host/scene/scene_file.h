#pragma once

#include "host/scene/scene.h"
#include "host/scene/scene_lines.h"
#include "host/scene/scene_notes.h"

#include <string>
#include <vector>

// One entry of the scene's image-filter list.
struct SceneFilter {
    std::string server; // "Orrelux", "LW_Bloom", ...
    int position = 0;   // 1-based place in the list, which is the processing order
    bool enabled = true;
    // The lines between the block's Plugin and EndPlugin lines, byte for
    // byte: what the filter's save callback wrote, for its load callback to
    // read through a text load state.
    std::string text;
};

// A LightWave scene file of version 3 to 8 in the stand-in host's model:
// the scene that the globals answer from, the image filters, and what the
// file asks for beyond that model.
struct SceneFile {
    int version = 0;
    HostScene scene;
    std::vector<SceneFilter> filters; // in file order
    // The render camera's camera-type plug-in; files before version 6 write
    // none for the plain perspective camera.
    std::string camera_type = "Perspective";
    SceneNotes notes;
};

// Both throw SceneFileError naming the file and the line at fault. Unknown
// statements and blocks are skipped, and so are bones with everything that
// belongs to them.
//
// Where the host's files leave a point open, these readings hold:
// - An item parented to a bone (ID 4BBBOOOO) is parented to the bone's
//   object, 1000OOOO.
// - A channel the file leaves out keeps its rest value: 0, or 1 for scale.
// - `CurrentCamera n` is the n-th camera in file order, counted from 0, in
//   every version.
// - Camera settings written among a camera's statements are the camera's;
//   the Global* ones, and those written outside any camera, are the scene's.
//   A camera takes the scene's frame size, multiplier and pixel aspect when
//   `UseGlobalResolution 1`, its blur when `UseGlobalBlur 1` and its mask
//   when `UseGlobalMask 1`; otherwise its own, or the scene's when it has
//   none. The render camera's frame, pixel aspect, fields, depth of field
//   and limited region are the scene's.
// - The rendered size is the frame size times the multiplier, rounded to the
//   nearest pixel; the mask rectangle is scaled the same way.
// - `FieldRendering` 1 renders the even field first, 2 the odd one.
// - Any `LimitedRegion` but 0 limits the render to `RegionLimits`; a
//   fraction f of the width W is the pixel boundary round(f × W), and y
//   counts from the top.
// - No statement that turns the mask on is known: its rectangle is kept but
//   never set to mask the frame. `ZoomType` is ignored.
// - Without blur (`MotionBlur 0`, or a blur length of 0) the camera's blur
//   length is 0, so that every reading of the exposure gives an instant.
// - An item with `HController 1` and/or `PController 1` and a `TargetItem`
//   points that heading and/or pitch at the target's world position; its
//   own keys drive its other channels. A target that is a bone is its
//   object. Every other controller, a channel handler in an envelope, an
//   item motion plug-in and a camera type other than "Perspective" are
//   noted as not evaluated, with their lines.
// - `MotionBlur` takes any whole number from 0; all but 0 turn blur on.
SceneFile read_scene_file(std::string const& path);
// The same over text in memory; `path` names it in errors.
SceneFile read_scene_text(std::string text, std::string const& path);
