// With the final profile to the last scan, the list of solver objects and this engine's grid
// solvers end alike: at equilibrium (or with the species gone from the data), the last scan
// replaced by that final profile, the earlier scans as without the option.
#include "plat/testing.hpp"
#include "scandata/scan_store_alloc.h"
#include "simulation/discrete_sed_module.h"
#include "simulation/lamm_arrays.h"
#include "simulation/simulation_switches.h"
#include "state/fit_services.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/reset_all_state.h"
#include "support/velocity_store.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

using S = ScanStore;

std::vector<float> ScanFit(int k) {
    return std::vector<float>(S::fit[k] + 1, S::fit[k] + 1 + S::pointCount[k]);
}

class FinalProfileRoads : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
    void TearDown() override { ResetAllState(); }
};

// The amount of signal in the sector over the scan's radii (trapezoids of c r dr).
double Amount(int k, const std::vector<float>& fit) {
    double amount = 0.0;
    for (int i = 1; i < S::pointCount[k]; ++i) {
        const double r0 = S::radius[k][i], r1 = S::radius[k][i + 1];
        amount += 0.5 * (r1 - r0) * (fit[std::size_t(i - 1)] * r0 + fit[std::size_t(i)] * r1);
    }
    return amount;
}

// 4.5 S ends pelleted at the bottom (nothing left below 7.1 cm), 0.2 S as a gradient over the
// whole cell; the pile-up within 0.1 cm of the bottom is compared by its amount. Before, the
// objects ran on to 1e8 s (their equilibrium test never counted their short steps) and left
// the last scan as it was.
TEST_F(FinalProfileRoads, SolverObjectsEndLikeTheGridSolvers) {
    struct Case {
        const char* name;
        double s;
        bool movingHat;
    } const cases[] = {
        {"moving hat, 4.5 S", 4.5, true},
        {"fixed grid, 4.5 S", 4.5, false},
        {"fixed grid, 0.2 S", 0.2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetAllState();
        VelocitySet set;
        set.species = {{c.s, 6e-7, 1.0}};
        set.scans = 5;
        FillVelocityStore(set);
        const int last = S::scanCount;
        ModelChoice::automaticAlgorithm = false;
        ModelChoice::movingHatAlgorithm = c.movingHat;
        ModelChoice::claverieAlgorithm = !c.movingHat;
        plat::test::Script script; // no box
        RunDiscreteSed(nullptr);
        const std::vector<float> plain = ScanFit(last - 1);
        const std::vector<float> before = ScanFit(last);
        LammGrid::finalProfileToLastScan = true;
        RunDiscreteSed(nullptr); // the list of solver objects
        const std::vector<float> objects = ScanFit(last);
        double moved = 0.0;
        const std::vector<float> earlier = ScanFit(last - 1);
        for (std::size_t i = 0; i < plain.size(); ++i)
            moved = std::max(moved, double(std::fabs(earlier[i] - plain[i])));
        EXPECT_LT(moved, 5e-3) << "an earlier scan changed";
        AllocLammArrays();
        RunDiscreteSedOnGrid(nullptr);
        const std::vector<float> grid = ScanFit(last);
        EXPECT_TRUE(script.done()) << script.logText();
        double worst = 0.0, replaced = 0.0, scale = 1.0;
        for (std::size_t i = 0; i < grid.size(); ++i) {
            replaced = std::max(replaced, double(std::fabs(objects[i] - before[i])));
            if (S::radius[last][i + 1] <= 7.1f) {
                worst = std::max(worst, double(std::fabs(grid[i] - objects[i])));
                scale = std::max(scale, double(std::fabs(grid[i])));
            }
        }
        EXPECT_GT(replaced, 0.1) << "the last scan kept its own profile";
        EXPECT_LT(worst, 5e-3 * scale) << "below 7.1 cm, largest value " << scale;
        EXPECT_NEAR(Amount(last, objects) / Amount(last, grid), 1.0, 0.01);
    }
}

// Late in a run the moving grid's period ends lie where a fixed clock tolerance of 1e-10 s is
// below the spacing of doubles: the run stood still at the first of them (at about 1e6 s) and
// ended in a discretisation error. The same scans a million seconds later, from a start time a
// million seconds later, give the same models.
TEST_F(FinalProfileRoads, MovingGridRunsOnLateInTheRun) {
    VelocitySet set;
    set.species = {{0.5, 6e-7, 1.0}}; // slow: steps of a tenth of the grid period
    set.scans = 5;
    FillVelocityStore(set);
    ModelChoice::automaticAlgorithm = false;
    ModelChoice::movingHatAlgorithm = true;
    ModelChoice::claverieAlgorithm = false;
    plat::test::Script script; // no box
    AllocLammArrays();
    RunDiscreteSedOnGrid(nullptr);
    std::vector<std::vector<float>> early;
    for (int k = 1; k <= S::scanCount; ++k)
        early.push_back(ScanFit(k));
    constexpr double kLater = 1e7;
    for (int k = 1; k <= S::scanCount; ++k) {
        S::header[k].time += kLater;
        S::header[k].originalTime += kLater;
    }
    ModelParameters::startTimeOn = true;
    ModelParameters::startTime = float(kLater);
    PackFitParameters();
    RunDiscreteSedOnGrid(nullptr);
    EXPECT_TRUE(script.done()) << script.logText();
    double worst = 0.0;
    for (int k = 1; k <= S::scanCount; ++k) {
        const std::vector<float> late = ScanFit(k);
        for (std::size_t i = 0; i < late.size(); ++i)
            worst = std::max(worst, double(std::fabs(late[i] - early[std::size_t(k - 1)][i])));
    }
    EXPECT_LT(worst, 1e-4);
}

} // namespace
