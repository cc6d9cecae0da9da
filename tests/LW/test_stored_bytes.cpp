#include "LW/orrelux_ini.h"
#include "LW/settings.h"
#include "host/services/file_io.h"
#include "host/services/load_state.h"
#include "host/services/save_state.h"

#include "plugin_harness.h"

#include <cstdint>

namespace {

// The files data/*_saved.* were written by the code as it stood before the
// settings became one table and the module's state one record. Scenes,
// settings files and preferences already stored rely on these bytes, so
// they are the reference, not the code under test. Paths into the test's
// folder stand there as "<folder>". The binary scenes hold their typed
// values big-endian, as the host's binary mode stores them. The block of a
// new record, data/scene_defaults.txt, was written by hand from the
// documented defaults.
std::string reference(std::string const& name) {
    return read_text(std::string(ORRELUX_LW_TEST_DATA) + "/" + name);
}

std::string replaced(std::string text, std::string const& from, std::string const& to) {
    for (size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

class StoredBytes : public ::testing::Test {
protected:
    StoredBytes() {
        orrelux_ini.file_io = host_file_io();
        orrelux_ini.install_folder = folder.path.c_str();
        orrelux_ini.default_starfile = "";
        write_database(folder.file("flat stars.stars"), {});
        write_text(folder.file("deep stars.stars"), database_bytes({}, "ORRELUX2"));
    }
    ~StoredBytes() override { orrelux_ini.install_folder = ""; }

    std::string in_folder(std::string const& text) const {
        return replaced(text, "<folder>", folder.path);
    }
    std::string out_of_folder(std::string const& text) const {
        return replaced(text, folder.path, "<folder>");
    }

    TempFolder folder;
};

TEST_F(StoredBytes, ScenesAndSettingsFilesOfARecordLoadedFromEitherVersionKeepTheirBytes) {
    for (std::string version : {"v1", "v2"}) {
        SCOPED_TRACE(version);
        orrelux rec{};
        orrelux_defaults(&rec);
        LoadState load(in_folder(reference("scene_" + version + ".txt")), LWIO_ASCII);
        orrelux_load(&rec, load.state());

        for (int mode : {LWIO_ASCII, LWIO_BINARY}) {
            SaveState scene(mode);
            orrelux_save(&rec, scene.state(), true);
            std::string name =
                "scene_" + version + (mode == LWIO_ASCII ? "_saved.txt" : "_saved.bin");
            EXPECT_EQ(out_of_folder(scene.data()), reference(name));
        }
        std::string path = folder.file("look.cfg");
        orrelux_save_to_file(&rec, path.c_str());
        EXPECT_EQ(out_of_folder(read_text(path)), reference("settings_" + version + "_saved.txt"));
    }
}

// The database comes from the preferences.
TEST_F(StoredBytes, FreshRecordHoldsTheDefaults) {
    orrelux_ini.default_starfile = folder.file("deep stars.stars").c_str();
    orrelux_ini.default_starfile_3d = true;
    orrelux rec{};
    rec.panel_open = true;
    rec.parent_id = reinterpret_cast<LWItemID>(uintptr_t(0x10000001));

    orrelux_defaults(&rec);

    SaveState scene(LWIO_ASCII);
    orrelux_save(&rec, scene.state(), true);
    EXPECT_EQ(out_of_folder(scene.data()), reference("scene_defaults.txt"));
    EXPECT_TRUE(rec.starfile_3d);
    EXPECT_FALSE(rec.panel_open);
}

TEST_F(StoredBytes, PreferencesFileKeepsItsBytesAndReadsBack) {
    orrelux_ini.default_starfile = folder.file("deep stars.stars").c_str();
    orrelux_ini.dialog_x = 120;
    orrelux_ini.dialog_y = -40;
    orrelux_ini.enable_auto_update = 0;

    save_orrelux_ini();
    orrelux_ini.default_starfile = "";
    orrelux_ini.dialog_x = orrelux_ini.dialog_y = orrelux_ini.enable_auto_update = 7;
    load_orrelux_ini();

    EXPECT_EQ(out_of_folder(read_text(folder.file("orrelux.ini"))), reference("orrelux_saved.ini"));
    EXPECT_EQ(std::string(orrelux_ini.default_starfile), folder.file("deep stars.stars"));
    EXPECT_TRUE(orrelux_ini.default_starfile_3d);
    EXPECT_EQ(orrelux_ini.dialog_x, 120);
    EXPECT_EQ(orrelux_ini.dialog_y, -40);
    EXPECT_EQ(orrelux_ini.enable_auto_update, 0);
}

} // namespace
