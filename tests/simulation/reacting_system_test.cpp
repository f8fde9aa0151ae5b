// The reacting system A + B <-> AB: the equilibrium of the loading, conservation of total A and
// total B while the species separate, and the law of mass action held at every node late in the
// run; the user's coefficients are used and kept.
#include "foundations/error_box_log.h"
#include "lamm/hat_integrals.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/module_solvers.h"
#include "simulation/reacting_system.h"
#include "simulation/scan_output.h"
#include "state/lamm_grid.h"
#include "state/reaction_parameters.h"
#include "support/module_solver_harness.h"
#include "support/reset_all_state.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

class ReactingSystem : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
    void TearDown() override { ResetAllState(); }
};

// A sink that records the amounts of total A and total B after every step.
struct AmountSink : CLammSink {
    CScanOutput scans;
    void Step(CGridClock& clock, double change) override { scans.Step(clock, change); }
    void Remaining(const CGridClock& clock, bool zeros) override { scans.Remaining(clock, zeros); }
    void ShowPellet(const CBottomPellet* pellet) override { scans.ShowPellet(pellet); }
};

// Integral of (x + K A B) r dr for the finite-element profiles x, A and B on the radii r.
double Amount(const std::vector<double>& x, const std::vector<double>& A,
              const std::vector<double>& B, double K, const double* r, int n) {
    double sum = 0.0;
    for (int j = 1; j <= n; ++j) {
        sum += HatNodeVolume(r, n, j) * x[std::size_t(j)];
        for (int k = std::max(1, j - 1); k <= std::min(n, j + 1); ++k)
            sum += K * HatMass(r, n, j, k) * A[std::size_t(j)] * B[std::size_t(k)];
    }
    return sum;
}

// The radii of the solver's grid of n nodes on the case's cell.
std::vector<double> SolverRadii(const ModuleCase& mc, int n) {
    std::vector<double> r(std::size_t(n) + 1);
    const double m = mc.meniscus, b = mc.bottom;
    r[1] = m, r[std::size_t(n)] = b;
    for (int i = 2; i < n; ++i)
        r[std::size_t(i)] = m * std::pow(b / m, (i - 1.5) / (n - 1));
    return r;
}

} // namespace

TEST(ReactionEquilibrium, SmallerRootOfTheLoading) {
    struct Case {
        double K, a0, b0, want;
        double tolerance;
        bool massAction; // K (a0 - x)(b0 - x) = x is checked where it is well conditioned
    } cases[] = {
        {1.0, 0.5, 0.5, (2.0 - std::sqrt(3.0)) / 2.0, 1e-12, true},
        {1e12, 0.5, 0.3, 0.3, 1e-9, false},
        {1e-12, 0.5, 0.3, 0.15e-12, 1e-20, true},
    };
    for (const Case& c : cases) {
        const double x = EquilibriumComplex(c.K, c.a0, c.b0);
        EXPECT_NEAR(x, c.want, c.tolerance) << "K " << c.K;
        if (c.massAction) {
            EXPECT_NEAR(c.K * (c.a0 - x) * (c.b0 - x), x, 1e-9 * x) << "K " << c.K;
        }
    }
    ResetAllState();
    InitReactionSystem();
    EXPECT_NEAR(ReactionParameters::complexConcentration, 0.1339746, 1e-7);
    EXPECT_EQ(ReactionParameters::extinctionAB, 2.0f);
}

