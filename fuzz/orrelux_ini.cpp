// The preferences file "orrelux.ini": whatever it holds, what is loaded is
// saved as a file that loads back to the same preferences.
#include "fuzz/fuzz_support.h"
#include "fuzz/plugin_session.h"

#include "LW/module_state.h"
#include "LW/orrelux_ini.h"
#include "LW/starfile.h"

#include "base/xception.h"

#include <string>

namespace {

struct Preferences {
    std::string starfile;
    bool starfile_3d;
    int dialog_x, dialog_y, auto_update;

    bool operator==(Preferences const& o) const {
        return starfile == o.starfile && starfile_3d == o.starfile_3d && dialog_x == o.dialog_x &&
               dialog_y == o.dialog_y &&
               // A switch: any value but 0 is on, and is saved as on.
               (auto_update != 0) == (o.auto_update != 0);
    }
};

Preferences loaded() {
    try {
        load_orrelux_ini();
    } catch (Xception const& e) {
        e.print();
        FUZZ_REQUIRE(!"loading the preferences raised");
    }
    return {static_cast<char const*>(orrelux_ini.default_starfile), orrelux_ini.default_starfile_3d,
            orrelux_ini.dialog_x, orrelux_ini.dialog_y, orrelux_ini.enable_auto_update};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
    PluginSession::get();
    fuzz_file("orrelux.ini", std::string(reinterpret_cast<char const*>(data), size));
    Preferences const first = loaded();
    // A path that names no star database has given way to the default one.
    bool is_3d = !first.starfile_3d;
    FUZZ_REQUIRE(first.starfile.empty() ||
                 (check_starfile(first.starfile.c_str(), &is_3d) && is_3d == first.starfile_3d));
    save_orrelux_ini();
    FUZZ_REQUIRE(loaded() == first);
    return 0;
}
