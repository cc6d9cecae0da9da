// The page server against requests a page never sends: each is answered
// with an error that says why, and nothing changes.
#include "host/panel_server/panel_server.h"

#include "tests/support/temp_folder.h"
#include "tests/support/text_files.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using ::testing::HasSubstr;
using ::testing::Not;
using Json = nlohmann::json;

namespace {

class HostileRequests : public ::testing::Test {
protected:
    HostileRequests() {
        scene = folder.file("orion.lws");
        std::filesystem::copy_file(std::string(ORRELUX_EXAMPLES) + "/orion_pan.lws", scene);
        std::filesystem::create_directory_symlink("/etc", folder.file("system"));
        PanelOptions options;
        options.setup.scene_path = scene;
        options.setup.module_path = ORRELUX_MODULE;
        session = std::make_unique<PanelSession>(options);
        server = std::make_unique<PanelServer>(*session);
        port = server->bind(0);
        serving = std::thread([this] { server->serve(); });
        client = std::make_unique<httplib::Client>("127.0.0.1", port);
        client->set_default_headers({{"X-Orrelux-Token", server->secret()}});
    }
    ~HostileRequests() override {
        server->stop();
        serving.join();
    }

    // Every control's value and the scene's bytes.
    std::pair<Json, std::string> everything() {
        auto res = client->Get("/api/panel");
        EXPECT_TRUE(res && res->status == 200);
        Json values;
        Json const panel = Json::parse(res->body);
        for (Json const& c : panel["controls"]) {
            values[c["id"].get<std::string>()] = c.value("value", Json());
        }
        return {values, read_text(scene)};
    }

    TempFolder folder;
    std::string scene;
    std::unique_ptr<PanelSession> session;
    std::unique_ptr<PanelServer> server;
    int port = 0;
    std::thread serving;
    std::unique_ptr<httplib::Client> client;
};

TEST_F(HostileRequests, EachIsRefusedWithItsReasonAndChangesNothing) {
    struct Case {
        char const* path;
        std::string body;
        int status;
        char const* reason;
    } const cases[] = {
        {"/api/control/0x9999", R"({"value": 1})", 404, "no control \"0x9999\""},
        {"/api/control/0x8015", R"({"value": 1})", 404, "no control \"0x8015\""},
        {"/api/control/brightness", R"({"value": 1})", 404, "no control"},
        {"/api/control/0x8001", R"({"value": NaN})", 400, "NaN and Infinity are no JSON"},
        {"/api/control/0x8001", R"({"value": "NaN"})", 400, "must be a number"},
        {"/api/control/0x8001", R"({"value": 1e999})", 400, "not JSON"},
        {"/api/control/0x8001", R"({"value": -1})", 400, "-1 is outside its range 0 to 99999999"},
        {"/api/control/0x8001", R"({"worth": 1})", 400, "names no \"value\""},
        {"/api/control/0x8001", R"([1])", 400, "JSON object"},
        {"/api/control/0x800A", R"({"value": 101})", 400, "outside its range 0 to 100"},
        {"/api/control/0x800A", R"({"value": 2.5})", 400, "not a whole number"},
        {"/api/control/0x800C", R"({"value": 3})", 400, "choice 3 is not one of the 3"},
        {"/api/control/0x8018", R"({"value": 2})", 400, "check box takes 0 or 1"},
        {"/api/control/0x8004", R"({"value": [1, 1]})", 400, "three numbers"},
        {"/api/control/0x8004", R"({"value": [1, 1, "x"]})", 400, "must be a number"},
        {"/api/control/0x8011", R"({"value": "../orion.stars"})", 403, "climbs out with \"..\""},
        {"/api/control/0x8011", R"({"value": "/etc/passwd"})", 403, "outside the folders"},
        {"/api/control/0x8011", R"({"value": "system/passwd"})", 403, "outside the folders"},
        {"/api/settings/load", R"({"path": "../../etc/passwd"})", 403, "climbs out"},
        {"/api/settings/load", R"({"path": "system/passwd"})", 403, "outside the folders"},
        {"/api/settings/load", R"({"path": "missing.cfg"})", 404, "is no file"},
        {"/api/settings/load", R"({"path": "huge.cfg"})", 413, "larger than any settings file"},
        {"/api/settings/save", R"({"path": "looks/../../x.cfg"})", 403, "climbs out"},
        {"/api/settings/save", R"({"path": "/etc/orrelux-hostile.cfg"})", 403, "outside"},
        {"/api/settings/save", R"({"path": 7})", 400, "must be a text"},
        {"/api/settings/save", R"({"path": "orion.lws"})", 400, "extension .cfg"},
        {"/api/parent", R"({"index": 2})", 400, "entry from 0 to 1"},
        {"/api/parent", R"({"index": -1})", 400, "entry from 0 to 1"},
        {"/api/render", R"({"frame": 999999})", 400, "from 1 to 24"},
        // Beyond single precision, a setting would be saved as infinity.
        {"/api/control/0x8002", R"({"value": 1e308})", 400, "\"Brightness Bias\" (0x8002)"},
        {"/api/control/0x8003", R"({"value": -3.5e38})", 400, "outside its range"},
        {"/api/control/0x8004", R"({"value": [1, 1e39, 1]})", 400, "outside its range"},
        {"/api/control/0x8019", R"({"value": 3.5e38})", 400, "\"Parallax Crush\""},
        // 0x100008001: wrapped to 32 bits it would be 0x8001.
        {"/api/control/4295000065", R"({"value": 1})", 404, "no control \"4295000065\""},
        {"/api/control/0x800A", R"({"value": 2147483648})", 400, "not a whole number"},
        {"/api/control/0x800A", R"({"value": -2147483649})", 400, "not a whole number"},
        {"/api/control/0x8011", R"({"value": "say \"cheese\".stars"})", 400, "double quote"},
        {"/api/control/0x8011", R"({"value": "two\nlines.stars"})", 400, "control character"},
        {"/api/settings/save", R"({"path": "two\nlines.cfg"})", 400, "control character"},
        {"/api/settings/load", R"({"path": "tab\t.cfg"})", 400, "control character"},
    };
    write_text(folder.file("huge.cfg"), std::string(2 << 20, 'x'));
    auto const before = everything();
    for (Case const& c : cases) {
        auto res = client->Post(c.path, c.body, "application/json");
        ASSERT_TRUE(res) << c.path << " " << c.body;
        EXPECT_EQ(res->status, c.status) << c.path << " " << c.body;
        Json const answer = Json::parse(res->body, nullptr, false);
        EXPECT_THAT(answer.value("error", ""), HasSubstr(c.reason)) << c.path << " " << c.body;
        EXPECT_EQ(everything(), before) << c.path << " " << c.body;
    }
    EXPECT_FALSE(std::filesystem::exists("/etc/orrelux-hostile.cfg"));
    EXPECT_FALSE(std::filesystem::exists(folder.path + "/../x.cfg"));
    EXPECT_FALSE(std::filesystem::exists(folder.file("two\nlines.cfg")));
}

