#pragma once

#include "plugin_harness.h"

#include "LW/panel_ids.h"
#include "host/services/panel_service.h"
#include "lwsdk/lwfilter.h"

// The module's settings panel, opened and used through the stand-in host's
// panel service as a user would.
class PanelHarness : public PluginHarness {
protected:
    PanelHarness() { host.echo_messages = false; }

    // A fresh instance; activates the handler first when needed.
    orrelux* instance() {
        if (!handler.process) {
            activate();
        }
        return create();
    }
    // Runs the interface activation for `inst`; throws unless it answers
    // AFUNC_OK. The panel it hands back, which may be null.
    LWXPanelID activate_interface(orrelux* inst) {
        LWInterface local = {inst, nullptr, nullptr, nullptr};
        module->activate(LWIMAGEFILTER_ICLASS, "Orrelux", LWINTERFACE_VERSION, &local);
        EXPECT_EQ(local.options, nullptr);
        EXPECT_EQ(local.command, nullptr);
        return local.panel;
    }
    // Activates and shows the panel of `inst`.
    HostPanel& open(orrelux* inst) {
        panel = activate_interface(inst);
        return host.panels.open(panel);
    }
    HostPanel& shown() { return *host.panels.find(panel); }
    PanelValue const& value(unsigned id) { return shown().shown.at(id); }
    LWXPRefreshCode edit(unsigned id, PanelValue const& v) {
        return host.panels.edit(panel, id, v);
    }

    // The error messages shown to the user, first lines.
    std::vector<std::string> errors() const {
        std::vector<std::string> lines;
        for (HostMessage const& m : host.messages()) {
            if (m.kind == HostMessage::ERROR) {
                lines.push_back(m.line1);
            }
        }
        return lines;
    }

    LWXPanelID panel = nullptr;
};
