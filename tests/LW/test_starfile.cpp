#include "LW/module_state.h"
#include "LW/starfile.h"
#include "host/services/file_io.h"

#include "plugin_harness.h"

#include <algorithm>
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

// A database of 40000 stars, 1.28 MB, is read in a few large reads, holds
// exactly its records and the zero one, and every star of the file once.
TEST_F(StarDatabases, LargeDatabaseIsReadInLargeReadsAndKeepsEveryStar) {
    std::vector<star> stars;
    for (int i = 0; i < 40000; i++) {
        star s = record(i * 0.009);
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
    EXPECT_GE(*std::min_element(reads.begin(), reads.end()), 1 << 20);
    ASSERT_EQ(db.count, stars.size() + 2);
    EXPECT_EQ(db.records.len(), db.count + 1u) << "no room kept beyond the zero record";
    star zero{};
    EXPECT_EQ(std::memcmp(&db.records[db.count], &zero, sizeof zero), 0);

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
