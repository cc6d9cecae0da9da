#pragma once

#include <cstddef>
#include <vector>

// A direction on the sky, degrees.
struct SkyPosition {
    double ra;
    double dec;
};

// Answers "is any of these stars within r of that point?" for many points
// without comparing all pairs: the stars are sorted into declination bands
// and, inside a band, by right ascension, so that a question looks at the
// few stars of one or two bands within a narrow right-ascension window.
class SkyNeighbours {
public:
    // `radius` in degrees.
    SkyNeighbours(std::vector<SkyPosition> const& stars, double radius);

    // Whether a star lies within the radius of `p` (great-circle distance).
    bool any_within(SkyPosition p) const;

private:
    size_t band_of(double dec) const;
    bool any_in_window(size_t band, SkyPosition p, double ra_from, double ra_to) const;

    double radius;
    size_t band_count;
    std::vector<size_t> band_start; // per band, then the end of the last
    std::vector<SkyPosition> sorted;
};

// Great-circle distance in degrees.
double angular_distance(SkyPosition a, SkyPosition b);
