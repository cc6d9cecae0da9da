#include "libimgops/stars.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace {

// Four interleaved float planes (alpha, red, green, blue per pixel), alpha 0.
class Framebuffer {
public:
    Framebuffer(int width, int height) : pixels(4 * size_t(width) * height, 0.0f) {
        float* p = pixels.data();
        fb = StarFramebuffer{p + 1, p + 2, p + 3, p, width, height, 4 * width, 4};
    }

    // Pixels whose red value is above 0.
    long lit() const {
        long n = 0;
        for (size_t i = 1; i < pixels.size(); i += 4) {
            n += pixels[i] > 0;
        }
        return n;
    }

    void clear() { std::fill(pixels.begin(), pixels.end(), 0.0f); }

    StarFramebuffer fb;

private:
    std::vector<float> pixels;
};

class VectorStars : public StarInput {
public:
    explicit VectorStars(std::vector<star> const& stars) : records(stars.size() + 1) {
        std::memcpy(&records[0], "ORRELUX1", 8);
        std::copy(stars.begin(), stars.end(), records.begin() + 1);
        count = static_cast<u32>(records.size());
    }

    star const* next() override { return &records[cursor++]; }
    void rewind() override { cursor = 0; }

private:
    std::vector<star> records;
    size_t cursor = 0;
};

// Stars spread evenly over the sphere, most of them faint.
std::vector<star> random_sky(int n, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> unit(0, 1);
    std::vector<star> stars(n);
    for (star& s : stars) {
        s = star{};
        s.ra = 360 * unit(rng);
        s.dec = std::asin(2 * unit(rng) - 1) * 180 / M_PI;
        s.lum = static_cast<float>(0.002 + std::pow(unit(rng), 4));
        s.r = static_cast<uint8_t>(150 + 105 * unit(rng));
        s.g = static_cast<uint8_t>(150 + 105 * unit(rng));
        s.b = static_cast<uint8_t>(150 + 105 * unit(rng));
    }
    return stars;
}

// Ends of 1024 spots or streaks at random sub-pixel places inside a
// 512 x 512 framebuffer.
std::vector<Vector2> random_ends(float length) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> place(64, 448);
    std::vector<Vector2> ends;
    float const dx = length * std::cos(0.5f), dy = length * std::sin(0.5f);
    for (int i = 0; i < 1024; i++) {
        Vector2 p0{place(rng), place(rng)};
        ends.push_back(p0);
        ends.push_back(Vector2{p0[0] + dx, p0[1] + dy});
    }
    return ends;
}

void streaks(benchmark::State& state, float length) {
    float const radius = static_cast<float>(state.range(0)) / 10;
    std::vector<Vector2> const ends = random_ends(length);
    Framebuffer img(512, 512);
    Color3 const white{1, 1, 1};

    // Pixels one call lights, counted on a clean framebuffer.
    op_star_streak(img.fb, ends[0], ends[1], 1, white, radius, radius, OP_STARS_ALL_LINES);
    double const lit_per_call = static_cast<double>(img.lit());
    img.clear();

    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(op_star_streak(img.fb, ends[i], ends[i + 1], 1, white, radius,
                                                radius, OP_STARS_ALL_LINES));
        i = (i + 2) % ends.size();
    }
    state.counters["lit_px"] = lit_per_call;
    state.counters["ns_per_lit_px"] =
        benchmark::Counter(lit_per_call * 1e-9 * state.iterations(),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_Spot(benchmark::State& state) {
    streaks(state, 0);
}

void BM_Streak50px(benchmark::State& state) {
    streaks(state, 50);
}

// Radii in tenths of a pixel.
BENCHMARK(BM_Spot)->Arg(10)->Arg(25)->Arg(50);
BENCHMARK(BM_Streak50px)->Arg(10)->Arg(25)->Arg(50);

void BM_WorldToScreen(benchmark::State& state) {
    auto const projection = static_cast<op_stars_projection>(state.range(0));
    std::vector<star> const sky = random_sky(4096, 3);
    DblMatrix4 m = DblMatrix4::the_identity();
    if (projection == OP_STARS_PERSPECTIVE) {
        m = m * DblMatrix4::perspective(1.5, 1, -1);
    }
    size_t i = 0;
    Vector2 out{};
    for (auto _ : state) {
        star const& s = sky[i];
        benchmark::DoNotOptimize(world_to_screen(s.ra, s.dec, -1, 0, m, projection, 1920, 1080, -1,
                                                 1, -0.5625, 0.5625, out));
        benchmark::DoNotOptimize(out);
        i = (i + 1) % sky.size();
    }
    state.counters["stars_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_WorldToScreen)
    ->Arg(OP_STARS_PERSPECTIVE)
    ->Arg(OP_STARS_HEMISPHERICAL)
    ->Arg(OP_STARS_AZIMUTHAL_EQUIDISTANT);

// One frame: 100 000 stars over the whole sky into 1920 x 1080, through a
// perspective camera seeing about a tenth of it; the second argument 1 asks
// whether to stop as the module asks its host, never told to.
void BM_RenderPass(benchmark::State& state) {
    int const samples = static_cast<int>(state.range(0));
    bool const asked = state.range(1) != 0;
    VectorStars input(random_sky(100000, 11));
    Framebuffer img(1920, 1080);
    Array<camera> cams;
    for (int i = 0; i < samples; i++) {
        // Half a degree of heading over the exposure: streaks of about 13 pixels.
        double const hpb[] = {0.5 * M_PI / 180 * i, 0, 0};
        cams.append(camera{DblMatrix4::from_euler_angles(hpb).inverse(), 1.5, 1, -1});
    }
    StarRendererData data{};
    data.win_x0 = -1;
    data.win_x1 = 1;
    data.win_y0 = -0.5625;
    data.win_y1 = 0.5625;
    data.size_x = data.size_y = 2.5;
    data.lum_max = 1e9;
    data.brightness = 1;
    data.saturation = 1;
    data.lum_exponent = 1;
    data.projection = OP_STARS_PERSPECTIVE;
    data.lines = OP_STARS_ALL_LINES;
    long questions = 0;
    if (asked) {
        data.should_stop = [](void* count) {
            ++*static_cast<long*>(count);
            return false;
        };
        data.stop_context = &questions;
    }

    bool drew = false;
    auto pass = [&] {
        input.rewind();
        StarRenderer renderer(data, img.fb, input, cams);
        while (renderer.render_star(drew)) {
        }
    };
    pass();
    double const lit_per_pass = static_cast<double>(img.lit());

    for (auto _ : state) {
        pass();
    }
    benchmark::DoNotOptimize(drew);
    double const passes = static_cast<double>(state.iterations());
    state.counters["stars_per_s"] =
        benchmark::Counter(100000 * passes, benchmark::Counter::kIsRate);
    state.counters["lit_px"] = lit_per_pass;
    state.counters["stop_questions_per_pass"] = static_cast<double>(questions) / (passes + 1);
    state.counters["ns_per_lit_px"] = benchmark::Counter(
        lit_per_pass * 1e-9 * passes, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_RenderPass)
    ->Args({1, 0})
    ->Args({1, 1})
    ->Args({2, 0})
    ->Args({2, 1})
    ->Unit(benchmark::kMillisecond);

} // namespace
