// The simulation grid's shapes against their closed forms, the sizing of the growing grid and
// the refinement near the bottom.
#include "simulation/lamm_arrays.h"
#include "simulation/radial_grid.h"
#include "state/dls_data.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/cell_fixture.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

class RadialGrid : public CellTest {
  protected:
    static void Select(bool movingHat, bool claverie) {
        ModelChoice::movingHatAlgorithm = movingHat;
        ModelChoice::claverieAlgorithm = claverie;
    }
    static void ExpectIncreasing() {
        const double* r = LammGrid::radius;
        for (int i = 2; i <= LammGrid::allocatedGridSize; ++i)
            ASSERT_LT(r[i - 1], r[i]) << "at " << i;
    }
};

} // namespace

TEST_F(RadialGrid, ShapesEndAtTheirClosedForms) {
    const float m = 6.0f, b = 7.2f;
    struct Case {
        const char* name;
        bool movingHat, claverie;
        double sGrid;
        double first, second, last;
    };
    const int n = 1000;
    const double q = double(b) / double(m);
    const Case cases[] = {
        {"cell-centred", false, false, 0.0, 6.0006, 6.0018, 7.1994},
        {"uniform", false, true, 0.0, m, m + 1.2 / 999.0, b},
        {"geometric", true, false, 5.0, m, m * std::pow(q, 0.5 / 999.0), b},
        {"geometric, floating", true, false, -5.0, m, m * std::pow(q, 1.5 / 999.0), b},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FreeLammArrays();
        Select(c.movingHat, c.claverie);
        LammGrid::sGrid = c.sGrid;
        LammGrid::gridSize = n;
        ASSERT_TRUE(AllocLammArrays());
        const double* r = LammGrid::radius;
        EXPECT_NEAR(r[1], c.first, 2e-6);
        EXPECT_NEAR(r[2], c.second, 2e-6);
        EXPECT_NEAR(r[n], c.last, 2e-6);
        ExpectIncreasing();
    }
}

TEST_F(RadialGrid, EndsAreExactlyMeniscusAndBottom) {
    for (bool movingHat : {false, true}) {
        FreeLammArrays();
        Select(movingHat, !movingHat);
        LammGrid::gridSize = 333;
        ASSERT_TRUE(AllocLammArrays());
        EXPECT_EQ(LammGrid::radius[1], double(ModelParameters::meniscus));
        EXPECT_EQ(LammGrid::radius[333], double(ModelParameters::bottom));
    }
}

TEST_F(RadialGrid, GeometricInteriorHasConstantRatio) {
    Select(true, false);
    LammGrid::gridSize = 200;
    ASSERT_TRUE(AllocLammArrays());
    const double g = std::pow(double(7.2f) / 6.0, 1.0 / 199.0);
    for (int i = 3; i <= 199; ++i)
        EXPECT_NEAR(LammGrid::radius[i] / LammGrid::radius[i - 1], g, 1e-12) << i;
}

TEST_F(RadialGrid, RebuildFollowsMeniscusAndBottom) {
    Select(false, true);
    LammGrid::gridSize = 100;
    ASSERT_TRUE(AllocLammArrays());
    ModelParameters::meniscus = 5.9f;
    ModelParameters::bottom = 7.1f;
    BuildRadialGrid();
    EXPECT_EQ(LammGrid::radius[1], double(5.9f));
    EXPECT_EQ(LammGrid::radius[100], double(7.1f));
    // light-scattering data keep whatever the radius array holds
    gDlsData = true;
    ModelParameters::meniscus = 5.8f;
    BuildRadialGrid();
    EXPECT_EQ(LammGrid::radius[1], double(5.9f));
    gDlsData = false;
}

TEST_F(RadialGrid, GrowingGridFollowsItsStepLaw) {
    Select(false, true);
    LammGrid::gridSize = 1000;
    const double m = 6.0f, b = 7.2f, r0 = 6.1;
    const int n = SetupLammGrid(r0);
    ASSERT_TRUE(LammGrid::arraysAllocated);
    EXPECT_EQ(n, LammGrid::gridSize);
    EXPECT_EQ(n, LammGrid::allocatedGridSize);
    EXPECT_LT(n, 1000);
    EXPECT_GE(n, 50);
    EXPECT_TRUE(LammGrid::growingGridBuilt);
    EXPECT_FALSE(LammGrid::growingGrid);
    const double* r = LammGrid::radius;
    const double h = (b - m) / 999.0;
    EXPECT_EQ(r[1], m);
    EXPECT_EQ(r[n], b);
    int k = 2;
    for (; r[k - 1] <= r0; ++k)
        EXPECT_NEAR(r[k], m + (k - 1) * h, 1e-12) << k;
    for (; k < n; ++k) {
        const double step = h * std::sqrt((r0 / r[k - 1]) * ((r[k - 1] - m) / (r0 - m)));
        EXPECT_NEAR(r[k] - r[k - 1], step, 1e-12) << k;
    }
    // the last regular step would have passed the bottom
    const double last = h * std::sqrt((r0 / r[n - 1]) * ((r[n - 1] - m) / (r0 - m)));
    EXPECT_GE(r[n - 1] + last, b);
    ExpectIncreasing();
}

