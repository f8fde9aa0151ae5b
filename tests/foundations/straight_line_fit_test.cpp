// The least-squares line on points of known line and residuals, and the point sets that fix no
// line.
#include "foundations/straight_line_fit.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

TEST(StraightLineFit, KnownLinesAndResiduals) {
    struct Case {
        const char* name;
        std::vector<double> x, y;
        int n;
        bool ok;
        double intercept, slope, residualSum;
    };
    const Case cases[] = {
        {"exact line", {0, 1, 2, 3}, {1, 3, 5, 7}, -1, true, 1.0, 2.0, 0.0},
        // Centred sums: Sxy = -6, Sxx = 5; residuals 0.2, -0.6, 0.6, -0.2.
        {"scatter about a line", {0, 1, 2, 3}, {2.5, 0.5, 0.5, -1.5}, -1, true, 2.3, -1.2, 0.8},
        {"first n points only", {0, 1, 2, 10}, {0, 1, 2, 99}, 3, true, 0.0, 1.0, 0.0},
        {"one point: horizontal", {4}, {7}, -1, true, 7.0, 0.0, 0.0},
        {"no point", {}, {}, -1, false, 0, 0, 0},
        {"one x only", {2, 2, 2}, {1, 2, 3}, -1, false, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const StraightLineFit fit = FitStraightLine(c.x, c.y, c.n);
        EXPECT_EQ(fit.ok, c.ok) << c.name;
        if (!c.ok)
            continue;
        EXPECT_NEAR(fit.intercept, c.intercept, 1e-12) << c.name;
        EXPECT_NEAR(fit.slope, c.slope, 1e-12) << c.name;
        EXPECT_NEAR(fit.residualSum, c.residualSum, 1e-12) << c.name;
    }
}

// x far from 0 beside its spread: raw sums of x^2 cancel to a few units and give a slope of
// rounding noise; sums about the means keep it exact.
TEST(StraightLineFit, PointsFarFromTheOriginKeepTheirSlope) {
    const std::vector<double> x = {1e8, 1e8 + 1, 1e8 + 2, 1e8 + 3};
    std::vector<double> y;
    for (double xi : x)
        y.push_back(0.5 * (xi - 1e8) + 3.0);
    const StraightLineFit fit = FitStraightLine(x, y);
    ASSERT_TRUE(fit.ok);
    EXPECT_NEAR(fit.slope, 0.5, 1e-9);
    EXPECT_NEAR(fit.intercept + fit.slope * 1e8, 3.0, 1e-6);
}

} // namespace
