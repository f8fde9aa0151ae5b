// The entropy at weak strength: the projected Newton steps that hold the amplitudes the data
// press to zero at the floor, and the strength search that starts again from the unregularized
// solution when the steps from a smoother one stop short of it.
#include "distributions/conti_entropy_solution.h"
#include "distributions/conti_held_noise.h"
#include "distributions/conti_regularization.h"
#include "foundations/statistical_tests.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

struct ShapeProblem {
    ContiNormalEquations eq;
    std::vector<double> truth; // [1..n], the amplitudes the data were made of
    double noise = 0.0;
    double values = 0.0;
};

// Boundaries on a grid of sPoints sedimentation rates times ff0Points frictional ratios, and one
// discrete boundary after them, seen in six scans of 300 closely spaced radii (scans averaged
// onto a fine radial grid): rate s moves the boundary by 0.012 s per scan, its spread follows
// D ~ s^-1/2 (f/f0)^-3/2, so that the columns of one s differ only in their width. The data
// hold a peak at s 3.5, f/f0 1.3 and the discrete species at s 12, f/f0 1.6, with seeded noise.
// The model's boundaries start shift after the data's (a meniscus off by that much).
ShapeProblem SizeShapeWithADiscreteSpecies(int sPoints, int ff0Points, double noise,
                                           double shift = 0.0) {
    const int n = sPoints * ff0Points + 1;
    constexpr int kScans = 6, kRadii = 300;
    auto boundary = [](double s, double ff0, int scan, double x, double from) {
        const double centre = from + 0.012 * s * scan;
        const double D = 2e-4 / std::sqrt(s) / std::pow(ff0, 1.5);
        return 0.5 * std::erfc((x - centre) / (2.0 * std::sqrt(D * scan)));
    };
    std::vector<double> sAt(n + 1), fAt(n + 1);
    ShapeProblem out;
    out.truth.assign(n + 1, 0.0);
    for (int j = 1; j <= ff0Points; ++j)
        for (int i = 1; i <= sPoints; ++i) {
            const int p = (j - 1) * sPoints + i;
            sAt[p] = 1.0 + 9.0 * (i - 1) / (sPoints - 1);
            fAt[p] = 1.0 + 1.2 * (j - 1) / (ff0Points - 1);
            const double ds = (sAt[p] - 3.5) / 0.4, df = (fAt[p] - 1.3) / 0.1;
            out.truth[p] = 0.05 * std::exp(-0.5 * (ds * ds + df * df));
        }
    sAt[n] = 12.0;
    fAt[n] = 1.6;
    out.truth[n] = 0.3;
    std::mt19937 random(11);
    std::normal_distribution<double> error(0.0, noise);
    ContiNormalEquations& eq = out.eq;
    eq.A.Resize(n);
    eq.b.assign(n + 1, 0.0);
    eq.discreteColumns = 1;
    std::vector<double> k(n + 1);
    for (int scan = 1; scan <= kScans; ++scan)
        for (int r = 0; r < kRadii; ++r) {
            const double x = r / double(kRadii - 1);
            double y = error(random);
            for (int p = 1; p <= n; ++p) {
                y += out.truth[p] * boundary(sAt[p], fAt[p], scan, x, 0.1);
                k[p] = boundary(sAt[p], fAt[p], scan, x, 0.1 + shift);
            }
            eq.yy += y * y;
            for (int p = 1; p <= n; ++p) {
                eq.b[p] += k[p] * y;
                double* row = eq.A.Row(p);
                for (int q = p; q <= n; ++q)
                    row[q] += k[p] * k[q];
            }
        }
    eq.A.MirrorUpper();
    out.noise = noise;
    out.values = kScans * kRadii;
    return out;
}

constexpr int kS = 40, kF = 8;

} // namespace

