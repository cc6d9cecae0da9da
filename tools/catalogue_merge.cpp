#include "tools/catalogue_merge.h"
#include "tools/sky_neighbours.h"

MergedCatalogue merge_catalogues(Catalogue const& base, Catalogue const& deep,
                                 double radius_arcsec) {
    std::vector<SkyPosition> base_positions;
    base_positions.reserve(base.stars.size());
    for (CatalogueStar const& s : base.stars) {
        base_positions.push_back({s.ra, s.dec});
    }
    SkyNeighbours const near_base(base_positions, radius_arcsec / 3600.0);

    MergedCatalogue merged;
    merged.catalogue = base;
    merged.counts.base = base.stars.size();
    merged.counts.deep = deep.stars.size();
    for (CatalogueStar const& s : deep.stars) {
        if (near_base.any_within({s.ra, s.dec})) {
            ++merged.counts.duplicates;
        } else {
            merged.catalogue.stars.push_back(s);
            ++merged.counts.added;
        }
    }
    merged.catalogue.warnings.insert(merged.catalogue.warnings.end(), deep.warnings.begin(),
                                     deep.warnings.end());
    return merged;
}
