// The discrete-species model evaluation: loadings, the choice of the linear-parameter routine,
// recovery of data of known truth with physical checks of the produced fits, the special
// species on both roads, intensity data, and the input that cannot be evaluated.
#include "foundations/nr_arrays.h"
#include "plat/msgbox.hpp"
#include "plat/testing.hpp"
#include "scandata/fit_limits.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_header.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/discrete_sed.h"
#include "simulation/discrete_sed_module.h"
#include "simulation/lamm_arrays.h"
#include "simulation/linear_parameter_dispatch.h"
#include "simulation/simulation_switches.h"
#include "state/component_scans.h"
#include "state/fit_control.h"
#include "state/fit_services.h"
#include "state/held_discretisation.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/preference_switches.h"
#include "support/lamm_harness.h"
#include "support/reset_all_state.h"
#include "support/velocity_store.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <numbers>
#include <string>
#include <vector>

namespace {

using M = ModelParameters;
using S = ScanStore;
using plat::test::Script;

double Omega2(double rpm) {
    return std::pow(rpm * std::numbers::pi / 30.0, 2);
}

// One species of the given s and D at loading c0 in a store of noise-free scans (their signal is
// never read by the checks below).
void OneSpecies(double s, double d, double c0, int points = 601) {
    VelocitySet set;
    set.species = {{4.5, 6e-7, 1.0}};
    set.points = points;
    set.scans = 5;
    FillVelocityStore(set);
    M::speciesS[1] = float(s);
    M::speciesDOrM[1] = float(d * 1e7);
    M::concentration[1] = float(c0);
    PackFitParameters();
}

// Every scan's fit, end to end.
std::vector<float> AllFits() {
    std::vector<float> all;
    for (int k = 1; k <= S::scanCount; ++k)
        all.insert(all.end(), S::fit[k] + 1, S::fit[k] + 1 + S::pointCount[k]);
    return all;
}

class DiscreteSpecies : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
    void TearDown() override { ResetAllState(); }
};

TEST_F(DiscreteSpecies, FirstIncludedSlotCarriesTheTotalSignal) {
    struct Case {
        const char* name;
        float c[5];
        int on[5];
        bool linearAmplitudes;
        float expected[5];
    };
    const Case cases[] = {
        {"four slots",
         {0, 1.0f, 0.2f, 0.3f, 0.1f},
         {0, 1, 1, 1, 1},
         false,
         {0, 0.4f, 0.2f, 0.3f, 0.1f}},
        {"fractions of a total of 2",
         {0, 2.0f, 0.25f, 0, 0},
         {0, 1, 1, 0, 0},
         false,
         {0, 1.5f, 0.5f, 0, 0}},
        {"fractions above 1",
         {0, 1.0f, 0.8f, 0.4f, 0},
         {0, 1, 1, 1, 0},
         false,
         {0, 0.0f, 0.8f, 0.4f, 0}},
        {"excluded slots carry nothing",
         {0, 1.0f, 0.2f, 0.3f, 0.1f},
         {0, 1, 0, 1, 0},
         false,
         {0, 0.7f, 0, 0.3f, 0}},
        {"first slot excluded",
         {0, 9.0f, 1.0f, 0.25f, 0},
         {0, 0, 1, 1, 0},
         false,
         {0, 0, 0.75f, 0.25f, 0}},
        {"zero becomes 1 with linear amplitudes",
         {0, 1.0f, 0.0f, 0.2f, 0},
         {0, 1, 1, 1, 0},
         true,
         {0, 0.8f, 1.0f, 0.2f, 0}},
    };
    for (const Case& c : cases) {
        for (int i = 1; i <= 4; ++i) {
            M::concentration[i] = c.c[i];
            M::speciesOn[i] = c.on[i];
        }
        ModelChoice::linearAmplitudes = c.linearAmplitudes;
        ComputeSpeciesLoadings();
        for (int i = 1; i <= 4; ++i)
            EXPECT_NEAR(M::speciesLoading[i], c.expected[i], 1e-6) << c.name << ", slot " << i;
    }
}

// The fitting layer's routine completes the fit; without that layer the loadings stand as they
// are and the baseline is added, also to species kept per slot on the common grid.
TEST_F(DiscreteSpecies, LinearParametersCompleteTheFit) {
    struct Case {
        const char* name;
        bool fittingLayer, linearAmplitudes;
    };
    const Case cases[] = {
        {"fitting layer", true, false},
        {"without it", false, false},
        {"without it, species per slot", false, true},
    };
    for (const Case& c : cases) {
        ResetAllState();
        OneSpecies(0.0, 0.0, 0.5);
        M::baseline = 0.1f;
        PackFitParameters();
        ModelChoice::linearAmplitudes = c.linearAmplitudes;
        if (!c.fittingLayer)
            FitServices::table.updateLinearParameters = nullptr;
        RunDiscreteSed(nullptr);
        EXPECT_TRUE(S::resultAvailable) << c.name;
        for (const int i : {20, 300, 580})
            EXPECT_NEAR(S::fit[2][i], 0.6f, 1e-5) << c.name << ", point " << i;
    }
}

