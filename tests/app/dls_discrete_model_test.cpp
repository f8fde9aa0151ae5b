// The discrete light-scattering models on decays of known truth, chosen and fitted through the
// menu: one species gives back its Stokes radius, the cumulants of a single decay are its D with
// no spread, whether the curves are held as g(2)-1 or as g(1).
#include "plat/testing.hpp"
#include "scandata/dls_acf_conversion.h"
#include "simulation/dls_discrete_model.h"
#include "simulation/dls_kernels.h"
#include "state/dls_data.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/preference_switches.h"
#include "state/scan_store.h"
#include "support/dls_file_generator.h"
#include "support/main_window_fixture.h"
#include "support/model_road.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

using M = ModelParameters;
using S = ScanStore;

constexpr double kTrueD = 5e-7;    // cm^2/s
constexpr double kQ2 = 3.50363e14; // 1/m^2 of the loader's default curve at 90 degrees
constexpr double kAmplitude = 0.8; // of g(1)
constexpr double kOffset = 0.004;  // of g(2)-1 held as such: a baseline

// g(2)-1 of the single decay, 1e-7 .. 1e-1 s, with seeded noise and an offset.
std::string DecayText(unsigned seed, double offset) {
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, 1e-3);
    DlsFileContent c;
    for (int i = 0; i <= 120; ++i) {
        const double lag = std::pow(10.0, -7.0 + i / 20.0);
        const double g1 = kAmplitude * std::exp(-1e-4 * kTrueD * kQ2 * lag);
        c.lags.push_back(lag);
        c.values.push_back(g1 * g1 + offset + noise(random));
    }
    return DlsFileText(c);
}

void LoadDecays(MainWindowFixture& f, bool asIntensity) {
    gAlwaysLoadG2 = asIntensity;
    const double offset = asIntensity ? kOffset : 0.0;
    f.script.expectFileOpen().answer(
        std::vector<std::string>{f.data.write("a.dlsdat", DecayText(1, offset)),
                                 f.data.write("b.dlsdat", DecayText(2, offset))});
    SendCommand(f, 298); // load DLS Data
}

double Rmsd() {
    double sum = 0.0;
    int n = 0;
    for (int k = 1; k <= S::scanCount; ++k)
        for (int p = 1; p <= S::pointCount[k]; ++p, ++n)
            sum += std::pow(double(S::fit[k][p]) - double(S::signal[k][p]), 2);
    return n > 0 ? std::sqrt(sum / n) : -1.0;
}

struct Road {
    const char* name;
    int command;
    bool asIntensity;
};

class DlsDiscreteModel : public testing::TestWithParam<Road> {};

