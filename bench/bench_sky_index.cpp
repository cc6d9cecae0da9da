#include "synthetic_sky.h"

#include "libimgops/sky_index.h"
#include "libimgops/sky_view.h"
#include "libimgops/stars.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

// The star pass of one 1920 x 1080 frame through the engine, over the whole
// database as read from the file (a full scan) or over the cells of the
// sky index that the camera can see, with the default database or the deep
// one: a 2.5 degree perspective field with two camera samples, the camera
// pointed in turn at eight parts of the sky, or the hemispherical
// projection's half of the sky with one.
namespace {

int const WIDTH = 1920;
int const HEIGHT = 1080;
double const DEG = M_PI / 180;
double const LONG_LENS_FIELD = 2.5 * DEG;
// Over the exposure the long lens turns by this much: streaks of about 15
// pixels.
double const LONG_LENS_PAN = 0.02 * DEG;
double const DEFAULT_THRESHOLD = 0.001;
double const DEEP_MAGNITUDE = 12;

struct Database {
    std::vector<star> records; // header first, in file order
    std::vector<star> sorted;  // header first, then in the index's order
    std::unique_ptr<SkyIndex> index;
};

Database const* database(bool deep) {
    static std::map<bool, std::unique_ptr<Database>> loaded;
    std::unique_ptr<Database>& db = loaded[deep];
    if (!db) {
        std::string const path = deep ? deep_sky_database() : ORRELUX_DEFAULT_DATABASE;
        std::ifstream in(path, std::ios::binary | std::ios::ate);
        if (path.empty() || !in) {
            return nullptr;
        }
        db = std::make_unique<Database>();
        db->records.resize(std::size_t(in.tellg()) / sizeof(star));
        in.seekg(0);
        in.read(reinterpret_cast<char*>(db->records.data()),
                std::streamsize(db->records.size() * sizeof(star)));
        db->sorted = db->records;
        db->index = std::make_unique<SkyIndex>(db->sorted.data() + 1, u32(db->sorted.size() - 1));
    }
    return db.get();
}

// The records of a database in memory, in their order.
class RecordInput : public StarInput {
public:
    explicit RecordInput(std::vector<star> const& records) : records(records) {
        count = u32(records.size());
    }
    star const* next() override { return &records[cursor++]; }
    void rewind() override { cursor = 0; }

private:
    std::vector<star> const& records;
    std::size_t cursor = 0;
};

StarRendererData settings(bool all_sky, double threshold) {
    double const aspect = double(WIDTH) / HEIGHT;
    StarRendererData data{};
    data.win_x0 = -aspect;
    data.win_x1 = aspect;
    data.win_y0 = -1;
    data.win_y1 = 1;
    data.size_x = data.size_y = 2.5;
    data.lum_threshold = threshold;
    data.lum_max = 0.5;
    data.brightness = 5;
    data.saturation = 0.4;
    data.lum_exponent = 1;
    data.tint[0] = data.tint[1] = data.tint[2] = 1;
    data.projection = all_sky ? OP_STARS_HEMISPHERICAL : OP_STARS_PERSPECTIVE;
    data.lines = OP_STARS_ALL_LINES;
    return data;
}

// The camera samples of pointing p (0 to 7).
void point(Array<camera>& cams, bool all_sky, int p) {
    double const aspect = double(WIDTH) / HEIGHT;
    double const zoom = all_sky ? 1 : aspect / std::tan(LONG_LENS_FIELD / 2);
    int const samples = all_sky ? 1 : 2;
    for (int i = 0; i < samples; i++) {
        double const hpb[] = {(45 * p) * DEG + i * LONG_LENS_PAN, (p % 3 - 1) * 30 * DEG, 0};
        cams.append(camera{DblMatrix4::from_euler_angles(hpb).inverse(), zoom, 1, -1});
    }
}

void BM_StarPass(benchmark::State& state) {
    bool const deep = state.range(0) != 0;
    bool const all_sky = state.range(1) != 0;
    double const threshold =
        state.range(2) != 0 ? luminance_of_magnitude(DEEP_MAGNITUDE) : DEFAULT_THRESHOLD;
    bool const indexed = state.range(3) != 0;
    Database const* db = database(deep);
    if (!db) {
        state.SkipWithError("the default star database is not built");
        return;
    }
    StarRendererData const data = settings(all_sky, threshold);
    std::vector<float> pixels(std::size_t(4) * WIDTH * HEIGHT);
    float* const p = pixels.data();
    StarFramebuffer const fb{p + 1, p + 2, p + 3, p, WIDTH, HEIGHT, 4 * WIDTH, 4};
    int pointing = 0;
    double stars_read = 0;
    for (auto _ : state) {
        Array<camera> cams;
        point(cams, all_sky, pointing++ % 8);
        RecordInput full(db->records);
        std::unique_ptr<StarInput> input;
        if (indexed) {
            SkyView const view(data, fb, cams, true, db->index->lum_low(), db->index->lum_high());
            input = std::make_unique<SkyPass>(db->sorted.data(), *db->index, view, threshold);
        }
        StarInput& stars = indexed ? *input : full;
        StarRenderer renderer(data, fb, stars, cams);
        bool drew = false;
        while (renderer.render_star(drew)) {
        }
        stars_read += stars.count;
    }
    state.counters["stars_read"] = stars_read / double(state.iterations());
}

BENCHMARK(BM_StarPass)
    ->ArgNames({"deep", "all_sky", "v12", "indexed"})
    ->Args({0, 0, 0, 0})
    ->Args({0, 0, 0, 1})
    ->Args({1, 0, 0, 0})
    ->Args({1, 0, 0, 1})
    ->Args({1, 0, 1, 0})
    ->Args({1, 0, 1, 1})
    ->Args({0, 1, 0, 0})
    ->Args({0, 1, 0, 1})
    ->Args({1, 1, 0, 0})
    ->Args({1, 1, 0, 1})
    ->Unit(benchmark::kMillisecond);

} // namespace