// With a row per slot, the slots without a species end every evaluation holding +0 only, whatever
// was left in them: a value, a -0 among zeros, or zeros already.
TEST_F(DiscreteSpecies, SlotsWithoutASpeciesHoldZeros) {
    for (const float left : {7.0f, -0.0f, 0.0f}) {
        ResetAllState();
        OneSpecies(4.5, 6e-7, 0.5);
        ModelChoice::linearAmplitudes = true;
        for (int k = 1; k <= S::scanCount; ++k)
            ComponentScans::Row(2, k, S::pointCount[k])[k * 7] = left;
        RunDiscreteSed(nullptr);
        ASSERT_TRUE(S::resultAvailable) << left;
        for (int k = 1; k <= S::scanCount; ++k)
            for (int i = 1; i <= S::pointCount[k]; ++i)
                ASSERT_FALSE(std::signbit(ComponentScans::Row(2, k, S::pointCount[k])[i]) ||
                             ComponentScans::Row(2, k, S::pointCount[k])[i] != 0.0f)
                    << left << " scan " << k << " point " << i;
    }
}

// The same after an evaluation has already left the slot at zero: a value written since through
// a row handed out, or a row whose length no longer fits its scan, is still cleared.
TEST_F(DiscreteSpecies, SlotsLeftAtZeroStayZeroAfterLaterWrites) {
    struct Case {
        const char* name;
        bool throughRow; // else the row of scan 1 is shortened in place
    };
    for (const Case c : {Case{"value through a row", true}, Case{"shortened row", false}}) {
        ResetAllState();
        OneSpecies(4.5, 6e-7, 0.5);
        ModelChoice::linearAmplitudes = true;
        RunDiscreteSed(nullptr);
        ASSERT_TRUE(ComponentScans::knownZero[2]) << c.name;
        if (c.throughRow)
            ComponentScans::Row(2, 3, S::pointCount[3])[5] = -0.0f;
        else
            ComponentScans::rows[2][1].resize(4);
        RunDiscreteSed(nullptr);
        ASSERT_TRUE(S::resultAvailable) << c.name;
        for (int k = 1; k <= S::scanCount; ++k) {
            const std::vector<float>& row = ComponentScans::rows[2][std::size_t(k)];
            ASSERT_EQ(row.size(), std::size_t(S::pointCount[k]) + 1) << c.name << " scan " << k;
            for (int i = 1; i <= S::pointCount[k]; ++i)
                ASSERT_FALSE(std::signbit(row[std::size_t(i)]) || row[std::size_t(i)] != 0.0f)
                    << c.name << " scan " << k << " point " << i;
        }
    }
}

// Each species of the list is checked and put at its scale on the thread that solved it: on one
// thread and on several, a species' component rows are its profile at unit loading (the fit of
// that species alone) times its loading, through double, bit for bit.
TEST_F(DiscreteSpecies, ComponentRowsAreEachSpeciesAtItsLoadingOnAnyThreadCount) {
    const float sS[3] = {0.0f, 4.5f, 9.0f}, dF[3] = {0.0f, 6.0f, 4.0f};
    for (const int threads : {1, 4}) {
        std::vector<float> unit[3];
        for (int j = 1; j <= 2; ++j) {
            ResetAllState();
            OneSpecies(sS[j], dF[j] * 1e-7, 1.0);
            gLammThreadCount = threads;
            RunDiscreteSed(nullptr);
            unit[j] = AllFits();
        }
        ResetAllState();
        OneSpecies(sS[1], dF[1] * 1e-7, 0.5);
        M::speciesOn[2] = 1;
        M::speciesS[2] = sS[2];
        M::speciesDOrM[2] = dF[2];
        M::concentration[2] = 0.3f;
        PackFitParameters();
        ModelChoice::linearAmplitudes = true;
        gLammThreadCount = threads;
        ComputeSpeciesLoadings();
        const double loading[3] = {0.0, M::speciesLoading[1], M::speciesLoading[2]};
        RunDiscreteSed(nullptr);
        ASSERT_TRUE(S::resultAvailable) << threads << " threads";
        for (int j = 1; j <= 2; ++j) {
            std::size_t at = 0;
            for (int k = 1; k <= S::scanCount; ++k)
                for (int i = 1; i <= S::pointCount[k]; ++i, ++at) {
                    const float expected = float(loading[j] * double(unit[j][at]));
                    ASSERT_EQ(std::bit_cast<std::uint32_t>(ComponentScans::rows[j][k][i]),
                              std::bit_cast<std::uint32_t>(expected))
                        << threads << " threads, species " << j << " scan " << k << " point " << i;
                }
        }
    }
}

