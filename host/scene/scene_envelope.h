#pragma once

#include "host/scene/envelope.h"
#include "host/scene/scene_lines.h"
#include "host/scene/scene_notes.h"

#include <string>

// The envelope block whose `{ Envelope` line is current; afterwards its
// closing line is. Nested blocks and unknown lines inside are skipped; a
// channel handler among them, whose value the host would use instead of the
// keys', goes into `notes` as not evaluated, naming `channel`.
Envelope read_envelope(SceneLines& lines, SceneNotes& notes, std::string const& channel);

// A scalar that the current statement gives either as a number or as
// "(envelope)" followed by an envelope block.
Envelope read_scalar(SceneLines& lines, SceneNotes& notes);
