// Finding the stars of a deep catalogue that a bright catalogue already holds,
// at the sizes of the deep database's build: 126,000 bright stars, 2.4
// million deep ones, each looked up within 2 arcseconds.
#include "tools/sky_neighbours.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

std::vector<SkyPosition> random_sky(size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<SkyPosition> stars(count);
    for (SkyPosition& s : stars) {
        s = {360.0 * unit(random), std::asin(2.0 * unit(random) - 1.0) * 180.0 / M_PI};
    }
    return stars;
}

void BM_SameStarLookups(benchmark::State& state) {
    std::vector<SkyPosition> const bright = random_sky(126000, 1);
    std::vector<SkyPosition> const deep = random_sky(2400000, 2);
    for (auto _ : state) {
        SkyNeighbours const near(bright, 2.0 / 3600.0);
        size_t found = 0;
        for (SkyPosition const& s : deep) {
            found += near.any_within(s);
        }
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(deep.size()));
}
BENCHMARK(BM_SameStarLookups)->Unit(benchmark::kMillisecond);

} // namespace
