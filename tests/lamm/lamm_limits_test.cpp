// The Lamm solver in its limits: sedimentation equilibrium, the non-diffusing boundary,
// second-order convergence, and the default options against a fine reference.
#include "support/lamm_harness.h"
#include "support/reset_all_state.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace {

class LammLimits : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
};

// c(r) = c0 sigma (b^2 - m^2) / 2 exp(sigma (r^2 - m^2) / 2) / (exp(sigma (b^2 - m^2) / 2) - 1),
// sigma = s omega^2 / D: the profile that conserves the loading.
double Equilibrium(const LammCase& lc, double r) {
    const double w = lc.rpm * M_PI / 30.0;
    const double sigma = lc.s * 1e-13 * w * w / lc.D;
    const double span = lc.bottom * lc.bottom - lc.meniscus * lc.meniscus;
    return lc.c0 * sigma * span / 2.0 *
           std::exp(sigma * (r * r - lc.meniscus * lc.meniscus) / 2.0) /
           (std::exp(sigma * span / 2.0) - 1.0);
}

LammCase ShortColumn(bool movingHat) {
    LammCase lc;
    lc.s = 2.0, lc.D = 1e-6, lc.rpm = 20000;
    lc.meniscus = 7.0, lc.bottom = 7.2;
    lc.lowerFit = 7.01f, lc.upperFit = 7.19f;
    lc.gridSize = 200;
    lc.scans = 6;
    lc.firstScanS = 10000.0, lc.intervalS = 10000.0;
    lc.outputPoints = 401;
    lc.movingHat = movingHat;
    return lc;
}

// A long run reaches the equilibrium exponential; with the equilibrium threshold lowered the
// loop runs on until the profile has settled to 1e-4 of the loading.
TEST_F(LammLimits, LongRunReachesSedimentationEquilibrium) {
    for (bool movingHat : {false, true}) {
        LammCase lc = ShortColumn(movingHat);
        LammRun run(lc);
        run.Load();
        run.solver.timeStepControlValue = 1e-12;
        ASSERT_EQ(run.solver.Run(), LammResult::Solved);
        double worst = 0.0;
        for (int i = 1; i <= run.Points(); ++i)
            worst = std::max(worst,
                             std::fabs(run.Profile(lc.scans)[i] - Equilibrium(lc, run.Radii()[i])));
        EXPECT_LT(worst, 1e-4) << (movingHat ? "moving hat" : "fixed grid") << " (1e-4 of c0)";
    }
}

// When the loop stops because the profile no longer changes, the scans after the stop show
// that final profile. They used to be zeroed, as if the species had left the cell.
TEST_F(LammLimits, EquilibriumStopKeepsLaterScans) {
    LammCase lc = ShortColumn(false);
    lc.scans = 8;
    lc.firstScanS = 2000.0, lc.intervalS = 20000.0;
    LammRun run(lc);
    ASSERT_EQ(run.Run(), LammResult::Solved);
    ASSERT_TRUE(run.solver.equilibriumStop);
    ASSERT_LT(run.solver.t, run.ScanTime(lc.scans));
    for (int scan = 3; scan <= lc.scans; ++scan)
        for (int i = 1; i <= run.Points(); i += 40)
            EXPECT_NEAR(run.Profile(scan)[i], Equilibrium(lc, run.Radii()[i]), 5e-3)
                << "scan " << scan << " r " << run.Radii()[i];
}

// D -> 0: away from the boundary the solution is the closed form of a sharp boundary at
// m exp(kt) with the plateau c0 exp(-2kt) beyond it.
TEST_F(LammLimits, VanishingDiffusionApproachesSharpBoundary) {
    LammCase lc;
    lc.s = 10.0, lc.D = 2e-9, lc.rpm = 50000;
    lc.movingHat = true;
    lc.gridSize = 1200;
    lc.maxDcOverC = 0.5;
    lc.scans = 6;
    lc.firstScanS = 400.0, lc.intervalS = 400.0;
    LammRun run(lc);
    ASSERT_EQ(run.Run(), LammResult::Solved);
    const double w = lc.rpm * M_PI / 30.0, k = lc.s * 1e-13 * w * w;
    for (int scan = 1; scan <= lc.scans; ++scan) {
        const double t = run.ScanTime(scan);
        const double boundary = lc.meniscus * std::exp(k * t), plateau = std::exp(-2.0 * k * t);
        const double width = 0.02; // many boundary widths sqrt(2 D t)
        for (int i = 1; i <= run.Points(); i += 7) {
            const double r = run.Radii()[i];
            if (std::fabs(r - boundary) < width || r > lc.bottom - 0.05)
                continue;
            EXPECT_NEAR(run.Profile(scan)[i], r < boundary ? 0.0 : plateau, 1e-3)
                << "scan " << scan << " r " << r;
        }
    }
}

// Halving the grid spacing and the time step cuts the error of the Crank-Nicolson finite
// elements about fourfold. The pile-up at the bottom, a layer D / (s omega^2 b) thin, is only
// resolved by much finer grids and is left out.
TEST_F(LammLimits, HalvingGridAndStepCutsErrorFourfold) {
    LammCase lc;
    lc.scans = 4;
    lc.firstScanS = 600.0, lc.intervalS = 600.0;
    lc.fixTimestep = true;
    lc.outputPoints = 1201;
    auto solve = [&](int intervals, double step) {
        LammCase c = lc;
        c.gridSize = intervals + 1;
        c.maxDcOverC = step;
        auto run = std::make_unique<LammRun>(c);
        EXPECT_EQ(run->Run(), LammResult::Solved);
        return run;
    };
    const auto reference = solve(3200, 0.25);
    const auto coarse = solve(200, 4.0);
    const auto fine = solve(400, 2.0);
    for (int scan = 1; scan <= lc.scans; ++scan) {
        const double eCoarse = MaxDifference(*coarse, *reference, scan, 6.0, 7.1);
        const double eFine = MaxDifference(*fine, *reference, scan, 6.0, 7.1);
        EXPECT_GT(eCoarse / eFine, 3.3) << "scan " << scan << ": " << eCoarse << " -> " << eFine;
        EXPECT_LT(eCoarse / eFine, 4.7) << "scan " << scan << ": " << eCoarse << " -> " << eFine;
    }
}

