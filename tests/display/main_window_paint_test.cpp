// The main window's paint after loading generated scans: plots, marker lines, the erase protocol,
// nested paints under a modal box, and the one-shot temperature plot.
#include "app/load_all_data.h"
#include "display/marker_lines.h"
#include "display/paint_switches.h"
#include "display/scan_colours.h"
#include "display/scan_plots.h"
#include "plat/window_dc.hpp"
#include "plotting/aux_plots.h"
#include "plotting/plot_globals.h"
#include "plotting/win_plot.h"
#include "scandata/scan_store_alloc.h"
#include "state/fit_control.h"
#include "state/model_parameters.h"
#include "support/main_window_fixture.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>

namespace {

ScanSetOptions TenScans() {
    ScanSetOptions o;
    o.count = 10;
    o.points = 400;
    return o;
}

bool AllWhite(const plat::Surface& s) {
    for (std::uint32_t p : s.Pixels())
        if (p != 0xFFFFFFu)
            return false;
    return true;
}

int CountColour(const plat::Surface& s, COLORREF c) {
    int n = 0;
    for (int y = 0; y < s.Height(); ++y)
        for (int x = 0; x < s.Width(); ++x)
            n += s.GetPixel(x, y) == c;
    return n;
}

} // namespace

TEST(MainWindowPaint, LoadedScansShowPlotsColoursAndMarkers) {
    MainWindowFixture f(700, 500);
    f.Load(TenScans());
    ASSERT_EQ(ScanStore::scanCount, 10);
    CWINPlot* data = ScanStore::dataPlot;
    ASSERT_NE(data, nullptr);
    ASSERT_NE(ScanStore::residualPlot, nullptr);
    EXPECT_EQ(data->nCurves, 10);
    EXPECT_STREQ(data->yLabel, "absorbance [OD]");
    EXPECT_STREQ(ScanStore::residualPlot->yLabel, "residuals [OD]");
    EXPECT_EQ(data->GetCurveStyle(0), 6);
    EXPECT_EQ(data->GetCurveColor(3), ScanColour(4));
    EXPECT_EQ(data->plotBottom, 475);
    // The residual plot sits one unit lower per scan while the residuals bitmap shows.
    EXPECT_EQ(ScanStore::residualPlot->plotTop, 560);

    f.window->RequestRepaint();
    f.Paint();
    EXPECT_EQ(f.window->clientWidth, 700.0f);
    EXPECT_EQ(UiFlags::clientHeightPixels, 500);
    const plat::Surface& s = f.window->GetSurface();
    // Meniscus in red and bottom in blue over the data panel (pixel rows 25..236).
    const int meniscus = DataPlotColumn(f.window.get(), ModelParameters::meniscus);
    const int bottom = DataPlotColumn(f.window.get(), ModelParameters::bottom);
    const int left = DataPlotColumn(f.window.get(), ScanStore::leftFitLimit);
    EXPECT_EQ(s.GetPixel(meniscus, 25), 0x0000FFu);
    EXPECT_EQ(s.GetPixel(meniscus, 236), 0x0000FFu);
    EXPECT_EQ(s.GetPixel(bottom, 30), 0xFF0000u);
    EXPECT_EQ(s.GetPixel(left, 30), 0x00FF00u);
    // The scans are drawn in their colours.
    EXPECT_GT(CountColour(s, ScanColour(1)), 20);
    EXPECT_GT(CountColour(s, ScanColour(10)), 20);
    // Written at two sizes for a look.
    EXPECT_TRUE(plat::test::windowPng(*f.window, "/tmp/tarnix_display_700x500.png"));
    f.Resize(1200, 860);
    EXPECT_EQ(f.window->GetSurface().GetPixel(
                  DataPlotColumn(f.window.get(), ModelParameters::meniscus), 60),
              0x0000FFu);
    EXPECT_TRUE(plat::test::windowPng(*f.window, "/tmp/tarnix_display_1200x860.png"));
}

TEST(MainWindowPaint, GrabbedAndUnsetMarkersAreNotDrawn) {
    MainWindowFixture f(700, 500);
    f.Load(TenScans());
    const int meniscus = DataPlotColumn(f.window.get(), ModelParameters::meniscus);
    MarkerState::meniscusGrabbed = true;
    // Three of four variation limits: three grey lines, the all-set switch untouched.
    FitControl::minBottom = 0.0f;
    ModelParameters::variationLimitsSet = false;
    f.window->RequestRepaint();
    f.Paint();
    EXPECT_NE(f.window->GetSurface().GetPixel(meniscus, 100), 0x0000FFu);
    EXPECT_FALSE(ModelParameters::variationLimitsSet);
    FitControl::minBottom = 7.1f;
    f.window->RequestRepaint();
    f.Paint();
    EXPECT_TRUE(ModelParameters::variationLimitsSet);
}

