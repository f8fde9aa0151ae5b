// The automatic node count of the simulation grid: the boundary width when it reaches the first
// fitted radius against its closed form, the geometric grid's count, the limits, and the grid of
// the module-wide road sized per species and held through an optimiser run.
#include "simulation/automatic_grid_size.h"
#include "simulation/discrete_sed.h"
#include "simulation/discrete_sed_module.h"
#include "simulation/lamm_arrays.h"
#include "state/held_discretisation.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/reset_all_state.h"
#include "support/velocity_store.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace {

GridSizeInputs Protein(double s, double d, double rpm) {
    GridSizeInputs in;
    in.sS = s;
    in.dCm2s = d;
    in.rpm = rpm;
    in.meniscus = 6.0;
    in.bottom = 7.2;
    in.firstFitRadius = 6.05;
    return in;
}

// The first interval of the geometric grid of n nodes between m and b.
double FirstGeometricInterval(int n, double m, double b) {
    const double q = b / m;
    return (std::pow(q, 1.5 / (n - 1)) - std::pow(q, 0.5 / (n - 1))) * m;
}

TEST(AutomaticGridSize, ResolvesTheBoundaryWhereItReachesTheFirstFittedRadius) {
    struct Case {
        const char* name;
        double s, d, rpm, rate, duration;
    };
    const Case cases[] = {
        {"4.5 S at 50000 rpm", 4.5, 6e-7, 50000, 0, 0},
        {"20 S at 40000 rpm", 20.0, 3e-7, 40000, 0, 0},
        // the meniscus moves less than 0.05 cm during the ramp
        {"short ramp", 4.5, 6e-7, 50000, 200, 250},
        // a slow ramp carries the boundary past the first fitted radius
        {"long ramp", 40.0, 2e-7, 50000, 5, 10000},
    };
    for (const Case& c : cases) {
        GridSizeInputs in = Protein(c.s, c.d, c.rpm);
        in.accelerationRate = c.rate;
        in.accelerationTime = c.duration;
        in.maxNodes = 100000;
        const GridSizeChoice out = ChooseAutomaticGridSize(in);
        ASSERT_TRUE(out.sized) << c.name;
        EXPECT_GT(out.frictionalRatio, 0.5) << c.name;
        // tau from the meniscus's travel at full speed, after the distance of the ramp
        const double w2s = std::pow(c.rpm * std::numbers::pi / 30.0, 2) * c.s * 1e-13;
        const double wa = c.rate * std::numbers::pi / 30.0;
        const double ramp = c.s * 1e-13 * wa * wa * 6.0 * std::pow(c.duration, 3) / 3.0;
        const double travel = 0.05;
        const double tau =
            travel <= ramp ? travel / (w2s * 6.05) : (travel - ramp) / (w2s * 6.05) + c.duration;
        const double width = std::max(std::sqrt(c.d * tau), 0.001);
        EXPECT_NEAR(out.boundaryWidth / width, 1.0, 1e-9) << c.name;
        EXPECT_EQ(out.uniformCount, int(std::floor(1.2 * 5.0 / width))) << c.name;
        // the fewest geometric nodes whose first interval is no wider than the uniform step
        const double h = width / 5.0;
        if (out.movingCount > in.minNodes) {
            EXPECT_LE(FirstGeometricInterval(out.movingCount, 6.0, 7.2), h * 1.0000001) << c.name;
            EXPECT_GT(FirstGeometricInterval(out.movingCount - 2, 6.0, 7.2), h) << c.name;
        }
        EXPECT_EQ(out.nodes, out.uniformCount) << c.name;
        in.movingHat = true;
        EXPECT_EQ(ChooseAutomaticGridSize(in).nodes, out.movingCount) << c.name;
    }
}

// No real particle (f/f0 below 0.5) and no rotor speed keep the default grid; counts stay
// inside the limits.
TEST(AutomaticGridSize, KeepsItsLimits) {
    GridSizeInputs tiny = Protein(4.5, 1e-4, 50000);
    EXPECT_FALSE(ChooseAutomaticGridSize(tiny).sized);
    EXPECT_LT(ChooseAutomaticGridSize(tiny).frictionalRatio, 0.5);

    GridSizeInputs fine = Protein(4.5, 6e-7, 50000);
    fine.pointsPerSigma = 1e6;
    EXPECT_EQ(ChooseAutomaticGridSize(fine).nodes, fine.maxNodes);
    fine.movingHat = true;
    EXPECT_EQ(ChooseAutomaticGridSize(fine).nodes, fine.maxNodes);

    GridSizeInputs coarse = Protein(4.5, 6e-7, 50000);
    coarse.pointsPerSigma = 1e-3;
    EXPECT_EQ(ChooseAutomaticGridSize(coarse).nodes, coarse.minNodes);

    EXPECT_FALSE(ChooseAutomaticGridSize(Protein(4.5, 6e-7, 0)).sized);
}

class ModuleRoadGrid : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAllState();
        VelocitySet set;
        set.species = {{4.5, 6e-7, 1.0}};
        set.scans = 5;
        FillVelocityStore(set);
        ModelChoice::automaticAlgorithm = false;
        ModelChoice::claverieAlgorithm = true;
        ModelChoice::movingHatAlgorithm = false;
        // a uniform grid: the count alone tells the resolution
        LammGrid::optimizeGridSpacing = false;
        AllocLammArrays();
    }
    void TearDown() override { ResetAllState(); }

    static int NodesFor(double dCm2s) {
        ModelParameters::speciesDOrM[1] = float(dCm2s * 1e7);
        PackFitParameters();
        HeldDiscretisation::BeginEvaluation();
        RunDiscreteSedOnGrid(nullptr);
        return LammGrid::allocatedGridSize;
    }
};

// Each species gets the nodes its boundary needs (four times slower diffusion, half the width,
// twice the nodes); without the automatic size the default grid.
TEST_F(ModuleRoadGrid, SizesTheGridForEachSpecies) {
    const int n = NodesFor(6e-7);
    EXPECT_NE(n, LammGrid::defaultGridSize);
    EXPECT_GT(n, 75);
    EXPECT_NEAR(double(NodesFor(1.5e-7)) / n, 2.0, 0.02);
    ModelParameters::autoGridSize = false;
    EXPECT_EQ(NodesFor(6e-7), LammGrid::defaultGridSize);
}

// Within an optimiser run the first evaluation's grid (with its margin) stays while D moves under
// the optimiser's steps; a trial that needs a finer grid marks the run for sizing again.
TEST_F(ModuleRoadGrid, HoldsTheGridThroughAnOptimiserRun) {
    const int own = NodesFor(6e-7);
    HeldDiscretisation::Scope scope;
    const int held = NodesFor(6e-7);
    EXPECT_NEAR(double(held) / own, HeldDiscretisation::kMargin, 0.01);
    EXPECT_EQ(NodesFor(6.3e-7), held);
    EXPECT_EQ(NodesFor(5.7e-7), held);
    EXPECT_FALSE(HeldDiscretisation::Outgrown());
    EXPECT_EQ(NodesFor(3e-7), held);
    EXPECT_TRUE(HeldDiscretisation::Outgrown());
}

} // namespace
