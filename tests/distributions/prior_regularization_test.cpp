// A prior probability inside both regularizations: a flat prior is no prior at all (bit for bit),
// and a prior peaked at the true s narrows the recovered peak at the same chi-square.
#include "distributions/conti_normal_equations.h"
#include "distributions/conti_regularization.h"
#include "support/reset_all_state.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

constexpr int kPoints = 40;
constexpr double kTrueCentre = 20.0;

// One discrete species (all its loading at one grid point) seen through broad boundary-like
// columns with noise: the regularization spreads it over several points.
ContiNormalEquations BlurredPeak(unsigned seed) {
    const int n = kPoints, rows = 400;
    std::mt19937 rng(seed);
    std::normal_distribution<double> g(0.0, 0.01);
    ContiNormalEquations eq;
    eq.A.Resize(n);
    eq.b.assign(n + 1, 0.0);
    for (int i = 0; i < rows; ++i) {
        std::vector<double> d(n + 1);
        const double r = i * double(n) / rows;
        double y = g(rng);
        for (int p = 1; p <= n; ++p)
            d[p] = 1.0 / (1.0 + std::exp(-(r - p) / 2.5));
        y += d[static_cast<int>(kTrueCentre)];
        eq.yy += y * y;
        for (int p = 1; p <= n; ++p) {
            eq.b[p] += d[p] * y;
            for (int q = 1; q <= n; ++q)
                eq.A(p, q) += d[p] * d[q];
        }
    }
    return eq;
}

// Full width at half height of the largest peak, in grid steps, edges interpolated.
double WidthAtHalfHeight(const std::vector<double>& c) {
    const int n = static_cast<int>(c.size()) - 1;
    int top = 1;
    for (int p = 2; p <= n; ++p)
        if (c[p] > c[top])
            top = p;
    const double half = 0.5 * c[top];
    int lo = top, hi = top;
    while (lo > 1 && c[lo - 1] > half)
        --lo;
    while (hi < n && c[hi + 1] > half)
        ++hi;
    const double left = lo > 1 ? lo - (c[lo] - half) / (c[lo] - c[lo - 1]) : lo;
    const double right = hi < n ? hi + (c[hi] - half) / (c[hi] - c[hi + 1]) : hi;
    return right - left;
}

const ContiRegularizationKind kKinds[] = {ContiRegularizationKind::SecondDerivative,
                                          ContiRegularizationKind::MaximumEntropy};

} // namespace

TEST(PriorRegularization, FlatPriorOfAnyLevelGivesTheSolutionWithoutPrior) {
    ResetAllState();
    const ContiNormalEquations eq = BlurredPeak(7);
    for (ContiRegularizationKind kind : kKinds)
        for (double level : {1.0, 0.37, 250.0}) {
            SCOPED_TRACE(::testing::Message() << "kind " << int(kind) << " level " << level);
            ContiRegularizedSolution plain, flat;
            ASSERT_EQ(RegularizeDistribution(eq, kind, 0.95, 360.0, plain), AnalysisFailure::None);
            ASSERT_EQ(RegularizeDistribution(eq, kind, 0.95, 360.0, flat,
                                             std::vector<double>(kPoints + 1, level)),
                      AnalysisFailure::None);
            EXPECT_EQ(flat.c, plain.c);
            EXPECT_EQ(flat.alpha, plain.alpha);
        }
}

TEST(PriorRegularization, PriorPeakedAtTheTruthNarrowsThePeakAtEqualChiSquare) {
    ResetAllState();
    const ContiNormalEquations eq = BlurredPeak(11);
    std::vector<double> prior(kPoints + 1, 0.0);
    for (int p = 1; p <= kPoints; ++p)
        prior[p] = std::exp(-0.5 * std::pow((p - kTrueCentre) / 0.6, 2));
    for (ContiRegularizationKind kind : kKinds) {
        SCOPED_TRACE(int(kind));
        ContiRegularizedSolution plain, shaped;
        ASSERT_EQ(RegularizeDistribution(eq, kind, 0.95, 360.0, plain), AnalysisFailure::None);
        ASSERT_EQ(RegularizeDistribution(eq, kind, 0.95, 360.0, shaped, prior),
                  AnalysisFailure::None);
        EXPECT_NEAR(shaped.chiSquare / shaped.chiSquare0, plain.chiSquare / plain.chiSquare0, 1e-3);
        const double without = WidthAtHalfHeight(plain.c), with = WidthAtHalfHeight(shaped.c);
        EXPECT_LE(with, 0.8 * without) << "width without prior " << without << ", with " << with;
    }
}

TEST(PriorRegularization, PriorShapeIsScaledToOneAndFloored) {
    const std::vector<double> shape = PriorShape({0.0, 4.0, 2.0, 0.0, 1e-9});
    ASSERT_EQ(shape.size(), 5u);
    EXPECT_DOUBLE_EQ(shape[1], 1.0);
    EXPECT_DOUBLE_EQ(shape[2], 0.5);
    EXPECT_DOUBLE_EQ(shape[3], 1e-3);
    EXPECT_DOUBLE_EQ(shape[4], 1e-3);
    EXPECT_TRUE(PriorShape({0.0, 0.0, 0.0}).empty()) << "no positive value: no prior";
}
