// Nonlinear detection inside the discrete models: velocity and equilibrium scans whose detector
// followed a known power law are fitted back to that power, the recorded signal survives every
// trial unchanged, and with the correction off nothing of a Run or of the fit's free list depends
// on the correction's values.
#include "fitting/error_analysis.h"
#include "fitting/fit_driver.h"
#include "scandata/nonlinear_detection.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/simulation_switches.h"
#include "state/fit_control.h"
#include "state/fluorophore.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/equilibrium_scan_set.h"
#include "support/reset_all_state.h"
#include "support/velocity_store.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

using S = ScanStore;
using D = DetectionCorrections;

constexpr double kTruePower = 1.25;
constexpr double kBaseline = 0.05;

class NonlinearDetectionFit : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
    void TearDown() override { ResetAllState(); }

    // Two species of known truth, their signal read by a detector for which the transformed
    // reading (y - b)^p + b is proportional to concentration; returns the recorded scans.
    std::vector<std::vector<float>> LoadDistortedScans() {
        VelocitySet set;
        set.points = 201;
        ModelChoice::linearAmplitudes = true;
        FillVelocityStore(set);
        std::vector<std::vector<float>> recorded(S::scanCount + 1);
        for (int k = 1; k <= S::scanCount; ++k) {
            for (int i = 1; i <= S::pointCount[k]; ++i)
                S::signal[k][i] = float(InverseNonlinearDetectionLaw(kBaseline + S::signal[k][i],
                                                                     kTruePower, kBaseline));
            recorded[k].assign(S::signal[k], S::signal[k] + S::pointCount[k] + 1);
        }
        ModelChoice::linearBaseline = true; // the baseline b of the transformed signal
        D::nonlinearBaseline = float(kBaseline);
        PackFitParameters();
        return recorded;
    }

    static void ExpectStoreHolds(const std::vector<std::vector<float>>& recorded) {
        for (int k = 1; k <= S::scanCount; ++k)
            for (int i = 1; i <= S::pointCount[k]; ++i)
                ASSERT_EQ(S::signal[k][i], recorded[k][i]) << "scan " << k << " point " << i;
    }
};

TEST_F(NonlinearDetectionFit, RunMeetsTheDataOnlyThroughTheTruePower) {
    const auto recorded = LoadDistortedScans();
    D::nonlinearOn = true;
    struct Case {
        double power;
        bool fits; // the model meets the recorded data within its discretisation error
    } cases[] = {{kTruePower, true}, {1.0, false}, {1.6, false}};
    for (const Case& c : cases) {
        D::nonlinearPower = float(c.power);
        ASSERT_TRUE(RunDiscreteSed(nullptr)) << c.power;
        const float rmsd = GetNonlinearDetectionRmsd();
        if (c.fits)
            EXPECT_LT(rmsd, 1e-4f) << "power " << c.power;
        else
            EXPECT_GT(rmsd, 1e-3f) << "power " << c.power;
        // Shown untransformed: the store holds the recorded signal bit for bit.
        ExpectStoreHolds(recorded);
    }
    // Shown transformed, the store holds the transformed recorded signal.
    D::nonlinearPower = float(kTruePower);
    D::nonlinearShowTransformed = true;
    ASSERT_TRUE(RunDiscreteSed(nullptr));
    EXPECT_FLOAT_EQ(S::signal[3][100],
                    float(NonlinearDetectionLaw(recorded[3][100], kTruePower, kBaseline)));
}

TEST_F(NonlinearDetectionFit, FloatedPowerIsFittedBackByEachOptimiser) {
    struct Case {
        const char* name;
        bool simplex, ml;
    } cases[] = {{"simplex", true, false}, {"ML", false, true}};
    for (const Case& c : cases) {
        ResetAllState();
        const auto recorded = LoadDistortedScans();
        D::nonlinearOn = D::nonlinearPowerFit = true;
        D::nonlinearPower = 1.0f;
        FitControl::simplex = c.simplex;
        FitControl::marquardtLevenberg = c.ml;
        FitControl::simulatedAnnealing = false;
        EXPECT_EQ(RunFitWith(nullptr, SilentObserver(), CurrentModelEvaluator(), false),
                  FitOutcome::Completed)
            << c.name;
        EXPECT_NEAR(D::nonlinearPower, kTruePower, 0.005) << c.name;
        EXPECT_LT(FitControl::bestRmsd, 1e-4f) << c.name;
        ExpectStoreHolds(recorded);
    }
}

// The equilibrium model once left the transform out: the fit then read copies of an old model and
// never moved.
TEST_F(NonlinearDetectionFit, EquilibriumFitRecoversPowerAndBuoyantMass) {
    EquilibriumSet set;
    set.noise = 0.0;
    LoadEquilibriumSet(set); // Mb started at 15000, floated with loading and baseline
    for (int k = 1; k <= S::scanCount; ++k)
        for (int i = 1; i <= S::pointCount[k]; ++i)
            S::signal[k][i] = float(InverseNonlinearDetectionLaw(S::signal[k][i], 1.2, 0.0));
    const std::vector<std::vector<float>> recorded = [] {
        std::vector<std::vector<float>> r(S::scanCount + 1);
        for (int k = 1; k <= S::scanCount; ++k)
            r[k].assign(S::signal[k], S::signal[k] + S::pointCount[k] + 1);
        return r;
    }();
    const double trueMb = set.mb;
    D::nonlinearOn = D::nonlinearPowerFit = true;
    FitControl::simplex = true;
    FitControl::marquardtLevenberg = FitControl::simulatedAnnealing = false;
    EXPECT_EQ(RunFitWith(nullptr, SilentObserver(), CurrentModelEvaluator(), false),
              FitOutcome::Completed);
    EXPECT_NEAR(D::nonlinearPower, 1.2, 0.01);
    EXPECT_NEAR(ModelParameters::speciesDOrM[1] / trueMb, 1.0, 0.01);
    EXPECT_LT(FitControl::bestRmsd, 1e-4f);
    ExpectStoreHolds(recorded);

    // The confidence search refits with Mb held and the power free; the best power comes back.
    const float bestPower = D::nonlinearPower;
    float lo = 0.0f, hi = 0.0f;
    FindConfidenceLimitM(nullptr, SilentObserver(), 20.0f, 2.0f * FitControl::bestRmsd + 1e-4f, &lo,
                         &hi);
    EXPECT_EQ(D::nonlinearPower, bestPower);
}

TEST_F(NonlinearDetectionFit, CorrectionOffLeavesRunAndFreeListAsWithoutIt) {
    LoadDistortedScans();
    const std::vector<int> plain = FreeFitSlots();
    ASSERT_TRUE(RunDiscreteSed(nullptr));
    std::vector<std::vector<float>> plainFit(S::scanCount + 1);
    for (int k = 1; k <= S::scanCount; ++k)
        plainFit[k].assign(S::fit[k], S::fit[k] + S::pointCount[k] + 1);

    // The same data again, the correction's values and fit flags set, its switch off.
    ResetAllState();
    LoadDistortedScans();
    D::nonlinearPower = 2.0f;
    D::nonlinearBaseline = 0.3f;
    D::nonlinearPowerFit = D::shadowFit = D::gradientFit = true;
    D::nonlinearShowTransformed = true;
    EXPECT_EQ(FreeFitSlots(), plain);
    ASSERT_TRUE(RunDiscreteSed(nullptr));
    for (int k = 1; k <= S::scanCount; ++k)
        for (int i = 1; i <= S::pointCount[k]; ++i)
            ASSERT_EQ(S::fit[k][i], plainFit[k][i]) << "scan " << k << " point " << i;
}

} // namespace
