// "Fit M and s": the Svedberg conversion between D and M with worked numbers, its round trip,
// values without a partner, and the 20 C assumption made while no scans are loaded.
#include "fitting/default_parameters.h"
#include "fitting/svedberg_relation.h"
#include "scandata/scan_store_alloc.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/main_window_fixture.h"
#include "support/store_builder.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

using M = ModelParameters;

TEST(SpeciesForm, SvedbergRelationWorkedNumbers) {
    struct Case {
        const char* name;
        float s, value, rt, vRho, expected;
    };
    // M = |s| 1e-6 RT / ((1 - vbar rho) D), D in 1e-7 cm^2/s.
    const std::vector<Case> cases = {
        {"4 S, D 5 at 20 C", 4.0f, 5.0f, 2.436e10f, 0.73f, 72177.78f},
        {"back from that M", 4.0f, 72177.78f, 2.436e10f, 0.73f, 5.0f},
        {"floating species", -10.0f, 3.0f, 2.436e10f, 0.73f, 300740.7f},
        {"other buoyancy", 4.0f, 5.0f, 2.5e10f, 0.7f, 66666.67f},
        {"no value", 4.0f, 0.0f, 2.436e10f, 0.73f, 0.0f},
        {"negative value", 4.0f, -5.0f, 2.436e10f, 0.73f, 0.0f},
        {"s of 0", 0.0f, 5.0f, 2.436e10f, 0.73f, 0.0f},
        {"no buoyancy", 4.0f, 5.0f, 2.436e10f, 1.0f, 0.0f},
    };
    for (const Case& c : cases) {
        float got = ConvertDOrM(c.s, c.value, c.rt, c.vRho);
        EXPECT_NEAR(got, c.expected, 1e-6 * c.expected + 1e-12) << c.name;
    }
}

class FitMAndS : public ::testing::Test {
  protected:
    void SetUp() override {
        ModelChoice::equilibriumMs = false; // species in the s-and-D form
        const float s[5] = {0, 4.0f, -10.0f, 4.0f, 0.0f};
        const float d[5] = {0, 5.0f, 3.0f, 0.0f, 5.0f};
        for (int k = 1; k <= 4; ++k) {
            M::speciesS[k] = s[k];
            M::speciesDOrM[k] = d[k];
            M::speciesDOrMFloat[k] = k % 2;
        }
        PackFitParameters();
    }
    void Toggle() {
        plat::test::command(f.window.get(), 217);
        f.script.pumpUntilIdle();
    }
    MainWindowFixture f;
};

TEST_F(FitMAndS, WithoutScansAssumesTwentyDegreesAndConvertsBothWays) {
    f.script.expectBox().caption("").text("assuming t = 20 'C");
    Toggle();
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_FLOAT_EQ(ScanStore::gasConstantTimesT, 2.436e10f);
    EXPECT_TRUE(ModelChoice::equilibriumMs);
    EXPECT_TRUE(f.window->GetMenuModel()->IsChecked(217));
    const float m[5] = {0, 72177.78f, 300740.7f, 0.0f, 0.0f};
    for (int k = 1; k <= 4; ++k) {
        EXPECT_NEAR(M::speciesDOrM[k], m[k], 1e-6 * m[k]) << k;
        EXPECT_EQ(M::fitValues[k], M::speciesDOrM[k]) << "packed " << k;
        EXPECT_EQ(M::fitFloat[k], k % 2) << "float flag kept " << k;
        EXPECT_EQ(M::fitValues[4 + k], M::speciesS[k]) << "s packed " << k;
    }

    f.script.expectBox().caption("").text("assuming t = 20 'C");
    Toggle();
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_FALSE(ModelChoice::equilibriumMs);
    EXPECT_FALSE(f.window->GetMenuModel()->IsChecked(217));
    // The starting D come back up to rounding; a species without a value stays without one.
    const float d[5] = {0, 5.0f, 3.0f, 0.0f, 0.0f};
    for (int k = 1; k <= 4; ++k)
        EXPECT_NEAR(M::speciesDOrM[k], d[k], 1e-6f * d[k]) << k;
}

TEST_F(FitMAndS, LoadedScansGiveTheirOwnTemperature) {
    auto flat = [](float) { return 1.0f; };
    FillStore({EvenScan(6.0f, 0.01f, 10, 100.0, flat)});
    ScanStore::gasConstantTimesT = 2.5e10f;
    ScanStore::vbarRho = 0.7f;
    Toggle(); // no box with scans loaded
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_NEAR(M::speciesDOrM[1], 66666.67f, 0.1f);
    EXPECT_FLOAT_EQ(ScanStore::gasConstantTimesT, 2.5e10f);
}

// At start-up the packed vector was empty while the species held their defaults, so the first
// toggle unpacked zeros and lost species 1.
TEST(FitMAndSAtStart, ConvertsTheDefaultSpecies) {
    MainWindowFixture f;
    for (float& v : M::fitValues)
        v = 0.0f;
    InitDefaultParameters();
    ASSERT_TRUE(ModelChoice::equilibriumMs); // the program starts in the M-and-s form
    f.script.expectBox().text("assuming t = 20 'C");
    plat::test::command(f.window.get(), 217);
    f.script.pumpUntilIdle();
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    // D = 4 x 1e-6 x 2.436e10 / (0.27 x 50000) in 1e-7 cm^2/s
    EXPECT_NEAR(M::speciesDOrM[1], 7.21778f, 1e-5f);
    EXPECT_FLOAT_EQ(M::speciesS[1], 4.0f);
    EXPECT_FLOAT_EQ(M::concentration[1], 0.5f);
}

} // namespace
