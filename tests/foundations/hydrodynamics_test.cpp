// Hydrodynamic formulas: the worked molar mass of 4.5 S, round trips between s, D, M and radius,
// Svedberg's equation tying the D and M formulas together, guards and their messages.
#include "foundations/error_box_log.h"
#include "foundations/hydrodynamics.h"
#include "foundations/physical_constants.h"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "support/reset_all_state.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace {

class Hydrodynamics : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAllState();
        TakeErrorBoxes();
    }
    void TearDown() override { ResetAllState(); }

    static void SetSolution(float vbar, float density, float viscosity) {
        ScanStore::vbar = vbar;
        ScanStore::density = density;
        ScanStore::viscosity = viscosity;
        ScanStore::vbarRho = vbar * density;
    }
};

} // namespace

TEST_F(Hydrodynamics, MassOfFourAndAHalfSvedberg) {
    // vbar 0.73, water, f/f0 1.2: about 5.84e4 Da (58,367 by hand).
    EXPECT_NEAR(CalculateM(4.5f), 58367.0, 60.0);
    EXPECT_NEAR(CalculateMff02(4.5f, 1.2f), CalculateM(4.5f), 1e-6);
    EXPECT_EQ(CalculateM(0.0f), 0.0);
    EXPECT_TRUE(TakeErrorBoxes().empty());
    // M grows as (f/f0 s)^1.5.
    EXPECT_NEAR(CalculateMff02(9.0f, 1.2f) / CalculateMff02(4.5f, 1.2f), std::pow(2.0, 1.5), 1e-9);
}

TEST_F(Hydrodynamics, GuardsShowTheirMessagesAndFallBack) {
    struct Case {
        const char* message; // empty: no box expected
        std::function<double()> call;
        double fallback;
    };
    const Case cases[] = {
        {"(mass == 0)||(vbar== 0) in function CalculateRadius",
         [] { return CalculateRadius(0, 0.73f); }, 0},
        {"(mass == 0)||(vbar== 0) in function CalculateRadius",
         [] { return CalculateRadius(1e5f, 0); }, 0},
        {"vbar <= 0 in function CalculateMassFromSedcoeffSphere",
         [] { return CalculateMassFromSedcoeffSphere(4, 1, 0, 1); }, 0},
        {"vbar20 <= 0 in function S20ToStokesRadius", [] { return S20ToStokesRadius(4, 0); }, 0},
        {"mass <= 0 in function CalculateHydratedRadius", [] { return CalculateHydratedRadius(0); },
         0},
        {"", [] { return DFromSandM(0, 4, 20); }, kDefaultDiffusion},
        {"", [] { return DFromSandM(1e5f, 0, 20); }, kDefaultDiffusion},
        {"", [] { return double(MFromSandD(4, 0, 20)); }, 0},
        {"", [] { return double(MFromSandD(4, -1e-7f, 20)); }, 0},
        {"", [] { return MassFromRadius(-1, 0.73f); }, 0},
        {"", [] { return StokesEinsteinD(0, 20); }, 0},
        {"", [] { return CalculateDfromM(0, 20); }, kDefaultDiffusion},
        {"", [] { return CalculateMassFromSedcoeffSphere(0, 1, 0, 1); }, 0},
        {"", [] { return FrictionFromMandS(1e5f, 0, 0.73f, 1); }, 0},
        {"", [] { return double(SphereFrictionCoefficient(-1, 0.73f)); }, 0},
        {"", [] { return double(FrictionalRatio(0, 4, 0.73f, 1, 1)); }, 0},
    };
    for (const Case& c : cases) {
        EXPECT_FLOAT_EQ(static_cast<float>(c.call()), static_cast<float>(c.fallback)) << c.message;
        auto boxes = TakeErrorBoxes();
        if (std::string(c.message).empty()) {
            EXPECT_TRUE(boxes.empty());
        } else {
            ASSERT_EQ(boxes.size(), 1u) << c.message;
            EXPECT_EQ(boxes[0].text, c.message);
            EXPECT_FALSE(boxes[0].fatal);
        }
    }
    SetSolution(0, 1, 1);
    const std::pair<const char*, std::function<double()>> current[] = {
        {"VBAR <= 0 in function CalculateM", [] { return CalculateM(4.5f); }},
        {"VBAR <= 0 in function CalculateMff02", [] { return CalculateMff02(4.5f, 1); }},
        {"VBAR <= 0 in function CalculateHydratedRadius",
         [] { return CalculateHydratedRadius(1e5f); }},
    };
    for (const auto& [message, call] : current) {
        EXPECT_EQ(call(), 0.0);
        auto boxes = TakeErrorBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, message);
    }
    EXPECT_EQ(CalculateMff02(0, 1), 0.0); // s = 0 is tested first, silently
    EXPECT_TRUE(TakeErrorBoxes().empty());
}