// Data made by a fine solution of two species with noise of 0.005: the model at the generating
// parameters leaves residuals at the noise level and no more. (Within 0.05 cm of the bottom the
// default options shut off back-diffusion, which the fine solution does not.)
TEST_F(DiscreteSpecies, GeneratingParametersFitToTheNoiseLevel) {
    VelocitySet set;
    set.noise = 0.005;
    set.seed = 20261207;
    FillVelocityStore(set);
    Script script;
    RunDiscreteSed(nullptr);
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_TRUE(S::resultAvailable);
    const double rmsd = CalcFitRmsd();
    EXPECT_NEAR(rmsd / set.noise, 1.0, 0.05) << "rmsd " << rmsd << ", seed " << set.seed;
    double worst = 0.0;
    int wk = 0, wi = 0;
    for (int k = 1; k <= set.scans; ++k)
        for (int i = S::firstFitIndex[k]; i <= S::lastFitIndex[k]; ++i)
            if (S::radius[k][i] < 7.1f && std::fabs(S::fit[k][i] - TrueSignal(k, i)) > worst) {
                worst = std::fabs(S::fit[k][i] - TrueSignal(k, i));
                wk = k;
                wi = i;
            }
    EXPECT_LT(worst, 3e-3) << "largest deviation from the truth, scan " << wk << " r "
                           << S::radius[wk][wi] << " fit " << S::fit[wk][wi] << " truth "
                           << TrueSignal(wk, wi);
    EXPECT_NEAR(M::speciesLoading[1], 0.6f, 1e-6);
    EXPECT_NEAR(M::speciesLoading[2], 0.4f, 1e-6);
}

// The fits of one species over the whole column: the amount in the sector stays what was
// loaded, and the plateau beyond the boundary dilutes as exp(-2 s w^2 t).
TEST_F(DiscreteSpecies, FitsConserveMassAndDiluteThePlateau) {
    const double s = 4.5, d = 6e-7, c0 = 0.8;
    OneSpecies(s, d, c0, 2401);
    RunDiscreteSed(nullptr);
    const double m = M::meniscus, b = M::bottom, w2 = Omega2(50000);
    const double loaded = c0 * (b * b - m * m) / 2.0;
    for (int k = 1; k <= S::scanCount; ++k) {
        double amount = 0.0;
        for (int i = 1; i < S::pointCount[k]; ++i) {
            const double r0 = S::radius[k][i], r1 = S::radius[k][i + 1];
            amount += 0.5 * (r1 - r0) * (S::fit[k][i] * r0 + S::fit[k][i + 1] * r1);
        }
        EXPECT_NEAR(amount / loaded, 1.0, 2e-3) << "scan " << k;
        const double t = S::header[k].time;
        const double boundary = m * std::exp(s * 1e-13 * w2 * t);
        const double r = 0.5 * (boundary + 4.0 * std::sqrt(2.0 * d * t) + b - 0.15);
        int i = 1;
        while (S::radius[k][i] < r)
            ++i;
        EXPECT_NEAR(S::fit[k][i] / (c0 * std::exp(-2.0 * s * 1e-13 * w2 * t)), 1.0, 1e-3)
            << "scan " << k << " at r = " << S::radius[k][i];
    }
}

// s = D = 0 keeps the loading everywhere; D = 0 is the closed form of a boundary moving with
// r exp(s w^2 t) ahead of the diluted plateau; both by the list of solver objects and by this
// engine's own profiles (the road of the Faxen simulation).
TEST_F(DiscreteSpecies, SpecialSpeciesOnBothRoads) {
    struct Case {
        const char* name;
        double s, d;
        bool faxen;
    };
    const Case cases[] = {
        {"s = D = 0, list", 0.0, 0.0, false},
        {"s = D = 0, own profiles", 0.0, 0.0, true},
        {"D = 0, list", 5.0, 0.0, false},
        {"D = 0, own profiles", 5.0, 0.0, true},
    };
    for (const Case& c : cases) {
        ResetAllState();
        OneSpecies(c.s, c.d, 0.7);
        LammGrid::faxenApproximation = c.faxen;
        Script script;
        RunDiscreteSed(nullptr);
        EXPECT_TRUE(script.done()) << c.name << script.logText();
        const double w2 = Omega2(50000);
        for (int k = 1; k <= S::scanCount; ++k) {
            const double t = S::header[k].time;
            const double rb = M::meniscus * std::exp(c.s * 1e-13 * w2 * t);
            const double plateau = 0.7 * std::exp(-2.0 * c.s * 1e-13 * w2 * t);
            for (int i = 1; i <= S::pointCount[k]; i += 7) {
                const double r = S::radius[k][i];
                if (std::fabs(r - rb) < 0.01 || r > M::bottom - 0.01)
                    continue; // the step itself, and the material packed at the bottom
                EXPECT_NEAR(S::fit[k][i], r < rb ? 0.0 : plateau, 1e-4)
                    << c.name << ", scan " << k << ", r = " << r;
            }
        }
    }
}

