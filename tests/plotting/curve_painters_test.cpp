// One-curve painters: the point range rules, runs broken by invisible points, symbols and sizes,
// dashed style 14, point steps, per-point colours, and that the plot is left as it was.
#include "foundations/nr_arrays.h"
#include "plot_test_curves.h"
#include "plotting/curve_painters.h"
#include "plotting/plot_globals.h"
#include "plotting/win_plot.h"

#include <gtest/gtest.h>
#include <string>

namespace {

// A plot whose scale maps x straight to columns and y to rows 1000 - y.
struct UnitPlot {
    CWINPlot plot;
    std::unique_ptr<CCurve> anchor = MakeCurve({0, 1000}, {0, 1000});
    UnitPlot() {
        plot.plotLeft = 0;
        plot.plotRight = 1000;
        plot.plotTop = 0;
        plot.plotBottom = 1000;
        plot.AddCurve(anchor.get());
        plot.SetRanges(0, 1000, 0, 1000);
        gDashPhase = 1;
    }
};

// Listing of a style -1 run over the points [s, e) (0-based) of x = 10 (i + 1), y = 100.
std::string LineRun(int s, int e) {
    std::string out = "M " + std::to_string(10 * (s + 1)) + " 900\n";
    for (int i = s; i < e; ++i) {
        out += (i == s ? "M " : "L ") + std::to_string(10 * (i + 1)) + " 900\n";
    }
    return out;
}

} // namespace

TEST(CurvePainters, PointRangeRules) {
    UnitPlot u;
    auto c = SampledCurve(
        10, [](float) { return 100.0f; }, 10, 10);
    struct Case {
        int first, last, s, e;
    } cases[] = {
        {1, 10, 0, 10},  {5, 5, 4, 10},  {9, 10, 0, 10}, {0, 10, 0, 10},
        {-3, 10, 0, 10}, {3, 20, 2, 10}, {3, 6, 2, 6},   {3, 3, 2, 10},
    };
    for (const Case& k : cases) {
        Picture pic(PaintCurvePlot(&u.plot, c.get(), k.first, k.last, 0, -1, 1));
        EXPECT_EQ(pic.Geo(), LineRun(k.s, k.e)) << k.first << " .. " << k.last;
    }
    EXPECT_EQ(PaintCurvePlot(&u.plot, c.get(), 5, 4, 0, -1, 1), nullptr);
}

TEST(CurvePainters, InvisiblePointsBreakRunsAndFallingXBreaksLines) {
    UnitPlot u;
    auto c = MakeCurve({10, 20, 30, 40, 50}, {100, 100, 2000, 100, 100});
    Picture broken(PaintCurvePlot(&u.plot, c.get(), 1, 5, 0, -1, 1));
    EXPECT_EQ(broken.Geo(), "M 10 900\nM 10 900\nL 20 900\nM 40 900\nL 50 900\n");

    auto sweep = MakeCurve({10, 20, 30, 15, 25}, {100, 100, 100, 100, 100});
    u.plot.breakOnXBack = 1;
    Picture sweeps(PaintCurvePlot(&u.plot, sweep.get(), 1, 5, 0, -1, 1));
    EXPECT_EQ(sweeps.Geo(), "M 10 900\nM 10 900\nL 20 900\nL 30 900\nM 15 900\nL 25 900\n");
}

TEST(CurvePainters, SymbolsWithoutConnectingLines) {
    UnitPlot u;
    auto c = MakeCurve({10, 20}, {100, 200});
    Picture circles(PaintCurvePlot(&u.plot, c.get(), 1, 2, 0, 2, 3));
    EXPECT_EQ(circles.Geo(), "M 10 900\nM 10 900\nE 7 897 13 903\nM 10 900\n"
                             "M 20 800\nE 17 797 23 803\nM 20 800\n");
    u.plot.connectPoints = 1;
    Picture joined(PaintCurvePlot(&u.plot, c.get(), 1, 2, 0, 5, 1));
    EXPECT_EQ(joined.Geo(),
              "M 10 900\nM 10 900\nM 9 899\nL 11 899\nL 11 901\nL 9 901\nL 9 899\nM 10 900\n"
              "L 20 800\nM 19 799\nL 21 799\nL 21 801\nL 19 801\nL 19 799\nM 20 800\n");
}