TEST_F(HostileRequests, ValuesAtTheEdgesOfTheirRangesAndEveryWayOfNamingAControlAreTaken) {
    struct Case {
        char const* control;
        std::string value;
        char const* shown; // the ID the answer names
    } const cases[] = {
        {"0x8001", "99999999", "0x8001"},
        {"32769", "0", "0x8001"},
        {"0X800a", "100", "0x800A"},
        {"0x800a", "0", "0x800A"},
        {"0x8003", "3.4e38", "0x8003"},
        {"0x8003", "-3.4e38", "0x8003"},
        {"0x8004", "[0, 3.4e38, -3.4e38]", "0x8004"},
    };
    for (Case const& c : cases) {
        auto res = client->Post(std::string("/api/control/") + c.control,
                                R"({"value": )" + c.value + "}", "application/json");
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 200) << c.control << " " << c.value << " " << res->body;
        EXPECT_EQ(Json::parse(res->body)["values"][c.shown], Json::parse(c.value)) << c.control;
    }
}

TEST_F(HostileRequests, ThePanelTellsThePageWhichControlsAreItsButtonsAndThumbnails) {
    Json const panel = Json::parse(client->Get("/api/panel")->body);
    std::map<std::string, std::pair<std::string, std::string>> roles; // role: id, kind
    for (Json const& c : panel["controls"]) {
        if (c.contains("role")) {
            roles[c["role"]] = {c["id"], c["kind"]};
        }
    }
    using Role = std::pair<std::string, std::string>;
    EXPECT_EQ(roles["logo"], Role("0x8015", "thumbnail"));
    EXPECT_EQ(roles["preview"], Role("0x8012", "thumbnail"));
    EXPECT_EQ(roles["parent"], Role("0x800B", "button"));
    EXPECT_EQ(roles["load"], Role("0x800F", "button"));
    EXPECT_EQ(roles["save"], Role("0x8010", "button"));
    EXPECT_EQ(roles.size(), 5u);
}

