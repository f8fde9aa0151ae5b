// A Levenberg-Marquardt fit that cannot determine a parameter is no result: a model that stops
// depending on s of species 1 above 3.3 S, on data of 3.5 S. The fit reaches that region, the box
// says the fit failed, and the start values come back with their curves.
#include "fitting/fit_driver.h"
#include "plat/msgbox.hpp"
#include "plat/testing.hpp"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/scan_store.h"
#include "support/reset_all_state.h"
#include "support/two_component_start.h"
#include "support/velocity_store.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

using M = ModelParameters;

// A model of the two s values whose first stops mattering above 3.3 S.
float Model(int k, int i, int n, double s1, double s2) {
    return float(0.3 * (1.0 - std::exp(-std::min(s1, 3.3) * k / 10.0)) + 0.02 * s2 * i / n);
}

bool CappedModel(TXLAWindow*) {
    for (int k = 1; k <= ScanStore::scanCount; ++k)
        for (int i = 1; i <= ScanStore::pointCount[k]; ++i)
            ScanStore::fit[k][i] =
                Model(k, i, ScanStore::pointCount[k], M::speciesS[1], M::speciesS[2]);
    return true;
}

// Points 1..n: slot 0 of a 1-based row is never written and may hold anything, NaN too.
std::vector<float> FitOfScan(int k) {
    return {ScanStore::fit[k] + 1, ScanStore::fit[k] + ScanStore::pointCount[k] + 1};
}

TEST(FailedFit, LeavesTheStartValuesAndSaysSo) {
    ResetAllState();
    VelocitySet set;
    set.points = 201;
    set.noise = 0.005;
    ModelChoice::linearAmplitudes = true;
    FillVelocityStore(set);
    SetTwoSpeciesStartValues();
    M::speciesDOrMFloat[1] = M::speciesDOrMFloat[2] = 0;
    // The data: s 3.5 and 7 S, beyond the cap.
    for (int k = 1; k <= ScanStore::scanCount; ++k)
        for (int i = 1; i <= ScanStore::pointCount[k]; ++i)
            ScanStore::signal[k][i] = Model(k, i, ScanStore::pointCount[k], 3.5, 7.0) +
                                      0.002f * float((i * 7 + k) % 5 - 2);
    FitControl::simplex = false;
    FitControl::marquardtLevenberg = true;
    FitControl::bestRmsd = 0.125f; // of an earlier fit: not replaced
    plat::test::Script script;
    script.expectBox().caption("Error").textHas("The fit failed").answer(IDOK);
    EXPECT_EQ(RunFitWith(nullptr, SilentObserver(), CappedModel, false), FitOutcome::Failed);
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_EQ(M::speciesS[1], 3.0f);
    EXPECT_EQ(M::speciesS[2], 8.0f);
    EXPECT_EQ(FitControl::bestRmsd, 0.125f);
    // The curves shown are those of the start values.
    const std::vector<float> shown = FitOfScan(5);
    CappedModel(nullptr);
    EXPECT_EQ(FitOfScan(5), shown);
    ResetAllState();
}

} // namespace
