// The pace of a species on the moving hat's grid: the step estimate against the solver's own
// count.
#include "simulation/moving_hat_pace.h"
#include "support/lamm_harness.h"
#include "support/reset_all_state.h"

#include <gtest/gtest.h>

namespace {

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
        lc.scans = 5;
        lc.movingHat = true;
        lc.massCheck = 0;
        LammRun run(lc);
        ASSERT_EQ(run.Run(), LammResult::Solved) << c.s << " S";
        MovingHatRunShape shape;
        shape.sS = c.s, shape.dCm2s = c.D, shape.rpm = lc.rpm;
        shape.meniscus = lc.meniscus, shape.bottom = lc.bottom;
        shape.innerFit = lc.lowerFit, shape.outerFit = lc.upperFit;
        shape.rampTime = c.ramp > 0.0 ? lc.rpm / c.ramp : 0.0;
        shape.lastTime = lc.scans * lc.intervalS;
        shape.nodes = c.nodes, shape.maxDcOverC = c.maxDcOverC;
        shape.truncationLevel = run.solver.truncationLevel;
        const double ratio = MovingHatStepEstimate(shape) / run.solver.stepsTaken;
        EXPECT_GT(ratio, c.low) << c.s << " S, D " << c.D;
        EXPECT_LT(ratio, c.high) << c.s << " S, D " << c.D;
    }
}

} // namespace
