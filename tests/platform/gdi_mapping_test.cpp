// Logical-to-device mapping, metafile replay into other mappings, and pixel copies.
#include "plat/gdi.hpp"
#include "plat/metafile.hpp"

#include <gtest/gtest.h>

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// Columns of row y that hold ink.
std::vector<int> InkColumns(const plat::Surface& s, int y) {
    std::vector<int> cols;
    for (int x = 0; x < s.Width(); ++x)
        if (s.GetPixel(x, y) != kWhite)
            cols.push_back(x);
    return cols;
}

void Painter(TDC& dc, int w, int h) {
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExt({1400, 1000});
    dc.SetViewportExt({w, h});
}

// A picture as the plots record it: window 1399 x 1000, vertical lines at the given columns.
std::unique_ptr<MetaFile> LinesPicture(const std::vector<int>& columns) {
    TMetaFileDC mdc;
    mdc.SetWindowExt({1399, 1000});
    for (int x : columns) {
        mdc.MoveTo(x, 100);
        mdc.LineTo(x, 900);
    }
    return std::unique_ptr<MetaFile>(mdc.Close());
}

} // namespace

TEST(GdiMapping, AnisotropicTruncatesTowardsMinusInfinity) {
    plat::Surface s(1, 1);
    TSurfaceDC dc(s);
    struct Case {
        TSize window, viewport;
        TPoint logical, device;
    } cases[] = {
        {{1400, 1000}, {1400, 1000}, {1399, 999}, {1399, 999}},
        {{1399, 1000}, {1400, 1000}, {1398, 500}, {1398, 500}}, // 1398.9993
        {{1399, 1000}, {1400, 1000}, {1399, 1000}, {1400, 1000}},
        {{1399, 1000}, {1399, 1000}, {1398, 999}, {1398, 999}}, // a 1399-pixel client: 1:1
        {{1400, 1000}, {684, 441}, {1023, 475}, {499, 209}},    // 499.8, 209.5
        {{1399, 1000}, {684, 441}, {1023, 475}, {500, 209}},    // 500.16
        {{1400, 1000}, {700, 500}, {-1, -3}, {-1, -2}},         // -0.5, -1.5
    };
    for (const Case& c : cases) {
        dc.SetMapMode(MM_ANISOTROPIC);
        dc.SetWindowExt(c.window);
        dc.SetViewportExt(c.viewport);
        EXPECT_EQ(dc.LPtoDP(c.logical), c.device)
            << c.window.cx << " -> " << c.viewport.cx << " at " << c.logical.x;
    }
}

TEST(GdiMapping, ExtentsAreIgnoredInTextModeAndIsotropicKeepsUnitsSquare) {
    plat::Surface s(1, 1);
    TSurfaceDC dc(s);
    dc.SetWindowExt({1400, 1000});
    EXPECT_EQ(dc.GetWindowExt(), TSize({1, 1}));
    EXPECT_EQ(dc.LPtoDP({700, 300}), TPoint({700, 300}));
    dc.SetViewportOrg({10, 20});
    EXPECT_EQ(dc.LPtoDP({1, 1}), TPoint({11, 21}));
    dc.SetViewportOrg({0, 0});
    EXPECT_EQ(dc.SetMapMode(MM_ISOTROPIC), MM_TEXT);
    dc.SetWindowExt({13000, 9000});
    dc.SetViewportExt({1300, 1300});
    EXPECT_EQ(dc.GetViewportExt(), TSize({1300, 900}));
    EXPECT_EQ(dc.LPtoDP({13000, 9000}), TPoint({1300, 900}));
    EXPECT_FALSE(dc.SetWindowExt({0, 5}));
}

TEST(GdiMapping, PenOfWidthZeroStaysOnePixelWhenScaledUp) {
    plat::Surface s(200, 100);
    TSurfaceDC dc(s);
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExt({20, 10});
    dc.SetViewportExt({200, 100});
    dc.MoveTo(0, 5);
    dc.LineTo(20, 5);
    EXPECT_EQ(s.GetPixel(100, 50), kBlack);
    EXPECT_EQ(s.GetPixel(100, 49), kWhite);
    EXPECT_EQ(s.GetPixel(100, 51), kWhite);
}

TEST(MetaFileReplay, PictureOf1399UnitsStretchesOverThePainters1400) {
    // Played over a 1400 x 1000 painter on a 1400-pixel client, the recorded extent wins:
    // the logical column 1399 lands on pixel 1400 and everything left of it stays put.
    const auto picture = LinesPicture({0, 700, 1398, 1399});
    plat::Surface s(1401, 1000);
    TSurfaceDC dc(s);
    Painter(dc, 1400, 1000);
    ASSERT_TRUE(PlayMetaFile(dc, *picture));
    EXPECT_EQ(InkColumns(s, 500), std::vector<int>({0, 700, 1398, 1400}));
    EXPECT_EQ(dc.GetMapMode(), MM_ANISOTROPIC);
    EXPECT_EQ(dc.GetWindowExt(), TSize({1399, 1000})); // stays applied, as GDI leaves it
}

TEST(MetaFileReplay, IntoASmallClientRectangle) {
    // 684 x 441 pixels: column 1023 of the picture is floor(1023 * 684 / 1399) = 500, where
    // the painter's own 1400 mapping would put it at 499.
    const auto picture = LinesPicture({1023});
    plat::Surface s(684, 441);
    TSurfaceDC dc(s);
    Painter(dc, 684, 441);
    PlayMetaFile(dc, *picture);
    EXPECT_EQ(InkColumns(s, 200), std::vector<int>({500}));
    // rows 100 .. 900 map to 44 .. 396, the end row left out
    EXPECT_EQ(s.GetPixel(500, 44), kBlack);
    EXPECT_EQ(s.GetPixel(500, 43), kWhite);
    EXPECT_EQ(s.GetPixel(500, 395), kBlack);
    EXPECT_EQ(s.GetPixel(500, 396), kWhite);
}

