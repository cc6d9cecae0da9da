// Requests another page in the artist's browser could send: every one that
// lacks the secret, names a foreign host, comes from a foreign origin or is
// no JSON is refused with its status; the page's own pass.
#include "host/panel_server/request_checks.h"
#include "host/panel_server/request_guard.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

using ::testing::HasSubstr;

namespace {

std::string const SECRET = "0123456789abcdef0123456789abcdef";
std::string const HOST = "127.0.0.1:4242";
std::string const ORIGIN = "http://127.0.0.1:4242";
std::string const JSON = "application/json";

// The status check() throws, 0 when it lets the request through.
int status_of(RequestHead const& head) {
    try {
        RequestGuard(4242, SECRET).check(head);
    } catch (RequestError const& e) {
        return e.status;
    }
    return 0;
}

TEST(HostileRequestsGuard, ThePagesOwnRequestsPass) {
    RequestHead const passing[] = {
        {"GET", "/", HOST, "", "", ""},
        {"GET", "/panel.js", "localhost:4242", "", "", ""},
        {"GET", "/api/panel", HOST, "", "", SECRET},
        {"GET", "/api/panel", "[::1]:4242", "", "text/plain", SECRET},
        {"POST", "/api/save", HOST, ORIGIN, JSON, SECRET},
        {"POST", "/api/save", "localhost:4242", "http://localhost:4242", JSON, SECRET},
        {"POST", "/api/save", HOST, "http://[::1]:4242", "application/json; charset=utf-8", SECRET},
        {"POST", "/api/render", HOST, "", "application/json ;charset=utf-8", SECRET},
    };
    for (RequestHead const& head : passing) {
        EXPECT_EQ(status_of(head), 0) << head.method << " " << head.path << " " << head.host << " "
                                      << head.origin << " " << head.content_type;
    }
}

TEST(HostileRequestsGuard, ForeignHostsMissingSecretsForeignOriginsAndOtherBodiesAreRefused) {
    struct Case {
        RequestHead head;
        int status;
    } const cases[] = {
        // DNS rebinding: the page's files too, whose address names the host.
        {{"GET", "/", "evil.example:4242", "", "", ""}, 403},
        {{"GET", "/api/panel", "evil.example:4242", "", "", SECRET}, 403},
        {{"GET", "/api/panel", "127.0.0.1:4243", "", "", SECRET}, 403},
        {{"GET", "/api/panel", "127.0.0.1", "", "", SECRET}, 403},
        {{"GET", "/api/panel", "", "", "", SECRET}, 403},
        {{"GET", "/api/panel", "x127.0.0.1:4242", "", "", SECRET}, 403},
        // The secret, exactly.
        {{"GET", "/api/panel", HOST, "", "", ""}, 403},
        {{"GET", "/api/files", HOST, "", "", SECRET.substr(0, 31) + "0"}, 403},
        {{"GET", "/api/files", HOST, "", "", SECRET.substr(0, 31)}, 403},
        {{"GET", "/api/files", HOST, "", "", SECRET + "f"}, 403},
        {{"POST", "/api/save", HOST, ORIGIN, JSON, ""}, 403},
        // Another page: another port, a file, another site.
        {{"POST", "/api/save", HOST, "http://127.0.0.1:9999", JSON, SECRET}, 403},
        {{"POST", "/api/save", HOST, "null", JSON, SECRET}, 403},
        {{"POST", "/api/save", HOST, "http://evil.example", JSON, SECRET}, 403},
        {{"POST", "/api/save", HOST, "https://127.0.0.1:4242", JSON, SECRET}, 403},
        // Bodies a form or a no-cors fetch can send.
        {{"POST", "/api/save", HOST, ORIGIN, "text/plain", SECRET}, 415},
        {{"POST", "/api/save", HOST, "", "application/x-www-form-urlencoded", SECRET}, 415},
        {{"POST", "/api/save", HOST, "", "multipart/form-data; boundary=x", SECRET}, 415},
        {{"POST", "/api/save", HOST, "", "application/jsonp", SECRET}, 415},
        {{"POST", "/api/save", HOST, "", "", SECRET}, 415},
    };
    for (Case const& c : cases) {
        RequestHead const& h = c.head;
        EXPECT_EQ(status_of(h), c.status)
            << h.method << " " << h.path << " host " << h.host << " origin " << h.origin << " type "
            << h.content_type << " secret " << h.secret;
    }
}

TEST(HostileRequestsGuard, EachRefusalSaysWhy) {
    try {
        RequestGuard(4242, SECRET).check({"GET", "/api/panel", "evil.example:4242", "", "", ""});
        FAIL();
    } catch (RequestError const& e) {
        EXPECT_THAT(e.what(), HasSubstr("\"evil.example:4242\""));
        EXPECT_THAT(e.what(), HasSubstr("port 4242"));
    }
    try {
        RequestGuard(4242, SECRET).check({"POST", "/api/save", HOST, "null", JSON, SECRET});
        FAIL();
    } catch (RequestError const& e) {
        EXPECT_THAT(e.what(), HasSubstr("\"null\""));
    }
}

TEST(HostileRequestsGuard, SecretsAre128RandomBitsInHexadecimal) {
    std::string const a = RequestGuard::random_secret();
    std::string const b = RequestGuard::random_secret();
    EXPECT_EQ(a.size(), 32u);
    EXPECT_EQ(a.find_first_not_of("0123456789abcdef"), std::string::npos) << a;
    EXPECT_NE(a, b);
}

TEST(HostileRequestsGuard, NamesThatCannotBeKeptAsGivenAreRefused) {
    for (std::string const& name : std::vector<std::string>{
             "two\nlines.cfg", "tab\t.cfg", "bell\x07.stars", std::string("nul\0.cfg", 8),
             "say \"cheese\".stars", "del\x7f.cfg", "\x1f"}) {
        EXPECT_FALSE(is_keepable_name(name)) << name;
        EXPECT_THROW(check_name(name), RequestError) << name;
    }
    for (std::string const& name :
         std::vector<std::string>{"look.cfg", "/home/artist/Caf\xc3\xa9 stars/hip 3D.stars",
                                  "Caf\xe9.cfg", "~!#$%&'()*+,;=?@[]^`{|}.cfg", " "}) {
        EXPECT_TRUE(is_keepable_name(name)) << name;
        EXPECT_NO_THROW(check_name(name)) << name;
    }
}

} // namespace
