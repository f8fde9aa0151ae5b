// The depletion probe of the simulation grid's solvers for a floating species: a dip or ringing of
// a coarse grid beside the meniscus pile-up is no depletion; a species that leaves the data still
// ends the run early.
#include "state/scan_store.h"
#include "support/module_solver_harness.h"
#include "support/reset_all_state.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

struct Solved {
    LammResult code;
    double time;                 // where the run ended
    std::vector<double> largest; // |model| between the fit limits, each scan
};

Solved Solve(SolverRoad road, int nodes, double s, double D, double rpm, float m, float left,
             float right = 7.15f) {
    ModuleCase mc;
    mc.road = road, mc.gridSize = nodes, mc.maxDcOverC = road == SolverRoad::MovingHat ? 0.25 : 1.0;
    mc.s = s, mc.D = D, mc.rpm = rpm, mc.meniscus = m, mc.scans = 24, mc.outputPoints = 1201;
    mc.trackAmount = false;
    PrepareModuleCase(mc);
    ScanStore::leftFitLimit = left, ScanStore::rightFitLimit = right;
    CGridClock clock = ModuleCaseClock(mc);
    Solved out{SolveModuleCase(mc, clock), clock.time, {}};
    for (int k = 1; k <= mc.scans; ++k) {
        double largest = 0.0;
        for (int i = 1; i <= ScanStore::pointCount[k]; ++i)
            if (ScanStore::radius[k][i] >= left && ScanStore::radius[k][i] <= right)
                largest = std::max(largest, std::fabs(double(ScanStore::fit[k][i])));
        out.largest.push_back(largest);
    }
    ResetAllState();
    return out;
}

// Coarse grids against the same solver on 2000 nodes: no scan all zero where the reference shows
// the species, unless the run failed with the discretization error.
TEST(FloatingDepletionProbe, NoScanZeroWhileTheReferenceShowsTheSpecies) {
    constexpr auto hat = SolverRoad::MovingHat, fixed = SolverRoad::FixedGrid;
    const struct {
        SolverRoad road;
        int nodes;
        double s, D, rpm;
        float m, left;
        LammResult expected;
    } cases[] = {{hat, 300, -20, 2e-7, 35000, 6.1f, 6.12f, LammResult::Solved},
                 {hat, 100, -20, 5e-7, 35000, 6.1f, 6.15f, LammResult::Solved},
                 {hat, 150, -100, 1e-7, 20000, 5.9f, 5.92f, LammResult::DiscretizationError},
                 {fixed, 100, -100, 1e-7, 20000, 5.9f, 5.92f, LammResult::DiscretizationError},
                 {fixed, 100, -20, 1e-7, 35000, 6.0f, 6.02f, LammResult::DiscretizationError}};
    for (const auto& c : cases) {
        const Solved run = Solve(c.road, c.nodes, c.s, c.D, c.rpm, c.m, c.left);
        const Solved reference = Solve(c.road, 2000, c.s, c.D, c.rpm, c.m, c.left);
        EXPECT_EQ(run.code, c.expected) << c.s << " S, " << c.nodes << " nodes";
        ASSERT_EQ(reference.code, LammResult::Solved);
        for (std::size_t k = 0; k < run.largest.size() && run.code == LammResult::Solved; ++k)
            if (reference.largest[k] > 1e-3)
                EXPECT_GT(run.largest[k], 0.0) << c.s << " S, scan " << k + 1;
    }
}

// A floating and a sedimenting species that clear the data end the run early, on both solvers.
TEST(FloatingDepletionProbe, SpeciesThatLeavesTheDataStillEndsTheRun) {
    for (SolverRoad road : {SolverRoad::MovingHat, SolverRoad::FixedGrid})
        for (double s : {-20.0, 20.0}) {
            const Solved run =
                Solve(road, 300, s, 2e-7, 50000, 6.0f, s < 0 ? 6.3f : 6.05f, s < 0 ? 7.15f : 6.9f);
            EXPECT_EQ(run.code, LammResult::Solved) << s;
            EXPECT_LT(run.time, 7200.0) << s;
            EXPECT_EQ(run.largest.back(), 0.0) << s;
        }
}

} // namespace
