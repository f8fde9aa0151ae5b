// Plots that must be drawn anew as the user goes on: the data plot at each paint while nonlinear
// detection is on, and the distribution of a realtime refit in the range the user drew last.
#include "display/plot_coordinates.h"
#include "display/plot_hit_tests.h"
#include "plat/messages.hpp"
#include "plotting/win_plot.h"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/realtime_state.h"
#include "support/main_window_fixture.h"
#include "support/model_road.h"
#include "support/two_peak_scans.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using S = ScanStore;

void SavePng(MainWindowFixture& f, const char* variable) {
    if (const char* png = std::getenv(variable))
        plat::test::windowPng(*f.window, png);
}

// Halving the signals ("Add Noise to Data or Multiply Signals", no noise) redraws the data plot
// in its old scale. With nonlinear detection on (power 1: the data as they are) the next paint
// rescales it to the halved data.
TEST(RedrawRoads, NonlinearDetectionRescalesTheDataPlotAtEachPaint) {
    for (bool nonlinear : {false, true}) {
        SCOPED_TRACE(nonlinear ? "nonlinear detection on" : "off");
        MainWindowFixture f;
        f.LoadScans(3, 200);
        if (nonlinear) {
            constexpr const char* kCaption = "Nonlinear Detection";
            f.script.expectBox()
                .caption(kCaption)
                .text("this is intended for fluorescence data - proceed anyway?")
                .answer(IDYES);
            f.script.expectBox()
                .caption(kCaption)
                .text("account for nonlinear detection")
                .answer(IDYES);
            f.script.expectInput().caption(kCaption).prompt("power coeff d(log(a))/dc").answer("1");
            f.script.expectBox().caption(kCaption).text("fit power coefficient?").answer(IDNO);
            f.script.expectInput().caption(kCaption).prompt("baseline for power law").answer("0");
            f.script.expectBox()
                .caption(kCaption)
                .text("want to show transformed data (YES) or original (NO)?")
                .answer(IDYES);
            SendCommand(f, 908);
        }
        f.Paint();
        const float top = S::dataPlot->yMax;
        float highest = 0.0f;
        for (int k = 1; k <= S::scanCount; ++k)
            for (int i = 1; i <= S::pointCount[k]; ++i)
                highest = std::max(highest, S::signal[k][i]);
        ASSERT_GE(top, highest);
        ASSERT_GT(highest, 0.1f);
        f.script.expectInput().caption("SCALE SIGNAL").answer("0.5");
        f.script.expectInput().caption("ADD NOISE TO DATA").answer("0");
        f.script.expectBox().text("save data?").answer(IDNO);
        SendCommand(f, 551);
        f.Paint();
        EXPECT_TRUE(f.script.done()) << f.script.logText();
        if (nonlinear) {
            EXPECT_LT(S::dataPlot->yMax, 0.6f * highest);
            EXPECT_GE(S::dataPlot->yMax, 0.5f * highest);
            SavePng(f, "TARNIX_NONLINEAR_PAINT_PNG");
        } else {
            EXPECT_EQ(S::dataPlot->yMax, top);
        }
    }
}

// The realtime update of a c(s) analysis: the user zooms the distribution with a band; a new
// scan file comes, the tick reloads and runs, and the new distribution is shown in that range.
TEST(RedrawRoads, RealtimeRefitShowsTheDistributionInTheRangeDrawnLast) {
    std::vector<GeneratedScan> scans = TwoSpeciesScans();
    const GeneratedScan last = scans.back();
    scans.pop_back();
    MainWindowFixture f(1000, 700);
    ASSERT_EQ(LoadScanFiles(f, scans), 11);
    ASSERT_TRUE(ChooseCsWith(f, CsRoadEntries{}));
    f.script.expectInput()
        .caption("REALTIME MODE")
        .prompt("maximal total number of files to load at once")
        .answer("20");
    f.script.expectBox()
        .caption("REALTIME MODE")
        .text("auto adjust distribution range?")
        .answer(IDYES);
    SendCommand(f, 540);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    ASSERT_TRUE(RealtimeState::realtimeOn);
    ASSERT_NE(ContiState::distributionPlot, nullptr);
    EXPECT_FALSE(RealtimeState::distributionDrawn);
    f.Paint();

    // "Rescale Distribution Plot", then a band from 5 S to 9 S over the distribution.
    SendCommand(f, 457);
    TXLAWindow* w = f.window.get();
    auto column = [&](float s) {
        return LogicalToPixelX(DataToLogicalX(*ContiState::distributionPlot, s), w->clientWidth);
    };
    const int row = static_cast<int>(0.8 * w->clientHeight);
    ASSERT_TRUE(InsideDistributionPlot(w, column(5.0f), row));
    plat::test::mouse(w, WM_RBUTTONDOWN, column(5.0f), row, MK_RBUTTON);
    plat::test::mouse(w, WM_MOUSEMOVE, column(9.0f), row, MK_RBUTTON);
    plat::test::mouse(w, WM_RBUTTONUP, column(9.0f), row);
    f.script.pumpUntilIdle();
    const float from = ContiState::distributionPlot->xMin, to = ContiState::distributionPlot->xMax;
    EXPECT_NEAR(from, 5.0f, 0.1f);
    EXPECT_NEAR(to, 9.0f, 0.1f);
    EXPECT_TRUE(RealtimeState::distributionDrawn);

    std::ofstream(f.data.file("00012.RA1")) << last.Text();
    plat::test::advanceTimers(60000);
    f.script.pumpUntilIdle();
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_EQ(S::scanCount, 12);
    ASSERT_NE(ContiState::distributionPlot, nullptr);
    EXPECT_EQ(ContiState::distributionPlot->xMin, from);
    EXPECT_EQ(ContiState::distributionPlot->xMax, to);
    float largest = 0.0f;
    for (int p = 1; p <= ContiState::gridPoints; ++p)
        if (ContiState::sValues[p] >= from && ContiState::sValues[p] <= to)
            largest = std::max(largest, ContiState::distribution[p]);
    EXPECT_GE(ContiState::distributionPlot->yMax, largest);
    f.Paint();
    SavePng(f, "TARNIX_REALTIME_DISTRIBUTION_PNG");
    SendCommand(f, 541); // Stop Realtime Update
    EXPECT_FALSE(RealtimeState::realtimeOn);
}

} // namespace
