#include "host/services/panel_service.h"

#include "host/services/host.h"
#include "base/xception.h"

#include <cstdio>

namespace {

char const* const UNIT = "host/services/panel_service";

// The longest popup taken from a module.
int const MAX_POPUP_ENTRIES = 4096;

PanelService& service() {
    return Host::active().panels;
}

LWXPanelID panel_create(int type, LWXPanelControl* controls) {
    return service().create(type, controls);
}
void panel_destroy(LWXPanelID panel) {
    service().destroy(panel);
}
void panel_describe(LWXPanelID panel, LWXPanelDataDesc* values, LWXPanelGetFunc* get,
                    LWXPanelSetFunc* set) {
    service().describe(panel, values, get, set);
}
void panel_hint(LWXPanelID panel, unsigned int id, LWXPanelHint* hints) {
    service().hint(panel, id, hints);
}
void* panel_get_data(LWXPanelID panel, unsigned int id) {
    return service().get_data(panel, id);
}
void panel_set_data(LWXPanelID panel, unsigned int id, void* data) {
    service().set_data(panel, id, data);
}
void* panel_form_get(LWXPanelID panel, unsigned int id) {
    return service().form_get(panel, id);
}
void panel_form_set(LWXPanelID panel, unsigned int id, void* value) {
    service().form_set(panel, id, value);
}
void panel_view_inst(LWXPanelID panel, void* inst) {
    service().view_inst(panel, inst);
}
void panel_view_refresh(LWXPanelID panel) {
    service().view_refresh(panel);
}
int panel_post(LWXPanelID panel) {
    return service().post(panel);
}

// Palette entries are drawn as levels of grey.
void draw_pixel(LWXPDrAreaID area, int index, int x, int y) {
    int level = index < 0 ? 0 : index > 15 ? 255 : index * 17;
    service().draw_rgb(area, level, level, level, x, y);
}
void draw_rgb_pixel(LWXPDrAreaID area, int r, int g, int b, int x, int y) {
    service().draw_rgb(area, r, g, b, x, y);
}

std::string format(char const* fmt, unsigned id) {
    char text[128];
    snprintf(text, sizeof text, fmt, id);
    return text;
}

} // namespace

PanelService::PanelService() {
    draw_funcs_ = {draw_pixel, draw_rgb_pixel};
    funcs_ = {3,
              &draw_funcs_,
              panel_create,
              panel_destroy,
              panel_describe,
              panel_hint,
              panel_get_data,
              panel_set_data,
              panel_form_get,
              panel_form_set,
              panel_view_inst,
              panel_view_refresh,
              panel_post};
}

PanelService::~PanelService() = default;

void PanelService::fault(std::string const& text) {
    faults_.push_back(text);
}

void PanelService::throw_faults() {
    if (faults_.empty()) {
        return;
    }
    std::string text;
    for (std::string const& f : faults_) {
        text += (text.empty() ? "" : "; ") + f;
    }
    faults_.clear();
    throw StrXception(UNIT, __PRETTY_FUNCTION__, __LINE__, "the module misused the panel: %s",
                      text.c_str());
}

HostPanel* PanelService::find(LWXPanelID panel) {
    auto found = panels_.find(panel);
    return found == panels_.end() ? nullptr : found->second.get();
}

HostPanel* PanelService::known(LWXPanelID panel, char const* function) {
    HostPanel* found = find(panel);
    if (!found) {
        fault(std::string(function) + " of a panel that does not exist");
    }
    return found;
}

HostPanel& PanelService::user_panel(LWXPanelID panel) {
    throw_faults();
    HostPanel* found = find(panel);
    if (!found) {
        throw StrXception(UNIT, __PRETTY_FUNCTION__, __LINE__, "no such panel");
    }
    return *found;
}

LWXPanelID PanelService::create(int type, LWXPanelControl* controls) {
    try {
        auto panel = std::make_unique<HostPanel>(type, controls);
        LWXPanelID id = reinterpret_cast<LWXPanelID>(panel.get());
        panels_[id] = std::move(panel);
        created_++;
        return id;
    } catch (StrXception const& e) {
        fault(std::string("create: ") + e.what());
        return nullptr;
    }
}

// The panel is gone before its destroy notification runs.
void PanelService::destroy(LWXPanelID id) {
    HostPanel* panel = known(id, "destroy");
    if (!panel) {
        return;
    }
    PanelHint const* notify = panel->first_hint(XPTAG_DESTROYNOTIFY);
    auto* function =
        notify ? reinterpret_cast<LWXPanelDestroyNotifyFunc*>(notify->words[0]) : nullptr;
    void* data = panel->user_data();
    panels_.erase(id);
    if (function) {
        function(data);
    }
}

