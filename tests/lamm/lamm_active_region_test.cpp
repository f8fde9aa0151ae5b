// Steps of the fixed grid's active region taken by hand after a run: a step that fails at the
// region's lower edge leaves every value as it was before it, a value that is not a number below
// the region ends the solution with the discretization error, and an edge settled into a ramp has
// its change measured on the ramp.
#include "foundations/error_box_log.h"
#include "support/lamm_harness.h"
#include "support/reset_all_state.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace {

// 10 S over 8 scans on the fixed grid with its active region: the meniscus zone depletes.
LammCase TruncatedRun() {
    LammCase lc;
    lc.truncate = true;
    lc.s = 10.0;
    lc.scans = 8;
    return lc;
}

TEST(LammActiveRegion, AFailedStepKeepsTheValuesAndANaNBelowTheRegionIsAnError) {
    ResetAllState();
    const LammCase lc = TruncatedRun();
    const struct {
        const char* name;
        bool nanBelow; // else a lower edge far above the depleted zone, which fails the step
        bool fixedStep = false; // accepted as solved: no change measured after the solve
    } cases[] = {{"failed edge", false},
                 {"not a number below the region", true},
                 {"not a number below the region, steps fixed", true, true}};
    for (const auto& k : cases) {
        LammRun run(lc);
        run.Load();
        CLammIdeal& o = run.solver;
        ASSERT_EQ(o.Run(), LammResult::Solved) << k.name;
        const int n = o.N;
        o.singularMatrix = o.discretizationError = 0;
        o.hitTime = 0;
        o.dt = 1.0;
        o.fixTimestep = k.fixedStep;
        if (k.nanBelow) {
            // the run's own region, cut short above: its values are copied, not exchanged
            ASSERT_GT(o.lowerIndex, 30) << k.name;
            o.upperIndex = o.lowerIndex + 20;
            o.c[o.lowerIndex - 2] = std::numeric_limits<double>::quiet_NaN();
            o.zeroRowsBelow = o.lowerIndex - 1;
            o.oldZeroRowsBelow = 1; // the old array's rows below the region all to be cleared
        } else {
            // an edge in the boundary, the zone below it depleted: the arrays are exchanged
            int L = 1;
            while (o.c[L] < 0.1)
                ++L;
            for (int i = 1; i < L - 1; ++i)
                o.c[i] = o.cOld[i] = 0.0;
            o.lowerIndex = L;
            o.upperIndex = n - 40;
        }
        const std::vector<double> before(o.c, o.c + n + 1);
        o.ActiveRegionTimeStep();
        if (k.nanBelow) {
            // it enters the right-hand side of the solve's first row, whose check finds it
            EXPECT_EQ(o.discretizationError, 1) << k.name;
        } else {
            ASSERT_EQ(o.singularMatrix, 1) << k.name;
            for (int i = 1; i <= n; ++i)
                ASSERT_EQ(o.c[i], before[std::size_t(i)]) << k.name << ", node " << i;
        }
    }
    TakeErrorBoxes();
    ResetAllState();
}

// Between the steps of a truncated run the rows the loop takes as zeros hold zeros, in the profile
// and in the old profile it exchanges with it; their count passes the region's lower edge over
// many steps, so few rows are cleared at each.
TEST(LammActiveRegion, RowsTakenAsZerosHoldZerosInBothProfiles) {
    ResetAllState();
    static CLammIdeal* solver;
    static int polls, misses, keptLow;
    LammCase lc = TruncatedRun();
    lc.massCheck = 0;
    LammRun run(lc);
    run.Load();
    solver = &run.solver;
    polls = misses = keptLow = 0;
    run.solver.keyPoll = [] {
        const CLammIdeal& o = *solver;
        ++polls;
        for (int i = 1; i < o.zeroRowsBelow; ++i)
            misses += o.c[i] != 0.0;
        for (int i = 1; i < o.oldZeroRowsBelow; ++i)
            misses += o.cOld[i] != 0.0;
        keptLow += o.lowerIndex > 20 && o.oldZeroRowsBelow >= o.lowerIndex - 10;
        return false;
    };
    ASSERT_EQ(run.solver.Run(), LammResult::Solved);
    EXPECT_GT(polls, 100);
    EXPECT_EQ(misses, 0);
    EXPECT_GT(keptLow, polls / 4);
    ResetAllState();
}

