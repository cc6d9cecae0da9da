#include "LW/panel_buttons.h"

#include "LW/hint_list.h"
#include "LW/item_list.h"
#include "LW/module_state.h"
#include "LW/panel_ids.h"
#include "LW/settings.h"
#include "base/xception.h"

#include <cstdio>

namespace {

char const* const UNIT = "LW/panel_buttons";

// Read by the popup callbacks; set only while the parent dialog is posted.
ItemList const* current_item_list = nullptr;

// The dialog's popup of items.
LWXPanelControl DIALOG_CONTROLS[] = {
    {DIALOG_PARENT, "Parent:", "iPopChoice"},
    {0, nullptr, nullptr},
};

LWXPanelDataDesc DIALOG_VALUES[] = {
    {DIALOG_PARENT, "Parent:", "integer"},
    {0, nullptr, nullptr},
};

int popup_count(void*) {
    return current_item_list ? static_cast<int>(current_item_list->names.len()) : 0;
}

char const* popup_name(void*, int index) {
    if (!current_item_list || index < 0 ||
        static_cast<unsigned>(index) >= current_item_list->names.len()) {
        return "";
    }
    return current_item_list->names[static_cast<unsigned>(index)];
}

LWXPanelHint* dialog_hints() {
    static HintList hints = HintList()
                                .add(XPTAG_LABEL, {0, "Parent Stars to Object", 0})
                                .add(XPTAG_DLOGTYPE, {LWXPDLG_OKCANCEL})
                                .add(XPTAG_POPFUNCS, {DIALOG_PARENT, popup_count, popup_name})
                                .add(XPTAG_FOCUS, {DIALOG_PARENT});
    return hints.data();
}

orrelux& record(LWXPanelFuncs* xpanel, LWXPanelID panel) {
    return *static_cast<orrelux*>(xpanel->getData(panel, 0));
}

// Owns the dialog while it exists.
struct Dialog {
    LWXPanelFuncs* xpanel;
    LWXPanelID panel;
    ~Dialog() { xpanel->destroy(panel); }
};

void choose_parent(LWXPanelFuncs* xpanel, orrelux& rec, ItemList const& items) {
    LWXPanelID panel = xpanel->create(LWXP_FORM, DIALOG_CONTROLS);
    if (!panel) {
        throw StrXception(UNIT, __PRETTY_FUNCTION__, __LINE__, "error creating XPanel");
    }
    Dialog dialog = {xpanel, panel};
    xpanel->hint(panel, 0, dialog_hints());
    xpanel->describe(panel, DIALOG_VALUES, nullptr, nullptr);
    int index = static_cast<int>(items.find_id(rec.parent_id));
    xpanel->formSet(panel, DIALOG_PARENT, &index);
    if (!xpanel->post(panel)) {
        return;
    }
    int const* chosen = static_cast<int const*>(xpanel->formGet(panel, DIALOG_PARENT));
    if (chosen && *chosen >= 0 && static_cast<unsigned>(*chosen) < items.ids.len()) {
        rec.parent_id = items.ids[static_cast<unsigned>(*chosen)];
    }
}

// The host's file services, looked up when a button is pressed.
struct FileServices {
    LWFileReqFunc* request;
    LWFileTypeFunc* pattern;
    LWDirInfoFunc* folder;
};

template <typename Function> Function* file_global(char const* name, char const* missing) {
    auto* function = reinterpret_cast<Function*>(orrelux_ini.global_func(name, GFUSE_TRANSIENT));
    if (!function) {
        throw StrXception(UNIT, __PRETTY_FUNCTION__, __LINE__, "%s", missing);
    }
    return function;
}

FileServices file_services() {
    FileServices files;
    files.request = file_global<LWFileReqFunc>(LWFILEREQFUNC_GLOBAL, "no file requester global");
    files.pattern = file_global<LWFileTypeFunc>(LWFILETYPEFUNC_GLOBAL, "no file type global");
    files.folder = file_global<LWDirInfoFunc>(LWDIRINFOFUNC_GLOBAL, "no dir info global");
    return files;
}

int const NAME_SIZE = 4096;

// The requester's buffers: the folder and pattern of settings files on entry,
// the chosen file's whole path on return.
struct FileRequest {
    char name[NAME_SIZE];
    char path[NAME_SIZE];
    char full_name[NAME_SIZE];
};

char const* text_or_empty(char const* text) {
    return text ? text : "";
}

// `direction` is '<' for loading and '>' for saving. True when a file was
// chosen.
bool request_file(FileServices const& files, char direction, char const* title,
                  FileRequest& request) {
    snprintf(request.path, NAME_SIZE, "%s", text_or_empty(files.folder(LWFTYPE_SETTING)));
    snprintf(request.name, NAME_SIZE, "%c%s", direction,
             text_or_empty(files.pattern(LWFTYPE_SETTING)));
    request.full_name[0] = '\0';
    int chosen = files.request(title, request.name, request.path, request.full_name, NAME_SIZE);
    request.full_name[NAME_SIZE - 1] = '\0';
    return chosen != 0;
}

void load_settings(FileServices const& files, LWXPanelFuncs* xpanel, LWXPanelID panel) {
    FileRequest request;
    if (request_file(files, '<', "Load Orrelux Settings From File", request)) {
        orrelux_load_from_file(&record(xpanel, panel), request.full_name);
        xpanel->viewRefresh(panel);
    }
}

void save_settings(FileServices const& files, orrelux& rec) {
    FileRequest request;
    if (request_file(files, '>', "Save Orrelux Settings To File", request)) {
        orrelux_save_to_file(&rec, request.full_name);
    }
}

// Publishes the list to the popup callbacks while the dialog exists.
struct PublishedList {
    explicit PublishedList(ItemList const& items) { current_item_list = &items; }
    ~PublishedList() { current_item_list = nullptr; }
};

} // namespace

void parent_button(LWXPanelID panel, int) {
    try {
        LWXPanelFuncs* xpanel = orrelux_ini.xpanel_funcs;
        ItemList items(*orrelux_ini.item_info);
        PublishedList published(items);
        choose_parent(xpanel, record(xpanel, panel), items);
    } catch (Xception const& e) {
        e.print();
    }
}

void settings_file_button(LWXPanelID panel, int cid) {
    if (cid != PANEL_LOAD && cid != PANEL_SAVE) {
        return;
    }
    try {
        LWXPanelFuncs* xpanel = orrelux_ini.xpanel_funcs;
        FileServices files = file_services();
        if (cid == PANEL_LOAD) {
            load_settings(files, xpanel, panel);
        } else {
            save_settings(files, record(xpanel, panel));
        }
    } catch (Xception const& e) {
        e.print();
    }
}
