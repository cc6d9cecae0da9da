// Ten million stars through the built module: the frame process holds the
// database once and nothing more per star.
#include "tests/LW/plugin_harness.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <random>

namespace {

#if defined(__SANITIZE_ADDRESS__)
bool const SANITIZED = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
bool const SANITIZED = true;
#else
bool const SANITIZED = false;
#endif
#else
bool const SANITIZED = false;
#endif

std::uint32_t const STARS = 10000000;
// One star in this many is bright enough to draw; the rest lie below the
// default threshold, yet each is read and tested.
std::uint32_t const DRAWN_EVERY = 1000;
long long const MIB = 1024 * 1024;

// A value of /proc/self/status in bytes ("VmRSS", "VmHWM").
long long status_bytes(std::string const& key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.compare(0, key.size() + 1, key + ":") == 0) {
            return std::stoll(line.substr(key.size() + 1)) * 1024;
        }
    }
    return -1;
}

// Lets VmHWM measure from here on: the peak so far becomes the present size.
void reset_peak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// Stars spread evenly over the sky, written a block at a time.
void write_stars(std::string const& path) {
    std::ofstream out(path, std::ios::binary);
    out.write(database_bytes({}).data(), sizeof(star));
    std::mt19937 random(7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<star> block(1 << 16);
    for (std::uint32_t written = 0; written < STARS;) {
        std::uint32_t const n = std::min<std::uint32_t>(block.size(), STARS - written);
        for (std::uint32_t i = 0; i < n; i++) {
            star& s = block[i];
            s = {};
            s.ra = 360.0 * unit(random);
            s.dec = std::asin(2.0 * unit(random) - 1.0) * 180.0 / M_PI;
            s.lum = (written + i) % DRAWN_EVERY == 0 ? 0.5f : 1e-5f;
            s.r = s.g = s.b = 255;
        }
        out.write(reinterpret_cast<char const*>(block.data()), std::streamsize(n * sizeof(star)));
        written += n;
    }
}

class TenMillionStars : public PluginHarness {};

// The first frame loads the database and indexes it, which takes its own
// bytes, kept for the frames that follow, and at most a tenth more; a
// frame takes a few MiB however many stars it reads, so that a second
// frame, reusing the database, takes no more.
TEST_F(TenMillionStars, RenderInTheDatabasesOwnMemoryAndAFewMiBMore) {
    if (SANITIZED) {
        GTEST_SKIP() << "the sanitizer's allocator and shadow memory are in every figure";
    }
    std::string const path = folder.file("ten_million.stars");
    write_stars(path);
    long long const database = 32LL * (STARS + 1);
    ASSERT_EQ(std::filesystem::file_size(path), std::uintmax_t(database));
    orrelux* inst = linear_instance(path);
    HostFrame frame(320, 240);
    // Few enough that a byte more per star would show.
    long long const allowed = 8 * MIB;
    long long const index_allowed = database / 10;

    reset_peak();
    long long const before = status_bytes("VmRSS");
    EXPECT_EQ(process(inst, frame), nullptr);
    long long const first = status_bytes("VmHWM") - before;
    double const drawn = light(frame).sum;
    reset_peak();
    long long const settled = status_bytes("VmRSS");
    EXPECT_EQ(process(inst, frame), nullptr);
    long long const second = status_bytes("VmHWM") - settled;

    RecordProperty("first_frame_growth_mib", std::to_string(first / MIB));
    RecordProperty("second_frame_growth_mib", std::to_string(second / MIB));
    EXPECT_LT(first, database + index_allowed) << first / MIB << " MiB";
    EXPECT_GE(first, database) << "the whole database is held";
    EXPECT_LT(second, allowed) << second / MIB << " MiB";
    EXPECT_GT(drawn, 0);
    EXPECT_EQ(light(frame).sum, drawn);
}

} // namespace