TEST(MetaFileReplay, RestoresObjectsButNeverTheMappingMode) {
    TMetaFileDC mdc;
    mdc.SetWindowExt({1399, 1000});
    mdc.SelectObject(TPen(RGB(255, 0, 0)));
    mdc.SelectObject(GetStockBrush(NULL_BRUSH));
    mdc.IntersectClipRect(0, 0, 10, 10);
    mdc.Rectangle(2, 2, 50, 50);
    TMetaFilePict pict(mdc.Close());

    plat::Surface s(100, 100);
    TSurfaceDC dc(s);
    const TPen pen(RGB(0, 0, 255));
    dc.SelectObject(pen);
    EXPECT_TRUE(pict.PlayOnto(dc)); // MM_TEXT: the extent has no effect, so 1:1
    EXPECT_EQ(s.GetPixel(2, 5), RGB(255, 0, 0));
    EXPECT_EQ(s.GetPixel(49, 20), kWhite); // clipped by the picture's clip
    EXPECT_EQ(dc.GetPen(), pen);
    EXPECT_EQ(dc.GetMapMode(), MM_TEXT);
    dc.MoveTo(60, 60);
    dc.LineTo(70, 60); // the clip went back with the objects
    EXPECT_EQ(s.GetPixel(65, 60), RGB(0, 0, 255));
    EXPECT_FALSE(PlayMetaFile(dc, HMETAFILE(nullptr)));
}

TEST(MetaFileReplay, UnbalancedRestoreCannotPopThePlayersState) {
    TMetaFileDC mdc;
    mdc.SaveDC();
    mdc.RestoreDC(-1);
    MetaFile picture = *std::unique_ptr<MetaFile>(mdc.Close());
    picture.Add(plat::mf::RestoreDC{3});
    plat::Surface s(4, 4);
    TSurfaceDC dc(s);
    dc.SaveDC();
    dc.SetROP2(R2_NOT);
    PlayMetaFile(dc, picture);
    EXPECT_EQ(dc.GetROP2(), R2_NOT);
    EXPECT_TRUE(dc.RestoreDC(-1));
}

TEST(GdiBlit, SaveAndRestoreUnderAPromptIsIdentity) {
    plat::Surface screen(200, 120);
    TSurfaceDC dc(screen);
    dc.SelectObject(TBrush(RGB(10, 200, 30)));
    dc.Ellipse(20, 10, 180, 110);
    dc.TextOut(30, 40, "background");
    const plat::Surface before = screen;

    // 103 x 7 pixels around a progress line at (10, 10), as the progress bar saves them
    TBitmap saved(103, 7);
    {
        TMemoryDC mem(saved);
        EXPECT_TRUE(mem.BitBlt(0, 0, 103, 7, dc, 9, 7, SRCCOPY));
    }
    dc.SelectObject(TPen(RGB(255, 0, 0)));
    for (int row = 9; row <= 12; ++row) {
        dc.MoveTo(10, row);
        dc.LineTo(110, row);
    }
    EXPECT_FALSE(screen == before);
    TMemoryDC mem(saved);
    EXPECT_TRUE(dc.BitBlt(9, 7, 103, 7, mem, 0, 0, SRCCOPY));
    EXPECT_TRUE(screen == before);
}

TEST(GdiBlit, StretchBltScalesByNearestPixel) {
    TBitmap bits(3, 2);
    TMemoryDC mem(bits);
    mem.SetPixel(0, 0, RGB(255, 0, 0));
    mem.SetPixel(1, 0, RGB(0, 255, 0));
    mem.SetPixel(2, 0, RGB(0, 0, 255));
    mem.SetPixel(0, 1, RGB(9, 9, 9));
    mem.SetPixel(1, 1, RGB(8, 8, 8));
    mem.SetPixel(2, 1, RGB(7, 7, 7));
    plat::Surface s(20, 10);
    TSurfaceDC dc(s);
    EXPECT_TRUE(dc.StretchBlt(2, 1, 12, 2, mem, 0, 0, 3, 2, SRCCOPY));
    for (int x = 2; x < 14; ++x) {
        const COLORREF top = x < 6 ? RGB(255, 0, 0) : x < 10 ? RGB(0, 255, 0) : RGB(0, 0, 255);
        EXPECT_EQ(s.GetPixel(x, 1), top) << x;
    }
    EXPECT_EQ(s.GetPixel(13, 2), RGB(7, 7, 7));
    EXPECT_EQ(s.GetPixel(14, 1), kWhite);
    EXPECT_EQ(s.GetPixel(5, 3), kWhite);
    // one source row per destination row, width only stretched (the residuals picture)
    EXPECT_TRUE(dc.StretchBlt(0, 5, 7, 2, mem, 0, 0, 3, 2, SRCCOPY));
    EXPECT_EQ(s.GetPixel(6, 6), RGB(7, 7, 7));
    EXPECT_EQ(s.GetPixel(0, 5), RGB(255, 0, 0));
}

TEST(GdiBlit, CopyFromARecordingContextFails) {
    TMetaFileDC mdc;
    plat::Surface s(4, 4);
    TSurfaceDC dc(s);
    EXPECT_FALSE(dc.BitBlt(0, 0, 2, 2, mdc, 0, 0, SRCCOPY));
    EXPECT_TRUE(dc.BitBlt(0, 0, 2, 2, mdc, 0, 0, BLACKNESS));
    EXPECT_EQ(s.GetPixel(1, 1), kBlack);
}
