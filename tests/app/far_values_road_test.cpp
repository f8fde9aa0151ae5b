// Values at the edge of single precision typed in the parameters dialog: a loading of 3.4e38 gave
// a Run whose fit held infinite points, stored without a word, and a bottom of 1e30 cm drew its
// marker through an out-of-range conversion to int (undefined behaviour, caught by the sanitizer
// at the first paint).
#include "app/params_box.h"
#include "display/plot_coordinates.h"
#include "plotting/win_plot.h"
#include "scandata/scan_store_alloc.h"
#include "state/model_parameters.h"
#include "support/main_window_fixture.h"

#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <limits>

namespace {

using M = ModelParameters;
using S = ScanStore;

void LoadVelocitySet(MainWindowFixture& f) {
    ScanSetOptions velocity;
    velocity.count = 6;
    velocity.dr = 0.005;
    f.Load(velocity);
    Send(f, 198);
}

bool FitFinite() {
    for (int k = 1; k <= S::scanCount; ++k)
        for (int p = 1; p <= S::pointCount[k]; ++p)
            if (!std::isfinite(S::fit[k][p]))
                return false;
    return true;
}

TEST(FarValuesRoad, ALoadingNearTheLargestFloatIsRefusedAndNothingInfiniteStored) {
    MainWindowFixture f;
    f.script.onUnexpected(plat::test::Unexpected::Fail);
    LoadVelocitySet(f);
    // The loading of species 1, of which species 2 and 3 take 0.9 each: every loading is a
    // float, their sum in the plateau is not.
    auto& dialog = f.script.expectDialog(kDiscreteParamsDialogId);
    dialog.set(SpeciesControlId(1, kLoadingItem), "3.4e38");
    for (int k = 1; k <= 3; ++k) {
        dialog.check(SpeciesControlId(k, kIncludedItem), true)
            .set(SpeciesControlId(k, kSItem), "6")
            .set(SpeciesControlId(k, kDOrMItem), "6");
        if (k > 1)
            dialog.set(SpeciesControlId(k, kLoadingItem), "0.9");
    }
    dialog.ok();
    Send(f, 212);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    f.script.expectBox().caption("ERROR").textHas("beyond the range of single precision numbers");
    Send(f, 213);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_TRUE(FitFinite());
}

TEST(FarValuesRoad, AFarBottomIsDrawnInsideTheIntRange) {
    MainWindowFixture f;
    f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
    LoadVelocitySet(f);
    f.Paint();
    f.script.expectDialog(kDiscreteParamsDialogId).set(kBottomId, "1e30").ok();
    Send(f, 212);
    f.Paint();
    Send(f, 213); // refused for the bottom; the paint after it draws the marker again
    f.Paint();
    ASSERT_NE(S::dataPlot, nullptr);
    const float far[] = {M::bottom, -1e30f, std::numeric_limits<float>::max(),
                         std::numeric_limits<float>::infinity(),
                         std::numeric_limits<float>::quiet_NaN()};
    for (const float v : far) {
        EXPECT_LE(std::abs(DataToLogicalX(*S::dataPlot, v)), 10000000) << v;
        EXPECT_LE(std::abs(DataToLogicalY(*S::dataPlot, v)), 10000000) << v;
        EXPECT_LE(std::abs(MarkerColumn(*S::dataPlot, v, 1e6f)), 10000000) << v;
    }
}

} // namespace
