#include "LW/file_io.h"
#include "LW/starfile.h"
#include "host/file_io.h"
#include "base/xception.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string header(char const* magic) {
    std::string h(magic);
    h.resize(32, '\x7f');
    return h;
}

std::string star_record(double ra, double dec, float lum) {
    star s = {};
    s.ra = ra;
    s.dec = dec;
    s.lum = lum;
    s.r = 200;
    s.dist = 4.2;
    return std::string(reinterpret_cast<char const*>(&s), sizeof s);
}

bool all_zero(void const* p, size_t n) {
    unsigned char const* b = static_cast<unsigned char const*>(p);
    for (size_t i = 0; i < n; i++) {
        if (b[i]) {
            return false;
        }
    }
    return true;
}

class StarDatabases : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/starfile_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        set_orrelux_file_io(host_file_io());
    }
    void TearDown() override {
        for (std::string const& f : files) {
            unlink(f.c_str());
        }
        rmdir(dir.c_str());
        set_orrelux_file_io(nullptr);
    }
    std::string file(std::string const& contents) {
        std::string path = dir + "/db" + std::to_string(files.size()) + ".stars";
        FILE* f = fopen(path.c_str(), "wb");
        fwrite(contents.data(), 1, contents.size(), f);
        fclose(f);
        files.push_back(path);
        return path;
    }
    std::string missing() { return dir + "/missing.stars"; }

    std::string dir;
    std::vector<std::string> files;
};

TEST_F(StarDatabases, EmptyFileHasNoRecordsAndAZeroHeader) {
    LWStarFile db(file("").c_str());
    EXPECT_EQ(db.count, 0u);
    star const* h = db.next();
    EXPECT_TRUE(all_zero(h, sizeof *h));
    db.rewind();
    EXPECT_FALSE(db.is_valid());
    EXPECT_FALSE(db.is_3d);
}

TEST_F(StarDatabases, HeaderOnlyFileIsValidAndHoldsNoStar) {
    LWStarFile db(file(header("ORRELUX1")).c_str());
    EXPECT_EQ(db.count, 1u);
    EXPECT_TRUE(db.is_valid());
    EXPECT_FALSE(db.is_3d);
    EXPECT_TRUE(all_zero(db.next(), sizeof(star))) << "the record after the last is zero";
}

TEST_F(StarDatabases, StarsComeInFileOrderAfterTheHeader) {
    std::string path =
        file(header("ORRELUX2") + star_record(10, 20, 1.5f) + star_record(30, -40, 0.25f));
    LWStarFile db(path.c_str());
    EXPECT_EQ(db.count, 3u);
    EXPECT_EQ(std::string(static_cast<char const*>(db.filename)), path);
    EXPECT_TRUE(db.is_valid());
    EXPECT_TRUE(db.is_3d);
    star const* a = db.next();
    star const* b = db.next();
    EXPECT_EQ(a->ra, 10);
    EXPECT_EQ(a->dec, 20);
    EXPECT_EQ(a->lum, 1.5f);
    EXPECT_EQ(a->r, 200);
    EXPECT_EQ(a->dist, 4.2);
    EXPECT_EQ(b->ra, 30);
    EXPECT_EQ(b->dec, -40);
    EXPECT_TRUE(all_zero(db.next(), sizeof(star)));
}

TEST_F(StarDatabases, RewindAfterAPassReturnsToTheHeader) {
    LWStarFile db(file(header("ORRELUX1") + star_record(1, 2, 3)).c_str());
    db.next();
    db.next();
    db.rewind();
    EXPECT_EQ(0, memcmp(db.next(), "ORRELUX1", 8));
}

TEST_F(StarDatabases, TrailingPartialRecordCountsWithItsMissingBytesZero) {
    std::string partial = star_record(5, 6, 7).substr(0, 16);
    LWStarFile db(file(header("ORRELUX1") + star_record(1, 2, 3) + partial).c_str());
    EXPECT_EQ(db.count, 3u);
    db.next();
    db.next();
    star const* last = db.next();
    EXPECT_EQ(last->ra, 5);
    EXPECT_EQ(last->dec, 6);
    EXPECT_TRUE(all_zero(reinterpret_cast<char const*>(last) + 16, 16));
}

TEST_F(StarDatabases, MissingFileCannotBeOpened) {
    try {
        LWStarFile db(missing().c_str());
        FAIL() << "opened a missing file";
    } catch (StrXception const& e) {
        EXPECT_STREQ(e.message(), "error opening star database in "
                                  "<LWStarFile::LWStarFile(const char *)> (LW/orrelux:82)");
    }
}

TEST_F(StarDatabases, ProbeOfAMissingFileLeavesTheFlagAlone) {
    bool is_3d = true;
    EXPECT_FALSE(check_starfile(missing().c_str(), &is_3d));
    EXPECT_TRUE(is_3d);
}

TEST_F(StarDatabases, ProbeOfAShortFileFailsAndClearsTheFlag) {
    bool is_3d = true;
    EXPECT_FALSE(check_starfile(file(header("ORRELUX2").substr(0, 31)).c_str(), &is_3d));
    EXPECT_FALSE(is_3d);
}

TEST_F(StarDatabases, ProbeTellsBothMagicsApart) {
    bool is_3d = true;
    EXPECT_TRUE(check_starfile(file(header("ORRELUX1")).c_str(), &is_3d));
    EXPECT_FALSE(is_3d);
    EXPECT_TRUE(check_starfile(file(header("ORRELUX2") + star_record(1, 2, 3)).c_str(), &is_3d));
    EXPECT_TRUE(is_3d);
}

TEST_F(StarDatabases, ProbeRefusesAnyOtherMagic) {
    bool is_3d = true;
    EXPECT_FALSE(check_starfile(file(header("ORRELUX3")).c_str(), &is_3d));
    EXPECT_FALSE(is_3d);
    EXPECT_FALSE(check_starfile(file(header("orrelux1")).c_str(), nullptr));
}

} // namespace