TEST(CurvePainters, SizeZeroDrawsPixelsAndBareSticks) {
    UnitPlot u;
    auto c = MakeCurve({10}, {100});
    for (int style : {1, 2, 3, 5, 6, 9, 10, 11, 15}) {
        Picture pic(PaintCurvePlot(&u.plot, c.get(), 1, 1, 0, style, 0));
        EXPECT_EQ(pic.Geo(), "M 10 900\nM 10 900\nM 10 900\nL 11 901\n") << style;
    }
    Picture stick(PaintCurvePlot(&u.plot, c.get(), 1, 1, 0, 8, 0));
    EXPECT_EQ(stick.Geo(), "M 10 900\nM 10 900\nM 10 1000\nL 10 900\nM 10 900\n");
}

TEST(CurvePainters, HollowCirclesOnlyForStyle15) {
    UnitPlot u;
    auto c = MakeCurve({10}, {100});
    for (int style : {2, 15}) {
        Picture pic(PaintCurvePlot(&u.plot, c.get(), 1, 1, 0x00FF00, style, 4));
        bool hollow = false;
        for (const auto& r : pic.mf->Records()) {
            if (auto* b = std::get_if<plat::mf::SelectBrush>(&r))
                hollow = b->brush.IsNull();
        }
        EXPECT_EQ(hollow, style == 15) << style;
    }
}

TEST(CurvePainters, DashedStyleEndsWithAPhasedDot) {
    UnitPlot u;
    auto c = MakeCurve({0, 40, 80}, {100, 100, 100});
    Picture pic(PaintCurvePlot(&u.plot, c.get(), 1, 3, 0, 14, 0));
    // First point: a pixel; to the second: dashes; the last point: only the phased dot.
    EXPECT_EQ(pic.Geo(), "M 0 900\nM 0 900\nM 0 900\nL 1 901\nM 0 900\nM 0 900\n"
                         "M 40 900\nM 0 900\nL 5 900\nM 10 900\nL 15 900\nM 20 900\nL 25 900\n"
                         "M 30 900\nL 35 900\nM 40 900\nM 40 900\n"
                         "M 80 900\nM 80 900\nL 81 901\nM 80 900\nM 80 900\n");
}

TEST(CurvePainters, PointStepSkipsPointsAndMarkSizeIsRestored) {
    UnitPlot u;
    auto c = SampledCurve(
        7, [](float) { return 100.0f; }, 10, 10);
    u.plot.pointStep = 3;
    u.plot.markSize = 6;
    Picture pic(PaintCurvePlot(&u.plot, c.get(), 1, 7, 0, -1, 2));
    EXPECT_EQ(pic.Geo(), "M 10 900\nM 10 900\nL 40 900\nL 70 900\n");
    EXPECT_EQ(u.plot.markSize, 6);
}

TEST(CurvePainters, EmptyOrMissingCurvesRecordNothing) {
    UnitPlot u;
    CVector ex, ey;
    CCurve empty(&ex, &ey);
    EXPECT_EQ(PaintCurvePlot(&u.plot, &empty, 1, 5, 0, -1, 1), nullptr);
    EXPECT_EQ(PaintCurvePlot(&u.plot, nullptr, 1, 5, 0, -1, 1), nullptr);
    int** colours = imatrix(1, 2, 1, 3);
    EXPECT_EQ(PaintCurvePlot2(&u.plot, &empty, 1, 0, colours, -1, 1), nullptr);
    free_imatrix(colours, 1, 2, 1, 3);
}

TEST(CurvePainters, PerPointColoursTakeEachPointsPen) {
    UnitPlot u;
    auto c = MakeCurve({10, 20, 30}, {100, 100, 100});
    int** colours = imatrix(1, 3, 1, 3);
    const int rgb[3][3] = {{255, 0, 0}, {0, 255, 0}, {0x1FF, 0, 255}};
    for (int k = 0; k < 3; ++k) {
        for (int j = 0; j < 3; ++j)
            colours[k + 1][j + 1] = rgb[k][j];
    }
    Picture pic(PaintCurvePlot2(&u.plot, c.get(), 1, 3, colours, -1, 1));
    EXPECT_EQ(pic.Geo(true), "pen 0000FF\nM 10 900\npen 0000FF\nM 10 900\npen 00FF00\nL 20 900\n"
                             "pen FF00FF\nL 30 900\n");
    free_imatrix(colours, 1, 3, 1, 3);
}