// At the confidence level 0.68 the search reaches the chi-square ratio it asks for, and the
// discrete species, which the entropy leaves free, comes back within a few noise standard
// errors of its amplitude; the distribution holds the rest of the signal.
TEST(WeakEntropy, SizeShapeWithADiscreteSpeciesReachesTheAskedRatio) {
    const ShapeProblem problem = SizeShapeWithADiscreteSpecies(kS, kF, 0.005);
    const int n = problem.eq.N();
    const double nu = problem.values - n;
    ContiRegularizedSolution out;
    ASSERT_EQ(
        RegularizeDistribution(problem.eq, ContiRegularizationKind::MaximumEntropy, 0.68, nu, out),
        AnalysisFailure::None)
        << out.failureDetail;
    EXPECT_NEAR(out.chiSquare / out.chiSquare0, out.targetRatio, 1e-3 * (out.targetRatio - 1.0));
    EXPECT_GT(out.alpha, 0.0);
    // The species' amplitude from the unregularized fit scatters with the noise; the regularized
    // one lies within that scatter of the truth.
    EXPECT_NEAR(out.c[n], problem.truth[n], 0.03);
    double total = 0.0, truthTotal = 0.0;
    for (int p = 1; p < n; ++p) {
        total += out.c[p];
        truthTotal += problem.truth[p];
    }
    EXPECT_NEAR(total, truthTotal, 0.1 * truthTotal);
}

// With the strength going to zero the projected steps from the unregularized solution stay on
// it: the chi-square equals the unregularized one to 1e-6, for the distribution alone and with
// the discrete species, where the steps over every amplitude stop short.
TEST(WeakEntropy, VanishingStrengthGivesTheUnregularizedChiSquare) {
    const ShapeProblem problem = SizeShapeWithADiscreteSpecies(kS, kF, 0.005);
    const ContiNormalEquations& eq = problem.eq;
    const int n = eq.N();
    ContiRegularizedSolution nnls;
    ASSERT_EQ(RegularizeDistribution(eq, ContiRegularizationKind::MaximumEntropy, 0.5, 100.0, nnls),
              AnalysisFailure::None);
    double trace = 0.0, level = 0.0;
    for (int p = 1; p <= n; ++p) {
        trace += eq.A(p, p);
        level += nnls.nnls[p] / n;
    }
    const std::vector<double> m(n + 1, level);
    for (const double relative : {1e-10, 1e-14, 1e-20}) {
        std::vector<double> c;
        ASSERT_EQ(SolveMaximumEntropy(eq, relative * trace / n, m, nnls.nnls, c,
                                      EntropyNewton::OffTheFloor),
                  AnalysisFailure::None);
        EXPECT_NEAR(eq.ChiSquare(c) / nnls.chiSquare0, 1.0, 1e-6) << relative;
        for (int p = 1; p <= n; ++p)
            ASSERT_GT(c[p], 0.0) << p;
    }
}

// A Fit's trials: the same data seen through models whose boundaries start a little apart. The
// first search's end is handed on as if it had gone from below; each later search given the last
// one's hint reaches the asked ratio as closely as the search without it, at nearly the same
// strength, keeps the hint for the next, and all of them together take fewer solutions.
TEST(WeakEntropy, HintFromTheLastTrialReachesTheSameRatioWithFewerSolves) {
    const double shifts[] = {0.0, 0.002, -0.001, 0.001, 0.0005, -0.0005, 0.00025};
    ContiStrengthHint hint;
    int solvesWith = 0, solvesWithout = 0;
    for (const double shift : shifts) {
        const ShapeProblem problem = SizeShapeWithADiscreteSpecies(kS, kF, 0.005, shift);
        const double nu = problem.values - problem.eq.N();
        ContiRegularizedSolution without;
        ASSERT_EQ(RegularizeDistribution(problem.eq, ContiRegularizationKind::MaximumEntropy, 0.68,
                                         nu, without),
                  AnalysisFailure::None)
            << shift << " " << without.failureDetail;
        const double excess = without.targetRatio - 1.0;
        EXPECT_NEAR(without.chiSquare / without.chiSquare0, without.targetRatio, 1e-3 * excess)
            << shift;
        if (hint.alpha == 0.0) {
            hint.alpha = without.alpha;
            hint.c = without.c;
            continue;
        }
        ContiRegularizedSolution with;
        ASSERT_EQ(RegularizeDistribution(problem.eq, ContiRegularizationKind::MaximumEntropy, 0.68,
                                         nu, with, {}, &hint),
                  AnalysisFailure::None)
            << shift << " " << with.failureDetail;
        // The root search from below stops at 1e-4 in log alpha, or at a ratio within 1e-5.
        EXPECT_NEAR(with.chiSquare / with.chiSquare0, with.targetRatio, 1e-3 * excess) << shift;
        EXPECT_NEAR(std::log10(with.alpha), std::log10(without.alpha), 1e-3) << shift;
        EXPECT_EQ(hint.alpha, with.alpha) << shift;
        solvesWith += with.solves;
        solvesWithout += without.solves;
    }
    EXPECT_LT(solvesWith, solvesWithout / 2) << solvesWith << " " << solvesWithout;
}

