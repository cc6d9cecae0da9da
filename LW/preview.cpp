#include "LW/preview.h"

#include "LW/module_state.h"
#include "LW/image_framebuffer.h"
#include "LW/preview_stars.h"
#include "LW/settings.h"
#include "LW/srgb.h"
#include "libvellimage/image.h"
#include "libimgops/stars.h"
#include "base/newmatrix.h"
#include "base/xception.h"

#include <osapi/osapi-unix.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// A float's top 14 bits: sign, exponent and five bits of mantissa.
int const TABLE_SHIFT = 18;
int const TABLE_SIZE = 1 << 14;

// Stars between two looks at the clock.
int const STARS_PER_CHECK = 10;

// Spots larger than this many thumbnail pixels would blot out the picture.
double const MAX_STAR_SIZE = 10;
double const PIXELS_PER_STAR_SIZE = 0.4;

struct ByteTables {
    std::uint8_t srgb[TABLE_SIZE];
    std::uint8_t linear[TABLE_SIZE];
};

std::uint32_t bits_of(float v) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

std::uint8_t to_byte(double v) {
    return static_cast<std::uint8_t>(std::min(std::max(v, 0.0), 255.0));
}

ByteTables build_tables() {
    ByteTables tables;
    for (int i = 0; i < TABLE_SIZE; i++) {
        std::uint32_t bits = (static_cast<std::uint32_t>(i) << TABLE_SHIFT) + (1u << 17);
        float v;
        std::memcpy(&v, &bits, sizeof v);
        // The buckets of the infinities hold NaNs in their middle.
        if (std::isnan(v)) {
            v = std::copysign(INFINITY, v);
        }
        tables.srgb[i] = to_byte(std::trunc(linear_to_srgb(v) * 255 + 0.5f));
        tables.linear[i] = to_byte(std::trunc(static_cast<double>(v) * 255));
    }
    tables.srgb[0] = tables.linear[0] = 0;
    tables.srgb[TABLE_SIZE - 1] = tables.linear[TABLE_SIZE - 1] = 255;
    return tables;
}

ByteTables const& tables() {
    static ByteTables const built = build_tables();
    return built;
}

// Yellow at c = 0 to blue at 1, tinted, then pulled towards grey by the
// saturation; in single precision.
Color3 star_colour(orrelux const& rec, float c) {
    float const strength = static_cast<float>(rec.tint_strength);
    float const saturation = static_cast<float>(rec.saturation);
    float const base[3] = {1 - 0.8f * c, 1 - 0.8f * c, c};
    Color3 colour;
    for (int i = 0; i < 3; i++) {
        float tinted = (1 - strength) * base[i] + strength * static_cast<float>(rec.tint[i]);
        colour[i] = 0.5f - 0.5f * saturation + saturation * tinted;
    }
    return colour;
}

void draw_star(StarFramebuffer const& fb, orrelux const& rec, PreviewStar const& s) {
    double intensity =
        std::min(std::pow(static_cast<double>(s.lum), 1 / rec.brightness_bias), rec.lum_max) *
        rec.brightness * 2.5;
    Vector2 p = {{s.x * static_cast<float>(fb.width), s.y * static_cast<float>(fb.height)}};
    double radius = std::min(rec.star_size, MAX_STAR_SIZE) * PIXELS_PER_STAR_SIZE;
    op_star_streak(fb, p, p, static_cast<float>(intensity), star_colour(rec, s.c),
                   static_cast<float>(radius * rec.star_aspect), static_cast<float>(radius),
                   OP_STARS_ALL_LINES);
}

void draw_stars(StarFramebuffer const& fb, orrelux const& rec) {
    u64 const start = OSAPI::microsecs();
    for (int i = 0; i < PREVIEW_STAR_COUNT; i++) {
        if (i % STARS_PER_CHECK == 0 && OSAPI::microsecs() - start > PREVIEW_BUDGET_US) {
            return;
        }
        if (preview_stars[i].lum < rec.lum_threshold) {
            continue;
        }
        draw_star(fb, rec, preview_stars[i]);
    }
}

void show(Vell::Image const& image, bool srgb, LWXPDrAreaID area) {
    LWXPDrawFuncs* draw = orrelux_ini.xpanel_funcs->drawf;
    for (int y = 0; y < image.height; y++) {
        float const* pixel = reinterpret_cast<float const*>(image.pixels + y * image.stride);
        for (int x = 0; x < image.width; x++, pixel += 4) {
            draw->drawRGBPixel(area, preview_byte(pixel[1], srgb), preview_byte(pixel[2], srgb),
                               preview_byte(pixel[3], srgb), x, y);
        }
    }
}

} // namespace

unsigned char preview_byte(float value, bool srgb) {
    std::uint32_t index = bits_of(value) >> TABLE_SHIFT;
    return srgb ? tables().srgb[index] : tables().linear[index];
}

void draw_preview(LWXPanelID panel, unsigned int, LWXPDrAreaID area, int w, int h) {
    if (w <= 0 || h <= 0) {
        return;
    }
    try {
        orrelux const& rec = *static_cast<orrelux*>(orrelux_ini.xpanel_funcs->getData(panel, 0));
        Vell::Image image(Vell::ImageSpec(w, h, Vell::ImageSpec::BGRA_FLOAT));
        image.make_blank();
        draw_stars(framebuffer_of(image), rec);
        show(image, rec.srgb_framebuffer != 0, area);
    } catch (Xception const& e) {
        e.print();
    }
}