// Scans taken after a linear acceleration from rest at the given rate (rpm/s): the headers carry
// the ramp and the omega^2 t it leaves.
void AddRamp(double rpmPerS) {
    for (int k = 1; k <= S::scanCount; ++k) {
        ScanHeader& h = S::header[k];
        h.accelerationRate = rpmPerS;
        h.accelerationTime = h.rotorSpeed / rpmPerS;
        h.omega2t = Omega2T(h.rotorSpeed, rpmPerS, h.originalTime);
    }
}

// The analytic boundaries of the Faxen simulation follow the acceleration phase as the Lamm
// solution with the same ramp does: by the scan's omega^2 t. Without a ramp the two agree to the
// Faxen approximation's own error (below 0.01 here), which grows on a scan taken while the
// boundary is still at the meniscus (the first one after the slow ramp, left out).
TEST_F(DiscreteSpecies, FaxenBoundariesFollowTheAccelerationPhase) {
    struct Case {
        const char* name;
        double s, d, rampRpmPerS;
        int firstScan;
        double tolerance; // of the loading
    };
    const Case cases[] = {
        {"diffusing, no ramp", 7.0, 4e-7, 0.0, 1, 0.012},
        {"diffusing, 200 rpm/s", 7.0, 4e-7, 200.0, 1, 0.012},
        {"diffusing, 100 rpm/s", 4.0, 6e-7, 100.0, 2, 0.02},
        {"non-diffusing, 200 rpm/s", 7.0, 0.0, 200.0, 1, 0.0},
    };
    for (const Case& c : cases) {
        ResetAllState();
        OneSpecies(c.s, c.d, 1.0, 1201);
        if (c.rampRpmPerS > 0.0)
            AddRamp(c.rampRpmPerS);
        std::vector<std::vector<float>> lamm(std::size_t(S::scanCount) + 1);
        if (c.d > 0.0) {
            RunDiscreteSed(nullptr);
            for (int k = 1; k <= S::scanCount; ++k)
                lamm[std::size_t(k)].assign(S::fit[k], S::fit[k] + S::pointCount[k] + 1);
        }
        LammGrid::faxenApproximation = true;
        Script script;
        ASSERT_TRUE(RunDiscreteSed(nullptr)) << c.name;
        EXPECT_TRUE(script.done()) << c.name << script.logText();
        for (int k = c.firstScan; k <= S::scanCount; ++k) {
            const double w2t = S::header[k].omega2t;
            const double rb = M::meniscus * std::exp(c.s * 1e-13 * w2t);
            const double plateau = std::exp(-2.0 * c.s * 1e-13 * w2t);
            double worst = 0.0, at = 0.0;
            for (int i = 1; i <= S::pointCount[k]; ++i) {
                const double r = S::radius[k][i];
                if (r > M::bottom - 0.1)
                    continue; // the pile-up at the bottom is no part of the Faxen boundary
                double expected;
                if (c.d > 0.0)
                    expected = lamm[std::size_t(k)][std::size_t(i)];
                else if (std::fabs(r - rb) < 2e-3)
                    continue;
                else
                    expected = r < rb ? 0.0 : plateau;
                const double dev = std::fabs(S::fit[k][i] - expected);
                if (dev > worst) {
                    worst = dev;
                    at = r;
                }
            }
            EXPECT_LE(worst, c.tolerance + 1e-5)
                << c.name << ", scan " << k << ", worst at r = " << at;
        }
    }
}

// The model absorbance becomes the intensity transmitted relative to the reference intensity.
TEST_F(DiscreteSpecies, IntensityDataGetTransmittedIntensities) {
    for (const float loading : {0.0f, 1.0f}) {
        ResetAllState();
        OneSpecies(0.0, 0.0, loading);
        ScanDataKind::absorbance = false;
        ScanDataKind::intensity = true;
        for (int k = 1; k <= S::scanCount; ++k) {
            S::thirdColumn[k] = vector(1, S::pointCount[k]);
            for (int i = 1; i <= S::pointCount[k]; ++i)
                S::thirdColumn[k][i] = 2.0f;
        }
        RunDiscreteSed(nullptr);
        for (int k = 1; k <= S::scanCount; ++k)
            EXPECT_NEAR(S::fit[k][50], loading == 0.0f ? 2.0f : 0.2f, 1e-6) << "scan " << k;
    }
}

