// Whole-plot recording: the display list against a reviewed golden file, the rescale-and-redraw
// rule, visibility at the range ends, the colour bar, label placement and a showcase picture.
#include "foundations/cvector.h"
#include "plat/png.hpp"
#include "plot_test_curves.h"
#include "plotting/plot_globals.h"
#include "plotting/win_plot.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Compares with tests/plotting/golden/<name>; TARNIX_UPDATE_GOLDEN=1 writes the file instead.
void ExpectGolden(const std::string& name, const std::string& actual) {
    const std::string path = std::string(TARNIX_SOURCE_DIR) + "/tests/plotting/golden/" + name;
    if (std::getenv("TARNIX_UPDATE_GOLDEN")) {
        std::ofstream(path) << actual;
        return;
    }
    EXPECT_EQ(ReadFile(path), actual) << "golden " << path;
}

int CountRecords(const MetaFile& mf, const std::string& prefix) {
    std::istringstream in(plat::DumpMetaFile(mf));
    int n = 0;
    for (std::string line; std::getline(in, line);)
        n += line.rfind(prefix, 0) == 0;
    return n;
}

std::string OutputPath(const std::string& name) {
    const char* dir = std::getenv("TARNIX_TEST_OUTPUT");
    return std::string(dir ? dir : "/tmp") + "/" + name;
}

} // namespace

TEST(PlotDraw, FirstCurveRecordsThePlot) {
    CWINPlot p;
    p.SetPlotRect(50, 475, 550, 950);
    auto c = MakeCurve({0, 1, 2}, {0, 1, 4});
    p.AddCurve(c.get());
    ASSERT_NE(p.metaFile, nullptr);
    EXPECT_EQ(p.ownsMetaFile, 1);
    EXPECT_EQ(p.metaFile->WindowExt(), (TSize{1399, 1000}));
}

TEST(PlotDraw, PlotWithoutCurvesKeepsItsPicture) {
    CWINPlot p;
    p.SetPlotRect(50, 475, 550, 950);
    EXPECT_FALSE(p.Draw());
    EXPECT_EQ(p.metaFile, nullptr);
    auto c = MakeCurve({0, 1}, {0, 1});
    p.AddCurve(c.get());
    HMETAFILE before = p.metaFile;
    p.RemoveAllCurves();
    EXPECT_FALSE(p.Draw());
    EXPECT_EQ(p.metaFile, before);
}

TEST(PlotDraw, SmallPlotMatchesGoldenDisplayList) {
    CWINPlot p;
    p.SetPlotRect(50, 475, 550, 950);
    auto a = MakeCurve({0, 2, 4, 6, 8, 10}, {0, 3, 5, 6, 6.5f, 6.7f});
    auto b = MakeCurve({1, 5, 9}, {6, 2, 4});
    p.AddCurve(a.get());
    p.AddCurve(b.get());
    p.SetCurveStyle(1, 2);
    p.markSize = 4;
    p.SetCurveLegend(0, "fit");
    p.SetCurveLegend(1, "data");
    p.ShowLegends();
    p.SetXLabel("s [S]");
    p.SetYLabel("c(s)");
    p.SetTitle("distribution");
    ASSERT_TRUE(p.Draw());
    ExpectGolden("small_plot.txt", plat::DumpMetaFile(*p.metaFile));
}

TEST(PlotDraw, PointOutsideTheYRangeRescalesOnceWhenARangeIsFree) {
    std::vector<float> x{0, 1, 2}, y{1, 2, 3};
    CVector vx(3, x.data(), 1), vy(3, y.data(), 1);
    CCurve c(&vx, &vy);
    CWINPlot p;
    p.SetPlotRect(50, 475, 550, 950);
    p.AddCurve(&c);
    vy.data[1] = 10;
    ASSERT_TRUE(p.Draw());
    EXPECT_NEAR(p.yMax, 10.45f, 1e-4);

    CWINPlot fixed;
    fixed.SetPlotRect(50, 475, 550, 950);
    vy.data[1] = 2;
    fixed.AddCurve(&c);
    fixed.SetRanges(0, 2, 0, 3);
    fixed.SetCurveStyle(0, 7);
    vy.data[1] = 10;
    ASSERT_TRUE(fixed.Draw());
    EXPECT_EQ(fixed.yMax, 3.0f);
    EXPECT_EQ(gRescaleRequest, 1);
}

