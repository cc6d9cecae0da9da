#pragma once

#include "tools/catalogue.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A line that cannot be read; the reason is completed with the file name and
// line number by the catalogue reader.
struct BadLine {
    std::string reason;
};

// A line that holds no usable star (the catalogue's own missing values); it
// is left out without being an error.
struct NoStar {
    std::string reason;
};

// The bytes [begin, end) of a line, clipped to its length.
std::string_view field(std::string_view line, size_t begin, size_t end);

// The number in a field, which must be entirely a decimal number apart from
// surrounding blanks; empty for a blank field. Throws BadLine naming `what`.
std::optional<double> parse_number(std::string_view text, char const* what);

// As parse_number, but a blank field is an error too.
double require_number(std::string_view text, char const* what);

// The visual magnitude in a field, as parse_number; a value outside
// MIN_MAGNITUDE..MAX_MAGNITUDE throws BadLine.
std::optional<double> parse_magnitude(std::string_view text);

// As parse_magnitude, but a blank field is an error too.
double require_magnitude(std::string_view text);

// Parses one star line of a KStars stars.dat catalogue.
CatalogueStar parse_kstars_line(std::string_view line);

// Parses one line of the Hipparcos main catalogue; throws NoStar for an
// entry without position or magnitude.
CatalogueStar parse_hipparcos_line(std::string_view line);

// The columns of an HYG-style CSV catalogue, found by name in its header.
class HygColumns {
public:
    // Throws BadLine when a required column is missing.
    explicit HygColumns(std::string_view header);

    // Throws NoStar for the observer's own Sun (distance 0).
    CatalogueStar parse(std::string_view line) const;

private:
    size_t count;
    size_t ra, dec, mag, ci, dist;
    std::optional<size_t> pm_ra, pm_dec;
};

// The fields of one CSV line; double quotes protect commas.
std::vector<std::string> split_csv(std::string_view line);
