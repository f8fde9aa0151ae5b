// The Lamm solvers of the simulation grid at their limits: options that would stop time, arrays
// made for the other solver, runs that end before their last scan.
#include "scandata/scan_store_alloc.h"
#include "simulation/lamm_arrays.h"
#include "simulation/module_solvers.h"
#include "simulation/radial_grid.h"
#include "state/component_scans.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "support/module_solver_harness.h"
#include "support/reset_all_state.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

class ModuleSolverLimits : public ::testing::Test {
  protected:
    void TearDown() override { ResetAllState(); }
};

} // namespace

// "max dc/c" 0 makes every step 0 s long; the run must end with the discretization error
// instead of looping for ever.
TEST_F(ModuleSolverLimits, AZeroToleranceEndsTheRunWithTheDiscretizationError) {
    struct Case {
        const char* name;
        SolverRoad road;
        bool fixTimestep;
    } const cases[] = {{"moving hat", SolverRoad::MovingHat, false},
                       {"fixed grid, fixed steps", SolverRoad::FixedGrid, true},
                       {"fixed grid, adaptive steps", SolverRoad::FixedGrid, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ModuleCase mc;
        mc.road = c.road;
        mc.fixTimestep = c.fixTimestep;
        mc.maxDcOverC = 0.0;
        PrepareModuleCase(mc);
        EXPECT_EQ(SolveModuleCase(mc), LammResult::DiscretizationError);
        EXPECT_LT(LammGrid::time, mc.firstScanS);
    }
}

// Without a scan to await nothing would ever end the run; the solvers do not start it.
TEST_F(ModuleSolverLimits, NoScanToAwaitNoRun) {
    for (SolverRoad road : {SolverRoad::MovingHat, SolverRoad::FixedGrid}) {
        ModuleCase mc;
        mc.road = road;
        PrepareModuleCase(mc);
        CGridClock clock = ModuleCaseClock(mc);
        clock.targetScan = mc.scans + 1;
        SolveModuleCase(mc, clock);
        EXPECT_EQ(clock.time, 0.0);
        EXPECT_EQ(clock.stepCount, 0);
    }
}

// A retry on the fixed grid with arrays still made for the moving hat: the scans are written on
// the fixed grid's radii, not on those the moving frame reached in the run before.
TEST_F(ModuleSolverLimits, TheFixedGridAfterTheMovingHatKeepsItsRadii) {
    ModuleCase mc;
    mc.road = SolverRoad::MovingHat;
    PrepareModuleCase(mc);
    SolveModuleCase(mc);
    // the same arrays, the grid built again, the run started again
    BuildRadialGrid();
    for (int i = 1; i <= mc.gridSize; ++i)
        LammGrid::concentration[i] = mc.c0;
    CGridClock clock = ModuleCaseClock(mc);
    const std::vector<double> radii(LammGrid::radius, LammGrid::radius + mc.gridSize + 1);
    SimulateLammTimeCourse(clock);
    ASSERT_FALSE(clock.running);
    for (int i = 1; i <= mc.gridSize; ++i)
        ASSERT_EQ(LammGrid::radius[i], radii[i]) << i;
}

// Arrays made for the fixed-grid solver have no moving-grid block.
TEST_F(ModuleSolverLimits, TheMovingHatRefusesArraysWithoutItsGrid) {
    ModuleCase mc;
    mc.road = SolverRoad::FixedGrid;
    PrepareModuleCase(mc);
    CGridClock clock = ModuleCaseClock(mc);
    EXPECT_EQ(SolveLammFE(clock), LammResult::DiscretizationError);
    EXPECT_TRUE(ModelChoice::fixedTimeStep);
    EXPECT_EQ(clock.time, 0.0);
}

// Nothing to sediment: the profile is carried to every scan in 10 s steps.
TEST_F(ModuleSolverLimits, AnEmptyProfileReachesEveryScanUnchanged) {
    ModuleCase mc;
    mc.c0 = 0.0;
    ModuleRun run(mc);
    run.Run();
    EXPECT_FALSE(run.clock.running);
    EXPECT_GE(run.clock.time, run.ScanTime(mc.scans));
    for (int scan = 1; scan <= mc.scans; ++scan)
        EXPECT_EQ(run.ValueAt(scan, 6.5), 0.0) << scan;
}

// A fixed-grid run that stops at equilibrium before the last scan writes its final profile into
// the scans it did not reach: the species is there, at equilibrium, not gone. (The moving hat
// reports a change of 1 per grid period and runs to the last scan.)
TEST_F(ModuleSolverLimits, TheEquilibriumStopFillsTheLaterScans) {
    const ModuleCase mc = ShortColumnCase(1.0, 1e-6, 20000, 10, 1e5);
    ModuleRun run(mc);
    run.Run();
    ASSERT_LT(LammGrid::time, run.ScanTime(mc.scans - 1));
    for (double r : {6.92, 7.05, 7.18})
        EXPECT_EQ(run.ValueAt(mc.scans, r), run.ValueAt(mc.scans - 1, r));
    EXPECT_LT(DeviationFromEquilibrium(run, mc.scans), 2e-3);
}

// A run that ends because the boundary has passed the right fit limit gives the later scans no
// signal; rows of the species kept for linear amplitudes are cleared, not left from before.
TEST_F(ModuleSolverLimits, TheDepletionStopClearsTheLaterComponentRows) {
    for (SolverRoad road : {SolverRoad::MovingHat, SolverRoad::FixedGrid}) {
        SCOPED_TRACE(road == SolverRoad::MovingHat ? "moving hat" : "fixed grid");
        ModuleCase mc;
        mc.road = road;
        mc.scans = 20, mc.firstScanS = mc.intervalS = 600.0;
        PrepareModuleCase(mc);
        ScanStore::rightFitLimit = 6.3f;
        ModelChoice::linearAmplitudes = true;
        std::vector<float> grid(202);
        for (int i = 1; i <= 201; ++i)
            grid[i] = 6.0f + 0.006f * (i - 1);
        ScanStore::gridRadius = grid.data();
        ScanStore::gridCount = 201;
        for (int scan = 1; scan <= mc.scans; ++scan) {
            float* row = ComponentScans::Row(1, scan, 201);
            for (int i = 1; i <= 201; ++i)
                row[i] = 7.0f;
        }
        SolveModuleCase(mc);
        ScanStore::gridRadius = nullptr;
        // the boundary is clear of 6.3 cm after about 9000 s
        ASSERT_TRUE(LammGrid::equilibriumReached);
        ASSERT_LT(LammGrid::time, 16 * mc.intervalS);
        EXPECT_GT(ComponentScans::Row(1, 1, 201)[150], 0.5f);
        for (int scan = 16; scan <= mc.scans; ++scan)
            for (int i = 1; i <= 201; ++i)
                ASSERT_EQ(ComponentScans::Row(1, scan, 201)[i], 0.0f) << scan << " " << i;
    }
}
