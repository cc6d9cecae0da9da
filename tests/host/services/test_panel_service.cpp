#include "host/services/host.h"
#include "lwsdk/lwxpanel.h"

#include "tests/support/raised.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

unsigned const SIZE = 0x10, NAME = 0x11, BUTTON = 0x12, PICTURE = 0x13, CHOICE = 0x14;

// The instance a small module edits through a view: its values, and what the
// set callback answers for each ID.
struct Instance {
    double size = 2;
    char name[32] = "first";
    int presses = 0;
    LWXPRefreshCode answer = LWXPRC_DRAW;
    std::vector<std::string> notified;
};

Instance* edited = nullptr;

void* get(void* inst, unsigned int vid) {
    Instance* i = static_cast<Instance*>(inst);
    return vid == SIZE ? static_cast<void*>(&i->size) : vid == NAME ? i->name : nullptr;
}

// Stores the size doubled, so that a re-read shows what the module kept.
LWXPRefreshCode set(void* inst, unsigned int vid, void* value) {
    Instance* i = static_cast<Instance*>(inst);
    if (vid == SIZE) {
        i->size = 2 * *static_cast<double*>(value);
        snprintf(i->name, sizeof i->name, "size %g", i->size);
    }
    return i->answer;
}

void press(LWXPanelID, int cid) {
    edited->presses += cid == int(BUTTON);
}

void paint(LWXPanelID, unsigned int, LWXPDrAreaID area, int w, int h) {
    LWXPDrawFuncs* draw = Host::active().panels.funcs()->drawf;
    draw->drawRGBPixel(area, 10, 20, 30, 0, 0);
    draw->drawRGBPixel(area, 255, 0, 0, w - 1, h - 1);
    draw->drawRGBPixel(area, 1, 1, 1, w, 0);
}

void notify(void* data) {
    static_cast<Instance*>(data)->notified.push_back("closed");
}

LWXPanelControl CONTROLS[] = {
    {SIZE, "Size", "float"},        {NAME, "Name", "sFileName"}, {BUTTON, "Press", "vButton"},
    {PICTURE, "Pic", "dThumbnail"}, {0, nullptr, nullptr},
};
LWXPanelDataDesc VALUES[] = {
    {SIZE, "Size", "float"}, {NAME, "Name", "string"}, {0, nullptr, nullptr}};

LWXPanelHint word(std::uintptr_t w) {
    return reinterpret_cast<LWXPanelHint>(w);
}

template <typename F> LWXPanelHint function(F* f) {
    return reinterpret_cast<LWXPanelHint>(f);
}

class HostPanels : public ::testing::Test {
protected:
    HostPanels() { edited = &inst; }

    LWXPanelFuncs* xp() {
        return static_cast<LWXPanelFuncs*>(Host::global(LWXPANELFUNCS_GLOBAL, 0));
    }

    // What a module's interface activation does.
    LWXPanelID build(std::vector<LWXPanelHint> hints) {
        LWXPanelID panel = xp()->create(LWXP_VIEW, CONTROLS);
        xp()->setData(panel, 0, &inst);
        xp()->hint(panel, 0, hints.data());
        xp()->describe(panel, VALUES, get, set);
        xp()->viewInst(panel, &inst);
        return panel;
    }
    LWXPanelID build() {
        return build({word(XPTAG_LABEL), word(0), const_cast<char*>("Small"), word(0),
                      word(XPTAG_RANGE), word(SIZE), word(0), word(100), word(1),
                      word(XPTAG_BUTNOTIFY), word(BUTTON), function(press), word(XPTAG_DRAWCBFUNC),
                      word(PICTURE), function(paint), word(XPTAG_DESTROYNOTIFY), function(notify),
                      word(0), word(XPTAG_END)});
    }

    Host host;
    Instance inst;
};

TEST_F(HostPanels, OpeningShowsEveryValueAndTheDeclaredHints) {
    HostPanel& panel = host.panels.open(build());
    EXPECT_EQ(panel.title(), "Small");
    EXPECT_EQ(panel.shown.at(SIZE), PanelValue::real(2));
    EXPECT_EQ(panel.shown.at(NAME), PanelValue::of_text("first"));
    EXPECT_EQ(panel.shown.count(BUTTON), 0u);
    ASSERT_TRUE(panel.range(SIZE));
    EXPECT_EQ(panel.range(SIZE)->max, 100);
    EXPECT_FALSE(panel.range(NAME));
}

