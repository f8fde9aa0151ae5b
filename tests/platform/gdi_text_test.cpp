// Text placement by alignment and escapement, font sizes through the mapping, and shading.
#include "plat/gdi.hpp"

#include <gtest/gtest.h>

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

struct Ink {
    int minX = 1 << 20, minY = 1 << 20, maxX = -1, maxY = -1, count = 0, grey = 0;
};

Ink InkOf(const plat::Surface& s) {
    Ink k;
    for (int y = 0; y < s.Height(); ++y)
        for (int x = 0; x < s.Width(); ++x) {
            const COLORREF c = s.GetPixel(x, y);
            if (c == kWhite)
                continue;
            ++k.count;
            if (c != RGB(0, 0, 0))
                ++k.grey;
            k.minX = std::min(k.minX, x);
            k.maxX = std::max(k.maxX, x);
            k.minY = std::min(k.minY, y);
            k.maxY = std::max(k.maxY, y);
        }
    return k;
}

Ink Draw(const TFont& font, unsigned align, int x, int y, const char* text, int w = 240,
         int h = 200) {
    plat::Surface s(w, h);
    TSurfaceDC dc(s);
    dc.SetBkMode(TRANSPARENT);
    dc.SelectObject(font);
    dc.SetTextAlign(align);
    dc.TextOut(x, y, text);
    return InkOf(s);
}

TFont Roman(int height, int escapement = 0, int weight = FW_NORMAL) {
    return CreateFont(height, 0, escapement, 0, weight, 0, 0, 0, ANSI_CHARSET, OUT_TT_PRECIS, 0,
                      PROOF_QUALITY, FF_ROMAN, nullptr);
}

} // namespace

TEST(GdiText, EscapementNineHundredWritesUpwardsAboveTheAnchor) {
    const Ink k = Draw(Roman(20, 900), TA_LEFT | TA_BASELINE, 100, 170, "Radius");
    ASSERT_GT(k.count, 50);
    EXPECT_LE(k.maxY, 170);      // the text starts at the anchor and rises
    EXPECT_GT(170 - k.minY, 40); // "Radius" is much longer than it is high
    EXPECT_LE(k.maxX, 101);      // glyph tops point left of the baseline
    EXPECT_GE(k.minX, 100 - 20); // within one cell height
}

TEST(GdiText, AlignmentPlacesTheReferencePoint) {
    struct Case {
        const char* name;
        unsigned align;
        int escapement;
        // expected ink bounds relative to the anchor (120, 100): bounds given as predicates
        bool (*check)(const Ink&);
    } cases[] = {
        {"centre/top", TA_CENTER | TA_TOP, 0,
         [](const Ink& k) {
             return std::abs((k.minX + k.maxX) / 2 - 120) <= 2 && k.minY >= 100 && k.maxY < 120;
         }},
        {"right/baseline", TA_RIGHT | TA_BASELINE, 0,
         [](const Ink& k) {
             return k.maxX <= 120 && k.maxX >= 117 && k.maxY <= 100 && k.minY > 80;
         }},
        {"left/top", TA_LEFT | TA_TOP, 0,
         [](const Ink& k) { return k.minX >= 118 && k.minX <= 123 && k.minY >= 100; }},
        {"bottom/centre upwards", TA_BOTTOM | TA_CENTER, 900,
         [](const Ink& k) {
             return k.maxX <= 120 && k.minX >= 100 && std::abs((k.minY + k.maxY) / 2 - 100) <= 2;
         }},
    };
    for (const Case& c : cases) {
        const Ink k = Draw(Roman(20, c.escapement), c.align, 120, 100, "ABCDE");
        EXPECT_TRUE(c.check(k)) << c.name << ": x " << k.minX << ".." << k.maxX << ", y " << k.minY
                                << ".." << k.maxY;
    }
}

TEST(GdiText, GlyphsAreGreyShadedAndBoldIsHeavier) {
    const Ink normal = Draw(Roman(20), TA_LEFT | TA_TOP, 10, 10, "Sedimentation");
    const Ink bold = Draw(Roman(20, 0, 600), TA_LEFT | TA_TOP, 10, 10, "Sedimentation");
    EXPECT_GT(normal.grey, 20);
    EXPECT_GT(bold.count, normal.count * 11 / 10);
}

TEST(GdiText, HeightIsTheCellHeightInLogicalUnits) {
    plat::Surface s(700, 500);
    TSurfaceDC dc(s);
    dc.SelectObject(Roman(20));
    const TSize direct = dc.GetTextExtent("Concentration");
    EXPECT_EQ(direct.cy, 20);
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExt({1400, 1000});
    dc.SetViewportExt({700, 500});
    const TSize mapped = dc.GetTextExtent("Concentration");
    EXPECT_EQ(mapped.cy, 20);
    EXPECT_NEAR(mapped.cx, direct.cx, direct.cx / 8.0);
    // drawn, the text is half as high on the half-size client
    dc.SetBkMode(TRANSPARENT);
    dc.TextOut(100, 100, "HHHH");
    const Ink k = InkOf(s);
    EXPECT_NEAR(k.maxY - k.minY + 1, 7, 1.5); // cap height of a 10-pixel cell
}

TEST(GdiText, OpaqueModeFillsTheCellAndUpdateCPMoves) {
    plat::Surface s(200, 60);
    TSurfaceDC dc(s);
    dc.SelectObject(Roman(20));
    dc.SetBkColor(RGB(255, 0, 0));
    dc.TextOut(10, 10, "ab");
    EXPECT_EQ(s.GetPixel(11, 11), RGB(255, 0, 0));
    EXPECT_EQ(s.GetPixel(11, 31), kWhite);
    dc.SetTextAlign(TA_UPDATECP);
    dc.MoveTo(50, 10);
    dc.TextOut(0, 0, "abc");
    EXPECT_EQ(dc.GetCurrentPosition().x, 50 + dc.GetTextExtent("abc").cx);
}

TEST(GdiText, ClippedTextStaysInsideItsRectangle) {
    plat::Surface s(200, 60);
    TSurfaceDC dc(s);
    dc.SetBkMode(TRANSPARENT);
    dc.SelectObject(Roman(20));
    dc.SetTextAlign(TA_CENTER | TA_BOTTOM);
    const TRect box{60, 10, 100, 40};
    dc.ExtTextOut(80, 39, ETO_CLIPPED, &box, "ScreenButton");
    const Ink k = InkOf(s);
    EXPECT_GT(k.count, 20);
    EXPECT_GE(k.minX, 60);
    EXPECT_LT(k.maxX, 100);
}