// An unset right limit is 0.15 cm before the bottom, held to the end of the shortest scan.
TEST_F(DiscreteSpecies, UnsetRightLimitEndsWhereEveryScanHasData) {
    struct Case {
        int cut; // points taken off the end of scan 2
        bool shortestRules;
    } cases[] = {{0, false}, {150, true}};
    for (const Case& c : cases) {
        ResetAllState();
        OneSpecies(4.5, 6e-7, 1.0);
        S::pointCount[2] -= c.cut;
        S::rightFitLimit = 0.0f;
        ApplyDefaultFitLimits();
        const float shortest = S::radius[2][S::pointCount[2]];
        const float expected = c.shortestRules ? shortest : float(M::bottom - 0.15);
        ASSERT_LT(expected, S::radius[1][S::pointCount[1]]) << c.cut;
        EXPECT_FLOAT_EQ(S::rightFitLimit, expected) << c.cut;
    }
}

// What cannot be evaluated ends with its message; the fit keeps what it held, never NaN.
TEST_F(DiscreteSpecies, InputThatCannotBeEvaluatedEndsWithItsMessage) {
    struct Case {
        const char* name;
        std::function<void()> spoil;
        const char* caption;
        const char* textStart;
    };
    const Case cases[] = {
        {"meniscus unset", [] { M::meniscus = 0.0f; }, "", "set Meniscus and Bottom first"},
        {"meniscus at the bottom", [] { M::meniscus = M::bottom; }, "ERROR",
         "meniscus (7.2000 cm) must lie inside the cell"},
        {"meniscus beyond the bottom", [] { M::meniscus = 7.5f; }, "ERROR",
         "meniscus (7.5000 cm) must lie inside the cell"},
        {"a scan at rest", [] { S::header[3].rotorSpeed = 0.0f; }, "ERROR",
         "scan 00003.RA1 was recorded at 0 rpm"},
        {"default grid too small", [] { LammGrid::defaultGridSize = 5; }, "ERROR",
         "grid of 5 points is too small"},
        {"largest grid too small", [] { M::maxGridSize = 1; }, "ERROR",
         "grid of 1 points is too small"},
    };
    for (const Case& c : cases) {
        ResetAllState();
        OneSpecies(4.0, 5e-7, 1.0);
        for (int k = 1; k <= S::scanCount; ++k)
            std::fill(S::fit[k] + 1, S::fit[k] + 1 + S::pointCount[k], 0.25f);
        c.spoil();
        PackFitParameters();
        Script script;
        script.expectBox().caption(c.caption).textHas(c.textStart);
        RunDiscreteSed(nullptr);
        EXPECT_TRUE(script.done()) << c.name << script.logText();
        EXPECT_FALSE(S::resultAvailable) << c.name;
        for (int k = 1; k <= S::scanCount; ++k)
            for (int i = 1; i <= S::pointCount[k]; ++i)
                ASSERT_EQ(S::fit[k][i], 0.25f) << c.name;
    }
}

// An optimiser's step may take a molar mass to zero or below. That trial is the lightest particle
// (1 Da), a finite model without a box: a mass of 1e-10 Da gave D near 1e9 cm^2/s, a Lamm solution
// that was not finite, "DISCRETIZATION ERROR" in the middle of the fit and an unchanged model
// that led the optimiser to a negative mass.
TEST_F(DiscreteSpecies, MolarMassTrialsAtOrBelowZeroGiveAFiniteModel) {
    for (const float mass : {-35151.1f, 0.0f, 0.5f}) {
        ResetAllState();
        OneSpecies(7.0, 4.2e-7, 1.0);
        ModelChoice::equilibriumMs = true;
        M::speciesDOrM[1] = 150000.0f;
        PackFitParameters();
        FitControl::fitInProgress = true;
        // within an optimiser run, whose first evaluation set the grid and the steps in time
        HeldDiscretisation::Scope held;
        HeldDiscretisation::BeginEvaluation();
        RunDiscreteSed(nullptr);
        M::speciesDOrM[1] = mass;
        PackFitParameters();
        Script script;
        HeldDiscretisation::BeginEvaluation();
        EXPECT_TRUE(RunDiscreteSed(nullptr)) << mass;
        EXPECT_TRUE(script.done()) << mass << script.logText();
        const std::vector<float> trial = AllFits();
        M::speciesDOrM[1] = 1.0f;
        PackFitParameters();
        HeldDiscretisation::BeginEvaluation();
        RunDiscreteSed(nullptr);
        const std::vector<float> lightest = AllFits();
        ASSERT_EQ(trial.size(), lightest.size());
        for (std::size_t j = 0; j < trial.size(); ++j) {
            ASSERT_TRUE(std::isfinite(trial[j])) << mass << " point " << j;
            ASSERT_EQ(trial[j], lightest[j]) << mass << " point " << j;
        }
        FitControl::fitInProgress = false;
    }
}

