// The tentative marker as a user sets it: a double click places it, the arrow keys nudge it,
// Enter or Tab commit it to a boundary, the reference meniscus or a fitting limit, Esc throws it
// away and leaves the screen as it was; keys during a Run only ask the Run to stop.
#include "display/marker_lines.h"
#include "display/screen_button_set.h"
#include "plat/messages.hpp"
#include "plat/surface.hpp"
#include "scandata/scan_store_alloc.h"
#include "state/buffer_sedimentation.h"
#include "state/fit_control.h"
#include "state/model_parameters.h"
#include "state/plot_interaction_state.h"
#include "state/run_switches.h"
#include "support/main_window_fixture.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

namespace pt = plat::test;
using D = MarkerDragState;
using T = TentativeMarker;

constexpr int kRow = 150; // inside the data plot's band of a 500-pixel client

class TentativeMarkerTest : public ::testing::Test {
  protected:
    TentativeMarkerTest() {
        f.LoadMarkerSet();
        f.Paint();
    }
    void DoubleClick(float radius, UINT keys = MK_LBUTTON) {
        pt::mouse(w, WM_LBUTTONDBLCLK, Column(radius), kRow, keys);
        f.Paint();
    }
    void Key(UINT vk, char ch = 0) {
        pt::key(w, vk, ch);
        f.Paint();
    }
    int Column(float r) { return DataPlotColumn(w, r); }
    float Under(float r) { return DataRadiusAtColumn(w, Column(r)); }
    plat::Surface Screen() { return w->GetSurface(); }

    MainWindowFixture f{700, 500};
    TXLAWindow* w = f.window.get();
};

} // namespace

TEST_F(TentativeMarkerTest, CtrlDoubleClicksSetMeniscusThenBottomInOrder) {
    ModelParameters::meniscus = ModelParameters::bottom = 0.0f;
    f.Paint();
    const float first = Under(6.8f), second = Under(6.1f);
    DoubleClick(6.8f, MK_LBUTTON | MK_CONTROL);
    EXPECT_TRUE(T::placed);
    EXPECT_TRUE(T::boundaryPending);
    Key(VK_RETURN, '\r');
    EXPECT_FLOAT_EQ(ModelParameters::meniscus, first);
    EXPECT_EQ(ModelParameters::bottom, 0.0f);
    EXPECT_FALSE(T::placed);
    EXPECT_TRUE(ScanStore::dataChanged);
    // The second lies inside the first: the two change places.
    DoubleClick(6.1f, MK_LBUTTON | MK_CONTROL);
    Key(VK_TAB, '\t');
    EXPECT_FLOAT_EQ(ModelParameters::meniscus, second);
    EXPECT_FLOAT_EQ(ModelParameters::bottom, first);
    EXPECT_FALSE(D::awaitingConfirm);
    EXPECT_EQ(ScreenButtonSet::confirmButton, nullptr);
}

TEST_F(TentativeMarkerTest, BoundaryBeyondTheDataIsAskedFor) {
    // The bottom lies past the data's outer end and the click is near that end.
    struct Case {
        const char* name;
        std::vector<int> answers; // "set bottom?", then "set meniscus?"
        bool bottomSet, meniscusSet;
    } cases[] = {
        {"yes: bottom", {IDYES}, true, false},
        {"no, yes: meniscus", {IDNO, IDYES}, false, true},
        {"no, no: nothing", {IDNO, IDNO}, false, false},
    };
    for (const Case& c : cases) {
        ModelParameters::meniscus = 6.0f;
        ModelParameters::bottom = 7.8f;
        const float v = Under(7.3f);
        DoubleClick(7.3f, MK_LBUTTON | MK_CONTROL);
        const char* texts[] = {"set bottom?", "set meniscus?"};
        for (std::size_t i = 0; i < c.answers.size(); ++i)
            f.script.expectBox().caption("").text(texts[i]).answer(c.answers[i]);
        Key(VK_RETURN, '\r');
        EXPECT_TRUE(f.script.done()) << c.name;
        EXPECT_FLOAT_EQ(ModelParameters::bottom, c.bottomSet ? v : 7.8f) << c.name;
        EXPECT_FLOAT_EQ(ModelParameters::meniscus, c.meniscusSet ? v : 6.0f) << c.name;
        EXPECT_FALSE(T::placed) << c.name;
        EXPECT_FALSE(w->paintSuspended) << c.name;
    }
}

