// The pace of a species on the moving hat's grid: the step estimate against the solver's own
// count.
#include "simulation/moving_hat_pace.h"
#include "support/lamm_harness.h"
#include "support/reset_all_state.h"

#include <gtest/gtest.h>

namespace {

// The estimate over the solver's own count of steps, on a short run of the case (five scans) on
// the moving hat's grid.
double EstimateOverCount(LammCase lc) {
    lc.scans = 5;
    lc.movingHat = true;
    lc.massCheck = 0;
    LammRun run(lc);
    EXPECT_EQ(run.Run(), LammResult::Solved);
    MovingHatRunShape shape;
    shape.sS = lc.s, shape.dCm2s = lc.D, shape.rpm = lc.rpm;
    shape.meniscus = lc.meniscus, shape.bottom = lc.bottom;
    shape.innerFit = lc.lowerFit, shape.outerFit = lc.upperFit;
    shape.rampTime = lc.rampRpmPerS > 0.0 ? lc.rpm / lc.rampRpmPerS : 0.0;
    shape.lastTime = lc.scans * lc.intervalS;
    shape.nodes = lc.gridSize, shape.maxDcOverC = lc.maxDcOverC;
    return MovingHatStepEstimate(shape) / run.solver.stepsTaken;
}

// Boundaries that clear the column, at full speed or after a ramp, in full grid periods or in
// parts of them: the estimate within a fifth of the solver's count. A species that diffusion
// holds in a layer reaching the fitted data runs on to the equilibrium test: the estimate under
// the count, but not by more than a factor of three.
TEST(MovingHatPace, EstimateFollowsTheSolversSteps) {
    ResetAllState();
    struct Case {
        double s, D, ramp; // S, cm^2/s, rpm/s
        int nodes;
        double maxDcOverC, low, high; // the estimate over the count
    };
    const Case cases[] = {
        {1e4, 1e-5, 0.0, 1000, 1.0, 0.8, 1.25},  {-1e4, 1e-5, 200.0, 1000, 1.0, 0.8, 1.25},
        {1e5, 3e-5, 0.0, 500, 1.0, 0.8, 1.25},   {1e4, 1e-5, 0.0, 1000, 0.2, 0.8, 1.25},
        {-100, 1e-6, 0.0, 1000, 1.0, 0.8, 1.25}, {-1e4, 1e-3, 0.0, 1000, 1.0, 0.3, 1.0},
        {1e4, 1e-3, 200.0, 1000, 1.0, 0.3, 1.0},
    };
    for (const Case& c : cases) {
        LammCase lc;
        lc.s = c.s, lc.D = c.D, lc.rampRpmPerS = c.ramp;
        lc.gridSize = c.nodes;
        lc.maxDcOverC = c.maxDcOverC;
        const double ratio = EstimateOverCount(lc);
        EXPECT_GT(ratio, c.low) << c.s << " S, D " << c.D;
        EXPECT_LT(ratio, c.high) << c.s << " S, D " << c.D;
    }
}

// Each direction ends as the solver ends it, against its own count on short runs. A run ends as
// depleted where the node beyond the fitted data falls below 1e-4 of its start, not at the
// truncation level of the active region (1e-6 counted some 40 times the steps here). A floating
// species whose fitted data begin inside the first element piles up on the meniscus node, which
// never falls: in a layer deeper than the element the run goes on to the equilibrium test (a
// thinner one swings the node beside it below minus the loading, a grid that fails), where a
// sedimenting one with the fitted data inside the last element still ends once it has crossed.
// While the rotor speeds up, a layer deep enough to reach the fitted data holds the sedimenting run
// until the speed draws it back, and keeps the floating one to the equilibrium test.
TEST(MovingHatPace, EachDirectionEndsAsTheSolverEndsIt) {
    ResetAllState();
    struct Case {
        double s, D; // S, cm^2/s
        int nodes;
        float innerFit, outerFit;
        double meniscus, bottom, ramp; // cm, cm, rpm/s
    };
    const Case cases[] = {
        {1e4, 5e-4, 1000, 6.05f, 7.15f, 6.0, 7.2, 0.0},
        {-1e4, 5e-4, 1000, 6.05f, 7.15f, 6.0, 7.2, 0.0},
        {1e4, 1e-5, 150, 6.05f, 7.195f, 6.0, 7.2, 0.0},
        {-1e4, 1e-2, 150, 6.005f, 7.15f, 6.0, 7.2, 0.0},
        {1e5, 0.018, 150, 5.96f, 7.0f, 5.95, 7.15, 200.0},
        {-1e5, 0.018, 150, 5.96f, 7.0f, 5.95, 7.15, 200.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.s << " S, D " << c.D);
        LammCase lc;
        lc.s = c.s, lc.D = c.D, lc.rampRpmPerS = c.ramp;
        lc.meniscus = c.meniscus, lc.bottom = c.bottom;
        lc.lowerFit = c.innerFit, lc.upperFit = c.outerFit;
        lc.gridSize = c.nodes;
        const double ratio = EstimateOverCount(lc);
        EXPECT_GT(ratio, 0.7);
        EXPECT_LT(ratio, 1.3);
    }
}

} // namespace
