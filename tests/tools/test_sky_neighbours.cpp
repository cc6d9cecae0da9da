#include "tools/sky_neighbours.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

TEST(SkyNeighbours, AngularDistanceIsTheGreatCircleArc) {
    EXPECT_NEAR(angular_distance({0, 0}, {90, 0}), 90.0, 1e-12);
    EXPECT_NEAR(angular_distance({10, 89.99}, {190, 89.99}), 0.02, 1e-9);
    EXPECT_NEAR(angular_distance({359.9995, 0}, {0.0005, 0}), 0.001, 1e-9);
    EXPECT_NEAR(angular_distance({0, -90}, {123, 90}), 180.0, 1e-9);
}

// Every answer equals the all-pairs answer, at the poles, across RA 0/360
// and anywhere else, for points as close to the radius as one likes.
TEST(SkyNeighbours, AgreesWithComparingEveryPair) {
    double const radius = 2.0 / 3600.0;
    std::mt19937 random(7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<SkyPosition> stars;
    for (int i = 0; i < 200; ++i) {
        stars.push_back({360.0 * unit(random), std::asin(2 * unit(random) - 1) * 180 / M_PI});
        stars.push_back({360.0 * unit(random), 90.0 - 0.002 * unit(random)});
        stars.push_back({360.0 * unit(random), -90.0 + 0.002 * unit(random)});
        stars.push_back({0.001 * unit(random), 60 * unit(random) - 30});
        stars.push_back({360.0 - 0.001 * unit(random), 60 * unit(random) - 30});
    }
    SkyNeighbours const near(stars, radius);
    size_t within = 0, beyond = 0;
    for (SkyPosition const& s : stars) {
        for (int k = 0; k < 6; ++k) {
            double const scale = std::max(std::cos(s.dec * M_PI / 180), 1e-3);
            SkyPosition const q{s.ra + 2 * radius * (2 * unit(random) - 1) / scale,
                                s.dec + 2 * radius * (2 * unit(random) - 1)};
            if (std::fabs(q.dec) > 90.0) {
                continue;
            }
            double nearest = 180.0;
            for (SkyPosition const& t : stars) {
                nearest = std::min(nearest, angular_distance(q, t));
            }
            if (std::fabs(nearest - radius) < 1e-9) {
                continue;
            }
            bool const truth = nearest <= radius;
            ASSERT_EQ(near.any_within(q), truth) << q.ra << " " << q.dec;
            ++(truth ? within : beyond);
        }
    }
    EXPECT_GT(within, 500u);
    EXPECT_GT(beyond, 500u);
}

TEST(SkyNeighbours, FindsNothingAmongNoStars) {
    SkyNeighbours const none({}, 1.0);
    EXPECT_FALSE(none.any_within({0, 0}));
    EXPECT_FALSE(none.any_within({0, 90}));
}
