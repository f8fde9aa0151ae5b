// Shape models: ellipsoid axial ratios at and below the hydrated sphere, rods and wormlike chains
// (limits, continuity between branches, mass from s round trips), the power laws, root searches.
#include "foundations/error_box_log.h"
#include "foundations/hydrodynamics.h"
#include "foundations/roots.h"
#include "foundations/shape_models.h"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "support/reset_all_state.h"
#include "support/temp_folder.h"

#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {
class ShapeModelsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAllState();
        TakeErrorBoxes();
    }
    void TearDown() override { ResetAllState(); }
};
} // namespace

TEST_F(ShapeModelsTest, EllipsoidAxialRatios) {
    const float vbar = 0.73f, hydration = 0.3f, density = 1.0f;
    const double sphere = std::cbrt((vbar + hydration * density) / vbar);
    const float atSphere = static_cast<float>(sphere);
    EXPECT_FLOAT_EQ(CalculateProlateRatio(atSphere, vbar, hydration, density), 1.0f);
    EXPECT_FLOAT_EQ(CalculateOblateRatio(atSphere, vbar, hydration, density), 1.0f);
    EXPECT_EQ(CalculateProlateRatio(atSphere * 0.9f, vbar, hydration, density), 0.0f);
    EXPECT_EQ(CalculateOblateRatio(atSphere * 0.9f, vbar, hydration, density), 0.0f);
    // x = 1: the polynomial sums.
    const float twice = static_cast<float>(2 * sphere);
    EXPECT_NEAR(CalculateProlateRatio(twice, vbar, hydration, density), 20.053933, 1e-3);
    EXPECT_NEAR(CalculateOblateRatio(twice, vbar, hydration, density), 22.690350, 1e-3);
    // The six-argument form takes f/f0 from M and s.
    double s = SFromMandFf0(1e5f, vbar, 20.0f, density, twice);
    EXPECT_NEAR(CalculateProlateRatio(1e5f, static_cast<float>(s), vbar, hydration, density, 1.0f),
                20.053933, 0.05);
    EXPECT_TRUE(TakeErrorBoxes().empty());
    EXPECT_EQ(CalculateOblateRatio(1.5f, 0.5f, -2.0f, 1.0f), 0.0f);
    auto boxes = TakeErrorBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "(vbar+hydration*density)/vbar <= 0 in function CalculateOblateRatio");
}

TEST_F(ShapeModelsTest, RodMassFromSRoundTrip) {
    ShapeModels::rodMassPerLength = 1000.0;
    double last = 0.0;
    for (double M : {2e4, 1e5, 1e6, 1e7}) {
        double s = SOfLinearRod(M);
        EXPECT_GT(s, last) << M;
        last = s;
    }
    for (double M : {1e5, 3e6}) {
        ShapeModels::rodMassPerLength = 1000.0;
        double s = SOfLinearRod(M);
        EXPECT_NEAR(CalculateMofSforLinearRod(static_cast<float>(s), 1000.0f), M, 1e-3 * M);
    }
    EXPECT_TRUE(TakeErrorBoxes().empty());
    EXPECT_EQ(CalculateMofSforLinearRod(0.0f, 1000.0f), 0.0); // nothing to search for
    ShapeModels::rodMassPerLength = 0.5;
    EXPECT_EQ(SOfLinearRod(1e5), 0.0);
}