// A fast free A, a slow free B and a faster complex: the boundary splits, the totals stay, and
// the record's coefficients are the user's still.
TEST_F(ReactingSystem, ConservesBothTotalsWhileTheBoundarySplits) {
    ModuleCase mc;
    mc.gridSize = 400, mc.scans = 4, mc.firstScanS = 500.0, mc.intervalS = 500.0;
    mc.outputPoints = 801;
    PrepareModuleCase(mc);
    const float sA = ReactionParameters::sA;
    CReaction rx;
    rx.K = 2.0, rx.a0 = 0.6, rx.b0 = 0.4;
    rx.sA = 4.0, rx.sB = 6.0, rx.sAB = 9.0;
    rx.dA = 7e-7, rx.dB = 6e-7, rx.dAB = 4.5e-7;
    CLammControl control = LammControlOfRecord();
    control.maxDcOverC = 5.0; // 5 s steps
    AmountSink sink;
    CGridClock clock = ModuleCaseClock(mc);
    std::vector<double> A, B;
    ASSERT_EQ(RunReactingLamm(LammProblemOfRecord(), rx, control, clock, sink, &A, &B),
              LammResult::Solved);
    EXPECT_GE(clock.time, mc.firstScanS + 3 * mc.intervalS);
    const int n = LammGrid::allocatedGridSize;
    // the run's grid, as the solver builds it
    std::vector<double> r(std::size_t(n) + 1);
    const double m = mc.meniscus, b = mc.bottom;
    r[1] = m, r[std::size_t(n)] = b;
    for (int i = 2; i < n; ++i)
        r[std::size_t(i)] = m * std::pow(b / m, (i - 1.5) / (n - 1));
    const double cell = (b * b - m * m) / 2.0;
    EXPECT_NEAR(Amount(A, A, B, rx.K, r.data(), n) / (rx.a0 * cell), 1.0, 1e-10)
        << "total A (1e-10)";
    EXPECT_NEAR(Amount(B, A, B, rx.K, r.data(), n) / (rx.b0 * cell), 1.0, 1e-10)
        << "total B (1e-10)";
    // the boundary has left the meniscus: depleted there, plateau in the middle
    const double plateau = ScanStore::fit[mc.scans][mc.outputPoints / 2];
    EXPECT_LT(ScanStore::fit[mc.scans][2], 0.3 * plateau);
    EXPECT_GT(plateau, 0.5);
    EXPECT_EQ(ReactionParameters::sA, sA) << "the user's coefficients are kept";
}

// Two thousand steps of 5 s and six hundred of up to 20 s on 1000 nodes, most of them ended by a
// single Newton pass: what that pass leaves unsolved must not add up to a loss or gain of either
// total.
TEST_F(ReactingSystem, KeepsBothTotalsOverThousandsOfSteps) {
    ModuleCase mc;
    mc.gridSize = 1000, mc.scans = 50, mc.firstScanS = 200.0, mc.intervalS = 200.0;
    mc.outputPoints = 1000;
    CReaction rx;
    rx.K = 2.0, rx.a0 = 0.6, rx.b0 = 0.4;
    rx.sA = 4.5, rx.sB = 6.0, rx.sAB = 9.0;
    rx.dA = 6e-7, rx.dB = 5.5e-7, rx.dAB = 4.2e-7;
    for (double cap : {5.0, 20.0}) {
        PrepareModuleCase(mc);
        CLammControl control = LammControlOfRecord();
        control.maxDcOverC = cap;
        AmountSink sink;
        CGridClock clock = ModuleCaseClock(mc);
        std::vector<double> A, B;
        ASSERT_EQ(RunReactingLamm(LammProblemOfRecord(), rx, control, clock, sink, &A, &B),
                  LammResult::Solved);
        EXPECT_GE(clock.stepCount, 10000 / long(cap)) << "cap " << cap;
        const int n = LammGrid::allocatedGridSize;
        const std::vector<double> r = SolverRadii(mc, n);
        const double cell = (r[std::size_t(n)] * r[std::size_t(n)] - r[1] * r[1]) / 2.0;
        EXPECT_NEAR(Amount(A, A, B, rx.K, r.data(), n) / (rx.a0 * cell), 1.0, 1e-11)
            << "cap " << cap;
        EXPECT_NEAR(Amount(B, A, B, rx.K, r.data(), n) / (rx.b0 * cell), 1.0, 1e-11)
            << "cap " << cap;
    }
}

