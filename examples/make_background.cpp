// make_background: writes the plate that examples/focus_pull.lws renders its
// stars into, as a host render would hand it over: a dusk sky that stars may
// shine through (alpha 0) above a ridge of hills that hides them (alpha 1).
#include "host/frames/frame_file.h"
#include "host/frames/frame_pattern.h"
#include "base/xception.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

namespace {

// Height of the ridge above the bottom of the frame, as a fraction of the
// height, at `x` pixels across a ridge scrolled by `shift` pixels.
double ridge(double x, double shift, int width) {
    double const u = (x + shift) / width;
    return 0.2 + 0.05 * std::sin(2.1 * u + 0.4) + 0.025 * std::sin(7.3 * u + 1.1) +
           0.008 * std::sin(31.0 * u);
}

// Linear-light colours: the sky fades from a deep blue overhead to a dim
// glow at the horizon; the hills are nearly black.
void sky(float* p, double height_above_ridge) {
    double const glow = std::exp(-height_above_ridge / 0.12);
    p[0] = float(0.002 + 0.030 * glow);
    p[1] = float(0.003 + 0.016 * glow);
    p[2] = float(0.009 + 0.012 * glow);
    p[3] = 0;
}

FrameImage plate(int width, int height, double shift) {
    FrameImage image(width, height);
    for (int x = 0; x < width; x++) {
        // The ridge's top edge in rows from the top; its pixel is covered in
        // part, which gives a soft, anti-aliased edge in alpha.
        double const top = height * (1 - ridge(x + 0.5, shift, width));
        for (int y = 0; y < height; y++) {
            float* p = image.pixel(x, y);
            sky(p, std::max(0.0, (top - y) / height));
            float const hill = float(std::clamp(y + 1 - top, 0.0, 1.0));
            float const dark[3] = {0.0012f, 0.0012f, 0.0016f};
            for (int c = 0; c < 3; c++) {
                p[c] += hill * (dark[c] - p[c]);
            }
            p[3] = hill;
        }
    }
    return image;
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"Writes the background plate of examples/focus_pull.lws: a dusk sky (alpha 0) "
                 "over a ridge of hills (alpha 1) that scrolls as the camera turns.\n\n"
                 "Example:\n"
                 "  make_background out/plate/plate_####.exr",
                 "make_background"};
    std::string pattern;
    int first = 1, last = 48, width = 960, height = 540;
    // The example's camera turns 8 degrees in 47 frames; at its zoom the
    // horizon moves this many pixels a frame at 960 wide.
    double drift = 2.64;
    app.add_option("pattern", pattern,
                   "Output frames, '#' standing for the frame number (e.g. plate_####.exr)")
        ->required();
    app.add_option("--first", first, "First frame")->capture_default_str();
    app.add_option("--last", last, "Last frame")->capture_default_str();
    app.add_option("--width", width, "Width in pixels")
        ->capture_default_str()
        ->check(CLI::Range(1, 32768));
    app.add_option("--height", height, "Height in pixels")
        ->capture_default_str()
        ->check(CLI::Range(1, 32768));
    app.add_option("--drift", drift, "How far the hills scroll left each frame, in pixels")
        ->capture_default_str();
    CLI11_PARSE(app, argc, argv);

    try {
        FramePattern const frames(pattern);
        if (last < first) {
            throw std::invalid_argument("--last " + std::to_string(last) + " is before --first " +
                                        std::to_string(first));
        }
        frames.require_numbered(size_t(last - first + 1));
        std::filesystem::path const folder = std::filesystem::path(pattern).parent_path();
        if (!folder.empty()) {
            std::filesystem::create_directories(folder);
        }
        for (int frame = first; frame <= last; frame++) {
            std::string const path = frames.path(frame);
            // Drift in pixels of a 960-wide frame, so every size scrolls alike.
            write_frame(path, plate(width, height, drift * (frame - first) * width / 960.0),
                        SampleType::HALF);
            printf("%s\n", path.c_str());
        }
    } catch (Xception const& e) {
        fprintf(stderr, "make_background: %s\n", e.what());
        return 1;
    } catch (std::exception const& e) {
        fprintf(stderr, "make_background: %s\n", e.what());
        return 1;
    }
    return 0;
}
