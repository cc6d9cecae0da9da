#include "LW/xpgui.h"

#include "LW/hint_list.h"
#include "LW/logo.h"
#include "LW/module_state.h"
#include "LW/orrelux_ini.h"
#include "LW/panel_buttons.h"
#include "LW/panel_values.h"
#include "LW/preview.h"
#include "LW/settings.h"
#include "LW/settings_fields.h"
#include "base/xception.h"

#include <iterator>
#include <vector>

namespace {

char const* const UNIT = "LW/xpgui";

char const* const THUMBNAIL = "dThumbnail";
char const* const BUTTON = "vButton";

// A control of the main panel, in layout order. A control that shows a
// setting takes its label and class from the settings table.
struct LayoutRow {
    PanelID id;
    char const* label;
    char const* control_class;
};

LayoutRow const LAYOUT[] = {
    {PANEL_LOGO, "Logo", THUMBNAIL},         {PANEL_PREVIEW, "Preview", THUMBNAIL},
    {PANEL_BRIGHTNESS, nullptr, nullptr},    {PANEL_BRIGHTNESS_BIAS, nullptr, nullptr},
    {PANEL_SATURATION, nullptr, nullptr},    {PANEL_TINT_STRENGTH, nullptr, nullptr},
    {PANEL_TINT, nullptr, nullptr},          {PANEL_LUM_MAX, nullptr, nullptr},
    {PANEL_LUM_THRESHOLD, nullptr, nullptr}, {PANEL_STAR_SIZE, nullptr, nullptr},
    {PANEL_STAR_ASPECT, nullptr, nullptr},   {PANEL_BLUR_SEGS, nullptr, nullptr},
    {PANEL_PARENT, nullptr, nullptr},        {PANEL_PROJECTION, nullptr, nullptr},
    {PANEL_THREE_D, nullptr, nullptr},       {PANEL_PARALLAX, nullptr, nullptr},
    {PANEL_SRGB, nullptr, nullptr},          {PANEL_ANAMORPHIC_DOF, nullptr, nullptr},
    {PANEL_STARFILE, nullptr, nullptr},      {PANEL_LOAD, "Load Settings", BUTTON},
    {PANEL_SAVE, "Save Settings", BUTTON},
};

// The values the host is told of, in this order; a null name is the
// control's label. Brightness bias and the tint are edited all the same.
struct ValueRow {
    PanelID id;
    char const* name;
};

ValueRow const VALUES[] = {
    {PANEL_BRIGHTNESS, nullptr},     {PANEL_SATURATION, nullptr},
    {PANEL_LUM_MAX, nullptr},        {PANEL_LUM_THRESHOLD, nullptr},
    {PANEL_STAR_SIZE, nullptr},      {PANEL_STAR_ASPECT, nullptr},
    {PANEL_BLUR_SEGS, nullptr},      {PANEL_THREE_D, nullptr},
    {PANEL_PARALLAX, nullptr},       {PANEL_PROJECTION, "Hemispherical Projection"},
    {PANEL_ANAMORPHIC_DOF, nullptr}, {PANEL_SRGB, nullptr},
    {PANEL_STARFILE, nullptr},
};

SettingControl const& shown_setting(PanelID id) {
    SettingField const* field = find_setting_control(id);
    XASSERT(field != nullptr, UNIT, __PRETTY_FUNCTION__, __LINE__);
    return field->control;
}

std::vector<LWXPanelControl> build_controls() {
    std::vector<LWXPanelControl> controls;
    for (LayoutRow const& row : LAYOUT) {
        if (row.label) {
            controls.push_back({row.id, row.label, row.control_class});
        } else {
            SettingControl const& shown = shown_setting(row.id);
            controls.push_back({row.id, shown.label, shown.control_class});
        }
    }
    controls.push_back({0, nullptr, nullptr});
    return controls;
}

char const* value_type(SettingKind kind) {
    switch (kind) {
    case SettingKind::REAL:
        return "float";
    case SettingKind::STARFILE:
        return "string";
    case SettingKind::INT:
    case SettingKind::PROJECTION:
    case SettingKind::ITEM:
        break;
    }
    return "integer";
}

std::vector<LWXPanelDataDesc> build_values() {
    std::vector<LWXPanelDataDesc> values;
    for (ValueRow const& row : VALUES) {
        SettingField const* field = find_setting_control(row.id);
        XASSERT(field != nullptr, UNIT, __PRETTY_FUNCTION__, __LINE__);
        char const* name = row.name ? row.name : field->control.label;
        values.push_back({row.id, name, value_type(field->kind)});
    }
    values.push_back({0, nullptr, nullptr});
    return values;
}

// Stores the chosen database as the default for new instances.
void panel_closed(void* data) {
    orrelux* rec = static_cast<orrelux*>(data);
    try {
        orrelux_ini.default_starfile = rec->starfile;
        save_orrelux_ini();
    } catch (Xception const& e) {
        e.print();
    }
    rec->panel_open = false;
}

// Range and drag sensitivity of each setting's control, in layout order.
void add_setting_hints(HintList& hints) {
    for (LayoutRow const& row : LAYOUT) {
        SettingField const* field = find_setting_control(row.id);
        if (!field) {
            continue;
        }
        SettingRange range = field->control.range;
        if (range.min != range.max) {
            hints.add(XPTAG_RANGE, {row.id, int(range.min), int(range.max), 1});
        }
        if (field->control.sensitivity != 0) {
            hints.add(XPTAG_SENS, {row.id, field->control.sensitivity});
        }
    }
}

HintList build_hints() {
    HintList hints;
    hints.add(XPTAG_LABEL, {0, "Orrelux", 0})
        .add(XPTAG_DESTROYNOTIFY, {panel_closed, 0})
        .add(XPTAG_CTRLCFG, {PANEL_LOGO, 0, THUM_FULL})
        .add(XPTAG_CTRLCFG, {PANEL_PREVIEW, 0, THUM_FULL})
        .add(XPTAG_DIVADD, {PANEL_LOGO, 0})
        .add(XPTAG_DRAWCBFUNC, {PANEL_LOGO, draw_logo});
    add_setting_hints(hints);
    hints.add(XPTAG_DIVADD, {PANEL_BLUR_SEGS, 0})
        .add(XPTAG_BUTNOTIFY, {PANEL_PARENT, parent_button})
        .add(XPTAG_STRLIST, {PANEL_SRGB, shown_setting(PANEL_SRGB).choices, 0})
        .add(XPTAG_STRLIST, {PANEL_PROJECTION, shown_setting(PANEL_PROJECTION).choices, 0})
        .add(XPTAG_LEFT, {PANEL_PROJECTION, 0})
        .add(XPTAG_DIVADD, {PANEL_PARALLAX, 0})
        .add(XPTAG_DIVADD, {PANEL_ANAMORPHIC_DOF, 0})
        .add(XPTAG_BUTNOTIFY, {PANEL_LOAD, settings_file_button})
        .add(XPTAG_BUTNOTIFY, {PANEL_SAVE, settings_file_button})
        .add(XPTAG_LEFT, {PANEL_LOAD, 0})
        .add(XPTAG_XREQCFG, {PANEL_STARFILE, LWXPREQ_LOAD, "Choose Star Database File", 0, 0})
        .add(XPTAG_DRAWCBFUNC, {PANEL_PREVIEW, draw_preview})
        .add(XPTAG_DIVADD, {PANEL_STARFILE, 0})
        .add(XPTAG_FOCUS, {PANEL_BRIGHTNESS});
    return hints;
}

// The lists are built once and kept: the host may read them while the panel
// exists.
struct PanelLists {
    std::vector<LWXPanelControl> controls = build_controls();
    std::vector<LWXPanelDataDesc> values = build_values();
    HintList hints = build_hints();
};

PanelLists& panel_lists() {
    static PanelLists lists;
    return lists;
}

// A new panel's database is the preferences' default when it has none.
void prepare_record(orrelux& rec) {
    load_orrelux_ini();
    if (rec.starfile.len() == 0) {
        rec.starfile = orrelux_ini.default_starfile;
        rec.starfile_3d = orrelux_ini.default_starfile_3d;
    }
}

LWXPanelID build_panel(LWXPanelFuncs* xpanel, orrelux& rec) {
    PanelLists& lists = panel_lists();
    LWXPanelID panel = xpanel->create(LWXP_VIEW, lists.controls.data());
    if (!panel) {
        throw StrXception(UNIT, __PRETTY_FUNCTION__, __LINE__, "error creating XPanel");
    }
    xpanel->setData(panel, 0, &rec);
    xpanel->hint(panel, 0, lists.hints.data());
    xpanel->describe(panel, lists.values.data(), panel_get, panel_set);
    xpanel->viewInst(panel, &rec);
    return panel;
}

// Marks the record's panel open, and closed again unless it was built, so
// that the user may try again.
class OpeningPanel {
public:
    explicit OpeningPanel(orrelux& rec) : rec_(rec) { rec_.panel_open = true; }
    ~OpeningPanel() { rec_.panel_open = built_; }
    void built() { built_ = true; }

private:
    orrelux& rec_;
    bool built_ = false;
};

} // namespace

int orrelux_xpgui(long version, GlobalFunc* global, LWInterface* local, void*) {
    if (version != LWINTERFACE_VERSION) {
        return AFUNC_BADVERSION;
    }
    orrelux& rec = *static_cast<orrelux*>(local->inst);
    if (rec.panel_open) {
        return AFUNC_OK;
    }
    OpeningPanel opening(rec);
    prepare_record(rec);
    orrelux_ini.xpanel_funcs =
        static_cast<LWXPanelFuncs*>(global(LWXPANELFUNCS_GLOBAL, GFUSE_TRANSIENT));
    if (!orrelux_ini.xpanel_funcs) {
        return AFUNC_BADGLOBAL;
    }
    local->panel = build_panel(orrelux_ini.xpanel_funcs, rec);
    local->options = nullptr;
    local->command = nullptr;
    opening.built();
    return AFUNC_OK;
}