TEST_F(TentativeMarkerTest, PlainDoubleClickMovesTheNearerFittingLimit) {
    struct Case {
        float click;
        float expectLeft, expectRight; // < 0: the clicked radius
    } cases[] = {
        {6.5f, -1, 7.1f},    // nearer the left limit
        {6.95f, 6.3f, -1},   // nearer the right limit
        {6.0f, 6.01f, 7.1f}, // at the meniscus: lands 0.01 cm inside it
    };
    for (const Case& c : cases) {
        ScanStore::leftFitLimit = 6.3f;
        ScanStore::rightFitLimit = 7.1f;
        const float v = Under(c.click);
        DoubleClick(c.click);
        EXPECT_TRUE(T::fitLimitPending);
        Key(VK_TAB, '\t');
        EXPECT_NEAR(ScanStore::leftFitLimit, c.expectLeft < 0 ? v : c.expectLeft, 2e-3) << c.click;
        EXPECT_NEAR(ScanStore::rightFitLimit, c.expectRight < 0 ? v : c.expectRight, 2e-3)
            << c.click;
        EXPECT_LT(FitControl::meniscusMax, ScanStore::leftFitLimit) << c.click;
    }
}

TEST_F(TentativeMarkerTest, ArrowsNudgeByThreeMicronsAndLeaveNoTrace) {
    DoubleClick(6.6f);
    const float placed = gMouseDataX;
    const plat::Surface shown = Screen();
    Key(VK_RIGHT);
    EXPECT_NEAR(gMouseDataX, placed + 0.0003f, 1e-6);
    Key(VK_RIGHT);
    Key(VK_LEFT);
    Key(VK_LEFT);
    EXPECT_NEAR(gMouseDataX, placed, 1e-6);
    EXPECT_EQ(Screen(), shown); // the line and its readout are back where they were
    // Without a tentative marker the arrows do nothing.
    Key(VK_ESCAPE, 0x1B);
    const float before = gMouseDataX;
    Key(VK_RIGHT);
    EXPECT_EQ(gMouseDataX, before);
}

TEST_F(TentativeMarkerTest, EscThrowsTheMarkerAwayAndRestoresTheScreen) {
    for (UINT keys :
         {UINT(MK_LBUTTON), UINT(MK_LBUTTON | MK_CONTROL), UINT(MK_LBUTTON | MK_SHIFT)}) {
        w->RequestRepaint();
        f.Paint();
        const plat::Surface before = Screen();
        DoubleClick(6.7f, keys);
        ASSERT_TRUE(T::placed) << keys;
        EXPECT_NE(Screen(), before) << keys;
        Key(VK_ESCAPE, 0x1B);
        EXPECT_FALSE(T::placed || T::boundaryPending || T::fitLimitPending ||
                     T::refMeniscusPending || D::awaitingConfirm)
            << keys;
        EXPECT_EQ(gMouseDataX, 0.0f);
        w->RequestRepaint();
        f.Paint();
        EXPECT_EQ(Screen(), before) << keys;
    }
    EXPECT_FLOAT_EQ(ModelParameters::meniscus, 6.0f);
    EXPECT_FLOAT_EQ(ScanStore::leftFitLimit, 6.3f);
}

TEST_F(TentativeMarkerTest, ShiftDoubleClickSetsTheReferenceMeniscusFromTheMeniscus) {
    const float v = Under(5.95f);
    DoubleClick(5.95f, MK_LBUTTON | MK_SHIFT);
    Key(VK_RETURN, '\r');
    EXPECT_NEAR(BufferSedimentation::meniscusDifference, 6.0 - v, 1e-6);
    // Without a meniscus there is nothing to measure from: nothing is placed or shown.
    ModelParameters::meniscus = 0.0f;
    w->RequestRepaint();
    f.Paint();
    const plat::Surface before = Screen();
    DoubleClick(5.95f, MK_LBUTTON | MK_SHIFT);
    EXPECT_FALSE(T::placed);
    EXPECT_FALSE(D::awaitingConfirm);
    EXPECT_EQ(ScreenButtonSet::confirmButton, nullptr);
    EXPECT_EQ(Screen(), before);
}

TEST_F(TentativeMarkerTest, KeysDuringARunOnlyAskItToStop) {
    DoubleClick(6.6f);
    const float placed = gMouseDataX;
    const plat::Surface shown = Screen();
    w->runBusy = true;
    for (auto [vk, ch] :
         {std::pair<UINT, char>{VK_RIGHT, 0}, {VK_ESCAPE, 0x1B}, {VK_RETURN, '\r'}}) {
        gUserInterrupt = false;
        Key(vk, ch);
        EXPECT_TRUE(gUserInterrupt) << vk;
    }
    pt::mouse(w, WM_LBUTTONDBLCLK, Column(6.9f), kRow, MK_LBUTTON);
    f.Paint();
    w->runBusy = false;
    EXPECT_TRUE(T::placed);
    EXPECT_EQ(gMouseDataX, placed);
    EXPECT_FLOAT_EQ(ScanStore::leftFitLimit, 6.3f);
    EXPECT_EQ(Screen(), shown);
}
