// Scene files: a scene is read alike with LF and CRLF line ends; a refused
// one is refused alike, naming the file; and each Orrelux block it holds
// loads through the module's load callback and saves as text that loads back
// to the same settings.
#include "fuzz/fuzz_support.h"
#include "fuzz/plugin_session.h"

#include "host/scene/scene_file.h"
#include "lwsdk/lwio.h"

#include <algorithm>
#include <optional>
#include <string>

namespace {

std::string without_cr(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

// Every fact of a scene that does not depend on its line ends.
bool same_scene(SceneFile const& a, SceneFile const& b) {
    if (a.version != b.version || a.filters.size() != b.filters.size() ||
        a.scene.items().size() != b.scene.items().size() ||
        a.scene.current_camera != b.scene.current_camera ||
        a.scene.frame_width != b.scene.frame_width ||
        a.scene.frame_height != b.scene.frame_height) {
        return false;
    }
    for (size_t i = 0; i < a.filters.size(); i++) {
        SceneFilter const& f = a.filters[i];
        SceneFilter const& g = b.filters[i];
        if (f.server != g.server || f.position != g.position || f.enabled != g.enabled ||
            without_cr(f.text) != without_cr(g.text)) {
            return false;
        }
    }
    for (size_t i = 0; i < a.scene.items().size(); i++) {
        HostItem const& p = a.scene.items()[i];
        HostItem const& q = b.scene.items()[i];
        if (p.id != q.id || p.type != q.type || p.name != q.name || p.parent != q.parent) {
            return false;
        }
    }
    return true;
}

// The scene, or the line its error names.
std::optional<SceneFile> read(std::string const& text, int& error_line) {
    try {
        return read_scene_text(text, "fuzz.lws");
    } catch (SceneFileError const& e) {
        FUZZ_REQUIRE(std::string(e.what()).rfind("fuzz.lws:", 0) == 0);
        error_line = e.line();
        return std::nullopt;
    }
}

void check_orrelux_block(std::string const& text) {
    PluginSession& session = PluginSession::get();
    LWInstance first = session.create();
    session.load(first, text, LWIO_ASCII);
    std::string const saved = session.save(first, LWIO_ASCII);
    session.destroy(first);
    LWInstance second = session.create();
    session.load(second, saved, LWIO_ASCII);
    FUZZ_REQUIRE(session.save(second, LWIO_ASCII) == saved);
    session.destroy(second);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
    std::string const text(reinterpret_cast<char const*>(data), size);
    int error_line = 0;
    std::optional<SceneFile> const scene = read(text, error_line);
    if (text.find('\r') == std::string::npos) {
        std::string crlf;
        for (char c : text) {
            crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        }
        int crlf_error_line = 0;
        std::optional<SceneFile> const again = read(crlf, crlf_error_line);
        FUZZ_REQUIRE(scene.has_value() == again.has_value());
        FUZZ_REQUIRE(scene ? same_scene(*scene, *again) : error_line == crlf_error_line);
    }
    if (scene) {
        for (SceneFilter const& filter : scene->filters) {
            if (filter.server == "Orrelux") {
                check_orrelux_block(filter.text);
            }
        }
    }
    return 0;
}
