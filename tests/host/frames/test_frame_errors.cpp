#include "host/frames/frame_file.h"

#include "frames_test_support.h"
#include "tests/support/interrupted_writes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ImfChannelList.h>
#include <ImfHeader.h>
#include <ImfOutputFile.h>
#include <tiffio.h>
#include <zlib.h>

#include <filesystem>

namespace {

using testing::HasSubstr;
using testing::StartsWith;

// Claims twice the pixels a frame may hold; nothing is allocated on the claim.
unsigned const BOMB_SIDE = 20000;

std::string big_endian(uint32_t value) {
    return {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
}

std::string png_chunk(std::string const& type, std::string const& data) {
    std::string body = type + data;
    uLong crc = crc32(0, reinterpret_cast<Bytef const*>(body.data()), uInt(body.size()));
    return big_endian(uint32_t(data.size())) + body + big_endian(uint32_t(crc));
}

void write_png_bomb(std::string const& path) {
    std::string header =
        big_endian(BOMB_SIDE) + big_endian(BOMB_SIDE) + "\x08\x06" + std::string(3, '\0');
    put_file_bytes(path, "\x89PNG\r\n\x1a\n" + png_chunk("IHDR", header) + png_chunk("IDAT", "x") +
                             png_chunk("IEND", ""));
}

void write_tiff_bomb(std::string const& path) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, BOMB_SIDE);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, BOMB_SIDE);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, BOMB_SIDE);
    char strip[] = "x";
    TIFFWriteRawStrip(tif, 0, strip, 1);
    TIFFClose(tif);
}

void write_exr_bomb(std::string const& path) {
    Imf::Header header(static_cast<int>(BOMB_SIDE), static_cast<int>(BOMB_SIDE));
    header.channels().insert("R", Imf::Channel(Imf::HALF));
    Imf::OutputFile file(path.c_str(), header);
}

// A frame written by us, cut off halfway.
void write_truncated(std::string const& path) {
    write_frame(path, ramp_frame(64, 64));
    std::filesystem::resize_file(path, std::filesystem::file_size(path) / 2);
}

struct BadFile {
    char const* name;
    void (*make)(std::string const& path);
    char const* why;
};

BadFile const BAD_FILES[] = {
    {"missing.exr", [](std::string const&) {}, "No such file or directory"},
    {"folder.png", [](std::string const& p) { std::filesystem::create_directory(p); },
     "not a regular file"},
    {"empty.tif", [](std::string const& p) { put_file_bytes(p, ""); }, "the file is empty"},
    {"text.exr", [](std::string const& p) { put_file_bytes(p, "not an image at all"); },
     "is not an image file"},
    {"text.png", [](std::string const& p) { put_file_bytes(p, "not an image at all"); },
     "Not a PNG file"},
    {"text.tiff", [](std::string const& p) { put_file_bytes(p, "not an image at all"); },
     "Not a TIFF"},
    {"truncated.exr", write_truncated, "end"},
    {"truncated.png", write_truncated, "the file ends early"},
    {"truncated.tif", write_truncated, "Failed to read directory"},
    {"bomb.exr", write_exr_bomb, "20000 x 20000 pixels is more than the 134217728"},
    {"bomb.png", write_png_bomb, "20000 x 20000 pixels is more than the 134217728"},
    {"bomb.tif", write_tiff_bomb, "20000 x 20000 pixels is more than the 134217728"},
};

TEST(FrameErrors, AnUnreadableFileIsAnErrorThatNamesItAndWhy) {
    TempFolder folder;
    testing::internal::CaptureStderr();
    for (BadFile const& bad : BAD_FILES) {
        std::string path = folder.file(bad.name);
        bad.make(path);
        std::string message = message_of([&] { read_frame(path); });
        EXPECT_THAT(message, StartsWith("cannot read frame \"" + path + "\": ")) << bad.name;
        EXPECT_THAT(message, HasSubstr(bad.why)) << bad.name;
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(FrameErrors, AnUnknownExtensionIsAnErrorThatNamesTheFile) {
    TempFolder folder;
    write_frame(folder.file("frame.png"), ramp_frame(4, 4));
    std::filesystem::rename(folder.file("frame.png"), folder.file("frame.jpg"));
    EXPECT_THAT(message_of([&] { read_frame(folder.file("frame.jpg")); }),
                StartsWith("frame file \"" + folder.file("frame.jpg") +
                           "\" has the unknown extension \".jpg\""));
    EXPECT_THAT(message_of([&] { write_frame(folder.path + "/v1.2/frame", ramp_frame(4, 4)); }),
                StartsWith("frame file \"" + folder.path + "/v1.2/frame\" has no extension"));
}

struct BadWrite {
    char const* name;
    FrameImage frame;
    char const* why;
};

TEST(FrameErrors, AFailedWriteLeavesNoFileAndNoTemporary) {
    TempFolder folder;
    std::filesystem::create_directory(folder.file("taken.exr"));
    BadWrite const writes[] = {
        {"missing/frame.exr", ramp_frame(8, 8), "No such file or directory"},
        {"taken.exr", ramp_frame(8, 8), "Is a directory"},
        {"empty.png", FrameImage(0, 5), "a 0 x 5 frame holds no pixels"},
        // Wider than libpng writes: its error stops the write.
        {"wide.png", FrameImage(1000001, 1),
         "warning: Image width exceeds user limit in IHDR; Invalid IHDR data"},
    };
    for (BadWrite const& bad : writes) {
        std::string path = folder.file(bad.name);
        std::string message = message_of([&] { write_frame(path, bad.frame); });
        EXPECT_THAT(message, StartsWith("cannot write frame \"" + path + "\": ")) << bad.name;
        EXPECT_THAT(message, HasSubstr(bad.why)) << bad.name;
    }
    EXPECT_THAT(folder.entries(), testing::ElementsAre("taken.exr"));
    EXPECT_TRUE(std::filesystem::is_empty(folder.file("taken.exr")));
}

TEST(FrameErrors, AFailedWriteKeepsTheFileItWouldHaveReplaced) {
    TempFolder folder;
    std::string path = folder.file("frame.png");
    write_frame(path, ramp_frame(8, 8));
    std::string before = file_bytes(path);
    EXPECT_THAT(message_of([&] { write_frame(path, ramp_frame(8, 8), SampleType::HALF); }),
                StartsWith("cannot write frame"));
    EXPECT_EQ(file_bytes(path), before);
    EXPECT_THAT(folder.entries(), testing::ElementsAre("frame.png"));
}

// A full disk or a kill while a frame is written leaves the frame before it
// whole, in each format.
TEST(FrameErrors, OnlyAWholeFrameReplacesTheOneBeforeItWhateverStopsTheWrite) {
    for (char const* name : {"frame.exr", "frame.png", "frame.tif"}) {
        SCOPED_TRACE(name);
        TempFolder folder;
        std::string const path = folder.file(name);
        auto const write = [&](unsigned n) {
            write_frame(path, ramp_frame(48 + 16 * (n % 2), 32));
        };
        std::string versions[2];
        for (unsigned n = 0; n < 2; n++) {
            write(n);
            versions[n] = file_bytes(path);
        }
        write(0);

        std::string const failure = with_file_size_limit(
            versions[1].size() / 2, [&] { return message_of([&] { write(1); }); });

        EXPECT_THAT(failure,
                    StartsWith("cannot write frame \"" + path + "\": write: File too large"));
        EXPECT_EQ(file_bytes(path), versions[0]);
        EXPECT_THAT(folder.entries(), testing::ElementsAre(name));
        expect_kills_leave_one_version_whole(path, versions, write);
    }
}

} // namespace
