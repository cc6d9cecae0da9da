#include "host/panel_server/panel_server.h"

#include "host/panel_server/panel_assets.h"
#include "base/xception.h"
#include "host/panel_server/request_guard.h"

#include <httplib.h>

namespace {

using Json = nlohmann::json;

std::size_t const WORKERS = 128;
int const READ_TIMEOUT_SECONDS = 2;

// Names from the scene or the disk need not be UTF-8: such bytes are shown
// as replacement characters rather than failing the answer.
void send_json(httplib::Response& res, Json const& body, int status = 200) {
    res.status = status;
    res.set_content(body.dump(-1, ' ', false, Json::error_handler_t::replace), "application/json");
}

void send_error(httplib::Response& res, int status, std::string const& message) {
    send_json(res, {{"error", message}}, status);
}

Json body_of(httplib::Request const& req) {
    Json body = Json::parse(req.body, nullptr, false);
    if (body.is_discarded()) {
        throw RequestError(400, "the request body is not JSON (NaN and Infinity are no JSON "
                                "numbers); nothing was changed");
    }
    if (!body.is_object()) {
        throw RequestError(400, "the request body must be a JSON object; nothing was changed");
    }
    return body;
}

Json field(Json const& body, char const* name) {
    auto found = body.find(name);
    if (found == body.end()) {
        throw RequestError(400, std::string("the request names no \"") + name +
                                    "\"; nothing was changed");
    }
    return *found;
}

bool loopback(std::string const& address) {
    return address == "127.0.0.1" || address == "::1" || address == "::ffff:127.0.0.1";
}

RequestHead head_of(httplib::Request const& req) {
    std::string secret = req.get_header_value("X-Orrelux-Token");
    if (secret.empty()) {
        secret = req.get_param_value("token");
    }
    return {req.method,
            req.path,
            req.get_header_value("Host"),
            req.get_header_value("Origin"),
            req.get_header_value("Content-Type"),
            secret};
}

// Every answer of the API goes through here: a refused request is a JSON
// error with its status, anything else unexpected a 500 with its text.
template <class Work> httplib::Server::Handler api(Work work) {
    return [work](httplib::Request const& req, httplib::Response& res) {
        try {
            work(req, res);
        } catch (RequestError const& e) {
            send_error(res, e.status, e.what());
        } catch (Xception const& e) {
            send_error(res, 500, e.what());
        } catch (std::exception const& e) {
            send_error(res, 500, e.what());
        }
    };
}

} // namespace

PanelServer::PanelServer(PanelSession& session, std::string secret)
    : session_(session), secret_(std::move(secret)), server_(std::make_unique<httplib::Server>()) {
    route();
}

PanelServer::~PanelServer() = default;

int PanelServer::bind(int port) {
    int const bound = port == 0 ? server_->bind_to_any_port("127.0.0.1")
                                : (server_->bind_to_port("127.0.0.1", port) ? port : -1);
    if (bound <= 0) {
        throw std::runtime_error("cannot listen on 127.0.0.1 port " + std::to_string(port));
    }
    guard_ = std::make_unique<RequestGuard>(bound, secret_);
    port_ = bound;
    return bound;
}

std::string PanelServer::address() const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/?token=" + secret_;
}

void PanelServer::serve() {
    server_->listen_after_bind();
}

void PanelServer::stop() {
    server_->stop();
}

void PanelServer::route() {
    httplib::Server& s = *server_;
    s.set_payload_max_length(MAX_REQUEST_BODY);
    // A worker waits on each connection, idle or slow, until its read times
    // out: enough of them, and short waits, that a few dozen such
    // connections leave workers for the page.
    s.new_task_queue = [] { return new httplib::ThreadPool(WORKERS); };
    s.set_read_timeout(READ_TIMEOUT_SECONDS);
    s.set_keep_alive_timeout(READ_TIMEOUT_SECONDS);
    s.set_pre_routing_handler([this](httplib::Request const& req, httplib::Response& res) {
        if (!loopback(req.remote_addr)) {
            send_error(res, 403, "only connections from this machine are served");
            return httplib::Server::HandlerResponse::Handled;
        }
        try {
            guard_->check(head_of(req));
        } catch (RequestError const& e) {
            send_error(res, e.status, e.what());
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    // Statuses httplib sets itself, such as 413 for a body over the limit,
    // get a sentence too.
    s.set_error_handler([](httplib::Request const&, httplib::Response& res) {
        if (!res.body.empty()) {
            return;
        }
        send_error(res, res.status,
                   res.status == 413
                       ? "the request body is larger than " + std::to_string(MAX_REQUEST_BODY) +
                             " bytes; nothing was changed"
                   : res.status == 404
                       ? "no such page"
                       : "the request was refused (HTTP " + std::to_string(res.status) + ")");
    });
    for (PageAsset const& asset : page_assets()) {
        s.Get(asset.path, [&asset](httplib::Request const&, httplib::Response& res) {
            // The page's address holds the secret: no other site learns it.
            res.set_header("Referrer-Policy", "no-referrer");
            res.set_content(asset.content, asset.mime);
        });
    }
    s.Get("/api/panel", api([this](httplib::Request const&, httplib::Response& res) {
              send_json(res, session_.panel());
          }));
    s.Post(R"(/api/control/([^/]+))",
           api([this](httplib::Request const& req, httplib::Response& res) {
               send_json(res, session_.edit(req.matches[1], field(body_of(req), "value")));
           }));
    s.Get(R"(/api/thumbnail/([^/]+))",
          api([this](httplib::Request const& req, httplib::Response& res) {
              res.set_header("Cache-Control", "no-store");
              res.set_content(session_.thumbnail(req.matches[1]), "image/bmp");
          }));
    s.Get("/api/parent", api([this](httplib::Request const&, httplib::Response& res) {
              send_json(res, session_.parent_dialog());
          }));
    s.Post("/api/parent", api([this](httplib::Request const& req, httplib::Response& res) {
               send_json(res, session_.choose_parent(field(body_of(req), "index")));
           }));
    s.Get("/api/files", api([this](httplib::Request const&, httplib::Response& res) {
              send_json(res, session_.files());
          }));
    s.Post("/api/settings/load", api([this](httplib::Request const& req, httplib::Response& res) {
               send_json(res, session_.load_settings(field(body_of(req), "path")));
           }));
    s.Post("/api/settings/save", api([this](httplib::Request const& req, httplib::Response& res) {
               send_json(res, session_.save_settings(field(body_of(req), "path")));
           }));
    s.Post("/api/save", api([this](httplib::Request const&, httplib::Response& res) {
               send_json(res, session_.save());
           }));
    s.Post("/api/render", api([this](httplib::Request const& req, httplib::Response& res) {
               send_json(res, session_.start_render(field(body_of(req), "frame")));
           }));
    s.Get("/api/render", api([this](httplib::Request const&, httplib::Response& res) {
              send_json(res, session_.frames().status());
          }));
    s.Post("/api/render/cancel", api([this](httplib::Request const&, httplib::Response& res) {
               send_json(res, {{"cancelling", session_.frames().cancel()}});
           }));
    for (bool const shown : {false, true}) {
        s.Get(shown ? "/api/render/view.png" : "/api/render/frame.png",
              api([this, shown](httplib::Request const&, httplib::Response& res) {
                  RenderedFrame last = session_.frames().last();
                  if (last.png.empty()) {
                      throw RequestError(404, "no frame has been rendered yet");
                  }
                  res.set_header("Cache-Control", "no-store");
                  res.set_content(shown ? std::move(last.view) : std::move(last.png), "image/png");
              }));
    }
}
