// The strength search whose climb by decades runs on several threads: the same bits for any count,
// and the root a plain bisection of the chi-square ratio finds.
#include "distributions/conti_entropy_solution.h"
#include "distributions/conti_regularization.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

// Boundaries of n rates from 0.5 to 15 over 8 scans of 200 radii, the data made of Gaussian peaks
// (rate, width, amplitude) in the rates with seeded noise.
struct PeakCase {
    const char* name;
    std::vector<std::vector<double>> peaks;
    double noise;
};

ContiNormalEquations EquationsOf(const PeakCase& c, int n, double& values) {
    constexpr int kScans = 8, kRadii = 200;
    auto boundary = [](double s, int scan, double x) {
        const double centre = 0.1 + 0.05 * s * scan;
        return 0.5 * std::erfc((x - centre) / (2.0 * std::sqrt(3e-4 * scan / std::sqrt(s))));
    };
    std::vector<double> sAt(n + 1), truth(n + 1, 0.0), k(n + 1);
    for (int p = 1; p <= n; ++p) {
        sAt[p] = 0.5 + 14.5 * (p - 1) / (n - 1);
        for (const std::vector<double>& peak : c.peaks)
            truth[p] += peak[2] * std::exp(-0.5 * std::pow((sAt[p] - peak[0]) / peak[1], 2));
    }
    std::mt19937 random(7);
    std::normal_distribution<double> error(0.0, c.noise);
    ContiNormalEquations eq;
    eq.A.Resize(n);
    eq.b.assign(n + 1, 0.0);
    for (int scan = 1; scan <= kScans; ++scan)
        for (int r = 0; r < kRadii; ++r) {
            const double x = 0.1 + 0.9 * r / (kRadii - 1.0);
            double y = error(random);
            for (int p = 1; p <= n; ++p) {
                k[p] = boundary(sAt[p], scan, x);
                y += truth[p] * k[p];
            }
            eq.yy += y * y;
            for (int p = 1; p <= n; ++p) {
                eq.b[p] += k[p] * y;
                for (int q = p; q <= n; ++q)
                    eq.A.Row(p)[q] += k[p] * k[q];
            }
        }
    eq.A.MirrorUpper();
    values = kScans * kRadii;
    return eq;
}

// The strength whose ratio meets the target, bisected in log alpha over [lo, hi] to 1e-9 decades,
// each solution (the entropy's from the unregularized one, flat model) made alone.
double BisectedStrength(const ContiNormalEquations& eq, ContiRegularizationKind kind,
                        const ContiRegularizedSolution& found, double lo, double hi) {
    const int n = eq.N();
    double level = 0.0, largest = 0.0;
    for (int p = 1; p <= n; ++p) {
        level += found.nnls[p] / n;
        largest = std::max(largest, found.nnls[p]);
    }
    const std::vector<double> m(n + 1, level);
    std::vector<double> start(n + 1, 0.0), c;
    for (int p = 1; p <= n; ++p)
        start[p] = std::max(found.nnls[p], 1e-9 * largest);
    auto gap = [&](double x) {
        if (kind == ContiRegularizationKind::MaximumEntropy)
            SolveMaximumEntropy(eq, std::pow(10.0, x), m, start, c);
        else
            SolveSecondDerivative(eq, std::pow(10.0, x), c);
        return eq.ChiSquare(c) / found.chiSquare0 - found.targetRatio;
    };
    while (hi - lo > 1e-9)
        (gap(0.5 * (lo + hi)) > 0.0 ? hi : lo) = 0.5 * (lo + hi);
    return 0.5 * (lo + hi);
}

} // namespace

TEST(StrengthClimb, SameBitsForAnyThreadCountAndTheBisectedRoot) {
    const PeakCase cases[] = {
        {"two species", {{3.5, 0.3, 0.3}, {7.0, 0.4, 0.6}}, 0.005},
        {"one broad peak", {{6.0, 2.0, 0.2}}, 0.01},
        {"three narrow, little noise", {{2.0, 0.2, 0.2}, {5.0, 0.2, 0.2}, {11.0, 0.3, 0.4}}, 0.001},
    };
    for (const PeakCase& c : cases)
        for (const ContiRegularizationKind kind :
             {ContiRegularizationKind::MaximumEntropy, ContiRegularizationKind::SecondDerivative}) {
            SCOPED_TRACE(std::string(c.name) + (kind == ContiRegularizationKind::MaximumEntropy
                                                    ? " entropy"
                                                    : " second derivative"));
            double values = 0.0;
            const ContiNormalEquations eq = EquationsOf(c, 60, values);
            const double nu = values - eq.N();
            ContiRegularizedSolution one;
            ASSERT_EQ(RegularizeDistribution(eq, kind, 0.95, nu, one, {}, nullptr, 1),
                      AnalysisFailure::None)
                << one.failureDetail;
            for (const int threads : {2, 8}) {
                ContiRegularizedSolution more;
                ASSERT_EQ(RegularizeDistribution(eq, kind, 0.95, nu, more, {}, nullptr, threads),
                          AnalysisFailure::None);
                EXPECT_EQ(more.alpha, one.alpha) << threads;
                EXPECT_EQ(more.c, one.c) << threads;
                EXPECT_EQ(more.solves, one.solves) << threads;
            }
            // The root to the search's tolerance: 1e-4 decades where it went from below.
            const double x = std::log10(one.alpha);
            EXPECT_NEAR(x, BisectedStrength(eq, kind, one, x - 1.0, x + 1.0), 1e-4);
            EXPECT_NEAR(one.chiSquare / one.chiSquare0, one.targetRatio,
                        1e-5 * (one.targetRatio - 1.0));
        }
}
