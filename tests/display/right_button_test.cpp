// The right button on the data plot as a user drives it: a band zooms and pushes the zoom
// history, double clicks step back through it, and the band leaves the screen as it found it;
// narrow, flat and runaway bands and clicks during a Run change nothing else.
#include "app/molar_mass_readout.h"
#include "display/marker_lines.h"
#include "display/plot_coordinates.h"
#include "foundations/hydrodynamics.h"
#include "plat/messages.hpp"
#include "plat/surface.hpp"
#include "plotting/win_plot.h"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/plot_interaction_state.h"
#include "state/run_switches.h"
#include "support/main_window_fixture.h"

#include <gtest/gtest.h>

namespace {

namespace pt = plat::test;

struct Ranges {
    float x0, x1, y0, y1;
};

class RightButton : public ::testing::Test {
  protected:
    RightButton() {
        ScanSetOptions o;
        o.count = 3;
        o.bottom = 7.5;
        f.Load(o);
        ModelParameters::meniscus = 6.0f;
        ModelParameters::bottom = 7.2f;
        f.Paint();
    }
    CWINPlot& Plot() { return *ScanStore::dataPlot; }
    Ranges Shown() { return {Plot().xMin, Plot().xMax, Plot().yMin, Plot().yMax}; }
    plat::Surface Screen() { return w->GetSurface(); }
    void Press(int x, int y) { pt::mouse(w, WM_RBUTTONDOWN, x, y, MK_RBUTTON); }
    void Move(int x, int y) { pt::mouse(w, WM_MOUSEMOVE, x, y, MK_RBUTTON); }
    void Release(int x, int y) { pt::mouse(w, WM_RBUTTONUP, x, y); }
    void Band(int x0, int y0, int x1, int y1) {
        Press(x0, y0);
        Move((x0 + x1) / 2, (y0 + y1) / 2);
        Move(x1, y1);
        Release(x1, y1);
        f.Paint();
    }
    // A right double click as the desktop delivers it.
    void DoubleClick(int x, int y, UINT keys = MK_RBUTTON) {
        Press(x, y);
        Release(x, y);
        pt::mouse(w, WM_RBUTTONDBLCLK, x, y, keys);
        Release(x, y);
        f.Paint();
    }
    float RadiusAt(int x) { return DataRadiusAtColumn(w, x); }
    void ExpectBandGone() {
        EXPECT_FALSE(w->rubberBandActive);
        EXPECT_EQ(w->rubberBandDC, nullptr);
        EXPECT_FALSE(RubberBand::captured);
        EXPECT_FALSE(gZoomed);
        EXPECT_FALSE(w->HasCapture());
    }

    MainWindowFixture f{700, 500};
    TXLAWindow* w = f.window.get();
};

} // namespace

TEST_F(RightButton, BandZoomsToTheRadiiAndValuesItEnclosed) {
    const float x0 = RadiusAt(200), x1 = RadiusAt(450);
    Band(200, 60, 450, 200);
    ASSERT_EQ(ZoomHistory::level, 1);
    EXPECT_FLOAT_EQ(ZoomHistory::xLow[1], x0);
    EXPECT_FLOAT_EQ(ZoomHistory::xHigh[1], x1);
    EXPECT_LT(ZoomHistory::yLow[1], ZoomHistory::yHigh[1]); // the lower row is the lower value
    const Ranges r = Shown();
    EXPECT_FLOAT_EQ(r.x0, x0);
    EXPECT_FLOAT_EQ(r.x1, x1);
    EXPECT_FLOAT_EQ(r.y0, ZoomHistory::yLow[1]);
    EXPECT_FLOAT_EQ(r.y1, ZoomHistory::yHigh[1]);
    EXPECT_TRUE(gRangeSetByUser);
    ExpectBandGone();
    // The zoomed plot now puts the band's left radius at the plot's left edge.
    EXPECT_NEAR(RadiusAt(LogicalToPixelX(Plot().plotLeft, w->clientWidth)), x0, 0.01f);
}

