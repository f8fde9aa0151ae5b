// Analytic boundaries, smoothing, rotor speed in the acceleration phase, the back-diffusion test
// and the progress texts of the module-wide solvers.
#include "scandata/scan_store_alloc.h"
#include "simulation/analytic_profiles.h"
#include "simulation/progress_texts.h"
#include "simulation/speed_and_equilibrium.h"
#include "state/fluorophore.h"
#include "state/lamm_grid.h"
#include "support/cell_fixture.h"
#include "support/store_builder.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

class AnalyticProfiles : public CellTest {};

std::vector<float> Radii(float first, float step, int n) {
    std::vector<float> r(n + 1);
    for (int i = 1; i <= n; ++i)
        r[i] = first + step * (i - 1);
    return r;
}

float Zero(float) {
    return 0.0f;
}

} // namespace

TEST(Erfc, MatchesTheLibraryFunction) {
    for (float x : {-3.0f, -1.0f, -0.2f, 0.0f, 0.1f, 0.5f, 1.0f, 2.0f, 4.0f}) {
        const double exact = std::erfc(double(x));
        EXPECT_NEAR(Erfc(x), exact, 1e-6 * std::max(exact, 1e-3)) << x;
    }
}

TEST_F(AnalyticProfiles, FaxenBoundaryDilutesBehindAndVanishesAtTheMeniscus) {
    const float omega2s = float(std::pow(50000 * 2 * M_PI / 60, 2) * 5e-13);
    const float d = 5e-7f, c0 = 1.0f;
    const double t = 2000.0;
    std::vector<float> r = Radii(6.0f, 0.01f, 121), out(122);
    FaxenApproxProfile(c0, t, r.data(), out.data(), 121, omega2s, d, 6.0f);
    EXPECT_LT(out[1], 1e-3);
    EXPECT_NEAR(out[121], c0 * std::exp(-2.0 * omega2s * t), 1e-5);
    for (int i = 2; i <= 121; ++i)
        ASSERT_GE(out[i], out[i - 1] - 1e-6) << i;
    // without time or sedimentation the sharp limit holds, never NaN
    FaxenApproxProfile(c0, 0.0, r.data(), out.data(), 121, omega2s, d, 6.0f);
    EXPECT_FLOAT_EQ(out[1], 0.5f);
    EXPECT_FLOAT_EQ(out[60], 1.0f);
    FaxenApproxProfile(c0, t, r.data(), out.data(), 121, 0.0f, d, 6.0f);
    for (int i = 1; i <= 121; ++i)
        ASSERT_FALSE(std::isnan(out[i])) << i;
    EXPECT_FLOAT_EQ(out[60], 1.0f);
}

TEST_F(AnalyticProfiles, MovingAverageAveragesTransmission) {
    std::vector<float> x = Radii(6.0f, 0.001f, 50), y(51, 0.8f);
    MovingAverageOfLogValues(50, 0.008f, x.data(), y.data());
    for (int i = 1; i <= 50; ++i)
        ASSERT_NEAR(y[i], 0.8f, 1e-6) << i;
    // two points inside one window: the mean of the transmissions, not of the densities
    std::vector<float> x2 = {0.0f, 6.0f, 6.001f}, y2 = {0.0f, 0.0f, 1.0f};
    MovingAverageOfLogValues(2, 0.01f, x2.data(), y2.data());
    EXPECT_NEAR(y2[1], -std::log10(0.55), 1e-6);
    EXPECT_NEAR(y2[2], -std::log10(0.55), 1e-6);
}

TEST_F(AnalyticProfiles, BottomShadowHalvesTheBottomOnly) {
    DetectionCorrections::coneRadius = 0.02f;
    std::vector<float> x = Radii(7.1f, 0.01f, 11), y(12, 1.0f);
    ApplyBottomShadow(11, x.data(), y.data());
    for (int i = 1; i <= 7; ++i)
        EXPECT_EQ(y[i], 1.0f) << i;
    EXPECT_NEAR(y[11], 0.5f, 1e-5);
    EXPECT_LT(y[10], 1.0f);
    EXPECT_GT(y[10], 0.5f);
    DetectionCorrections::coneRadius = 0.0f;
    std::vector<float> same(12, 1.0f);
    ApplyBottomShadow(11, x.data(), same.data());
    EXPECT_EQ(same[11], 1.0f);
}