TEST(PlotDraw, PointsOnTheRangeEndsAreDrawnAndBeyondRaiseTheRequest) {
    struct Case {
        float x, y;
        bool drawn, request;
    } cases[] = {
        {0, 0, true, false},      {10, 10, true, false},    {0, 10, true, false},
        {5, 10.01f, false, true}, {5, -0.01f, false, true}, {11, 11, false, false},
    };
    for (const Case& k : cases) {
        auto c = MakeCurve({k.x}, {k.y});
        CWINPlot p;
        p.plotLeft = 100;
        p.plotRight = 500;
        p.plotBottom = 400;
        p.plotTop = 100;
        p.AddCurve(c.get());
        p.SetRanges(0, 10, 0, 10);
        p.SetCurveStyle(0, 7);
        gRescaleRequest = 0;
        TMetaFileDC rec;
        p.DrawCurves(rec, 0);
        std::unique_ptr<MetaFile> mf(rec.Close());
        EXPECT_EQ(Geometry(*mf).find("L ") != std::string::npos, k.drawn) << k.x << "," << k.y;
        EXPECT_EQ(gRescaleRequest == 1, k.request) << k.x << "," << k.y;
    }
    gRescaleRequest = 0;
}

TEST(PlotDraw, PartialRangeAndTheFilledArea) {
    auto c = SampledCurve(100, [](float x) { return x; });
    CWINPlot p;
    p.SetPlotRect(50, 475, 550, 950);
    p.AddCurve(c.get());
    p.SetCurveRange(0, 5, 9);
    p.SetCurveStyle(0, -1);
    TMetaFileDC lines;
    p.DrawCurves(lines, 0);
    std::unique_ptr<MetaFile> a(lines.Close());
    EXPECT_EQ(CountRecords(*a, "LineTo"), 4); // points 5 .. 9 joined
    p.SetCurveStyle(0, 20);
    TMetaFileDC area;
    p.DrawCurves(area, 0);
    std::unique_ptr<MetaFile> b(area.Close());
    EXPECT_NE(plat::DumpMetaFile(*b).find("Polygon 10:"), std::string::npos);
}

TEST(PlotDraw, ColourBarHasAtLeastTwoSegments) {
    struct Case {
        int top, bottom, segments;
    } cases[] = {{100, 105, 2}, {100, 600, 51}};
    for (const Case& k : cases) {
        auto c = MakeCurve({0, 1, 2}, {0, 1, 2});
        float values[3] = {1, 2, 3};
        CWINPlot p;
        p.plotLeft = 100;
        p.plotRight = 500;
        p.plotTop = k.top;
        p.plotBottom = k.bottom;
        p.AddCurve(c.get());
        p.SetColourValues(0, values, 0, 2, false);
        p.colourBarOn = 1;
        ASSERT_TRUE(p.Draw());
        int segments = 0;
        for (const auto& r : p.metaFile->Records()) {
            if (auto* q = std::get_if<plat::mf::Rectangle>(&r))
                segments += q->rect.Width() == 21;
        }
        EXPECT_EQ(segments, k.segments) << k.bottom - k.top;
    }
}

TEST(PlotDraw, YLabelAndAnnotationsStayLeftOfTheWidestTickLabel) {
    auto c = MakeCurve({0, 10}, {12, 13});
    CWINPlot p;
    p.SetPlotRect(50, 475, 550, 950);
    p.AddCurve(c.get());
    p.SetRanges(0, 10, 12, 13); // y ticks 12, 12.5, 13: widest label 4 x 18 = 72 units
    p.SetAnnotation1("a1");
    p.SetYLabel("signal");
    ASSERT_TRUE(p.Draw());
    const std::string dump = plat::DumpMetaFile(*p.metaFile);
    const int column = 664 - 36 - 8;
    EXPECT_NE(dump.find("Text " + std::to_string(column) + " 550 \"a1\""), std::string::npos)
        << dump;
    EXPECT_NE(dump.find("Text " + std::to_string(column) + " 300 \"signal\""), std::string::npos);
    EXPECT_EQ(p.frameLeft, 664 - 8 - 10 - 72);
}

TEST(PlotDraw, MirroredAndDegenerateRangesDrawWithoutTicks) {
    auto c = MakeCurve({0, 10}, {1, 2});
    CWINPlot p;
    p.SetPlotRect(50, 475, 550, 950);
    p.AddCurve(c.get());
    p.SetRanges(10, 0, 2, 1);
    ASSERT_TRUE(p.Draw());
    EXPECT_EQ(CountRecords(*p.metaFile, "Text"), 0);
}

