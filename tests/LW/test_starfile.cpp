#include "LW/module_state.h"
#include "LW/starfile.h"
#include "host/services/file_io.h"

#include "plugin_harness.h"

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

// What probing a missing or short file does to the 3D flag: FrameFailure.
TEST_F(StarDatabases, MissingFileCannotBeOpened) {
    EXPECT_THAT([&] { LWStarFile db(folder.file("missing.stars").c_str()); },
                throws_message(::testing::StrEq("error opening star database in "
                                                "<LWStarFile::LWStarFile(const char *)> "
                                                "(LW/orrelux:82)")));
}

} // namespace
