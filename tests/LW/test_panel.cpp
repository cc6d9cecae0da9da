#include "panel_harness.h"

#include "host/services/save_state.h"

#include <cstdint>
#include <sstream>

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class SettingsPanel : public PanelHarness {
protected:
    // A database of one star; with distances when `three_d`.
    std::string database(std::string const& name, bool three_d) {
        std::string path = folder.file(name);
        write_text(path,
                   database_bytes({star_towards(0, 0, 1)}, three_d ? "ORRELUX2" : "ORRELUX1"));
        return path;
    }
    std::string default_database() const { return folder.file("hipparcos3D.stars"); }
};

TEST_F(SettingsPanel, ControlsAndValuesAreDeclaredInLayoutOrder) {
    struct Row {
        unsigned id;
        char const* label;
        char const* control_class;
    };
    Row const controls[] = {
        {0x8015, "Logo", "dThumbnail"},
        {0x8012, "Preview", "dThumbnail"},
        {0x8001, "Star Brightness", "float"},
        {0x8002, "Brightness Bias", "float"},
        {0x8005, "Star Saturation", "float"},
        {0x8003, "Tint Strength", "float"},
        {0x8004, "Tint Color", "color"},
        {0x8006, "Maximum Luminance", "float"},
        {0x8007, "Luminance Threshold", "float"},
        {0x8008, "Star Spot Size", "float"},
        {0x8009, "Star Aspect Ratio", "float"},
        {0x800a, "Motion Blur Segments", "integer"},
        {0x800b, "Parent Object", "vButton"},
        {0x800c, "Projection:", "iChoice"},
        {0x8018, "3D Stars", "iBoolean"},
        {0x8019, "Parallax Crush", "float"},
        {0x800e, "Treat Pixels As:", "iChoice"},
        {0x800d, "Anamorphic DOF", "iBoolean"},
        {0x8011, "Star Database File", "sFileName"},
        {0x800f, "Load Settings", "vButton"},
        {0x8010, "Save Settings", "vButton"},
    };
    Row const values[] = {
        {0x8001, "Star Brightness", "float"},
        {0x8005, "Star Saturation", "float"},
        {0x8006, "Maximum Luminance", "float"},
        {0x8007, "Luminance Threshold", "float"},
        {0x8008, "Star Spot Size", "float"},
        {0x8009, "Star Aspect Ratio", "float"},
        {0x800a, "Motion Blur Segments", "integer"},
        {0x8018, "3D Stars", "integer"},
        {0x8019, "Parallax Crush", "float"},
        {0x800c, "Hemispherical Projection", "integer"},
        {0x800d, "Anamorphic DOF", "integer"},
        {0x800e, "Treat Pixels As:", "integer"},
        {0x8011, "Star Database File", "string"},
    };
    HostPanel& p = open(instance());
    ASSERT_EQ(p.controls.size(), std::size(controls));
    for (std::size_t i = 0; i < std::size(controls); i++) {
        EXPECT_EQ(p.controls[i].id, controls[i].id) << i;
        EXPECT_EQ(p.controls[i].label, controls[i].label) << i;
        EXPECT_EQ(p.controls[i].control_class, controls[i].control_class) << i;
    }
    ASSERT_EQ(p.values.size(), std::size(values));
    for (std::size_t i = 0; i < std::size(values); i++) {
        EXPECT_EQ(p.values[i].id, values[i].id) << i;
        EXPECT_EQ(p.values[i].name, values[i].label) << i;
        EXPECT_EQ(p.values[i].datatype, values[i].control_class) << i;
    }
    EXPECT_EQ(p.title(), "Orrelux");
    EXPECT_THAT(p.choices(0x800e), ElementsAre("Linear Luminance", "sRGB"));
    EXPECT_THAT(p.choices(0x800c), ElementsAre("Persp", "HemiSph", "AzEqu"));
}