TEST_F(RightButton, TheBandLeavesTheScreenByteForByte) {
    const plat::Surface before = Screen();
    Press(300, 80);
    f.Paint();
    ASSERT_FALSE(pt::cursorHistory(w).empty());
    EXPECT_EQ(pt::cursorHistory(w).back(), IDC_CROSS);
    EXPECT_TRUE(w->HasCapture());
    for (auto [x, y] : {std::pair{350, 120}, {420, 200}, {250, 40}, {310, 230}}) {
        Move(x, y);
        f.Paint();
        EXPECT_NE(Screen(), before) << x << "," << y; // the band is drawn
    }
    Move(300, 80); // back onto the anchor: nothing is left of the band
    f.Paint();
    EXPECT_EQ(Screen(), before);
    Move(306, 200);
    Release(306, 200); // six pixels wide: no zoom, and the band is erased
    f.Paint();
    EXPECT_EQ(Screen(), before);
    EXPECT_EQ(ZoomHistory::level, 0);
    EXPECT_FALSE(gRangeSetByUser);
    EXPECT_EQ(pt::cursorHistory(w).back(), IDC_ARROW);
    ExpectBandGone();
}

TEST_F(RightButton, BandsThatChangeNothing) {
    struct Case {
        const char* name;
        int x0, y0, x1, y1;
    } cases[] = {
        {"zero width", 300, 60, 300, 220},          {"ten pixels wide", 300, 60, 310, 220},
        {"zero height", 200, 120, 480, 120},        {"a click", 300, 100, 300, 100},
        {"outside both plots", 300, 480, 500, 490},
    };
    const Ranges full = Shown();
    for (const Case& c : cases) {
        f.Paint();
        const plat::Surface before = Screen();
        Band(c.x0, c.y0, c.x1, c.y1);
        EXPECT_EQ(ZoomHistory::level, 0) << c.name;
        EXPECT_FALSE(gRangeSetByUser) << c.name;
        EXPECT_EQ(Shown().x0, full.x0) << c.name;
        EXPECT_EQ(Shown().y1, full.y1) << c.name;
        EXPECT_EQ(Screen(), before) << c.name;
        ExpectBandGone();
    }
}

TEST_F(RightButton, ADragLeavingTheWindowStopsAtItsEdge) {
    const plat::Surface before = Screen();
    Press(400, 80);
    Move(900, -40);
    Move(-30, 700);
    Move(400, 80);
    f.Paint();
    EXPECT_EQ(Screen(), before);
    const float start = RadiusAt(400), edge = RadiusAt(699);
    Move(1200, 200);
    Release(1200, 200);
    f.Paint();
    ASSERT_EQ(ZoomHistory::level, 1);
    EXPECT_FLOAT_EQ(ZoomHistory::xLow[1], start);
    EXPECT_FLOAT_EQ(ZoomHistory::xHigh[1], edge);
    ExpectBandGone();
}

TEST_F(RightButton, HistoryKeepsNineLevelsAndDoubleClicksWalkBack) {
    const Ranges full = Shown();
    Ranges seen[10] = {full};
    for (int i = 1; i <= 10; ++i) {
        Band(150, 50, 600, 220);
        seen[std::min(i, 9)] = Shown();
    }
    EXPECT_EQ(ZoomHistory::level, 9);
    EXPECT_FLOAT_EQ(ZoomHistory::xLow[9], seen[9].x0); // the tenth band overwrote slot 9
    for (int level = 8; level >= 1; --level) {
        DoubleClick(400, 120);
        ASSERT_EQ(ZoomHistory::level, level);
        EXPECT_FLOAT_EQ(Shown().x0, seen[level].x0) << level;
        EXPECT_FLOAT_EQ(Shown().y1, seen[level].y1) << level;
    }
    DoubleClick(400, 120);
    EXPECT_EQ(ZoomHistory::level, 0);
    EXPECT_FLOAT_EQ(Shown().x0, full.x0);
    EXPECT_FLOAT_EQ(Shown().x1, full.x1);
    DoubleClick(400, 120); // nothing left to go back to
    EXPECT_EQ(ZoomHistory::level, 0);
    EXPECT_FLOAT_EQ(Shown().x0, full.x0);
    ExpectBandGone();
}

