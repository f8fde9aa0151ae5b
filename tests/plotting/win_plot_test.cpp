// The plot object: defaults, palette, curve list operations and their index checks.
#include "plot_test_curves.h"
#include "plotting/plot_globals.h"
#include "plotting/win_plot.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

TEST(WinPlot, NewPlotHasItsDefaults) {
    CWINPlot p;
    EXPECT_EQ(p.newCurveStyle, -1);
    EXPECT_EQ(p.markSize, 10);
    EXPECT_EQ(p.fillBackground, 1);
    EXPECT_EQ(p.yLabelFactor, 1.0f);
    EXPECT_EQ(p.outsideMargin, 20);
    EXPECT_EQ(p.buttonSize, 20);
    EXPECT_EQ(p.backgroundColour, 0xFFFFFFu);
    EXPECT_EQ(p.foregroundColour, 0u);
    EXPECT_EQ(p.scaleChanged, 1);
    EXPECT_EQ(p.nCurves, 0);
    EXPECT_EQ(p.metaFile, nullptr);
}

TEST(WinPlot, PaletteColoursByIndex) {
    CWINPlot p;
    struct Case {
        int index;
        COLORREF expected;
    } cases[] = {{-1, 0xC8C8C8}, {0, 0x000000}, {1, 0x0000FF},  {4, 0x6464FF},
                 {7, 0xFFC864},  {9, 0x006464}, {12, 0x00FFFF}, {20, 0x000000}};
    for (const Case& c : cases)
        EXPECT_EQ(p.GetPaletteColor(c.index), c.expected) << c.index;
}

TEST(WinPlot, FirstCurvesTakeRedRedYellowAndTheNewCurveStyle) {
    CWINPlot p;
    auto a = MakeCurve({0, 1}, {0, 1});
    auto b = MakeCurve({0, 1}, {1, 2});
    auto c = MakeCurve({0, 1}, {2, 3});
    p.AddCurve(a.get());
    p.AddCurve(b.get());
    p.AddCurve(c.get());
    ASSERT_EQ(p.nCurves, 3);
    EXPECT_EQ(p.GetCurveColor(0), 0x0000FFu);
    EXPECT_EQ(p.GetCurveColor(1), 0x0000FFu);
    EXPECT_EQ(p.GetCurveColor(2), 0x00FFFFu);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(p.GetCurveStyle(i), -1);
        EXPECT_EQ(p.curveColourSet[std::size_t(i)], 0);
    }
}

TEST(WinPlot, SettersIgnoreIndicesOutsideTheList) {
    CWINPlot p;
    auto a = MakeCurve({0, 1}, {0, 1});
    p.AddCurve(a.get());
    p.SetCurveColor(1, 0x123456);
    p.SetCurveColor(-1, 0x123456);
    p.SetCurveStyle(1, 5);
    p.SetCurveRange(3, 0, 1);
    EXPECT_EQ(p.GetCurveColor(0), 0x0000FFu);
    EXPECT_EQ(p.GetCurveColor(1), 0u);
    EXPECT_EQ(p.GetCurveStyle(1), 0);
    EXPECT_EQ(p.partialRange[0], 0);
}

// SetCurveLegend used to write a legend copy for any index; now it is checked like the others.
TEST(WinPlot, LegendForMissingCurveIsIgnored) {
    CWINPlot p;
    auto a = MakeCurve({0, 1}, {0, 1});
    p.AddCurve(a.get());
    p.SetCurveLegend(5, "nowhere");
    p.SetCurveLegend(-1, "nowhere");
    p.SetCurveLegend(0, "scan 1");
    EXPECT_STREQ(p.legends[0].get(), "scan 1");
    EXPECT_EQ(p.legends.size(), 1u);
}

TEST(WinPlot, CurveRangeIsClampedToTheCurve) {
    CWINPlot p;
    auto a = SampledCurve(200, [](float x) { return x; });
    p.AddCurve(a.get());
    p.SetCurveRange(0, -5, 1000);
    EXPECT_EQ(p.partialRange[0], 1);
    EXPECT_EQ(p.rangeFirst[0], 0);
    EXPECT_EQ(p.rangeLast[0], 199);
}

TEST(WinPlot, SecondaryRangeOrdersItsEndsAndSwitchesOffWhenEqual) {
    CWINPlot p;
    p.SetY2Range(5, 2);
    EXPECT_EQ(p.y2On, 1);
    EXPECT_EQ(p.y2Min, 2.0f);
    EXPECT_EQ(p.y2Max, 5.0f);
    p.SetY2Range(3, 3);
    EXPECT_EQ(p.y2On, 0);
    EXPECT_EQ(p.y2Min, 0.0f);
    EXPECT_EQ(p.y2Max, 0.0f);
}

TEST(WinPlot, RemovingTheOnlyCurveClearsTheScales) {
    CWINPlot p;
    p.SetPlotRect(100, 100, 400, 500);
    auto a = MakeCurve({0, 10}, {1, 3});
    p.AddCurve(a.get());
    ASSERT_NE(p.xScale, 0.0f);
    p.RemoveLastCurve();
    EXPECT_EQ(p.nCurves, 0);
    EXPECT_EQ(p.xScale, 0.0f);
    EXPECT_EQ(p.yScale, 0.0f);
    EXPECT_EQ(p.xOffset, 0.0f);
    EXPECT_EQ(p.yOffset, 0.0f);
}

TEST(WinPlot, TextsAreCutToTheirFields) {
    CWINPlot p;
    const std::string longText(150, 'x');
    EXPECT_EQ(std::strlen(p.SetTitle(longText.c_str())), 99u);
    EXPECT_EQ(p.titleShown, 1);
    p.SetColourBarTitle(1, 2, std::string(700, 'y').c_str());
    EXPECT_EQ(std::strlen(p.colourBarTitle), 499u);
    EXPECT_STREQ(p.SetXLabel("radius [cm]"), "radius [cm]");
    p.ClearXLabel();
    EXPECT_EQ(p.xLabelShown, 0);
    EXPECT_STREQ(p.xLabel, "");
}

TEST(WinPlot, ErrorBarsAttachOnlyWithOnePerPoint) {
    CWINPlot p;
    auto a = MakeCurve({0, 1, 2}, {1, 2, 3});
    p.AddCurve(a.get());
    float wrong[2] = {1, 2};
    float right[3] = {1.5f, 2.5f, 3.5f};
    p.AttachUpperErrors(0, wrong, 2);
    EXPECT_EQ(p.upperErrorsOn, 0);
    p.AttachUpperErrors(1, right, 3);
    EXPECT_EQ(p.upperErrorsOn, 0);
    p.AttachUpperErrors(0, right, 3);
    EXPECT_EQ(p.upperErrorsOn, 1);
    EXPECT_EQ(gMarkSize, 15);
    gMarkSize = 8;
}

TEST(WinPlot, StartingWithACurveScalesWithoutRecording) {
    auto a = MakeCurve({0, 10}, {1, 3});
    CWINPlot p(a.get());
    EXPECT_EQ(p.nCurves, 1);
    EXPECT_EQ(p.GetCurveStyle(0), 0);
    EXPECT_NEAR(p.xMax, 10.5f, 1e-5);
    EXPECT_EQ(p.metaFile, nullptr);
}
