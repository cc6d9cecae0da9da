#pragma once

#include "tools/catalogue.h"

#include <cstddef>

// The same star in two catalogues lies this close (arcseconds): Tycho-2
// positions agree with stars.dat within 1" for nearly all shared stars.
double const SAME_STAR_RADIUS_ARCSEC = 2.0;

struct MergeCounts {
    size_t base = 0;       // stars of the base catalogue, all kept
    size_t deep = 0;       // stars of the deep catalogue read
    size_t added = 0;      // deep stars kept
    size_t duplicates = 0; // deep stars dropped as a base star seen again
};

struct MergedCatalogue {
    Catalogue catalogue;
    MergeCounts counts;
};

// Every star of `base` (whose distances are kept) and the stars of `deep`
// that lie farther than `radius_arcsec` from every base star, base stars
// first, each catalogue in its own order.
MergedCatalogue merge_catalogues(Catalogue const& base, Catalogue const& deep,
                                 double radius_arcsec);