TEST_F(HostileRequests, RequestsWithoutTheSecretOrFromAnotherPageChangeNothing) {
    struct Case {
        httplib::Headers headers;
        char const* type;
        int status;
    } const cases[] = {
        {{}, "application/json", 403},
        {{{"X-Orrelux-Token", "0123456789abcdef0123456789abcdef"}}, "application/json", 403},
        {{{"X-Orrelux-Token", server->secret()}, {"Host", "evil.example:" + std::to_string(port)}},
         "application/json",
         403},
        {{{"X-Orrelux-Token", server->secret()}, {"Origin", "null"}}, "application/json", 403},
        {{{"X-Orrelux-Token", server->secret()}}, "text/plain", 415},
    };
    auto const before = everything();
    httplib::Client bare("127.0.0.1", port);
    for (Case const& c : cases) {
        for (char const* path : {"/api/control/0x8001", "/api/save", "/api/settings/save"}) {
            auto res = bare.Post(path, c.headers, R"({"value": 9, "path": "x.cfg"})", c.type);
            ASSERT_TRUE(res) << path;
            EXPECT_EQ(res->status, c.status) << path << " " << res->body;
        }
        EXPECT_EQ(everything(), before);
        EXPECT_FALSE(std::filesystem::exists(folder.file("x.cfg")));
    }
    auto read = bare.Get("/api/panel");
    ASSERT_TRUE(read);
    EXPECT_EQ(read->status, 403);
    EXPECT_THAT(read->body, Not(HasSubstr(scene)));
    // The page itself needs no secret, and with it the secret is taken from
    // the address too, for images.
    EXPECT_EQ(bare.Get("/")->status, 200);
    EXPECT_EQ(bare.Get("/api/thumbnail/0x8012?token=" + server->secret())->status, 200);
    EXPECT_EQ(bare.Get("/api/thumbnail/0x8012?token=0")->status, 403);
}

// A connection to the server that sends nothing, or a request head a byte
// at a time.
int connected(int port) {
    int const fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(std::uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    return fd;
}

TEST_F(HostileRequests, IdleAndSlowConnectionsLeaveThePageAnswered) {
    std::vector<int> idle;
    for (int i = 0; i < 50; i++) {
        idle.push_back(connected(port));
    }
    std::atomic<bool> done{false};
    std::vector<std::thread> slow;
    for (int i = 0; i < 8; i++) {
        slow.emplace_back([&] {
            int const fd = connected(port);
            std::string const head = "GET /api/panel HTTP/1.1\r\nHost: 127.0.0.1\r\n";
            for (std::size_t at = 0; !done; at = (at + 1) % head.size()) {
                if (send(fd, &head[at], 1, MSG_NOSIGNAL) != 1) {
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
            close(fd);
        });
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    auto const asked = std::chrono::steady_clock::now();
    auto res = client->Get("/api/render");
    double const waited =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - asked).count();
    done = true;
    for (std::thread& t : slow) {
        t.join();
    }
    for (int fd : idle) {
        close(fd);
    }
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_LT(waited, 1.0);
}

TEST_F(HostileRequests, ThePanelIsReadWhileAFrameRendersAndCancelStopsTheFrame) {
    for (auto const& [control, value] : {std::pair{"0x8008", "99999999"}, {"0x800A", "100"}}) {
        auto res = client->Post(std::string("/api/control/") + control,
                                std::string(R"({"value": )") + value + "}", "application/json");
        ASSERT_TRUE(res && res->status == 200) << control;
    }
    auto res = client->Post("/api/render", R"({"frame": 1})", "application/json");
    ASSERT_TRUE(res && res->status == 200);
    res = client->Get("/api/panel");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200) << res->body;
    EXPECT_EQ(Json::parse(client->Get("/api/render")->body)["state"], "rendering");
    ASSERT_TRUE(client->Post("/api/render/cancel", "{}", "application/json"));
    // A generous bound: the frame would otherwise take many minutes.
    auto const until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    Json status;
    do {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        status = Json::parse(client->Get("/api/render")->body);
    } while (status["state"] == "rendering" && std::chrono::steady_clock::now() < until);
    EXPECT_EQ(status["state"], "cancelled");
}

TEST_F(HostileRequests, NamesThatAreNotUtf8AreListedReplacedAndNamesThatCannotBeKeptNotAtAll) {
    write_text(folder.file("Caf\xe9.cfg"), "x");
    write_text(folder.file("two\nlines.cfg"), "x");
    auto res = client->Get("/api/files");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200) << res->body;
    std::string const listed = Json::parse(res->body)["files"].dump();
    EXPECT_THAT(listed, HasSubstr("Caf\xef\xbf\xbd.cfg"));
    EXPECT_THAT(listed, HasSubstr("orion.lws"));
    EXPECT_THAT(listed, Not(HasSubstr("lines.cfg")));
}

TEST(HostileRequestsScenes, AnItemNameThatIsNotUtf8IsOfferedWithReplacementCharacters) {
    TempFolder folder;
    std::string const scene = folder.file("cafe.lws");
    std::string text = read_text(std::string(ORRELUX_EXAMPLES) + "/orion_pan.lws");
    text.replace(text.find("CameraName Camera"), 17, "CameraName Caf\xe9");
    write_text(scene, text);
    PanelOptions options;
    options.setup.scene_path = scene;
    options.setup.module_path = ORRELUX_MODULE;
    PanelSession session(options);
    PanelServer server(session);
    int const port = server.bind(0);
    std::thread serving([&] { server.serve(); });
    httplib::Client client("127.0.0.1", port);
    client.set_default_headers({{"X-Orrelux-Token", server.secret()}});
    auto res = client.Get("/api/parent");
    server.stop();
    serving.join();
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200) << res->body;
    EXPECT_THAT(res->body, HasSubstr("Caf\xef\xbf\xbd"));
}

