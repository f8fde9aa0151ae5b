// Detection corrections inside c(s): with nonlinear detection the distribution is computed from
// the transformed scans and its fit carried back to the recorded ones, and a floated power is
// fitted back to the detector's; a radial correction switched on between two Runs reaches the
// kernel, and its floated value is fitted back.
#include "distributions/conti_fit.h"
#include "distributions/conti_run.h"
#include "scandata/nonlinear_detection.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/fluorophore.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/scan_store.h"
#include "support/conti_data_store.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

namespace {

using D = DetectionCorrections;
constexpr double kTruePower = 1.3;

// The c(s) model from 0.5 to 12 S at 50 points, f/f0 1.25.
void ChooseCsFrom0p5To12S() {
    ModelChoice::nonInteractingSpecies = false;
    ModelChoice::contiMode = ModelChoice::contiCs = true;
    ContiState::rangeMin = 0.5f;
    ContiState::rangeMax = 12.0f;
    ContiState::resolution = 50.0f;
    ContiState::confidenceLevel = 0.51f;
    ContiState::ff0 = 1.25f;
}

// Two species as the detector read them, with the fit range over every point.
struct DistortedStore {
    ContiDataStore store;
    std::vector<std::int32_t> first, last;
    std::vector<std::vector<float>> recorded;

    DistortedStore() : store(Case()) {
        store.Fill({{3.5, 1.25, 0.3}, {7.0, 1.25, 0.6}});
        first.assign(store.c.scans + 1, 1);
        last.assign(store.c.scans + 1, store.c.points);
        ScanStore::firstFitIndex = first.data();
        ScanStore::lastFitIndex = last.data();
        for (int k = 1; k <= store.c.scans; ++k)
            for (int i = 1; i <= store.c.points; ++i)
                store.signal[k][i] =
                    float(InverseNonlinearDetectionLaw(store.signal[k][i], kTruePower, 0.0));
        recorded = store.signal;
        ChooseCsFrom0p5To12S();
        D::nonlinearOn = true;
    }
    ~DistortedStore() {
        FreeNonlinearDetectionCopies();
        FreeDistributionArrays();
        ScanStore::firstFitIndex = ScanStore::lastFitIndex = nullptr;
        D::ResetToDefaults();
    }
    static ContiStoreCase Case() {
        ContiStoreCase c;
        c.scans = 8;
        c.points = 250;
        return c;
    }
};

} // namespace

TEST(ContiNonlinearDetection, RunAndFitFindTheDetectorsPower) {
    DistortedStore d;
    struct Case {
        double power;
        bool fits;
    } cases[] = {{kTruePower, true}, {1.0, false}};
    for (const Case& c : cases) {
        D::nonlinearPower = float(c.power);
        ASSERT_TRUE(RunContiSed(nullptr, SilentObserver())) << c.power;
        if (c.fits)
            EXPECT_LT(GetNonlinearDetectionRmsd(), 1e-3f) << "power " << c.power;
        else
            EXPECT_GT(GetNonlinearDetectionRmsd(), 5e-3f) << "power " << c.power;
    }

    D::nonlinearPower = 1.0f;
    D::nonlinearPowerFit = true;
    FitControl::simplex = true;
    FitControl::marquardtLevenberg = FitControl::simulatedAnnealing = false;
    ASSERT_TRUE(ContiFit(nullptr, SilentObserver()));
    EXPECT_NEAR(D::nonlinearPower, kTruePower, 0.02);
    EXPECT_LT(FitControl::bestRmsd, 1e-3f);
    EXPECT_LT(GetNonlinearDetectionRmsd(), 1e-3f);
}

// The kernel was once kept across a change of the radial corrections, so the next Run still
// fitted with the Lamm solutions of the old detector.
TEST(ContiNonlinearDetection, RadialGradientSwitchedOnReachesTheNextKernel) {
    DistortedStore d;
    D::nonlinearOn = false;
    ASSERT_TRUE(RunContiSed(nullptr, SilentObserver()));
    const int p = 20;
    const auto before = KernelColumn(p);
    D::magnificationOn = true;
    D::magnificationFactor = 1.2f;
    ASSERT_TRUE(RunContiSed(nullptr, SilentObserver()));
    const auto after = KernelColumn(p);
    int compared = 0;
    for (int k = 1; k < int(before.size()); ++k)
        for (int i = 1; i < int(before[k].size()); ++i) {
            if (before[k][i] < 1e-3f)
                continue;
            const double expected = 1.0 + (d.store.radii[i] - 6.0) * 0.2;
            EXPECT_NEAR(after[k][i] / before[k][i], expected, 1e-4) << k << " " << i;
            ++compared;
        }
    EXPECT_GT(compared, 100);
}

TEST(ContiNonlinearDetection, FloatedGradientIsFittedBack) {
    ContiDataStore store(DistortedStore::Case());
    D::magnificationOn = true;
    D::magnificationFactor = 1.15f;
    store.Fill({{3.5, 1.25, 0.3}, {7.0, 1.25, 0.6}});
    ChooseCsFrom0p5To12S();
    D::magnificationFactor = 1.0f;
    D::gradientFit = true;
    FitControl::simplex = true;
    FitControl::marquardtLevenberg = FitControl::simulatedAnnealing = false;
    const bool fitted = ContiFit(nullptr, SilentObserver());
    EXPECT_TRUE(fitted);
    EXPECT_NEAR(D::magnificationFactor, 1.15, 0.01);
    EXPECT_LT(FitControl::bestRmsd, 1e-3f);
    FreeDistributionArrays();
    D::ResetToDefaults();
}
