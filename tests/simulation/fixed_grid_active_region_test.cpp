// The active region of the fixed-grid solver: early in a run, with the back-diffusion shut-off,
// it covers the boundary near the meniscus only, and cutting the grid there changes no profile.
#include "scandata/scan_store_alloc.h"
#include "simulation/fixed_grid_solver.h"
#include "simulation/module_solvers.h"
#include "simulation/scan_output.h"
#include "state/lamm_grid.h"
#include "support/module_solver_harness.h"
#include "support/reset_all_state.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

// Hands the profiles to the scans and notes the widest active region up to a time.
class RegionWatch : public CLammSink {
  public:
    RegionWatch(const CFixedGridSolver& solver, double untilS) : solver_(solver), until_(untilS) {}
    void Step(CGridClock& clock, double change) override {
        if (clock.time <= until_) {
            widest = std::max(widest, solver_.ActiveRight() - solver_.ActiveLeft() + 1);
            ++steps;
        }
        scans_.Step(clock, change);
    }
    void Remaining(const CGridClock& clock, bool zeros) override { scans_.Remaining(clock, zeros); }
    void ShowPellet(const CBottomPellet* pellet) override { scans_.ShowPellet(pellet); }

    int widest = 0, steps = 0;

  private:
    const CFixedGridSolver& solver_;
    double until_;
    CScanOutput scans_;
};

std::vector<float> FitOf(int scan) {
    return {ScanStore::fit[scan] + 1, ScanStore::fit[scan] + ScanStore::pointCount[scan] + 1};
}

} // namespace

// A region that opens to the whole grid at once (or grows without the boundary) costs a full
// solve per step; one that lags the boundary cuts the profile. Both are checked over the first
// two scans of a 1000-node grid, where the boundary spans about a tenth of the column.
TEST(FixedGridActiveRegion, StaysNarrowEarlyInARunAndChangesNoProfile) {
    struct Case {
        const char* name;
        double s, D;
    } const cases[] = {{"4.5 S", 4.5, 6e-7}, {"10 S, slow diffusion", 10.0, 2e-7}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ModuleCase mc;
        mc.road = SolverRoad::ActiveRegion;
        mc.s = c.s, mc.D = c.D;
        mc.scans = 2;
        PrepareModuleCase(mc);
        CLammControl control = LammControlOfRecord();
        control.backDiffusionShutOff = true;
        CFixedGridSolver solver;
        RegionWatch watch(solver, mc.firstScanS + mc.intervalS);
        CGridClock clock = ModuleCaseClock(mc);
        ASSERT_EQ(solver.Run(LammProblemOfRecord(), control, clock, watch), LammResult::Solved);
        ASSERT_GT(watch.steps, 0);
        // The boundary's far edge: its midpoint moved with s omega^2 plus ten diffusion lengths;
        // the region may reach one margin (a tenth of the grid) beyond it.
        const int n = mc.gridSize;
        const double t = mc.firstScanS + mc.intervalS;
        const double w = mc.rpm * M_PI / 30.0;
        const double edge =
            mc.meniscus * std::exp(c.s * 1e-13 * w * w * t) + 10.0 * std::sqrt(2.0 * c.D * t);
        const int allowed = int((edge - mc.meniscus) / (mc.bottom - mc.meniscus) * n) + n / 10;
        EXPECT_LE(watch.widest, allowed)
            << "widest active region " << watch.widest << " of " << n << " nodes";
        const std::vector<float> truncated = FitOf(2);

        // the same run on the whole grid
        PrepareModuleCase(mc);
        control = LammControlOfRecord();
        control.backDiffusionShutOff = true;
        control.truncateGrid = false;
        CScanOutput scans;
        clock = ModuleCaseClock(mc);
        CFixedGridSolver().Run(LammProblemOfRecord(), control, clock, scans);
        const std::vector<float> whole = FitOf(2);
        ASSERT_EQ(truncated.size(), whole.size());
        double worst = 0.0;
        for (std::size_t i = 0; i < whole.size(); ++i)
            worst = std::max(worst, double(std::fabs(truncated[i] - whole[i])));
        EXPECT_LT(worst, 1e-4) << "largest difference to the whole grid " << worst;
    }
    ResetAllState();
}
