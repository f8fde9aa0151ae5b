// Peak ranges of a distribution: separated normal-shaped bumps give their analytic areas and
// centres; a dip shallower than the fraction does not split a peak, a deeper one does; peaks at
// the grid's ends and regularization tails.
#include "distributions/distribution_peaks.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

struct Bump {
    double centre, height, width;
};

// c(x) = sum of height exp(-(x - centre)^2 / (2 width^2)) on x = 0, step, ..., 1-based arrays.
struct Grid {
    std::vector<float> x, c;
    int n = 0;
    Grid(const std::vector<Bump>& bumps, double step, double end) {
        n = int(std::lround(end / step)) + 1;
        x.assign(std::size_t(n) + 1, 0.0f);
        c.assign(std::size_t(n) + 1, 0.0f);
        for (int i = 1; i <= n; ++i) {
            x[i] = float((i - 1) * step);
            double v = 0.0;
            for (const Bump& b : bumps)
                v += b.height * std::exp(-std::pow(x[i] - b.centre, 2) / (2 * b.width * b.width));
            c[i] = float(v);
        }
    }
};

double Area(const Bump& b) {
    return b.height * b.width * std::sqrt(2 * M_PI);
}

} // namespace

TEST(DistributionPeaks, SeparatedBumpsGiveTheirAreasCentresAndShares) {
    const std::vector<Bump> bumps = {{2.0, 5.0, 0.3}, {5.0, 9.0, 0.3}, {8.0, 7.0, 0.3}};
    const Grid g(bumps, 0.02, 10.0);
    const std::vector<DistributionPeak> peaks = FindAllPeaks(g.x.data(), g.c.data(), g.n, 10, 0.9);
    ASSERT_EQ(peaks.size(), 3u);
    const int order[] = {1, 2, 0}; // highest first: 9, 7, 5
    double total = 0.0;
    for (const Bump& b : bumps)
        total += Area(b);
    for (int k = 0; k < 3; ++k) {
        const Bump& b = bumps[order[k]];
        const DistributionPeak& p = peaks[k];
        EXPECT_NEAR(p.area, Area(b), 0.01 * Area(b)) << "peak " << k << " tolerance 1%";
        EXPECT_NEAR(p.weightAverage, b.centre, 1e-3) << k;
        EXPECT_NEAR(p.percent, 100.0 * Area(b) / total, 0.01 * 100.0 * Area(b) / total) << k;
        EXPECT_LT(p.low, b.centre - 3.5 * b.width) << k;
        EXPECT_GT(p.high, b.centre + 3.5 * b.width) << k;
    }
}

TEST(DistributionPeaks, OnlyDipsBelowTheFractionSplitAPeak) {
    struct Case {
        const char* name;
        double separation; // of two equal bumps of width 0.3
        double fraction;
        bool split;
    } cases[] = {
        // 2.3 sigma apart the dip stays at about 0.96 of the maxima: one range at 0.9.
        {"shallow dip", 2.3 * 0.3, 0.9, false},
        // 3 sigma apart it falls to about 0.64: split at 0.9, kept whole at 0.5.
        {"valley", 3.0 * 0.3, 0.9, true},
        {"valley above half", 3.0 * 0.3, 0.5, false},
        // 4 sigma apart it falls to about 0.27: split at 0.5 as well.
        {"deep valley", 4.0 * 0.3, 0.5, true},
    };
    for (const Case& k : cases) {
        const Grid g({{4.0, 1.0, 0.3}, {4.0 + k.separation, 1.0, 0.3}}, 0.01, 10.0);
        const std::vector<DistributionPeak> peaks =
            FindAllPeaks(g.x.data(), g.c.data(), g.n, 10, 0.9);
        ASSERT_FALSE(peaks.empty()) << k.name;
        const DistributionPeak p =
            FindPeakRange(g.x.data(), g.c.data(), g.n, peaks[0].index, k.fraction);
        const double both = 2 * Area({0, 1.0, 0.3});
        if (k.split)
            EXPECT_LT(p.area, 0.75 * both) << k.name;
        else
            EXPECT_NEAR(p.area, both, 0.01 * both) << k.name;
    }
}

TEST(DistributionPeaks, PeaksAtTheGridEndsAndIndicesOffTheGrid) {
    // A decaying distribution: its maximum at index 1 owns the whole grid.
    const Grid g({{0.0, 2.0, 2.0}}, 0.05, 6.0);
    const DistributionPeak p = FindPeakRange(g.x.data(), g.c.data(), g.n, 1, 0.9);
    EXPECT_EQ(p.first, 1);
    EXPECT_EQ(p.last, g.n);
    EXPECT_NEAR(p.percent, 100.0, 1e-6);
    for (int index : {0, -3, g.n + 1})
        EXPECT_EQ(FindPeakRange(g.x.data(), g.c.data(), g.n, index, 0.9).index, 0) << index;
    // FindAllPeaks needs a maximum above two neighbours on each side: none here.
    EXPECT_TRUE(FindAllPeaks(g.x.data(), g.c.data(), g.n, 10, 0.9).empty());

    // A floor of 1e-5 of the height over the whole grid, as a regularized solution leaves far
    // from its species, does not stretch a peak to the grid's ends.
    Grid floor({{5.0, 1.0, 0.3}}, 0.02, 12.0);
    for (int i = 1; i <= floor.n; ++i)
        floor.c[i] += 1e-5f;
    const DistributionPeak q = FindAllPeaks(floor.x.data(), floor.c.data(), floor.n, 10, 0.9)[0];
    EXPECT_GT(q.low, 5.0f - 5 * 0.3f);
    EXPECT_LT(q.high, 5.0f + 5 * 0.3f);
    EXPECT_NEAR(q.area, Area({0, 1.0, 0.3}), 1e-3 * Area({0, 1.0, 0.3}));
}
