// The solution without diffusion against its closed form: the boundary at m exp(s w^2 t) (at the
// bottom for flotation), the plateau exp(-2 s w^2 t), the zone and step loadings, the scanner's
// travel time, and the compressible-solvent form in its incompressible limit.
#include "support/lamm_harness.h"
#include "support/reset_all_state.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

constexpr double kTolerance = 1e-6;

LammCase NonDiffusing(double sS) {
    LammCase lc;
    lc.name = "D = 0";
    lc.s = sS;
    lc.D = 0.0;
    lc.scans = 6;
    lc.firstScanS = 600.0;
    lc.intervalS = 900.0;
    return lc;
}

double Rate(const LammCase& lc) {
    const double w = lc.rpm * M_PI / 30.0;
    return w * w * lc.s * 1e-13;
}

// Expected value of the ordinary form at radius r: loading times the plateau dilution, zero on
// the depleted side of the boundary; points within 1e-4 cm of the boundary are skipped.
void ExpectClosedForm(const LammRun& run, const LammCase& lc, double r0, double zoneEnd0 = 0.0,
                      double zoneFactor = -1.0) {
    const double k = Rate(lc);
    for (int scan = 1; scan <= lc.scans; ++scan) {
        const double t = run.ScanTime(scan);
        const double rb = r0 * std::exp(k * t);
        const double r2 = zoneEnd0 * std::exp(k * t);
        const double plateau = lc.c0 * std::exp(-2.0 * k * t);
        for (int i = 1; i <= run.Points(); ++i) {
            const double r = run.Radii()[i];
            if (std::fabs(r - rb) < 1e-4 || (zoneEnd0 > 0 && std::fabs(r - r2) < 1e-4))
                continue;
            double expected = 0.0;
            if (zoneEnd0 == 0.0)
                expected = (k > 0 ? r > rb : r < rb) ? plateau : 0.0;
            else if (zoneFactor < 0.0)
                expected = (r > rb && r < r2) ? plateau : 0.0;
            else
                expected = r > r2 ? plateau : (r > rb ? zoneFactor * plateau : 0.0);
            ASSERT_NEAR(run.Profile(scan)[i], expected, kTolerance * std::max(1.0, expected))
                << lc.name << " scan " << scan << " r " << r << " tolerance " << kTolerance;
        }
    }
}

class NonDiffusingSolution : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
};

} // namespace

TEST_F(NonDiffusingSolution, SedimentingBoundaryAndPlateauMatchClosedForm) {
    LammCase lc = NonDiffusing(4.5);
    LammRun run(lc);
    ASSERT_EQ(run.Run(), LammResult::Solved);
    ExpectClosedForm(run, lc, lc.meniscus);
}

TEST_F(NonDiffusingSolution, FloatingBoundaryMirrorsAgainstTheBottom) {
    LammCase lc = NonDiffusing(-3.0);
    LammRun run(lc);
    ASSERT_EQ(run.Run(), LammResult::Solved);
    ExpectClosedForm(run, lc, lc.bottom);
    // flotation concentrates: the plateau rises above the loading
    EXPECT_GT(run.Profile(lc.scans)[1], 1.0f);
}

TEST_F(NonDiffusingSolution, ZoneBetweenTheTwoBoundaries) {
    LammCase lc = NonDiffusing(6.0);
    LammRun run(lc);
    run.Load();
    run.solver.SetZoneLoading(true, 0.1f, false);
    ASSERT_EQ(run.solver.Run(), LammResult::Solved);
    ExpectClosedForm(run, lc, lc.meniscus, lc.meniscus + 0.1);
}

TEST_F(NonDiffusingSolution, InitialStepHoldsItsFactorBetweenTheBoundaries) {
    LammCase lc = NonDiffusing(6.0);
    LammRun run(lc);
    run.Load();
    run.solver.SetInitialStep(0.1f, 0.4f);
    ASSERT_EQ(run.solver.Run(), LammResult::Solved);
    ExpectClosedForm(run, lc, lc.meniscus, lc.meniscus + 0.1, 0.4);
}

// The scanner reaches radius r (r - m) / v after the scan's time, so the plateau it sees is
// diluted by exp(-2 k (r - m) / v) beyond the value at the boundary's own time.
TEST_F(NonDiffusingSolution, ScanningTimeLowersThePlateauOutward) {
    LammCase lc = NonDiffusing(8.0);
    LammRun run(lc);
    run.Load();
    run.solver.absorbanceData = true;
    run.solver.simulateTimeResolution = true;
    ASSERT_EQ(run.solver.Run(), LammResult::Solved);
    const double k = Rate(lc), v = 2.43 / 60.0;
    const int scan = 3;
    const double t = run.ScanTime(scan);
    const double tb = t + (lc.meniscus * std::exp(k * t) - lc.meniscus) / v;
    const double rb = lc.meniscus * std::exp(k * tb);
    for (double r : {rb + 0.01, 6.8, 7.1}) {
        const double expected =
            std::exp(-2.0 * k * tb) * std::exp(-2.0 * k * (r - lc.meniscus) / v);
        EXPECT_NEAR(run.ValueAt(scan, r), expected, 2e-6) << "r " << r;
    }
    EXPECT_EQ(run.ValueAt(scan, rb - 0.01), 0.0);
}

// Without compressibility (B = 0) the characteristics form is the ordinary one.
TEST_F(NonDiffusingSolution, IncompressibleLimitOfTheCompressibleForm) {
    LammCase lc = NonDiffusing(4.5);
    LammRun run(lc);
    run.Load();
    run.solver.compressibleSolvent = true;
    run.solver.kappa = 0.0;
    run.solver.vbar = 0.73f;
    run.solver.rho0 = 0.99823f;
    run.solver.viscosityRatio = 1.0f;
    ASSERT_EQ(run.solver.Run(), LammResult::Solved);
    ExpectClosedForm(run, lc, lc.meniscus);
}

// At times so early that no characteristic has left the cell yet, every point beyond the
// boundary still gets its value. Before the fix those points kept the caller's old values.
TEST_F(NonDiffusingSolution, CompressibleFormFillsEarlyScans) {
    LammCase lc = NonDiffusing(4.5);
    lc.firstScanS = 1.0;
    lc.intervalS = 1.0;
    lc.scans = 2;
    LammRun run(lc);
    run.Load();
    run.solver.compressibleSolvent = true;
    run.solver.kappa = 0.0;
    ASSERT_EQ(run.solver.Run(), LammResult::Solved);
    ExpectClosedForm(run, lc, lc.meniscus);
}