TEST_F(ShapeModelsTest, WormlikeChainLimitsAndRoundTrip) {
    EXPECT_EQ(SOfWormlikeChain(8000.0), 0.0f);
    // Short chains (reduced length below 0.1) are rods of the chain's mass per length.
    float shortChain = SOfWormlikeChain(5e4);
    EXPECT_GT(shortChain, 0.0f);
    EXPECT_FLOAT_EQ(shortChain, static_cast<float>(SOfLinearRod(5e4)));
    // s grows with M, and the two branches of the friction expansion meet near L = 2.4.
    float previous = 0.0f;
    for (double M : {2e5, 1e6, 3e6, 4.0e6, 4.2e6, 1e7}) {
        float s = SOfWormlikeChain(M);
        EXPECT_GT(s, previous) << M;
        previous = s;
    }
    // L = 2.4 at M = 2.4 * 2 q M_L; compare the branches just below and above it.
    double a = 9000.0 * 0.73 * 1e21 / 6.023e23 / 23.0;
    double atBranch = 2.4 * 2 * 36.0 * (9000.0 / a);
    float below = SOfWormlikeChain(atBranch * 0.9999), above = SOfWormlikeChain(atBranch * 1.0001);
    EXPECT_NEAR(above / below, 1.0, 0.01);
    for (double M : {3e5, 5e6}) {
        float s = SOfWormlikeChain(M);
        EXPECT_NEAR(CalculateMofSforWormlikeChain(s), M, 2e-3 * M) << M;
    }
    // An s whose compact sphere is lighter than one monomer returns that sphere's mass.
    float tiny = 0.3f;
    EXPECT_FLOAT_EQ(CalculateMofSforWormlikeChain(tiny),
                    static_cast<float>(CalculateMff02(tiny, 1.0f)));
    EXPECT_TRUE(TakeErrorBoxes().empty());
}

TEST_F(ShapeModelsTest, PowerLaws) {
    EXPECT_NEAR(SFromM(1e5f), 3.5596, 1e-3);
    EXPECT_NEAR(VbarFromMass(1e5f), 1.044389, 1e-6);
    EXPECT_NEAR(MFromSScalingLaw(static_cast<float>(SFromMScalingLaw(2.5e5f))), 2.5e5f, 10.0f);
    EXPECT_NEAR(SFromMScalingLaw(1e5f), 0.003 * std::pow(1e5, 0.667), 1e-6);
    EXPECT_EQ(SFromM(0), 0.0);
    EXPECT_EQ(VbarFromMass(0), 0.0);
    auto boxes = TakeErrorBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "mass == 0 in function SFromM");
    EXPECT_EQ(boxes[1].text, "mass == 0 in function VbarFromMass");
}

namespace {
double Shifted(double x) {
    return x * x - 2.0;
}
double Above(double x) {
    return x * x + 1.0;
}
} // namespace

TEST_F(ShapeModelsTest, RootSearchesReportMissingBrackets) {
    EXPECT_NEAR(Zbrent(Shifted, 0.0, 2.0, 1e-10), std::sqrt(2.0), 1e-7);
    EXPECT_NEAR(FindRootBrent(Shifted, 0.0, 2.0, 1e-10), std::sqrt(2.0), 1e-7);
    EXPECT_TRUE(TakeErrorBoxes().empty());
    Zbrent(Above, 0.0, 2.0, 1e-6);
    auto boxes = TakeErrorBoxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes[0].text, "too many iterations finding root");
    EXPECT_EQ(FindRootBrent(Above, 0.5, 2.0, 1e-6), 0.5);
    EXPECT_TRUE(TakeErrorBoxes().empty());
    ShapeModels::wormChainSearch = true;
    FindRootBrent(Above, 0.5, 2.0, 1e-6);
    boxes = TakeErrorBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "problem in finding M(s) for low Mw in worm-like chain model");
}

TEST_F(ShapeModelsTest, WormChainTableHoldsS20wAndMass) {
    std::vector<float> s{0, 2.0f, 4.0f}, m{0, 1e5f, 3e5f};
    ContiState::gridPoints = 2;
    ContiState::sValues = s.data();
    ContiState::mValues = m.data();
    TempFolder dir;
    ASSERT_TRUE(WriteWormChainMofSTable(dir.file("~WormChain_mofs.dat").c_str()));
    // Water at 20 C with vbar 0.73: s20,w = s (0.99823 vs 1.0 density) within 0.5 %.
    double f = (1 - 0.73 * 0.99823) / (1 - 0.73);
    double row[4] = {};
    std::string text = ReadTextFile(dir.file("~WormChain_mofs.dat"));
    ASSERT_EQ(
        std::sscanf(text.c_str(), "\t%lf\t%lf\n\t%lf\t%lf\n", &row[0], &row[1], &row[2], &row[3]),
        4)
        << text;
    const double expected[4] = {2.0 * f, 1e5 * f * 0.001, 4.0 * f, 3e5 * f * 0.001};
    for (int k = 0; k < 4; ++k)
        EXPECT_NEAR(row[k], expected[k], 1e-6 * expected[k]) << k;
    ContiState::sValues = ContiState::mValues = nullptr;
}
