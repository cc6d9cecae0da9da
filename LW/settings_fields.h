#pragma once

#include "LW/panel_ids.h"
#include "LW/settings.h"
#include "lwsdk/lwio.h"

#include <cstddef>

// How a setting is held in the record and in a scene block.
enum class SettingKind {
    REAL, // a double, stored as one 32-bit float
    INT,  // one 32-bit int
    // An item ID, stored as its low 32 bits in one int. Only scenes carry
    // it: items are the scene's own.
    ITEM,
    // The star database path, one string; checked when loaded, and the
    // record's starfile_3d goes with it. Format version 1 kept it as raw
    // text between double quotes.
    STARFILE,
    // An op_stars_projection value, stored by its name. Format version 1
    // named it by a nested block.
    PROJECTION,
};

// The address of a setting's value in a record: a double for REAL, an int
// for INT and PROJECTION, an LWItemID for ITEM, a String for STARFILE.
using SettingAddress = void* (*)(orrelux& rec);

// The most motion blur segments the panel allows; a frame takes one camera
// sample more.
int const MAX_BLUR_SEGS = 100;

// The panel's range of a value, stepped by 1; a control that carries none
// has min == max.
struct SettingRange {
    double min;
    double max;
};

// The panel control that shows a setting. Fields that share a control (the
// tint's components) give its value in table order.
struct SettingControl {
    PanelID id;
    char const* label;
    char const* control_class; // the panel service's class name
    SettingRange range;
    int sensitivity;            // how fast dragging changes the value; 0 for no hint
    char const* const* choices; // a choice control's texts, null-ended; else null
};

// One saved setting. The table of them is the one list of the settings:
// saving, loading, defaults, copying and the panel all read it.
struct SettingField {
    LWID id;
    char const* token; // the block's keyword in the host's text form
    SettingKind kind;
    SettingAddress at;
    double initial; // the default of REAL, INT and PROJECTION fields
    SettingControl control;
};

// Every setting, in the order of the blocks that a save writes.
struct SettingFields {
    SettingField const* first;
    std::size_t count;

    SettingField const* begin() const { return first; }
    SettingField const* end() const { return first + count; }
};
SettingFields settings_fields();

// Null when no setting has that block ID.
SettingField const* find_setting(LWID id);
// The first field that the panel control shows; null for none.
SettingField const* find_setting_control(unsigned control);

// Blocks around the settings: the format version first, the end last.
LWID const ID_VERS = LWID_('V', 'E', 'R', 'S');
LWID const ID_ENDI = LWID_('E', 'N', 'D', 'I');

// VERS, every setting's block in table order, ENDI, then the zero entry:
// the list handed to every findBlk, whose entries beginBlk takes.
LWBlockIdent const* settings_blocks();