// A tolerance of 0 s would step for ever: the run refuses at once.
// From almost no complex to almost all of the minor partner bound, every step converges and both
// totals are kept. Strong binding once ended in the discretization error (the alternating passes
// did not converge), and free B dipping below zero at the bottom was raised to zero at every
// step, which doubled the material by the third scan.
TEST_F(ReactingSystem, WeakAndStrongBindingKeepBothTotals) {
    for (double K : {0.01, 1.0, 10.0, 100.0}) {
        ModuleCase mc;
        mc.gridSize = 300, mc.scans = 3, mc.firstScanS = 600.0, mc.intervalS = 600.0;
        mc.outputPoints = 601;
        PrepareModuleCase(mc);
        CReaction rx;
        rx.K = K, rx.a0 = 0.6, rx.b0 = 0.4;
        rx.sA = 4.0, rx.sB = 6.0, rx.sAB = 9.0;
        rx.dA = 7e-7, rx.dB = 6e-7, rx.dAB = 4.5e-7;
        CLammControl control = LammControlOfRecord();
        control.maxDcOverC = 10.0;
        AmountSink sink;
        CGridClock clock = ModuleCaseClock(mc);
        std::vector<double> A, B;
        ASSERT_EQ(RunReactingLamm(LammProblemOfRecord(), rx, control, clock, sink, &A, &B),
                  LammResult::Solved)
            << "K " << K;
        const int n = LammGrid::allocatedGridSize;
        std::vector<double> r(std::size_t(n) + 1);
        const double m = mc.meniscus, b = mc.bottom;
        r[1] = m, r[std::size_t(n)] = b;
        for (int i = 2; i < n; ++i)
            r[std::size_t(i)] = m * std::pow(b / m, (i - 1.5) / (n - 1));
        const double cell = (b * b - m * m) / 2.0;
        EXPECT_NEAR(Amount(A, A, B, K, r.data(), n) / (rx.a0 * cell), 1.0, 1e-10) << "K " << K;
        EXPECT_NEAR(Amount(B, A, B, K, r.data(), n) / (rx.b0 * cell), 1.0, 1e-10) << "K " << K;
        EXPECT_GE(clock.time, mc.firstScanS + 2 * mc.intervalS) << "K " << K;
    }
}

// Run to sedimentation equilibrium in a short column, a system whose complex is as buoyant as its
// parts (s_AB / D_AB = s_A / D_A + s_B / D_B): each free species follows its own exponential,
// ln X linear in r^2 with slope s_X w^2 / 2 D_X, so the complex K A B follows theirs with K held.
TEST_F(ReactingSystem, FreeSpeciesReachTheirOwnExponentialsAtEquilibrium) {
    ModuleCase mc = ShortColumnCase(4.0, 7e-7, 12000.0, 2, 1e5);
    mc.firstScanS = 3e5;
    PrepareModuleCase(mc);
    CReaction rx;
    rx.K = 2.0, rx.a0 = 0.6, rx.b0 = 0.4;
    rx.sA = 4.0, rx.dA = 7e-7;
    rx.sB = 6.0, rx.dB = 6e-7;
    rx.dAB = 4.5e-7;
    rx.sAB = rx.dAB * (rx.sA / rx.dA + rx.sB / rx.dB);
    CLammControl control = LammControlOfRecord();
    control.maxDcOverC = 50.0;
    AmountSink sink;
    CGridClock clock = ModuleCaseClock(mc);
    std::vector<double> A, B;
    ASSERT_EQ(RunReactingLamm(LammProblemOfRecord(), rx, control, clock, sink, &A, &B),
              LammResult::Solved);
    const int n = LammGrid::allocatedGridSize;
    const double m = mc.meniscus, b = mc.bottom;
    auto radius = [&](int i) {
        return i == 1 ? m : i == n ? b : m * std::pow(b / m, (i - 1.5) / (n - 1));
    };
    const double w2 = std::pow(mc.rpm * M_PI / 30.0, 2);
    struct Species {
        const char* name;
        const std::vector<double>& x;
        double s, d;
    } species[] = {{"free A", A, rx.sA, rx.dA}, {"free B", B, rx.sB, rx.dB}};
    for (const Species& sp : species) {
        const int i1 = n / 10, i2 = n - n / 10;
        const double r1 = radius(i1), r2 = radius(i2);
        const double slope =
            std::log(sp.x[std::size_t(i2)] / sp.x[std::size_t(i1)]) / (r2 * r2 - r1 * r1);
        const double expected = sp.s * 1e-13 * w2 / (2.0 * sp.d);
        EXPECT_NEAR(slope / expected, 1.0, 0.002) << sp.name << ": slope " << slope;
    }
}

