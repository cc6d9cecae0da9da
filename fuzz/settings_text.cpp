// Scene blocks (text and binary) through the module's load callback, and
// settings files through the panel's file loader: whatever they load is
// saved as bytes that load back to the same settings, so that saving those
// gives the same bytes again.
#include "fuzz/fuzz_support.h"
#include "fuzz/plugin_session.h"

#include "LW/settings.h"
#include "lwsdk/lwio.h"

#include "base/xception.h"

#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string file_bytes(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What a settings file of `bytes` loads, saved as a settings file.
std::string through_settings_file(PluginSession& session, std::string const& bytes) {
    LWInstance inst = session.create();
    orrelux* rec = static_cast<orrelux*>(inst);
    std::string const saved = fuzz_folder() + "/saved.orrelux";
    try {
        orrelux_load_from_file(rec, fuzz_file("fuzz.orrelux", bytes).c_str());
        orrelux_save_to_file(rec, saved.c_str());
    } catch (Xception const& e) {
        e.print();
        FUZZ_REQUIRE(!"a settings file that exists raised");
    }
    session.destroy(inst);
    return file_bytes(saved);
}

// What a scene block of `bytes` loads, saved as a scene block.
std::string through_scene_block(PluginSession& session, std::string const& bytes, int mode) {
    LWInstance inst = session.create();
    session.load(inst, bytes, mode);
    std::string const saved = session.save(inst, mode);
    session.destroy(inst);
    return saved;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
    PluginSession& session = PluginSession::get();
    FuzzBytes in(data, size);
    unsigned const form = in.pick(3);
    std::string const bytes = in.rest();
    if (form == 2) {
        std::string const saved = through_settings_file(session, bytes);
        FUZZ_REQUIRE(through_settings_file(session, saved) == saved);
    } else {
        int const mode = form == 0 ? LWIO_ASCII : LWIO_BINARY;
        std::string const saved = through_scene_block(session, bytes, mode);
        FUZZ_REQUIRE(through_scene_block(session, saved, mode) == saved);
    }
    return 0;
}
