#include "plugin_harness.h"

#include <cmath>
#include <filesystem>
#include <vector>

// The Pleiades through the built module with a 2 degree field, 1280 x 720:
// every named star of the cluster lands where its catalogue position, taken
// through the camera by the host's conventions worked out here, puts it.
namespace {

double const DEG = M_PI / 180;
int const WIDTH = 1280;
int const HEIGHT = 720;

struct Named {
    char const* name;
    double ra, dec; // J2000 degrees, to find the star's record by
};

Named const PLEIADES[] = {
    {"Alcyone", 56.87115, 24.10514}, {"Atlas", 57.29059, 24.05342},
    {"Electra", 56.21890, 24.11334}, {"Maia", 56.45669, 24.36775},
    {"Merope", 56.58156, 23.94836},  {"Taygeta", 56.30206, 24.46728},
    {"Celaeno", 56.20089, 24.28947}, {"Pleione", 57.29673, 24.13671},
};

struct Vec {
    double x, y, z;
};

double dot(Vec a, Vec b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// Right ascension 0 on the equator is +x, the north pole +y, and right
// ascension 90 degrees +z.
Vec direction(double ra, double dec) {
    return {std::cos(dec * DEG) * std::cos(ra * DEG), std::sin(dec * DEG),
            std::cos(dec * DEG) * std::sin(ra * DEG)};
}

// The brightest record within an arcminute of (ra, dec).
star find(std::vector<star> const& stars, double ra, double dec) {
    Vec const want = direction(ra, dec);
    star best{};
    best.lum = -1;
    for (star const& s : stars) {
        if (dot(direction(s.ra, s.dec), want) > std::cos(DEG / 60) && s.lum > best.lum) {
            best = s;
        }
    }
    return best;
}

std::vector<star> read_stars(std::string const& path) {
    std::vector<star> records(std::filesystem::file_size(path) / sizeof(star));
    FILE* in = std::fopen(path.c_str(), "rb");
    EXPECT_EQ(std::fread(records.data(), sizeof(star), records.size(), in), records.size());
    std::fclose(in);
    records.erase(records.begin());
    return records;
}

class Pleiades : public PluginHarness {};

TEST_F(Pleiades, NamedStarsLandWhereTheirCatalogueCoordinatesPutThem) {
    std::vector<std::string> databases;
    for (std::string path : {ORRELUX_DEFAULT_DATABASE, ORRELUX_DEEP_DATABASE}) {
        if (std::filesystem::exists(path)) {
            databases.push_back(path);
        }
    }
    if (databases.empty()) {
        GTEST_SKIP() << "the default star database is not built";
    }
    // Looking at the middle of the cluster, (56.75, 24.2), with heading
    // about +y and pitch about the turned +x (negative pitch looks up).
    Vec const middle = direction(56.75, 24.2);
    double const heading = std::atan2(middle.x, middle.z);
    double const pitch = -std::asin(middle.y);
    double const zoom = double(WIDTH) / HEIGHT / std::tan(1 * DEG);
    host.scene.frame_width = WIDTH;
    host.scene.frame_height = HEIGHT;
    host.scene.item(camera).motion.rotation[0] = Envelope(heading);
    host.scene.item(camera).motion.rotation[1] = Envelope(pitch);
    host.scene.item(camera).camera.zoom = Envelope(zoom);
    Vec const forward = {std::sin(heading) * std::cos(pitch), -std::sin(pitch),
                         std::cos(heading) * std::cos(pitch)};
    Vec const right = {std::cos(heading), 0, -std::sin(heading)};
    Vec const up = {forward.y * right.z - forward.z * right.y,
                    forward.z * right.x - forward.x * right.z,
                    forward.x * right.y - forward.y * right.x};

    for (std::string const& database : databases) {
        SCOPED_TRACE(database);
        std::vector<star> const stars = read_stars(database);
        orrelux* inst = linear_instance(database);
        inst->lum_threshold = 1.6e-5; // V 12
        inst->star_size = 1.5;
        std::unique_ptr<HostFrame> frame = render(inst, WIDTH, HEIGHT);

        for (Named const& n : PLEIADES) {
            star const s = find(stars, n.ra, n.dec);
            ASSERT_GT(s.lum, 0.001) << n.name << " is not in the database";
            Vec const d = direction(s.ra, s.dec);
            double const z = dot(d, forward);
            // The frame's height spans -1 .. 1 of the plane at distance zoom.
            double const x = WIDTH / 2.0 + zoom * dot(d, right) / z * HEIGHT / 2;
            double const y = HEIGHT / 2.0 - zoom * dot(d, up) / z * HEIGHT / 2;

            double sum = 0, sx = 0, sy = 0;
            for (int py = int(y) - 4; py <= int(y) + 5; py++) {
                for (int px = int(x) - 4; px <= int(x) + 5; px++) {
                    double const v = frame->output(px, py, 1);
                    sum += v;
                    sx += v * px;
                    sy += v * py;
                }
            }
            ASSERT_GT(sum, 0) << n.name << " drew nothing near " << x << ", " << y;
            EXPECT_NEAR(sx / sum, x, 0.5) << n.name;
            EXPECT_NEAR(sy / sum, y, 0.5) << n.name;
        }
    }
}

} // namespace