namespace {

// The scans of a run of the system of the splitting test on 300 nodes to 900 s, the steps at most
// cap seconds (fixed: all of that length); the step count in steps.
std::vector<std::vector<float>> SplittingRun(double cap, bool fixed, long* steps = nullptr,
                                             int scanCount = 3) {
    ResetAllState();
    ModuleCase mc;
    mc.gridSize = 300, mc.scans = scanCount, mc.firstScanS = mc.intervalS = 900.0 / scanCount;
    mc.outputPoints = 601;
    PrepareModuleCase(mc);
    CReaction rx;
    rx.K = 20.0, rx.a0 = 0.6, rx.b0 = 0.4;
    rx.sA = 4.0, rx.sB = 6.0, rx.sAB = 12.0;
    rx.dA = 7e-7, rx.dB = 6e-7, rx.dAB = 4.5e-7;
    CLammControl control = LammControlOfRecord();
    control.maxDcOverC = cap;
    control.fixedTimeStep = fixed;
    AmountSink sink;
    CGridClock clock = ModuleCaseClock(mc);
    EXPECT_EQ(RunReactingLamm(LammProblemOfRecord(), rx, control, clock, sink), LammResult::Solved);
    if (steps)
        *steps = clock.stepCount;
    std::vector<std::vector<float>> scans;
    for (int k = 1; k <= mc.scans; ++k)
        scans.emplace_back(ScanStore::fit[k] + 1, ScanStore::fit[k] + mc.outputPoints + 1);
    return scans;
}

double RmsDifference(const std::vector<std::vector<float>>& a,
                     const std::vector<std::vector<float>>& b) {
    double sum = 0.0;
    long count = 0;
    for (std::size_t k = 0; k < a.size(); ++k)
        for (std::size_t p = 0; p < a[k].size(); ++p, ++count)
            sum += (double(a[k][p]) - b[k][p]) * (double(a[k][p]) - b[k][p]);
    return std::sqrt(sum / double(count));
}

} // namespace

// Long steps across the sharp early boundary of a strongly bound system are inaccurate; the
// steps that follow the solution's change shorten there by themselves and come close to a run of
// short steps, with far fewer steps than it; none is longer than the longest step allowed.
TEST_F(ReactingSystem, StepsShortenWhereTheSolutionChangesFast) {
    const auto reference = SplittingRun(1.0, true);
    long fixedSteps = 0, adaptiveSteps = 0;
    const auto fixed = SplittingRun(40.0, true, &fixedSteps);
    const auto adaptive = SplittingRun(40.0, false, &adaptiveSteps);
    const double fixedError = RmsDifference(fixed, reference);
    const double adaptiveError = RmsDifference(adaptive, reference);
    EXPECT_LT(adaptiveError, 0.2 * fixedError)
        << "steps of 40 s: " << fixedError << ", following the change: " << adaptiveError;
    EXPECT_LT(adaptiveSteps, 300) << "900 s in steps of 1 s take 900";
    EXPECT_GE(adaptiveSteps, 900 / 40);
}

// A scan lands a step on its time; the steps after it go on at the length they had. (The step
// that found the run already on a target once forgot the last step, and the steps restarted
// short and took seven more per scan.)
TEST_F(ReactingSystem, ScansDoNotRestartTheSteps) {
    long fewScans = 0, manyScans = 0;
    SplittingRun(5.0, false, &fewScans, 3);
    SplittingRun(5.0, false, &manyScans, 30);
    EXPECT_LE(manyScans - fewScans, 2 * 27)
        << "3 scans: " << fewScans << " steps, 30 scans: " << manyScans;
}

// A run whose scans lie long after sedimentation equilibrium ends there, and the scans it did
// not reach get the final profile (not zeros).
TEST_F(ReactingSystem, EndsAtEquilibriumAndFillsTheLaterScans) {
    ModuleCase mc = ShortColumnCase(4.0, 7e-7, 12000.0, 6, 2e5);
    PrepareModuleCase(mc);
    CReaction rx;
    rx.K = 2.0, rx.a0 = 0.6, rx.b0 = 0.4;
    rx.sA = 4.0, rx.dA = 7e-7, rx.sB = 6.0, rx.dB = 6e-7, rx.sAB = 9.0, rx.dAB = 4.5e-7;
    CLammControl control = LammControlOfRecord();
    control.maxDcOverC = 50.0;
    AmountSink sink;
    CGridClock clock = ModuleCaseClock(mc);
    ASSERT_EQ(RunReactingLamm(LammProblemOfRecord(), rx, control, clock, sink), LammResult::Solved);
    EXPECT_TRUE(LammGrid::equilibriumReached);
    EXPECT_LT(clock.time, mc.firstScanS + 5 * mc.intervalS);
    const int mid = mc.outputPoints / 2;
    EXPECT_GT(ScanStore::fit[mc.scans][mid], 0.5f);
    EXPECT_EQ(ScanStore::fit[mc.scans][mid], ScanStore::fit[mc.scans - 1][mid]);
}

