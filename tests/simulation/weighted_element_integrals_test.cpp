// Element integrals of the rectangular and external-loading cells: the sums that make the
// solution conserve the amount, the closed forms against the numerical integrals, the oil layer.
#include "simulation/lamm_arrays.h"
#include "simulation/weighted_element_integrals.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/cell_fixture.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>

namespace {

constexpr int kN = 121;

class WeightedIntegrals : public CellTest {
  protected:
    void SetUp() override {
        CellTest::SetUp();
        ModelChoice::claverieAlgorithm = true;
        LammGrid::gridSize = kN;
        ASSERT_TRUE(AllocLammArrays());
    }
    static double R(int i) { return LammGrid::radius[i]; }
};

struct Geometry {
    const char* name;
    std::function<void()> choose;
    // integral of w over the column
    std::function<double()> crossSection;
};

double Column() {
    return LammGrid::radius[kN] - LammGrid::radius[1];
}

double NarrowedColumn() {
    const double tail = LammGrid::radius[kN] - ExternalCellNarrowingStart();
    return Column() - (0.311 / 0.0373) * tail * tail / 2.0;
}

} // namespace

// The mass columns sum to the hat integrals and the transport columns to zero, so
// 1' M c is the amount and no step makes or loses material; the hat integrals add up to the
// cross-section integral (the single integral is an amount, with its element width).
TEST_F(WeightedIntegrals, ColumnsSumToTheAmountOfEachNode) {
    const Geometry geometries[] = {
        {"linear Lamm equation", [] { ModelChoice::linearLamm = true; }, Column},
        {"electrophoresis", [] { ModelChoice::electrophoresis = true; }, Column},
        {"third geometry", [] { ModelChoice::thirdGeometry = true; }, Column},
        {"external loading cell, oil 0.01 ml", [] { ModelChoice::externalLoadingCell = true; },
         NarrowedColumn},
        {"external loading cell, no oil",
         [] {
             ModelChoice::externalLoadingCell = true;
             ModelParameters::oilVolume = 0.0f;
         },
         NarrowedColumn},
    };
    for (const Geometry& g : geometries) {
        SCOPED_TRACE(g.name);
        ModelChoice::ResetToDefaults();
        ModelChoice::claverieAlgorithm = true;
        ModelParameters::oilVolume = 0.01f;
        g.choose();
        const CellGeometry w = ChosenCellGeometry();
        double total = 0.0;
        for (int j = 1; j <= kN; ++j) {
            double mass = 0.0, diffusion = 0.0, sedimentation = 0.0;
            for (int i = j - 1; i <= j + 1; ++i) {
                mass += FeElemRomberg2A(w, j, i);
                diffusion += FeElemRomberg2B(w, j, i);
                sedimentation += FeElemRomberg2C(w, j, i);
            }
            ASSERT_NEAR(mass, FeElemRomberg1(w, j), 1e-13) << j;
            ASSERT_NEAR(diffusion, 0.0, 1e-9) << j;
            ASSERT_NEAR(sedimentation, 0.0, 1e-12) << j;
            total += FeElemRomberg1(w, j);
        }
        EXPECT_NEAR(total, g.crossSection(), 1e-12);
    }
}

// Where the weight is 1 the numerical integrals are the closed forms; an oil layer deeper than
// the narrowing section leaves the whole column rectangular.
TEST_F(WeightedIntegrals, ClosedFormsAreTheIntegralsOfUnitWeight) {
    ModelChoice::thirdGeometry = true;
    CellGeometry w = ChosenCellGeometry();
    // Romberg extrapolation of exact polynomial integrands: rounding only (the sedimentation
    // entry of a node is the difference of its two elements', each of the size of r)
    auto same = [](double a, double b, double scale = 0.0) {
        return std::fabs(a - b) <= 1e-12 * (std::fabs(b) + scale);
    };
    for (int i = 1; i <= kN; ++i) {
        for (int j = i - 1; j <= i + 1; ++j) {
            ASSERT_TRUE(same(FeElemRomberg2A(w, j, i), RectElementMass(j, i))) << i << " " << j;
            ASSERT_TRUE(same(FeElemRomberg2B(w, j, i), RectElementDiff(j, i))) << i << " " << j;
            ASSERT_TRUE(same(FeElemRomberg2C(w, j, i), RectElementSed(j, i), R(i)))
                << i << " " << j;
        }
        ASSERT_TRUE(same(FeElemRomberg1(w, i), RectElementSingle(i))) << i;
    }
    ModelChoice::thirdGeometry = false;
    ModelChoice::externalLoadingCell = true;
    ModelParameters::oilVolume = 0.02f;
    w = ChosenCellGeometry();
    EXPECT_GT(w.narrowingStart, R(kN));
    for (int j = kN - 1; j <= kN; ++j)
        EXPECT_EQ(FeElemRomberg2A(w, j, kN), RectElementMass(j, kN));
}

// The oil fills the narrowing section from the bottom up to the height x whose volume, under a
// cross-section growing linearly from 1 - a to 1 of 0.32 x 1.2 cm, is the oil volume; the
// narrowing above the oil starts at r_n - (L - x).
TEST_F(WeightedIntegrals, OilVolumeSetsTheStartOfTheNarrowing) {
    ModelChoice::externalLoadingCell = true;
    const double a = 0.311, L = 0.0373;
    for (float oil : {0.0f, 0.002f, 0.01f, 0.012f}) {
        ModelParameters::oilVolume = oil;
        const double x = L - (R(kN) - ExternalCellNarrowingStart());
        EXPECT_NEAR(0.32 * 1.2 * ((1.0 - a) * x + a * x * x / (2.0 * L)), oil, 1e-9) << oil;
    }
    const CellGeometry w = ChosenCellGeometry();
    const double r0 = w.narrowingStart;
    EXPECT_EQ(w.Weight(r0 - 1e-3), 1.0);
    EXPECT_NEAR(w.Weight(r0 + L), 1.0 - a, 1e-12);
    // a rectangular cell chosen with it keeps its unit cross-section
    ModelChoice::linearLamm = true;
    EXPECT_EQ(ChosenCellGeometry().Weight(r0 + L), 1.0);
}

TEST_F(WeightedIntegrals, IndicesOutsideTheGridGiveZero) {
    for (auto geometry : {&ModelChoice::linearLamm, &ModelChoice::externalLoadingCell,
                          &ModelChoice::thirdGeometry}) {
        *geometry = true;
        const CellGeometry w = ChosenCellGeometry();
        EXPECT_EQ(FeElemRomberg2A(w, 0, 1), 0.0);
        EXPECT_EQ(FeElemRomberg2B(w, kN + 1, kN), 0.0);
        EXPECT_EQ(FeElemRomberg2C(w, 0, 1), 0.0);
        EXPECT_EQ(FeElemRomberg1(w, kN + 1), 0.0);
        EXPECT_EQ(FeElemRomberg2A(w, 3, 1), 0.0);
        *geometry = false;
    }
}

// Romberg extrapolation is exact for polynomials and converges for smooth integrands.
TEST_F(WeightedIntegrals, RombergIntegratesToItsTolerance) {
    const struct {
        double (*f)(double);
        double a, b, exact;
    } cases[] = {
        {[](double x) { return x * x * x; }, 0.0, 2.0, 4.0},
        {[](double x) { return std::exp(x); }, 0.0, 1.0, std::exp(1.0) - 1.0},
        {[](double x) { return std::sin(x); }, 0.0, M_PI, 2.0},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(RombergIntegrate(c.f, c.a, c.b), c.exact, 3e-6 * std::fabs(c.exact));
}