// DRAW re-reads the edited control only, FULL every control, NONE none.
TEST_F(HostPanels, EditsAreReadBackAsTheRefreshCodeAsks) {
    struct Case {
        LWXPRefreshCode answer;
        double size_shown;
        char const* name_shown;
    };
    Case const cases[] = {
        {LWXPRC_DRAW, 6, "first"},
        {LWXPRC_FULL, 6, "size 6"},
        {LWXPRC_NONE, 3, "first"},
    };
    for (Case const& c : cases) {
        Instance fresh;
        inst = fresh;
        inst.answer = c.answer;
        LWXPanelID id = build();
        HostPanel& panel = host.panels.open(id);
        EXPECT_EQ(host.panels.edit(id, SIZE, PanelValue::real(3)), c.answer);
        EXPECT_EQ(panel.shown.at(SIZE), PanelValue::real(c.size_shown)) << c.answer;
        EXPECT_EQ(panel.shown.at(NAME), PanelValue::of_text(c.name_shown)) << c.answer;
        host.panels.close(id);
    }
}

TEST_F(HostPanels, ButtonsThumbnailsAndClosingCallTheModule) {
    LWXPanelID id = build();
    host.panels.open(id);
    host.panels.press(id, BUTTON);
    EXPECT_EQ(inst.presses, 1);
    RgbPicture picture = host.panels.draw(id, PICTURE, 4, 3);
    EXPECT_THAT(picture.at(0, 0), ElementsAre(10, 20, 30));
    EXPECT_THAT(picture.at(3, 2), ElementsAre(255, 0, 0));
    EXPECT_THAT(picture.at(1, 1), ElementsAre(0, 0, 0));
    EXPECT_EQ(picture.drawn, 2);
    EXPECT_EQ(picture.clipped, 1);
    host.panels.close(id);
    EXPECT_THAT(inst.notified, ElementsAre("closed"));
    EXPECT_EQ(host.panels.find(id), nullptr);
    EXPECT_THAT(raised([&] { host.panels.press(id, BUTTON); }), HasSubstr("no such panel"));
}

// Each misuse is reported at the next user action and leaves the service
// working.
TEST_F(HostPanels, MisuseByTheModuleIsReportedAtTheNextUserAction) {
    struct Case {
        char const* message;
        void (*misuse)(LWXPanelFuncs* xp, LWXPanelID panel);
    };
    Case const cases[] = {
        {"hint: the panel is shown already",
         [](LWXPanelFuncs* xp, LWXPanelID panel) {
             LWXPanelHint end[] = {nullptr};
             xp->hint(panel, 0, end);
         }},
        {"destroy of a panel that does not exist",
         [](LWXPanelFuncs* xp, LWXPanelID) { xp->destroy(reinterpret_cast<LWXPanelID>(8)); }},
        {"create: unknown control class \"knob\"",
         [](LWXPanelFuncs* xp, LWXPanelID) {
             LWXPanelControl knob[] = {{1, "Knob", "knob"}, {0, nullptr, nullptr}};
             EXPECT_EQ(xp->create(LWXP_VIEW, knob), nullptr);
         }},
        {"post: only forms are posted",
         [](LWXPanelFuncs* xp, LWXPanelID panel) { EXPECT_EQ(xp->post(panel), 0); }},
        {"drawRGBPixel outside its draw callback",
         [](LWXPanelFuncs* xp, LWXPanelID) { xp->drawf->drawRGBPixel(nullptr, 0, 0, 0, 0, 0); }},
    };
    LWXPanelID id = build();
    host.panels.open(id);
    for (Case const& c : cases) {
        c.misuse(xp(), id);
        EXPECT_THAT(raised([&] { host.panels.press(id, BUTTON); }), HasSubstr(c.message));
        EXPECT_EQ(raised([&] { host.panels.press(id, BUTTON); }), "nothing");
    }
}

