#pragma once

#include "host/scene/envelope.h"
#include "host/scene/scene_lines.h"

// The envelope block whose `{ Envelope` line is current; afterwards its
// closing line is. Nested blocks and unknown lines inside are skipped.
Envelope read_envelope(SceneLines& lines);

// A scalar that the current statement gives either as a number or as
// "(envelope)" followed by an envelope block.
Envelope read_scalar(SceneLines& lines);
