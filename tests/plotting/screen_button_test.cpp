// CScreenButton: its picture, hit test, label buffers and the exact save and restore of the
// pixels under it.
#include "plat/window_dc.hpp"
#include "plotting/screen_button.h"
#include "support/main_window_fixture.h"

#include <gtest/gtest.h>
#include <string>

namespace {

// A client of 1399 x 1000 pixels plays the 1399 x 1000 picture one to one.
class ScreenButton : public ::testing::Test {
  protected:
    ScreenButton() : f(1399, 1000) {
        w->clientWidth = 1399;
        w->clientHeight = 1000;
        b.SetRect(100, 200, 150, 400);
        b.Rebuild();
    }
    COLORREF At(int x, int y) const { return w->GetSurface().GetPixel(x, y); }

    MainWindowFixture f;
    TXLAWindow* w = f.window.get();
    CScreenButton b;
};

} // namespace

TEST_F(ScreenButton, OffAndOnFacesPaintOneToOne) {
    b.Paint(w);
    EXPECT_EQ(At(250, 110), 0xc8c8c8u);
    EXPECT_EQ(At(199, 110), RGB(255, 255, 255));
    EXPECT_EQ(At(200, 120), 0x646464u); // left edge, dark
    EXPECT_EQ(At(400, 120), 0xdcdcdcu); // right edge, light
    EXPECT_STREQ(b.offText, "ScreenButton");
    b.Toggle();
    b.Paint(w);
    EXPECT_TRUE(b.on);
    EXPECT_EQ(At(250, 110), 0xe6e6e6u);
    EXPECT_STREQ(b.onText, "ON STATE");
}

TEST_F(ScreenButton, HitTestBoundsAreInclusive) {
    // x is per-mille of the width and multiplied by 1.4: 200 / 1.4 lies on the left edge.
    b.kind = 1;
    struct Case {
        float x, y;
        bool hit;
    } cases[] = {{200 / 1.4f, 120, true},  {400 / 1.4f, 150, true},  {300 / 1.4f, 100, true},
                 {199 / 1.4f, 120, false}, {300 / 1.4f, 151, false}, {300 / 1.4f, 99, false}};
    for (const Case& c : cases)
        EXPECT_EQ(b.HitTest(c.x, c.y), c.hit) << c.x << " " << c.y;
    EXPECT_FALSE(b.on); // a push button only reports
    b.kind = 2;
    EXPECT_TRUE(b.HitTest(300 / 1.4f, 120));
    EXPECT_TRUE(b.on);
    b.disabled = true;
    EXPECT_FALSE(b.HitTest(300 / 1.4f, 120));
}

TEST_F(ScreenButton, RectFloorsAndTextsAreCut) {
    b.SetRect(10.7f, -0.5f, 20.0f, 30.2f);
    EXPECT_EQ(b.top, 10);
    EXPECT_EQ(b.left, -1);
    EXPECT_EQ(b.right, 30);
    const std::string longText(1200, 'x');
    b.SetTexts(longText.c_str(), 1200, "yes", 0);
    EXPECT_EQ(std::string(b.offText).size(), 999u);
    EXPECT_STREQ(b.onText, "");
}

TEST_F(ScreenButton, BackgroundRestoresExactly) {
    {
        TClientDC dc(w);
        for (int x = 0; x < 1399; x += 3)
            dc.FillRect(TRect{x, 0, x + 1, 1000}, TBrush(RGB(x % 256, 40, 200)));
    }
    const plat::Surface before = w->GetSurface();
    CScreenButton none;
    EXPECT_TRUE(none.RestoreBackground(w)); // no snapshot: copies nothing
    EXPECT_EQ(w->GetSurface(), before);
    ASSERT_TRUE(b.SaveBackground(w));
    EXPECT_EQ(b.background.Width(), 205); // 200 - 2 .. 400 + 2
    EXPECT_EQ(b.background.Height(), 54); // 100 - 1 .. 150 + 2
    b.Paint(w);
    b.DrawMarker(w, 300, 120, 8, RGB(255, 0, 0), RGB(0, 0, 255));
    EXPECT_NE(w->GetSurface(), before);
    b.RestoreBackground(w);
    // The restore copies the snapshot back and then erases the marker, whose white disc and
    // trail dot stay: everything outside the marker's box is as before.
    const plat::Surface& after = w->GetSurface();
    for (int y = 0; y < 1000; ++y)
        for (int x = 0; x < 1399; ++x)
            if (x < 292 || x > 308 || y < 112 || y > 128) {
                ASSERT_EQ(after.GetPixel(x, y), before.GetPixel(x, y)) << x << "," << y;
            }
    EXPECT_EQ(b.markerRadius, 0);
}

TEST_F(ScreenButton, MarkerLeavesATrailDot) {
    b.DrawMarker(w, 500, 500, 10, RGB(255, 0, 0), RGB(0, 0, 255));
    EXPECT_EQ(At(490, 500), RGB(255, 0, 0));
    b.DrawMarker(w, 600, 500, 0, 0, 0); // radius 0: only erases
    EXPECT_EQ(At(490, 500), RGB(255, 255, 255));
    EXPECT_EQ(At(500, 500), RGB(0, 0, 255));
    EXPECT_EQ(b.markerRadius, 0);
}