void PanelService::describe(LWXPanelID id, LWXPanelDataDesc* values, LWXPanelGetFunc* get,
                            LWXPanelSetFunc* set) {
    HostPanel* panel = known(id, "describe");
    if (!panel) {
        return;
    }
    if (panel->type == LWXP_VIEW && (!get || !set)) {
        fault("describe: a view needs both get and set callbacks");
        return;
    }
    try {
        panel->describe(values);
        panel->get = get;
        panel->set = set;
    } catch (StrXception const& e) {
        fault(std::string("describe: ") + e.what());
    }
}

void PanelService::hint(LWXPanelID id, unsigned control, LWXPanelHint* hints) {
    HostPanel* panel = known(id, "hint");
    if (!panel) {
        return;
    }
    if (panel->on_screen) {
        fault("hint: the panel is shown already");
        return;
    }
    if (control != 0) {
        fault(format("hint: hints for control 0x%X alone are not modelled", control));
        return;
    }
    try {
        panel->add_hints(decode_hints(hints, MAX_HINT_WORDS));
    } catch (StrXception const& e) {
        fault(std::string("hint: ") + e.what());
    }
}

void* PanelService::get_data(LWXPanelID id, unsigned control) {
    HostPanel* panel = known(id, "getData");
    if (!panel) {
        return nullptr;
    }
    auto found = panel->data.find(control);
    return found == panel->data.end() ? nullptr : found->second;
}

void PanelService::set_data(LWXPanelID id, unsigned control, void* data) {
    if (HostPanel* panel = known(id, "setData")) {
        panel->data[control] = data;
    }
}

void* PanelService::form_get(LWXPanelID id, unsigned control) {
    HostPanel* panel = known(id, "formGet");
    if (!panel) {
        return nullptr;
    }
    auto found = panel->form.find(control);
    if (found == panel->form.end()) {
        return nullptr;
    }
    auto& storage = panel->form_handed_out[control];
    storage = std::make_unique<ValueStorage>(found->second);
    return storage->pointer();
}

void PanelService::form_set(LWXPanelID id, unsigned control, void* value) {
    HostPanel* panel = known(id, "formSet");
    if (!panel) {
        return;
    }
    try {
        panel->form[control] = panel->read(control, value);
    } catch (StrXception const& e) {
        fault(std::string("formSet: ") + e.what());
    }
}

void PanelService::view_inst(LWXPanelID id, void* inst) {
    if (HostPanel* panel = known(id, "viewInst")) {
        panel->inst = inst;
    }
}

void PanelService::view_refresh(LWXPanelID id) {
    HostPanel* panel = known(id, "viewRefresh");
    if (panel && panel->on_screen) {
        refresh_all(*panel);
    }
}

PostedDialog PanelService::shown_dialog(HostPanel const& panel) {
    PanelHint const* type = panel.first_hint(XPTAG_DLOGTYPE);
    PostedDialog dialog{panel.title(), type ? int(type->words[0]) : 0, panel.form, {}};
    for (PanelHint const& hint : panel.hints) {
        if (hint.tag != XPTAG_POPFUNCS) {
            continue;
        }
        auto* count = reinterpret_cast<LWXPanelPopCntFunc*>(hint.words[1]);
        auto* name = reinterpret_cast<LWXPanelPopNameFunc*>(hint.words[2]);
        std::vector<std::string>& entries = dialog.popups[unsigned(hint.words[0])];
        int n = count(panel.user_data());
        for (int i = 0; i < n && i < MAX_POPUP_ENTRIES; i++) {
            char const* text = name(panel.user_data(), i);
            entries.push_back(text ? text : "");
        }
    }
    return dialog;
}

int PanelService::post(LWXPanelID id) {
    HostPanel* panel = known(id, "post");
    if (!panel) {
        return 0;
    }
    if (panel->type != LWXP_FORM || dialog_answers.empty()) {
        fault(panel->type != LWXP_FORM ? "post: only forms are posted"
                                       : "post: no answer scripted for the dialog");
        return 0;
    }
    posted.push_back(shown_dialog(*panel));
    DialogAnswer answer = dialog_answers.front();
    dialog_answers.pop_front();
    for (auto const& [control, value] : answer.values) {
        if (panel->value_kind(control) != value.kind) {
            fault(format("post: the scripted answer gives control 0x%X a value it cannot take",
                         control));
            return 0;
        }
        panel->form[control] = value;
    }
    return answer.accept ? 1 : 0;
}

