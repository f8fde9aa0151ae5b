// Quick plots: views of the caller's 1-based arrays, the copies of double arrays, normalisation,
// sub-ranges, and pictures that the caller plays and deletes.
#include "foundations/nr_arrays.h"
#include "plot_test_curves.h"
#include "plotting/quick_plots.h"
#include "plotting/win_plot.h"

#include <gtest/gtest.h>
#include <string>

namespace {

// x maps to columns directly; y 0 .. 10 maps to rows 1000 .. 0.
struct TenPlot {
    CWINPlot plot;
    std::unique_ptr<CCurve> anchor = MakeCurve({0, 1000}, {0, 10});
    TenPlot() {
        plot.plotLeft = 0;
        plot.plotRight = 1000;
        plot.plotTop = 0;
        plot.plotBottom = 1000;
        plot.AddCurve(anchor.get());
        plot.SetRanges(0, 1000, 0, 10);
    }
};

} // namespace

TEST(QuickPlots, ViewingZeroesTinyValuesInTheCallersArray) {
    TenPlot t;
    float x[4] = {0, 100, 200, 300};
    float y[4] = {0, 1e-35f, 5, -2e-31f};
    Picture pic(QuickPlot(&t.plot, x, y, 3, 0, -1, 1));
    EXPECT_EQ(y[1], 0.0f);
    EXPECT_EQ(y[3], 0.0f);
    EXPECT_EQ(pic.Geo(), "M 100 1000\nM 100 1000\nL 200 500\nL 300 1000\n");
}

TEST(QuickPlots, DoubleArraysGiveTheSamePicture) {
    TenPlot t;
    float xf[4] = {0, 100, 200, 300};
    float yf[4] = {0, 1, 2.5f, 7};
    double xd[4] = {0, 100, 200, 300};
    double yd[4] = {0, 1, 2.5, 7};
    Picture a(QuickPlot(&t.plot, xf, yf, 3, 0xFF0000, 2, 3));
    Picture b(QuickPlotDouble(&t.plot, xd, yd, 3, 0xFF0000, 2, 3));
    Picture c(QuickPlotMixed(&t.plot, xf, yd, 3, 0xFF0000, 2, 3));
    EXPECT_EQ(plat::DumpMetaFile(*a.mf), plat::DumpMetaFile(*b.mf));
    EXPECT_EQ(plat::DumpMetaFile(*a.mf), plat::DumpMetaFile(*c.mf));
}

TEST(QuickPlots, NormalisedToTheTarget) {
    TenPlot t;
    float x[4] = {0, 100, 200, 300};
    double y[4] = {0, 1, 4, 2};
    Picture a(QuickPlotNormalized(&t.plot, x, y, 3, 8.0, 0, -1, 1)); // {2, 8, 4}
    EXPECT_EQ(a.Geo(), "M 100 800\nM 100 800\nL 200 200\nL 300 600\n");
    double zeros[4] = {0, 0, 0, 0};
    Picture b(QuickPlotNormalized(&t.plot, x, zeros, 3, 1.0, 0, -1, 1));
    EXPECT_EQ(b.Geo(), "M 100 1000\nM 100 1000\nL 200 1000\nL 300 1000\n");
    float yf[3] = {0, -3, -1};
    Picture c(QuickPlotNormalizedFloat(&t.plot, x, yf, 2, 2.0, 0, -1, 1)); // max -1: {6, 2}
    EXPECT_EQ(c.Geo(), "M 100 400\nM 100 400\nL 200 800\n");
}

TEST(QuickPlots, RangeViewsFromItsFirstIndex) {
    TenPlot t;
    float x[6] = {0, 100, 200, 300, 400, 500};
    float y[6] = {0, 1, 2, 3, 4, 5};
    Picture a(QuickPlotRange(&t.plot, x, y, 5, 0, 2, 0, -1, 1)); // from index 1, count 3
    EXPECT_EQ(a.Geo(), "M 100 900\nM 100 900\nL 200 800\nL 300 700\n");
    Picture b(QuickPlotRange(&t.plot, x, y, 5, 4, 9, 0, -1, 1)); // never beyond x[5]
    EXPECT_EQ(b.Geo(), "M 400 600\nM 400 600\nL 500 500\n");
}

TEST(QuickPlots, EmptyInputGivesNoPicture) {
    TenPlot t;
    float x[2] = {0, 1};
    EXPECT_EQ(QuickPlot(&t.plot, x, x, 0, 0, -1, 1), nullptr);
    EXPECT_EQ(QuickPlot(&t.plot, nullptr, x, 1, 0, -1, 1), nullptr);
    EXPECT_EQ(QuickPlotDouble(&t.plot, nullptr, nullptr, 0, 0, -1, 1), nullptr);
}

TEST(QuickPlots, PictureIsPlayedOverThePlotAndDeleted) {
    TenPlot t;
    float x[3] = {0, 100, 900};
    float y[3] = {0, 2, 8};
    plat::Surface surface(1400, 1000);
    TSurfaceDC dc(surface);
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExt(TSize{1400, 1000});
    dc.SetViewportExt(TSize{1400, 1000});
    ASSERT_TRUE(PlayMetaFile(dc, t.plot.metaFile));
    TMetaFilePict overlay(QuickPlot(&t.plot, x, y, 2, RGB(255, 0, 0), 12, 0), AutoDelete);
    ASSERT_TRUE(overlay.PlayOnto(dc));
    int red = 0;
    for (std::uint32_t p : surface.Pixels())
        red += plat::Surface::FromNative(p) == RGB(255, 0, 0);
    EXPECT_GT(red, 1000);
}

TEST(QuickPlots, PerPointColours) {
    TenPlot t;
    float x[3] = {0, 100, 200};
    float y[3] = {0, 1, 2};
    int** colours = imatrix(1, 2, 1, 3);
    colours[1][1] = 10, colours[1][2] = 20, colours[1][3] = 30;
    colours[2][1] = 40, colours[2][2] = 50, colours[2][3] = 60;
    Picture pic(QuickPlotCurve2(&t.plot, x, y, 2, colours, -1, 1));
    EXPECT_EQ(pic.Geo(true),
              "pen 1E140A\nM 100 900\npen 1E140A\nM 100 900\npen 3C3228\nL 200 800\n");
    free_imatrix(colours, 1, 2, 1, 3);
}
