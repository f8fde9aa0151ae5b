// The Lamm solvers of the simulation grid and the solver object carry the same two algorithms:
// on the same species, grid and options they must give the same profiles.
#include "scandata/scan_store_alloc.h"
#include "state/lamm_grid.h"
#include "support/lamm_harness.h"
#include "support/module_solver_harness.h"
#include "support/reset_all_state.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace {

struct Agreement {
    const char* name;
    bool movingHat;
    bool fixedSteps; // steps of 2 s on the fixed grid (the moving hat always steps by its period)
    double D = 6e-7; // cm^2/s
    // Same step sequence. At layers thinner than the grid the adaptive step choice turns the
    // rounding of the matrix entries (element integrals here, closed forms in the object: 1e-13
    // of c0 after the first steps) into other steps from about 100 s on; the profiles then
    // differ by 2e-4 of c0 at the foot of the boundary, the scans by 4e-4.
    bool sameSteps = true;
};

// With D = 1e-8 the pile-up at the bottom and the depletion at the meniscus are thinner than
// the end elements: the bottom is solved open with a pellet, the meniscus repaired at once.
const Agreement kCases[] = {
    {"moving hat", true, false},
    {"fixed grid, adaptive steps", false, false},
    {"fixed grid, fixed steps", false, true},
    {"moving hat, layers thinner than the grid", true, false, 1e-8},
    {"fixed grid, layers thinner than the grid", false, false, 1e-8, false},
    {"fixed grid, fixed steps, layers thinner than the grid", false, true, 1e-8},
};

LammCase ObjectCase(const Agreement& a) {
    LammCase lc;
    lc.bottom = 7.25; // meniscus and bottom exact in single precision, as the model keeps them
    lc.movingHat = a.movingHat;
    lc.fixTimestep = a.fixedSteps;
    lc.maxDcOverC = a.fixedSteps ? 2.0 : 1.0;
    lc.D = a.D;
    return lc;
}

ModuleCase GridCase(const LammCase& lc) {
    ModuleCase mc;
    mc.road = lc.movingHat ? SolverRoad::MovingHat : SolverRoad::FixedGrid;
    mc.s = lc.s, mc.D = lc.D, mc.rpm = lc.rpm;
    mc.meniscus = float(lc.meniscus), mc.bottom = float(lc.bottom);
    mc.scans = lc.scans, mc.firstScanS = lc.firstScanS, mc.intervalS = lc.intervalS;
    mc.gridSize = lc.gridSize;
    mc.maxDcOverC = lc.maxDcOverC;
    mc.fixTimestep = lc.fixTimestep;
    mc.outputPoints = lc.outputPoints;
    return mc;
}

class ModuleSolverAgreement : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
    void TearDown() override { ResetAllState(); }
};

} // namespace

// Every scan, on the scans' radii, with the options as they come.
TEST_F(ModuleSolverAgreement, ScansAgreeWithTheSolverObject) {
    for (const Agreement& a : kCases) {
        SCOPED_TRACE(a.name);
        LammRun object(ObjectCase(a));
        ASSERT_EQ(object.Run(), LammResult::Solved);
        ModuleRun grid(GridCase(object.lc_));
        grid.Run();
        ASSERT_EQ(grid.result, LammResult::Solved);
        // the scans of both have the same radii, to single-precision rounding; compared over the
        // fitted radii (a steep pile-up at the bottom turns that rounding into large differences)
        double worst = 0.0;
        for (int scan = 1; scan <= object.lc_.scans; ++scan) {
            ASSERT_EQ(ScanStore::pointCount[scan], object.Points());
            for (int i = 1; i <= object.Points(); ++i) {
                ASSERT_NEAR(ScanStore::radius[scan][i], object.Radii()[i], 1e-6);
                const float r = object.Radii()[i];
                if (r >= object.lc_.lowerFit && r <= object.lc_.upperFit)
                    worst = std::max(worst, double(std::fabs(object.Profile(scan)[i] -
                                                             ScanStore::fit[scan][i])));
            }
        }
        EXPECT_LT(worst, 3e-3 * object.lc_.c0);
    }
}

// The final profiles in double precision on the same radii, for the step sequence of each loop
// (period steps, adaptive steps, fixed steps): any change of arithmetic or of step control in one
// copy of an algorithm shows here long before it shows in single-precision scans (measured:
// 0, 7e-12 and 9e-12 of c0; with layers thinner than the grid 0 and 4e-9).
TEST_F(ModuleSolverAgreement, FinalProfilesAreTheSameArithmetic) {
    for (const Agreement& a : kCases) {
        if (!a.sameSteps)
            continue;
        SCOPED_TRACE(a.name);
        LammRun object(ObjectCase(a));
        ASSERT_EQ(object.Run(), LammResult::Solved);
        CLammIdeal& o = object.solver;
        const ModuleCase mc = GridCase(object.lc_);
        PrepareModuleCase(mc);
        ASSERT_EQ(LammGrid::allocatedGridSize, o.N);
        if (!a.movingHat)
            std::copy(o.r + 1, o.r + o.N + 1, LammGrid::radius + 1);
        const LammResult result = SolveModuleCase(mc);
        if (a.movingHat)
            o.UpdateRadii();
        ASSERT_EQ(result, LammResult::Solved);
        EXPECT_EQ(LammGrid::time, o.t);
        double worstC = 0.0, worstR = 0.0;
        for (int i = 1; i <= o.N; ++i) {
            worstC = std::max(worstC, std::fabs(LammGrid::concentration[i] - o.c[i]));
            worstR = std::max(worstR, std::fabs(LammGrid::radius[i] - o.r[i]));
        }
        EXPECT_LT(worstC, 1e-8 * object.lc_.c0);
        EXPECT_LT(worstR, 1e-12);
    }
}
