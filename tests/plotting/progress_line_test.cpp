// CProgressLine: the bar fills 100 pixels by value over a grey track, never shrinks, and Hide puts
// back exactly the 103 x 7 pixels that Show saved.
#include "plat/window_dc.hpp"
#include "plotting/progress_line.h"
#include "support/main_window_fixture.h"

#include <gtest/gtest.h>

namespace {

class ProgressLine : public ::testing::Test {
  protected:
    ProgressLine() {
        TClientDC dc(w);
        for (int y = 0; y < 100; ++y)
            dc.FillRect(TRect{0, y, 300, y + 1}, TBrush(RGB(y, 255 - y, 7)));
        before = w->GetSurface();
    }
    COLORREF At(int x, int y) const { return w->GetSurface().GetPixel(x, y); }

    MainWindowFixture f;
    TXLAWindow* w = f.window.get();
    plat::Surface before;
};

} // namespace

TEST_F(ProgressLine, HalfFillsFiftyPixelsOnFourRows) {
    CProgressLine line;
    line.Show(w, 10, 10);
    EXPECT_EQ(w->GetSurface(), before); // value 0 draws nothing
    line.Draw(0.5f, w);
    for (int y = 9; y <= 12; ++y) {
        EXPECT_EQ(At(10, y), 0x0000ffu) << y;
        EXPECT_EQ(At(59, y), 0x0000ffu) << y;
        EXPECT_EQ(At(60, y), 0xc8c8c8u) << y;
        EXPECT_EQ(At(109, y), 0xc8c8c8u) << y;
        EXPECT_EQ(At(110, y), before.GetPixel(110, y)) << y;
    }
    EXPECT_EQ(At(30, 8), before.GetPixel(30, 8));
    EXPECT_EQ(At(30, 13), before.GetPixel(30, 13));
    const plat::Surface half = w->GetSurface();
    line.Draw(0.3f, w);
    EXPECT_EQ(w->GetSurface(), half);
    line.Draw(1.0f, w);
    EXPECT_EQ(At(109, 10), 0x0000ffu);
    const plat::Surface full = w->GetSurface();
    line.Draw(0.8f, w);
    EXPECT_EQ(w->GetSurface(), full);
    line.Hide(w);
    EXPECT_EQ(w->GetSurface(), before);
    EXPECT_EQ(line.background.Width(), 103);
    EXPECT_EQ(line.background.Height(), 7);
}

TEST_F(ProgressLine, BlueBarKeepsTheGreyTrack) {
    CProgressLine line;
    line.SetBlueBar();
    line.Show(w, 40, 60);
    line.Draw(0.25f, w);
    EXPECT_EQ(At(64, 60), 0xff6400u);
    EXPECT_EQ(At(65, 60), 0xc8c8c8u);
    line.Hide(w);
    EXPECT_EQ(w->GetSurface(), before);
}

TEST_F(ProgressLine, DrawOnAHeldContext) {
    CProgressLine line;
    line.Show(w, 10, 30);
    {
        TClientDC dc(w);
        line.DrawOnDC(0.1f, dc);
    }
    EXPECT_EQ(At(19, 30), 0x0000ffu);
    EXPECT_EQ(At(20, 30), 0xc8c8c8u);
    line.Hide(w);
    EXPECT_EQ(w->GetSurface(), before);
}
