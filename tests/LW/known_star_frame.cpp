// Renders one frame through a built plug-in module in the stand-in host and
// writes its output pixels as text, the same on every platform; with
// --compare, checks that two such files agree within single-precision noise.
// The Windows module's frame, rendered under Wine, is held to the Linux
// module's this way: the two C libraries' expf and erff may differ in the
// last bit.

#include "known_stars.h"

#include "host/scene/envelope.h"
#include "host/services/filter_frame.h"
#include "host/services/host.h"
#include "host/services/module.h"
#include "LW/settings.h"
#include "base/xception.h"
#include "lwsdk/lwfilter.h"
#include "lwsdk/lwhandler.h"
#include "lwsdk/lwrender.h"
#include "tests/support/temp_folder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

// Differences up to this fraction of the brightest value are rounding.
double const TOLERANCE = 1e-5;

star coloured(star s, float lum, unsigned char r, unsigned char g, unsigned char b) {
    s.lum = lum;
    s.r = r;
    s.g = g;
    s.b = b;
    return s;
}

// Three stars of different colours and brightness ahead of a camera that
// pans and tilts over the exposure, so that the frame holds streaks as well
// as spots.
HostFrame& render(std::string const& module_path, HostFrame& frame) {
    TempFolder folder("orrelux-frame-");
    std::string module_copy = folder.file(std::filesystem::path(module_path).filename().string());
    std::filesystem::copy_file(module_path, module_copy);
    std::string database = folder.file("known.stars");
    write_database(database,
                   {star_towards(0, 0, 1), coloured(star_towards(0.1, 0.05, 1), 2.0f, 255, 180, 90),
                    coloured(star_towards(-0.12, -0.06, 1), 0.2f, 120, 160, 255)});

    Host host;
    LWItemID camera = host.scene.add(LWI_CAMERA, "Camera");
    double exposure = 0.5 / host.scene.frames_per_second;
    auto key = [](double t, double v) { return EnvelopeKey{v, t, SpanType::LINEAR, {}}; };
    std::array<Envelope, 3>& turn = host.scene.item(camera).motion.rotation;
    turn[0] = Envelope({key(0, 0), key(exposure, 0.03)}, Behaviour::LINEAR, Behaviour::LINEAR);
    turn[1] = Envelope({key(0, 0), key(exposure, 0.01)}, Behaviour::LINEAR, Behaviour::LINEAR);

    HostModule module(module_copy.c_str());
    LWInstanceFuncs funcs = {};
    LWItemFuncs items = {};
    LWImageFilterHandler handler = {&funcs, &items, nullptr, nullptr};
    module.activate(LWIMAGEFILTER_HCLASS, "Orrelux", LWIMAGEFILTER_VERSION, &handler);
    LWError error = nullptr;
    auto* inst = static_cast<orrelux*>(funcs.create(funcs.priv, nullptr, &error));
    if (!inst) {
        throw std::runtime_error(std::string("create: ") + (error ? error : "no instance"));
    }
    inst->starfile = database.c_str();
    inst->srgb_framebuffer = 0;
    inst->blur_segs = 4;
    error = handler.process(inst, frame.access());
    funcs.destroy(inst);
    if (error) {
        throw std::runtime_error(std::string("process: ") + error);
    }
    return frame;
}

void write_frame(HostFrame const& frame, char const* path) {
    FILE* out = std::fopen(path, "w");
    if (!out) {
        throw std::runtime_error(std::string("cannot write ") + path);
    }
    std::fprintf(out, "%d %d\n", frame.width(), frame.height());
    for (int y = 0; y < frame.height(); y++) {
        for (int x = 0; x < frame.width(); x++) {
            for (int c = 0; c < 4; c++) {
                std::fprintf(out, "%.9g\n", frame.output(x, y, c));
            }
        }
    }
    if (std::fclose(out) != 0) {
        throw std::runtime_error(std::string("cannot write ") + path);
    }
}

std::vector<double> read_frame(char const* path) {
    std::ifstream in(path);
    int width = 0;
    int height = 0;
    if (!(in >> width >> height) || width <= 0 || height <= 0) {
        throw std::runtime_error(std::string(path) + ": no frame size");
    }
    std::vector<double> values(static_cast<std::size_t>(width) * height * 4);
    for (double& v : values) {
        if (!(in >> v)) {
            throw std::runtime_error(std::string(path) + ": frame ends early");
        }
    }
    values.push_back(width);
    values.push_back(height);
    return values;
}

// 0 when the frames have one size, some light, and values that differ by no
// more than the tolerance of the brightest.
int compare(char const* a_path, char const* b_path) {
    std::vector<double> a = read_frame(a_path);
    std::vector<double> b = read_frame(b_path);
    if (a.size() != b.size() || a.back() != b.back()) {
        std::fprintf(stderr, "frames differ in size\n");
        return 1;
    }
    double peak = 0;
    double worst = 0;
    std::size_t lit = 0;
    for (std::size_t i = 0; i + 2 < a.size(); i++) {
        peak = std::max(peak, std::fabs(a[i]));
        worst = std::max(worst, std::fabs(a[i] - b[i]));
        lit += a[i] > 0 && i % 4 != 3;
    }
    std::printf("%zu lit values; largest difference %.3g of a brightest value %.6g\n", lit, worst,
                peak);
    if (lit < 100) {
        std::fprintf(stderr, "the frame holds too little light to compare\n");
        return 1;
    }
    if (worst > TOLERANCE * peak) {
        std::fprintf(stderr, "frames differ by more than %g of the brightest value\n", TOLERANCE);
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        if (argc == 4 && std::string(argv[1]) == "--compare") {
            return compare(argv[2], argv[3]);
        }
        if (argc == 3) {
            HostFrame frame(320, 240);
            write_frame(render(argv[1], frame), argv[2]);
            return 0;
        }
        std::fprintf(stderr, "usage: known_star_frame MODULE OUTPUT\n"
                             "       known_star_frame --compare FRAME FRAME\n");
        return 2;
    } catch (Xception const& e) {
        e.print();
    } catch (std::exception const& e) {
        std::fprintf(stderr, "known_star_frame: %s\n", e.what());
    }
    return 1;
}
