#include "LW/file_io.h"
#include "LW/orrelux_ini.h"
#include "LW/settings.h"
#include "host/file_io.h"
#include "base/xception.h"

#include "plugin_harness.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

LWItemID item(uintptr_t id) {
    return reinterpret_cast<LWItemID>(id);
}

std::string failure(void (*operation)(orrelux*, char const*), orrelux* rec,
                    std::string const& path) {
    try {
        operation(rec, path.c_str());
    } catch (StrXception const& e) {
        return static_cast<char const*>(e.message());
    }
    return "no failure";
}

// Settings records outside the module, over the stand-in host's files.
class SettingsFile : public ::testing::Test {
protected:
    SettingsFile() {
        orrelux_ini.file_io = host_file_io();
        set_orrelux_file_io(host_file_io());
        orrelux_ini.default_starfile = "";
        orrelux_ini.default_starfile_3d = false;
        orrelux_defaults(&a);
        orrelux_defaults(&b);
    }

    TempFolder folder;
    orrelux a{};
    orrelux b{};
};

TEST_F(SettingsFile, NeverCarriesTheParentAndLoadingKeepsTheReceiversOne) {
    std::string path = folder.file("look.cfg");
    a.parent_id = item(0x10000004);
    a.brightness = 2.0;
    a.projection = 1;
    b.parent_id = item(0x10000009);

    orrelux_save_to_file(&a, path.c_str());
    orrelux_load_from_file(&b, path.c_str());

    EXPECT_EQ(read_text(path).find("ParentID"), std::string::npos);
    EXPECT_EQ(b.parent_id, item(0x10000009));
    EXPECT_EQ(b.brightness, 2.0);
    EXPECT_EQ(b.projection, 1);
}

TEST_F(SettingsFile, UncreatableFileIsReportedToTheCaller) {
    EXPECT_EQ(failure(orrelux_save_to_file, &a, folder.file("no/such/folder.cfg")),
              "error saving settings file in <void orrelux_save_to_file(orrelux *, const char *)> "
              "(LW/settings:297)");
}

TEST_F(SettingsFile, MissingFileIsReportedToTheCaller) {
    EXPECT_EQ(failure(orrelux_load_from_file, &a, folder.file("missing.cfg")),
              "error opening settings file in <void orrelux_load_from_file(orrelux *, const char "
              "*)> (LW/settings:312)");
}

TEST_F(SettingsFile, UnknownProjectionIsReportedAndTheFileKeepsTheBlocksBeforeIt) {
    std::string path = folder.file("bad.cfg");
    a.projection = 3;
    a.blur_segs = 6;
    ::testing::internal::CaptureStderr();
    orrelux_save_to_file(&a, path.c_str());
    std::string report = ::testing::internal::GetCapturedStderr();

    EXPECT_NE(report.find("Error: unknown projection in <"), std::string::npos) << report;
    std::string text = read_text(path);
    EXPECT_NE(text.find("ThreeD"), std::string::npos);
    EXPECT_EQ(text.find("Projection"), std::string::npos);
    orrelux_load_from_file(&b, path.c_str());
    EXPECT_EQ(b.blur_segs, 6);
}

} // namespace
