// The Lamm solvers of the simulation grid and the solver object carry the same two algorithms:
// on the same species, grid and options they must give the same profiles.
#include "state/lamm_grid.h"
#include "support/lamm_harness.h"
#include "support/module_solver_harness.h"
#include "support/reset_all_state.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

struct Agreement {
    const char* name;
    bool movingHat;
    bool fixedSteps;  // steps of 2 s on the fixed grid (the moving hat always steps by its period)
};

const Agreement kCases[] = {
    {"moving hat", true, false},
    {"fixed grid, adaptive steps", false, false},
    {"fixed grid, fixed steps", false, true},
};

LammCase ObjectCase(const Agreement& a)
{
    LammCase lc;
    lc.bottom = 7.25;  // meniscus and bottom exact in single precision, as the model keeps them
    lc.movingHat = a.movingHat;
    lc.fixTimestep = a.fixedSteps;
    lc.maxDcOverC = a.fixedSteps ? 2.0 : 1.0;
    return lc;
}

ModuleCase GridCase(const LammCase& lc)
{
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

}  // namespace

// Every scan, on the scans' radii, with the options as they come.
TEST_F(ModuleSolverAgreement, ScansAgreeWithTheSolverObject)
{
    for (const Agreement& a : kCases) {
        SCOPED_TRACE(a.name);
        LammRun object(ObjectCase(a));
        ASSERT_EQ(object.Run(), 0);
        ModuleRun grid(GridCase(object.lc_));
        grid.Run();
        ASSERT_EQ(LammGrid::singularMatrix + LammGrid::discretizationError, 0);
        double worst = 0.0;
        for (int scan = 1; scan <= object.lc_.scans; ++scan)
            for (int i = 1; i <= object.Points(); ++i)
                worst = std::max(worst, std::fabs(object.Profile(scan)[i] -
                                                  grid.ValueAt(scan, object.Radii()[i])));
        EXPECT_LT(worst, 3e-3 * object.lc_.c0);
    }
}

// The final profiles in double precision on the same radii, for the step sequence of each loop
// (period steps, adaptive steps, fixed steps): any change of arithmetic or of step control in one
// copy of an algorithm shows here long before it shows in single-precision scans (measured:
// 0, 7e-12 and 9e-12 of c0).
TEST_F(ModuleSolverAgreement, FinalProfilesAreTheSameArithmetic)
{
    for (const Agreement& a : kCases) {
        SCOPED_TRACE(a.name);
        LammRun object(ObjectCase(a));
        ASSERT_EQ(object.Run(), 0);
        CLammIdeal& o = object.solver;
        const ModuleCase mc = GridCase(object.lc_);
        PrepareModuleCase(mc);
        ASSERT_EQ(LammGrid::allocatedGridSize, o.N);
        if (!a.movingHat)
            std::copy(o.r + 1, o.r + o.N + 1, LammGrid::radius + 1);
        SolveModuleCase(mc);
        if (a.movingHat)
            o.UpdateRadii();
        ASSERT_EQ(LammGrid::singularMatrix + LammGrid::discretizationError, 0);
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
