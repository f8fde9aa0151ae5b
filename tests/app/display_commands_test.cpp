// Display commands on loaded scans: the zoom history, full range, the data and residual views, the
// data mark size and the copies of the plots and of the window to the clipboard.
#include "display/scan_colours.h"
#include "plat/metafile.hpp"
#include "plotting/plot_globals.h"
#include "plotting/win_plot.h"
#include "scandata/scan_store_alloc.h"
#include "state/display_options.h"
#include "state/plot_interaction_state.h"
#include "state/preference_switches.h"
#include "support/main_window_fixture.h"

#include <gtest/gtest.h>

namespace {

class DisplayCommands : public ::testing::Test {
  protected:
    DisplayCommands() {
        ScanSetOptions o;
        o.count = 4;
        o.points = 60;
        f.Load(o);
        f.Paint();
        plat::test::clearRecords();
    }
    void Range(const char* r0, const char* r1, const char* a0, const char* a1) {
        for (const char* v : {r0, r1, a0, a1})
            f.script.expectInput().title("SET DISPLAY RANGE").answer(v);
        w->CmSetRange();
    }
    MainWindowFixture f{700, 500};
    TXLAWindow* w = f.window.get();
};

} // namespace

TEST_F(DisplayCommands, SetRangePushesLevelsUpToNine) {
    Range("6.2", "6.0", "0.1", "0.9"); // falling r is swapped
    EXPECT_EQ(ZoomHistory::level, 1);
    EXPECT_FLOAT_EQ(ZoomHistory::xLow[1], 6.0f);
    EXPECT_FLOAT_EQ(ZoomHistory::xHigh[1], 6.2f);
    EXPECT_FLOAT_EQ(ScanStore::dataPlot->xMin, 6.0f);
    EXPECT_FLOAT_EQ(ScanStore::dataPlot->yMax, 0.9f);
    EXPECT_TRUE(gRangeSetByUser);
    for (int i = 2; i <= 10; ++i)
        Range("6.0", "6.1", "0", std::to_string(i).c_str());
    EXPECT_EQ(ZoomHistory::level, 9);
    EXPECT_FLOAT_EQ(ZoomHistory::yHigh[9], 10.0f); // the tenth overwrote level 9
    EXPECT_FLOAT_EQ(ZoomHistory::yHigh[8], 8.0f);
    w->CmFullRange();
    EXPECT_EQ(ZoomHistory::level, 0);
    EXPECT_FALSE(ScanStore::dataPlot->xFixed);
    EXPECT_TRUE(f.script.done());
}

TEST_F(DisplayCommands, CancelledRangeChangesNothing) {
    f.script.expectInput().title("SET DISPLAY RANGE").answer("6.0");
    f.script.expectInput().title("SET DISPLAY RANGE").cancel();
    w->CmSetRange();
    EXPECT_EQ(ZoomHistory::level, 0);
    EXPECT_TRUE(f.script.done());
}

TEST_F(DisplayCommands, ViewsLayOutThePanelsAndKeepTheZoom) {
    Range("6.0", "6.1", "0", "1");
    w->CmShowResiduals();
    EXPECT_FALSE(ScanStore::showResiduals);
    EXPECT_FALSE(w->GetMenuModel()->IsChecked(209));
    EXPECT_EQ(ScanStore::dataPlot->plotBottom, 950);
    EXPECT_FLOAT_EQ(ScanStore::dataPlot->xMax, 6.1f);
    w->CmShowData();
    EXPECT_FALSE(ScanStore::showData);
    w->CmShowResiduals();
    EXPECT_EQ(ScanStore::residualPlot->plotTop, 50);
    EXPECT_EQ(ScanStore::residualPlot->plotBottom, 950);
    w->CmShowData();
    EXPECT_EQ(ScanStore::dataPlot->plotBottom, 475);
    EXPECT_EQ(ScanStore::residualPlot->plotTop, 554);
    EXPECT_TRUE(w->IsInvalid());
}

TEST_F(DisplayCommands, DataMarkSize) {
    struct Case {
        const char* answer;
        int markSize, symbolSize, style;
    } cases[] = {{"-2", 2, 8, 6}, {"2.7", 2, 3, 6}, {"-1", 2, 3, -1}, {"4", 4, 6, 6}};
    for (const Case& c : cases) {
        f.script.expectInput().promptHas("enter data mark size").answer(c.answer);
        w->CmDataMarkSize();
        EXPECT_EQ(ScanStore::dataPlot->markSize, c.markSize) << c.answer;
        EXPECT_EQ(gMarkSize, c.symbolSize) << c.answer;
        EXPECT_EQ(ScanStore::dataPlot->GetCurveStyle(3), c.style) << c.answer;
    }
    EXPECT_FALSE(gMarksAsLines);
}