// Values about their mean at the region's lower edge are settled into a rising ramp after the
// solve: the change of the step is then measured on the ramp, not on the ratios the solve left.
TEST(LammActiveRegion, TheChangeOfASettledEdgeIsMeasuredOnItsRamp) {
    ResetAllState();
    const LammCase lc = TruncatedRun();
    LammRun run(lc);
    run.Load();
    CLammIdeal& o = run.solver;
    ASSERT_EQ(o.Run(), LammResult::Solved);
    int L = 1;
    while (o.c[L] < 0.1)
        ++L;
    for (int i = 1; i < L - 1; ++i)
        o.c[i] = 0.0;
    const double edge[5] = {0.04, 0.01, 0.05, 0.03, 0.04}; // mean 0.034, below 10 eps
    for (int j = 0; j < 5; ++j)
        o.c[L - 1 + j] = edge[j];
    std::copy(o.c, o.c + o.N + 1, o.cOld);
    o.eps = 0.01;
    o.lowerIndex = L;
    o.upperIndex = L + 10;
    o.zeroRowsBelow = 1;
    o.olderInC = false;
    o.singularMatrix = o.discretizationError = 0;
    o.SolveActiveRegionStep(1e-9);
    ASSERT_EQ(o.singularMatrix, 0);
    EXPECT_NEAR(o.c[L - 1] / (0.034 * 5.0 / 27.0), 1.0, 0.05) << "the ramp";
    const double measured = o.ActiveRegionChange();
    o.changeRatiosValid = o.solvedLargestValid = false;
    EXPECT_EQ(measured, o.ActiveRegionChange());
    TakeErrorBoxes();
    ResetAllState();
}

// A plain run writes the plateau above its region only when something reads it: its scans, its
// last profile and its plateau are those, bit for bit, of the same run with the amount checked,
// whose steps write the plateau at every step. The runs' regions grow to the bottom, and the
// faster species leaves the data before the last scan.
TEST(LammActiveRegion, APlateauWrittenWhenReadGivesTheRunThatWritesItAtEveryStep) {
    ResetAllState();
    static CLammIdeal* solver;
    static int waiting;
    const struct {
        double s;
        int scans;
        bool leaves; // the data before the last scan
    } cases[] = {{12.0, 8, false}, {20.0, 40, true}};
    for (const auto& k : cases) {
        const double s = k.s;
        LammCase lc;
        lc.s = s;
        lc.automatic = lc.truncate = lc.shutOff = true;
        lc.scans = k.scans;
        lc.massCheck = 0;
        LammRun deferred(lc);
        lc.massCheck = 1;
        LammRun written(lc);
        deferred.Load();
        solver = &deferred.solver;
        waiting = 0;
        deferred.solver.keyPoll = [] {
            waiting += solver->plateauPending;
            return false;
        };
        ASSERT_EQ(deferred.solver.Run(), LammResult::Solved) << s;
        ASSERT_EQ(written.Run(), LammResult::Solved) << s;
        const CLammIdeal &a = deferred.solver, &b = written.solver;
        EXPECT_FALSE(a.upperFixed) << s;
        EXPECT_GT(waiting, a.stepsTaken / 4) << s;
        EXPECT_EQ(a.endReachedFlag, k.leaves) << s;
        ASSERT_EQ(a.N, b.N) << s;
        EXPECT_EQ(a.stepsTaken, b.stepsTaken) << s;
        EXPECT_EQ(a.t, b.t) << s;
        EXPECT_EQ(a.plateau, b.plateau) << s;
        EXPECT_TRUE(std::equal(a.c + 1, a.c + a.N + 1, b.c + 1)) << s;
        for (int scan = 1; scan <= lc.scans; ++scan)
            ASSERT_TRUE(std::equal(deferred.Profile(scan) + 1,
                                   deferred.Profile(scan) + 1 + deferred.Points(),
                                   written.Profile(scan) + 1))
                << s << ", scan " << scan;
    }
    ResetAllState();
}

} // namespace
