// The files the plug-in writes survive a write that fails half-way and a
// process killed while writing: the old file stays whole until the new one
// is, and then replaces it.
#include "LW/module_state.h"
#include "LW/orrelux_ini.h"
#include "LW/settings.h"
#include "host/services/file_io.h"
#include "tests/support/interrupted_writes.h"

#include "plugin_harness.h"

namespace {

using ::testing::HasSubstr;

class InterruptedWrites : public ::testing::Test {
protected:
    InterruptedWrites() {
        orrelux_ini.file_io = host_file_io();
        orrelux_ini.install_folder = folder.path.c_str();
        orrelux_ini.default_starfile = "";
        orrelux_defaults(&rec);
    }
    ~InterruptedWrites() override { orrelux_ini.install_folder = ""; }

    // Version n of the preferences has the dialog at n % 2.
    static void save_preferences(unsigned n) {
        orrelux_ini.dialog_x = int(n % 2);
        save_orrelux_ini();
    }

    // Version n of the settings has brightness 1 + n % 2.
    void save_settings(unsigned n) {
        rec.brightness = 1.0 + n % 2;
        orrelux_save_to_file(&rec, settings.c_str());
    }

    // Each version's bytes, as `write` writes it.
    template <class Write>
    static void versions_of(std::string const& path, Write write, std::string versions[2]) {
        for (unsigned n = 0; n < 2; n++) {
            write(n);
            versions[n] = read_text(path);
        }
    }

    TempFolder folder;
    std::string ini = folder.file("orrelux.ini");
    std::string settings = folder.file("look.cfg");
    orrelux rec{};
};

// A full disk is met by the write that crosses the limit: the preferences
// writer raises the system's error, the host reports its own on standard
// error, and neither touches the old file.
TEST_F(InterruptedWrites, AWriteFailingHalfWayLeavesTheOldFileWhole) {
    save_preferences(0);
    save_settings(0);
    std::string const old_ini = read_text(ini), old_settings = read_text(settings);

    std::string const ini_failure = with_file_size_limit(10, [] {
        try {
            save_preferences(1);
        } catch (StrXception const& e) {
            return std::string(e.message());
        }
        return std::string();
    });
    std::string const settings_failure = with_file_size_limit(10, [this] {
        save_settings(1);
        return std::string();
    });

    EXPECT_THAT(ini_failure, HasSubstr("write: File too large"));
    EXPECT_THAT(settings_failure,
                HasSubstr("host error: writing " + settings + " failed: write: File too large"));
    EXPECT_EQ(read_text(ini), old_ini);
    EXPECT_EQ(read_text(settings), old_settings);
    EXPECT_FALSE(std::filesystem::exists(ini + ".inprogress"));
    EXPECT_FALSE(std::filesystem::exists(settings + ".inprogress"));
}

TEST_F(InterruptedWrites, KillingTheWriterLeavesTheOldOrTheNewPreferencesWhole) {
    std::string versions[2];
    versions_of(ini, save_preferences, versions);
    ASSERT_NE(versions[0], versions[1]);
    expect_kills_leave_one_version_whole(ini, versions, save_preferences);
}

TEST_F(InterruptedWrites, KillingTheWriterLeavesTheOldOrTheNewSettingsFileWhole) {
    auto const write = [this](unsigned n) { save_settings(n); };
    std::string versions[2];
    versions_of(settings, write, versions);
    ASSERT_NE(versions[0], versions[1]);
    expect_kills_leave_one_version_whole(settings, versions, write);
}

} // namespace