// Every hint in order, with its words; a function, text or text list is only
// checked for being there.
TEST_F(SettingsPanel, HintsAreDeclaredInTheirOrderWithTheirWords) {
    std::uintptr_t const P = ~std::uintptr_t(0);
    std::uintptr_t const THUMBNAIL = 0xFFFFFFFF80000000u;
    struct Row {
        unsigned tag;
        std::vector<std::uintptr_t> words;
        std::vector<unsigned> ids;
    };
    Row const rows[] = {
        {0x3D000B03, {0, P, 0}, {}},
        {0x3D001302, {P, 0}, {}},
        {0x3D017403, {0x8015, 0, THUMBNAIL}, {}},
        {0x3D017403, {0x8012, 0, THUMBNAIL}, {}},
        {0x3D021481, {0x8015}, {}},
        {0x3D016502, {0x8015, P}, {}},
        {0x3D014304, {0x8001, 0, 99999999, 1}, {}},
        {0x3D014402, {0x8001, 1}, {}},
        {0x3D014304, {0x8005, 0, 99999999, 1}, {}},
        {0x3D014402, {0x8005, 1}, {}},
        {0x3D014402, {0x8003, 1}, {}},
        {0x3D014304, {0x8006, 0, 99999999, 1}, {}},
        {0x3D014402, {0x8006, 1}, {}},
        {0x3D014304, {0x8007, 0, 99999999, 1}, {}},
        {0x3D014304, {0x8008, 0, 99999999, 1}, {}},
        {0x3D014402, {0x8008, 1}, {}},
        {0x3D014304, {0x8009, 0, 99999999, 1}, {}},
        {0x3D014402, {0x8009, 1}, {}},
        {0x3D014304, {0x800a, 0, 100, 1}, {}},
        {0x3D014402, {0x800a, 50}, {}},
        {0x3D021481, {0x800a}, {}},
        {0x3D015F02, {0x800b, P}, {}},
        {0x3D014503, {0x800e, P, 0}, {}},
        {0x3D014503, {0x800c, P, 0}, {}},
        {0x3D021280, {}, {0x800c}},
        {0x3D021481, {0x8019}, {}},
        {0x3D021481, {0x800d}, {}},
        {0x3D015F02, {0x800f, P}, {}},
        {0x3D015F02, {0x8010, P}, {}},
        {0x3D021280, {}, {0x800f}},
        {0x3D019105, {0x8011, 0, P, 0, 0}, {}},
        {0x3D016502, {0x8012, P}, {}},
        {0x3D021481, {0x8011}, {}},
        {0x3D001201, {0x8001}, {}},
    };
    HostPanel& p = open(instance());
    ASSERT_EQ(p.hints.size(), std::size(rows));
    for (std::size_t i = 0; i < std::size(rows); i++) {
        EXPECT_EQ(p.hints[i].tag, rows[i].tag) << i;
        ASSERT_EQ(p.hints[i].words.size(), rows[i].words.size()) << i;
        for (std::size_t w = 0; w < rows[i].words.size(); w++) {
            if (rows[i].words[w] == P) {
                EXPECT_NE(p.hints[i].words[w], 0u) << i << ", word " << w;
            } else {
                EXPECT_EQ(p.hints[i].words[w], rows[i].words[w]) << i << ", word " << w;
            }
        }
        EXPECT_EQ(p.hints[i].ids, rows[i].ids) << i;
    }
    PanelHint const* request = p.find_hint(XPTAG_XREQCFG, 0x8011);
    EXPECT_STREQ(reinterpret_cast<char const*>(request->words[2]), "Choose Star Database File");
}

TEST_F(SettingsPanel, RangesAreDeclaredForTheControlsThatCarryThem) {
    struct Case {
        unsigned id;
        bool ranged;
        int max;
    };
    Case const cases[] = {
        {0x800a, true, 100},      {0x8001, true, 99999999}, {0x8005, true, 99999999},
        {0x8006, true, 99999999}, {0x8007, true, 99999999}, {0x8008, true, 99999999},
        {0x8009, true, 99999999}, {0x8002, false, 0},       {0x8003, false, 0},
        {0x8019, false, 0},       {0x8004, false, 0},
    };
    HostPanel& p = open(instance());
    for (Case const& c : cases) {
        std::optional<PanelRange> range = p.range(c.id);
        ASSERT_EQ(range.has_value(), c.ranged) << std::hex << c.id;
        if (c.ranged) {
            EXPECT_EQ(range->min, 0) << std::hex << c.id;
            EXPECT_EQ(range->max, c.max) << std::hex << c.id;
            EXPECT_EQ(range->step, 1) << std::hex << c.id;
        }
    }
    PanelHint const* thumbnail = p.find_hint(XPTAG_CTRLCFG, 0x8012);
    ASSERT_NE(thumbnail, nullptr);
    EXPECT_EQ(thumbnail->words[2], 0xFFFFFFFF80000000u);
}