TEST_P(DlsDiscreteModel, FitGivesBackTheDecayOfKnownTruth) {
    const Road road = GetParam();
    MainWindowFixture f;
    f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
    LoadDecays(f, road.asIntensity);
    ASSERT_EQ(S::scanCount, 2) << f.script.logText();
    ASSERT_NEAR(DlsScatteringVectorSquared(S::dlsRecords[1]), kQ2, 1e-4 * kQ2);
    ASSERT_EQ(S::dlsRecords[1].isFieldAcf, !road.asIntensity);
    SendCommand(f, road.command);

    const double celsius = S::absoluteTemperature - 273.15;
    const double trueRadiusNm = StokesRadiusDiffusion(1.0, celsius) / kTrueD;
    const bool cumulants = ModelChoice::dlsCumulants;
    for (int i = 1; i <= M::maxSpecies; ++i) {
        M::speciesIncluded[i] = cumulants ? i <= 3 : i == 1; // slots 2, 3: the cumulants
        M::speciesDOrMFloat[i] = M::concentrationFloat[i] = M::speciesSFloat[i] = 0;
    }
    // A start well off the truth: twice the radius, or 60% of the D.
    M::speciesDOrM[1] = cumulants ? float(0.6 * kTrueD * 1e7) : float(2.0 * trueRadiusNm);
    M::concentration[1] = 0.5f;
    M::speciesDOrMFloat[1] = M::concentrationFloat[1] = M::baselineFloat = 1;
    M::baseline = 0.0f;
    if (cumulants) {
        M::speciesDOrM[2] = 0.5f; // a spread the single decay does not have
        M::speciesDOrM[3] = 0.0f;
        M::speciesDOrMFloat[2] = 1;
        M::concentration[2] = M::concentration[3] = 0.0f;
    }
    PackFitParameters();

    SendCommand(f, 213);
    ASSERT_TRUE(S::resultAvailable) << f.script.logText();
    const double runRmsd = Rmsd();
    FitWithLevenbergMarquardt(f);
    UnpackFitParameters();

    // g(1) is the signed root of the noisy g(2)-1: its noise grows where the decay has gone.
    EXPECT_LT(Rmsd(), road.asIntensity ? 2e-3 : 3e-2) << f.script.logText();
    EXPECT_LT(Rmsd(), runRmsd);
    EXPECT_NEAR(M::concentration[1], kAmplitude, 0.02 * kAmplitude);
    // (the root's noise, some 0.03 where the decay has gone, leaves the field's baseline looser)
    EXPECT_NEAR(M::baseline, road.asIntensity ? kOffset : 0.0, road.asIntensity ? 1e-3 : 1e-2);
    if (cumulants) {
        EXPECT_NEAR(M::speciesDOrM[1] * 1e-7, kTrueD, 0.02 * kTrueD);
        // No spread: the polydispersity mu2 / D^2 (both in their units of 1e-7 cm^2/s) as small
        // as the noise lets least squares find it (the noisier g(1) a little larger).
        const double d = M::speciesDOrM[1];
        EXPECT_NEAR(M::speciesDOrM[2] / (d * d), 0.0, 0.02);
    } else {
        EXPECT_NEAR(M::speciesDOrM[1], trueRadiusNm, 0.02 * trueRadiusNm);
    }
}

INSTANTIATE_TEST_SUITE_P(Menu, DlsDiscreteModel,
                         testing::Values(Road{"StokesRadiiOnIntensity", 536, true},
                                         Road{"StokesRadiiOnField", 536, false},
                                         Road{"CumulantsOnIntensity", 890, true},
                                         Road{"CumulantsOnField", 890, false}),
                         [](const testing::TestParamInfo<Road>& i) {
                             return std::string(i.param.name);
                         });

// Two radii: the model is the sum of the two field decays, squared for g(2)-1.
TEST(DlsDiscreteModel, TwoRadiiAddTheirFieldDecaysBeforeTheSquare) {
    MainWindowFixture f;
    f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
    LoadDecays(f, true);
    SendCommand(f, 536);
    for (int i = 1; i <= M::maxSpecies; ++i)
        M::speciesIncluded[i] = i <= 2;
    M::speciesDOrM[1] = 2.0f, M::speciesDOrM[2] = 20.0f;
    M::concentration[1] = 0.6f, M::concentration[2] = 0.25f; // the second a fraction of the first
    M::baseline = 0.0f;
    PackFitParameters();
    SendCommand(f, 213);
    ASSERT_TRUE(S::resultAvailable) << f.script.logText();
    const double celsius = S::absoluteTemperature - 273.15;
    const float q2 = DlsScatteringVectorSquared(S::dlsRecords[1]);
    for (int p : {1, 40, 80}) {
        const double t = std::pow(10.0, double(S::radius[1][p]));
        const double g1 =
            M::speciesLoading[1] * DlsDecay(1.0, StokesRadiusDiffusion(2.0, celsius), q2, t) +
            M::speciesLoading[2] * DlsDecay(1.0, StokesRadiusDiffusion(20.0, celsius), q2, t);
        EXPECT_NEAR(S::fit[1][p], g1 * g1, 1e-5) << p;
    }
    EXPECT_NEAR(M::speciesLoading[1] + M::speciesLoading[2], 0.6, 1e-6);
    EXPECT_GT(M::speciesLoading[2], 0.0f);
}

