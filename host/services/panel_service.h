#pragma once

#include "host/services/panel.h"
#include "lwsdk/lwxpanel.h"

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

// The next dialog's user: the values they pick, and whether they accept.
struct DialogAnswer {
    bool accept;
    std::map<unsigned, PanelValue> values;
};

// A dialog as the user saw it when the module posted it.
struct PostedDialog {
    std::string title;
    int dialog_type; // of XPTAG_DLOGTYPE; 0 without one
    std::map<unsigned, PanelValue> form;
    // Each popup's entries, from its count and name callbacks.
    std::map<unsigned, std::vector<std::string>> popups;
};

// "LWXPanel 3": keeps the panels a module makes and plays the user's part
// on them. The functions of the record act on the active host's service.
//
// A module that misuses the service (an unknown panel, a malformed list,
// hints after the panel is shown, a dialog with nobody scripted to answer)
// is never trusted further: the call does nothing harmful, and the fault is
// thrown as StrXception from the next user action below.
class PanelService {
public:
    PanelService();
    PanelService(PanelService const&) = delete;
    PanelService& operator=(PanelService const&) = delete;
    ~PanelService();

    LWXPanelFuncs* funcs() { return &funcs_; }

    // User actions; each throws StrXception for an unknown panel or control
    // and for the module's faults.
    //
    // Shows the panel an interface activation returned; every control reads
    // its value.
    HostPanel& open(LWXPanelID panel);
    // Types a value into a VIEW control: the set callback's answer, after
    // which the controls it names are read again (all of them for
    // LWXPRC_FULL and LWXPRC_REFORMAT, none for LWXPRC_NONE).
    LWXPRefreshCode edit(LWXPanelID panel, unsigned id, PanelValue const& value);
    void press(LWXPanelID panel, unsigned button);
    // The thumbnail as its draw callback paints it.
    RgbPicture draw(LWXPanelID panel, unsigned thumbnail, int width, int height);
    // Closes the panel: it is gone, then its destroy notification runs.
    void close(LWXPanelID panel);

    // Null for a panel that does not exist (any more).
    HostPanel* find(LWXPanelID panel);
    // Panels made so far, and those that still exist.
    int created() const { return created_; }
    std::size_t live() const { return panels_.size(); }

    // Answers to the dialogs the module posts, first to last.
    std::deque<DialogAnswer> dialog_answers;
    std::vector<PostedDialog> posted;

    // The record's work, called by the module.
    LWXPanelID create(int type, LWXPanelControl* controls);
    void destroy(LWXPanelID panel);
    void describe(LWXPanelID panel, LWXPanelDataDesc* values, LWXPanelGetFunc* get,
                  LWXPanelSetFunc* set);
    void hint(LWXPanelID panel, unsigned id, LWXPanelHint* hints);
    void* get_data(LWXPanelID panel, unsigned id);
    void set_data(LWXPanelID panel, unsigned id, void* data);
    void* form_get(LWXPanelID panel, unsigned id);
    void form_set(LWXPanelID panel, unsigned id, void* value);
    void view_inst(LWXPanelID panel, void* inst);
    void view_refresh(LWXPanelID panel);
    int post(LWXPanelID panel);
    void draw_rgb(LWXPDrAreaID area, int r, int g, int b, int x, int y);

private:
    // Null after recording a fault.
    HostPanel* known(LWXPanelID panel, char const* function);
    HostPanel& user_panel(LWXPanelID panel);
    void fault(std::string const& text);
    void throw_faults();
    void refresh(HostPanel& panel, unsigned id);
    void refresh_all(HostPanel& panel);
    PostedDialog shown_dialog(HostPanel const& panel);

    std::map<LWXPanelID, std::unique_ptr<HostPanel>> panels_;
    int created_ = 0;
    std::vector<std::string> faults_;
    RgbPicture* drawing_ = nullptr; // the area of the draw callback running
    LWXPDrawFuncs draw_funcs_;
    LWXPanelFuncs funcs_;
};
