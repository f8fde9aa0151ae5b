// A marker move the way a user makes it: press on the line, drag, release, then answer the
// on-plot buttons; positions come from the plot's own mapping of the loaded set.
#include "display/marker_lines.h"
#include "display/plot_coordinates.h"
#include "display/scan_menu.h"
#include "display/screen_button_set.h"
#include "plat/messages.hpp"
#include "plat/surface.hpp"
#include "plotting/screen_button.h"
#include "scandata/scan_store_alloc.h"
#include "state/fit_control.h"
#include "state/model_parameters.h"
#include "state/plot_interaction_state.h"
#include "state/run_switches.h"
#include "support/main_window_fixture.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace {

using D = MarkerDragState;
namespace pt = plat::test;

constexpr int kRow = 150; // inside the data plot's band of a 500-pixel client

class LeftButton : public ::testing::Test {
  protected:
    LeftButton() {
        f.LoadMarkerSet();
        ScanStore::dataChanged = false;
        f.Paint();
    }
    void Drag(int from, int to) {
        pt::mouse(w, WM_LBUTTONDOWN, from, kRow, MK_LBUTTON);
        pt::mouse(w, WM_MOUSEMOVE, (from + to) / 2, kRow, MK_LBUTTON);
        pt::mouse(w, WM_MOUSEMOVE, to, kRow, MK_LBUTTON);
        pt::mouse(w, WM_LBUTTONUP, to, kRow);
        f.Paint();
    }
    int Column(float r) { return DataPlotColumn(w, r); }

    MainWindowFixture f{700, 500};
    TXLAWindow* w = f.window.get();
};

} // namespace

TEST_F(LeftButton, MeniscusDraggedAndConfirmedLandsAtTheReleasedRadius) {
    const int from = Column(6.0f), to = from + 40;
    const float target = DataRadiusAtColumn(w, to);
    const float perPixel = DataRadiusAtColumn(w, to + 1) - target;
    Drag(from, to);
    EXPECT_NEAR(ModelParameters::meniscus, 6.0f, 1e-6); // nothing applied before the answer
    ASSERT_NE(ScreenButtonSet::confirmButton, nullptr);
    EXPECT_STREQ(ScreenButtonSet::confirmButton->offText, "confirm");
    f.ClickOn(ScreenButtonSet::confirmButton);
    EXPECT_NEAR(ModelParameters::meniscus, target, std::fabs(perPixel));
    EXPECT_TRUE(ScanStore::dataChanged);
    EXPECT_LT(FitControl::meniscusMax, ScanStore::leftFitLimit);
    // The question about the bounds follows at the same place; cancel keeps them.
    ASSERT_NE(ScreenButtonSet::confirmButton, nullptr);
    EXPECT_STREQ(ScreenButtonSet::confirmButton->offText, "move fit limits, too?");
    const float low = FitControl::meniscusMin;
    f.ClickOn(ScreenButtonSet::cancelMoveButton);
    EXPECT_EQ(FitControl::meniscusMin, low);
    EXPECT_EQ(ScreenButtonSet::confirmButton, nullptr);
    EXPECT_FALSE(D::awaitingConfirm);
}

TEST_F(LeftButton, CancelRevertsExactly) {
    const float before[] = {ModelParameters::meniscus, ModelParameters::bottom,
                            ScanStore::leftFitLimit,   ScanStore::rightFitLimit,
                            FitControl::meniscusMin,   FitControl::meniscusMax};
    Drag(Column(7.2f), Column(7.2f) - 30); // the bottom
    f.ClickOn(ScreenButtonSet::cancelMoveButton);
    const float after[] = {ModelParameters::meniscus, ModelParameters::bottom,
                           ScanStore::leftFitLimit,   ScanStore::rightFitLimit,
                           FitControl::meniscusMin,   FitControl::meniscusMax};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(after[i], before[i]) << i;
    EXPECT_FALSE(ScanStore::dataChanged);
    EXPECT_FALSE(D::bottomGrabbed);
}

