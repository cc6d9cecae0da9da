#include "LW/module_state.h"
#include "LW/settings.h"
#include "host/services/file_io.h"
#include "host/services/load_state.h"

#include "plugin_harness.h"

#include <cstdint>

namespace {

LWItemID item(uintptr_t id) {
    return reinterpret_cast<LWItemID>(id);
}

// A defaulted record beside a default database with distances.
class SettingsRecord : public ::testing::Test {
protected:
    SettingsRecord() {
        orrelux_ini.file_io = host_file_io();
        orrelux_ini.install_folder = folder.path.c_str();
        orrelux_ini.default_starfile = "";
        write_text(default_database, database_bytes({}, "ORRELUX2"));
        orrelux_defaults(&rec);
    }
    ~SettingsRecord() override { orrelux_ini.install_folder = ""; }

    void load(std::string const& text) {
        LoadState state(text, LWIO_ASCII);
        orrelux_load(&rec, state.state());
    }

    TempFolder folder;
    std::string default_database = folder.file("hipparcos3D.stars");
    orrelux rec{};
};

// A value that is missing or no number keeps its field: a bare
// "sRGBFrameBuffer" line must not turn sRGB off. Nothing after END is read.
TEST_F(SettingsRecord, UnreadableValuesKeepTheirFieldsAndEndStopsTheBlock) {
    rec.parent_id = item(0x10000007);
    load("OrreluxVersion\nsRGBFrameBuffer\nBlurSegs x\nParentID\nStarSize\nBrightness none\n"
         "Projection \"Hemispherical\"\nEND\nSaturation 0.9\n");

    EXPECT_EQ(rec.srgb_framebuffer, 1);
    EXPECT_EQ(rec.blur_segs, 1);
    EXPECT_EQ(rec.parent_id, item(0x10000007));
    EXPECT_EQ(rec.star_size, 2.5);
    EXPECT_EQ(rec.brightness, 5.0);
    EXPECT_EQ(rec.projection, 1); // still read after them, by the version 2 rules
    EXPECT_EQ(rec.saturation, 0.4);
}

// Version 1 names the projection by a nested block, version 2 by its name,
// whole and case-sensitively; anything else is perspective.
TEST_F(SettingsRecord, ProjectionIsReadByTheRulesOfTheBlocksVersion) {
    std::pair<char const*, int> const cases[] = {
        {"OrreluxVersion 1\n{ Projection\n  Hemispherical\n}\nParallax 0.5\n", 1},
        {"OrreluxVersion 1\n{ Projection\n  Perspective\n}\nParallax 0.5\n", 0},
        {"OrreluxVersion 1\n{ Projection\n}\nParallax 0.5\n", 0},
        {"Projection \"AzimuthalEquidistant\"\nParallax 0.5\n", 2},
        {"Projection \"Hemispherical\"\nParallax 0.5\n", 1},
        {"Projection \"hemispherical\"\nParallax 0.5\n", 0},
        {"Projection \"Hemispherical2\"\nParallax 0.5\n", 0},
    };
    for (auto const& [text, projection] : cases) {
        rec.projection = -1;
        rec.parallax = 0;
        load(text);
        EXPECT_EQ(rec.projection, projection) << text;
        EXPECT_EQ(rec.parallax, 0.5) << text;
    }
}

// A database that is missing or no star database gives way to the default
// one, or to none when that is missing too. Version 1 knows only quoted
// paths, version 2 also bare words.
TEST_F(SettingsRecord, UnusableDatabaseGivesWayToTheDefault) {
    write_text(folder.file("text.stars"), "not a star database, though long enough to be one");
    write_database(folder.file("flat.stars"), {});
    struct Case {
        std::string text, database;
        bool is_3d;
    } const cases[] = {
        {"StarFile " + folder.file("flat.stars") + "\n", folder.file("flat.stars"), false},
        {"StarFile \"" + folder.file("gone.stars") + "\"\n", default_database, true},
        {"StarFile \"" + folder.file("text.stars") + "\"\n", default_database, true},
        {"OrreluxVersion 1\nStarFile \"" + folder.file("gone.stars") + "\"\n", default_database,
         true},
    };
    for (Case const& c : cases) {
        rec.starfile = "";
        rec.starfile_3d = !c.is_3d;
        load(c.text);
        EXPECT_EQ(std::string(rec.starfile), c.database) << c.text;
        EXPECT_EQ(rec.starfile_3d, c.is_3d) << c.text;
    }
    std::filesystem::remove(default_database);
    load(cases[1].text);
    EXPECT_EQ(std::string(rec.starfile), "");
    EXPECT_FALSE(rec.starfile_3d);
}

// A damaged or hand-edited block cannot give the renderer a value the panel
// could not: a blur segment count beyond its range is limited to it, a value
// that is no finite number gives way to the field's default, each with a
// warning naming what was read. Values the panel can give pass unchanged.
TEST_F(SettingsRecord, ValuesThePanelCannotGiveAreReplacedWithAWarning) {
    struct Case {
        char const* text;
        double orrelux::*real; // or the blur segments when null
        double value;
        char const* named; // what the warning quotes; null for no warning
    } const cases[] = {
        {"BlurSegs 2000000000", nullptr, 100, "BlurSegs 2000000000"},
        {"BlurSegs 101", nullptr, 100, "BlurSegs 101"},
        {"BlurSegs -1", nullptr, 0, "BlurSegs -1"},
        {"BlurSegs 100", nullptr, 100, nullptr},
        {"BlurSegs 0", nullptr, 0, nullptr},
        {"Saturation nan", &orrelux::saturation, 0.4, "Saturation nan"},
        {"Brightness -inf", &orrelux::brightness, 5.0, "Brightness -inf"},
        {"StarSize 1e39", &orrelux::star_size, 2.5, "StarSize inf"}, // beyond a float
        {"Saturation 3.5", &orrelux::saturation, 3.5, nullptr},
        {"Brightness -2", &orrelux::brightness, -2.0, nullptr},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.text);
        orrelux_defaults(&rec);
        ::testing::internal::CaptureStderr();
        load(std::string(c.text) + "\nEND\n");
        std::string const warnings = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(c.real ? rec.*c.real : rec.blur_segs, c.value);
        if (c.named) {
            EXPECT_THAT(warnings, ::testing::StartsWith(std::string("warning: ") + c.named));
        } else {
            EXPECT_EQ(warnings, "");
        }
    }
    // The three tint components are one colour; each falls back on its own.
    ::testing::internal::CaptureStderr();
    load("TintRed inf\nTintGreen 0.25\nTintBlue nan\n");
    EXPECT_THAT(::testing::internal::GetCapturedStderr(),
                ::testing::AllOf(::testing::HasSubstr("TintRed inf"),
                                 ::testing::HasSubstr("TintBlue nan")));
    EXPECT_EQ(rec.tint[0], 1.0);
    EXPECT_EQ(rec.tint[1], 0.25);
    EXPECT_EQ(rec.tint[2], 1.0);
}

