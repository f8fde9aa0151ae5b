// The switches of the parameters dialog (212) through the menu: the distribution page's
// logarithmic grid reaches the grid Run computes on, and the discrete page's time offset with its
// float box is the offset of the menu's "Sedimentation Time Offset" and "Fit t0".
#include "app/params_box.h"
#include "scandata/fit_limits.h"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/main_window_fixture.h"
#include "support/model_road.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using C = ContiState;
using M = ModelParameters;

void LoadCell(MainWindowFixture& f) {
    f.script.onUnexpected(plat::test::Unexpected::Cancel);
    f.LoadScans(6, 200);
    ASSERT_EQ(ScanStore::scanCount, 6);
    M::meniscus = 5.9f;
    M::bottom = 7.2f;
    ScanStore::leftFitLimit = 5.96f;
    ScanStore::rightFitLimit = 6.1f;
    ApplyLeftFitLimit();
    ApplyRightFitLimit();
}

bool Checked(MainWindowFixture& f, int id) {
    return f.window->GetMenuModel()->IsChecked(id);
}

TEST(ParamsDialogSwitches, LogarithmicGridReachesTheGridOfRun) {
    struct Case {
        const char* name;
        const char* rangeMin;
        bool logGrid;
        const char* refusal; // null: Run computes on the grid
    };
    const Case cases[] = {
        {"logarithmic", "1", true, nullptr},
        {"linear again", "1", false, nullptr},
        {"logarithmic from 0", "0", true, "a logarithmic grid needs a range minimum above 0"},
    };
    MainWindowFixture f;
    LoadCell(f);
    SendCommand(f, 275); // Continuous c(s) Distribution
    ASSERT_TRUE(ModelChoice::contiMode);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto& step = f.script.expectDialog(kDistributionParamsDialogId)
                         .set(kRangeMinId, c.rangeMin)
                         .set(kRangeMaxId, "16")
                         .set(kResolutionId, "21")
                         .check(kLogGridId, c.logGrid);
        step.ok();
        if (c.refusal) {
            f.script.expectBox().caption("Input Error").text(ParamsRefusalText(c.refusal));
            f.script.expectDialog(kDistributionParamsDialogId).cancel();
        }
        SendCommand(f, 212);
        ASSERT_TRUE(f.script.done()) << f.script.logText();
        if (c.refusal) {
            EXPECT_FALSE(C::logGrid);
            continue;
        }
        EXPECT_EQ(C::logGrid, c.logGrid);
        SendCommand(f, 213);
        ASSERT_EQ(C::gridPoints, 21) << f.script.logText();
        EXPECT_FLOAT_EQ(C::sValues[1], 1.0f);
        EXPECT_FLOAT_EQ(C::sValues[21], 16.0f);
        // Equal ratios on the logarithmic grid (1, 2^0.2, ... 16), equal steps on the linear one.
        EXPECT_NEAR(C::sValues[6], c.logGrid ? 2.0f : 4.75f, 1e-4f);
        EXPECT_NEAR(C::sValues[11], c.logGrid ? 4.0f : 8.5f, 1e-4f);
    }
}

// The fit of a Run with the time offset given in the dialog, in the menu, and with none.
TEST(ParamsDialogSwitches, TimeOffsetAndItsFloatBoxAreTheMenusOffset) {
    MainWindowFixture f;
    LoadCell(f);
    auto fitOfRun = [&] {
        SendCommand(f, 213);
        EXPECT_TRUE(ScanStore::resultAvailable) << f.script.logText();
        return std::vector<float>(ScanStore::fit[3] + 1, ScanStore::fit[3] + 201);
    };
    struct Case {
        const char* name;
        const char* offset;
        bool floated;
        bool on;
    };
    const Case cases[] = {
        {"offset fitted", "600", true, true},
        {"offset kept, no longer fitted", "600", false, true},
        {"floated from 0", "0", true, true},
        {"off", "0", false, false},
    };
    std::vector<float> withDialogOffset;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        f.script.expectDialog(kDiscreteParamsDialogId)
            .set(kTimeOffsetId, c.offset)
            .check(kTimeOffsetFloatId, c.floated)
            .ok();
        SendCommand(f, 212);
        ASSERT_TRUE(f.script.done()) << f.script.logText();
        EXPECT_EQ(M::timeOffsetOn, c.on);
        EXPECT_EQ(M::timeOffset, std::stof(c.offset));
        EXPECT_EQ(M::fitT0, c.floated);
        EXPECT_EQ(M::fitValues[kSlotTimeOffset], std::stof(c.offset));
        EXPECT_EQ(M::fitFloat[kSlotTimeOffset], c.floated ? 1 : 0);
        EXPECT_EQ(Checked(f, 256), c.on);
        EXPECT_EQ(Checked(f, 255), c.floated);
        // The page opens again with what it left.
        f.script.expectDialog(kDiscreteParamsDialogId).cancel();
        SendCommand(f, 212);
        EXPECT_STREQ(f.window->paramsTransfer.discrete.timeOffset.text, c.offset);
        EXPECT_EQ(f.window->paramsTransfer.discrete.timeOffset.floated, c.floated ? 1u : 0u);
        if (withDialogOffset.empty())
            withDialogOffset = fitOfRun();
    }
    const std::vector<float> without = fitOfRun();
    f.script.expectInput().prompt("offset by (sec)").answer("600");
    SendCommand(f, 256);
    ASSERT_TRUE(M::timeOffsetOn);
    const std::vector<float> withMenuOffset = fitOfRun();
    EXPECT_EQ(withDialogOffset, withMenuOffset);
    EXPECT_NE(withDialogOffset, without);
}

} // namespace
