// A user's road to the electrophoresis c(v): scans loaded as electrophoresis data, two species of
// one D made by the discrete electrophoresis model and taken as data with noise, then c(v) chosen,
// its one D typed in the parameters dialog, Run and a Fit of the meniscus from a start off the
// truth: the peaks lie at the species' velocities with their loadings.
#include "app/params_box.h"
#include "plat/testing.hpp"
#include "scandata/fit_limits.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/distribution_maximum.h"
#include "support/electrophoresis_scan_files.h"
#include "support/main_window_fixture.h"
#include "support/model_road.h"
#include "support/race_checker.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using M = ModelParameters;
using C = ContiState;

} // namespace

TEST(DriftCvRoad, FindsBothVelocitiesOfTheElectrophoresisModelAndFitsTheMeniscus) {
    MainWindowFixture f{900, 650};
    f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
    ScanPaths::gDataPath = f.data.file("~tmppars.RA1");
    const int points = FullOrUnderRaceChecker(201, 101);
    f.script.expectFileOpen().answer(WriteElectrophoresisScans(f, "drift", 4, points));
    SendCommand(f, 290); // load electrophoresis data
    ASSERT_EQ(ScanStore::scanCount, 4) << f.script.logText();
    ASSERT_TRUE(ScanDataKind::electrophoresis && ModelChoice::electrophoresis);
    ScanStore::leftFitLimit = 1.01f, ScanStore::rightFitLimit = 1.39f;
    ApplyLeftFitLimit();
    ApplyRightFitLimit();
    auto& dialog = f.script.expectDialog(kDiscreteParamsDialogId);
    const char* truth[2][3] = {{"1.2", "2", "0.4"}, {"2.4", "2", "0.5"}}; // v, D, loading
    for (int k = 1; k <= 4; ++k) {
        dialog.check(SpeciesControlId(k, kIncludedItem), k <= 2);
        if (k > 2)
            continue;
        dialog.set(SpeciesControlId(k, kLoadingItem), truth[k - 1][2])
            .check(SpeciesControlId(k, kLoadingItem + 1), false)
            .set(SpeciesControlId(k, kSItem), truth[k - 1][0])
            .check(SpeciesControlId(k, kSItem + 1), false)
            .set(SpeciesControlId(k, kDOrMItem), truth[k - 1][1])
            .check(SpeciesControlId(k, kDOrMItem + 1), false);
    }
    dialog.set(kMeniscusId, "1.0").set(kBottomId, "1.4").ok();
    SendCommand(f, 212);
    ASSERT_TRUE(RunModelAsNoisyData(f, 9, 0.004)) << f.script.logText();
    const double slow = M::speciesLoading[1], fast = M::speciesLoading[2];
    ASSERT_GT(slow, 0.05);
    ASSERT_GT(fast, 0.05);
    f.script.expectFileOpen().answer(WriteElectrophoresisScans(f, "drift", 4, points));
    SendCommand(f, 290);
    ASSERT_EQ(ScanStore::scanCount, 4) << f.script.logText();
    ApplyLeftFitLimit();
    ApplyRightFitLimit();

    SendCommand(f, 513);
    ASSERT_TRUE(ModelChoice::cvElectrophoresis && ModelChoice::contiMode) << f.script.logText();
    f.script.expectDialog(kDistributionParamsDialogId)
        .set(kRangeMinId, "0.5")
        .set(kRangeMaxId, "3")
        .set(kResolutionId, "26")
        .set(kInvariantDId, "2") // 1e-7 cm^2/s
        .set(kMeniscusId, "1.0")
        .set(kBottomId, "1.4")
        .ok();
    SendCommand(f, 212);
    ASSERT_FLOAT_EQ(C::invariantD, 2e-7f) << f.script.logText();
    SendCommand(f, 213);
    ASSERT_NE(C::distribution, nullptr) << f.script.logText();
    double area = 0.0;
    EXPECT_NEAR(DistributionPeakIn(0.5, 1.8, &area), 1.2, 0.06);
    EXPECT_NEAR(area, slow, 0.05 * slow) << "slow";
    EXPECT_NEAR(DistributionPeakIn(1.8, 3.0, &area), 2.4, 0.1);
    EXPECT_NEAR(area, fast, 0.05 * fast) << "fast";

    M::meniscus = 1.008f;
    M::meniscusFloat = 1;
    FitControl::meniscusMin = 0.99f;
    FitControl::meniscusMax = 1.02f;
    PackFitParameters();
    SendCommand(f, 215);
    EXPECT_NEAR(M::meniscus, 1.0, 0.003) << f.script.logText();
    EXPECT_NEAR(DistributionPeakIn(1.8, 3.0, &area), 2.4, 0.1) << "after the Fit";
    f.window->Invalidate(true);
    f.Paint();
    ASSERT_TRUE(plat::test::windowPng(*f.window, f.data.file("cv.png")));
    if (const char* keep = std::getenv("TARNIX_KEEP_PNG"))
        plat::test::windowPng(*f.window, std::string(keep) + "/cv.png");
}
