// The Lamm solvers of the simulation grid on physics: amount, radial dilution of the plateau,
// the boundary's second moment, the approach to sedimentation equilibrium, the non-diffusing
// limit and grid convergence, for the moving hat, the fixed grid with and without an active
// region, the rectangular cell and the external loading cell.
#include "scandata/scan_store_alloc.h"
#include "state/lamm_grid.h"
#include "support/module_solver_harness.h"
#include "support/reset_all_state.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

const SolverRoad kRoads[] = {SolverRoad::MovingHat, SolverRoad::FixedGrid, SolverRoad::ActiveRegion,
                             SolverRoad::Rectangular, SolverRoad::ExternalLoading};

const char* Name(SolverRoad road) {
    switch (road) {
    case SolverRoad::MovingHat:
        return "moving hat";
    case SolverRoad::FixedGrid:
        return "fixed grid";
    case SolverRoad::ActiveRegion:
        return "active region";
    case SolverRoad::Rectangular:
        return "rectangular cell";
    case SolverRoad::ExternalLoading:
        return "external loading cell";
    }
    return "";
}

class ModuleSolverPhysics : public ::testing::Test {
  protected:
    void TearDown() override { ResetAllState(); }
};

} // namespace

// Closed bottom, no back-diffusion shut-off: nothing leaves the cell. The plateau falls with the
// radial dilution and the boundary moves with the frame of a particle at the meniscus.
TEST_F(ModuleSolverPhysics, ConservesAmountDilutesThePlateauAndMovesTheBoundary) {
    for (SolverRoad road : kRoads) {
        ModuleCase mc;
        mc.road = road;
        mc.scans = 24; // long enough for the active region to leave the depleted meniscus
        ModuleRun run(mc);
        run.Run();
        SCOPED_TRACE(Name(road));
        ASSERT_EQ(run.result, LammResult::Solved);
        // the active region drops what has fallen below the truncation level (1e-6 of the
        // loading) at the meniscus; everything else is exact to rounding
        const double amountTolerance = road == SolverRoad::ActiveRegion ? 1e-6 : 1e-10;
        EXPECT_NEAR(run.finalAmount / run.loadedAmount, 1.0, amountTolerance);
        const double k = run.SOmega2();
        for (int scan : {4, 12, 24}) {
            const double t = run.ScanTime(scan);
            const double plateau = mc.c0 * std::exp((run.Sector() ? -2.0 : -1.0) * k * t);
            EXPECT_NEAR(run.ValueAt(scan, 7.05) / plateau, 1.0, 1e-5) << scan;
            EXPECT_NEAR(run.BoundaryPosition(scan, 7.05) / (mc.meniscus * std::exp(k * t)), 1.0,
                        2e-4)
                << scan;
        }
    }
}

// A short column at low speed reaches sedimentation equilibrium, where the flux s omega^2 r c -
// D dc/dr vanishes: c ~ exp(s omega^2 r^2 / (2 D)) in every geometry.
TEST_F(ModuleSolverPhysics, ApproachesTheEquilibriumExponential) {
    for (SolverRoad road : kRoads) {
        ModuleCase mc = ShortColumnCase(18.0, 1e-6, 10000, 4, 1e5);
        mc.road = road;
        ModuleRun run(mc);
        run.Run();
        SCOPED_TRACE(Name(road));
        ASSERT_EQ(run.result, LammResult::Solved);
        EXPECT_LT(DeviationFromEquilibrium(run, mc.scans), 2e-3);
    }
}

// Without diffusion the boundary is a step at m exp(s omega^2 t) in front of the diluted
// plateau.
TEST_F(ModuleSolverPhysics, NearlyNonDiffusingSpeciesFollowTheClosedForm) {
    for (SolverRoad road : kRoads) {
        ModuleCase mc;
        mc.road = road;
        mc.D = 5e-8;
        mc.gridSize = 2000;
        ModuleRun run(mc);
        run.Run();
        SCOPED_TRACE(Name(road));
        ASSERT_EQ(run.result, LammResult::Solved);
        const double k = run.SOmega2();
        for (int scan : {2, 12}) {
            const double t = run.ScanTime(scan);
            const double boundary = mc.meniscus * std::exp(k * t);
            const double plateau = mc.c0 * std::exp((run.Sector() ? -2.0 : -1.0) * k * t);
            const double width = std::sqrt(2.0 * mc.D * t);
            double worst = 0.0;
            for (double r = mc.meniscus + 0.005; r < 7.1; r += 0.002) {
                if (std::fabs(r - boundary) < 4.0 * width + 0.01)
                    continue;
                const double expected = r < boundary ? 0.0 : plateau;
                worst = std::max(worst, std::fabs(run.ValueAt(scan, r) - expected));
            }
            EXPECT_LT(worst, 1e-3) << scan;
        }
    }
}

