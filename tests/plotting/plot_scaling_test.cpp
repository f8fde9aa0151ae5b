// Plot scaling: the plot rectangle, automatic ranges with margins, fixed and mirrored ranges,
// zoom, and bad input (empty plots, NaN and infinite values, zero-width ranges).
#include "plot_test_curves.h"
#include "plotting/win_plot.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

constexpr float kTol = 1e-5f;

// Columns 100 .. 500 and rows 400 (bottom) .. 100 (top): window units 71.5 and 357.2 give these.
void StandardRect(CWINPlot& p) {
    p.plotLeft = 100;
    p.plotRight = 500;
    p.plotBottom = 400;
    p.plotTop = 100;
}

} // namespace

TEST(PlotScaling, DistributionRectangleGivesColumnsOfTruncatedProducts) {
    CWINPlot p;
    p.SetPlotRect(50, 475, 550, 950);
    EXPECT_EQ(p.plotLeft, 664);
    EXPECT_EQ(p.plotRight, 1329);
    EXPECT_EQ(p.plotBottom, 550);
    EXPECT_EQ(p.plotTop, 50);
    EXPECT_EQ(p.frameLeft, 656);
    EXPECT_EQ(p.frameBottom, 578);
    EXPECT_EQ(p.frameRight, 1337);
    EXPECT_EQ(p.frameTop, 42);
}

TEST(PlotScaling, FrameFollowsTheAxisSwitches) {
    CWINPlot p;
    p.noYAxis = 1;
    p.noXAxis = 1;
    p.noTopGap = 1;
    p.SetPlotRect(50, 475, 550, 950);
    EXPECT_EQ(p.frameLeft, 659);
    EXPECT_EQ(p.frameRight, 1334);
    EXPECT_EQ(p.frameBottom, 550);
    EXPECT_EQ(p.frameTop, 50);
}

TEST(PlotScaling, AutomaticRangesGetTheirMargins) {
    struct Case {
        const char* name;
        std::vector<float> y;
        bool fromZero;
        float yMin, yMax;
    } cases[] = {
        {"positive", {1, 2, 3}, false, 0.895f, 3.1f},
        {"from zero", {1, 2, 3}, true, 0.0f, 3.15f},
        {"residuals", {-2, 0, 1}, false, -2.0f, 1.15f},
        {"all equal", {5, 5, 5}, false, 3.895f, 6.1f},
    };
    for (const Case& c : cases) {
        CWINPlot p;
        StandardRect(p);
        p.yFromZero = c.fromZero;
        auto curve = MakeCurve({0, 5, 10}, c.y);
        p.AddCurve(curve.get());
        EXPECT_NEAR(p.xMin, -0.5f, kTol) << c.name;
        EXPECT_NEAR(p.xMax, 10.5f, kTol) << c.name;
        EXPECT_NEAR(p.xScale, 400.0f / 11.0f, kTol) << c.name;
        EXPECT_NEAR(p.yMin, c.yMin, kTol) << c.name;
        EXPECT_NEAR(p.yMax, c.yMax, kTol) << c.name;
        EXPECT_LT(p.yScale, 0.0f) << c.name;
        EXPECT_NEAR(p.Row(p.yMin), 400, 1) << c.name;
        EXPECT_NEAR(p.Column(p.xMin), 100, 1) << c.name;
    }
}

TEST(PlotScaling, FixedRangesSurviveNewCurvesUntilFullRange) {
    CWINPlot p;
    StandardRect(p);
    auto a = MakeCurve({0, 10}, {1, 3});
    auto b = MakeCurve({-50, 50}, {-9, 9});
    p.AddCurve(a.get());
    p.SetRanges(0, 10, 0, 5e10f);
    EXPECT_EQ(p.yMax, 1.0f);
    EXPECT_EQ(p.xFixed, 1);
    p.AddCurve(b.get());
    EXPECT_EQ(p.xMin, 0.0f);
    EXPECT_EQ(p.xMax, 10.0f);
    EXPECT_EQ(p.yMin, 0.0f);
    EXPECT_EQ(p.yMax, 1.0f);
    p.FullRange();
    EXPECT_NEAR(p.xMin, -55.0f, kTol);
    EXPECT_NEAR(p.xMax, 55.0f, kTol);
    EXPECT_NEAR(p.yMin, -9.0f, kTol);
}

TEST(PlotScaling, NarrowOrUnusableRangesChangeNothing) {
    CWINPlot p;
    StandardRect(p);
    auto a = MakeCurve({0, 10}, {1, 3});
    p.AddCurve(a.get());
    const float x0 = p.xMin, x1 = p.xMax, s = p.xScale;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    p.SetRanges(2, 2, 0, 1);
    p.SetXRange(4, 4);
    p.ZoomX(3, 3);
    p.SetXRange(nan, 4);
    p.ZoomX(0, std::numeric_limits<float>::infinity());
    EXPECT_EQ(p.xMin, x0);
    EXPECT_EQ(p.xMax, x1);
    EXPECT_EQ(p.xScale, s);
    EXPECT_EQ(p.xFixed, 0);
    EXPECT_TRUE(std::isfinite(p.yScale));
}

