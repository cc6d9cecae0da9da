#include "LW/panel_values.h"

#include "LW/module_state.h"
#include "LW/settings.h"
#include "LW/settings_fields.h"
#include "LW/starfile.h"

#include <cstring>

namespace {

char const* const NO_FILE = "NO FILE!";

orrelux& record(void* inst) {
    return *static_cast<orrelux*>(inst);
}

// The text field holds at most this many characters.
std::size_t const SHOWN_PATH = sizeof(orrelux::ui_starfile) - 1;

char* shown_starfile(orrelux& rec) {
    char const* path = rec.starfile.len() > 0 ? static_cast<char const*>(rec.starfile) : NO_FILE;
    strncpy(rec.ui_starfile, path, SHOWN_PATH);
    rec.ui_starfile[SHOWN_PATH] = '\0';
    return rec.ui_starfile;
}

void show_error(char const* line1) {
    orrelux_ini.message_funcs->error(line1, nullptr);
}

// The fields that share the control take the value's doubles in table order.
void set_reals(orrelux& rec, unsigned vid, double const* value) {
    for (SettingField const& field : settings_fields()) {
        if (field.control.id == vid) {
            *static_cast<double*>(field.at(rec)) = *value++;
        }
    }
}

LWXPRefreshCode set_starfile(orrelux& rec, char const* path) {
    if (!path) {
        return LWXPRC_DRAW;
    }
    bool is_3d = false;
    if (!check_starfile(path, &is_3d)) {
        String text = String::fmt("%s is not a valid star database file.", path);
        show_error(text);
        return LWXPRC_DRAW;
    }
    rec.starfile = path;
    rec.starfile_3d = is_3d;
    if (!is_3d && rec.three_d) {
        rec.three_d = 0;
        return LWXPRC_FULL;
    }
    return LWXPRC_DRAW;
}

// Turning the option off is always allowed: a record loaded with it on over
// a database without distances must not be stuck with it.
LWXPRefreshCode set_three_d(orrelux& rec, int on) {
    if (rec.starfile_3d || !on) {
        rec.three_d = on;
        return LWXPRC_DRAW;
    }
    String text =
        String::fmt("Star database %s does not support 3D star option (try hipparcos3D.stars).",
                    static_cast<char const*>(rec.starfile));
    show_error(text);
    return LWXPRC_DRAW;
}

} // namespace

void* panel_get(void* inst, unsigned int vid) {
    orrelux& rec = record(inst);
    SettingField const* field = find_setting_control(vid);
    if (!field) {
        return nullptr;
    }
    switch (field->kind) {
    case SettingKind::REAL:
    case SettingKind::INT:
        return field->at(rec);
    case SettingKind::PROJECTION:
        rec.ui_projection = rec.projection;
        return &rec.ui_projection;
    case SettingKind::STARFILE:
        return shown_starfile(rec);
    case SettingKind::ITEM:
        break;
    }
    return nullptr;
}

LWXPRefreshCode panel_set(void* inst, unsigned int vid, void* value) {
    orrelux& rec = record(inst);
    SettingField const* field = find_setting_control(vid);
    if (!field) {
        return LWXPRC_NONE;
    }
    if (!value && field->kind != SettingKind::STARFILE) {
        return LWXPRC_NONE;
    }
    switch (field->kind) {
    case SettingKind::REAL:
        set_reals(rec, vid, static_cast<double const*>(value));
        return LWXPRC_DRAW;
    case SettingKind::INT:
    case SettingKind::PROJECTION:
        if (vid == PANEL_THREE_D) {
            return set_three_d(rec, *static_cast<int const*>(value));
        }
        *static_cast<int*>(field->at(rec)) = *static_cast<int const*>(value);
        return LWXPRC_DRAW;
    case SettingKind::STARFILE:
        return set_starfile(rec, static_cast<char const*>(value));
    case SettingKind::ITEM:
        break;
    }
    return LWXPRC_NONE;
}