TEST_F(RadialGrid, GrowingGridTooShortFallsBackToFiftyUniformPoints) {
    Select(false, true);
    LammGrid::gridSize = 1000;
    // r0 just inside the meniscus: the steps grow so fast that far fewer than 50 points remain
    EXPECT_EQ(SetupLammGrid(6.0 + 1e-5), 50);
    EXPECT_FALSE(LammGrid::growingGridBuilt);
    const double h = (7.2 - 6.0) / 49.0;
    EXPECT_NEAR(LammGrid::radius[2] - LammGrid::radius[1], h, 1e-6);
    EXPECT_EQ(LammGrid::radius[50], double(7.2f));
}

TEST_F(RadialGrid, SetupKeepsTheSizeForDegenerateInput) {
    struct Case {
        const char* name;
        bool movingHat, claverie;
        double r0;
        int n;
    };
    const Case cases[] = {
        {"moving hat", true, false, 6.1, 400},
        {"non-ideal solvers", false, false, 6.1, 400},
        {"r0 at the meniscus", false, true, 6.0, 400},
        {"fewer than 50 points", false, true, 6.1, 40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FreeLammArrays();
        Select(c.movingHat, c.claverie);
        LammGrid::gridSize = c.n;
        ASSERT_TRUE(AllocLammArrays());
        EXPECT_EQ(SetupLammGrid(c.r0), c.n);
        EXPECT_EQ(LammGrid::allocatedGridSize, c.n);
        EXPECT_FALSE(LammGrid::growingGridBuilt);
    }
}

TEST_F(RadialGrid, SpacingParameterSolvesItsResidual) {
    const double m = 6.0f, b = 7.2f;
    for (double sigma : {5.0, 10.0, 30.0, 60.0}) {
        SCOPED_TRACE(sigma);
        FreeLammArrays();
        Select(false, true);
        LammGrid::gridSize = 1000;
        const int n = SetupLammGrid(6.05);
        ASSERT_TRUE(LammGrid::growingGridBuilt);
        ASSERT_TRUE(SolveGridSpacingParameter(sigma));
        const double* r = LammGrid::radius;
        EXPECT_EQ(r[n], b);
        EXPECT_EQ(r[1], m);
        ExpectIncreasing();
        double rStar = m + 0.1 * (b - m);
        if (sigma > 10.0)
            rStar = std::max(rStar, b * std::sqrt(1.0 - 10.0 / (sigma * b * b)));
        const int k = LammGrid::refineIndex;
        EXPECT_GT(r[k], rStar);
        EXPECT_LE(r[k - 1], rStar);
        EXPECT_NEAR(GridSpacingResidual(LammGrid::refineFactor), 0.0, 1e-5);
        // geometric continuation with the solved factor
        for (int i = k + 2; i < n; ++i)
            EXPECT_NEAR((r[i] - r[i - 1]) / (r[i - 1] - r[i - 2]), LammGrid::refineFactor, 1e-6);
    }
}

// Near the bottom the equilibrium boundary of a large species leaves hundreds of points for a few
// micrometres: the solved factor shrinks the steps to nothing, so the grid stays unrefined.
TEST_F(RadialGrid, SpacingParameterRefusesCollapsingSteps) {
    Select(false, true);
    LammGrid::gridSize = 1000;
    const int n = SetupLammGrid(6.05);
    ASSERT_TRUE(LammGrid::growingGridBuilt);
    const std::vector<double> before(LammGrid::radius, LammGrid::radius + n + 1);
    EXPECT_FALSE(SolveGridSpacingParameter(300.0));
    EXPECT_EQ(std::vector<double>(LammGrid::radius, LammGrid::radius + n + 1), before);
    ExpectIncreasing();
}

TEST_F(RadialGrid, SpacingParameterRefinesOnlyAGrowingGrid) {
    Select(false, true);
    LammGrid::gridSize = 300;
    EXPECT_FALSE(SolveGridSpacingParameter(50.0)); // no arrays
    ASSERT_TRUE(AllocLammArrays());
    EXPECT_FALSE(SolveGridSpacingParameter(50.0)); // uniform grid
    SetupLammGrid(6.05);
    ASSERT_TRUE(LammGrid::growingGridBuilt);
    LammGrid::backDiffusionShutOff = true;
    const double before = LammGrid::radius[10];
    EXPECT_FALSE(SolveGridSpacingParameter(50.0));
    EXPECT_EQ(LammGrid::radius[10], before);
}