// The algorithm of each species by its normalized s: Claverie below the limit, moving hat above
// it, the choice before at the limit itself.
TEST_F(DiscreteSpecies, AutomaticAlgorithmByNormalizedS) {
    OneSpecies(4.0, 5e-7, 1.0);
    M::autoGridSize = false; // the plain limit of 5 S at 30000 rpm
    struct Case {
        double rpm, s;
        bool movingHatBefore, movingHatAfter;
    };
    const Case cases[] = {
        {60000, 1.0, true, false}, {60000, 1.5, false, true},   {60000, -1.5, false, true},
        {60000, 1.25, true, true}, {60000, 1.25, false, false}, {30000, 4.9, true, false},
        {30000, 5.1, false, true},
    };
    for (const Case& c : cases) {
        for (int k = 1; k <= S::scanCount; ++k)
            S::header[k].rotorSpeed = float(c.rpm);
        ModelChoice::movingHatAlgorithm = c.movingHatBefore;
        ModelChoice::claverieAlgorithm = !c.movingHatBefore;
        ChooseAlgorithmForSpecies(c.s);
        EXPECT_EQ(ModelChoice::movingHatAlgorithm, c.movingHatAfter) << c.rpm << " rpm, " << c.s;
        EXPECT_NE(ModelChoice::movingHatAlgorithm, ModelChoice::claverieAlgorithm);
    }
    EXPECT_DOUBLE_EQ(AutomaticAlgorithmLimit(), 5.0 / 1.0);
}

} // namespace

namespace {

class DiscreteSpeciesOnGrid : public DiscreteSpecies {};

// The grid solvers and the solver objects solve the same species alike, with either algorithm
// (each road on its own automatic grid).
TEST_F(DiscreteSpeciesOnGrid, AgreesWithTheListOfSolverObjects) {
    struct Case {
        const char* name;
        bool automatic, movingHat;
    };
    for (const Case& c : {Case{"automatic", true, true}, Case{"moving hat", false, true},
                          Case{"Claverie", false, false}}) {
        ResetAllState();
        OneSpecies(4.5, 6e-7, 1.0);
        Script script;
        RunDiscreteSed(nullptr);
        const std::vector<float> list = AllFits();
        ModelChoice::automaticAlgorithm = c.automatic;
        ModelChoice::movingHatAlgorithm = c.movingHat;
        ModelChoice::claverieAlgorithm = !c.movingHat;
        AllocLammArrays();
        RunDiscreteSedOnGrid(nullptr);
        EXPECT_TRUE(script.done()) << c.name << script.logText();
        const std::vector<float> grid = AllFits();
        double worst = 0.0;
        std::size_t at = 0;
        for (int k = 1; k <= S::scanCount; ++k)
            for (int i = 1; i <= S::pointCount[k]; ++i, ++at)
                if (S::radius[k][i] >= S::leftFitLimit && S::radius[k][i] <= S::rightFitLimit)
                    worst = std::max(worst, double(std::fabs(grid[at] - list[at])));
        EXPECT_LT(worst, 5e-3) << c.name;
    }
}

// A failed species is tried again from the model as it was before it: the species already
// added keep their signal, whatever the failed attempts wrote, and one box says it failed.
TEST_F(DiscreteSpeciesOnGrid, RetriesNeverLoseASpeciesAlreadyAdded) {
    OneSpecies(5.0, 0.0, 1.0);
    M::speciesOn[2] = 1;
    M::speciesS[2] = 3.0f;
    M::speciesDOrM[2] = 5.0f;
    M::concentration[2] = 0.3f;
    M::speciesOn[2] = 0;
    PackFitParameters();
    RunDiscreteSedOnGrid(nullptr);
    const std::vector<float> first = AllFits(); // species 1 alone, loading 1

    M::speciesOn[2] = 1;
    PackFitParameters();
    int attempts = 0;
    const auto failing = [&](GridAlgorithm, const CLammProblem&, const CLammControl&, CGridClock&,
                             CLammSink&) {
        // Writes into some scans, as a run that breaks off does, and fails.
        ++attempts;
        for (int i = 1; i <= S::pointCount[S::scanOrder[1]]; ++i)
            S::fit[S::scanOrder[1]][i] += 5.0f;
        // the error word is the caller's to set from the result
        return LammResult::DiscretizationError;
    };
    Script script;
    script.expectBox()
        .caption("DISCRETIZATION ERROR")
        .text("change grid size and readjust max dc/c");
    RunDiscreteSedOnGrid(nullptr, failing);
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_GE(attempts, 3);
    // Species 1 now carries 0.7 of the total; failed species 2 adds nothing.
    const std::vector<float> now = AllFits();
    ASSERT_EQ(now.size(), first.size());
    for (std::size_t j = 0; j < now.size(); ++j)
        ASSERT_NEAR(now[j], 0.7f * first[j], 1e-6) << "point " << j;
}

// A species that failed or was refused before one that was solved leaves its word for the whole
// evaluation, so a Run keeps the model it had. A refused species (its box said why) took the
// word without a box, and the next species' start cleared it: the Run kept a model without it.
TEST_F(DiscreteSpeciesOnGrid, AnEarlierSpeciesFailureIsTheEvaluations) {
    OneSpecies(5.0, 6e-7, 1.0);
    M::speciesOn[2] = 1;
    M::speciesS[2] = 3.0f;
    M::speciesDOrM[2] = 5.0f;
    M::concentration[2] = 0.3f;
    PackFitParameters();
    struct Case {
        LammResult failure;
        bool box;
        int discretizationWord, singularWord;
    } const cases[] = {{LammResult::DiscretizationError, true, 1, 0},
                       {LammResult::SingularMatrix, true, 0, 1},
                       {LammResult::Refused, false, 1, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.failure));
        const auto firstFails = [&](GridAlgorithm algorithm, const CLammProblem& problem,
                                    const CLammControl& control, CGridClock& clock,
                                    CLammSink& sink) {
            return LammGrid::currentSpecies == 1
                       ? c.failure
                       : SolveOnSimulationGrid(algorithm, problem, control, clock, sink);
        };
        Script script;
        if (c.box)
            script.expectBox();
        RunDiscreteSedOnGrid(nullptr, firstFails);
        EXPECT_TRUE(script.done()) << script.logText();
        EXPECT_EQ(LammGrid::discretizationError, c.discretizationWord);
        EXPECT_EQ(LammGrid::singularMatrix, c.singularWord);
    }
}