TEST_F(HostileRequests, SavingNeverWritesThroughALinkPlantedAtTheTemporaryName) {
    std::string const target = folder.file("victim.txt");
    write_text(target, "precious");
    std::string const old_scene = read_text(scene);
    for (std::string const& saved : {scene, folder.file("look.cfg")}) {
        std::filesystem::create_symlink(target, saved + ".inprogress");
        auto res = saved == scene ? client->Post("/api/save", "{}", "application/json")
                                  : client->Post("/api/settings/save", R"({"path": "look.cfg"})",
                                                 "application/json");
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 500) << saved;
        EXPECT_THAT(Json::parse(res->body).value("error", ""), HasSubstr(".inprogress")) << saved;
        EXPECT_EQ(read_text(target), "precious") << saved;
        EXPECT_TRUE(std::filesystem::is_symlink(saved + ".inprogress")) << saved;
    }
    EXPECT_EQ(read_text(scene), old_scene);
    EXPECT_FALSE(std::filesystem::exists(folder.file("look.cfg")));
}

TEST_F(HostileRequests, AHundredMegabyteBodyIsRefusedUnread) {
    auto const before = everything();
    std::string const body = R"({"value": 7, "pad": ")" + std::string(100 << 20, 'x') + "\"}";
    auto res = client->Post("/api/control/0x8001", body, "application/json");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 413);
    EXPECT_THAT(Json::parse(res->body).value("error", ""), HasSubstr("larger than 65536 bytes"));
    EXPECT_EQ(everything(), before);
}

TEST_F(HostileRequests, AnAcceptedEditReachesTheModuleAndSavingWritesItIntoTheBlock) {
    auto res = client->Post("/api/control/0x8001", R"({"value": 7.5})", "application/json");
    ASSERT_TRUE(res);
    EXPECT_EQ(Json::parse(res->body)["values"]["0x8001"], 7.5);
    std::string const old_scene = read_text(scene);

    res = client->Post("/api/save", "", "application/json");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200) << res->body;
    std::string const saved = read_text(scene);
    EXPECT_THAT(saved, HasSubstr("Plugin ImageFilterHandler 1 Orrelux\nOrreluxVersion 2\n"));
    EXPECT_THAT(saved, HasSubstr("Brightness 7.5\n"));
    std::size_t const block = old_scene.find("Plugin ImageFilterHandler");
    EXPECT_EQ(saved.substr(0, block), old_scene.substr(0, block));
    EXPECT_EQ(saved.substr(saved.find("EndPlugin")), old_scene.substr(old_scene.find("EndPlugin")));
}

} // namespace
