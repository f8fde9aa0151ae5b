// Dashed and dotted drawing: exactly which pixels light, and how the shared phase carries over.
#include "plat/gdi.hpp"
#include "plat/metafile.hpp"
#include "plotting/dash_primitives.h"
#include "plotting/plot_globals.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct Canvas {
    plat::Surface surface{60, 8};
    TSurfaceDC dc{surface};
    Canvas() { gDashPhase = 1; }
    ~Canvas() { gDashPhase = 1; }
    std::vector<int> LitColumns(int row) const {
        std::vector<int> cols;
        for (int x = 0; x < surface.Width(); ++x) {
            if (surface.GetPixel(x, row) != RGB(255, 255, 255))
                cols.push_back(x);
        }
        return cols;
    }
};

std::vector<int> Range(std::initializer_list<std::pair<int, int>> spans) {
    std::vector<int> r;
    for (auto [a, b] : spans) {
        for (int x = a; x <= b; ++x)
            r.push_back(x);
    }
    return r;
}

} // namespace

TEST(DashPrimitives, LongLinesAreFiveOnFiveOffAndDropTheShortTail) {
    struct Case {
        int x2;
        std::vector<int> lit;
    } cases[] = {
        {40, Range({{0, 4}, {10, 14}, {20, 24}, {30, 34}})},
        {38, Range({{0, 4}, {10, 14}, {20, 24}})},
        {10, Range({{0, 4}})},
        {9, Range({})},
    };
    for (const Case& c : cases) {
        Canvas cv;
        DrawDashedLine(cv.dc, 0, 2, c.x2, 2);
        EXPECT_EQ(cv.LitColumns(2), c.lit) << "to " << c.x2;
        EXPECT_EQ(cv.dc.GetCurrentPosition(), (TPoint{c.x2, 2}));
        EXPECT_EQ(gDashPhase, 1);
    }
}

TEST(DashPrimitives, ShortPieceDrawsItsFirstHalf) {
    gDashPhase = 1;
    TMetaFileDC rec;
    DrawDashedLine(rec, 0, 0, 3, 4);
    std::unique_ptr<MetaFile> mf(rec.Close());
    EXPECT_EQ(plat::DumpMetaFile(*mf), "MoveTo 0 0\nLineTo 1 2\nMoveTo 3 4\n");
    EXPECT_EQ(rec.GetCurrentPosition(), (TPoint{3, 4}));
}

TEST(DashPrimitives, VeryShortPiecesAlternateWithThePhase) {
    Canvas cv;
    for (int i = 0; i < 10; ++i)
        DrawDashedLine(cv.dc, i, 3, i + 1, 3);
    EXPECT_EQ(cv.LitColumns(3), (std::vector<int>{0, 2, 4, 6, 8}));
}

TEST(DashPrimitives, PhasedDotFollowsTheLastVeryShortPiece) {
    Canvas cv;
    DrawDashedLine(cv.dc, 0, 1, 1, 1); // paints (0, 1), clears the phase
    DrawDotPhased(cv.dc, 5, 1);        // nothing, sets the phase
    DrawDotPhased(cv.dc, 7, 1);        // paints
    EXPECT_EQ(cv.LitColumns(1), (std::vector<int>{0, 7}));
}

TEST(DashPrimitives, DotLightsOnePixelAndStaysThere) {
    Canvas cv;
    DrawDot(cv.dc, 4, 4);
    EXPECT_EQ(cv.LitColumns(4), (std::vector<int>{4}));
    EXPECT_EQ(cv.LitColumns(5), (std::vector<int>{}));
    EXPECT_EQ(cv.dc.GetCurrentPosition(), (TPoint{4, 4}));
}