// The same sequence of trials on a coarse grid, where neither kind of search stalls: each search
// leaves a smooth hint, and the next one given it ends on the root the search without it finds
// (the same ratio within the accuracy of the solutions, the strength within 1e-5 decades) in six
// solutions or fewer on average, where the whole search takes twice as many or more.
TEST(WeakEntropy, SmoothHintFromTheLastTrialEndsOnTheSameRootInFewSolves) {
    const double shifts[] = {0.0, 0.002, -0.001, 0.001, 0.0005, -0.0005, 0.00025};
    for (const ContiRegularizationKind kind :
         {ContiRegularizationKind::MaximumEntropy, ContiRegularizationKind::SecondDerivative}) {
        ContiStrengthHint hint;
        int solvesWith = 0, solvesWithout = 0, hinted = -1;
        for (const double shift : shifts) {
            const ShapeProblem problem = SizeShapeWithADiscreteSpecies(40, 4, 0.005, shift);
            const double nu = problem.values - problem.eq.N();
            ContiRegularizedSolution without, with;
            ASSERT_EQ(RegularizeDistribution(problem.eq, kind, 0.68, nu, without),
                      AnalysisFailure::None);
            ASSERT_EQ(RegularizeDistribution(problem.eq, kind, 0.68, nu, with, {}, &hint),
                      AnalysisFailure::None);
            ASSERT_TRUE(hint.smooth && hint.alpha == with.alpha) << int(kind) << " " << shift;
            EXPECT_NEAR(with.chiSquare / with.chiSquare0, without.chiSquare / without.chiSquare0,
                        1e-6);
            EXPECT_NEAR(std::log10(with.alpha), std::log10(without.alpha), 1e-5);
            solvesWith += ++hinted > 0 ? with.solves : 0;
            solvesWithout += hinted > 0 ? without.solves : 0;
        }
        EXPECT_LE(solvesWith, 6 * hinted) << int(kind);
        EXPECT_LE(2 * solvesWith, solvesWithout) << int(kind) << " " << solvesWith;
    }
}

// The climb by decades runs on the Run's threads: 1, 2 and 8 threads give the same bits, and the
// root a plain bisection of the ratio finds (each solution made alone, the entropy's from the
// unregularized one with the flat model), within the search's tolerance.
TEST(WeakEntropy, ClimbOnThreadsGivesTheSameBitsAndTheBisectedRoot) {
    const double cases[][4] = {{40, 4, 0.005, 0.0}, {40, 4, 0.01, 0.001}, {30, 4, 0.003, 0.0005}};
    for (const auto& k : cases)
        for (const ContiRegularizationKind kind :
             {ContiRegularizationKind::MaximumEntropy, ContiRegularizationKind::SecondDerivative}) {
            const ShapeProblem problem = SizeShapeWithADiscreteSpecies(k[0], k[1], k[2], k[3]);
            const ContiNormalEquations& eq = problem.eq;
            const int n = eq.N(), nd = eq.DistributionColumns();
            ContiRegularizedSolution one, more;
            ASSERT_EQ(
                RegularizeDistribution(eq, kind, 0.68, problem.values - n, one, {}, nullptr, 1),
                AnalysisFailure::None)
                << k[0] << " " << k[2] << " " << int(kind) << " " << one.failureDetail;
            for (const int threads : {2, 8}) {
                ASSERT_EQ(RegularizeDistribution(eq, kind, 0.68, problem.values - n, more, {},
                                                 nullptr, threads),
                          AnalysisFailure::None);
                EXPECT_TRUE(more.alpha == one.alpha && more.c == one.c && more.solves == one.solves)
                    << k[0] << " " << k[2] << " kind " << int(kind) << ", " << threads;
            }
            double level = 0.0;
            for (int p = 1; p <= nd; ++p)
                level += one.nnls[p] / nd;
            const double largest = *std::max_element(one.nnls.begin() + 1, one.nnls.end());
            std::vector<double> m(n + 1, level), start(n + 1), c;
            for (int p = 1; p <= n; ++p)
                start[p] = std::max(one.nnls[p], 1e-9 * largest);
            double lo = std::log10(one.alpha) - 1.0, hi = lo + 2.0;
            while (hi - lo > 1e-9) {
                const double x = 0.5 * (lo + hi);
                if (kind == ContiRegularizationKind::MaximumEntropy)
                    SolveMaximumEntropy(eq, std::pow(10.0, x), m, start, c);
                else
                    SolveSecondDerivative(eq, std::pow(10.0, x), c);
                (eq.ChiSquare(c) / one.chiSquare0 > one.targetRatio ? hi : lo) = x;
            }
            EXPECT_NEAR(std::log10(one.alpha), lo, 1e-4) << k[0] << " " << k[2] << " " << int(kind);
        }
}

