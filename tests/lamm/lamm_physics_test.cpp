// The Lamm solver against physics: conservation of the amount in the sector, the plateau's
// radial dilution, the boundary's second moment, equilibrium, the non-diffusing limit and
// second-order convergence, for both solve loops with and without rotor acceleration.
#include "support/lamm_harness.h"
#include "support/reset_all_state.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

struct PhysicsCase {
    const char* name;
    double s, D, rpm;
    bool movingHat;
    double rampRpmPerS;
    int gridSize;
    double lastScanS;       // the boundary stays clear of the bottom until then
    bool truncated = false; // the active region truncated, back-diffusion shut off
};

// A few species across the range of the automatic choice, both loops, ramps of 2-4 min.
const PhysicsCase kCases[] = {
    {"FixedGrid_4S_50k", 4.5, 6e-7, 50000, false, 0.0, 800, 3600},
    {"FixedGrid_2S_40k_Ramp", 2.0, 8e-7, 40000, false, 200.0, 800, 7200},
    {"FixedGrid_10S_60k", 10.0, 4e-7, 60000, false, 0.0, 1200, 2000},
    {"MovingHat_4S_50k", 4.5, 6e-7, 50000, true, 0.0, 800, 3600},
    {"MovingHat_20S_50k_Ramp", 20.0, 3e-7, 50000, true, 400.0, 1000, 1600},
    {"MovingHat_10S_60k", 10.0, 4e-7, 60000, true, 0.0, 1000, 2000},
    {"FixedGrid_4S_50k_Truncated", 4.5, 6e-7, 50000, false, 0.0, 800, 3600, true},
};

class LammPhysics : public ::testing::TestWithParam<PhysicsCase> {
  protected:
    void SetUp() override { ResetAllState(); }

    static LammCase Configure(const PhysicsCase& p) {
        LammCase lc;
        lc.name = p.name;
        lc.s = p.s, lc.D = p.D, lc.rpm = p.rpm;
        lc.movingHat = p.movingHat;
        lc.rampRpmPerS = p.rampRpmPerS;
        lc.gridSize = p.gridSize;
        lc.scans = 8;
        lc.firstScanS = p.lastScanS / lc.scans;
        lc.intervalS = p.lastScanS / lc.scans;
        lc.maxDcOverC = p.movingHat ? 0.25 : 1.0;
        lc.truncate = lc.shutOff = p.truncated;
        return lc;
    }

    // Radial position well inside the plateau at time t: between the boundary and the bottom.
    static double PlateauRadius(const LammCase& lc, double t) {
        const double k = lc.s * 1e-13 * Omega2T(lc.rpm, lc.rampRpmPerS, t) / t;
        const double boundary = lc.meniscus * std::exp(k * t);
        return 0.5 * (boundary + 0.15 + lc.bottom - 0.15);
    }
};

TEST_P(LammPhysics, PlateauFollowsRadialDilution) {
    const PhysicsCase& p = GetParam();
    LammRun run(Configure(p));
    ASSERT_EQ(run.Run(), LammResult::Solved);
    for (int scan = 1; scan <= run.lc_.scans; ++scan) {
        const double t = run.ScanTime(scan);
        const double want = std::exp(-2.0 * p.s * 1e-13 * Omega2T(p.rpm, p.rampRpmPerS, t));
        // across the plateau, wherever the edge of a truncated active region lies
        const double boundary = 2.0 * PlateauRadius(run.lc_, t) - run.lc_.bottom;
        const double spread = 5.0 * std::sqrt(2.0 * p.D * t);
        for (double r = boundary + 0.1 + spread; r <= run.lc_.bottom - 0.1 - spread; r += 0.01) {
            const double got = run.ValueAt(scan, r);
            ASSERT_NEAR(got, want, 1e-4)
                << p.name << " scan " << scan << " r " << r << " (tolerance 1e-4 of c0)";
        }
    }
}

