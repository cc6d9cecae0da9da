#include "LW/file_io.h"
#include "LW/orrelux_ini.h"
#include "LW/osx.h"
#include "host/file_io.h"

#include "plugin_harness.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The preferences of the code linked into this test program, whose file lies
// beside the program; each test removes it again.
class PreferencesFile : public ::testing::Test {
protected:
    PreferencesFile() {
        set_orrelux_file_io(host_file_io());
        orrelux_ini.file_io = host_file_io();
    }
    ~PreferencesFile() override {
        std::error_code ignored;
        std::filesystem::remove(path(), ignored);
    }
    std::string path() const { return std::string(get_orrelux_ini_path()); }
};

TEST_F(PreferencesFile, LivesBesideTheCodeThatReadsIt) {
    EXPECT_EQ(path(), std::string(get_orrelux_path()) + "/orrelux.ini");
    EXPECT_TRUE(std::filesystem::is_directory(std::string(get_orrelux_path())));
}

TEST_F(PreferencesFile, SwitchedOffUpdateCheckIsWrittenLast) {
    orrelux_ini.default_starfile = "";
    orrelux_ini.dialog_x = 10;
    orrelux_ini.dialog_y = 20;
    orrelux_ini.enable_auto_update = 0;
    save_orrelux_ini();
    EXPECT_EQ(read_text(path()),
              "OrreluxVersion 1\r\nDialogX 10\r\nDialogY 20\r\nEnableAutoUpdate 0\r\n");
}

TEST_F(PreferencesFile, ValuesWrittenAreReadBack) {
    orrelux_ini.dialog_x = -5;
    orrelux_ini.dialog_y = 300;
    orrelux_ini.enable_auto_update = 0;
    save_orrelux_ini();
    orrelux_ini.dialog_x = orrelux_ini.dialog_y = orrelux_ini.enable_auto_update = 7;
    load_orrelux_ini();
    EXPECT_EQ(orrelux_ini.dialog_x, -5);
    EXPECT_EQ(orrelux_ini.dialog_y, 300);
    EXPECT_EQ(orrelux_ini.enable_auto_update, 0);
}

TEST_F(PreferencesFile, OneLineMayHoldEveryPair) {
    write_text(path(), "OrreluxVersion 1 DialogX 10 DialogY 20");
    load_orrelux_ini();
    EXPECT_EQ(orrelux_ini.dialog_x, 10);
    EXPECT_EQ(orrelux_ini.dialog_y, 20);
    EXPECT_EQ(orrelux_ini.enable_auto_update, 1);
    EXPECT_EQ(read_text(path()), "OrreluxVersion 1 DialogX 10 DialogY 20");
}

TEST_F(PreferencesFile, LaterValueOfAKeyIsIgnored) {
    write_text(path(), "OrreluxVersion 1\nDialogX 10\n\nDialogY 20 DialogX 30\n");
    load_orrelux_ini();
    EXPECT_EQ(orrelux_ini.dialog_x, 10);
    EXPECT_EQ(orrelux_ini.dialog_y, 20);
}

} // namespace
