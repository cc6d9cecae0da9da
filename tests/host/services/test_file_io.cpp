#include "host/services/file_io.h"
#include "lwsdk/lwio.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text_files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

class FileLoadStates : public ::testing::Test {
protected:
    // Replaces bytes of the file in place, as another program might.
    void overwrite(std::size_t at, std::string const& bytes) {
        std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
        file.seekp(static_cast<std::streamoff>(at));
        file << bytes;
    }

    LWFileIOFuncs* io = host_file_io();
    TempFolder folder;
    std::string path = folder.file("blocks");
};

// Probing a database's header must not read the whole database: bytes far
// past what was asked are read only when reached.
TEST_F(FileLoadStates, ReadTheFileOnlyAsFarAsAsked) {
    std::string bytes(1 << 20, '\0');
    for (std::size_t i = 0; i < bytes.size(); i++) {
        bytes[i] = static_cast<char>(i * 7 % 251);
    }
    write_text(path, bytes);
    LWLoadState* in = io->openLoad(path.c_str(), LWIO_BINARY);
    ASSERT_NE(in, nullptr);
    char header[32];
    ASSERT_EQ(in->read(in->readData, header, sizeof header), 32);
    EXPECT_EQ(std::string(header, 32), bytes.substr(0, 32));

    std::string tail(32, 'T');
    overwrite(bytes.size() - tail.size(), tail);
    bytes.replace(bytes.size() - tail.size(), tail.size(), tail);
    std::string rest;
    char chunk[1000];
    for (int got; (got = in->read(in->readData, chunk, sizeof chunk)) > 0;) {
        rest.append(chunk, std::size_t(got));
    }
    io->closeLoad(in);
    EXPECT_EQ(rest.size(), bytes.size() - 32);
    EXPECT_TRUE(rest == bytes.substr(32)) << "the tail written after opening is read";
}

// A block's closing line that straddles two pieces of the file is read,
// given back and read again whole.
TEST_F(FileLoadStates, TextLinesAcrossPiecesOfTheFileAreReadWhole) {
    LWBlockIdent const blocks[] = {{LWID_('O', 'P', 'T', 'S'), "Options"},
                                   {LWID_('S', 'T', 'R', 'G'), "String"},
                                   {LWID_('I', 'N', 'T', 'S'), "Ints"},
                                   {0, nullptr}};
    for (std::size_t closing_at = 65533; closing_at <= 65537; closing_at++) {
        SCOPED_TRACE(closing_at);
        std::string head = "{ Options\n  String \"";
        std::string text(closing_at - head.size() - 2, 's');
        write_text(path, head + text + "\"\n}\nInts 7\n");
        LWLoadState* in = io->openLoad(path.c_str(), LWIO_ASCII);
        ASSERT_NE(in, nullptr);
        std::string back(text.size() + 1, '\0');
        EXPECT_EQ(in->findBlk(in->readData, blocks), blocks[0].id);
        EXPECT_EQ(in->findBlk(in->readData, blocks), blocks[1].id);
        EXPECT_EQ(in->readStr(in->readData, &back[0], int(back.size())), int(text.size()));
        in->endBlk(in->readData);
        EXPECT_EQ(in->findBlk(in->readData, blocks), 0u) << "Options holds nothing more";
        in->endBlk(in->readData);
        EXPECT_EQ(in->findBlk(in->readData, blocks), blocks[2].id);
        int seven = 0;
        EXPECT_EQ(in->readI4(in->readData, &seven, 1), 1);
        EXPECT_EQ(seven, 7);
        io->closeLoad(in);
    }
}

TEST_F(FileLoadStates, AFolderOrAMissingFileDoesNotOpen) {
    EXPECT_EQ(io->openLoad(folder.path.c_str(), LWIO_BINARY), nullptr);
    EXPECT_EQ(io->openLoad(path.c_str(), LWIO_BINARY), nullptr);
    EXPECT_EQ(io->openLoad(nullptr, LWIO_ASCII), nullptr);
}

} // namespace
