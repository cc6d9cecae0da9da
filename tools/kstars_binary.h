#pragma once

#include "tools/catalogue.h"

#include <string>

// Reads a KStars binary star file ("Star Data v1.0", little-endian) laid out
// as Debian's Tycho-2 file deepstars.dat is: RA, Dec, proper motions,
// parallax, HD number, Tycho VT magnitude and BT-VT colour, spectral type and
// flags in 32-byte records behind a self-describing header and a sky-cell
// index. Magnitudes become Johnson V and B-V (tycho_to_johnson); positions
// are J2000.0 and no star gets a distance, the file's parallaxes not being
// usable. `name` is used in messages. Throws StarcatError naming what
// differs when the header describes another layout, when the index does not
// account for the file's bytes, or when a record holds an impossible value.
Catalogue parse_kstars_binary(std::string const& name, std::string const& bytes);

Catalogue read_kstars_binary(std::string const& path);