// A plot with curves of every style, legends, axis titles, texts, a shaded interval and a colour
// bar, written as PNG for a look.
TEST(PlotDraw, ShowcasePictureIsWritten) {
    CWINPlot p;
    p.SetPlotRect(80, 120, 620, 880);
    std::vector<std::unique_ptr<CCurve>> curves;
    const int styles[] = {-1, 1, 2, 3, 5, 9, 10, 11, 13, 14, 15, 16, 17, 8};
    int i = 0;
    for (int style : styles) {
        const float shift = float(i) * 0.35f;
        curves.push_back(SampledCurve(
            13, [&](float x) { return shift + 0.2f * std::sin(x * 0.5f + shift); }, 0, 0.8f));
        p.AddCurve(curves.back().get());
        p.SetCurveStyle(i, style);
        p.SetCurveColor(i, p.GetPaletteColor(i % 9 + 1));
        char legend[32];
        std::snprintf(legend, sizeof legend, "style %d", style);
        p.SetCurveLegend(i, legend);
        ++i;
    }
    p.markSize = 5;
    p.connectPoints = 1;
    p.ShowLegends();
    curves.push_back(SampledCurve(
        200, [](float x) { return 5.3f + 0.3f * std::cos(x); }, 0, 0.05f));
    p.AddCurve(curves.back().get());
    std::vector<float> values(200);
    for (int k = 0; k < 200; ++k)
        values[std::size_t(k)] = float(k);
    p.SetColourValues(i, values.data(), 0, 199, false);
    p.SetCurveStyle(i, 2);
    p.colourBarOn = 1;
    p.colourBarOffset = 30;
    p.ShowColourBarTicks();
    p.SetColourBarTitle(0, 0, "time [s]");
    CVector interval(2, 1);
    interval.data[0] = 2;
    interval.data[1] = 3;
    p.AddShadedInterval(&interval);
    float upper[13], lower[13];
    for (int k = 0; k < 13; ++k) {
        upper[k] = curves[2]->y->data[k] + 0.1f;
        lower[k] = curves[2]->y->data[k] - 0.1f;
    }
    p.AttachUpperErrors(2, upper, 13);
    p.AttachLowerErrors(2, lower, 13);
    p.SetXLabel("radius [cm]");
    p.SetYLabel("absorbance [OD]");
    p.SetTitle("every curve style");
    p.SetAnnotation1("low");
    p.SetAnnotation2("high");
    p.SetRightAxisLabels();
    ASSERT_TRUE(p.Draw());
    gMarkSize = 8;
    const std::string path = OutputPath("tarnix_plot_showcase.png");
    ASSERT_TRUE(plat::RenderPng(*p.metaFile, 1400, 1000, path));
    std::ofstream(OutputPath("tarnix_plot_showcase.svg")) << plat::ToSvg(*p.metaFile);
}

TEST(PlotDraw, MaskedPointsTakeTheMaskedStyleColourAndSize) {
    auto c = MakeCurve({1, 2, 3}, {1, 2, 3});
    CWINPlot p;
    p.plotLeft = 0;
    p.plotRight = 1000;
    p.plotTop = 0;
    p.plotBottom = 1000;
    p.AddCurve(c.get());
    p.SetRanges(0, 1000, 0, 1000);
    const int mask[4] = {0, 1, 0, 1}; // point 1 (0-based) masked out
    p.SetPointMask(mask, 3, 1, 0xC8C8C8, 3);
    TMetaFileDC rec;
    p.DrawCurves(rec, 0);
    std::unique_ptr<MetaFile> mf(rec.Close());
    EXPECT_EQ(Geometry(*mf, true), "pen 0000FF\nM 1 999\nM 1 999\npen C8C8C8\nM 2 998\n"
                                   "M -1 1001\nL 6 996\nM -1 995\nL 6 1002\nM 2 998\npen 0000FF\n"
                                   "L 3 997\npen 000000\n");
    EXPECT_EQ(p.markSize, 10);
}

TEST(PlotDraw, ColourBarPixelsRunFromPaleBlueToDarkRed) {
    auto c = MakeCurve({0, 1, 2}, {0, 1, 2});
    float values[3] = {1, 2, 3};
    CWINPlot p;
    p.plotLeft = 100;
    p.plotRight = 500;
    p.plotTop = 100;
    p.plotBottom = 600;
    p.AddCurve(c.get());
    p.SetColourValues(0, values, 0, 2, false);
    p.colourBarOn = 1;
    ASSERT_TRUE(p.Draw());
    plat::Surface s(1399, 1000);
    TSurfaceDC dc(s);
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetViewportExt(TSize{1399, 1000}); // the recorded extent: one unit per pixel
    ASSERT_TRUE(PlayMetaFile(dc, p.metaFile));
    // 51 segments of 10 rows from the bottom (value 1/51) to the top (value 1); outline at 520.
    EXPECT_EQ(s.GetPixel(510, 592), p.ValueToColor(1.0f / 51));
    EXPECT_EQ(s.GetPixel(510, 350), p.ValueToColor(26.0f / 51));
    EXPECT_EQ(s.GetPixel(510, 102), 0x0000BFu);
    EXPECT_EQ(s.GetPixel(520, 350), 0x000000u);
    EXPECT_EQ(s.GetPixel(522, 350), 0xFFFFFFu);
}
