#include "plugin_harness.h"

#include "LW/orrelux_ini.h"
#include "host/file_io.h"
#include "host/load_state.h"
#include "host/save_state.h"
#include "lwsdk/lwio.h"

#include <cstdint>
#include <cstdio>
#include <sstream>

namespace {

LWItemID item(uintptr_t id) {
    return reinterpret_cast<LWItemID>(id);
}

class ModuleLifecycle : public PluginHarness {};

TEST(ModuleExports, AreTheSixEntrySymbolsAndNothingElse) {
    std::string command =
        std::string("nm -D --defined-only --format=just-symbols '") + ORRELUX_MODULE + "'";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char names[256] = {};
    EXPECT_LT(fread(names, 1, sizeof names - 1, pipe), sizeof names - 1);
    EXPECT_EQ(pclose(pipe), 0);
    EXPECT_STREQ(names, "ServerDesc\nServerTags\nShutdown\nStartup\nUserNames\n_mod_descrip\n");
}

TEST_F(ModuleLifecycle, ActivationRefusesOtherVersionsAndInstallsNothing) {
    module = std::make_unique<HostModule>(folder.file("orrelux.so").c_str());
    for (int version : {6, 8}) {
        EXPECT_THAT([&] { module->activate(LWIMAGEFILTER_HCLASS, "Orrelux", version, &handler); },
                    throws_message(::testing::HasSubstr("refused version")));
        EXPECT_EQ(handler.process, nullptr);
        EXPECT_EQ(funcs.create, nullptr);
    }
}

std::string saved_block(LWInstanceFuncs const& funcs, orrelux* inst) {
    SaveState saved(LWIO_ASCII);
    EXPECT_EQ(funcs.save(inst, saved.state()), nullptr);
    return saved.data();
}

TEST_F(ModuleLifecycle, CopyTakesTheSettingsButNeitherTheReaderNorThePanel) {
    std::string database = folder.file("one.stars");
    write_database(database, {star_towards(0, 0, 1)});
    orrelux* source = linear_instance(database);
    source->brightness = 7.5;
    source->tint[2] = 0.25;
    source->blur_segs = 9;
    source->projection = 2;
    source->parent_id = item(0x10000002);
    source->panel_open = true;
    write_database(folder.file("other.stars"), {});
    orrelux* target = linear_instance(folder.file("other.stars"));
    render(source, 64, 48);
    render(target, 64, 48);
    ASSERT_NE(source->star_cache, nullptr);
    ASSERT_NE(target->star_cache, nullptr); // dropped by the copy, not leaked

    // The host passes the receiving instance first.
    EXPECT_EQ(funcs.copy(target, source), nullptr);

    EXPECT_EQ(saved_block(funcs, target), saved_block(funcs, source));
    EXPECT_EQ(source->brightness, 7.5);
    EXPECT_EQ(std::string(target->starfile), database);
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
    write_text(database, database_bytes({}, "ORRELUX2"));
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

    SaveState saved(LWIO_ASCII);
    ASSERT_EQ(funcs.save(a, saved.state()), nullptr);
    std::string text = saved.data();
    orrelux* b = create();
    LoadState loaded(text, LWIO_ASCII);
    ASSERT_EQ(funcs.load(b, loaded.state()), nullptr);

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
    std::istringstream lines(text);
    std::string keys;
    for (std::string line; std::getline(lines, line);) {
        keys += line.substr(0, line.find(' ')) + " ";
    }
    EXPECT_EQ(keys, "OrreluxVersion StarFile StarSize StarAspect LumThreshold LumMax Brightness "
                    "Saturation BrightnessBias TintStrength TintRed TintGreen TintBlue BlurSegs "
                    "ParentID sRGBFrameBuffer AnamorphicDOF ThreeD Projection Parallax END ");
}

// Settings records outside the module, over the stand-in host's files.
TEST(SettingsFile, NeverCarriesTheParentAndAMissingOneFailsToOpen) {
    orrelux_ini.file_io = host_file_io();
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
    EXPECT_THAT([&] { orrelux_load_from_file(&a, folder.file("no/such.cfg").c_str()); },
                throws_message(::testing::StrEq("error opening settings file in <void "
                                                "orrelux_load_from_file(orrelux *, const char *)> "
                                                "(LW/settings:312)")));
}

} // namespace
