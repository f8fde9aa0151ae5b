// The data and residual plots: residuals inside the fit ranges, "ScanRms.dat" with its worst scan,
// and the layouts and styles the rebuild gives.
#include "display/plot_replays.h"
#include "display/scan_plots.h"
#include "display/scan_rms_file.h"
#include "plotting/win_plot.h"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/dls_data.h"
#include "state/model_choice.h"
#include "support/main_window_fixture.h"
#include "support/reset_all_state.h"
#include "support/store_builder.h"
#include "support/temp_folder.h"

#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

// Three scans of four points whose fit is 0, so the residuals are the signal.
class Residuals : public ::testing::Test {
  protected:
    Residuals() {
        ResetAllState();
        FillStore({Scan(1, {1, 1, 1, 1}, "a.RA1"), Scan(2, {3, 3, 2, 2}, "b.RA1"),
                   Scan(3, {2, 3, 3, 2}, "c.RA1")});
        ScanStore::residualPlot = new CWINPlot();
        gScanRmsPath = folder.file("ScanRms.dat");
    }
    ~Residuals() override { ResetAllState(); }
    static void SetLimits() {
        ScanStore::leftFitLimit = 6.05f;
        ScanStore::rightFitLimit = 6.25f;
    }
    static StoreScan Scan(double t, std::vector<float> signal, const char* name) {
        StoreScan s;
        s.timeS = t;
        s.radius = {6.0f, 6.1f, 6.2f, 6.3f};
        s.signal = std::move(signal);
        s.name = name;
        return s;
    }
    TempFolder folder;
};

} // namespace

TEST_F(Residuals, WithoutFitLimitsEveryPointCountsAndNoFileIsWritten) {
    ScanStore::leftFitLimit = 6.05f;
    ScanStore::firstFitIndex[1] = 2;
    UpdateResiduals(true);
    EXPECT_EQ(ScanStore::residuals[1][1], 1.0f);
    EXPECT_EQ(ReadTextFile(gScanRmsPath), "");
}

TEST_F(Residuals, FitRangeZeroesTheRestAndWritesRmsPerScan) {
    SetLimits();
    // Scan 1 uses its whole length (0, 0); scans 2 and 3 points 2..3.
    for (int j : {2, 3}) {
        ScanStore::firstFitIndex[j] = 2;
        ScanStore::lastFitIndex[j] = 3;
    }
    UpdateResiduals(false);
    EXPECT_EQ(ScanStore::residuals[2][1], 0.0f);
    EXPECT_EQ(ScanStore::residuals[2][2], 3.0f);
    EXPECT_EQ(ScanStore::residuals[2][4], 0.0f);
    char expected[200];
    std::snprintf(expected, sizeof expected, "a.RA1 \t%e\nb.RA1 \t%e\nc.RA1 \t%e\n", 1.0,
                  double(std::sqrt(6.5f)), 3.0);
    EXPECT_EQ(ReadTextFile(gScanRmsPath), expected);
    EXPECT_EQ(gWorstRmsScan, 3);
}

TEST_F(Residuals, TiesKeepTheEarlierScanAsWorst) {
    SetLimits();
    for (int j : {2, 3}) {
        ScanStore::firstFitIndex[j] = 3;
        ScanStore::lastFitIndex[j] = 3;
    }
    // Scan 2 point 3 is 2, scan 3 point 3 is 3: make them equal.
    ScanStore::signal[3][3] = 2.0f;
    UpdateResiduals(false);
    EXPECT_EQ(gWorstRmsScan, 2);
}

TEST_F(Residuals, EmptyRangeStopsTheFileThere) {
    SetLimits();
    ScanStore::firstFitIndex[2] = 3;
    ScanStore::lastFitIndex[2] = 2;
    UpdateResiduals(false);
    EXPECT_EQ(ReadTextFile(gScanRmsPath), "a.RA1 \t1.000000e+00\n");
}

TEST_F(Residuals, UnwritableFileTurnsItOffAfterOneBox) {
    SetLimits();
    gScanRmsPath = folder.file("missing/ScanRms.dat");
    plat::test::Script script;
    script.expectBox().caption("ERROR").text("could not open ScanRms file").answer(IDOK);
    UpdateResiduals(false);
    EXPECT_FALSE(gWriteScanRms);
    UpdateResiduals(false);
    EXPECT_TRUE(script.done());
}

TEST(ScanPlots, TwentyScansWithTheBitmapLowerTheResidualPlot) {
    MainWindowFixture f(700, 500);
    f.LoadScans(20, 50);
    ASSERT_NE(ScanStore::residualPlot, nullptr);
    EXPECT_EQ(ScanStore::residualPlot->plotTop, 570);
    ScanStore::showResidualsBitmap = false;
    LayoutDataAndResidualPlots();
    EXPECT_EQ(ScanStore::residualPlot->plotTop, 550);
    LayoutDataPlot();
    EXPECT_EQ(ScanStore::dataPlot->plotBottom, 950);
}

TEST(ScanPlots, InterferenceStylesByScanCount) {
    for (int count : {50, 51}) {
        MainWindowFixture f(700, 500);
        ScanSetOptions o;
        o.count = count;
        o.points = 20;
        o.type = 'P';
        o.extension = "IP1";
        f.Load(o);
        ASSERT_NE(ScanStore::dataPlot, nullptr);
        EXPECT_STREQ(ScanStore::dataPlot->yLabel, "fringes");
        EXPECT_EQ(ScanStore::dataPlot->markSize, 0);
        EXPECT_EQ(ScanStore::dataPlot->GetCurveStyle(count - 1), count > 50 ? -1 : 6) << count;
    }
}

TEST(ScanPlots, ReplayOfHiddenDataDrawsNothing) {
    MainWindowFixture f(700, 500);
    f.LoadScans(3, 50);
    f.window->clientWidth = 700;
    f.window->clientHeight = 500;
    f.window->GetSurface().Fill(RGB(255, 255, 255));
    const plat::Surface white = f.window->GetSurface();
    ScanStore::showData = false;
    DrawMetafilePlot(f.window.get());
    EXPECT_EQ(f.window->GetSurface(), white);
    ScanStore::showData = true;
    DrawMetafilePlot(f.window.get());
    EXPECT_NE(f.window->GetSurface(), white);
}

// The highlight colours fit points red inside the s-range; with DLS data it draws nothing.
TEST(SRangeHighlight, RedInsideTheRangeAndNothingForDlsData) {
    MainWindowFixture f(700, 500);
    f.LoadScans(3, 200);
    f.Paint();
    f.window->GetSurface().Fill(RGB(255, 255, 255));
    const plat::Surface white = f.window->GetSurface();
    std::vector<float> grid(21);
    for (int i = 1; i <= 20; ++i)
        grid[std::size_t(i)] = float(i);
    ContiState::sValues = grid.data();
    ContiState::gridPoints = 20;
    ModelChoice::contiMode = true;
    gDlsData = true;
    HighlightSRangeInData(f.window.get(), 0.5f, 50.0f);
    EXPECT_EQ(f.window->GetSurface(), white);
    gDlsData = false;
    HighlightSRangeInData(f.window.get(), 0.5f, 50.0f);
    int red = 0;
    for (std::uint32_t p : f.window->GetSurface().Pixels())
        red += plat::Surface::FromNative(p) == RGB(255, 0, 0);
    EXPECT_GT(red, 10);
    ContiState::sValues = nullptr;
}