// The dispatch answers only for the algorithms it knows: a value outside the enumeration was
// reported Solved without a step; it is refused and the sink hears nothing. So are the values
// that only record a run (none yet, the moving frame of a concentration-dependent model).
TEST_F(DiscreteSpeciesOnGrid, AnUnknownAlgorithmIsRefused) {
    for (const GridAlgorithm algorithm :
         {static_cast<GridAlgorithm>(7), GridAlgorithm::None, GridAlgorithm::MovingFrame}) {
        struct CountingSink : CLammSink {
            int calls = 0;
            void Step(CGridClock&, double) override { ++calls; }
            void Remaining(const CGridClock&, bool) override { ++calls; }
        } sink;
        CGridClock clock;
        const LammResult result =
            SolveOnSimulationGrid(algorithm, CLammProblem{}, CLammControl{}, clock, sink);
        EXPECT_EQ(result, LammResult::Refused) << int(algorithm);
        EXPECT_EQ(sink.calls, 0) << int(algorithm);
    }
}

// Failed attempts are retried by the table: without truncation, by the moving hat algorithm on
// its own arrays where the fixed grid failed, then with the meniscus repair. Before, the retry
// switched the model to the moving hat algorithm and back, and lost a fixed time step on the way.
TEST_F(DiscreteSpeciesOnGrid, RetriesKeepTheModelsAlgorithmChoice) {
    struct Attempt {
        GridAlgorithm algorithm;
        bool truncate, lastResort;
        bool operator==(const Attempt&) const = default;
    };
    using G = GridAlgorithm;
    struct Case {
        const char* name;
        bool movingHat, fixedTimeStep;
        std::vector<Attempt> expected;
    } const cases[] = {
        {"fixed grid",
         false,
         false,
         {{G::FixedGrid, true, false},
          {G::FixedGrid, false, false},
          {G::MovingHat, false, false},
          {G::FixedGrid, false, true}}},
        {"fixed grid, fixed time step",
         false,
         true,
         {{G::FixedGrid, true, false},
          {G::FixedGrid, false, false},
          {G::MovingHat, false, false},
          {G::FixedGrid, false, true}}},
        {"moving hat",
         true,
         false,
         {{G::MovingHat, true, false}, {G::MovingHat, false, false}, {G::MovingHat, false, true}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetAllState();
        OneSpecies(5.0, 6e-7, 1.0);
        ModelChoice::automaticAlgorithm = false;
        ModelChoice::movingHatAlgorithm = c.movingHat;
        ModelChoice::claverieAlgorithm = !c.movingHat;
        ModelChoice::fixedTimeStep = c.fixedTimeStep;
        LammGrid::truncateGrid = true;
        std::vector<Attempt> seen;
        bool choiceKept = true, arraysFit = true;
        const auto failing = [&](GridAlgorithm algorithm, const CLammProblem&,
                                 const CLammControl& control, CGridClock&, CLammSink&) {
            seen.push_back({algorithm, control.truncateGrid, control.lastResort});
            choiceKept = choiceKept && ModelChoice::movingHatAlgorithm == c.movingHat &&
                         ModelChoice::claverieAlgorithm == !c.movingHat;
            const bool movingArrays = LammGrid::movingRadius != nullptr;
            arraysFit = arraysFit && movingArrays == (algorithm == G::MovingHat);
            return LammResult::DiscretizationError;
        };
        Script script;
        script.expectBox().caption("DISCRETIZATION ERROR");
        RunDiscreteSedOnGrid(nullptr, failing);
        EXPECT_TRUE(script.done()) << script.logText();
        EXPECT_TRUE(seen == c.expected) << seen.size() << " attempts";
        EXPECT_TRUE(choiceKept);
        EXPECT_TRUE(arraysFit);
        EXPECT_EQ(ModelChoice::movingHatAlgorithm, c.movingHat);
        EXPECT_EQ(ModelChoice::fixedTimeStep, c.fixedTimeStep || c.movingHat);
        EXPECT_TRUE(LammGrid::truncateGrid);
        EXPECT_FALSE(LammGrid::lastResortMode);
        EXPECT_EQ(LammGrid::movingRadius != nullptr, c.movingHat);
    }
}

// Each attempt of a species runs on a clock of its own, started afresh whatever the clock of the
// attempt before reached (stopped, moved to a later scan, thousands of seconds on); the records
// take the clock of the last attempt where it ended.
TEST_F(DiscreteSpeciesOnGrid, EveryAttemptStartsOnAClockOfItsOwn) {
    OneSpecies(5.0, 6e-7, 1.0);
    ModelChoice::automaticAlgorithm = false;
    ModelChoice::movingHatAlgorithm = false;
    ModelChoice::claverieAlgorithm = true;
    std::vector<CGridClock> given;
    const auto failing = [&](GridAlgorithm, const CLammProblem&, const CLammControl&,
                             CGridClock& clock, CLammSink&) {
        given.push_back(clock);
        clock.time += 1000.0 * double(given.size());
        clock.stepCount = 7;
        clock.targetScan = 3;
        clock.running = clock.endTimePending = false;
        return LammResult::DiscretizationError;
    };
    Script script;
    script.expectBox().caption("DISCRETIZATION ERROR");
    RunDiscreteSedOnGrid(nullptr, failing);
    EXPECT_TRUE(script.done()) << script.logText();
    ASSERT_EQ(given.size(), 4u);
    const CGridClock& start = given[0];
    EXPECT_EQ(start.time, 0.0);
    EXPECT_EQ(start.dt, LammGrid::initialDt);
    EXPECT_EQ(start.stepCount, 0);
    EXPECT_TRUE(start.running && start.endTimePending);
    EXPECT_EQ(start.targetScan, LammGrid::firstSimulatedScan);
    EXPECT_GT(start.targetScanTime, 0.0);
    EXPECT_EQ(start.endTime, start.targetScanTime);
    for (std::size_t k = 1; k < given.size(); ++k) {
        EXPECT_EQ(given[k].time, start.time) << k;
        EXPECT_EQ(given[k].stepCount, 0) << k;
        EXPECT_TRUE(given[k].running && given[k].endTimePending) << k;
        EXPECT_EQ(given[k].targetScan, start.targetScan) << k;
        EXPECT_EQ(given[k].endTime, start.endTime) << k;
    }
    EXPECT_EQ(LammGrid::time, 4000.0);
    EXPECT_EQ(LammGrid::stepCount, 7);
}

} // namespace

// With the final profile to the last scan the run goes on after the last scan until the species
// stand at equilibrium or have left the data, and that profile replaces the last scan's model:
// both solvers end there (they ran on to 1e8 s, the steps their grids allow being shorter than
// the equilibrium test counted), the earlier scans keep their models, and at 50000 rpm the last
// scan holds nothing left of the pile-up at the bottom.
TEST_F(DiscreteSpeciesOnGrid, FinalProfileReplacesTheLastScanAndEndsTheRun) {
    for (bool movingHat : {true, false}) {
        const char* name = movingHat ? "moving hat" : "fixed grid";
        ResetAllState();
        VelocitySet set;
        set.scans = 5;
        FillVelocityStore(set);
        ModelChoice::automaticAlgorithm = false;
        ModelChoice::movingHatAlgorithm = movingHat;
        ModelChoice::claverieAlgorithm = !movingHat;
        RunDiscreteSedOnGrid(nullptr);
        const std::vector<float> plain = AllFits();
        LammGrid::finalProfileToLastScan = true;
        RunDiscreteSedOnGrid(nullptr);
        LammGrid::finalProfileToLastScan = false;
        EXPECT_LT(LammGrid::time, 1e6) << name;
        EXPECT_TRUE(S::resultAvailable) << name;
        const std::vector<float> now = AllFits();
        ASSERT_EQ(now.size(), plain.size());
        std::size_t at = 0;
        for (int k = 1; k <= S::scanCount; ++k)
            for (int i = 1; i <= S::pointCount[k]; ++i, ++at) {
                if (k < S::scanCount) {
                    ASSERT_EQ(now[at], plain[at]) << name << ", scan " << k << ", point " << i;
                } else if (S::radius[k][i] <= 7.1f) {
                    ASSERT_NEAR(now[at], 0.0, 0.02) << name << ", r = " << S::radius[k][i];
                }
            }
    }
}