TEST_F(ReactingSystem, ZeroStepIsRefused) {
    ModuleCase mc;
    mc.gridSize = 100, mc.scans = 2;
    PrepareModuleCase(mc);
    CLammControl control = LammControlOfRecord();
    control.maxDcOverC = 0.0;
    AmountSink sink;
    CGridClock clock = ModuleCaseClock(mc);
    EXPECT_EQ(RunReactingLamm(LammProblemOfRecord(), CReaction{}, control, clock, sink),
              LammResult::DiscretizationError);
}

// Runs the passes cannot carry end with the discretization error, promptly and before the last
// scan, and say it was not solved. Strong binding of equal loadings on a grid too coarse for its
// boundary drives the Newton passes away from the solution near the depleted meniscus: with fixed
// steps of 10 s each step is halved ten times without converging; with steps of 1000 s the
// runaway passes reach blocks they cannot invert, which once ended the first step as a singular
// matrix without trying a shorter one. The weaker binding of unequal loadings on that grid once
// had the deviation of the steps shrink them to some 1e-12 s, each accepted after a halving or
// two, so the run stood still for ever and no key was read.
TEST_F(ReactingSystem, RunsThatCannotConvergeEndWithTheDiscretizationError) {
    struct Case {
        const char* name;
        double K, a0, b0, cap;
        bool fixed;
    } cases[] = {
        {"passes that run away, fixed steps", 1e9, 0.5, 0.5, 10.0, true},
        {"passes that run away to a singular block", 1e6, 0.5, 0.5, 1000.0, true},
        {"steps that shrink without end", 1000.0, 0.6, 0.4, 1.0, false},
    };
    for (const Case& c : cases) {
        ResetAllState();
        ModuleCase mc;
        mc.gridSize = 100, mc.scans = 3, mc.firstScanS = 600.0, mc.intervalS = 600.0;
        mc.outputPoints = 201;
        PrepareModuleCase(mc);
        CReaction rx;
        rx.K = c.K, rx.a0 = c.a0, rx.b0 = c.b0;
        CLammControl control = LammControlOfRecord();
        control.maxDcOverC = c.cap;
        control.fixedTimeStep = c.fixed;
        AmountSink sink;
        CGridClock clock = ModuleCaseClock(mc);
        std::vector<double> A, B;
        EXPECT_EQ(RunReactingLamm(LammProblemOfRecord(), rx, control, clock, sink, &A, &B),
                  LammResult::DiscretizationError)
            << c.name;
        EXPECT_LT(clock.time, mc.firstScanS) << c.name;
        EXPECT_LT(clock.stepCount, 1000) << c.name;
        const bool finite =
            std::all_of(A.begin() + 1, A.end(), [](double x) { return std::isfinite(x); }) &&
            std::all_of(B.begin() + 1, B.end(), [](double x) { return std::isfinite(x); });
        EXPECT_TRUE(finite) << c.name << ": the last solved level is kept";
        EXPECT_TRUE(TakeErrorBoxes().empty()) << c.name;
    }
}

// A block the first pass of a step cannot invert is a singular system: the run ends at once with
// "Error 1 in tridag" when it is the meniscus row, as the other solvers of the grid report it.
TEST_F(ReactingSystem, SingularFirstBlockEndsTheRunWithItsBox) {
    ModuleCase mc;
    mc.gridSize = 100, mc.scans = 2;
    PrepareModuleCase(mc);
    TakeErrorBoxes();
    CReaction rx;
    rx.dA = std::nan("");
    AmountSink sink;
    CGridClock clock = ModuleCaseClock(mc);
    EXPECT_EQ(RunReactingLamm(LammProblemOfRecord(), rx, LammControlOfRecord(), clock, sink),
              LammResult::SingularMatrix);
    EXPECT_EQ(clock.stepCount, 0);
    const std::vector<ErrorBoxEntry> boxes = TakeErrorBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Error 1 in tridag");
    EXPECT_FALSE(boxes[0].fatal);
}
