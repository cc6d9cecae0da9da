#include "host/file_io.h"
#include "lwsdk/lwio.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

class HostFileIO : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/host_file_io_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        for (std::string const& f : {path("a.txt"), path("a.bin")}) {
            unlink(f.c_str());
        }
        rmdir(dir.c_str());
    }
    std::string path(char const* name) { return dir + "/" + name; }
    std::string contents(std::string const& file) {
        std::string text;
        FILE* f = fopen(file.c_str(), "rb");
        int c;
        while (f && (c = fgetc(f)) != EOF) {
            text += char(c);
        }
        if (f) {
            fclose(f);
        }
        return text;
    }

    LWFileIOFuncs* io = host_file_io();
    std::string dir;
};

TEST_F(HostFileIO, MissingFileCannotBeOpened) {
    EXPECT_EQ(io->openLoad(path("missing").c_str(), LWIO_BINARY), nullptr);
    EXPECT_EQ(io->openLoad(path("missing").c_str(), LWIO_ASCII), nullptr);
}

TEST_F(HostFileIO, FileInAMissingFolderCannotBeCreated) {
    EXPECT_EQ(io->openSave(path("no/such.txt").c_str(), LWIO_ASCII), nullptr);
}

TEST_F(HostFileIO, FolderCannotBeLoaded) {
    EXPECT_EQ(io->openLoad(dir.c_str(), LWIO_BINARY), nullptr);
}

TEST_F(HostFileIO, TextFileHoldsTheBlocksAndReadsBack) {
    static const LWBlockIdent ids[] = {{LWID_('S', 'F', 'I', 'L'), "StarFile"}, {0, nullptr}};
    LWSaveState* save = io->openSave(path("a.txt").c_str(), LWIO_ASCII);
    ASSERT_NE(save, nullptr);
    save->beginBlk(save->writeData, ids, 1);
    save->writeStr(save->writeData, "/data/hip 3D.stars");
    save->endBlk(save->writeData);
    io->closeSave(save);
    EXPECT_EQ(contents(path("a.txt")), "StarFile \"/data/hip 3D.stars\"\n");

    LWLoadState* load = io->openLoad(path("a.txt").c_str(), LWIO_ASCII);
    ASSERT_NE(load, nullptr);
    EXPECT_EQ(load->ioMode, LWIO_ASCII);
    ASSERT_EQ(load->findBlk(load->readData, ids), ids[0].id);
    char buf[4096];
    load->readStr(load->readData, buf, sizeof buf);
    EXPECT_STREQ(buf, "/data/hip 3D.stars");
    io->closeLoad(load);
}

TEST_F(HostFileIO, BinaryFileHoldsTheRawBytes) {
    LWSaveState* save = io->openSave(path("a.bin").c_str(), LWIO_BINARY);
    ASSERT_NE(save, nullptr);
    save->write(save->writeData, "ORRELUX1\0\n", 10);
    io->closeSave(save);
    EXPECT_EQ(contents(path("a.bin")), std::string("ORRELUX1\0\n", 10));

    LWLoadState* load = io->openLoad(path("a.bin").c_str(), LWIO_BINARY);
    ASSERT_NE(load, nullptr);
    char buf[32];
    EXPECT_EQ(load->read(load->readData, buf, 32), 10);
    EXPECT_EQ(load->read(load->readData, buf, 32), 0);
    io->closeLoad(load);
}

} // namespace
