#include "panel_harness.h"

#include <cstdint>

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

class PanelButtons : public PanelHarness {
protected:
    // Presses "Parent Object" with the user's answer scripted.
    PostedDialog choose_parent(bool accept, int index) {
        host.panels.dialog_answers.push_back({accept, {{0x8001, PanelValue::of_integer(index)}}});
        host.panels.press(panel, PANEL_PARENT);
        EXPECT_EQ(host.panels.live(), 1u) << "the dialog outlives its button";
        return host.panels.posted.back();
    }
    std::string settings_file(std::string const& name) const { return folder.file(name); }
};

TEST_F(PanelButtons, PopupListsObjectsThenLightsThenCamerasInTheHostsOrder) {
    host.scene.add(LWI_LIGHT, "Sun");
    LWItemID ball = host.scene.add(LWI_OBJECT, "Ball");
    host.scene.add(LWI_CAMERA, "Side");
    host.scene.add(LWI_OBJECT, "Cube");
    host.scene.add(LWI_LIGHT, "Fill");
    orrelux* inst = instance();
    inst->parent_id = ball;
    open(inst);

    PostedDialog dialog = choose_parent(false, 0);

    EXPECT_EQ(dialog.title, "Parent Stars to Object");
    EXPECT_EQ(dialog.dialog_type, LWXPDLG_OKCANCEL);
    EXPECT_THAT(dialog.popups.at(0x8001),
                ElementsAre("NONE", "Ball", "Cube", "(Light) Sun", "(Light) Fill",
                            "(Camera) Camera", "(Camera) Side"));
    EXPECT_EQ(dialog.form.at(0x8001), PanelValue::of_integer(1));
}

TEST_F(PanelButtons, AcceptingTakesTheChosenItemAndCancellingKeepsTheParent) {
    LWItemID ball = host.scene.add(LWI_OBJECT, "Ball");
    LWItemID lamp = host.scene.add(LWI_LIGHT, "Lamp");
    orrelux* inst = instance();
    inst->parent_id = ball;
    open(inst);

    choose_parent(false, 2);
    EXPECT_EQ(inst->parent_id, ball);
    EXPECT_EQ(choose_parent(true, 2).form.at(0x8001), PanelValue::of_integer(1));
    EXPECT_EQ(inst->parent_id, lamp);
    choose_parent(true, 0);
    EXPECT_EQ(inst->parent_id, nullptr);
}

TEST_F(PanelButtons, DeletedParentShowsAsNoneAndCancellingKeepsIt) {
    LWItemID ball = host.scene.add(LWI_OBJECT, "Ball");
    host.scene.add(LWI_OBJECT, "Cube");
    orrelux* inst = instance();
    inst->parent_id = ball;
    open(inst);
    host.scene.remove(ball);

    PostedDialog dialog = choose_parent(false, 1);

    EXPECT_EQ(dialog.form.at(0x8001), PanelValue::of_integer(0));
    EXPECT_THAT(dialog.popups.at(0x8001), ElementsAre("NONE", "Cube", "(Camera) Camera"));
    EXPECT_EQ(inst->parent_id, ball);
}

// The values of tests/LW/data/settings_v2_saved.txt, as the file holds them.
struct Expected {
    unsigned id;
    PanelValue value;
};

