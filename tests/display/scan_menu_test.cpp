// The scan menu opened by a click on a data point, used as a user does: drop the scan, or delete
// the point through the point menu; and the placement rules of the menus.
#include "display/plot_coordinates.h"
#include "display/scan_menu.h"
#include "display/screen_button_set.h"
#include "plat/messages.hpp"
#include "plotting/screen_button.h"
#include "plotting/win_plot.h"
#include "scandata/scan_store_alloc.h"
#include "state/model_parameters.h"
#include "support/main_window_fixture.h"

#include <gtest/gtest.h>
#include <string>

namespace {

using S = ScreenButtonSet;
namespace pt = plat::test;

class ScanMenu : public ::testing::Test {
  protected:
    ScanMenu() {
        ScanSetOptions o;
        o.count = 4;
        o.points = 50;
        f.Load(o);
        // Markers away from the points, so that a click picks a point, not a line.
        ModelParameters::meniscus = 5.7f;
        ModelParameters::bottom = 7.2f;
        ScanStore::leftFitLimit = 5.95f;
        ScanStore::rightFitLimit = 5.99f; // the scans end at 5.999 cm
        f.Paint();
    }
    TPoint PointAt(int k, int j) const {
        const CWINPlot& p = *ScanStore::dataPlot;
        const int s = ScanStore::scanOrder[k];
        return {LogicalToPixelX(DataToLogicalX(p, ScanStore::radius[s][j]), w->clientWidth),
                LogicalToPixelY(DataToLogicalY(p, ScanStore::signal[s][j]), w->clientHeight)};
    }
    MainWindowFixture f{700, 500};
    TXLAWindow* w = f.window.get();
};

} // namespace

TEST_F(ScanMenu, ClickOnAPointOffersItsScanAndDeleteDropsIt) {
    const TPoint p = PointAt(2, 30);
    pt::click(w, p.x, p.y);
    f.Paint();
    ASSERT_NE(S::scanEditButton, nullptr);
    const int k = S::selectedScan;
    ASSERT_GE(k, 1);
    const std::string name = ScanStore::scanFileName[ScanStore::scanOrder[k]];
    EXPECT_EQ(std::string(S::scanEditButton->offText), "edit " + name + "?");
    EXPECT_EQ(std::string(S::scanDeleteButton->offText), "delete " + name + "?");
    f.ClickOn(S::scanDeleteButton);
    EXPECT_EQ(ScanStore::scanCount, 3);
    for (int i = 1; i <= ScanStore::scanCount; ++i)
        EXPECT_NE(std::string(ScanStore::scanFileName[i]), name);
    EXPECT_EQ(S::scanEditButton, nullptr);
    EXPECT_EQ(S::selectedScan, 0);
}

TEST_F(ScanMenu, PointMenuDeletesTheClickedPoint) {
    const TPoint p = PointAt(3, 20);
    pt::click(w, p.x, p.y);
    f.Paint();
    ASSERT_NE(S::scanEditButton, nullptr);
    const int s = ScanStore::scanOrder[S::selectedScan];
    const float radius = ScanStore::radius[s][S::selectedPoint];
    f.ClickOn(S::scanEditButton);
    ASSERT_NE(S::pointDeleteButton, nullptr);
    EXPECT_STREQ(S::pointNotepadButton->offText, "-> notepad?");
    f.script.expectBox().text("overwrite original scan?").answer(IDYES);
    f.ClickOn(S::pointDeleteButton);
    EXPECT_TRUE(f.script.done());
    int shorter = 0;
    for (int i = 1; i <= ScanStore::scanCount; ++i) {
        if (ScanStore::pointCount[i] == 49) {
            ++shorter;
            for (int j = 1; j <= 49; ++j)
                EXPECT_NE(ScanStore::radius[i][j], radius);
        }
    }
    EXPECT_EQ(shorter, 1);
    EXPECT_EQ(S::pointDeleteButton, nullptr);
}