// The lines of the instance's scene block.
std::vector<std::string> block_lines(LWInstanceFuncs const& funcs, orrelux* inst) {
    SaveState saved(LWIO_ASCII);
    EXPECT_EQ(funcs.save(inst, saved.state()), nullptr);
    std::istringstream text(saved.data());
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);) {
        lines.push_back(line);
    }
    return lines;
}

// Each edit lands in its own setting and in no other.
TEST_F(SettingsPanel, EveryControlEditsItsOwnSetting) {
    struct Case {
        unsigned id;
        PanelValue value;
        std::vector<std::string> changed; // the block's lines that differ
    };
    Case const cases[] = {
        {0x8001, PanelValue::real(7.5), {"Brightness 7.5"}},
        {0x8002, PanelValue::real(0.25), {"BrightnessBias 0.25"}},
        {0x8005, PanelValue::real(0.75), {"Saturation 0.75"}},
        {0x8003, PanelValue::real(0.5), {"TintStrength 0.5"}},
        {0x8004,
         PanelValue::color(0.25, 0.5, 0.75),
         {"TintRed 0.25", "TintGreen 0.5", "TintBlue 0.75"}},
        {0x8006, PanelValue::real(0.125), {"LumMax 0.125"}},
        {0x8007, PanelValue::real(0.0625), {"LumThreshold 0.0625"}},
        {0x8008, PanelValue::real(3.5), {"StarSize 3.5"}},
        {0x8009, PanelValue::real(1.5), {"StarAspect 1.5"}},
        {0x800a, PanelValue::of_integer(9), {"BlurSegs 9"}},
        {0x800c, PanelValue::of_integer(2), {"Projection \"AzimuthalEquidistant\""}},
        {0x8019, PanelValue::real(2.5), {"Parallax 2.5"}},
        {0x800e, PanelValue::of_integer(0), {"sRGBFrameBuffer 0"}},
        {0x800d, PanelValue::of_integer(1), {"AnamorphicDOF 1"}},
    };
    for (Case const& c : cases) {
        orrelux* inst = instance();
        std::vector<std::string> before = block_lines(funcs, inst);
        open(inst);
        EXPECT_EQ(edit(c.id, c.value), LWXPRC_DRAW) << std::hex << c.id;
        EXPECT_EQ(value(c.id), c.value) << std::hex << c.id;
        std::vector<std::string> changed;
        for (std::string const& line : block_lines(funcs, inst)) {
            if (std::find(before.begin(), before.end(), line) == before.end()) {
                changed.push_back(line);
            }
        }
        EXPECT_EQ(changed, c.changed) << std::hex << c.id;
        host.panels.close(panel);
    }
}

TEST_F(SettingsPanel, SecondOpeningOfAnOpenPanelBuildsNothing) {
    orrelux* inst = instance();
    LWXPanelID first = activate_interface(inst);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(activate_interface(inst), nullptr);
    EXPECT_EQ(host.panels.created(), 1);

    host.panels.open(first);
    host.panels.close(first);
    EXPECT_NE(activate_interface(inst), nullptr);
    EXPECT_EQ(host.panels.created(), 2);
}

TEST_F(SettingsPanel, ActivationRefusesOtherVersionsAndHostsWithoutPanels) {
    orrelux* inst = instance();
    for (int version : {4, 6}) {
        LWInterface local = {inst, nullptr, nullptr, nullptr};
        EXPECT_THAT([&] { module->activate(LWIMAGEFILTER_ICLASS, "Orrelux", version, &local); },
                    throws_message(HasSubstr("refused version")));
    }
    host.remove_global(LWXPANELFUNCS_GLOBAL);
    EXPECT_THAT([&] { activate_interface(inst); },
                throws_message(HasSubstr("lacks a host global")));
    EXPECT_FALSE(inst->panel_open);
    EXPECT_EQ(host.panels.created(), 0);
}

