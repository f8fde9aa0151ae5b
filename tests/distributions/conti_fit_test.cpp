// The distribution Fit on two species that share one frictional ratio: f/f0 and the meniscus
// floated from wrong starts are recovered, and the peaks carry the known loadings and s.
#include "distributions/conti_fit.h"
#include "distributions/conti_run.h"
#include "plat/testing.hpp"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/preference_switches.h"
#include "support/conti_data_store.h"
#include "support/race_checker.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

TEST(ContiFit, RecoversFrictionalRatioMeniscusAndBothPeaks) {
    ContiDataStore store(TwelveScanCase());
    FillTwoSpeciesOnSystematicNoise(store, 17);
    ChooseCsOver(0.0f, 15.0f, 76.0f);
    ModelChoice::fitTINoise = ModelChoice::fitRINoise = true;
    StartFf0AndMeniscusOffTheTruth();

    ASSERT_TRUE(ContiFit(nullptr, SilentObserver()));
    EXPECT_NEAR(ContiState::ff0, 1.25, 0.05 * 1.25);
    EXPECT_NEAR(ModelParameters::meniscus, 6.0, 0.002);
    ExpectPeaksOfTheTwoSpecies();
    EXPECT_LT(FitControl::bestRmsd, 0.0055);
    EXPECT_FALSE(FitControl::fitInProgress);
    EXPECT_FALSE(ContiState::calledFromFit);
    FreeDistributionArrays();
}

// Each trial of the Fit starts its strength search from the last trial's strength. With either
// regularization the Fit still finds f/f0 and the meniscus of the known truth, and a Run after it
// shows the distribution the Fit stored but for the last digits (a Run after a Run differs as
// much).
TEST(ContiFit, EitherRegularizationFindsTheTruthAndARunAfterItShowsTheSame) {
    for (const bool entropy : {true, false}) {
        ContiDataStore store(TwelveScanCase());
        FillTwoSpeciesOnSystematicNoise(store, 17);
        ChooseCsOver(0.0f, 15.0f, FullOrUnderRaceChecker(76.0f, 40.0f));
        ModelChoice::fitTINoise = ModelChoice::fitRINoise = true;
        ContiState::maxEntRegularization = entropy;
        StartFf0AndMeniscusOffTheTruth();
        ASSERT_TRUE(ContiFit(nullptr, SilentObserver())) << entropy;
        EXPECT_NEAR(ContiState::ff0, 1.25, 0.05 * 1.25) << entropy;
        EXPECT_NEAR(ModelParameters::meniscus, 6.0, 0.002) << entropy;
        EXPECT_LT(FitControl::bestRmsd, 0.0055) << entropy;
        const float* c = ContiState::distribution;
        const std::vector<float> fitted(c + 1, c + ContiState::gridPoints + 1);
        ASSERT_TRUE(RunContiSed(nullptr, SilentObserver())) << entropy;
        const float largest = *std::max_element(fitted.begin(), fitted.end());
        for (int p = 1; p <= ContiState::gridPoints; ++p)
            EXPECT_NEAR(ContiState::distribution[p], fitted[p - 1], 1e-5 * largest) << p;
        FreeDistributionArrays();
    }
    ContiState::maxEntRegularization = true;
}

// The meniscus started on its upper bound: Levenberg-Marquardt once took a zero derivative there
// (the model clamps the forward step), said "zero differential in mlcof" and kept it on the bound.
TEST(ContiFit, MeniscusStartedOnItsBoundIsFittedByEveryOptimiser) {
    struct Case {
        const char* name;
        bool simplex, annealing, ml;
    } cases[] = {{"ML", false, false, true},
                 {"simplex", true, false, false},
                 {"annealing + ML", false, true, false}};
    for (const Case& c : cases) {
        ContiDataStore store(TwelveScanCase());
        std::vector<double> ti(store.c.points + 1, 0.0), ri(store.c.scans + 1, 0.0);
        store.Fill({{3.5, 1.25, 0.3}, {7.0, 1.25, 0.6}}, ti, ri, 0.005, 17);
        ChooseCsOver(0.5f, 15.0f, 60.0f);
        ContiState::ff0 = 1.25f;
        FitControl::meniscusMin = 5.95f;
        FitControl::meniscusMax = 6.04f;
        ModelParameters::meniscus = FitControl::meniscusMax;
        ModelParameters::meniscusFloat = 1;
        FitControl::simplex = c.simplex;
        FitControl::simulatedAnnealing = c.annealing;
        FitControl::marquardtLevenberg = c.ml;
        FitControl::annealingSteps = 2;
        FitControl::annealingIterations = 20;
        FitControl::tolerance = 1e-4f;
        plat::test::Script script; // no "zero differential in mlcof"

        ASSERT_TRUE(ContiFit(nullptr, SilentObserver())) << c.name;
        EXPECT_NEAR(ModelParameters::meniscus, 6.0, 0.002) << c.name;
        EXPECT_LT(FitControl::bestRmsd, 0.0055) << c.name;
        FreeDistributionArrays();
    }
}

