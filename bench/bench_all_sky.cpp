#include "libimgops/stars.h"
#include "base/xception.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

// The whole shipped database through the engine into a 1920 x 1080 frame
// with the hemispherical projection, which shows half the sky, with the
// plug-in's default settings.
namespace {

int const WIDTH = 1920;
int const HEIGHT = 1080;
// The camera turns by this much heading over the exposure: streaks of about
// 19 pixels near the middle of the frame.
double const PAN_RADIANS = 2.0 * M_PI / 180;

StarRendererData all_sky_settings() {
    StarRendererData data{};
    double const aspect = double(WIDTH) / HEIGHT;
    data.win_x0 = -aspect;
    data.win_x1 = aspect;
    data.win_y0 = -1;
    data.win_y1 = 1;
    data.size_x = data.size_y = 2.5;
    data.lum_threshold = 0.001;
    data.lum_max = 0.5;
    data.brightness = 5;
    data.saturation = 0.4;
    data.lum_exponent = 1;
    data.tint[0] = data.tint[1] = data.tint[2] = 1;
    data.projection = OP_STARS_HEMISPHERICAL;
    data.lines = OP_STARS_ALL_LINES;
    return data;
}

void pan_samples(int samples, Array<camera>& cams) {
    for (int i = 0; i < samples; i++) {
        double const hpb[] = {samples > 1 ? PAN_RADIANS * i / (samples - 1) : 0, 0, 0};
        cams.append(camera{DblMatrix4::from_euler_angles(hpb).inverse(), 1, 1, -1});
    }
}

// The pixels the rasteriser evaluates for one spot or segment on a frame of
// alpha 0: its rows, clamped, times each row's span around the segment's
// line. This is the work of the pass, counted the same way whatever the
// implementation does to get through it faster.
long evaluated_pixels(Vector2 const& p0, Vector2 const& p1, float intensity, float a, float b) {
    float const peak = 6250.0f * intensity;
    if (!(peak >= 1.0f)) {
        return 0;
    }
    float const k = std::sqrt(std::log(peak));
    float const dx = p1[0] - p0[0];
    float const dy = p1[1] - p0[1];
    float s = 1e20f;
    float hw = 1e20f;
    if (std::fabs(dy) > 1e-6f) {
        s = dx / dy;
        hw = static_cast<float>(double(k) * a * a + std::fabs(double(k) * a * b * s));
    }
    int const x_lo = int(std::floor(std::min(p0[0], p1[0]) - k * a));
    int const x_hi = int(std::floor(std::max(p0[0], p1[0]) + k * a)) + 1;
    int const y_lo = int(std::floor(std::min(p0[1], p1[1]) - k * b));
    int const y_hi = int(std::floor(std::max(p0[1], p1[1]) + k * b)) + 1;
    if (x_hi < 0 || y_hi < 0 || x_lo >= WIDTH || y_lo >= HEIGHT) {
        return 0;
    }
    int const col0 = std::max(x_lo, 0);
    int const col1 = std::min(x_hi, WIDTH - 1);
    long n = 0;
    for (int iy = std::max(y_lo, 0); iy <= std::min(y_hi, HEIGHT - 1); iy++) {
        float const xc = s >= 100000 ? (p0[0] + p1[0]) / 2 : p0[0] + (iy - p0[1]) * s;
        int const first = int(std::floor(std::max(xc - hw, float(col0))));
        int const last = int(std::ceil(std::min(xc + hw, float(col1))));
        if (first <= last && first < WIDTH) {
            n += std::min(last, WIDTH - 1) - first + 1;
        }
    }
    return n;
}

// Evaluated pixels of a whole pass, stars projected as the renderer projects
// them, with its gain and radii for this frame and these settings.
long pass_pixels(StarInput& input, StarRendererData const& data, Array<camera> const& cams) {
    int const segments = std::max(int(cams.len()) - 1, 1);
    float const gain = static_cast<float>(data.brightness * 4) / segments;
    float const radius = static_cast<float>(data.size_x * 0.0005 * WIDTH);
    long n = 0;
    input.rewind();
    input.next();
    for (u32 i = 1; i < input.count; i++) {
        star const* s = input.next();
        if (!(s->lum >= data.lum_threshold)) {
            continue;
        }
        float const intensity = std::min(s->lum, static_cast<float>(data.lum_max)) * gain;
        std::vector<Vector2> pos(cams.len());
        std::vector<bool> vis(cams.len());
        for (unsigned c = 0; c < cams.len(); c++) {
            vis[c] =
                world_to_screen(s->ra, s->dec, -1, 0, cams[c].xform, data.projection, WIDTH, HEIGHT,
                                data.win_x0, data.win_x1, data.win_y0, data.win_y1, pos[c]);
        }
        if (cams.len() == 1) {
            n += vis[0] ? evaluated_pixels(pos[0], pos[0], intensity, radius, radius) : 0;
        }
        for (unsigned c = 1; c < cams.len(); c++) {
            if (vis[c - 1] || vis[c]) {
                n += evaluated_pixels(pos[c - 1], pos[c], intensity, radius, radius);
            }
        }
    }
    input.rewind();
    return n;
}

void BM_AllSkyPass(benchmark::State& state) {
    std::unique_ptr<StarInput> input;
    try {
        input.reset(op_stars_file_input(ORRELUX_DEFAULT_DATABASE));
    } catch (Xception const&) {
        state.SkipWithError("the default star database is not built");
        return;
    }
    StarRendererData const data = all_sky_settings();
    Array<camera> cams;
    pan_samples(static_cast<int>(state.range(0)), cams);
    // Four floats a pixel: alpha, red, green, blue; alpha 0 everywhere.
    std::vector<float> pixels(4 * size_t(WIDTH) * HEIGHT, 0.0f);
    float* p = pixels.data();
    StarFramebuffer const fb{p + 1, p + 2, p + 3, p, WIDTH, HEIGHT, 4 * WIDTH, 4};
    double const evaluated = static_cast<double>(pass_pixels(*input, data, cams));

    bool drew = false;
    for (auto _ : state) {
        input->rewind();
        StarRenderer renderer(data, fb, *input, cams);
        while (renderer.render_star(drew)) {
        }
    }
    benchmark::DoNotOptimize(drew);
    state.counters["evaluated_px"] = evaluated;
    state.counters["evaluated_px_per_s"] = benchmark::Counter(
        evaluated * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// Camera samples: 1 draws spots, 2 one streak per star.
BENCHMARK(BM_AllSkyPass)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

} // namespace
