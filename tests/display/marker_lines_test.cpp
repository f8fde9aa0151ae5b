// Marker lines and the rubber band drawn straight into the window: pixel rules, dashes, and invert
// drawing that restores the screen exactly when done twice.
#include "display/marker_lines.h"
#include "plat/window_dc.hpp"
#include "support/main_window_fixture.h"

#include <gtest/gtest.h>

namespace {

// 700 x 500 pixels: the data panel (logical rows 50..475) covers pixel rows 25..236.
class MarkerLines : public ::testing::Test {
  protected:
    MarkerLines() {
        w->clientWidth = 700;
        w->clientHeight = 500;
        // Something under the lines, so inversion has more than white to work on.
        TClientDC dc(w);
        dc.FillRect(TRect{0, 0, 700, 500}, TBrush(RGB(10, 120, 230)));
    }
    COLORREF At(int x, int y) const { return w->GetSurface().GetPixel(x, y); }
    int CountInColumn(int x, COLORREF c) const {
        int n = 0;
        for (int y = 0; y < 500; ++y)
            n += At(x, y) == c;
        return n;
    }

    MainWindowFixture f;
    TXLAWindow* w = f.window.get();
};

} // namespace

TEST_F(MarkerLines, SolidLineSpansTheDataPanel) {
    DrawMarkerLine(w, 300, 0x0000FF);
    EXPECT_EQ(At(300, 24), RGB(10, 120, 230));
    EXPECT_EQ(At(300, 25), 0x0000FFu);
    EXPECT_EQ(At(300, 236), 0x0000FFu);
    EXPECT_EQ(At(300, 237), RGB(10, 120, 230)); // the end pixel is left out
    EXPECT_EQ(CountInColumn(300, 0x0000FF), 212);
    EXPECT_EQ(At(299, 100), RGB(10, 120, 230));
}

TEST_F(MarkerLines, DashCountRules) {
    DrawMarkerLineA(w, 100, 0xC8C8C8, 0);
    DrawMarkerLineA(w, 100, 0xC8C8C8, -3);
    EXPECT_EQ(CountInColumn(100, 0xC8C8C8), 0);
    DrawMarkerLineA(w, 110, 0xC8C8C8, 1);
    EXPECT_EQ(CountInColumn(110, 0xC8C8C8), 212);
    // 30 dashes of L = 425 / 61 logical units, equal gaps, the last ending 2L above the bottom.
    DrawMarkerLineA(w, 120, 0xC8C8C8, 30);
    int runs = 0;
    for (int y = 1; y < 500; ++y)
        runs += At(120, y) == 0xC8C8C8u && At(120, y - 1) != 0xC8C8C8u;
    EXPECT_EQ(runs, 30);
    EXPECT_EQ(At(120, 25), 0xC8C8C8u);
    EXPECT_NE(At(120, 232), 0xC8C8C8u);
}

TEST_F(MarkerLines, CursorLineDrawnTwiceRestoresTheScreen) {
    DrawMarkerLine(w, 200, 0x00FF00);
    const plat::Surface before = w->GetSurface();
    DrawMarkerLineB(w, 200, 1);
    EXPECT_NE(w->GetSurface(), before);
    EXPECT_EQ(At(200, 30), RGB(255, 0, 255)); // green inverted
    DrawMarkerLineB(w, 200, 1); // erases the old line, draws it again: one line visible
    EXPECT_EQ(At(200, 30), RGB(255, 0, 255));
    DrawMarkerLineB(w, 0, 1);
    EXPECT_EQ(w->GetSurface(), before);
    EXPECT_EQ(MarkerState::cursorDrawnX, 0);
}

TEST_F(MarkerLines, CursorLineMovesWithoutTrace) {
    const plat::Surface before = w->GetSurface();
    for (int x : {50, 51, 90, 400, 399})
        DrawMarkerLineB(w, x, 1);
    DrawMarkerLineB(w, 0, 1);
    EXPECT_EQ(w->GetSurface(), before);
}

TEST_F(MarkerLines, RubberBandTwiceRestoresExactly) {
    TClientDC band(w);
    w->rubberBandDC = &band;
    const plat::Surface before = w->GetSurface();
    DrawRubberBandRect(w, 100, 100, 100, 100); // equal corners: nothing
    EXPECT_EQ(w->GetSurface(), before);
    DrawRubberBandRect(w, 100, 100, 300, 200); // inactive: nothing
    EXPECT_EQ(w->GetSurface(), before);
    w->rubberBandActive = true;
    // A drag: each move removes the previous rectangle and draws the new one.
    DrawRubberBandRect(w, 100, 100, 300, 200);
    EXPECT_EQ(At(100, 150), RGB(245, 135, 25));
    EXPECT_EQ(At(300, 200), RGB(245, 135, 25)); // the closing corner is drawn once
    DrawRubberBandRect(w, 100, 100, 300, 200);
    DrawRubberBandRect(w, 100, 100, 40, 20);
    DrawRubberBandRect(w, 100, 100, 40, 20);
    EXPECT_EQ(w->GetSurface(), before);
    w->rubberBandActive = false;
    w->rubberBandDC = nullptr;
}