// The automatic choices (algorithm, grid size, active region, open bottom, adaptive steps)
// against a fine fixed-step solution, over the fitted range.
TEST_F(LammLimits, DefaultOptionsAgreeWithFineReference) {
    const struct {
        double s, D, rpm;
    } cases[] = {{4.5, 6e-7, 50000}, {1.0, 1e-6, 40000}, {30.0, 2e-7, 50000}};
    for (const auto& c : cases) {
        LammCase lc;
        lc.s = c.s, lc.D = c.D, lc.rpm = c.rpm;
        const double k = c.s * 1e-13 * std::pow(c.rpm * M_PI / 30.0, 2);
        lc.scans = 10;
        lc.intervalS = lc.firstScanS = std::min(600.0, 0.1 / k / lc.scans);
        lc.outputPoints = 1201;
        LammCase ref = lc;
        ref.gridSize = 4000;
        ref.fixTimestep = true;
        ref.maxDcOverC = std::min(1.0, lc.intervalS / 100.0);
        LammRun reference(ref);
        ASSERT_EQ(reference.Run(), LammResult::Solved);
        lc.automatic = true;
        LammRun run(lc);
        ASSERT_EQ(run.Run(), LammResult::Solved);
        for (int scan = 1; scan <= lc.scans; ++scan)
            EXPECT_LT(MaxDifference(run, reference, scan, lc.lowerFit, 7.05), 3e-3)
                << c.s << " S scan " << scan << " (3e-3 of c0)";
    }
}

// Flotation (s < 0): the boundary leaves the bottom, the plateau near the meniscus concentrates
// as exp(-2kt) with k < 0, and the amount stays in the cell.
TEST_F(LammLimits, FlotationMirrorsSedimentation) {
    for (bool movingHat : {false, true}) {
        LammCase lc;
        lc.s = -3.0, lc.D = 6e-7;
        lc.movingHat = movingHat;
        lc.gridSize = 600;
        lc.maxDcOverC = movingHat ? 0.25 : 1.0;
        LammRun run(lc);
        ASSERT_EQ(run.Run(), LammResult::Solved);
        const double k = lc.s * 1e-13 * std::pow(lc.rpm * M_PI / 30.0, 2);
        for (int scan = 1; scan <= lc.scans; ++scan)
            EXPECT_NEAR(run.ValueAt(scan, 6.3), std::exp(-2.0 * k * run.ScanTime(scan)), 1e-4)
                << (movingHat ? "moving hat" : "fixed grid") << " scan " << scan;
        const double drift = std::fabs(run.solver.totalAmount / run.solver.initialAmount - 1.0);
        EXPECT_LT(drift, movingHat ? 1e-5 : 1e-10) << (movingHat ? "moving hat" : "fixed grid");
    }
}

} // namespace

// A slow species whose bottom pile-up reaches into the fitted data for five hours: the automatic
// fixed grid keeps the boundary's spacing in the column and the pile-up's spacing only in a
// layer at the bottom. It matched the fine reference this closely when the whole grid had the
// pile-up's spacing (four to five times the nodes); a grid without the layer misses by 1e-3.
TEST_F(LammLimits, GradedGridResolvesBottomPileUp) {
    const struct {
        double s, D;
        int mostNodes;
    } cases[] = {{1.7, 1.13e-6, 260}, {2.4, 9.5e-7, 300}};
    for (const auto& c : cases) {
        LammCase lc;
        lc.s = c.s, lc.D = c.D;
        lc.scans = 50;
        lc.firstScanS = 600.0, lc.intervalS = 360.0;
        lc.outputPoints = 400;
        lc.massCheck = 1;
        LammCase ref = lc;
        ref.movingHat = true;
        ref.gridSize = 4000;
        ref.maxDcOverC = 0.25;
        LammRun reference(ref);
        ASSERT_EQ(reference.Run(), LammResult::Solved);
        lc.automatic = true;
        LammRun run(lc);
        ASSERT_EQ(run.Run(), LammResult::Solved);
        const CLammIdeal& o = run.solver;
        EXPECT_LE(o.N, c.mostNodes) << c.s << " S";
        EXPECT_LT(o.r[o.N] - o.r[o.N - 1], 0.25 * (o.r[2] - o.r[1]))
            << c.s << " S: finest at the bottom";
        EXPECT_NEAR(o.totalAmount / o.initialAmount, 1.0, 1e-6) << c.s << " S: amount";
        double worst = 0.0;
        for (int scan = 1; scan <= lc.scans; ++scan) {
            double sum = 0.0;
            int n = 0;
            for (int i = 1; i <= run.Points(); ++i) {
                const double r = run.Radii()[i];
                if (r < lc.lowerFit || r > lc.upperFit)
                    continue;
                const double d = run.Profile(scan)[i] - reference.ValueAt(scan, r);
                sum += d * d;
                ++n;
            }
            worst = std::max(worst, std::sqrt(sum / n));
        }
        EXPECT_LT(worst, 2e-4) << c.s << " S: largest rmsd of a scan (2e-4 of c0)";
    }
}
