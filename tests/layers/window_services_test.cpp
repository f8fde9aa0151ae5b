// The layers below the window reach it only through the services table: a loader step calls
// the entries a recording table lends it, and an empty table leaves the engines windowless.
#include "scandata/load_steps.h"
#include "scandata/scan_user_messages.h"
#include "state/model_choice.h"
#include "state/realtime_state.h"
#include "state/window_services.h"
#include "support/reset_all_state.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::vector<std::string> gCalls;

WindowServiceTable RecordingTable() {
    WindowServiceTable t;
    t.requestRepaint = [](TXLAWindow*) { gCalls.push_back("repaint"); };
    t.showNoiseButtons = [](int which) { gCalls.push_back("show noise " + std::to_string(which)); };
    t.hideNoiseButtons = [] { gCalls.push_back("hide noise"); };
    return t;
}

struct WindowServicesTest : ::testing::Test {
    void SetUp() override {
        ResetAllState();
        gCalls.clear();
        WindowServices::table = RecordingTable();
    }
    void TearDown() override { ResetAllState(); }
};

TEST_F(WindowServicesTest, LoaderStepsCallTheEntriesOfTheTable) {
    auto* window = reinterpret_cast<TXLAWindow*>(&gCalls); // never dereferenced by the table
    ModelChoice::fitTINoise = true;
    ApplyLoadSwitches();
    ModelChoice::fitTINoise = ModelChoice::fitRINoise = false;
    ApplyLoadSwitches();
    ScanRequestRepaint(window);
    ScanRequestRepaint(nullptr); // no window: nothing to repaint
    EXPECT_EQ(gCalls, (std::vector<std::string>{"show noise 0", "hide noise", "repaint"}));
}

TEST_F(WindowServicesTest, EmptyEntriesLeaveTheEnginesWindowless) {
    WindowServices::table = {};
    auto* window = reinterpret_cast<TXLAWindow*>(&gCalls);
    EXPECT_EQ(WindowServices::PlatformWindow(window), nullptr);
    EXPECT_TRUE(WindowServices::CheckTemperatureFluctuation(window, 1.0f));
    EXPECT_EQ(WindowServices::ClientWidth(window), 0.0f);
    WindowServices::RedrawDataPlot(true);
    WindowServices::RunModel(window);
    EXPECT_TRUE(gCalls.empty());
}

} // namespace