TEST_F(DisplayCommands, CopyDataPlotPutsAPictureAndRestoresStylesAndColours) {
    // Lines chosen with the mark size stay lines after the copy.
    f.script.expectInput().promptHas("enter data mark size").answer("-1");
    w->CmDataMarkSize();
    f.script.expectBox()
        .caption("Copy Data Plot to Clipboard")
        .text("connect data points with lines?")
        .answer(IDNO);
    f.script.expectBox()
        .caption("Copy Data Plot to Clipboard")
        .text("Paint Black and White?")
        .answer(IDYES);
    w->CmCopyDataPlot();
    const plat::ClipData& clip = plat::test::clipboard();
    ASSERT_NE(clip.picture, nullptr);
    EXPECT_EQ(clip.pictureExtent, (TSize{13000, 9000}));
    const std::string svg = plat::ToSvg(*clip.picture);
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    // Black and white: played back, the copied picture shows no scan colour, the screen's plot
    // has its colours back.
    TBitmap played(1400, 1000, RGB(255, 255, 255));
    {
        TMemoryDC dc(played);
        dc.SetMapMode(MM_ANISOTROPIC);
        dc.SetWindowExt(TSize{1400, 1000});
        dc.SetViewportExt(TSize{1400, 1000});
        PlayMetaFile(dc, *clip.picture);
    }
    int coloured = 0, black = 0;
    for (std::uint32_t p : played.Pixels()->Pixels()) {
        coloured += plat::Surface::FromNative(p) == ScanColour(1);
        black += p == 0u;
    }
    EXPECT_EQ(coloured, 0);
    EXPECT_GT(black, 100);
    EXPECT_EQ(ScanStore::dataPlot->GetCurveColor(0), ScanColour(1));
    EXPECT_EQ(ScanStore::residualPlot->GetCurveColor(2), ScanColour(3));
    EXPECT_EQ(ScanStore::dataPlot->GetCurveStyle(0), -1);
    EXPECT_TRUE(f.script.done());
}

TEST_F(DisplayCommands, CopyScreenshotIsTheClientArea) {
    w->CmCopyScreenshot();
    const plat::ClipData& clip = plat::test::clipboard();
    ASSERT_TRUE(clip.bitmap.has_value());
    EXPECT_EQ(*clip.bitmap, w->GetSurface());
}

TEST_F(DisplayCommands, ResidualsBitmapHidesThenAsksForItsScale) {
    w->CmShowResidualsBitmap();
    EXPECT_FALSE(ScanStore::showResidualsBitmap);
    f.script.expectInput().title("BITMAP BRIGHTNESS SCALE").cancel();
    w->CmShowResidualsBitmap();
    EXPECT_TRUE(ScanStore::showResidualsBitmap);
    EXPECT_TRUE(w->GetMenuModel()->IsChecked(504));
    EXPECT_TRUE(f.script.done());
}

TEST_F(DisplayCommands, FitUpdatingAllNoAsksNoInterval) {
    for (const char* q :
         {"data and fit plot?", "residuals plot?", "residuals bitmap?", "distribution plot?"})
        f.script.expectBox().caption("UPDATE DURING FIT").text(q).answer(IDNO);
    w->CmFitUpdatingPreferences();
    EXPECT_TRUE(f.script.done());
    EXPECT_FALSE(gUpdateDataPlot || gUpdateResidualsPlot || gUpdateResidualsBitmap ||
                 gUpdateDistributionPlot);
    // Entries 2 to 5 of the preferences file are the four switches.
    std::string prefs = ReadTextFile(f.folder.file("tarnixparams.ini"));
    std::vector<std::string> lines;
    for (std::size_t at = 0, nl; (nl = prefs.find('\n', at)) != std::string::npos; at = nl + 1)
        lines.push_back(prefs.substr(at, nl - at));
    ASSERT_GT(lines.size(), 5u);
    for (int i = 2; i <= 5; ++i)
        EXPECT_EQ(lines[std::size_t(i)], "0") << i;
}
