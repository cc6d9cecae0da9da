#include "tools/star_database.h"
#include "tools/file_io.h"
#include "tools/conversions.h"
#include "tools/starcat_error.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <tuple>

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "records are copied as they are to and from little-endian files");

namespace {

// Stars without a colour index are drawn white.
StarColour const WHITE{255, 255, 255};

bool brighter_first(star const& a, star const& b) {
    return std::make_tuple(-a.lum, a.ra, a.dec, a.dist, a.r, a.g, a.b) <
           std::make_tuple(-b.lum, b.ra, b.dec, b.dist, b.r, b.g, b.b);
}

} // namespace

std::optional<DistanceScale> distance_scale_from_text(std::string const& text) {
    if (text == "pc") {
        return DistanceScale{DistanceUnit::PARSEC, 1.0};
    }
    if (text == "ly") {
        return DistanceScale{DistanceUnit::LIGHT_YEAR, LIGHT_YEARS_PER_PARSEC};
    }
    char* end = nullptr;
    double const scale = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(scale) ||
        scale <= 0.0) {
        return std::nullopt;
    }
    return DistanceScale{DistanceUnit::SCALE, scale};
}

std::string describe_distance_scale(DistanceScale const& scale) {
    switch (scale.unit) {
    case DistanceUnit::PARSEC:
        return "pc";
    case DistanceUnit::LIGHT_YEAR:
        return "ly";
    case DistanceUnit::SCALE:
        break;
    }
    char text[64];
    snprintf(text, sizeof text, "%.17g units/pc", scale.per_parsec);
    return text;
}

std::vector<star> make_star_records(Catalogue const& catalogue, BuildOptions const& options) {
    std::vector<star> stars;
    stars.reserve(catalogue.stars.size());
    // stars.dat gives B-V to two decimals: a few hundred distinct colours.
    std::map<double, StarColour> colours;
    for (CatalogueStar const& c : catalogue.stars) {
        if (options.max_magnitude && c.vmag > *options.max_magnitude) {
            continue;
        }
        star s{};
        s.ra = c.ra;
        s.dec = c.dec;
        if (options.epoch != c.epoch) {
            propagate_position(s.ra, s.dec, c.pm_ra, c.pm_dec, options.epoch - c.epoch);
        }
        s.lum = static_cast<float>(luminance_from_magnitude(c.vmag));
        StarColour colour = WHITE;
        if (!std::isnan(c.bv)) {
            auto const found = colours.find(c.bv);
            colour =
                found != colours.end() ? found->second : (colours[c.bv] = colour_from_bv(c.bv));
        }
        s.r = colour.r;
        s.g = colour.g;
        s.b = colour.b;
        s.dist = options.three_d ? c.distance * options.distance.per_parsec : 0.0;
        stars.push_back(s);
    }
    std::sort(stars.begin(), stars.end(), brighter_first);
    return stars;
}

std::string encode_database(std::vector<star> const& stars, BuildOptions const& options) {
    StarHeader header;
    header.kind = options.three_d ? STAR_HEADER_3D : STAR_HEADER_2D;
    header.star_count = static_cast<uint32_t>(stars.size());
    header.distance_unit = static_cast<uint32_t>(options.distance.unit);
    header.epoch = options.epoch;
    header.per_parsec = options.distance.per_parsec;
    std::string bytes(STAR_RECORD_SIZE * (stars.size() + 1), '\0');
    encode_star_header(header, &bytes[0]);
    if (!stars.empty()) {
        memcpy(&bytes[STAR_RECORD_SIZE], stars.data(), STAR_RECORD_SIZE * stars.size());
    }
    return bytes;
}

void write_database(std::string const& path, std::vector<star> const& stars,
                    BuildOptions const& options) {
    write_file_atomically(path, encode_database(stars, options));
}

StarDatabase decode_database(std::string const& name, std::string const& bytes) {
    if (bytes.size() < STAR_RECORD_SIZE) {
        throw StarcatError(name + ": not a star database (" + std::to_string(bytes.size()) +
                           " bytes, shorter than its 32-byte header)");
    }
    StarHeader const header = decode_star_header(bytes.data());
    if (header.kind == STAR_HEADER_INVALID) {
        std::string shown;
        for (char c : bytes.substr(0, STARS_MAGIC_SIZE)) {
            shown += c >= ' ' && c <= '~' ? c : '.';
        }
        throw StarcatError(name + ": not a star database (magic \"" + shown + "\")");
    }
    StarDatabase db;
    size_t const count = bytes.size() / STAR_RECORD_SIZE - 1;
    db.trailing_bytes = bytes.size() % STAR_RECORD_SIZE;
    db.header.three_d = header.kind == STAR_HEADER_3D;
    db.header.has_metadata = star_header_has_metadata(header, count);
    if (db.header.has_metadata) {
        db.header.star_count = header.star_count;
        db.header.epoch = header.epoch;
        db.header.distance =
            DistanceScale{static_cast<DistanceUnit>(header.distance_unit), header.per_parsec};
    }
    db.stars.resize(count);
    if (count > 0) {
        memcpy(db.stars.data(), bytes.data() + STAR_RECORD_SIZE, STAR_RECORD_SIZE * count);
    }
    return db;
}

StarDatabase read_database(std::string const& path) {
    return decode_database(path, read_file(path, "star database"));
}