// A negative third cumulant (a tail toward slow decays) is kept through the fit's unpacking and
// slows the decay at long lags.
TEST(DlsDiscreteModel, NegativeThirdCumulantIsKept) {
    MainWindowFixture f;
    f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
    LoadDecays(f, true);
    SendCommand(f, 890);
    for (int i = 1; i <= M::maxSpecies; ++i)
        M::speciesIncluded[i] = i <= 3;
    M::speciesDOrM[1] = 5.0f, M::speciesDOrM[2] = 0.0f, M::concentration[1] = 1.0f;
    M::concentration[2] = M::concentration[3] = 0.0f, M::baseline = 0.0f;
    std::vector<float> at(3);
    const int p = 60; // about 3e-5 s, where k Dc t is near 1
    for (int run = 0; run < 3; ++run) {
        M::speciesDOrM[3] = run == 0 ? 0.0f : -3.0f;
        PackFitParameters();
        SendCommand(f, 213);
        at[std::size_t(run)] = S::fit[1][p];
    }
    EXPECT_EQ(M::speciesDOrM[3], -3.0f);
    EXPECT_GT(at[1], at[0]);
    EXPECT_EQ(at[2], at[1]); // the value survives a second evaluation
}

// g(2)-1 of two field decays of D1 and D2 with amplitudes a1 and a2, with small seeded noise.
std::string TwoDecayText(unsigned seed, double d1, double a1, double d2, double a2) {
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, 1e-4);
    DlsFileContent c;
    for (int i = 0; i <= 120; ++i) {
        const double lag = std::pow(10.0, -7.0 + i / 20.0);
        const double g1 =
            a1 * std::exp(-1e-4 * d1 * kQ2 * lag) + a2 * std::exp(-1e-4 * d2 * kQ2 * lag);
        c.lags.push_back(lag);
        c.values.push_back(g1 * g1 + noise(random));
    }
    return DlsFileText(c);
}

// With the amplitudes (or the noise) as linear parameters the Run already solves them: the model
// meets decays of known truth within their noise, and the fit brings the radius back.
struct LinearRoad {
    const char* name;
    int command;
    bool asIntensity;
    bool amplitudes; // else a noise fit, one offset per curve
};

class DlsDiscreteLinear : public testing::TestWithParam<LinearRoad> {};

TEST_P(DlsDiscreteLinear, RunSolvesTheAmplitudeWithinTheNoise) {
    const LinearRoad road = GetParam();
    MainWindowFixture f;
    f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
    LoadDecays(f, road.asIntensity);
    ASSERT_EQ(S::scanCount, 2) << f.script.logText();
    SendCommand(f, road.command);
    const bool cumulants = ModelChoice::dlsCumulants;
    ModelChoice::linearAmplitudes = road.amplitudes;
    ModelChoice::fitRINoise = !road.amplitudes;
    const double celsius = S::absoluteTemperature - 273.15;
    const double trueRadiusNm = StokesRadiusDiffusion(1.0, celsius) / kTrueD;
    for (int i = 1; i <= M::maxSpecies; ++i) {
        M::speciesIncluded[i] = cumulants ? i <= 3 : i == 1;
        M::speciesDOrMFloat[i] = M::concentrationFloat[i] = M::speciesSFloat[i] = 0;
    }
    // The decay's own shape, but an amplitude far off: the linear step alone must find it.
    M::speciesDOrM[1] = cumulants ? float(kTrueD * 1e7) : float(trueRadiusNm);
    M::speciesDOrM[2] = M::speciesDOrM[3] = 0.0f;
    M::concentration[1] = road.amplitudes ? 0.2f : kAmplitude;
    M::baseline = road.asIntensity ? float(kOffset) : 0.0f;
    M::baselineFloat = road.amplitudes ? 1 : 0;
    PackFitParameters();

    SendCommand(f, 213);
    ASSERT_TRUE(S::resultAvailable) << f.script.logText();
    const double noise = road.asIntensity ? 1.3e-3 : 3e-2;
    EXPECT_LT(Rmsd(), noise) << f.script.logText();
    if (road.amplitudes) // of g(1), or of g(2)-1, the square of the field's
        EXPECT_NEAR(M::concentration[1], road.asIntensity ? kAmplitude * kAmplitude : kAmplitude,
                    0.02);

    // Now from twice the radius (or 60% of D): the fit comes back to the truth.
    M::speciesDOrM[1] = cumulants ? float(0.6 * kTrueD * 1e7) : float(2.0 * trueRadiusNm);
    M::speciesDOrMFloat[1] = 1;
    PackFitParameters();
    FitWithLevenbergMarquardt(f);
    UnpackFitParameters();
    EXPECT_LT(Rmsd(), noise) << f.script.logText();
    const double found = cumulants ? M::speciesDOrM[1] * 1e-7 : M::speciesDOrM[1];
    const double truth = cumulants ? kTrueD : trueRadiusNm;
    EXPECT_NEAR(found, truth, 0.03 * truth);
}