TEST_F(ScanMenu, MenusOpenAwayFromTheRightEdge) {
    // 700 pixels: logical x 1200 is column 600.
    for (int x : {599, 600}) {
        ShowScanButtons(w, x, 200, 1);
        const CScreenButton* e = S::scanEditButton;
        ASSERT_NE(e, nullptr);
        const int anchor = PixelToLogicalX(x, w->clientWidth);
        EXPECT_EQ(x<600, e->left> anchor) << x;
        EXPECT_EQ(S::editToRight, x < 600);
        ScanButtonAction(w, 1);
        ASSERT_NE(S::pointDeleteButton, nullptr);
        EXPECT_EQ(S::pointDeleteButton->left > PixelToLogicalX(S::editAnchorX, w->clientWidth) - 2,
                  x < 600);
        HideScanButtons(w);
        EXPECT_EQ(S::pointDeleteButton, nullptr);
    }
}

TEST_F(ScanMenu, NotepadAnsweredNoKeepsTheDataAndPainting) {
    ShowScanButtons(w, 300, 200, 1);
    ScanButtonAction(w, 1);
    const int count = ScanStore::pointCount[ScanStore::scanOrder[1]];
    f.script.expectBox().text("reload scans for changes to take effect?").answer(7);
    PointEditButtonAction(w, 2);
    EXPECT_TRUE(f.script.done());
    EXPECT_FALSE(w->paintSuspended);
    EXPECT_EQ(ScanStore::pointCount[ScanStore::scanOrder[1]], count);
    EXPECT_EQ(S::scanEditButton, nullptr);
}

TEST_F(ScanMenu, NameTipShownOncePerScan) {
    ShowScanNameTip(w, 2, 300, 200);
    const CScreenButton* first = S::nameTipButton;
    ASSERT_NE(first, nullptr);
    const std::string name = ScanStore::scanFileName[ScanStore::scanOrder[2]];
    EXPECT_EQ(std::string(first->offText), name);
    ShowScanNameTip(w, 2, 310, 210);
    EXPECT_EQ(S::nameTipButton, first);
    EXPECT_EQ(S::nameTipX, 300);
    HideScanNameTip(w);
    EXPECT_EQ(S::nameTipButton, nullptr);
    EXPECT_EQ(S::nameTipScan, 0);
}

// A double click on a point opens its scan menu (first click) and places a tentative marker whose
// "confirm" and "cancel" are drawn over that menu: a click acts on the button seen there.
TEST_F(ScanMenu, DoubleClickOnAPointLetsTheMarkersButtonsDrawnOnTopTakeTheClick) {
    const struct {
        const char* name;
        int dy; // pixels below the click: the marker's "confirm" over "edit", "cancel" over
                // "delete"
        bool limitsMove;
    } cases[] = {{"cancel", 2, false}, {"confirm", -3, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const float left = ScanStore::leftFitLimit, right = ScanStore::rightFitLimit;
        const TPoint p = PointAt(2, 30);
        pt::click(w, p.x, p.y);
        pt::mouse(w, WM_LBUTTONDBLCLK, p.x, p.y, MK_LBUTTON);
        pt::mouse(w, WM_LBUTTONUP, p.x, p.y);
        f.Paint();
        ASSERT_NE(S::scanDeleteButton, nullptr);
        ASSERT_NE(S::cancelMoveButton, nullptr);
        pt::click(w, p.x + 20, p.y + c.dy);
        f.Paint();
        EXPECT_EQ(ScanStore::scanCount, 4);
        EXPECT_EQ(S::cancelMoveButton, nullptr);
        EXPECT_EQ(S::pointDeleteButton, nullptr);
        EXPECT_EQ(ScanStore::leftFitLimit != left || ScanStore::rightFitLimit != right,
                  c.limitsMove);
        ScanStore::leftFitLimit = left;
        ScanStore::rightFitLimit = right;
        f.Paint();
    }
}
