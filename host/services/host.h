#pragma once

#include "host/services/file_services.h"
#include "host/services/panel_service.h"
#include "host/scene/scene.h"
#include "lwsdk/lwrender.h"
#include "lwsdk/lwserver.h"

#include <set>
#include <string>
#include <vector>

// A message shown to the user through "Info Messages 4".
struct HostMessage {
    enum Kind { INFO, ERROR };
    Kind kind;
    std::string line1;
    std::string line2;
    bool has_line2;
};

// The stand-in host's state behind the globals. The globals and the
// callbacks in their records take no context, so they act on the active
// host: the one constructed last that still exists. Only one may exist at a
// time.
class Host {
public:
    Host();
    Host(Host const&) = delete;
    Host& operator=(Host const&) = delete;
    ~Host();

    // The GlobalFunc handed to activations.
    static void* global(char const* name, int use_mode);
    static Host& active();

    // Later lookups of `name` give null, as from a host without it.
    void remove_global(char const* name);

    // Keeps the message for messages() and, when `echo_messages` is set,
    // writes it to standard error.
    void show(HostMessage::Kind kind, char const* line1, char const* line2);
    std::vector<HostMessage> const& messages() const { return messages_; }
    void clear_messages() { messages_.clear(); }
    bool echo_messages = true;

    HostScene scene;
    PanelService panels;
    FileServices files;
    // The defaults are a host of major version 9 whose System ID has the top
    // four bits clear.
    unsigned system_id = 0x00012345u;
    unsigned product_info = 9u << 20;

private:
    void* lookup(std::string const& name);
    void* panel_global(std::string const& name);

    std::set<std::string> removed_;
    std::vector<HostMessage> messages_;
    LWSceneInfo scene_info_;
};