TEST_F(HostPanels, MalformedHintsOrHintsNamingNoControlAreFaults) {
    struct Case {
        std::vector<LWXPanelHint> hints;
        char const* message;
    };
    Case const cases[] = {
        {{word(XPTAG_RANGE), word(0x99), word(0), word(1), word(1), word(XPTAG_END)},
         "XPTAG_RANGE names control 0x99, which the panel lacks"},
        {{word(XPTAG_LEFT), word(SIZE), word(0x98), word(0), word(XPTAG_END)},
         "XPTAG_LEFT names control 0x98"},
        {{word(0x1234), word(XPTAG_END)}, "hint: hint list: word 0 (0x1234) is not a tag"},
    };
    for (Case const& c : cases) {
        LWXPanelID id = build(c.hints);
        EXPECT_THAT(raised([&] { host.panels.open(id); }), HasSubstr(c.message));
    }
}

int popup_count(void*) {
    return 2;
}

char const* popup_name(void*, int index) {
    return index == 0 ? "zero" : nullptr;
}

TEST_F(HostPanels, DialogsAreAnsweredAsScripted) {
    LWXPanelControl controls[] = {{CHOICE, "Pick", "iPopChoice"}, {0, nullptr, nullptr}};
    LWXPanelID dialog = xp()->create(LWXP_FORM, controls);
    std::vector<LWXPanelHint> hints = {
        word(XPTAG_DLOGTYPE),  word(LWXPDLG_OKCANCEL), word(XPTAG_POPFUNCS), word(CHOICE),
        function(popup_count), function(popup_name),   word(XPTAG_END)};
    xp()->hint(dialog, 0, hints.data());
    EXPECT_EQ(xp()->formGet(dialog, CHOICE), nullptr);
    int one = 1;
    xp()->formSet(dialog, CHOICE, &one);
    host.panels.dialog_answers.push_back({true, {{CHOICE, PanelValue::of_integer(0)}}});
    host.panels.dialog_answers.push_back({false, {}});

    EXPECT_EQ(xp()->post(dialog), 1);
    EXPECT_EQ(*static_cast<int*>(xp()->formGet(dialog, CHOICE)), 0);
    EXPECT_EQ(xp()->post(dialog), 0);
    EXPECT_EQ(xp()->post(dialog), 0);
    xp()->destroy(dialog);

    ASSERT_EQ(host.panels.posted.size(), 2u);
    EXPECT_EQ(host.panels.posted[0].dialog_type, LWXPDLG_OKCANCEL);
    EXPECT_EQ(host.panels.posted[0].form.at(CHOICE), PanelValue::of_integer(1));
    EXPECT_THAT(host.panels.posted[0].popups.at(CHOICE), ElementsAre("zero", ""));
    EXPECT_EQ(host.panels.live(), 0u);
    EXPECT_THAT(raised([&] { host.panels.open(build()); }),
                HasSubstr("post: no answer scripted for the dialog"));
}

TEST_F(HostPanels, FileRequesterAnswersAsScriptedAndCutsToTheBuffers) {
    auto* request = reinterpret_cast<LWFileReqFunc*>(Host::global(LWFILEREQFUNC_GLOBAL, 0));
    auto* pattern = reinterpret_cast<LWFileTypeFunc*>(Host::global(LWFILETYPEFUNC_GLOBAL, 0));
    auto* folder = reinterpret_cast<LWDirInfoFunc*>(Host::global(LWDIRINFOFUNC_GLOBAL, 0));
    host.files.folder = "/settings";
    host.files.answers = {"/settings/mine.cfg", "/a/long/path.cfg"};
    EXPECT_STREQ(pattern(LWFTYPE_SETTING), "*.cfg");
    EXPECT_STREQ(pattern("Images"), "");
    EXPECT_STREQ(folder(LWFTYPE_SETTING), "/settings");

    char name[32] = "<*.cfg", path[32] = "/settings", full[32] = "";
    EXPECT_EQ(request("Load", name, path, full, 32), 1);
    EXPECT_STREQ(full, "/settings/mine.cfg");
    EXPECT_STREQ(name, "mine.cfg");
    EXPECT_STREQ(path, "/settings");
    char small_name[8] = "", small_path[8] = "", small_full[8] = "xxxxxxx";
    EXPECT_EQ(request("Save", small_name, small_path, small_full, 8), 1);
    EXPECT_STREQ(small_full, "/a/long");
    EXPECT_EQ(request("Again", name, path, full, 32), 0);

    ASSERT_EQ(host.files.requests.size(), 3u);
    EXPECT_EQ(host.files.requests[0].title, "Load");
    EXPECT_EQ(host.files.requests[0].name, "<*.cfg");
    EXPECT_EQ(host.files.requests[0].buffer_length, 32);
}

} // namespace
