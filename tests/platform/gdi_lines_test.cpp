// Lines and shapes on a raster context: end pixels, invert mode, rectangle and ellipse edges.
#include "plat/gdi.hpp"

#include <gtest/gtest.h>
#include <random>

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

std::vector<TPoint> Inked(const plat::Surface& s, COLORREF background = kWhite) {
    std::vector<TPoint> out;
    for (int y = 0; y < s.Height(); ++y)
        for (int x = 0; x < s.Width(); ++x)
            if (s.GetPixel(x, y) != background)
                out.push_back({x, y});
    return out;
}

plat::Surface Noise(int w, int h, unsigned seed) {
    plat::Surface s(w, h);
    std::mt19937 rng(seed);
    for (auto& p : s.Pixels())
        p = rng() & 0xFFFFFFu;
    return s;
}

} // namespace

TEST(GdiLines, LineToLeavesOutItsEndPixel) {
    struct Case {
        TPoint from, to;
        size_t pixels;
    } cases[] = {
        {{0, 0}, {10, 0}, 10}, {{10, 3}, {0, 3}, 10}, {{2, 2}, {2, 9}, 7}, {{0, 0}, {7, 7}, 7},
        {{0, 0}, {9, 4}, 9},   {{5, 5}, {5, 5}, 0},   {{4, 6}, {5, 7}, 1}, // a dot is one line to
                                                                           // the diagonal neighbour
    };
    for (const Case& c : cases) {
        plat::Surface s(20, 20);
        TSurfaceDC dc(s);
        dc.MoveTo(c.from);
        dc.LineTo(c.to);
        const auto ink = Inked(s);
        EXPECT_EQ(ink.size(), c.pixels) << c.from.x << "," << c.from.y << " -> " << c.to.x;
        if (c.pixels) {
            EXPECT_EQ(s.GetPixel(c.from.x, c.from.y), kBlack);
            EXPECT_EQ(s.GetPixel(c.to.x, c.to.y), kWhite);
        }
        EXPECT_EQ(dc.GetCurrentPosition(), c.to);
    }
}

TEST(GdiLines, PolylinePaintsSharedVerticesOnce) {
    // A closed outline in invert mode inverts every pixel exactly once.
    plat::Surface s(30, 30, kBlack);
    TSurfaceDC dc(s);
    dc.SetROP2(R2_NOT);
    const std::vector<TPoint> box{{3, 3}, {3, 20}, {25, 20}, {25, 3}, {3, 3}};
    dc.Polyline(box);
    EXPECT_EQ(Inked(s, kBlack).size(), size_t(2 * 17 + 2 * 22));
    for (const TPoint& p : box)
        EXPECT_EQ(s.GetPixel(p.x, p.y), kWhite);
}

TEST(GdiLines, InvertTwiceRestoresEveryPixel) {
    const plat::Surface before = Noise(64, 48, 7);
    plat::Surface s = before;
    {
        TSurfaceDC dc(s);
        dc.SetROP2(R2_NOT);
        dc.SelectObject(TPen(RGB(255, 0, 0)));
        dc.MoveTo(10, 2);
        dc.LineTo(10, 40);
        EXPECT_EQ(s.GetPixel(10, 5), (~before.GetPixel(10, 5)) & 0xFFFFFFu);
        const std::vector<TPoint> band{{5, 5}, {5, 30}, {50, 30}, {50, 5}, {5, 5}};
        dc.Polyline(band);
        dc.SelectStockObject(NULL_BRUSH);
        dc.Rectangle(20, 10, 40, 25);
        dc.Ellipse(30, 20, 60, 44);
        // the same calls again take everything back
        dc.MoveTo(10, 2);
        dc.LineTo(10, 40);
        dc.Polyline(band);
        dc.Rectangle(20, 10, 40, 25);
        dc.Ellipse(30, 20, 60, 44);
    }
    EXPECT_TRUE(s == before);
}

