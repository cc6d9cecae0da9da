#include "LW/module_state.h"
#include "LW/starfile.h"
#include "host/services/file_io.h"

#include "plugin_harness.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <tuple>
#include <vector>

namespace {

// A record whose distance repeats its right ascension.
star record(double ra) {
    star s = {};
    s.ra = s.dist = ra;
    return s;
}

class StarDatabases : public ::testing::Test {
protected:
    StarDatabases() { orrelux_ini.file_io = host_file_io(); }
    ~StarDatabases() override { orrelux_ini.file_io = nullptr; }

    TempFolder folder;
};

TEST_F(StarDatabases, ReaderCountsEveryRecordBegunAndProbeAgreesOnTheHeader) {
    struct Case {
        std::string contents;
        u32 count;
        bool valid, is_3d;
        // Right ascension and distance of the records after the header, the
        // zero record last.
        std::vector<std::pair<double, double>> records;
    };
    std::string const partial = database_bytes({record(1), record(5)}).substr(0, 32 * 2 + 16);
    std::string const three_d = database_bytes({record(10), record(30)}, "ORRELUX2");
    Case const cases[] = {
        {"", 0, false, false, {}},
        {database_bytes({}), 1, true, false, {{0, 0}}},
        {database_bytes({}, "ORRELUX3"), 1, false, false, {{0, 0}}},
        {database_bytes({record(7)}), 2, true, false, {{7, 7}, {0, 0}}},
        {partial, 3, true, false, {{1, 1}, {5, 0}, {0, 0}}},
        {three_d, 3, true, true, {{10, 10}, {30, 30}, {0, 0}}},
    };
    for (Case const& c : cases) {
        std::string path = folder.file(std::to_string(&c - cases) + ".stars");
        SCOPED_TRACE(path);
        write_text(path, c.contents);
        LWStarFile db(path.c_str());
        EXPECT_EQ(db.count, c.count);
        EXPECT_EQ(db.is_valid(), c.valid);
        EXPECT_EQ(db.is_3d, c.is_3d);
        EXPECT_EQ(db.index != nullptr, c.count >= 2) << "an index of every star";
        for (auto const& [ra, dist] : c.records) {
            star const* s = db.next();
            EXPECT_EQ(s->ra, ra);
            EXPECT_EQ(s->dist, dist);
        }
        bool is_3d = !c.is_3d;
        EXPECT_EQ(check_starfile(path.c_str(), &is_3d), c.valid);
        EXPECT_EQ(is_3d, c.is_3d);
    }
}

// Reads asked of the host's file service, and the service's own reader.
std::vector<int> reads;
int (*host_read)(void*, char*, int) = nullptr;

LWFileIOFuncs counting_file_io() {
    LWFileIOFuncs io = *host_file_io();
    io.openLoad = [](const char* path, int mode) {
        LWLoadState* load = host_file_io()->openLoad(path, mode);
        if (load) {
            host_read = load->read;
            load->read = [](void* data, char* buffer, int length) {
                reads.push_back(length);
                return host_read(data, buffer, length);
            };
        }
        return load;
    };
    return io;
}

// A database of 100000 stars, 3.2 MB, is read in a few large reads and
// holds exactly its records and the zero one, and every star of the file
// once: each tier of the index holds the next stars of the file, each run
// the stars of its cell, brightest first.
TEST_F(StarDatabases, LargeDatabaseIsReadInLargeReadsAndKeepsEveryStar) {
    double const step = 0.0036;
    std::vector<star> stars;
    for (int i = 0; i < 100000; i++) {
        star s = record(i * step);
        s.dec = (i % 179) - 89.0;
        s.lum = float(i % 97);
        stars.push_back(s);
    }
    std::string const path = folder.file("large.stars");
    write_text(path, database_bytes(stars) + "tail");
    LWFileIOFuncs io = counting_file_io();
    orrelux_ini.file_io = &io;
    reads.clear();

    LWStarFile db(path.c_str());

    EXPECT_LE(reads.size(), 4u);
    // Only the read that finds the end may ask for less.
    EXPECT_GE(*std::min_element(reads.begin(), reads.end() - 1), 1 << 20);
    ASSERT_EQ(db.count, stars.size() + 2);
    EXPECT_EQ(db.records.len(), db.count + 1u) << "no room kept beyond the zero record";
    star zero{};
    EXPECT_EQ(std::memcmp(&db.records[db.count], &zero, sizeof zero), 0);

    SkyIndex const& index = *db.index;
    SkyCells const& grid = index.cells();
    ASSERT_GE(index.tier_count(), 2u);
    ASSERT_EQ(index.star_count(), db.count - 1);
    for (u32 tier = 0; tier < index.tier_count(); tier++) {
        u32 const tier_begin = index.first(tier, 0);
        u32 const tier_end = index.first(tier, grid.unplaced() + 1);
        for (u32 cell = 0; cell <= grid.unplaced(); cell++) {
            for (u32 i = index.first(tier, cell); i < index.first(tier, cell + 1); i++) {
                star const& s = db.records[1 + i];
                ASSERT_EQ(grid.cell_of(s.ra, s.dec), cell) << i;
                if (i > index.first(tier, cell)) {
                    ASSERT_LE(s.lum, db.records[i].lum) << i;
                }
                if (s.dist == s.ra) { // not the partial record
                    double const place = std::round(s.ra / step);
                    ASSERT_GE(place, tier_begin) << i;
                    ASSERT_LT(place, tier_end) << i;
                }
            }
        }
    }

    // The stars in the index's order: the same ones as the file's, the
    // partial last one with its four bytes and zeros.
    star partial{};
    std::memcpy(&partial, "tail", 4);
    stars.push_back(partial);
    auto key = [](star const& s) { return std::make_tuple(s.ra, s.dec, s.lum); };
    auto by_key = [&](star const& a, star const& b) { return key(a) < key(b); };
    std::vector<star> loaded(&db.records[1], &db.records[db.count]);
    std::sort(loaded.begin(), loaded.end(), by_key);
    std::sort(stars.begin(), stars.end(), by_key);
    ASSERT_EQ(loaded.size(), stars.size());
    EXPECT_EQ(std::memcmp(loaded.data(), stars.data(), stars.size() * sizeof(star)), 0);
}

// What probing a missing or short file does to the 3D flag: FrameFailure.
TEST_F(StarDatabases, MissingFileCannotBeOpened) {
    EXPECT_THAT([&] { LWStarFile db(folder.file("missing.stars").c_str()); },
                throws_message(::testing::StrEq("error opening star database in "
                                                "<LWStarFile::LWStarFile(const char *)> "
                                                "(LW/orrelux:82)")));
}

} // namespace
