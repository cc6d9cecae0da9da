#include "plugin_harness.h"

#include <filesystem>
#include <string>

namespace {

class Preferences : public PluginHarness {
protected:
    std::string ini() const { return folder.file("orrelux.ini"); }
    std::string default_database() const { return folder.file("hipparcos3D.stars"); }
    std::string starfile_of_new_instance() {
        activate();
        return std::string(create()->starfile);
    }
};

TEST_F(Preferences, MissingFileIsWrittenWithTheDefaults) {
    write_database(default_database(), {});
    activate();
    EXPECT_EQ(read_text(ini()), "OrreluxVersion 1\r\nDefaultStarFile \"" + default_database() +
                                    "\"\r\nDialogX -9999\r\nDialogY -9999\r\n");
    EXPECT_FALSE(std::filesystem::exists(ini() + ".inprogress"));
}

TEST_F(Preferences, WithoutADefaultDatabaseTheFileHasNoDatabaseLine) {
    activate();
    EXPECT_EQ(read_text(ini()), "OrreluxVersion 1\r\nDialogX -9999\r\nDialogY -9999\r\n");
    EXPECT_EQ(std::string(create()->starfile), "");
}

TEST_F(Preferences, StoredDatabaseWithBlanksInItsPathServesNewInstances) {
    std::string mine = folder.file("my stars.stars");
    write_database(mine, {}, "ORRELUX2");
    std::string text = "OrreluxVersion 1\r\n\r\nDefaultStarFile \"" + mine + "\"\r\n";
    write_text(ini(), text);
    activate();
    orrelux* inst = create();
    EXPECT_EQ(std::string(inst->starfile), mine);
    EXPECT_TRUE(inst->starfile_3d);
    EXPECT_EQ(read_text(ini()), text);
}

TEST_F(Preferences, PairsMayShareALineAndTheFirstOfTwoValuesCounts) {
    std::string first = folder.file("first.stars");
    std::string second = folder.file("second.stars");
    write_database(first, {});
    write_database(second, {});
    write_text(ini(), "DefaultStarFile \"" + first + "\" OrreluxVersion 1\nDefaultStarFile \"" +
                          second + "\"\n");
    EXPECT_EQ(starfile_of_new_instance(), first);
}

TEST_F(Preferences, StoredDatabaseThatIsGoneFallsBackToTheOneBesideTheModule) {
    write_database(default_database(), {});
    write_text(ini(), "OrreluxVersion 1\nDefaultStarFile \"" + folder.file("gone.stars") + "\"\n");
    EXPECT_EQ(starfile_of_new_instance(), default_database());
}

TEST_F(Preferences, WrongVersionWarnsAndWritesTheDefaults) {
    write_text(ini(), "OrreluxVersion 2\nDialogX 10\n");
    ::testing::internal::CaptureStderr();
    activate();
    std::string report = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(report.find("warning: Warning: Bad data in INI file, using default parameters "
                          "instead in <"),
              std::string::npos);
    EXPECT_EQ(read_text(ini()), "OrreluxVersion 1\r\nDialogX -9999\r\nDialogY -9999\r\n");
}

TEST_F(Preferences, KeyWithoutValueStopsReadingWithAWarning) {
    write_text(ini(), "DialogX");
    ::testing::internal::CaptureStderr();
    activate();
    std::string report = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(report.find("warning: Error reading Orrelux INI file: in <"), std::string::npos);
    EXPECT_NE(report.find("Bad data in INI file"), std::string::npos);
    EXPECT_EQ(read_text(ini()), "OrreluxVersion 1\r\nDialogX -9999\r\nDialogY -9999\r\n");
}

TEST_F(Preferences, UnterminatedQuoteKeepsTheEntriesBeforeIt) {
    std::string mine = folder.file("mine.stars");
    write_database(mine, {});
    std::string text = "OrreluxVersion 1\nDefaultStarFile \"" + mine + "\"\nDialogX \"10\n";
    write_text(ini(), text);
    EXPECT_EQ(starfile_of_new_instance(), mine);
    EXPECT_EQ(read_text(ini()), text);
}

class QuotedFolder : public Preferences {};

TEST_F(QuotedFolder, DatabasePathWithAQuoteIsLeftOutOfTheFileWithAWarning) {
    TempFolder quoted("orrelux-\"quoted\"-");
    std::filesystem::copy_file(ORRELUX_MODULE, quoted.file("orrelux.so"));
    write_database(quoted.file("hipparcos3D.stars"), {});
    module = std::make_unique<HostModule>(quoted.file("orrelux.so").c_str());

    ::testing::internal::CaptureStderr();
    activate();
    std::string report = ::testing::internal::GetCapturedStderr();

    EXPECT_NE(report.find("holds a double quote"), std::string::npos) << report;
    EXPECT_EQ(read_text(quoted.file("orrelux.ini")),
              "OrreluxVersion 1\r\nDialogX -9999\r\nDialogY -9999\r\n");
    EXPECT_EQ(std::string(create()->starfile), quoted.file("hipparcos3D.stars"));
    // The file written reads back without complaint.
    ::testing::internal::CaptureStderr();
    activate();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

} // namespace
