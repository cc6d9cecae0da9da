#pragma once

// Writes KStars binary star files ("Star Data v1.0") for the tests, with the
// header written field by field so that a test can describe another layout.

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

struct TychoRecord {
    double ra_hours;
    double dec;
    double vt;
    double bt_vt;
};

struct KStarsField {
    std::string name;
    uint8_t size;
    uint8_t type;
    int32_t scale;
};

// The fields of Debian's Tycho-2 deepstars.dat: 32-byte records.
inline std::vector<KStarsField> tycho_fields() {
    return {{"RA", 4, 5, 1000000}, {"Dec", 4, 5, 100000},   {"dRA", 4, 5, 10},
            {"dDec", 4, 5, 10},    {"parallax", 4, 5, 10},  {"HD", 4, 5, 10},
            {"mag", 2, 3, 100},    {"bv_index", 2, 3, 100}, {"spec_type", 2, 7, 0},
            {"flags", 1, 0, 0},    {"unused", 1, 0, 100}};
}

inline void put_le(std::string& out, int64_t value, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        out += static_cast<char>(static_cast<uint64_t>(value) >> (8 * i) & 0xff);
    }
}

// Byte offsets in a file of `cells` cells and the default eleven fields.
inline size_t kstars_index_at() {
    return 124 + 2 + 1 + 2 + 11 * 16;
}

// The file: a description, "SK", version 1, the field descriptors, an index
// of `cells` sky cells sharing the records in order, and the records with
// RA, Dec, VT and BT-VT filled in.
inline std::string kstars_binary_file(std::vector<TychoRecord> const& records,
                                      std::vector<KStarsField> const& fields = tycho_fields(),
                                      size_t cells = 2) {
    std::string out = "KStars Star Data v1.0. Written by a test.";
    out.resize(124, '\0');
    out += "SK";
    out += '\1';
    put_le(out, static_cast<int64_t>(fields.size()), 2);
    for (KStarsField const& f : fields) {
        std::string name = f.name;
        name.resize(10, '\0');
        out += name;
        put_le(out, f.size, 1);
        put_le(out, f.type, 1);
        put_le(out, f.scale, 4);
    }
    put_le(out, static_cast<int64_t>(cells), 4);
    size_t const first = out.size() + cells * 12 + 5;
    size_t done = 0;
    for (size_t c = 0; c < cells; ++c) {
        size_t const end = records.size() * (c + 1) / cells;
        put_le(out, static_cast<int64_t>(c), 4);
        put_le(out, static_cast<int64_t>(first + done * 32), 4);
        put_le(out, static_cast<int64_t>(end - done), 4);
        done = end;
    }
    put_le(out, 1519, 2);
    put_le(out, 3, 1);
    put_le(out, static_cast<int64_t>(records.size()), 2);
    for (TychoRecord const& r : records) {
        put_le(out, std::llround(r.ra_hours * 1e6), 4);
        put_le(out, std::llround(r.dec * 1e5), 4);
        out.append(16, '\0'); // proper motions, parallax, HD number
        put_le(out, std::llround(r.vt * 100), 2);
        put_le(out, std::llround(r.bt_vt * 100), 2);
        out += "A0";
        out.append(2, '\0'); // flags, unused
    }
    return out;
}
