#include "plugin_harness.h"

namespace {

// The file as written with the defaults.
std::string defaults(std::string const& database = "") {
    std::string line = database.empty() ? "" : "DefaultStarFile \"" + database + "\"\r\n";
    return "OrreluxVersion 1\r\n" + line + "DialogX -9999\r\nDialogY -9999\r\n";
}

// Works in `path` for its lifetime.
class WorkingFolder {
public:
    explicit WorkingFolder(std::filesystem::path const& path) {
        std::filesystem::current_path(path);
    }
    ~WorkingFolder() { std::filesystem::current_path(saved); }

private:
    std::filesystem::path saved = std::filesystem::current_path();
};

class Preferences : public PluginHarness {
protected:
    std::string ini() const { return folder.file("orrelux.ini"); }
    std::string default_database() const { return folder.file("hipparcos3D.stars"); }
    std::string quoted(std::string const& name) const { return "\"" + folder.file(name) + "\""; }
};

TEST_F(Preferences, MissingFileIsWrittenWholeWithTheDefaults) {
    write_database(default_database(), {});
    activate();
    EXPECT_EQ(read_text(ini()), defaults(default_database()));
    EXPECT_FALSE(std::filesystem::exists(ini() + ".inprogress"));
    EXPECT_EQ(std::string(create()->starfile), default_database());
}

// Nothing after a line that cannot be read counts; a file rewritten after
// "Bad data" holds the defaults.
TEST_F(Preferences, ReadingTakesTheFirstValueOfEachKeyAndFallsBackOnBadFiles) {
    struct Case {
        std::string text;
        char const* database; // given to new instances
        std::string report;   // on standard error
    };
    std::string const bad_line =
        "warning: Error reading Orrelux INI file: in <void load_orrelux_ini()>\n";
    std::string const bad_data = "warning: Warning: Bad data in INI file, using default "
                                 "parameters instead in <void load_orrelux_ini()>\n";
    std::string const mine = "DefaultStarFile " + quoted("mine.stars") + "\n";
    Case const cases[] = {
        {"OrreluxVersion 1\r\n\r\nDefaultStarFile " + quoted("my stars.stars") + "\r\n",
         "my stars.stars", ""},
        {"DefaultStarFile " + quoted("mine.stars") + " OrreluxVersion 1 Unknown 2\n" +
             "DefaultStarFile " + quoted("my stars.stars") + "\n",
         "mine.stars", ""},
        {"OrreluxVersion 1\nDefaultStarFile " + quoted("gone.stars"), "hipparcos3D.stars", ""},
        {"OrreluxVersion 1\nDefaultStarFile " + quoted("orrelux.so"), "hipparcos3D.stars", ""},
        {"OrreluxVersion 1\n" + mine + "DialogX \"10\n", "mine.stars", bad_line},
        {"OrreluxVersion 1\nDialogX \"10\n" + mine, "hipparcos3D.stars", bad_line},
        {"orreluxversion 1\n", "hipparcos3D.stars", bad_data},
        {"DialogX", "hipparcos3D.stars", bad_line + bad_data},
    };
    write_database(default_database(), {});
    write_database(folder.file("my stars.stars"), {});
    write_database(folder.file("mine.stars"), {});
    for (Case const& c : cases) {
        SCOPED_TRACE(c.text);
        write_text(ini(), c.text);

        ::testing::internal::CaptureStderr();
        activate();
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.report);

        EXPECT_EQ(std::string(create()->starfile), folder.file(c.database));
        bool rewritten = c.report.find("Bad data") != std::string::npos;
        EXPECT_EQ(read_text(ini()), rewritten ? defaults(default_database()) : c.text);
    }
}

// The loader keeps the name it was given; a relative one would name other
// files once the host changes its working folder.
TEST_F(Preferences, ModuleLoadedByARelativePathFindsItsFolderAbsolute) {
    write_database(default_database(), {});
    std::filesystem::path folder_path(folder.path);
    {
        WorkingFolder beside(folder_path.parent_path());
        module =
            std::make_unique<HostModule>((folder_path.filename() / "orrelux.so").string().c_str());
        activate();
    }

    EXPECT_EQ(std::string(create()->starfile), default_database());
    EXPECT_EQ(read_text(ini()), defaults(default_database()));
}

// The preferences keep a database name as written; a relative one is looked
// for in the working folder, however short.
TEST_F(Preferences, RelativeDefaultDatabaseIsCheckedInTheWorkingFolder) {
    write_database(folder.file("s"), {});
    write_text(ini(), "OrreluxVersion 1\nDefaultStarFile s\n");
    WorkingFolder here(folder.path);
    activate();
    EXPECT_EQ(std::string(create()->starfile), "s");
}

// Bad data makes the module write its defaults.
TEST_F(Preferences, FileBehindALinkIsWrittenThroughTheLink) {
#ifdef _WIN32
    GTEST_SKIP() << "symbolic links need a privilege on Windows";
#endif
    write_database(default_database(), {});
    TempFolder elsewhere;
    write_text(elsewhere.file("shared.ini"), "OrreluxVersion 7\r\n");
    std::filesystem::create_symlink(elsewhere.file("shared.ini"), ini());

    activate();

    EXPECT_TRUE(std::filesystem::is_symlink(ini()));
    EXPECT_EQ(read_text(elsewhere.file("shared.ini")), defaults(default_database()));
}

// A folder that the user cannot write may hold a file that they can. Tests
// run as root, who may write anywhere, so the temporary file is kept from
// being made by a folder of its name.
TEST_F(Preferences, FileIsWrittenInPlaceWhenNoTemporaryFileCanBeMadeBesideIt) {
    write_database(default_database(), {});
    write_text(ini(), "OrreluxVersion 7\r\n");
    std::filesystem::create_directory(ini() + ".inprogress");

    activate();

    EXPECT_EQ(read_text(ini()), defaults(default_database()));
}

TEST_F(Preferences, DatabasePathWithAQuoteIsLeftOutOfTheFileWithAWarning) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows file names cannot hold a double quote";
#endif
    TempFolder quoted("orrelux-\"quoted\"-");
    std::filesystem::copy_file(ORRELUX_MODULE, quoted.file("orrelux.so"));
    write_database(quoted.file("hipparcos3D.stars"), {});
    module = std::make_unique<HostModule>(quoted.file("orrelux.so").c_str());

    ::testing::internal::CaptureStderr();
    activate();

    EXPECT_THAT(::testing::internal::GetCapturedStderr(),
                ::testing::HasSubstr("holds a double quote"));
    EXPECT_EQ(read_text(quoted.file("orrelux.ini")), defaults());
    EXPECT_EQ(std::string(create()->starfile), quoted.file("hipparcos3D.stars"));
}

} // namespace
