#include "plugin_harness.h"

#include "LW/file_io.h"
#include "LW/orrelux_ini.h"
#include "host/file_io.h"
#include "host/load_state.h"
#include "host/save_state.h"
#include "base/xception.h"
#include "lwsdk/lwio.h"

#include <cstdint>
#include <sstream>
#include <string>

namespace {

LWItemID item(uintptr_t id) {
    return reinterpret_cast<LWItemID>(id);
}

class ModuleLifecycle : public PluginHarness {
protected:
    std::string scene_of(orrelux* inst) {
        SaveState state(LWIO_ASCII);
        EXPECT_EQ(funcs.save(inst, state.state()), nullptr);
        return state.data();
    }
    orrelux* from_scene(std::string const& text) {
        orrelux* inst = create();
        LoadState state(text, LWIO_ASCII);
        EXPECT_EQ(funcs.load(inst, state.state()), nullptr);
        return inst;
    }
};

TEST_F(ModuleLifecycle, ActivationRefusesOtherVersionsAndInstallsNothing) {
    load();
    for (int version : {6, 8}) {
        try {
            module->activate(LWIMAGEFILTER_HCLASS, "Orrelux", version, &handler);
            ADD_FAILURE() << "accepted version " << version;
        } catch (StrXception const& e) {
            EXPECT_NE(std::string(e.message()).find("refused version"), std::string::npos);
        }
        EXPECT_EQ(handler.process, nullptr);
        EXPECT_EQ(funcs.create, nullptr);
    }
}

TEST_F(ModuleLifecycle, CopyTakesTheSettingsButNeitherTheReaderNorThePanel) {
    std::string database = folder.file("one.stars");
    write_database(database, {star_towards(0, 0, 1)});
    orrelux* source = linear_instance(database);
    source->brightness = 7.5;
    source->parent_id = item(0x10000002);
    source->panel_open = true;
    orrelux* target = linear_instance(database);
    render(source, 64, 48);
    render(target, 64, 48);
    ASSERT_NE(source->star_cache, nullptr);

    EXPECT_EQ(funcs.copy(source, target), nullptr);

    EXPECT_EQ(std::string(target->starfile), database);
    EXPECT_EQ(target->brightness, 7.5);
    EXPECT_EQ(target->parent_id, item(0x10000002));
    EXPECT_EQ(target->star_cache, nullptr);
    EXPECT_FALSE(target->panel_open);
    EXPECT_NE(source->star_cache, nullptr);
    EXPECT_TRUE(source->panel_open);
}

TEST_F(ModuleLifecycle, ChangeIDFollowsRenamesListedInOrderOnly) {
    LWItemID const p = item(0x10000001), q = item(0x10000002), r = item(0x10000003);
    struct Case {
        LWItemID parent;
        std::vector<LWItemID> pairs; // old, new, ..., ending with null, null
        LWItemID expected;
    };
    Case cases[] = {
        {p, {p, q, q, r, nullptr, nullptr}, r},
        {p, {q, r, p, q, nullptr, nullptr}, q},
        {p, {nullptr, nullptr}, p},
        {nullptr, {p, q, nullptr, nullptr}, nullptr},
    };
    activate();
    orrelux* inst = create();
    for (Case& c : cases) {
        inst->parent_id = c.parent;
        items.changeID(inst, c.pairs.data());
        EXPECT_EQ(inst->parent_id, c.expected) << &c - cases;
    }
}

TEST_F(ModuleLifecycle, SceneKeepsEverySettingToSinglePrecisionInBlocksOfAFixedOrder) {
    std::string database = folder.file("three_d.stars");
    write_database(database, {}, "ORRELUX2");
    double orrelux::*const reals[] = {
        &orrelux::star_size,  &orrelux::star_aspect,   &orrelux::lum_threshold,
        &orrelux::lum_max,    &orrelux::brightness,    &orrelux::brightness_bias,
        &orrelux::saturation, &orrelux::tint_strength, &orrelux::parallax};
    activate();
    orrelux* a = create();
    a->starfile = database.c_str();
    double value = 0.001;
    for (auto field : reals) {
        a->*field = value *= 1.7;
    }
    for (double& tint : a->tint) {
        tint = value *= 1.7;
    }
    a->blur_segs = 7;
    a->parent_id = item(0x10000005);
    a->srgb_framebuffer = 0;
    a->anamorphic_dof = a->three_d = 1;
    a->projection = 2;

    std::string text = scene_of(a);
    orrelux* b = from_scene(text);

    EXPECT_EQ(std::string(b->starfile), database);
    EXPECT_TRUE(b->starfile_3d);
    for (auto field : reals) {
        EXPECT_EQ(b->*field, double(float(a->*field)));
    }
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(b->tint[i], double(float(a->tint[i])));
    }
    for (auto field : {&orrelux::blur_segs, &orrelux::srgb_framebuffer, &orrelux::anamorphic_dof,
                       &orrelux::three_d, &orrelux::projection}) {
        EXPECT_EQ(b->*field, a->*field);
    }
    EXPECT_EQ(b->parent_id, item(0x10000005));
    std::istringstream tokens(
        "OrreluxVersion StarFile StarSize StarAspect LumThreshold LumMax Brightness Saturation "
        "BrightnessBias TintStrength TintRed TintGreen TintBlue BlurSegs ParentID "
        "sRGBFrameBuffer AnamorphicDOF ThreeD Projection Parallax END");
    size_t at = 0;
    for (std::string token; tokens >> token;) {
        at = ("\n" + text).find("\n" + token, at);
        ASSERT_NE(at, std::string::npos) << token << " in order in\n" << text;
    }
}

// Settings records outside the module, over the stand-in host's files.
TEST(SettingsFile, NeverCarriesTheParentAndReportsEveryFailure) {
    orrelux_ini.file_io = host_file_io();
    set_orrelux_file_io(host_file_io());
    orrelux_ini.default_starfile = "";
    TempFolder folder;
    orrelux a{}, b{};
    orrelux_defaults(&a);
    orrelux_defaults(&b);
    a.parent_id = item(0x10000004);
    a.brightness = 2.0;
    b.parent_id = item(0x10000009);
    std::string path = folder.file("look.cfg");

    orrelux_save_to_file(&a, path.c_str());
    orrelux_load_from_file(&b, path.c_str());

    EXPECT_EQ(read_text(path).find("ParentID"), std::string::npos);
    EXPECT_EQ(b.parent_id, item(0x10000009));
    EXPECT_EQ(b.brightness, 2.0);
    // A failure inside is reported and the blocks before it are kept.
    a.projection = 3;
    a.blur_segs = 6;
    ::testing::internal::CaptureStderr();
    orrelux_save_to_file(&a, path.c_str());
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("Error: unknown projection in <"),
              std::string::npos);
    orrelux_load_from_file(&b, path.c_str());
    EXPECT_EQ(b.blur_segs, 6);
    for (auto operation : {orrelux_save_to_file, orrelux_load_from_file}) {
        try {
            operation(&a, folder.file("no/such.cfg").c_str());
            ADD_FAILURE() << "no failure";
        } catch (StrXception const& e) {
            EXPECT_STREQ(e.message(), operation == orrelux_save_to_file
                                          ? "error saving settings file in <void "
                                            "orrelux_save_to_file(orrelux *, const char *)> "
                                            "(LW/settings:297)"
                                          : "error opening settings file in <void "
                                            "orrelux_load_from_file(orrelux *, const char *)> "
                                            "(LW/settings:312)");
        }
    }
}

} // namespace