// The error against a fine grid falls with the grid step.
TEST_F(ModuleSolverPhysics, GridRefinementConverges) {
    for (SolverRoad road : kRoads) {
        SCOPED_TRACE(Name(road));
        auto lastScan = [road](int n) {
            ModuleCase mc;
            mc.road = road;
            mc.gridSize = n;
            mc.scans = 6;
            ModuleRun run(mc);
            run.Run();
            std::vector<double> v;
            for (double r = 6.02; r < 7.15; r += 0.002)
                v.push_back(run.ValueAt(mc.scans, r));
            return v;
        };
        const std::vector<double> fine = lastScan(4000);
        double previous = 1.0;
        for (int n : {250, 500, 1000}) {
            const std::vector<double> v = lastScan(n);
            double worst = 0.0;
            for (std::size_t i = 0; i < v.size(); ++i)
                worst = std::max(worst, std::fabs(v[i] - fine[i]));
            EXPECT_LT(worst, 0.6 * previous) << n;
            previous = worst;
        }
    }
}

// While the rotor accelerates, the plateau follows the integral of omega^2 over time: the solvers
// take the speed of every step of the ramp as the root mean square over the step.
TEST_F(ModuleSolverPhysics, ThePlateauFollowsTheRotorRamp) {
    for (SolverRoad road : kRoads) {
        SCOPED_TRACE(Name(road));
        ModuleCase mc;
        mc.road = road;
        mc.scans = 6, mc.firstScanS = 100.0, mc.intervalS = 100.0;
        PrepareModuleCase(mc);
        const double rate = 200.0; // rpm/s, at speed after 250 s
        ScanStore::rampRotorSpeed = true;
        for (int scan = 1; scan <= mc.scans; ++scan)
            ScanStore::header[scan].originalTime = ScanStore::header[scan].time;
        LammGrid::accelerating = true;
        LammGrid::accelerationRate = rate;
        LammGrid::accelerationTime = mc.rpm / rate;
        LammGrid::maxDtAcceleration = 1.0;
        ASSERT_EQ(SolveModuleCase(mc), LammResult::Solved);
        EXPECT_FALSE(LammGrid::accelerating);
        const ModuleRun run(mc);
        for (int scan : {2, 6}) {
            const double t = run.ScanTime(scan);
            const double w = mc.rpm * M_PI / 30.0, ta = mc.rpm / rate;
            const double omega2t = t <= ta ? std::pow(rate * t * M_PI / 30.0, 2) * t / 3.0
                                           : w * w * (t - 2.0 * ta / 3.0);
            const double plateau =
                mc.c0 * std::exp((run.Sector() ? -2.0 : -1.0) * mc.s * 1e-13 * omega2t);
            EXPECT_NEAR(run.ValueAt(scan, 7.05) / plateau, 1.0, 1e-5) << scan;
        }
    }
}

// Flotation: the boundary leaves the bottom and the plateau below it is compressed by the same
// radial factor exp(-2 s omega^2 t), now above 1; nothing leaves the closed cell.
TEST_F(ModuleSolverPhysics, FlotationKeepsTheAmountAndCompressesThePlateau) {
    for (SolverRoad road : {SolverRoad::MovingHat, SolverRoad::FixedGrid}) {
        SCOPED_TRACE(Name(road));
        ModuleCase mc;
        mc.road = road;
        mc.s = -4.5;
        ModuleRun run(mc);
        run.Run();
        ASSERT_EQ(run.result, LammResult::Solved);
        EXPECT_NEAR(run.finalAmount / run.loadedAmount, 1.0, 1e-10);
        const double k = run.SOmega2();
        for (int scan : {4, 12}) {
            const double plateau = mc.c0 * std::exp(-2.0 * k * run.ScanTime(scan));
            EXPECT_NEAR(run.ValueAt(scan, 6.15) / plateau, 1.0, 1e-5) << scan;
        }
    }
}