TEST_F(Hydrodynamics, RoundTrips) {
    SetSolution(0.72f, 1.01f, 1.05f);
    for (float M : {1e3f, 6.6e4f, 1.5e6f}) {
        EXPECT_NEAR(MassFromRadius(static_cast<float>(CalculateRadius(M, 0.72f)), 0.72f), M,
                    1e-5 * M);
        float s = 4.2f;
        double D = DFromSandM(M, s, 20.0f);
        EXPECT_NEAR(MFromSandD(s, static_cast<float>(D), 20.0f), M, 1e-5 * M);
        EXPECT_NEAR(SFromMandD(M, static_cast<float>(D), 20.0f), s, 1e-5 * s);
    }
    for (float s : {-3.0f, 0.5f, 11.0f}) {
        auto s20 = static_cast<float>(SToS20wInBuffer(s));
        EXPECT_NEAR(S20wToSInBuffer(s20), s, 1e-5 * std::fabs(s));
    }
    EXPECT_GT(DFromSandM(1e5f, -4.0f, 20.0f), 0.0);
    EXPECT_FLOAT_EQ(static_cast<float>(DFromSandM(1e5f, -4.0f, 20.0f)),
                    static_cast<float>(DFromSandM(1e5f, 4.0f, 20.0f)));
}

TEST_F(Hydrodynamics, SvedbergEquationLinksTheFormulas) {
    // D of a particle (Stokes-Einstein) and its s (Svedberg) must give back its mass through the
    // s -> M formula of the same frictional ratio. The gas constant of the formulas differs from
    // N_A k_B by 1.2e-5 relative.
    for (float ff0 : {1.0f, 1.2f, 1.8f}) {
        for (float M : {1.4e4f, 1.5e5f, 2e6f}) {
            double D = CalculateDfromMff0(M, 20.0f, ff0);
            double s = SFromMandD(M, static_cast<float>(D), 20.0f);
            EXPECT_NEAR(CalculateMff02(static_cast<float>(s), ff0), M, 5e-5 * M) << ff0 << " " << M;
        }
    }
    gFrictionalRatio = 1.5f;
    EXPECT_DOUBLE_EQ(CalculateDfromM(1e5f, 20.0f), CalculateDfromMff0(1e5f, 20.0f, 1.5f));
    EXPECT_DOUBLE_EQ(StokesEinsteinD(3e-9f, 25.0f), DiffusionFromRadius(3e-9f, 25.0f));
    // Stokes radius: f/f0 times the radius of the anhydrous sphere of the mass that s20,w gives
    // in water at 20 C (that mass grows as (f/f0)^1.5).
    double r = S20ToStokesRadius(4.5f, 0.73f);
    double mass =
        CalculateMassFromSedcoeffSphere(4.5f, 1.0f, 0.73f, PhysicalConstants::waterDensity) *
        std::pow(1.5, 1.5);
    double sphere = CalculateRadius(static_cast<float>(mass), 0.73f);
    EXPECT_NEAR(r, 1.5 * sphere, 1e-4 * r);
}

TEST_F(Hydrodynamics, FrictionalRatioRecoversItsInputAndRestoresViscosity) {
    ScanStore::viscosity = 1.3f;
    for (float ff0 : {1.0f, 1.25f, 2.0f}) {
        double s = SFromMandFf0(1e5f, 0.73f, 20.0f, 1.0f, ff0);
        EXPECT_NEAR(FrictionalRatio(1e5f, static_cast<float>(s), 0.73f, 1.0f, 1.0f), ff0, 1e-4);
        EXPECT_EQ(ScanStore::viscosity, 1.3f);
        // D from the measured friction equals Stokes-Einstein with that ratio.
        EXPECT_NEAR(DFromFriction(1e5f, static_cast<float>(s), 0.73f, 20.0f, 1.0f, 1.0f),
                    CalculateDfromMff0(1e5f, 20.0f, ff0) * 1.3,
                    1e-4 * CalculateDfromMff0(1e5f, 20.0f, ff0));
    }
}

TEST_F(Hydrodynamics, S20wConversionOfWaterIsIdentity) {
    EXPECT_FLOAT_EQ(ConvertToS20w(5.0f, PhysicalConstants::waterViscosity,
                                  PhysicalConstants::waterDensity, 0.73f, 0.73f),
                    5.0f);
    // Twice the viscosity sediments half as fast, so s20,w is twice s.
    EXPECT_NEAR(ConvertToS20w(5.0f, 2 * PhysicalConstants::waterViscosity,
                              PhysicalConstants::waterDensity, 0.73f, 0.73f),
                10.0f, 1e-5f);
    EXPECT_NEAR(ConvertFromS20w(10.0f, 2 * PhysicalConstants::waterViscosity,
                                PhysicalConstants::waterDensity, 0.73f, 0.73f),
                5.0f, 1e-5f);
}

// Water's viscosity against the tabulated values (cP) from 4 to 37 C; 20 C is the constant.
TEST_F(Hydrodynamics, WaterViscosityFollowsTheTableOverTheRunTemperatures) {
    EXPECT_DOUBLE_EQ(WaterViscosityAt(20.0), double(PhysicalConstants::waterViscosity));
    const double table[][2] = {{4.0, 1.5674}, {10.0, 1.3059}, {25.0, 0.8900}, {37.0, 0.6913}};
    for (const auto& [t, centipoise] : table)
        EXPECT_NEAR(WaterViscosityAt(t) / (centipoise * 1e-3), 1.0, 0.015) << t << " C";
}