TEST(MainWindowPaint, PaintWithoutEraseAsksForAnErasedOne) {
    MainWindowFixture f(700, 500);
    f.Load(TenScans());
    f.Paint();
    f.window->GetSurface().Fill(RGB(255, 255, 255));
    {
        TClientDC dc(f.window.get());
        TRect all = f.window->GetClientRect();
        f.window->Paint(dc, false, all);
    }
    EXPECT_TRUE(gEraseRequested);
    EXPECT_TRUE(f.window->ErasePending());
    EXPECT_TRUE(AllWhite(f.window->GetSurface()));
    f.Paint();
    EXPECT_FALSE(gEraseRequested);
    EXPECT_FALSE(AllWhite(f.window->GetSurface()));
}

// A command that shows a box over the plots keeps nested paints away from its half-built state.
TEST(MainWindowPaint, NestedPaintUnderAModalBoxDrawsNothing) {
    MainWindowFixture f(700, 500);
    f.Load(TenScans());
    f.window->modalBoxOpen = true;
    f.window->RequestRepaint();
    f.Paint();
    EXPECT_TRUE(AllWhite(f.window->GetSurface()));
    f.window->modalBoxOpen = false;
    f.window->runBusy = true;
    f.window->RequestRepaint();
    f.Paint();
    EXPECT_TRUE(AllWhite(f.window->GetSurface()));
    f.window->runBusy = false;
    gSuppressPlotPaint = true;
    f.window->RequestRepaint();
    f.Paint();
    EXPECT_TRUE(AllWhite(f.window->GetSurface()));
}

TEST(MainWindowPaint, DisclaimerSwitchIsClearedByTheFirstPaint) {
    MainWindowFixture f(300, 200);
    gShowDisclaimer = true;
    f.window->RequestRepaint();
    f.Paint();
    EXPECT_FALSE(gShowDisclaimer);
}

namespace {

// Three scans at the given temperatures.
void LoadAtTemperatures(MainWindowFixture& f, std::initializer_list<double> temperatures) {
    ScanSetOptions o;
    o.count = int(temperatures.size());
    o.points = 100;
    std::vector<std::string> names;
    int i = 1;
    for (double t : temperatures) {
        GeneratedScan scan = SetScan(o, i);
        scan.temperature = t;
        char name[20];
        std::snprintf(name, sizeof name, "%05d.RA1", i);
        WriteTextFile(f.data.file(name), scan.Text());
        names.push_back(name);
        ++i;
    }
    const std::string selection = SelectionBuffer(f.data.path(), names);
    LoadAllData(f.window.get(), selection.c_str());
}

} // namespace

TEST(TemperatureCheck, FluctuationAboveOneDegreeWarnsAndShowsThePlot) {
    MainWindowFixture f(700, 500);
    f.script.expectBox()
        .caption("ERROR")
        .text("temperature fluctuations exceed 1.0 degrees")
        .answer(IDOK);
    LoadAtTemperatures(f, {20.0, 20.4, 21.1});
    EXPECT_TRUE(f.script.done());
    // The box's modal loop painted the plot behind it, which released it.
    EXPECT_TRUE(AuxPlots::shown);
    EXPECT_EQ(AuxPlots::auxPlot, nullptr);
    // The repaint asked for after the box shows the scans again.
    f.Paint();
    EXPECT_FALSE(AuxPlots::shown);
}

TEST(TemperatureCheck, PlotIsShownOnceThenReleased) {
    MainWindowFixture f(700, 500);
    LoadAtTemperatures(f, {20.0, 20.4, 20.9});
    f.Paint();
    f.window->CmShowTemperaturePlot();
    ASSERT_NE(AuxPlots::auxPlot, nullptr);
    EXPECT_STREQ(AuxPlots::auxPlot->xLabel, "elapsed time (sec)");
    EXPECT_STREQ(AuxPlots::auxPlot->yLabel, "temperature (C)");
    EXPECT_EQ(AuxPlots::pointCount, 3);
    EXPECT_FLOAT_EQ(AuxPlots::temperatures[3], 20.9f);
    EXPECT_EQ(AuxPlots::auxPlot->markSize, 10);
    EXPECT_EQ(gMarkSize, 15);
    f.Paint();
    EXPECT_EQ(AuxPlots::auxPlot, nullptr);
    EXPECT_TRUE(AuxPlots::shown);
    EXPECT_TRUE(plat::test::windowPng(*f.window, "/tmp/tarnix_temperature_plot.png"));
}

TEST(TemperatureCheck, ExactlyOneDegreeAndOneScanPass) {
    MainWindowFixture f(700, 500);
    LoadAtTemperatures(f, {20.0, 21.0});
    EXPECT_EQ(AuxPlots::auxPlot, nullptr);
    EXPECT_TRUE(f.window->CheckTemperatureFluctuation(1.0f));
    EXPECT_TRUE(f.script.done());
}

TEST(TemperatureCheck, ManyScansUseSmallerSymbols) {
    MainWindowFixture f(700, 500);
    f.LoadScans(150, 20);
    f.window->CmShowTemperaturePlot();
    ASSERT_NE(AuxPlots::auxPlot, nullptr);
    EXPECT_EQ(AuxPlots::auxPlot->markSize, 5);
    EXPECT_EQ(gMarkSize, 7);
}
