#pragma once

#include <string>

// What the server knows of a request before it routes it.
struct RequestHead {
    std::string method;       // "GET", "POST", ...
    std::string path;         // without the query
    std::string host;         // the Host header
    std::string origin;       // the Origin header; empty when absent
    std::string content_type; // the Content-Type header; empty when absent
    std::string secret;       // the X-Orrelux-Token header, or the "token" query parameter
};

// Keeps every other web page in the artist's browser away from the panel.
// The page comes from this server with the secret in its address; any other
// page (another local port, a file, a site rebinding its name to 127.0.0.1)
// may send requests here but knows neither the secret nor a local Host.
class RequestGuard {
public:
    // `secret`: 128 bits or more, as hexadecimal text.
    RequestGuard(int port, std::string secret);

    // A fresh secret of 128 random bits from the system's source.
    static std::string random_secret();

    // Throws RequestError: 403 for a Host other than 127.0.0.1, localhost or
    // [::1] at this port; for an API request without the secret; for a POST
    // from a page of another origin. 415 for a POST whose body is not JSON.
    // Files of the page itself need no secret: they hold nothing of the
    // scene or the machine.
    void check(RequestHead const& head) const;

    std::string const& secret() const { return secret_; }

private:
    // Whether `text` is scheme + 127.0.0.1, localhost or [::1] + ":" + port.
    bool local(std::string const& text, std::string const& scheme) const;

    int port_;
    std::string secret_;
};
