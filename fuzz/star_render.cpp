// A whole render pass of the star engine with each projection, over any
// records behind a valid header and any settings within the panel's ranges:
// the light added is finite and never negative, nothing is added where alpha
// is 1, and a pass that reports drawing nothing left the frame black.
#include "fuzz/fuzz_support.h"

#include "libimgops/stars.h"

#include "base/array.h"
#include "base/xception.h"

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The records of a database held in memory, a short last record zero-filled.
class RecordInput : public StarInput {
public:
    RecordInput(std::string const& header, std::string const& bytes) {
        records.resize(1 + (bytes.size() + sizeof(star) - 1) / sizeof(star));
        std::memcpy(&records[0], header.data(), sizeof(star));
        if (!bytes.empty()) {
            std::memcpy(&records[1], bytes.data(), bytes.size());
        }
        count = static_cast<u32>(records.size());
    }
    star const* next() override { return &records.at(cursor++); }
    void rewind() override { cursor = 0; }

private:
    std::vector<star> records;
    size_t cursor = 0;
};

DblMatrix4 camera_transform(FuzzBytes& in) {
    double const hpb[3] = {in.in_range(-M_PI, M_PI), in.in_range(-M_PI / 2, M_PI / 2),
                           in.in_range(-M_PI, M_PI)};
    DblMatrix4 m = DblMatrix4::from_euler_angles(hpb);
    for (int c = 0; c < 3; c++) {
        m(3, c) = in.in_range(-0.5, 0.5);
    }
    return m;
}

struct Plane {
    std::vector<float> r, g, b, a;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
    FuzzBytes in(data, size);
    int const width = 1 + static_cast<int>(in.pick(48));
    int const height = 1 + static_cast<int>(in.pick(32));
    float const alphas[] = {0.0f, 0.25f, 1.0f, 2.0f};
    unsigned const alpha_pattern = in.byte();

    StarRendererData settings{};
    settings.win_x0 = in.in_range(-2, -0.05);
    settings.win_x1 = settings.win_x0 + in.in_range(0.1, 4);
    settings.win_y0 = in.in_range(-2, -0.05);
    settings.win_y1 = settings.win_y0 + in.in_range(0.1, 4);
    settings.size_x = in.in_range(0, 20);
    settings.size_y = settings.size_x * in.in_range(0, 4);
    settings.lum_threshold = in.in_range(0, 0.5);
    settings.lum_max = in.in_range(0, 100);
    settings.brightness = in.in_range(0, 50);
    settings.saturation = in.in_range(0, 1);
    settings.lum_exponent = in.in_range(0.1, 3);
    settings.tint_strength = in.in_range(0, 1);
    for (float& t : settings.tint) {
        t = static_cast<float>(in.in_range(0, 1));
    }
    settings.parallax = in.in_range(0, 1);
    settings.lines = static_cast<op_stars_lines>(in.pick(3));
    settings.three_d = in.pick(2) == 1;

    Array<camera> cams;
    for (unsigned n = 1 + in.pick(4); n > 0; n--) {
        cams.append(camera{camera_transform(in), in.in_range(0.2, 5), 0.01, 1000});
    }
    std::string header(sizeof(star), '\0');
    std::memcpy(&header[0], in.pick(2) == 0 ? STARS_MAGIC_2D : STARS_MAGIC_3D, STARS_MAGIC_SIZE);
    std::string const records = in.rest();

    op_stars_projection const projections[] = {OP_STARS_PERSPECTIVE, OP_STARS_HEMISPHERICAL,
                                               OP_STARS_AZIMUTHAL_EQUIDISTANT};
    size_t const pixels = static_cast<size_t>(width) * height;
    for (op_stars_projection projection : projections) {
        settings.projection = projection;
        Plane plane{std::vector<float>(pixels), std::vector<float>(pixels),
                    std::vector<float>(pixels), std::vector<float>(pixels)};
        for (size_t i = 0; i < pixels; i++) {
            plane.a[i] = alphas[(alpha_pattern >> (i % 4 * 2)) & 3];
        }
        StarFramebuffer const fb{plane.r.data(), plane.g.data(), plane.b.data(), plane.a.data(),
                                 width,          height,         width,          1};
        RecordInput input(header, records);
        bool drew = false;
        try {
            StarRenderer renderer(settings, fb, input, cams);
            while (renderer.render_star(drew)) {
            }
        } catch (Xception const& e) {
            e.print();
            FUZZ_REQUIRE(!"a render pass over a valid header raised");
        }
        for (size_t i = 0; i < pixels; i++) {
            for (float v : {plane.r[i], plane.g[i], plane.b[i]}) {
                FUZZ_REQUIRE(std::isfinite(v) && v >= 0);
                FUZZ_REQUIRE(v == 0 || (drew && plane.a[i] < 1));
            }
        }
    }
    return 0;
}