// Version 1 wrote the path in double quotes and nothing else.
TEST_F(SettingsRecord, UnquotedVersion1DatabasePathIsAnError) {
    for (char const* text : {"OrreluxVersion 1\nStarFile stars.stars\n",
                             "OrreluxVersion 1\nStarFile \"stars.stars\n"}) {
        LoadState state(text, LWIO_ASCII);
        EXPECT_THAT([&] { orrelux_load(&rec, state.state()); },
                    throws_message(::testing::StrEq(
                        "the star database path of a version 1 block is not in double quotes in "
                        "<void orrelux_load(orrelux *, LWLoadState *)> (LW/settings:146)")))
            << text;
    }
}

// Only a host that answers findBlk with an ID outside the list it was given
// gets here.
TEST_F(SettingsRecord, BlockOutsideTheListIsAnError) {
    LWLoadState state{};
    state.findBlk = [](void*, LWBlockIdent const*) { return LWID_('X', 'X', 'X', 'X'); };

    EXPECT_THAT([&] { orrelux_load(&rec, &state); },
                throws_message(::testing::StrEq("unknown id in <void orrelux_load(orrelux *, "
                                                "LWLoadState *)> (LW/settings:286)")));
}

TEST_F(SettingsRecord, SettingsFileNeverCarriesTheParentAndOneThatCannotBeOpenedIsAnError) {
    orrelux other{};
    orrelux_defaults(&other);
    rec.parent_id = item(0x10000004);
    rec.brightness = 2.0;
    other.parent_id = item(0x10000009);
    std::string path = folder.file("look.cfg");

    orrelux_save_to_file(&rec, path.c_str());
    orrelux_load_from_file(&other, path.c_str());

    EXPECT_EQ(read_text(path).find("ParentID"), std::string::npos);
    EXPECT_EQ(other.parent_id, item(0x10000009));
    EXPECT_EQ(other.brightness, 2.0);
    std::string missing = folder.file("no/such.cfg");
    EXPECT_THAT([&] { orrelux_load_from_file(&rec, missing.c_str()); },
                throws_message(::testing::StrEq("error opening settings file in <void "
                                                "orrelux_load_from_file(orrelux *, const char *)> "
                                                "(LW/settings:312)")));
    EXPECT_THAT([&] { orrelux_save_to_file(&rec, missing.c_str()); },
                throws_message(::testing::StrEq("error saving settings file in <void "
                                                "orrelux_save_to_file(orrelux *, const char *)> "
                                                "(LW/settings:297)")));
}

} // namespace
