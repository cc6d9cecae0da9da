#include "host/panel_server/request_guard.h"

#include "host/panel_server/request_checks.h"

#include <cstdio>
#include <random>
#include <utility>

namespace {

std::string const API = "/api/";

// Compares every byte whatever the first difference, so that the time taken
// tells nothing of how much of a guess was right.
bool same_secret(std::string const& given, std::string const& secret) {
    if (given.size() != secret.size()) {
        return false;
    }
    unsigned char differ = 0;
    for (std::size_t i = 0; i < secret.size(); i++) {
        differ |= static_cast<unsigned char>(given[i] ^ secret[i]);
    }
    return differ == 0;
}

// "application/json", with parameters such as "; charset=utf-8" or not.
bool is_json(std::string const& content_type) {
    std::string const media = content_type.substr(0, content_type.find(';'));
    std::size_t const end = media.find_last_not_of(" \t");
    return end != std::string::npos && media.substr(0, end + 1) == "application/json";
}

} // namespace

RequestGuard::RequestGuard(int port, std::string secret)
    : port_(port), secret_(std::move(secret)) {}

std::string RequestGuard::random_secret() {
    std::random_device source;
    std::string secret;
    for (int i = 0; i < 4; i++) { // 4 x 32 bits
        char word[9];
        std::snprintf(word, sizeof word, "%08x", unsigned(source()));
        secret += word;
    }
    return secret;
}

bool RequestGuard::local(std::string const& text, std::string const& scheme) const {
    for (char const* name : {"127.0.0.1", "localhost", "[::1]"}) {
        if (text == scheme + name + ":" + std::to_string(port_)) {
            return true;
        }
    }
    return false;
}

void RequestGuard::check(RequestHead const& head) const {
    if (!local(head.host, "")) {
        throw RequestError(403, "this server answers only to 127.0.0.1, localhost or [::1] at "
                                "port " +
                                    std::to_string(port_) + ", not to \"" + head.host + "\"");
    }
    if (head.path.compare(0, API.size(), API) != 0) {
        return;
    }
    if (!same_secret(head.secret, secret_)) {
        throw RequestError(403, "the request lacks the panel's secret: open the address "
                                "orrelux-render printed; nothing was read or changed");
    }
    if (head.method != "POST") {
        return;
    }
    if (!head.origin.empty() && !local(head.origin, "http://")) {
        throw RequestError(403, "a page from \"" + head.origin +
                                    "\" may not change the panel; nothing was changed");
    }
    if (!is_json(head.content_type)) {
        throw RequestError(415, "the request body must be application/json, not \"" +
                                    head.content_type + "\"; nothing was changed");
    }
}
