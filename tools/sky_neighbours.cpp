#include "tools/sky_neighbours.h"

#include <algorithm>
#include <cmath>

namespace {

double const DEG = M_PI / 180.0;

// Bands much taller than the radius keep a question to one or two bands;
// short enough that a band holds few stars of a dense catalogue.
double const BAND_HEIGHT = 1.0;

double wrapped_ra(double ra) {
    double const r = std::fmod(ra, 360.0);
    return r < 0.0 ? r + 360.0 : r;
}

double haversine(SkyPosition a, SkyPosition b) {
    double const sd = std::sin((b.dec - a.dec) * DEG / 2);
    double const sr = std::sin((b.ra - a.ra) * DEG / 2);
    return sd * sd + std::cos(a.dec * DEG) * std::cos(b.dec * DEG) * sr * sr;
}

} // namespace

double angular_distance(SkyPosition a, SkyPosition b) {
    return 2.0 * std::asin(std::min(1.0, std::sqrt(haversine(a, b)))) / DEG;
}

SkyNeighbours::SkyNeighbours(std::vector<SkyPosition> const& stars, double radius)
    : radius(radius), band_count(static_cast<size_t>(std::ceil(180.0 / BAND_HEIGHT))) {
    sorted.reserve(stars.size());
    for (SkyPosition const& s : stars) {
        sorted.push_back({wrapped_ra(s.ra), s.dec});
    }
    std::sort(sorted.begin(), sorted.end(), [this](SkyPosition const& a, SkyPosition const& b) {
        size_t const band_a = band_of(a.dec), band_b = band_of(b.dec);
        return band_a != band_b ? band_a < band_b : a.ra < b.ra;
    });
    band_start.assign(band_count + 1, sorted.size());
    for (size_t i = sorted.size(); i-- > 0;) {
        band_start[band_of(sorted[i].dec)] = i;
    }
    // An empty band starts where the next one does.
    for (size_t b = band_count; b-- > 0;) {
        band_start[b] = std::min(band_start[b], band_start[b + 1]);
    }
}

size_t SkyNeighbours::band_of(double dec) const {
    double const from_south = std::floor((dec + 90.0) / BAND_HEIGHT);
    return static_cast<size_t>(std::clamp(from_south, 0.0, static_cast<double>(band_count - 1)));
}

bool SkyNeighbours::any_in_window(size_t band, SkyPosition p, double ra_from, double ra_to) const {
    auto const first = sorted.begin() + static_cast<std::ptrdiff_t>(band_start[band]);
    auto const last = sorted.begin() + static_cast<std::ptrdiff_t>(band_start[band + 1]);
    auto it = std::lower_bound(first, last, ra_from,
                               [](SkyPosition const& s, double ra) { return s.ra < ra; });
    double const limit = std::sin(radius * DEG / 2) * std::sin(radius * DEG / 2);
    for (; it != last && it->ra <= ra_to; ++it) {
        if (haversine(p, *it) <= limit) {
            return true;
        }
    }
    return false;
}

bool SkyNeighbours::any_within(SkyPosition p) const {
    p.ra = wrapped_ra(p.ra);
    double const reach = std::fabs(p.dec) + radius;
    // How far in right ascension a point within the radius can lie; beyond
    // a pole every right ascension can.
    double const half_width = reach >= 90.0 ? 180.0 : radius / std::cos(reach * DEG);
    size_t const south = band_of(p.dec - radius), north = band_of(p.dec + radius);
    for (size_t band = south; band <= north; ++band) {
        bool found = false;
        if (half_width >= 180.0) {
            found = any_in_window(band, p, 0.0, 360.0);
        } else {
            found = any_in_window(band, p, p.ra - half_width, p.ra + half_width) ||
                    any_in_window(band, p, p.ra - half_width + 360.0, 360.0) ||
                    any_in_window(band, p, 0.0, p.ra + half_width - 360.0);
        }
        if (found) {
            return true;
        }
    }
    return false;
}
