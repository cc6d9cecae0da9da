#pragma once

#include <optional>
#include <string>
#include <vector>

enum class CatalogueFormat {
    KSTARS,    // the KStars text catalogue stars.dat (fixed columns)
    HIPPARCOS, // the Hipparcos main catalogue hip_main.dat ('|' separated)
    HYG,       // HYG-style CSV whose header line names the columns
};

// One star as its catalogue gives it; ICRS positions.
struct CatalogueStar {
    double ra;       // degrees, at `epoch`
    double dec;      // degrees, at `epoch`
    double epoch;    // Julian year of the position
    double pm_ra;    // proper motion in RA times cos(dec), mas/yr
    double pm_dec;   // proper motion in declination, mas/yr
    double vmag;     // visual magnitude
    double bv;       // B-V colour index; NaN when the catalogue has none
    double distance; // parsecs; 0 when unknown or not trusted
};

struct Catalogue {
    std::vector<CatalogueStar> stars;
    // "file:line: reason; line skipped" for skipped lines, and notes about
    // stars left out for lack of data.
    std::vector<std::string> warnings;
};

struct CatalogueOptions {
    std::optional<CatalogueFormat> format; // guessed from the content when empty
    bool skip_bad_lines = false;           // otherwise a malformed line is an error
    bool show_progress = false;            // a progress line on a terminal's stderr
};

// "kstars", "hipparcos" or "hyg"; empty when the name is none of those.
std::optional<CatalogueFormat> catalogue_format_from_name(std::string const& name);
char const* catalogue_format_name(CatalogueFormat format);

// The format that the first data lines of a catalogue have; empty when none
// matches. `text` is the whole catalogue or its beginning.
std::optional<CatalogueFormat> guess_catalogue_format(std::string const& text);

// Parses a catalogue held in memory; `name` is used in messages. Throws
// StarcatError on an unknown format, a malformed line (unless skipped) or a
// catalogue without any star.
Catalogue parse_catalogue(std::string const& name, std::string const& text,
                          CatalogueOptions const& options);

// Reads and parses the catalogue file at `path`.
Catalogue read_catalogue(std::string const& path, CatalogueOptions const& options);
