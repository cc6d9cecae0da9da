#pragma once

// The header record of a star database: the first 32 bytes of the file, the
// same size as a star record. Every program that reads or writes a header
// (the engine, the plug-in's reader, the tools, the renderer's checks)
// decodes it here. Header-only and standard library only, so that programs
// which never render need not link the engine.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

// Every record of a database, the header included, is this long.
size_t const STAR_RECORD_SIZE = 32;

// The first 8 bytes of the header: a database of star directions, or one
// whose records also carry distances (3D stars).
char const STARS_MAGIC_2D[] = "ORRELUX1";
char const STARS_MAGIC_3D[] = "ORRELUX2";
unsigned const STARS_MAGIC_SIZE = 8;

enum star_header_kind : int32_t {
    STAR_HEADER_INVALID = 0,
    STAR_HEADER_2D = 1,
    STAR_HEADER_3D = 2,
};

// What a header record says for rendering; only its magic counts, whatever
// the other 24 bytes hold.
inline star_header_kind check_star_header(void const* header) {
    if (std::memcmp(header, STARS_MAGIC_2D, STARS_MAGIC_SIZE) == 0) {
        return STAR_HEADER_2D;
    }
    if (std::memcmp(header, STARS_MAGIC_3D, STARS_MAGIC_SIZE) == 0) {
        return STAR_HEADER_3D;
    }
    return STAR_HEADER_INVALID;
}

// How distances are scaled into the scene's world units, as the project's
// tools record it.
enum class DistanceUnit : uint32_t {
    PARSEC = 1,
    LIGHT_YEAR = 2,
    SCALE = 3, // a free factor, world units per parsec
};

inline bool is_known_distance_unit(uint32_t unit) {
    return unit >= static_cast<uint32_t>(DistanceUnit::PARSEC) &&
           unit <= static_cast<uint32_t>(DistanceUnit::SCALE);
}

// The whole header. The renderer reads only the magic; the project's tools
// also write, little-endian at these offsets, what lets a damaged file be
// told from a sound one. Other writers may leave anything there.
struct StarHeader {
    star_header_kind kind = STAR_HEADER_INVALID;
    uint32_t star_count = 0;    // offset 8: star records written
    uint32_t distance_unit = 0; // offset 12: a DistanceUnit
    double epoch = 0;           // offset 16: Julian year of the positions
    double per_parsec = 0;      // offset 24: world units in one parsec
};

size_t const STAR_HEADER_COUNT_OFFSET = 8;
size_t const STAR_HEADER_UNIT_OFFSET = 12;
size_t const STAR_HEADER_EPOCH_OFFSET = 16;
size_t const STAR_HEADER_SCALE_OFFSET = 24;

namespace star_header_bytes {

inline uint64_t get(unsigned char const* bytes, size_t size) {
    uint64_t value = 0;
    for (size_t i = size; i-- > 0;) {
        value = value << 8 | bytes[i];
    }
    return value;
}

inline void put(unsigned char* bytes, uint64_t value, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<unsigned char>(value >> (8 * i));
    }
}

inline double get_double(unsigned char const* bytes) {
    uint64_t const bits = get(bytes, 8);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

inline void put_double(unsigned char* bytes, double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    put(bytes, bits, 8);
}

} // namespace star_header_bytes

// Decodes the STAR_RECORD_SIZE bytes of a header record.
inline StarHeader decode_star_header(void const* record) {
    auto const* bytes = static_cast<unsigned char const*>(record);
    StarHeader h;
    h.kind = check_star_header(bytes);
    h.star_count =
        static_cast<uint32_t>(star_header_bytes::get(bytes + STAR_HEADER_COUNT_OFFSET, 4));
    h.distance_unit =
        static_cast<uint32_t>(star_header_bytes::get(bytes + STAR_HEADER_UNIT_OFFSET, 4));
    h.epoch = star_header_bytes::get_double(bytes + STAR_HEADER_EPOCH_OFFSET);
    h.per_parsec = star_header_bytes::get_double(bytes + STAR_HEADER_SCALE_OFFSET);
    return h;
}

// The header record as the project's tools write it: the 3D magic for
// STAR_HEADER_3D, else the 2D one.
inline void encode_star_header(StarHeader const& h, void* record) {
    auto* bytes = static_cast<unsigned char*>(record);
    std::memcpy(bytes, h.kind == STAR_HEADER_3D ? STARS_MAGIC_3D : STARS_MAGIC_2D,
                STARS_MAGIC_SIZE);
    star_header_bytes::put(bytes + STAR_HEADER_COUNT_OFFSET, h.star_count, 4);
    star_header_bytes::put(bytes + STAR_HEADER_UNIT_OFFSET, h.distance_unit, 4);
    star_header_bytes::put_double(bytes + STAR_HEADER_EPOCH_OFFSET, h.epoch);
    star_header_bytes::put_double(bytes + STAR_HEADER_SCALE_OFFSET, h.per_parsec);
}

// Whether the bytes after the magic were written by the project's tools for
// a file of `records_held` star records: the count matches and the unit and
// scale make sense.
inline bool star_header_has_metadata(StarHeader const& h, uint64_t records_held) {
    return h.star_count == records_held && is_known_distance_unit(h.distance_unit) &&
           std::isfinite(h.epoch) && std::isfinite(h.per_parsec) && h.per_parsec > 0.0;
}