// The distribution Fit runs the fit driver's optimiser choice. Its own copy once started annealing
// from the running temperature instead of the start temperature the user set.
TEST(ContiFit, AnnealingStartsFromTheStartTemperature) {
    std::vector<float> results[2];
    const float running[2] = {2.0f, 0.25f};
    for (int run = 0; run < 2; ++run) {
        ContiStoreCase cs;
        cs.scans = 8;
        cs.points = 200;
        cs.firstTimeS = 600.0;
        cs.intervalS = 500.0;
        ContiDataStore store(cs);
        std::vector<double> ti(store.c.points + 1, 0.0), ri(store.c.scans + 1, 0.0);
        store.Fill({{3.5, 1.25, 0.3}, {7.0, 1.25, 0.6}}, ti, ri, 0.005, 17);
        ChooseCsOver(0.5f, 15.0f, 40.0f);
        ContiState::ff0 = 1.2f;
        ContiState::ff0Float = 1;
        ModelParameters::meniscus = 6.02f;
        ModelParameters::meniscusFloat = 1;
        FitControl::meniscusMin = 5.95f;
        FitControl::meniscusMax = 6.04f;
        FitControl::simplex = false;
        FitControl::simulatedAnnealing = true;
        FitControl::annealingFinalML = false;
        FitControl::annealingSteps = 2;
        FitControl::annealingIterations = 15;
        FitControl::annealingStartTemperature = 2.0f;
        FitControl::annealingTemperature = running[run];
        ASSERT_TRUE(ContiFit(nullptr, SilentObserver()));
        results[run] = {ContiState::ff0, ModelParameters::meniscus,
                        float(FitControl::evaluationCount)};
        FreeDistributionArrays();
    }
    EXPECT_EQ(results[1], results[0]) << "ff0, meniscus, evaluations";
}

namespace {

// Six scans of two species with f/f0 and the meniscus started off the truth, a few simplex steps.
ContiStoreCase SixScans() {
    ContiStoreCase cs;
    cs.scans = 6;
    cs.points = 150;
    cs.firstTimeS = 600.0;
    cs.intervalS = 600.0;
    return cs;
}

void ChooseSixScanFit(ContiDataStore& store) {
    FillTwoSpeciesOnSystematicNoise(store, 23);
    ChooseCsOver(0.5f, 15.0f, 30.0f);
    ModelChoice::fitTINoise = ModelChoice::fitRINoise = true;
    StartFf0AndMeniscusOffTheTruth();
    FitControl::simplexTolerance = 1e-3; // a few steps show it
}

} // namespace

// Kernel, normal equations, kept equations and the residuals the Levenberg-Marquardt steps read
// are formed by threads: the fitted f/f0 and meniscus, the evaluations and the distribution must
// be the same for any thread count, with the simplex and with Levenberg-Marquardt.
TEST(ContiFit, ResultIsTheSameForAnyThreadCount) {
    struct Case {
        const char* name;
        bool simplex, ml;
    } cases[] = {{"simplex", true, false}, {"ML", false, true}};
    const bool savedSwitch = ContiState::multiThreading;
    const int savedDistribution = gDistributionThreadCount, savedLamm = gLammThreadCount;
    for (const Case& c : cases) {
        std::vector<float> first;
        for (int threads : {1, 3}) {
            ContiDataStore store(SixScans());
            ChooseSixScanFit(store);
            FitControl::simplex = c.simplex;
            FitControl::marquardtLevenberg = c.ml;
            FitControl::simulatedAnnealing = false;
            FitControl::tolerance = 1e-2f;
            ContiState::multiThreading = threads > 1;
            gDistributionThreadCount = gLammThreadCount = threads;
            ASSERT_TRUE(ContiFit(nullptr, SilentObserver())) << c.name;
            std::vector<float> result = {ContiState::ff0, ModelParameters::meniscus,
                                         FitControl::bestRmsd, float(FitControl::evaluationCount)};
            result.insert(result.end(), ContiState::distribution + 1,
                          ContiState::distribution + ContiState::gridPoints + 1);
            if (first.empty())
                first = result;
            else
                EXPECT_EQ(result, first) << c.name << ", " << threads << " threads";
            FreeDistributionArrays();
        }
    }
    ContiState::multiThreading = savedSwitch;
    gDistributionThreadCount = savedDistribution;
    gLammThreadCount = savedLamm;
}

// A Run before the Fit keeps its kernel. The Fit once took its trial at the start values from
// that kernel and held the grids of the trial it solved first instead, its simplex's second
// vertex (a meniscus next to the fit limit needs a much finer grid): the result depended on
// whether a Run came first, and every trial paid for that vertex's grids.
TEST(ContiFit, ResultIsTheSameWithOrWithoutARunBefore) {
    std::vector<float> first;
    for (const bool runBefore : {false, true}) {
        ContiDataStore store(SixScans());
        ChooseSixScanFit(store);
        if (runBefore) {
            ASSERT_TRUE(RunContiSed(nullptr, SilentObserver()));
        }
        ASSERT_TRUE(ContiFit(nullptr, SilentObserver())) << runBefore;
        // the final Run's rmsd may differ in its last digit, as a Run after a Run does
        const std::vector<float> result = {ContiState::ff0, ModelParameters::meniscus,
                                           float(FitControl::evaluationCount)};
        if (first.empty())
            first = result;
        else
            EXPECT_EQ(result, first) << "ff0, meniscus, evaluations after a Run";
        FreeDistributionArrays();
    }
}