// The default is re-read when the panel opens, so one put there since the
// instance was made counts.
TEST_F(SettingsPanel, EmptyDatabasePathTakesTheDefaultOrShowsNoFile) {
    activate();
    orrelux* without = create();
    orrelux* with = create();
    without->starfile = with->starfile = "";

    open(without);
    EXPECT_EQ(value(PANEL_STARFILE), PanelValue::of_text("NO FILE!"));
    EXPECT_EQ(std::string(without->starfile), "");

    write_text(default_database(), database_bytes({}, "ORRELUX2"));
    open(with);
    EXPECT_EQ(value(PANEL_STARFILE), PanelValue::of_text(default_database()));
    EXPECT_EQ(edit(PANEL_THREE_D, PanelValue::of_integer(1)), LWXPRC_DRAW);
    EXPECT_EQ(value(PANEL_THREE_D), PanelValue::of_integer(1));
    EXPECT_THAT(errors(), ElementsAre());
}

TEST_F(SettingsPanel, DatabaseWithoutDistancesTurns3DStarsOffAndRedrawsEverything) {
    orrelux* inst = instance();
    inst->starfile = database("deep.stars", true).c_str();
    inst->starfile_3d = true;
    inst->three_d = 1;
    open(inst);
    std::string flat = database("flat.stars", false);

    EXPECT_EQ(edit(PANEL_STARFILE, PanelValue::of_text(flat)), LWXPRC_FULL);

    EXPECT_EQ(value(PANEL_THREE_D), PanelValue::of_integer(0));
    EXPECT_EQ(value(PANEL_STARFILE), PanelValue::of_text(flat));
    EXPECT_EQ(edit(PANEL_STARFILE, PanelValue::of_text(folder.file("deep.stars"))), LWXPRC_DRAW);
    EXPECT_THAT(errors(), ElementsAre());
}

TEST_F(SettingsPanel, FileThatIsNoStarDatabaseIsRefusedAndTheOldOneKept) {
    orrelux* inst = instance();
    std::string kept = database("kept.stars", true);
    inst->starfile = kept.c_str();
    inst->starfile_3d = true;
    open(inst);
    write_text(folder.file("notes.txt"), "these are no stars at all, just some words");

    for (std::string bad : {folder.file("notes.txt"), folder.file("missing.stars")}) {
        EXPECT_EQ(edit(PANEL_STARFILE, PanelValue::of_text(bad)), LWXPRC_DRAW);
        EXPECT_EQ(value(PANEL_STARFILE), PanelValue::of_text(kept));
        EXPECT_EQ(errors().back(), bad + " is not a valid star database file.");
        EXPECT_FALSE(host.messages().back().has_line2);
    }
    EXPECT_TRUE(inst->starfile_3d);
}

TEST_F(SettingsPanel, ThreeDStarsStayOffOverADatabaseWithoutDistances) {
    orrelux* inst = instance();
    std::string flat = database("flat.stars", false);
    inst->starfile = flat.c_str();
    inst->starfile_3d = false;
    open(inst);

    EXPECT_EQ(edit(PANEL_THREE_D, PanelValue::of_integer(1)), LWXPRC_DRAW);

    EXPECT_EQ(value(PANEL_THREE_D), PanelValue::of_integer(0));
    EXPECT_THAT(errors(), ElementsAre("Star database " + flat +
                                      " does not support 3D star option (try "
                                      "hipparcos3D.stars)."));
}

// A record loaded with the option on over such a database can still turn it
// off.
TEST_F(SettingsPanel, ThreeDStarsCanAlwaysBeTurnedOff) {
    orrelux* inst = instance();
    inst->starfile = database("flat.stars", false).c_str();
    inst->starfile_3d = false;
    inst->three_d = 1;
    open(inst);

    EXPECT_EQ(edit(PANEL_THREE_D, PanelValue::of_integer(0)), LWXPRC_DRAW);

    EXPECT_EQ(inst->three_d, 0);
    EXPECT_THAT(errors(), ElementsAre());
}

} // namespace