TEST_F(AnalyticProfiles, RadialConvolutionKeepsAPlateau) {
    DetectionCorrections::convolutionWidth = 0.005f;
    DetectionCorrections::convolutionCutoff = 2.0f;
    std::vector<float> x = Radii(6.0f, 0.001f, 1201), y(1202, 0.7f);
    ConvolveRadialGaussian(1201, x.data(), y.data());
    EXPECT_NEAR(y[600], 0.7f, 1e-6);
    // at the meniscus half of the Gaussian lies outside the cell and carries no signal
    EXPECT_LT(y[1], 0.5f);
}

TEST_F(AnalyticProfiles, EffectiveRotorSpeedDuringAcceleration) {
    LammGrid::maxRotorSpeed = 20000.0;
    LammGrid::accelerationRate = 200.0;
    struct Case {
        double accelerationTime, t, dt, rpm;
        bool accelerating;
    };
    const Case cases[] = {
        {5.0, 0.0, 1.0, 20000.0, false},           // too short to simulate
        {100.0, 10.0, 10.0, std::sqrt(1e7), true}, // rms of 2000 and 4000 rpm
        {100.0, 99.0, 10.0, 20000.0, true},        // capped at the final speed
        {100.0, 100.0, 10.0, 20000.0, false},      // after the phase
    };
    for (const Case& c : cases) {
        LammGrid::accelerationTime = c.accelerationTime;
        LammGrid::accelerating = true;
        EXPECT_NEAR(EffectiveRotorOmega(c.t, c.dt), c.rpm, 1e-6) << c.t;
        EXPECT_EQ(LammGrid::accelerating, c.accelerating) << c.t;
    }
}

TEST_F(AnalyticProfiles, BackDiffusionTest) {
    FillStore({EvenScan(6.05f, 0.01f, 100, 1000.0, Zero)});
    ScanStore::header[1].temperature = 20.0f;
    ScanStore::rightFitLimit = 6.8f;
    struct Case {
        const char* name;
        bool option;
        float rpm;
        double s, d;
        bool expected;
    };
    const Case cases[] = {
        {"floating species", true, 50000.0f, -4.0, 6e-7, false},
        {"no diffusion", true, 50000.0f, 4.0, 0.0, false},
        {"option off", false, 50000.0f, 100.0, 1e-8, false},
        {"reduced mass beyond 100", true, 50000.0f, 100.0, 1e-8, true},
        {"steep equilibrium gradient", true, 50000.0f, 4.0, 6e-7, true},
        {"nearly uniform at low speed", true, 3000.0f, 4.0, 6e-7, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LammGrid::shutOffBackDiffusion = c.option;
        ScanStore::header[1].rotorSpeed = c.rpm;
        EXPECT_EQ(CheckEquilibriumExponentRange(c.s, c.d), c.expected);
    }
}

TEST_F(AnalyticProfiles, ProgressTexts) {
    char text[120];
    EXPECT_EQ(std::string(FormatTimeStepText(text, sizeof text, 0.5)), "dt = 0.500000 sec  ");
    EXPECT_EQ(std::string(FormatIterationText(text, sizeof text, 12)), "#it = 12   ");
    EXPECT_EQ(std::string(FormatSimTimeText(text, sizeof text, 123.4)), "t = 123 sec  ");
    LammGrid::profileCurves = true;
    LammGrid::totalAmount = 1.5;
    EXPECT_EQ(std::string(FormatSimTimeText(text, sizeof text, 123.4)),
              "t = 123 sec (M=1.500000) ");
    EXPECT_EQ(std::string(FormatRiText(text, sizeof text, 0.25f)), "ri=0.250000  ");
    // without a progress window nothing is drawn
    ShowTimeStepText(0.5);
    ShowRiText(1.0f);
}
