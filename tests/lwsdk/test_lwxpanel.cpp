#include "lwsdk/lwxpanel.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace {

TEST(LwxpanelLayout, HandlesAreOpaquePointers) {
    static_assert(std::is_pointer_v<LWXPanelID> && sizeof(LWXPanelID) == 8);
    static_assert(std::is_same_v<LWXPDrAreaID, void*>);
    static_assert(std::is_same_v<LWXPanelHint, void*>);
    static_assert(sizeof(LWXPRefreshCode) == 4);
}

TEST(LwxpanelLayout, PanelFunctionsAreTheHostsUpToPost) {
    static_assert(offsetof(LWXPanelFuncs, version) == 0);
    static_assert(offsetof(LWXPanelFuncs, drawf) == 8);
    static_assert(offsetof(LWXPanelFuncs, create) == 16);
    static_assert(offsetof(LWXPanelFuncs, destroy) == 24);
    static_assert(offsetof(LWXPanelFuncs, describe) == 32);
    static_assert(offsetof(LWXPanelFuncs, hint) == 40);
    static_assert(offsetof(LWXPanelFuncs, getData) == 48);
    static_assert(offsetof(LWXPanelFuncs, setData) == 56);
    static_assert(offsetof(LWXPanelFuncs, formGet) == 64);
    static_assert(offsetof(LWXPanelFuncs, formSet) == 72);
    static_assert(offsetof(LWXPanelFuncs, viewInst) == 80);
    static_assert(offsetof(LWXPanelFuncs, viewRefresh) == 88);
    static_assert(offsetof(LWXPanelFuncs, post) == 96);
    static_assert(sizeof(LWXPanelFuncs) == 104);
    static_assert(std::is_same_v<decltype(LWXPanelFuncs::version), int>);
    static_assert(std::is_same_v<decltype(LWXPanelFuncs::drawf), LWXPDrawFuncs*>);
    static_assert(
        std::is_same_v<decltype(LWXPanelFuncs::create), LWXPanelID (*)(int, LWXPanelControl*)>);
    static_assert(std::is_same_v<decltype(LWXPanelFuncs::destroy), void (*)(LWXPanelID)>);
    static_assert(
        std::is_same_v<decltype(LWXPanelFuncs::describe),
                       void (*)(LWXPanelID, LWXPanelDataDesc*, void* (*)(void*, unsigned int),
                                LWXPRefreshCode (*)(void*, unsigned int, void*))>);
    static_assert(
        std::is_same_v<decltype(LWXPanelFuncs::hint), void (*)(LWXPanelID, unsigned int, void**)>);
    static_assert(
        std::is_same_v<decltype(LWXPanelFuncs::getData), void* (*)(LWXPanelID, unsigned int)>);
    static_assert(std::is_same_v<decltype(LWXPanelFuncs::setData),
                                 void (*)(LWXPanelID, unsigned int, void*)>);
    static_assert(
        std::is_same_v<decltype(LWXPanelFuncs::formGet), void* (*)(LWXPanelID, unsigned int)>);
    static_assert(std::is_same_v<decltype(LWXPanelFuncs::formSet),
                                 void (*)(LWXPanelID, unsigned int, void*)>);
    static_assert(std::is_same_v<decltype(LWXPanelFuncs::viewInst), void (*)(LWXPanelID, void*)>);
    static_assert(std::is_same_v<decltype(LWXPanelFuncs::viewRefresh), void (*)(LWXPanelID)>);
    static_assert(std::is_same_v<decltype(LWXPanelFuncs::post), int (*)(LWXPanelID)>);
}

TEST(LwxpanelLayout, DrawFunctionsAreTheHostsUpToRGBPixels) {
    static_assert(offsetof(LWXPDrawFuncs, drawPixel) == 0);
    static_assert(offsetof(LWXPDrawFuncs, drawRGBPixel) == 8);
    static_assert(sizeof(LWXPDrawFuncs) == 16);
    static_assert(
        std::is_same_v<decltype(LWXPDrawFuncs::drawPixel), void (*)(void*, int, int, int)>);
    static_assert(std::is_same_v<decltype(LWXPDrawFuncs::drawRGBPixel),
                                 void (*)(void*, int, int, int, int, int)>);
}

TEST(LwxpanelLayout, ControlAndValueEntriesAreTheHosts) {
    static_assert(offsetof(LWXPanelControl, cid) == 0);
    static_assert(offsetof(LWXPanelControl, label) == 8);
    static_assert(offsetof(LWXPanelControl, ctrlclass) == 16);
    static_assert(sizeof(LWXPanelControl) == 24);
    static_assert(std::is_same_v<decltype(LWXPanelControl::cid), unsigned int>);
    static_assert(offsetof(LWXPanelDataDesc, vid) == 0);
    static_assert(offsetof(LWXPanelDataDesc, name) == 8);
    static_assert(offsetof(LWXPanelDataDesc, datatype) == 16);
    static_assert(sizeof(LWXPanelDataDesc) == 24);
    static_assert(std::is_same_v<decltype(LWXPanelDataDesc::vid), unsigned int>);
}

