#include "plugin_harness.h"

#include "host/load_state.h"
#include "host/save_state.h"
#include "base/xception.h"
#include "lwsdk/lwhost.h"
#include "lwsdk/lwio.h"

#include <cstdint>
#include <string>

namespace {

LWItemID item(uintptr_t id) {
    return reinterpret_cast<LWItemID>(id);
}

std::string activation_failure(HostModule& module, LWImageFilterHandler& handler, int version) {
    try {
        module.activate(LWIMAGEFILTER_HCLASS, "Orrelux", version, &handler);
    } catch (StrXception const& e) {
        return static_cast<char const*>(e.message());
    }
    return "no failure";
}

class ModuleLifecycle : public PluginHarness {};

TEST_F(ModuleLifecycle, OffersOnlyTheImageFilterHandler) {
    load();
    EXPECT_NE(module->find_server(LWIMAGEFILTER_HCLASS, "Orrelux"), nullptr);
    EXPECT_EQ(module->find_server(LWIMAGEFILTER_ICLASS, "Orrelux"), nullptr);
}

TEST_F(ModuleLifecycle, ActivationWithAnotherVersionIsRefusedAndInstallsNothing) {
    load();
    for (int version : {6, 8}) {
        EXPECT_NE(activation_failure(*module, handler, version).find("refused version"),
                  std::string::npos);
        EXPECT_EQ(handler.process, nullptr);
        EXPECT_EQ(funcs.create, nullptr);
    }
}

TEST_F(ModuleLifecycle, MissingGlobalFailsActivationButLeavesTheCallbacksInstalled) {
    load();
    host.remove_global(LWFILEIOFUNCS_GLOBAL);
    EXPECT_NE(
        activation_failure(*module, handler, LWIMAGEFILTER_VERSION).find("lacks a host global"),
        std::string::npos);
    EXPECT_NE(handler.process, nullptr);
    EXPECT_NE(items.changeID, nullptr);
    EXPECT_FALSE(std::filesystem::exists(folder.file("orrelux.ini")));
}

TEST_F(ModuleLifecycle, InstancesDescribeThemselvesAndNeedNoExtraBuffersOrItems) {
    activate();
    orrelux* inst = create();
    EXPECT_STREQ(funcs.descln(inst), "Orrelux 2.3");
    EXPECT_EQ(handler.flags(inst)[0], nullptr);
    EXPECT_EQ(items.useItems(inst), nullptr);
}

TEST_F(ModuleLifecycle, NewInstanceHoldsTheDefaults) {
    write_database(folder.file("hipparcos3D.stars"), {}, "ORRELUX2");
    activate();
    orrelux* inst = create();
    EXPECT_EQ(std::string(inst->starfile), folder.file("hipparcos3D.stars"));
    EXPECT_TRUE(inst->starfile_3d);
    EXPECT_EQ(inst->star_size, 2.5);
    EXPECT_EQ(inst->brightness, 5.0);
    EXPECT_EQ(inst->saturation, 0.4);
    EXPECT_EQ(inst->blur_segs, 1);
    EXPECT_EQ(inst->srgb_framebuffer, 1);
    EXPECT_EQ(inst->projection, 0);
    EXPECT_EQ(inst->parent_id, nullptr);
    EXPECT_EQ(inst->star_cache, nullptr);
    EXPECT_FALSE(inst->panel_open);
}

TEST_F(ModuleLifecycle, CopyTakesTheSettingsButNeitherTheReaderNorThePanel) {
    std::string database = folder.file("one.stars");
    write_database(database, {star_towards(0, 0, 1)});
    orrelux* source = linear_instance(database);
    source->brightness = 7.5;
    source->parent_id = item(0x10000002);
    source->panel_open = true;
    orrelux* target = linear_instance(database);
    HostFrame frame(64, 48);
    ASSERT_EQ(process(source, frame), nullptr);
    ASSERT_EQ(process(target, frame), nullptr);
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

class ChangeID : public PluginHarness {
protected:
    ChangeID() {
        activate();
        inst = create();
    }
    orrelux* inst;
};

TEST_F(ChangeID, RenamesListedInOrderAreFollowedToTheEnd) {
    inst->parent_id = item(0x10000001);
    LWItemID pairs[] = {item(0x10000001), item(0x10000002), item(0x10000002),
                        item(0x10000003), nullptr,          nullptr};
    items.changeID(inst, pairs);
    EXPECT_EQ(inst->parent_id, item(0x10000003));
}

TEST_F(ChangeID, APairBeforeTheMatchingOneIsNotRevisited) {
    inst->parent_id = item(0x10000001);
    LWItemID pairs[] = {item(0x10000002), item(0x10000003), item(0x10000001),
                        item(0x10000002), nullptr,          nullptr};
    items.changeID(inst, pairs);
    EXPECT_EQ(inst->parent_id, item(0x10000002));
}

TEST_F(ChangeID, EmptyListOrNoParentChangesNothing) {
    inst->parent_id = item(0x10000001);
    LWItemID empty[] = {nullptr, nullptr};
    items.changeID(inst, empty);
    EXPECT_EQ(inst->parent_id, item(0x10000001));

    inst->parent_id = nullptr;
    LWItemID pairs[] = {item(0x10000001), item(0x10000002), nullptr, nullptr};
    items.changeID(inst, pairs);
    EXPECT_EQ(inst->parent_id, nullptr);
}

class SceneRoundTrip : public PluginHarness {
protected:
    std::string save(orrelux* inst) {
        SaveState state(LWIO_ASCII);
        EXPECT_EQ(funcs.save(inst, state.state()), nullptr);
        return state.data();
    }
    orrelux* load(std::string const& text) {
        orrelux* inst = create();
        LoadState state(text, LWIO_ASCII);
        EXPECT_EQ(funcs.load(inst, state.state()), nullptr);
        return inst;
    }
};

TEST_F(SceneRoundTrip, EverySettingComesBackToSinglePrecision) {
    std::string database = folder.file("three_d.stars");
    write_database(database, {}, "ORRELUX2");
    activate();
    orrelux* a = create();
    a->starfile = database.c_str();
    a->star_size = 3.3;
    a->star_aspect = 0.7;
    a->lum_threshold = 0.001;
    a->lum_max = 0.9;
    a->brightness = 5.0;
    a->brightness_bias = 1.7;
    a->saturation = 0.25;
    a->tint_strength = 0.1;
    a->tint[0] = 0.2;
    a->tint[1] = 0.3;
    a->tint[2] = 0.4;
    a->parallax = 1.5;
    a->blur_segs = 7;
    a->parent_id = item(0x10000005);
    a->srgb_framebuffer = 0;
    a->anamorphic_dof = 1;
    a->three_d = 1;
    a->projection = 2;

    orrelux* b = load(save(a));

    EXPECT_EQ(std::string(b->starfile), database);
    EXPECT_TRUE(b->starfile_3d);
    EXPECT_EQ(b->star_size, double(3.3f));
    EXPECT_EQ(b->star_aspect, double(0.7f));
    EXPECT_EQ(b->lum_threshold, double(0.001f));
    EXPECT_EQ(b->lum_max, double(0.9f));
    EXPECT_EQ(b->brightness, 5.0);
    EXPECT_EQ(b->brightness_bias, double(1.7f));
    EXPECT_EQ(b->saturation, double(0.25f));
    EXPECT_EQ(b->tint_strength, double(0.1f));
    EXPECT_EQ(b->tint[0], double(0.2f));
    EXPECT_EQ(b->tint[1], double(0.3f));
    EXPECT_EQ(b->tint[2], double(0.4f));
    EXPECT_EQ(b->parallax, double(1.5f));
    EXPECT_EQ(b->blur_segs, 7);
    EXPECT_EQ(b->parent_id, item(0x10000005));
    EXPECT_EQ(b->srgb_framebuffer, 0);
    EXPECT_EQ(b->anamorphic_dof, 1);
    EXPECT_EQ(b->three_d, 1);
    EXPECT_EQ(b->projection, 2);
}

TEST_F(SceneRoundTrip, BlocksAreWrittenInTheirFixedOrder) {
    activate();
    orrelux* a = create();
    std::string text = save(a);
    char const* tokens[] = {"OrreluxVersion 2",
                            "StarFile",
                            "StarSize",
                            "StarAspect",
                            "LumThreshold",
                            "LumMax",
                            "Brightness ",
                            "Saturation",
                            "BrightnessBias",
                            "TintStrength",
                            "TintRed",
                            "TintGreen",
                            "TintBlue",
                            "BlurSegs",
                            "ParentID",
                            "sRGBFrameBuffer",
                            "AnamorphicDOF",
                            "ThreeD",
                            "Projection \"Perspective\"",
                            "Parallax",
                            "END"};
    size_t at = 0;
    for (char const* token : tokens) {
        size_t found = text.find(std::string("\n") + token, at);
        if (at == 0 && text.rfind(token, 0) == 0) {
            found = 0;
        }
        ASSERT_NE(found, std::string::npos) << token << " after " << at << " in\n" << text;
        at = found + 1;
    }
}

TEST_F(SceneRoundTrip, PartialBlockLeavesOtherFieldsAtTheirDefaults) {
    activate();
    orrelux* b = load("Brightness 2.5\nBlurSegs 3\n");
    EXPECT_EQ(b->brightness, 2.5);
    EXPECT_EQ(b->blur_segs, 3);
    EXPECT_EQ(b->star_size, 2.5);
    EXPECT_EQ(b->saturation, 0.4);
    EXPECT_EQ(b->projection, 0);
}

TEST_F(SceneRoundTrip, ReadingStopsAtTheEndBlock) {
    activate();
    orrelux* b = load("BlurSegs 3\nEND\nBlurSegs 9\n");
    EXPECT_EQ(b->blur_segs, 3);
}

TEST_F(SceneRoundTrip, OnlyTheExactProjectionNamesSelectAFisheye) {
    activate();
    EXPECT_EQ(load("Projection \"Hemispherical\"\n")->projection, 1);
    EXPECT_EQ(load("Projection \"AzimuthalEquidistant\"\n")->projection, 2);
    EXPECT_EQ(load("Projection \"hemispherical\"\n")->projection, 0);
    EXPECT_EQ(load("Projection \"Stereographic\"\n")->projection, 0);
}

TEST_F(SceneRoundTrip, VersionOneReadsTheQuotedPathAndTheNestedProjection) {
    std::string database = folder.file("old path.stars");
    write_database(database, {});
    activate();
    orrelux* b = load("OrreluxVersion 1\nStarFile \"" + database +
                      "\"\n{ Projection\n  Hemispherical\n}\nBlurSegs 4\nEND\n");
    EXPECT_EQ(std::string(b->starfile), database);
    EXPECT_FALSE(b->starfile_3d);
    EXPECT_EQ(b->projection, 1);
    EXPECT_EQ(b->blur_segs, 4);
}

TEST_F(SceneRoundTrip, VersionOnePathWithoutQuotesStopsTheLoadAtThatBlock) {
    activate();
    orrelux* b = load("OrreluxVersion 1\nBlurSegs 4\nStarFile /no/quotes\nBlurSegs 6\n");
    EXPECT_EQ(b->blur_segs, 4);
}

TEST_F(SceneRoundTrip, MissingDatabaseLoadsAsTheDefaultOne) {
    write_database(folder.file("hipparcos3D.stars"), {}, "ORRELUX2");
    activate();
    orrelux* b = load("StarFile \"" + folder.file("gone.stars") + "\"\n");
    EXPECT_EQ(std::string(b->starfile), folder.file("hipparcos3D.stars"));
    EXPECT_TRUE(b->starfile_3d);
}

TEST_F(SceneRoundTrip, MissingDatabaseWithoutADefaultLoadsAsNone) {
    activate();
    orrelux* b = load("StarFile \"" + folder.file("gone.stars") + "\"\n");
    EXPECT_EQ(std::string(b->starfile), "");
    EXPECT_FALSE(b->starfile_3d);
}

} // namespace
