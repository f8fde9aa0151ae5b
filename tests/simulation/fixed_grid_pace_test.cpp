// The pace of a species on a fixed grid the user set: the step estimate against the solver's own
// count, and the box before a run that would be slow, shown once per fit.
#include "plat/testing.hpp"
#include "scandata/scan_header.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/fixed_grid_pace.h"
#include "state/fit_control.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/lamm_harness.h"
#include "support/reset_all_state.h"
#include "support/velocity_store.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

using M = ModelParameters;
using plat::test::Script;

class FixedGridPace : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
    void TearDown() override { ResetAllState(); }
};

// Sharp boundaries crossing the cell, on grids that resolve them: the estimate within a factor
// of two of the solver's own count, at any grid size.
TEST_F(FixedGridPace, EstimateFollowsTheSolversSteps) {
    struct Case {
        double s, D, intervalS;
        int nodes;
        double maxDcOverC;
    };
    const Case cases[] = {{100.0, 2e-7, 20.0, 1000, 0.2}, {20.0, 4e-7, 100.0, 2000, 0.1}};
    for (const Case& c : cases) {
        LammCase lc;
        lc.s = c.s, lc.D = c.D, lc.rpm = 60000;
        lc.scans = 24;
        lc.firstScanS = lc.intervalS = c.intervalS;
        lc.gridSize = c.nodes;
        lc.maxDcOverC = c.maxDcOverC;
        lc.massCheck = 0;
        LammRun run(lc);
        ASSERT_EQ(run.Run(), LammResult::Solved);
        const double estimate = FixedGridStepEstimate(c.s, c.D, lc.rpm, lc.meniscus, lc.bottom,
                                                      24 * c.intervalS, c.maxDcOverC);
        EXPECT_GT(estimate, 0.5 * run.solver.stepsTaken) << c.s << " S";
        EXPECT_LT(estimate, 2.0 * run.solver.stepsTaken) << c.s << " S";
    }
    EXPECT_EQ(FixedGridStepEstimate(0.0, 2e-7, 60000, 6.0, 7.2, 480.0, 0.2), 0.0);
    EXPECT_EQ(FixedGridStepEstimate(100.0, 0.0, 60000, 6.0, 7.2, 480.0, 0.2), 0.0);
    EXPECT_EQ(FixedGridStepEstimate(-100.0, 2e-7, 60000, 6.0, 7.2, 480.0, 0.2),
              FixedGridStepEstimate(100.0, 2e-7, 60000, 6.0, 7.2, 480.0, 0.2));
}

TEST_F(FixedGridPace, SlowUserGridIsSaidBeforeTheRun) {
    struct Case {
        const char* name;
        std::function<void()> set;
        bool box;
    };
    const Case cases[] = {
        {"100 S on 4000 points, max dc/c 0.1", [] {}, true},
        {"automatic algorithm", [] { ModelChoice::automaticAlgorithm = true; }, false},
        {"moving hat", [] { ModelChoice::claverieAlgorithm = false; }, false},
        {"automatic grid size", [] { M::autoGridSize = true; }, false},
        {"fixed time step", [] { ModelChoice::fixedTimeStep = true; }, false},
        {"4.5 S on 1000 points, max dc/c 1",
         [] {
             M::speciesS[1] = 4.5f;
             LammGrid::defaultGridSize = 1000;
             LammGrid::dcOverCLimit = 1.0;
         },
         false},
    };
    for (const Case& c : cases) {
        ResetAllState();
        VelocitySet set;
        set.scans = 5;
        set.rpm = 60000;
        FillVelocityStore(set);
        M::speciesS[1] = 100.0f;
        M::speciesDOrM[1] = 2.0f; // 2e-7 cm^2/s
        ModelChoice::automaticAlgorithm = ModelChoice::movingHatAlgorithm = false;
        ModelChoice::claverieAlgorithm = true;
        M::autoGridSize = false;
        LammGrid::defaultGridSize = 4000;
        LammGrid::dcOverCLimit = 0.1;
        c.set();
        Script script;
        if (c.box)
            script.expectBox().textHas(
                "species 1 (s = 100 S) takes about 38000 time steps on the fixed grid of 4000 "
                "points with max dc/c 0.10:\nthe steps follow the sharp edges of its boundary");
        SayWhenTheFixedGridIsSlow(nullptr, {1});
        EXPECT_TRUE(script.done()) << c.name << script.logText();
        if (!c.box)
            continue;
        // within a fit at its first evaluation only
        FitControl::fitInProgress = true;
        Script fit;
        fit.expectBox().textHas("species 1 (s = 100 S)");
        SayWhenTheFixedGridIsSlow(nullptr, {1});
        SayWhenTheFixedGridIsSlow(nullptr, {1});
        EXPECT_TRUE(fit.done()) << c.name << fit.logText();
    }
}

} // namespace