// IDs are 32 bits wide everywhere but in the button and popup callbacks.
TEST(LwxpanelLayout, CallbacksTakeTheHostsIDWidths) {
    static_assert(std::is_same_v<LWXPanelGetFunc, void*(void*, unsigned int)>);
    static_assert(std::is_same_v<LWXPanelSetFunc, LWXPRefreshCode(void*, unsigned int, void*)>);
    static_assert(
        std::is_same_v<LWXPanelDrawFunc, void(LWXPanelID, unsigned int, void*, int, int)>);
    static_assert(std::is_same_v<LWXPanelBtnClickFunc, void(LWXPanelID, int)>);
    static_assert(std::is_same_v<LWXPanelPopCntFunc, int(void*)>);
    static_assert(std::is_same_v<LWXPanelPopNameFunc, const char*(void*, int)>);
    static_assert(std::is_same_v<LWXPanelDestroyNotifyFunc, void(void*)>);
    static_assert(std::is_same_v<LWFileReqFunc, int(const char*, char*, char*, char*, int)>);
    static_assert(std::is_same_v<LWFileTypeFunc, const char*(const char*)>);
    static_assert(std::is_same_v<LWDirInfoFunc, const char*(const char*)>);
}

TEST(LwxpanelConstants, AreTheHosts) {
    EXPECT_STREQ(LWXPANELFUNCS_GLOBAL, "LWXPanel 3");
    EXPECT_STREQ(LWFILEREQFUNC_GLOBAL, "File Request");
    EXPECT_STREQ(LWFILETYPEFUNC_GLOBAL, "File Type Pattern");
    EXPECT_STREQ(LWDIRINFOFUNC_GLOBAL, "Directory Info 2");
    EXPECT_STREQ(LWFTYPE_SETTING, "Settings");
    EXPECT_EQ(LWXP_VIEW, 1);
    EXPECT_EQ(LWXP_FORM, 2);
    int const codes[] = {LWXPRC_NONE, LWXPRC_DFLT, LWXPRC_DRAW, LWXPRC_FULL, LWXPRC_REFORMAT};
    for (int i = 0; i < 5; i++) {
        EXPECT_EQ(codes[i], i);
    }
    int const dialogs[] = {LWXPDLG_OKCANCEL, LWXPDLG_DONE,     LWXPDLG_OKONLY,
                           LWXPDLG_YESNO,    LWXPDLG_YESNOALL, LWXPDLG_YESNOCAN};
    for (int i = 0; i < 6; i++) {
        EXPECT_EQ(dialogs[i], i + 2);
    }
    EXPECT_EQ(LWXPREQ_LOAD, 0);
    EXPECT_EQ(LWXPREQ_SAVE, 1);
    EXPECT_EQ(LWXPREQ_DIR, 2);
    EXPECT_EQ(uintptr_t(intptr_t(THUM_FULL)), 0xFFFFFFFF80000000u);
}

// Each tag carries its number, its fixed word count and its ID-list flag.
TEST(LwxpanelConstants, HintTagsAreTheHosts) {
    struct Tag {
        unsigned value, number, count;
        bool list;
    };
    Tag const tags[] = {
        {XPTAG_LABEL, 0x0B, 3, false},         {XPTAG_FOCUS, 0x12, 1, false},
        {XPTAG_DESTROYNOTIFY, 0x13, 2, false}, {XPTAG_RANGE, 0x143, 4, false},
        {XPTAG_SENS, 0x144, 2, false},         {XPTAG_STRLIST, 0x145, 3, false},
        {XPTAG_BUTNOTIFY, 0x15F, 2, false},    {XPTAG_POPFUNCS, 0x162, 3, false},
        {XPTAG_DRAWCBFUNC, 0x165, 2, false},   {XPTAG_CTRLCFG, 0x174, 3, false},
        {XPTAG_XREQCFG, 0x191, 5, false},      {XPTAG_LEFT, 0x212, 0, true},
        {XPTAG_DIVADD, 0x214, 1, true},        {XPTAG_DLOGTYPE, 0x2BD, 1, false},
    };
    for (Tag const& t : tags) {
        EXPECT_EQ(t.value, 0x3D000000u | t.number << 8 | (t.list ? XPTAG_ID_LIST : 0) | t.count)
            << std::hex << t.value;
        EXPECT_EQ(t.value & XPTAG_COUNT_MASK, t.count);
    }
    EXPECT_EQ(XPTAG_END, 0u);
}

} // namespace
