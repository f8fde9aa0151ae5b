// The prior's closed forms: the file's curve resampled linearly up to and including its last
// abscissa, and the discrete species' bumps, 1 high over the flat 0.01, their standard deviation
// two grid steps.
#include "distributions/prior_probabilities.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

TEST(PriorProbabilities, CurveAndBumpsHaveTheirClosedForms) {
    const PriorCurve curve{{1.0, 3.0, 5.0}, {0.0, 2.0, 4.0}};
    // element 0 unused; both ends of the curve are on it, 0.5 and 6 are outside
    const std::vector<double> x{0.0, 0.5, 1.0, 2.0, 3.0, 4.5, 5.0, 6.0};
    const std::vector<double> resampled = ResamplePrior(curve, x);
    const double expected[] = {0.0, 0.0, 0.0, 1.0, 2.0, 3.5, 4.0, 0.0};
    for (std::size_t i = 1; i < x.size(); ++i)
        EXPECT_DOUBLE_EQ(resampled[i], expected[i]) << "x " << x[i];

    // A grid of step 0.5 with a species on its 5th point: z = (x - s) / 1.
    std::vector<double> grid{0.0};
    for (int p = 1; p <= 9; ++p)
        grid.push_back(0.5 * p);
    const std::vector<double> bumps = DiscretePrior(grid, {2.5});
    for (int p = 1; p <= 9; ++p) {
        const double z = grid[std::size_t(p)] - 2.5;
        EXPECT_NEAR(bumps[std::size_t(p)], 0.01 + std::exp(-0.5 * z * z), 1e-12) << "point " << p;
    }
}