TEST(GdiShapes, RectangleOutlinesWithPenAndFillsWithBrush) {
    plat::Surface s(12, 10);
    TSurfaceDC dc(s);
    dc.SelectObject(TPen(RGB(255, 0, 0)));
    dc.SelectObject(TBrush(RGB(0, 0, 255)));
    dc.Rectangle(2, 2, 8, 6);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 12; ++x) {
            const bool in = x >= 2 && x <= 7 && y >= 2 && y <= 5;
            const bool edge = in && (x == 2 || x == 7 || y == 2 || y == 5);
            const COLORREF want = edge ? RGB(255, 0, 0) : in ? RGB(0, 0, 255) : kWhite;
            EXPECT_EQ(s.GetPixel(x, y), want) << x << "," << y;
        }
}

TEST(GdiShapes, RectangleWithoutPenFillsOnePixelLess) {
    plat::Surface s(12, 10);
    TSurfaceDC dc(s);
    dc.SelectStockObject(NULL_PEN);
    dc.SelectObject(TBrush(RGB(0, 0, 255)));
    dc.Rectangle(2, 2, 8, 6);
    const auto ink = Inked(s);
    EXPECT_EQ(ink.size(), size_t(5 * 3));
    EXPECT_EQ(s.GetPixel(6, 4), RGB(0, 0, 255));
    EXPECT_EQ(s.GetPixel(7, 4), kWhite);
    EXPECT_EQ(s.GetPixel(6, 5), kWhite);
    // FillRect covers the whole rectangle
    dc.FillRect(TRect{2, 2, 8, 6}, TBrush(RGB(0, 255, 0)));
    EXPECT_EQ(s.GetPixel(7, 5), RGB(0, 255, 0));
    EXPECT_EQ(s.GetPixel(8, 5), kWhite);
}

TEST(GdiShapes, EllipseTouchesItsBoxAndIsSymmetric) {
    plat::Surface s(40, 30);
    TSurfaceDC dc(s);
    dc.SelectObject(TBrush(RGB(0, 0, 255)));
    dc.Ellipse(5, 4, 31, 24); // 26 x 20 box
    int minX = 99, maxX = -1, minY = 99, maxY = -1;
    for (const TPoint& p : Inked(s)) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
        EXPECT_EQ(s.GetPixel(5 + 30 - p.x, p.y), s.GetPixel(p.x, p.y)); // mirror in x
        EXPECT_EQ(s.GetPixel(p.x, 4 + 23 - p.y), s.GetPixel(p.x, p.y)); // mirror in y
    }
    EXPECT_EQ(TRect({minX, minY, maxX + 1, maxY + 1}), TRect({5, 4, 31, 24}));
    EXPECT_EQ(s.GetPixel(18, 14), RGB(0, 0, 255)); // centre filled
    EXPECT_EQ(s.GetPixel(5, 14), kBlack);          // outline at the box's left side
    EXPECT_EQ(s.GetPixel(5, 4), kWhite);           // corners stay clear
}

TEST(GdiShapes, SmallEllipsesDrawTheirWholeBox) {
    plat::Surface s(10, 10);
    TSurfaceDC dc(s);
    dc.Ellipse(4, 4, 5, 5); // one pixel
    EXPECT_EQ(Inked(s).size(), 1u);
    dc.Ellipse(1, 1, 3, 3); // 2 x 2
    EXPECT_EQ(Inked(s).size(), 5u);
}

TEST(GdiShapes, PolygonFillRuleDecidesTheStarCentre) {
    const std::vector<TPoint> star{{20, 2}, {31, 36}, {2, 14}, {38, 14}, {9, 36}};
    for (int mode : {ALTERNATE, WINDING}) {
        plat::Surface s(40, 40);
        TSurfaceDC dc(s);
        dc.SelectStockObject(NULL_PEN);
        dc.SelectObject(TBrush(RGB(0, 128, 0)));
        dc.SetPolyFillMode(mode);
        dc.Polygon(star);
        EXPECT_EQ(s.GetPixel(20, 20), mode == WINDING ? RGB(0, 128, 0) : kWhite);
        EXPECT_EQ(s.GetPixel(20, 8), RGB(0, 128, 0)); // a point of the star
    }
}

