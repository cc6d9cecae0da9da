#pragma once

#include "host/panel_server/panel_session.h"
#include "host/panel_server/request_guard.h"

#include <memory>
#include <string>

namespace httplib {
class Server;
}

// Longest request body taken; a settings edit is a few bytes.
std::size_t const MAX_REQUEST_BODY = 64 * 1024;

// The page of a settings panel, served over HTTP on 127.0.0.1 to
// connections from the loopback address only, and to the page it served:
// every API request carries `secret`, which the printed address holds.
class PanelServer {
public:
    explicit PanelServer(PanelSession& session, std::string secret = RequestGuard::random_secret());
    PanelServer(PanelServer const&) = delete;
    PanelServer& operator=(PanelServer const&) = delete;
    ~PanelServer();

    // Binds 127.0.0.1 at `port`, or a free port for 0; returns the port.
    // Throws std::runtime_error when the port cannot be had.
    int bind(int port);
    // Serves until stop(); returns at once when nothing is bound.
    void serve();
    // From any thread.
    void stop();

    std::string const& secret() const { return secret_; }
    // The page's address: "http://127.0.0.1:PORT/?token=SECRET".
    std::string address() const;

private:
    void route();

    PanelSession& session_;
    std::string secret_;
    std::unique_ptr<RequestGuard> guard_; // once bound
    int port_ = 0;
    std::unique_ptr<httplib::Server> server_;
};