void PanelService::draw_rgb(LWXPDrAreaID area, int r, int g, int b, int x, int y) {
    if (!drawing_ || area != drawing_) {
        fault("drawRGBPixel outside its draw callback");
        return;
    }
    if (r < 0 || r > 255 || g < 0 || g > 255 || b < 0 || b > 255) {
        fault("drawRGBPixel with a level outside 0 to 255");
        return;
    }
    RgbPicture& picture = *drawing_;
    if (x < 0 || y < 0 || x >= picture.width || y >= picture.height) {
        picture.clipped++;
        return;
    }
    picture.drawn++;
    unsigned char* p = &picture.rgb[(std::size_t(y) * picture.width + x) * 3];
    p[0] = static_cast<unsigned char>(r);
    p[1] = static_cast<unsigned char>(g);
    p[2] = static_cast<unsigned char>(b);
}

void PanelService::refresh(HostPanel& panel, unsigned id) {
    if (!panel.value_kind(id)) {
        return;
    }
    void* value = panel.get(panel.inst, id);
    if (value) {
        panel.shown[id] = panel.read(id, value);
    } else {
        panel.shown.erase(id);
    }
}

void PanelService::refresh_all(HostPanel& panel) {
    for (PanelControl const& control : panel.controls) {
        refresh(panel, control.id);
    }
}

HostPanel& PanelService::open(LWXPanelID id) {
    HostPanel& panel = user_panel(id);
    if (panel.type != LWXP_VIEW || !panel.get || !panel.inst) {
        throw StrXception(UNIT, __PRETTY_FUNCTION__, __LINE__,
                          "only a described view of an instance can be opened");
    }
    panel.on_screen = true;
    refresh_all(panel);
    throw_faults();
    return panel;
}

LWXPRefreshCode PanelService::edit(LWXPanelID id, unsigned control, PanelValue const& value) {
    HostPanel& panel = user_panel(id);
    if (!panel.on_screen || panel.value_kind(control) != value.kind) {
        throw StrXception(UNIT, __PRETTY_FUNCTION__, __LINE__,
                          "control 0x%X of an open panel takes no such value", control);
    }
    ValueStorage typed(value);
    LWXPRefreshCode code = panel.set(panel.inst, control, typed.pointer());
    if (code == LWXPRC_FULL || code == LWXPRC_REFORMAT) {
        refresh_all(panel);
    } else if (code != LWXPRC_NONE) {
        refresh(panel, control);
    } else {
        panel.shown[control] = value;
    }
    throw_faults();
    return code;
}

void PanelService::press(LWXPanelID id, unsigned button) {
    HostPanel& panel = user_panel(id);
    PanelHint const* notify = panel.find_hint(XPTAG_BUTNOTIFY, button);
    if (!panel.on_screen || !notify) {
        throw StrXception(UNIT, __PRETTY_FUNCTION__, __LINE__,
                          "control 0x%X of an open panel is no button", button);
    }
    reinterpret_cast<LWXPanelBtnClickFunc*>(notify->words[1])(id, static_cast<int>(button));
    throw_faults();
}

RgbPicture PanelService::draw(LWXPanelID id, unsigned thumbnail, int width, int height) {
    HostPanel& panel = user_panel(id);
    PanelHint const* callback = panel.find_hint(XPTAG_DRAWCBFUNC, thumbnail);
    if (!panel.on_screen || !callback || width <= 0 || height <= 0) {
        throw StrXception(UNIT, __PRETTY_FUNCTION__, __LINE__,
                          "control 0x%X of an open panel draws no %d x %d thumbnail", thumbnail,
                          width, height);
    }
    RgbPicture picture(width, height);
    drawing_ = &picture;
    reinterpret_cast<LWXPanelDrawFunc*>(callback->words[1])(id, thumbnail, drawing_, width, height);
    drawing_ = nullptr;
    throw_faults();
    return picture;
}

void PanelService::close(LWXPanelID id) {
    HostPanel& panel = user_panel(id);
    if (!panel.on_screen) {
        throw StrXception(UNIT, __PRETTY_FUNCTION__, __LINE__, "the panel is not open");
    }
    destroy(id);
    throw_faults();
}