TEST(PlotScaling, MirroredRangeIsStoredAsGiven) {
    CWINPlot p;
    StandardRect(p);
    auto a = MakeCurve({0, 10}, {1, 3});
    p.AddCurve(a.get());
    p.SetRanges(10, 0, 0, 4);
    EXPECT_EQ(p.xMin, 10.0f);
    EXPECT_EQ(p.xMax, 0.0f);
    EXPECT_EQ(p.Column(10), 100);
    EXPECT_EQ(p.Column(0), 500);
}

TEST(PlotScaling, ZoomFitsYToTheVisiblePointsWithoutMargin) {
    CWINPlot p;
    StandardRect(p);
    auto a = MakeCurve({0, 1, 2, 3, 4, 5}, {9, 2, 4, 3, -7, 0});
    p.AddCurve(a.get());
    p.ZoomX(1, 3);
    EXPECT_EQ(p.xFixed, 1);
    EXPECT_EQ(p.yFixed, 0);
    EXPECT_EQ(p.yMin, 2.0f);
    EXPECT_EQ(p.yMax, 4.0f);
    p.ZoomX(20, 30); // no point there: both extremes 0, then widened
    EXPECT_EQ(p.yMin, -1.0f);
    EXPECT_EQ(p.yMax, 1.0f);
}

TEST(PlotScaling, EmptyPlotTakesTheUnitRanges) {
    CWINPlot p;
    StandardRect(p);
    p.AutoScale();
    p.SetRanges(0, 5, 0, 5);
    p.ZoomX(1, 2);
    EXPECT_EQ(p.xMin, -1.0f);
    EXPECT_EQ(p.xMax, 1.0f);
    EXPECT_EQ(p.yMin, -1.0f);
    EXPECT_EQ(p.yMax, 1.0f);
    EXPECT_EQ(p.xScale, 0.0f);
    EXPECT_FALSE(p.Draw());
}

TEST(PlotScaling, NonFiniteValuesNeverReachTheScales) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    CWINPlot p;
    StandardRect(p);
    auto a = MakeCurve({nan, 0, 5, inf, 10}, {inf, 1, nan, 2, 3});
    p.AddCurve(a.get());
    EXPECT_NEAR(p.xMin, -0.5f, kTol);
    EXPECT_NEAR(p.xMax, 10.5f, kTol);
    EXPECT_NEAR(p.yMax, 3.1f, kTol);
    EXPECT_TRUE(std::isfinite(p.xScale) && std::isfinite(p.yScale));
    EXPECT_TRUE(std::isfinite(p.xOffset) && std::isfinite(p.yOffset));
    auto only = MakeCurve({nan, nan}, {nan, inf});
    CWINPlot q;
    StandardRect(q);
    q.AddCurve(only.get());
    EXPECT_EQ(q.xMin, -1.1f);
    EXPECT_TRUE(std::isfinite(q.yScale));
    EXPECT_TRUE(q.Draw());
}

TEST(PlotScaling, SecondaryRangeFromPixelRows) {
    CWINPlot p;
    StandardRect(p);
    EXPECT_EQ(p.Y2FromPixel(250), 0.0f);
    p.SetY2Range(10, 20);
    EXPECT_EQ(p.Y2FromPixel(400), 10.0f);
    EXPECT_EQ(p.Y2FromPixel(100), 20.0f);
    EXPECT_EQ(p.Y2FromPixel(250), 15.0f);
}

TEST(PlotScaling, ColourCurveOnSecondaryRangeDoesNotSetY) {
    CWINPlot p;
    StandardRect(p);
    auto a = MakeCurve({0, 10}, {1, 3});
    auto b = MakeCurve({0, 10}, {100, 300});
    float values[2] = {1, 2};
    p.AddCurve(a.get());
    p.AddCurve(b.get());
    p.SetColourValues(1, values, 0, 1, false);
    p.SetY2Range(0, 400);
    p.AutoScale();
    EXPECT_NEAR(p.yMax, 3.1f, kTol);
}

TEST(PlotScaling, CurvesAddedTogetherScaleAsWhenAddedOneByOne) {
    // A NaN, a curve reaching far below the others and one far to the right: the one scaling after
    // all of them must cover each, exactly as rescaling after every curve does.
    auto a = MakeCurve({0, 1, 2}, {1, std::nanf(""), 3});
    auto b = MakeCurve({0.5f, 1.5f}, {-4, 2});
    auto c = MakeCurve({1, 9}, {2, 2.5f});
    CWINPlot one, together;
    StandardRect(one);
    StandardRect(together);
    for (CCurve* curve : {a.get(), b.get(), c.get()})
        one.AddCurve(curve);
    together.AddCurves({a.get(), b.get(), c.get()});
    EXPECT_EQ(together.nCurves, 3);
    EXPECT_EQ(together.xMin, one.xMin);
    EXPECT_EQ(together.xMax, one.xMax);
    EXPECT_EQ(together.yMin, one.yMin);
    EXPECT_EQ(together.yMax, one.yMax);
    EXPECT_LE(together.yMin, -4.0f);
    EXPECT_GT(together.xMax, 9.0f);
}