// A smooth hint whose strength leaves the ratio 2e-8 to 9e-8 from the target: with the noise held
// the entropy's solutions resolve the ratio to about 1e-7 only, and the search takes that strength
// in its one solve; with the noise free (to 1e-8) it searches on.
TEST(WeakEntropy, HeldNoiseSearchTakesAStrengthWithinTheRatioItResolves) {
    for (const bool held : {true, false}) {
        ShapeProblem problem = SizeShapeWithADiscreteSpecies(40, 4, 0.005);
        ContiNormalEquations& eq = problem.eq;
        const int n = eq.N(), nd = eq.DistributionColumns();
        if (held) {
            eq.noiseGram.Resize(n);
            for (int p = 1; p <= n; ++p)
                for (int q = 1; q <= n; ++q)
                    eq.noiseGram(p, q) = 40.0 * (1.0 + p / double(n)) * (1.0 + q / double(n));
        }
        const double nu = problem.values - n;
        ContiStrengthHint hint;
        ContiRegularizedSolution first;
        ASSERT_EQ(RegularizeDistribution(eq, ContiRegularizationKind::MaximumEntropy, 0.68, nu,
                                         first, {}, &hint),
                  AnalysisFailure::None);
        ASSERT_EQ(first.noiseHeld, held);
        ASSERT_TRUE(hint.smooth && hint.slope > 0.0);
        // The gap the search meets at 10^x, solved as on the smooth road from the amplitudes of a
        // strength twice the root's (from the root's own, a strength so near is not moved).
        const ContiNormalEquations solved = held ? EquationsWithNoiseHeld(eq, first.nnls) : eq;
        double level = 0.0;
        for (int p = 1; p <= nd; ++p)
            level += first.nnls[p] / nd;
        const std::vector<double> m(n + 1, level);
        std::vector<double> start;
        SolveMaximumEntropy(solved, 2.0 * hint.alpha, m, hint.c, start);
        auto gap = [&](double x) {
            std::vector<double> c;
            SolveMaximumEntropy(solved, std::pow(10.0, x), m, start, c);
            return solved.ChiSquare(c) / first.chiSquare0 - first.targetRatio;
        };
        double x = std::log10(hint.alpha), g = gap(x);
        for (int k = 0; k < 8 && !(g > 2e-8 && g < 9e-8); ++k) {
            x += (5e-8 - g) / hint.slope;
            g = gap(x);
        }
        ASSERT_TRUE(g > 2e-8 && g < 9e-8) << g;
        ContiStrengthHint near = hint;
        near.alpha = std::pow(10.0, x);
        near.c = start;
        ContiRegularizedSolution with;
        ASSERT_EQ(RegularizeDistribution(eq, ContiRegularizationKind::MaximumEntropy, 0.68, nu,
                                         with, {}, &near),
                  AnalysisFailure::None);
        EXPECT_EQ(with.solves == 1, held) << with.solves;
        EXPECT_NEAR(with.chiSquare / with.chiSquare0, with.targetRatio, held ? 1e-7 : 1e-8);
    }
}
