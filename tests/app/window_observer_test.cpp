// The window's observer of a computation puts on the screen exactly what the plots' own drawing
// puts there: each case draws once through the plots and once through the observer over the same
// pattern, and the two pictures must be equal, pixel for pixel.
#include "plat/window_dc.hpp"
#include "plotting/progress_line.h"
#include "plotting/quick_plots.h"
#include "plotting/window_surface.h"
#include "state/scan_store.h"
#include "state/window_services.h"
#include "support/main_window_fixture.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

TEST(WindowObserver, DrawsAsThePlotsDraw) {
    MainWindowFixture f(600, 400);
    f.LoadScans(3, 60);
    f.Paint();
    TXLAWindow* w = f.window.get();
    ASSERT_NE(ScanStore::dataPlot, nullptr);
    const auto pattern = [w] {
        TClientDC dc(w);
        for (int y = 0; y < 400; ++y)
            dc.FillRect(TRect{0, y, 600, y + 1}, TBrush(RGB(y % 256, 255 - y % 256, 7)));
    };
    // The first scan, lowered by a tenth, over the data plot.
    static std::vector<float> x, y;
    const int n = ScanStore::pointCount[1];
    x.assign(ScanStore::radius[1], ScanStore::radius[1] + n + 1);
    y.assign(ScanStore::signal[1], ScanStore::signal[1] + n + 1);
    for (float& v : y)
        v -= 0.1f;
    static int points;
    points = n;
    struct Case {
        const char* name;
        void (*direct)(TXLAWindow* w);
        void (*observed)(CComputeObserver& o);
        bool hides = false; // the case puts the screen back as it was
    };
    const Case cases[] = {
        {"red line, half, hidden at the end",
         [](TXLAWindow* w) {
             CProgressLine line;
             line.Show(w, 10, 10);
             line.Draw(0.5f, w);
         },
         [](CComputeObserver& o) {
             o.ShowProgress(10, 10, ProgressBarColour::red)->Advance(0.5f);
         }},
        {"blue line",
         [](TXLAWindow* w) {
             CProgressLine line;
             line.SetBlueBar();
             line.Show(w, 10, 65);
             line.Draw(0.75f, w);
         },
         [](CComputeObserver& o) {
             o.ShowProgress(10, 65, ProgressBarColour::blue)->Advance(0.75f);
         }},
        {"purple line shown and hidden",
         [](TXLAWindow* w) {
             CProgressLine line;
             line.SetPurpleBar();
             line.Show(w, 30, 40);
             line.Draw(1.0f, w);
             line.Hide(w);
         },
         [](CComputeObserver& o) {
             auto line = o.ShowProgress(30, 40, ProgressBarColour::purple);
             line->Advance(1.0f);
             line->Hide();
         },
         true},
        {"status text", [](TXLAWindow* w) { DrawStatusText(w, 10, 90, "#it = 12   "); },
         [](CComputeObserver& o) { o.StatusText(10, 90, "#it = 12   "); }},
        {"trial curve",
         [](TXLAWindow* w) {
             std::vector<float> xs = x, ys = y;
             PlayOverThePlots(w, QuickPlot(ScanStore::dataPlot, xs.data(), ys.data(), points,
                                           RGB(0, 150, 150), -1, 0));
         },
         [](CComputeObserver& o) {
             o.TrialCurve(x.data(), y.data(), points, SpeciesCurveColour(4));
         }},
    };
    for (const Case& c : cases) {
        pattern();
        const plat::Surface before = w->GetSurface();
        c.direct(w);
        const plat::Surface direct = w->GetSurface();
        EXPECT_EQ(direct == before, c.hides) << c.name;
        pattern();
        c.observed(WindowServices::Observer(w));
        EXPECT_EQ(w->GetSurface(), direct) << c.name;
    }
    EXPECT_TRUE(WindowServices::Observer(w).Shows());
    EXPECT_EQ(&WindowServices::Observer(nullptr), &SilentObserver());
}

} // namespace
