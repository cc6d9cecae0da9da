#include "memory_stars.h"

#include "libimgops/stars.h"

#include "base/xception.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

// A database file in a fresh temporary directory, removed afterwards.
class TempDatabase {
public:
    TempDatabase() {
        char pattern[] = "/tmp/orrelux-stars-XXXXXX";
        dir = mkdtemp(pattern);
        path = dir + "/test.stars";
    }
    ~TempDatabase() {
        std::remove(path.c_str());
        rmdir(dir.c_str());
    }

    void write(std::string const& bytes) {
        FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }

    std::string dir;
    std::string path;
};

std::string header(char const* magic) {
    std::string h(32, '\0');
    h.replace(0, 8, magic);
    return h;
}

std::string record(double ra) {
    star s = make_star(ra, 0, 1);
    return std::string(reinterpret_cast<char const*>(&s), sizeof s);
}

} // namespace

TEST(StarInputHeader, FirstMagicIsValidAndNot3D) {
    MemoryStars input("ORRELUX1", {make_star(1, 2, 3)});
    EXPECT_TRUE(input.is_valid());
    EXPECT_FALSE(input.is_3d);
    EXPECT_EQ(input.next()->ra, 1);
}

TEST(StarInputHeader, SecondMagicIsValidAnd3D) {
    MemoryStars input("ORRELUX2");
    EXPECT_TRUE(input.is_valid());
    EXPECT_TRUE(input.is_3d);
}

TEST(StarInputHeader, OtherMagicIsInvalid) {
    for (char const* magic : {"ORRELUX3", "orrelux1", "ORRELUX", ""}) {
        MemoryStars input(magic);
        EXPECT_FALSE(input.is_valid()) << magic;
        EXPECT_FALSE(input.is_3d);
    }
}

TEST(StarInputHeader, OnlyTheFirstEightBytesMatter) {
    MemoryStars input("ORRELUX1");
    std::memset(reinterpret_cast<char*>(&input.records[0]) + 8, 0x5a, 24);
    EXPECT_TRUE(input.is_valid());
}

TEST(MappedStarFile, CountsWholeRecordsOnly) {
    TempDatabase db;
    db.write(header("ORRELUX1") + record(10) + record(20) + std::string(16, '\x7f'));
    std::unique_ptr<StarInput> input(op_stars_file_input(db.path.c_str()));
    EXPECT_EQ(input->count, 3u);
    EXPECT_TRUE(input->is_valid());
    EXPECT_EQ(input->next()->ra, 10);
    EXPECT_EQ(input->next()->ra, 20);
}

TEST(MappedStarFile, HeaderOnlyFileHoldsNoStars) {
    TempDatabase db;
    db.write(header("ORRELUX1"));
    std::unique_ptr<StarInput> input(op_stars_file_input(db.path.c_str()));
    EXPECT_EQ(input->count, 1u);
    EXPECT_TRUE(input->is_valid());
    EXPECT_FALSE(input->is_3d);
}

TEST(MappedStarFile, RewindReturnsToTheHeader) {
    TempDatabase db;
    db.write(header("ORRELUX2") + record(10));
    std::unique_ptr<StarInput> input(op_stars_file_input(db.path.c_str()));
    EXPECT_TRUE(input->is_valid());
    EXPECT_TRUE(input->is_3d);
    input->next();
    input->rewind();
    EXPECT_TRUE(input->is_valid());
    EXPECT_EQ(input->next()->ra, 10);
}

TEST(MappedStarFile, MissingFileThrows) {
    EXPECT_THROW(op_stars_file_input("/nonexistent/orrelux/none.stars"), StrXception);
}

TEST(MappedStarFile, EmptyFileCannotBeMapped) {
    TempDatabase db;
    db.write("");
    EXPECT_THROW(op_stars_file_input(db.path.c_str()), StrXception);
}
