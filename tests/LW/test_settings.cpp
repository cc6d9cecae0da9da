#include "LW/module_state.h"
#include "LW/settings.h"
#include "host/file_io.h"
#include "host/load_state.h"

#include "plugin_harness.h"

#include <cstdint>

namespace {

TEST(SettingsDefaults, FreshRecordTakesTheDatabaseFromThePreferences) {
    orrelux_ini.default_starfile = "/stars/default.stars";
    orrelux_ini.default_starfile_3d = true;
    orrelux rec{};
    rec.panel_open = true;
    rec.parent_id = reinterpret_cast<LWItemID>(uintptr_t(0x10000001));

    orrelux_defaults(&rec);

    struct Real {
        double orrelux::*field;
        double value;
    };
    for (Real r : {Real{&orrelux::star_size, 2.5},
                   {&orrelux::star_aspect, 1.0},
                   {&orrelux::lum_threshold, 0.001},
                   {&orrelux::lum_max, 0.5},
                   {&orrelux::brightness, 5.0},
                   {&orrelux::brightness_bias, 1.0},
                   {&orrelux::saturation, 0.4},
                   {&orrelux::tint_strength, 0.0},
                   {&orrelux::parallax, 0.0}}) {
        EXPECT_EQ(rec.*r.field, r.value);
    }
    EXPECT_THAT(rec.tint, ::testing::ElementsAre(1.0, 1.0, 1.0));
    struct Int {
        int orrelux::*field;
        int value;
    };
    for (Int i : {Int{&orrelux::blur_segs, 1},
                  {&orrelux::srgb_framebuffer, 1},
                  {&orrelux::anamorphic_dof, 0},
                  {&orrelux::three_d, 0},
                  {&orrelux::projection, 0}}) {
        EXPECT_EQ(rec.*i.field, i.value);
    }
    EXPECT_EQ(std::string(rec.starfile), "/stars/default.stars");
    EXPECT_TRUE(rec.starfile_3d);
    EXPECT_EQ(rec.parent_id, nullptr);
    EXPECT_FALSE(rec.panel_open);
    orrelux_ini.default_starfile = "";
    orrelux_ini.default_starfile_3d = false;
}

// A block whose value is missing or is no number keeps its field: a bare
// "sRGBFrameBuffer" line must not turn sRGB off.
TEST(SettingsLoad, BlockWhoseValueCannotBeReadKeepsItsField) {
    orrelux_ini.file_io = host_file_io();
    orrelux_ini.default_starfile = "";
    LWItemID const parent = reinterpret_cast<LWItemID>(uintptr_t(0x10000007));
    orrelux rec{};
    orrelux_defaults(&rec);
    rec.parent_id = parent;
    LoadState load("OrreluxVersion\nsRGBFrameBuffer\nBlurSegs x\nParentID\nStarSize\n"
                   "Brightness none\nProjection \"Hemispherical\"\nEND\n",
                   LWIO_ASCII);

    orrelux_load(&rec, load.state());

    EXPECT_EQ(rec.srgb_framebuffer, 1);
    EXPECT_EQ(rec.blur_segs, 1);
    EXPECT_EQ(rec.parent_id, parent);
    EXPECT_EQ(rec.star_size, 2.5);
    EXPECT_EQ(rec.brightness, 5.0);
    EXPECT_EQ(rec.projection, 1); // still read after them, by the version 2 rules
}

// Only a host that answers findBlk with an ID outside the list it was given
// gets here.
TEST(SettingsLoad, BlockOutsideTheListIsAnError) {
    LWLoadState state{};
    state.findBlk = [](void*, LWBlockIdent const*) { return LWID_('X', 'X', 'X', 'X'); };
    orrelux rec{};

    EXPECT_THAT([&] { orrelux_load(&rec, &state); },
                throws_message(::testing::StrEq("unknown id in <void orrelux_load(orrelux *, "
                                                "LWLoadState *)> (LW/settings:286)")));
}

} // namespace