INSTANTIATE_TEST_SUITE_P(Menu, DlsDiscreteLinear,
                         testing::Values(LinearRoad{"StokesRadiusOnIntensity", 536, true, true},
                                         LinearRoad{"StokesRadiusOnField", 536, false, true},
                                         LinearRoad{"CumulantsOnIntensity", 890, true, true},
                                         LinearRoad{"StokesRadiusWithNoiseFit", 536, true, false},
                                         LinearRoad{"CumulantsWithNoiseFit", 890, true, false}),
                         [](const testing::TestParamInfo<LinearRoad>& i) {
                             return std::string(i.param.name);
                         });

// Two radii with linear amplitudes: on g(1) both amplitudes come back; on g(2)-1, whose square of
// a sum is not linear in them, the user is asked to turn the curves into g(1), and either answer
// leaves the fit as it was.
TEST(DlsDiscreteLinear, TwoRadiiNeedFieldCurves) {
    for (const int answer : {IDNO, IDYES}) {
        SCOPED_TRACE(answer == IDYES ? "yes" : "no");
        MainWindowFixture f;
        f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
        gAlwaysLoadG2 = true;
        const double d1 = 2e-6, d2 = 1e-7, a1 = 0.5, a2 = 0.3;
        f.script.expectFileOpen().answer(
            std::vector<std::string>{f.data.write("a.dlsdat", TwoDecayText(3, d1, a1, d2, a2)),
                                     f.data.write("b.dlsdat", TwoDecayText(4, d1, a1, d2, a2))});
        SendCommand(f, 298);
        ASSERT_EQ(S::scanCount, 2) << f.script.logText();
        SendCommand(f, 536);
        ModelChoice::linearAmplitudes = true;
        const double celsius = S::absoluteTemperature - 273.15;
        for (int i = 1; i <= M::maxSpecies; ++i) {
            M::speciesIncluded[i] = i <= 2;
            M::speciesDOrMFloat[i] = M::concentrationFloat[i] = M::speciesSFloat[i] = 0;
        }
        M::speciesDOrM[1] = float(StokesRadiusDiffusion(1.0, celsius) / d1);
        M::speciesDOrM[2] = float(StokesRadiusDiffusion(1.0, celsius) / d2);
        M::concentration[1] = M::concentration[2] = 0.1f;
        M::baseline = 0.0f;
        PackFitParameters();
        for (int k = 1; k <= 2; ++k)
            for (int p = 1; p <= S::pointCount[k]; ++p)
                S::fit[k][p] = -7.0f;
        const std::vector<float> intensity(S::signal[1], S::signal[1] + S::pointCount[1] + 1);
        f.script.expectBox()
            .text("possible error in DLS analysis of intensity autocorrelation data - transform "
                  "to g(1)?")
            .caption("ERROR")
            .answer(answer);
        SendCommand(f, 213);
        ASSERT_TRUE(f.script.done()) << f.script.logText();
        EXPECT_FALSE(S::resultAvailable);
        EXPECT_EQ(S::fit[1][10], -7.0f);
        EXPECT_EQ(S::dlsRecords[1].isFieldAcf, answer == IDYES);
        EXPECT_EQ(S::dlsRecords[2].isFieldAcf, answer == IDYES);
        EXPECT_EQ(S::signal[1][10], answer == IDYES ? SignedRoot(intensity[10]) : intensity[10]);
        if (answer == IDNO)
            continue;
        // On g(1) the run goes through, without a question, and solves both amplitudes.
        SendCommand(f, 213);
        ASSERT_TRUE(S::resultAvailable) << f.script.logText();
        // (the root of g(2)-1's noise, 1e-4, is some 0.01 where the decays have gone)
        EXPECT_LT(Rmsd(), 1e-2);
        EXPECT_NEAR(M::speciesLoading[1], a1, 0.02) << M::concentration[1];
        EXPECT_NEAR(M::speciesLoading[2], a2, 0.02) << M::concentration[2];
    }
}

} // namespace
