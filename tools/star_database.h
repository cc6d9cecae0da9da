#pragma once

#include "libimgops/stars.h"
#include "tools/catalogue.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct DistanceScale {
    DistanceUnit unit;
    double per_parsec; // world units in one parsec
};

double const LIGHT_YEARS_PER_PARSEC = 3.261563777;

// "pc", "ly", or a positive number of world units per parsec; empty for
// anything else.
std::optional<DistanceScale> distance_scale_from_text(std::string const& text);

// "pc", "ly", or the scale factor in text.
std::string describe_distance_scale(DistanceScale const& scale);

struct BuildOptions {
    bool three_d = true;                 // "ORRELUX2" with distances, else "ORRELUX1"
    std::optional<double> max_magnitude; // fainter stars are left out
    double epoch = 2000.0;               // Julian year of the written positions
    DistanceScale distance{DistanceUnit::PARSEC, 1.0};
};

// What the 32-byte header says (libimgops/star_header.h has the layout).
struct DatabaseHeader {
    bool three_d = false;
    // The bytes after the magic were written by this tool: the count matches
    // the records and the unit is known.
    bool has_metadata = false;
    uint32_t star_count = 0;
    double epoch = 0;
    DistanceScale distance{DistanceUnit::PARSEC, 1.0};
};

struct StarDatabase {
    DatabaseHeader header;
    std::vector<star> stars;
    // Bytes after the last whole record; a sound database has none.
    size_t trailing_bytes = 0;
};

// The database records for a catalogue: positions moved to the epoch,
// luminance and colour from V and B-V, distances scaled, sorted brightest
// first (ties by position, so equal input gives equal output).
std::vector<star> make_star_records(Catalogue const& catalogue, BuildOptions const& options);

// The file bytes of a database.
std::string encode_database(std::vector<star> const& stars, BuildOptions const& options);

// Writes a database atomically: nothing is left at `path` on failure.
void write_database(std::string const& path, std::vector<star> const& stars,
                    BuildOptions const& options);

// Reads database bytes; `name` is used in messages. Throws StarcatError when
// there is no whole header or its magic is not a star database's.
StarDatabase decode_database(std::string const& name, std::string const& bytes);

StarDatabase read_database(std::string const& path);
