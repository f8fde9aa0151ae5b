// Where the pointer is: the data plot's band, the distribution plot, and the point searches on
// the data and residual plots, driven through the plots' own mappings of a loaded set.
#include "display/plot_coordinates.h"
#include "display/plot_hit_tests.h"
#include "display/screen_button_set.h"
#include "plotting/win_plot.h"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "support/main_window_fixture.h"

#include <gtest/gtest.h>

namespace {

// 1400 x 1000 pixels, so client rows are thousandths and logical x equals pixels.
class HitTests : public ::testing::Test {
  protected:
    HitTests() : f(1400, 1000) {
        ScanSetOptions o;
        o.count = 3;
        o.points = 60;
        f.Load(o);
        f.Paint();
    }
    MainWindowFixture f;
    TXLAWindow* w = f.window.get();
};

} // namespace

TEST_F(HitTests, DataPlotBandIsStrictAndNeedsAShownPlot) {
    ASSERT_NE(ScanStore::dataPlot, nullptr);
    const struct {
        int y;
        bool inside;
    } rows[] = {{50, false}, {51, true}, {300, true}, {474, true}, {475, false}, {10, false}};
    for (const auto& r : rows)
        EXPECT_EQ(InsideDataPlotBand(w, 700, r.y), r.inside) << r.y;
    ScanStore::showData = false;
    EXPECT_FALSE(InsideDataPlotBand(w, 700, 300));
}

TEST_F(HitTests, DistributionPlotStartsBelowNinetyFivePercentOfItsTop) {
    EXPECT_FALSE(InsideDistributionPlot(w, 700, 900)); // no distribution plot
    CWINPlot dist;
    ContiState::distributionPlot = &dist;
    // floor(0.001 * 630 * 1000 * 0.95) = 598
    EXPECT_FALSE(InsideDistributionPlot(w, 700, 598));
    EXPECT_TRUE(InsideDistributionPlot(w, 700, 599));
    ContiState::distributionPlot = nullptr;
}

TEST_F(HitTests, ScanPointFoundWithinTheToleranceOnly) {
    const CWINPlot& p = *ScanStore::dataPlot;
    const int s = ScanStore::scanOrder[2];
    const int j = 30;
    const int x = DataToLogicalX(p, ScanStore::radius[s][j]);
    const int y = DataToLogicalY(p, ScanStore::signal[s][j]);
    ASSERT_TRUE(HitTestScanPoint(s, x, y, 3, 3));
    // Neighbouring points may lie within the tolerance too; the first in radius order wins.
    EXPECT_LE(ScreenButtonSet::hitPoint, j);
    EXPECT_LT(x - DataToLogicalX(p, ScanStore::radius[s][ScreenButtonSet::hitPoint]), 3);
    // Far above any curve: nothing, and the index is cleared.
    EXPECT_FALSE(HitTestScanPoint(s, x, y - 200, 3, 3));
    EXPECT_EQ(ScreenButtonSet::hitPoint, 0);
}

TEST_F(HitTests, SearchStopsLeftOfTheFirstPointAndOutOfRangeScans) {
    const CWINPlot& p = *ScanStore::dataPlot;
    const int s = ScanStore::scanOrder[1];
    const int first = DataToLogicalX(p, ScanStore::radius[s][1]);
    const int y = DataToLogicalY(p, ScanStore::signal[s][1]);
    EXPECT_FALSE(HitTestScanPoint(s, first - 3, y, 3, 3)); // the bounds are strict
    EXPECT_TRUE(HitTestScanPoint(s, first - 2, y, 3, 3));
    EXPECT_EQ(ScreenButtonSet::hitPoint, 1);
    for (int bad : {0, ScanStore::scanCount + 1})
        EXPECT_FALSE(HitTestScanPoint(bad, first, y, 3, 3)) << bad;
    const int saved = ScanStore::pointCount[s];
    ScanStore::pointCount[s] = 0;
    EXPECT_FALSE(HitTestScanPoint(s, first, y, 3, 3));
    EXPECT_EQ(ScreenButtonSet::hitPoint, 0);
    ScanStore::pointCount[s] = saved;
}

TEST_F(HitTests, ResidualPointReportsItsIndex) {
    ASSERT_NE(ScanStore::residualPlot, nullptr);
    const CWINPlot& p = *ScanStore::residualPlot;
    const int s = ScanStore::scanOrder[3];
    const int j = ScanStore::pointCount[s];
    const int x = DataToLogicalX(p, ScanStore::radius[s][j]);
    const int y = DataToLogicalY(p, ScanStore::residuals[s][j]);
    ASSERT_TRUE(HitTestResidualPoint(s, x, y, 3, 3));
    EXPECT_GE(ScreenButtonSet::hitPoint, 1); // never point 0 of the 1-based arrays
}

TEST(PlotCoordinates, LogAxesSendNonPositiveValuesToTheMargin) {
    CWINPlot p;
    p.xLog = p.yLog = 1;
    p.plotLeft = 150;
    p.plotBottom = 475;
    p.outsideMargin = 20;
    p.xScale = p.yScale = 100.0f;
    p.xOffset = p.yOffset = 10.0f;
    EXPECT_EQ(DataToLogicalX(p, 0.0f), 130);
    EXPECT_EQ(DataToLogicalY(p, -1.0f), 455);
    EXPECT_EQ(DataToLogicalY(p, 10.0f), 110);
    p.yLog = 0;
    EXPECT_EQ(DataToLogicalY(p, -1.0f), -90);
}