TEST_F(RightButton, WithoutUserRangesZoomingOutFitsYToTheVisibleData) {
    // Levels pushed by a command, not a band: only x comes back.
    ZoomHistory::Push(6.1f, 6.9f, -5.0f, 50.0f);
    ZoomHistory::Push(6.3f, 6.6f, -5.0f, 50.0f);
    DoubleClick(400, 120);
    ASSERT_EQ(ZoomHistory::level, 1);
    EXPECT_FLOAT_EQ(Shown().x0, 6.1f);
    EXPECT_FLOAT_EQ(Shown().x1, 6.9f);
    EXPECT_GT(Shown().y0, -5.0f);
    EXPECT_LT(Shown().y1, 50.0f);
}

TEST_F(RightButton, DuringARunEveryRightButtonMessageOnlyAsksItToStop) {
    w->runBusy = true;
    const plat::Surface before = Screen();
    for (UINT m : {WM_RBUTTONDOWN, WM_MOUSEMOVE, WM_RBUTTONUP, WM_RBUTTONDBLCLK}) {
        gUserInterrupt = false;
        pt::mouse(w, m, 300, 100, MK_RBUTTON);
        f.Paint();
        EXPECT_TRUE(gUserInterrupt) << m;
    }
    w->runBusy = false;
    EXPECT_FALSE(w->rubberBandActive);
    EXPECT_EQ(ZoomHistory::level, 0);
    EXPECT_EQ(Screen(), before);
}

TEST(MolarMassReadout, UnitAndDigitsFollowTheMass) {
    struct Case {
        double m, mMin;
        const char* text;
    } cases[] = {
        {25e6, 2e6, "|Mf=25.0 (>2.0) MDa"},
        {10e6, 2e6, "|Mf=10.00 (>2.00) MDa"}, // the bounds are strict
        {1.5e6, 0.5e6, "|Mf=1.50 (>0.50) MDa"},
        {250000, 90000, "|Mf=250 (>90) kDa"},
        {100000, 90000, "|Mf=100.0 (>90.0) kDa"},
        {5000, 4000, "|Mf=5.00 (>4.00) kDa"},
        {500, 400, "|Mf=500 (>400) Da"},
        {100, 90, "|Mf=100.0 (>90.0) Da"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MolarMassText(c.m, c.mMin), c.text) << c.m;
}

TEST(MolarMassReadout, ModelRangesReplaceTheMassOfTheFrictionalRatio) {
    ModelChoice::ResetToDefaults();
    ContiState::ResetToDefaults();
    EXPECT_FALSE(MolarMassReadoutEnabled());
    ModelChoice::contiMode = true; // the members are distribution models
    EXPECT_FALSE(MolarMassReadoutEnabled());
    ModelChoice::csConformationalChange = true;
    EXPECT_TRUE(MolarMassReadoutEnabled());
    EXPECT_EQ(MolarMassOfS(8.0f), 200000.0);           // inside the conformer's s-range
    EXPECT_EQ(MolarMassOfS(12.0f), CalculateM(12.0f)); // outside it M stays
    ModelChoice::csConformationalChange = false;
    ModelChoice::csBimodal = true;
    EXPECT_EQ(MolarMassOfS(15.0f), CalculateMff02(15.0f, 2.0f));
    EXPECT_EQ(MolarMassOfS(5.0f), CalculateM(5.0f));
    ModelChoice::ResetToDefaults();
}
