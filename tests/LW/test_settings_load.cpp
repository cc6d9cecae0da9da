#include "LW/module_state.h"
#include "LW/settings.h"
#include "host/file_io.h"
#include "host/load_state.h"

#include "plugin_harness.h"

#include <cstdint>

namespace {

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