TEST_F(LeftButton, GrabZoneIsOnePixelEachSide) {
    const int c = Column(6.0f);
    for (int offset : {-2, -1, 0, 1, 2}) {
        pt::mouse(w, WM_LBUTTONDOWN, c + offset, kRow, MK_LBUTTON);
        f.Paint();
        EXPECT_EQ(D::meniscusGrabbed, std::abs(offset) < 2) << offset;
        pt::mouse(w, WM_LBUTTONUP, c + offset, kRow);
        f.Paint();
        if (D::awaitingConfirm) // a press elsewhere reverts the waiting move
            f.ClickOn(ScreenButtonSet::cancelMoveButton);
        HideScanButtons(w); // a miss may have picked a scan point instead
        EXPECT_FALSE(D::meniscusGrabbed);
    }
    EXPECT_NEAR(ModelParameters::meniscus, 6.0f, 1e-6);
}

TEST_F(LeftButton, APressElsewhereRevertsAWaitingMove) {
    Drag(Column(6.3f), Column(6.3f) + 20); // the left fit limit
    ASSERT_TRUE(D::awaitingConfirm);
    pt::click(w, 20, 400); // below the data plot, on no button
    f.Paint();
    EXPECT_FALSE(D::awaitingConfirm);
    EXPECT_FALSE(D::leftLimitGrabbed);
    EXPECT_EQ(ScreenButtonSet::confirmButton, nullptr);
    EXPECT_NEAR(ScanStore::leftFitLimit, 6.3f, 1e-6);
}

TEST_F(LeftButton, OutsideTheDataBandNothingIsGrabbed) {
    const int c = Column(6.0f);
    for (int row : {10, 25, 400}) {
        pt::mouse(w, WM_LBUTTONDOWN, c, row, MK_LBUTTON);
        f.Paint();
        EXPECT_FALSE(D::buttonDown) << row;
    }
}

TEST_F(LeftButton, ClicksWhileBusyOnlyAskToStop) {
    w->runBusy = true;
    gUserInterrupt = false;
    Drag(Column(6.0f), Column(6.0f) + 30);
    EXPECT_TRUE(gUserInterrupt);
    EXPECT_FALSE(D::meniscusGrabbed);
    EXPECT_FALSE(D::buttonDown);
    EXPECT_EQ(ScreenButtonSet::confirmButton, nullptr);
    EXPECT_NEAR(ModelParameters::meniscus, 6.0f, 1e-6);
    w->runBusy = false;
    gUserInterrupt = false;
}

TEST_F(LeftButton, EnterAppliesAndEscapeRevertsAWaitingMove) {
    const int from = Column(6.0f), to = from + 25;
    const float target = DataRadiusAtColumn(w, to);
    Drag(from, to);
    pt::key(w, VK_RETURN, '\r');
    f.Paint();
    EXPECT_NEAR(ModelParameters::meniscus, target, 1e-6);
    ASSERT_TRUE(D::awaitingConfirm); // the fit-bound question now waits
    const float high = FitControl::meniscusMax;
    pt::key(w, VK_ESCAPE, 27);
    f.Paint();
    EXPECT_FALSE(D::awaitingConfirm);
    EXPECT_FALSE(D::meniscusShiftPending);
    EXPECT_EQ(FitControl::meniscusMax, high);
    EXPECT_EQ(ScreenButtonSet::confirmButton, nullptr);
}

// A marker dragged out of the window used to follow the pointer off the client area, leaving
// its line and its confirm buttons where nobody could see or reach them.
TEST_F(LeftButton, ADragLeavingTheWindowStopsAtItsEdge) {
    const plat::Surface before = w->GetSurface();
    const int from = Column(7.2f); // the bottom
    pt::mouse(w, WM_LBUTTONDOWN, from, kRow, MK_LBUTTON);
    pt::mouse(w, WM_MOUSEMOVE, 760, kRow, MK_LBUTTON);
    pt::mouse(w, WM_MOUSEMOVE, 900, kRow + 400, MK_LBUTTON);
    pt::mouse(w, WM_LBUTTONUP, 900, kRow + 400);
    f.Paint();
    EXPECT_EQ(D::releaseX, 699);
    EXPECT_FLOAT_EQ(gMouseDataX, DataRadiusAtColumn(w, 699));
    ASSERT_NE(ScreenButtonSet::cancelMoveButton, nullptr);
    const CScreenButton* b = ScreenButtonSet::cancelMoveButton;
    EXPECT_LT(LogicalToPixelX(std::min(b->left, b->right), w->clientWidth), 700);
    f.ClickOn(ScreenButtonSet::cancelMoveButton);
    EXPECT_NEAR(ModelParameters::bottom, 7.2f, 1e-6);
    w->RequestRepaint();
    f.Paint();
    EXPECT_EQ(w->GetSurface(), before);
}
