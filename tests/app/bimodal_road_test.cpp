// A user's road with "Continuous c(s) with bimodal f/f0" through the menu: scans of a compact
// 4 S species and an elongated 14 S one (f/f0 1.7 inside the model's 10-20 S range) loaded, the
// model chosen, its entries typed in the parameters dialog with the second f/f0 started at 2.3 and
// floated, Run, Fit: the second f/f0 comes back within the noise, each peak at its s with its
// loading, "Fit M and s" switched after keeps it, and a picture of the window is written
// (bimodal_road.png).
#include "app/params_box.h"
#include "distributions/integrate_distribution.h"
#include "foundations/hydrodynamics.h"
#include "plat/testing.hpp"
#include "scandata/fit_limits.h"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/conti_data_store.h"
#include "support/main_window_fixture.h"
#include "support/model_road.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using C = ContiState;

constexpr double kSmallS = 4.0, kLargeS = 14.0, kLargeFf0 = 1.7;
constexpr double kSmallLoading = 0.4, kLargeLoading = 0.3;

std::vector<GeneratedScan> BimodalScans() {
    ContiStoreCase c;
    c.scans = 12;
    c.points = 381;
    c.meniscus = 6.02f;
    c.bottom = 7.16f;
    c.firstTimeS = 600.0;
    c.intervalS = 400.0;
    ContiDataStore store(c);
    ModelParameters::meniscus = 6.0f;
    ModelParameters::bottom = 7.2f;
    const auto t = static_cast<float>(store.headers[1].temperature);
    const double largeD = DFromSandM(
        static_cast<float>(CalculateMff02(static_cast<float>(kLargeS), float(kLargeFf0))),
        static_cast<float>(kLargeS), t);
    store.Fill({{kSmallS, 1.25, kSmallLoading}, {kLargeS, 1.0, kLargeLoading, largeD}}, {}, {},
               0.003, 29);
    std::vector<GeneratedScan> scans;
    for (int k = 1; k <= c.scans; ++k)
        scans.push_back(
            store.ScanFile(k, "[T OK]bimodal " + std::to_string(k), store.signal[k].data()));
    return scans;
}

} // namespace

TEST(BimodalRoad, ChooseTypeRunFitThroughTheMenu) {
    const std::vector<GeneratedScan> scans = BimodalScans();
    MainWindowFixture f(900, 700);
    f.script.onUnexpected(plat::test::Unexpected::Cancel);
    ASSERT_EQ(LoadScanFiles(f, scans), 12) << f.script.logText();

    SendCommand(f, 548); // Continuous c(s) with bimodal f/f0
    ASSERT_TRUE(ModelChoice::contiMode && ModelChoice::csBimodal);
    f.script.expectDialog(kDistributionParamsDialogId)
        .set(kRangeMinId, "1")
        .set(kRangeMaxId, "18")
        .set(kResolutionId, "52")
        .set(kFf0Id, "1.25")
        .set(kConfidenceLevelId, "0.68")
        .set(kMeniscusId, "6.0")
        .set(kBottomId, "7.2")
        .set(kBimodalFf0Id, "2.3")
        .check(kBimodalFf0Id + 1, true)
        .ok();
    SendCommand(f, 212);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    ASSERT_EQ(C::bimodalFf0, 2.3f);
    ASSERT_EQ(C::bimodalFf0Float, 1);
    ScanStore::leftFitLimit = 6.05f;
    ScanStore::rightFitLimit = 7.12f;
    FitControl::simplexTolerance = 1e-5;

    SendCommand(f, 213); // Run
    ASSERT_TRUE(ScanStore::resultAvailable) << f.script.logText();
    const float runRmsd = CalcFitRmsd();
    SendCommand(f, 215); // Fit
    EXPECT_NEAR(C::bimodalFf0, kLargeFf0, 0.05);
    EXPECT_LT(CalcFitRmsd(), runRmsd);
    EXPECT_LT(CalcFitRmsd(), 0.0035);
    float area = 0, sw = 0;
    IntegrateDistribution(1.0f, 9.0f, &area, &sw, nullptr, nullptr);
    EXPECT_NEAR(area, kSmallLoading, 0.05 * kSmallLoading);
    EXPECT_NEAR(sw, kSmallS, 0.03 * kSmallS);
    IntegrateDistribution(9.0f, 18.0f, &area, &sw, nullptr, nullptr);
    EXPECT_NEAR(area, kLargeLoading, 0.05 * kLargeLoading);
    EXPECT_NEAR(sw, kLargeS, 0.03 * kLargeS);
    // and a later command that copies the values back from the fit vector keeps the fitted one
    const float fitted = C::bimodalFf0;
    SendCommand(f, 217); // Fit M and s, switched and back
    SendCommand(f, 217);
    EXPECT_EQ(C::bimodalFf0, fitted);

    f.Paint();
    EXPECT_TRUE(plat::test::windowPng(*f.window, "bimodal_road.png"));
}
