#include "lwsdk/lwio.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <type_traits>

namespace {

TEST(LwioLayout, FileIOAndBlockIdentsAreTheHosts) {
    static_assert(offsetof(LWFileIOFuncs, openSave) == 0);
    static_assert(offsetof(LWFileIOFuncs, closeSave) == 8);
    static_assert(offsetof(LWFileIOFuncs, openLoad) == 16);
    static_assert(offsetof(LWFileIOFuncs, closeLoad) == 24);
    static_assert(sizeof(LWFileIOFuncs) == 32);
    static_assert(
        std::is_same_v<decltype(LWFileIOFuncs::openSave), LWSaveState* (*)(const char*, int)>);
    static_assert(std::is_same_v<decltype(LWFileIOFuncs::closeSave), void (*)(LWSaveState*)>);
    static_assert(
        std::is_same_v<decltype(LWFileIOFuncs::openLoad), LWLoadState* (*)(const char*, int)>);
    static_assert(std::is_same_v<decltype(LWFileIOFuncs::closeLoad), void (*)(LWLoadState*)>);

    static_assert(std::is_same_v<LWID, unsigned int>);
    static_assert(offsetof(LWBlockIdent, id) == 0);
    static_assert(offsetof(LWBlockIdent, token) == 8);
    static_assert(sizeof(LWBlockIdent) == 16);
}

TEST(LwioLayout, LoadStateIsTheHostsUpToEndBlk) {
    using Ident = const LWBlockIdent*;
    static_assert(offsetof(LWLoadState, ioMode) == 0);
    static_assert(offsetof(LWLoadState, readData) == 8);
    static_assert(offsetof(LWLoadState, read) == 16);
    static_assert(offsetof(LWLoadState, readI1) == 24);
    static_assert(offsetof(LWLoadState, readI2) == 32);
    static_assert(offsetof(LWLoadState, readI4) == 40);
    static_assert(offsetof(LWLoadState, readU1) == 48);
    static_assert(offsetof(LWLoadState, readU2) == 56);
    static_assert(offsetof(LWLoadState, readU4) == 64);
    static_assert(offsetof(LWLoadState, readFP) == 72);
    static_assert(offsetof(LWLoadState, readStr) == 80);
    static_assert(offsetof(LWLoadState, readID) == 88);
    static_assert(offsetof(LWLoadState, findBlk) == 96);
    static_assert(offsetof(LWLoadState, endBlk) == 104);
    static_assert(sizeof(LWLoadState) == 112);
    static_assert(std::is_same_v<decltype(LWLoadState::ioMode), int>);
    static_assert(std::is_same_v<decltype(LWLoadState::read), int (*)(void*, char*, int)>);
    static_assert(std::is_same_v<decltype(LWLoadState::readI1), int (*)(void*, char*, int)>);
    static_assert(std::is_same_v<decltype(LWLoadState::readI2), int (*)(void*, short*, int)>);
    static_assert(std::is_same_v<decltype(LWLoadState::readI4), int (*)(void*, int*, int)>);
    static_assert(
        std::is_same_v<decltype(LWLoadState::readU1), int (*)(void*, unsigned char*, int)>);
    static_assert(
        std::is_same_v<decltype(LWLoadState::readU2), int (*)(void*, unsigned short*, int)>);
    static_assert(
        std::is_same_v<decltype(LWLoadState::readU4), int (*)(void*, unsigned int*, int)>);
    static_assert(std::is_same_v<decltype(LWLoadState::readFP), int (*)(void*, float*, int)>);
    static_assert(std::is_same_v<decltype(LWLoadState::readStr), int (*)(void*, char*, int)>);
    static_assert(std::is_same_v<decltype(LWLoadState::readID), LWID (*)(void*, Ident)>);
    static_assert(std::is_same_v<decltype(LWLoadState::findBlk), LWID (*)(void*, Ident)>);
    static_assert(std::is_same_v<decltype(LWLoadState::endBlk), void (*)(void*)>);
}

TEST(LwioLayout, SaveStateIsTheHostsUpToEndBlk) {
    using Ident = const LWBlockIdent*;
    static_assert(offsetof(LWSaveState, ioMode) == 0);
    static_assert(offsetof(LWSaveState, writeData) == 8);
    static_assert(offsetof(LWSaveState, write) == 16);
    static_assert(offsetof(LWSaveState, writeI1) == 24);
    static_assert(offsetof(LWSaveState, writeI2) == 32);
    static_assert(offsetof(LWSaveState, writeI4) == 40);
    static_assert(offsetof(LWSaveState, writeU1) == 48);
    static_assert(offsetof(LWSaveState, writeU2) == 56);
    static_assert(offsetof(LWSaveState, writeU4) == 64);
    static_assert(offsetof(LWSaveState, writeFP) == 72);
    static_assert(offsetof(LWSaveState, writeStr) == 80);
    static_assert(offsetof(LWSaveState, writeID) == 88);
    static_assert(offsetof(LWSaveState, beginBlk) == 96);
    static_assert(offsetof(LWSaveState, endBlk) == 104);
    static_assert(sizeof(LWSaveState) == 112);
    static_assert(std::is_same_v<decltype(LWSaveState::write), void (*)(void*, const char*, int)>);
    static_assert(
        std::is_same_v<decltype(LWSaveState::writeI1), void (*)(void*, const char*, int)>);
    static_assert(
        std::is_same_v<decltype(LWSaveState::writeI2), void (*)(void*, const short*, int)>);
    static_assert(std::is_same_v<decltype(LWSaveState::writeI4), void (*)(void*, const int*, int)>);
    static_assert(
        std::is_same_v<decltype(LWSaveState::writeU1), void (*)(void*, const unsigned char*, int)>);
    static_assert(std::is_same_v<decltype(LWSaveState::writeU2),
                                 void (*)(void*, const unsigned short*, int)>);
    static_assert(
        std::is_same_v<decltype(LWSaveState::writeU4), void (*)(void*, const unsigned int*, int)>);
    static_assert(
        std::is_same_v<decltype(LWSaveState::writeFP), void (*)(void*, const float*, int)>);
    static_assert(std::is_same_v<decltype(LWSaveState::writeStr), void (*)(void*, const char*)>);
    static_assert(std::is_same_v<decltype(LWSaveState::writeID), void (*)(void*, Ident)>);
    static_assert(std::is_same_v<decltype(LWSaveState::beginBlk), void (*)(void*, Ident, int)>);
    static_assert(std::is_same_v<decltype(LWSaveState::endBlk), void (*)(void*)>);
}

TEST(LwioConstants, AreTheHosts) {
    EXPECT_STREQ(LWFILEIOFUNCS_GLOBAL, "File IO 5");
    EXPECT_EQ(LWIO_BINARY, 0);
    EXPECT_EQ(LWIO_ASCII, 1);
    EXPECT_EQ(LWIO_OBJECT, 0);
    EXPECT_EQ(LWIO_SCENE, 1);
    EXPECT_EQ(LWID_('V', 'E', 'R', 'S'), 0x56455253u);
    EXPECT_EQ(LWID_('\xff', 0, 0, 1), 0xFF000001u);
}

} // namespace