TEST(GdiShapes, ClipRectangleLimitsDrawing) {
    plat::Surface s(20, 20);
    TSurfaceDC dc(s);
    EXPECT_EQ(dc.IntersectClipRect(5, 5, 10, 10), SIMPLEREGION);
    dc.SelectObject(TBrush(RGB(0, 0, 0)));
    dc.Rectangle(0, 0, 20, 20);
    EXPECT_EQ(Inked(s).size(), 25u);
    dc.SaveDC();
    EXPECT_EQ(dc.IntersectClipRect(12, 12, 14, 14), NULLREGION);
    dc.RestoreDC(-1);
    dc.SetPixel(9, 9, RGB(1, 2, 3));
    EXPECT_EQ(s.GetPixel(9, 9), RGB(1, 2, 3));
    EXPECT_EQ(dc.SetPixel(11, 11, RGB(1, 2, 3)), CLR_INVALID);
}

TEST(GdiDC, ReleaseReportsTheDirtyDeviceRectangle) {
    plat::Surface s(50, 50);
    TRect got{-1, -1, -1, -1};
    int calls = 0;
    {
        TSurfaceDC dc(s, [&](const TRect& r) {
            got = r;
            ++calls;
        });
        dc.MoveTo(10, 20);
        dc.LineTo(30, 20);
        dc.SetPixel(12, 25, RGB(255, 0, 0));
    }
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(got, TRect({10, 20, 30, 26}));
}

TEST(GdiDC, SelectObjectReturnsThePreviousObjectAndRestoreDCTheState) {
    plat::Surface s(8, 8);
    TSurfaceDC dc(s);
    const TPen red(RGB(255, 0, 0));
    EXPECT_EQ(dc.SelectObject(red), GetStockPen(BLACK_PEN));
    EXPECT_EQ(dc.SelectObject(GetStockPen(NULL_PEN)), red);
    EXPECT_TRUE(dc.SelectObject(GetStockBrush(NULL_BRUSH)) == GetStockBrush(WHITE_BRUSH));
    const int level = dc.SaveDC();
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExt({1400, 1000});
    dc.SelectObject(red);
    dc.SetROP2(R2_NOT);
    EXPECT_TRUE(dc.RestoreDC(level));
    EXPECT_EQ(dc.GetMapMode(), MM_TEXT);
    EXPECT_TRUE(dc.GetPen().IsNull());
    EXPECT_EQ(dc.GetROP2(), R2_COPYPEN);
    EXPECT_FALSE(dc.RestoreDC(-1)); // nothing left to pop
}

TEST(GdiShapes, FarOffCoordinatesAreClippedNotWalked) {
    // Values beyond a plot's range can map far outside the client; drawing them must cost
    // only what is visible.
    plat::Surface s(50, 40);
    TSurfaceDC dc(s);
    dc.MoveTo(-2000000000, 5);
    dc.LineTo(2000000000, 5);
    for (int x = 0; x < 50; ++x)
        EXPECT_EQ(s.GetPixel(x, 5), kBlack) << x;
    dc.SelectObject(TBrush(RGB(0, 0, 255)));
    dc.Rectangle(-1000000000, 10, 1000000000, 1000000000);
    EXPECT_EQ(s.GetPixel(25, 10), kBlack);
    EXPECT_EQ(s.GetPixel(25, 39), RGB(0, 0, 255));
    dc.Ellipse(-900000000, -900000000, 900000000, 900000000);
    EXPECT_EQ(s.GetPixel(25, 20), RGB(0, 0, 255));
    dc.FillRect(TRect{-1000000000, -1000000000, 1000000000, 1000000000}, TBrush(RGB(1, 1, 1)));
    EXPECT_EQ(s.GetPixel(49, 39), RGB(1, 1, 1));
}