TEST_P(LammPhysics, SecondMomentFollowsExponential) {
    const PhysicsCase& p = GetParam();
    LammRun run(Configure(p));
    ASSERT_EQ(run.Run(), LammResult::Solved);
    for (int scan = 1; scan <= run.lc_.scans; ++scan) {
        const double t = run.ScanTime(scan);
        const double want = run.lc_.meniscus * run.lc_.meniscus *
                            std::exp(2.0 * p.s * 1e-13 * Omega2T(p.rpm, p.rampRpmPerS, t));
        const double got = run.SecondMoment(scan, PlateauRadius(run.lc_, t));
        EXPECT_NEAR(got / want, 1.0, 2e-5) << p.name << " scan " << scan << " (relative 2e-5)";
    }
}

// Both loops keep the amount in the sector, measured as the loops count it (node volumes times
// concentration), to rounding. The moving grid used to average its end masses over the step and
// lost about 1e-6 of the amount per hour, falling fourfold when the step was halved.
TEST_P(LammPhysics, ConservesMassInSectorCell) {
    const PhysicsCase& p = GetParam();
    LammCase lc = Configure(p);
    LammRun run(lc);
    ASSERT_EQ(run.Run(), LammResult::Solved);
    const double drift = std::fabs(run.solver.totalAmount / run.solver.initialAmount - 1.0);
    EXPECT_LT(drift, 1e-10) << p.name << " relative drift";
    EXPECT_FALSE(run.solver.driftFlag) << p.name << " a step changed the amount by over 1e-8";
    if (!p.movingHat) {
        const double exact = lc.c0 * (lc.bottom * lc.bottom - lc.meniscus * lc.meniscus) / 2.0 *
                             1.2 * 0.03490658503988659;
        EXPECT_NEAR(run.solver.initialAmount / exact, 1.0, 1e-12);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, LammPhysics, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct ConservationCase {
    const char* name;
    double s, D;
    int gridSize;
    double maxDcOverC; // 1: full grid periods on fixed factors
    double rampRpmPerS;
};

// The moving grid where its ends work hardest: flotation (material arrives at the meniscus), a
// boundary piled up at the bottom for an hour, full periods and short steps during a ramp. The
// resolved pile-up stays on the grid; the thinner ones are held at the last node.
const ConservationCase kConservationCases[] = {
    {"Floating_FullPeriods", -3.0, 6e-7, 800, 1.0, 0.0},
    {"Floating_QuarterPeriods", -3.0, 6e-7, 800, 0.25, 0.0},
    {"PiledAtBottom_FullPeriods", 20.0, 3e-7, 1000, 1.0, 0.0},
    {"PiledAtBottom_Ramp", 20.0, 3e-7, 1000, 0.25, 400.0},
    {"PiledAtBottom_Resolved", 20.0, 6e-7, 1000, 1.0, 0.0},
};

class MovingGridConservation : public ::testing::TestWithParam<ConservationCase> {
  protected:
    void SetUp() override { ResetAllState(); }
};

TEST_P(MovingGridConservation, KeepsAmountOverAnHour) {
    const ConservationCase& p = GetParam();
    LammCase lc;
    lc.s = p.s, lc.D = p.D;
    lc.movingHat = true;
    lc.gridSize = p.gridSize;
    lc.maxDcOverC = p.maxDcOverC;
    lc.rampRpmPerS = p.rampRpmPerS;
    lc.scans = 8;
    lc.firstScanS = lc.intervalS = 450.0;
    LammRun run(lc);
    ASSERT_EQ(run.Run(), LammResult::Solved);
    ASSERT_GT(run.solver.shiftCount, 100) << p.name;
    const double drift = std::fabs(run.solver.totalAmount / run.solver.initialAmount - 1.0);
    EXPECT_LT(drift, 1e-10) << p.name << " relative drift over " << run.solver.shiftCount
                            << " grid periods";
}

INSTANTIATE_TEST_SUITE_P(Cases, MovingGridConservation, ::testing::ValuesIn(kConservationCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
