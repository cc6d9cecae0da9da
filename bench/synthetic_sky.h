#pragma once

#include <string>

// The deep database the benchmarks measure: `tycho2-deep.stars` beside the
// default database when set-up has built it, otherwise one of the same size
// made here once, in the build folder: the default database's stars
// followed by 2.4 million more spread evenly over the sphere, magnitudes
// V 8 to 12.5 evenly, no distances. Empty when the default database is missing.
std::string deep_sky_database();

// The luminance of a star of visual magnitude V.
double luminance_of_magnitude(double v);