TEST_F(PanelButtons, LoadingASettingsFileShowsEveryLoadedValue) {
    std::string text = read_text(std::string(ORRELUX_LW_TEST_DATA) + "/settings_v2_saved.txt");
    text.replace(text.find("<folder>"), 8, folder.path);
    write_text(settings_file("look.cfg"), text);
    write_text(folder.file("deep stars.stars"), database_bytes({}, "ORRELUX2"));
    host.files.folder = folder.path;
    host.files.answers = {settings_file("look.cfg")};
    open(instance());

    host.panels.press(panel, PANEL_LOAD);

    Expected const expected[] = {
        {0x8001, PanelValue::real(12)},
        {0x8002, PanelValue::real(double(0.8f))},
        {0x8005, PanelValue::real(double(0.55f))},
        {0x8003, PanelValue::real(double(0.45f))},
        {0x8004, PanelValue::color(double(0.2f), double(0.6f), 1)},
        {0x8006, PanelValue::real(double(0.65f))},
        {0x8007, PanelValue::real(double(0.0004f))},
        {0x8008, PanelValue::real(1.75)},
        {0x8009, PanelValue::real(double(1.3f))},
        {0x800a, PanelValue::of_integer(3)},
        {0x800c, PanelValue::of_integer(2)},
        {0x8018, PanelValue::of_integer(1)},
        {0x8019, PanelValue::real(2.5)},
        {0x800e, PanelValue::of_integer(0)},
        {0x800d, PanelValue::of_integer(1)},
        {0x8011, PanelValue::of_text(folder.file("deep stars.stars"))},
    };
    for (Expected const& e : expected) {
        EXPECT_EQ(value(e.id), e.value) << std::hex << e.id;
    }
    ASSERT_EQ(host.files.requests.size(), 1u);
    EXPECT_EQ(host.files.requests[0].title, "Load Orrelux Settings From File");
    EXPECT_EQ(host.files.requests[0].name, "<*.cfg");
    EXPECT_EQ(host.files.requests[0].path, folder.path);
    EXPECT_EQ(host.files.requests[0].buffer_length, 4096);
}

TEST_F(PanelButtons, SavingASettingsFileNeverWritesTheParent) {
    orrelux* inst = instance();
    inst->parent_id = host.scene.add(LWI_OBJECT, "Ball");
    inst->brightness = 7;
    host.files.answers = {settings_file("saved.cfg"), ""};
    open(inst);

    host.panels.press(panel, PANEL_SAVE);

    std::string saved = read_text(settings_file("saved.cfg"));
    EXPECT_THAT(saved, HasSubstr("Brightness 7\n"));
    EXPECT_THAT(saved, Not(HasSubstr("ParentID")));
    EXPECT_EQ(host.files.requests.back().title, "Save Orrelux Settings To File");
    EXPECT_EQ(host.files.requests.back().name, ">*.cfg");
}

TEST_F(PanelButtons, CancelledRequestsLoadAndSaveNothing) {
    orrelux* inst = instance();
    open(inst);
    inst->brightness = 3;
    for (unsigned button : {PANEL_LOAD, PANEL_SAVE}) {
        host.panels.press(panel, button);
    }
    EXPECT_EQ(host.files.requests.size(), 2u);
    EXPECT_EQ(value(0x8001), PanelValue::real(5));
    std::vector<std::string> files;
    for (auto const& entry : std::filesystem::directory_iterator(folder.path)) {
        files.push_back(entry.path().filename().string());
    }
    EXPECT_THAT(files, ::testing::UnorderedElementsAre("orrelux.so", "orrelux.ini"));
}

TEST_F(PanelButtons, MissingFileServiceIsNamedAndNothingIsRequested) {
    struct Case {
        char const* global;
        char const* message;
    };
    Case const cases[] = {
        {LWDIRINFOFUNC_GLOBAL, "no dir info global"},
        {LWFILETYPEFUNC_GLOBAL, "no file type global"},
        {LWFILEREQFUNC_GLOBAL, "no file requester global"},
    };
    open(instance());
    for (Case const& c : cases) {
        host.remove_global(c.global);
        ::testing::internal::CaptureStderr();
        host.panels.press(panel, PANEL_LOAD);
        EXPECT_THAT(::testing::internal::GetCapturedStderr(), HasSubstr(c.message));
    }
    EXPECT_TRUE(host.files.requests.empty());
}

TEST_F(PanelButtons, ClosingThePanelStoresItsDatabaseAsTheDefault) {
    write_text(folder.file("hipparcos3D.stars"), database_bytes({}));
    std::string mine = folder.file("mine.stars");
    write_text(mine, database_bytes({}));
    orrelux* inst = instance();
    open(inst);
    EXPECT_EQ(edit(PANEL_STARFILE, PanelValue::of_text(mine)), LWXPRC_DRAW);

    host.panels.close(panel);

    EXPECT_THAT(read_text(folder.file("orrelux.ini")),
                HasSubstr("DefaultStarFile \"" + mine + "\"\r\n"));
    EXPECT_FALSE(inst->panel_open);
    EXPECT_EQ(std::string(instance()->starfile), mine);
}

} // namespace
