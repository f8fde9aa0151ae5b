// Commit and revert of released marker moves on a loaded set: the dropped value, the order rules
// between meniscus, bounds, fit limits and bottom, the "move fit limits, too?" question, the M*
// screen and the place of the confirm buttons.
#include "display/marker_commit.h"
#include "display/marker_lines.h"
#include "display/plot_coordinates.h"
#include "display/screen_button_set.h"
#include "plotting/screen_button.h"
#include "scandata/scan_store_alloc.h"
#include "state/buffer_sedimentation.h"
#include "state/fit_control.h"
#include "state/model_parameters.h"
#include "state/mstar_state.h"
#include "state/plot_interaction_state.h"
#include "support/main_window_fixture.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

using D = MarkerDragState;

struct Values {
    float men, bot, left, right, menMin, menMax, botMin, botMax;
};

// Meniscus 6.0, bounds 5.8 .. 6.6 and 7.1 .. 7.3, fit limits 6.3 .. 7.1, bottom 7.2; the scans
// reach from 5.95 to 7.45 cm, so only the cell decides the end clamping of the limits.
class MarkerCommit : public ::testing::Test {
  protected:
    MarkerCommit() {
        ScanSetOptions o;
        o.count = 3;
        o.bottom = 7.5; // radii 5.95 .. 7.45 cm
        f.Load(o);
        f.Paint();
        Set({6.0f, 7.2f, 6.3f, 7.1f, 5.8f, 6.6f, 7.1f, 7.3f});
    }
    static void Set(const Values& v) {
        ModelParameters::meniscus = v.men;
        ModelParameters::bottom = v.bot;
        ScanStore::leftFitLimit = v.left;
        ScanStore::rightFitLimit = v.right;
        FitControl::meniscusMin = v.menMin;
        FitControl::meniscusMax = v.menMax;
        FitControl::bottomMin = v.botMin;
        FitControl::bottomMax = v.botMax;
        ScanStore::dataChanged = false;
    }
    static Values Now() {
        return {ModelParameters::meniscus, ModelParameters::bottom, ScanStore::leftFitLimit,
                ScanStore::rightFitLimit,  FitControl::meniscusMin, FitControl::meniscusMax,
                FitControl::bottomMin,     FitControl::bottomMax};
    }
    // What the release does: the grabbed flag, the drop radius and its line, the wait.
    void Drop(bool& grabbed, float d, bool commit) {
        grabbed = true;
        gMouseDataX = d;
        D::releaseX = DataPlotColumn(w, d);
        D::awaitingConfirm = true;
        w->ApplyMarkerDrag(commit);
    }
    COLORREF At(int x, int y) const { return w->GetSurface().GetPixel(x, y); }

    MainWindowFixture f{700, 500};
    TXLAWindow* w = f.window.get();
};

bool AnyGrabbed() {
    return D::meniscusGrabbed || D::refMeniscusGrabbed || D::bottomGrabbed || D::leftLimitGrabbed ||
           D::rightLimitGrabbed || D::meniscusLowGrabbed || D::meniscusHighGrabbed ||
           D::bottomLowGrabbed || D::bottomHighGrabbed;
}

#define EXPECT_VALUES(got, want)                                                                   \
    do {                                                                                           \
        EXPECT_NEAR(got.men, want.men, 1e-5);                                                      \
        EXPECT_NEAR(got.bot, want.bot, 1e-5);                                                      \
        EXPECT_NEAR(got.left, want.left, 1e-5);                                                    \
        EXPECT_NEAR(got.right, want.right, 1e-5);                                                  \
        EXPECT_NEAR(got.menMin, want.menMin, 1e-5);                                                \
        EXPECT_NEAR(got.menMax, want.menMax, 1e-5);                                                \
        EXPECT_NEAR(got.botMin, want.botMin, 1e-5);                                                \
        EXPECT_NEAR(got.botMax, want.botMax, 1e-5);                                                \
    } while (0)

} // namespace

TEST_F(MarkerCommit, MeniscusMoveAsksToShiftItsBoundsAndEitherAnswerKeepsTheOrder) {
    for (bool confirm : {true, false}) {
        SCOPED_TRACE(confirm);
        Set({6.0f, 7.2f, 6.3f, 7.1f, 5.8f, 6.6f, 7.1f, 7.3f});
        Drop(D::meniscusGrabbed, 6.1f, true);
        EXPECT_VALUES(Now(), (Values{6.1f, 7.2f, 6.3f, 7.1f, 5.8f, 6.299f, 7.1f, 7.3f}));
        EXPECT_TRUE(ScanStore::dataChanged);
        EXPECT_TRUE(D::meniscusShiftPending);
        EXPECT_TRUE(D::awaitingConfirm);
        ASSERT_NE(ScreenButtonSet::confirmButton, nullptr);
        EXPECT_STREQ(ScreenButtonSet::confirmButton->offText, "move fit limits, too?");
        EXPECT_STREQ(ScreenButtonSet::cancelMoveButton->offText, "cancel");
        // The committed meniscus line is red where the release dropped it.
        EXPECT_EQ(At(DataPlotColumn(w, 6.1f), 100), 0x0000FFu);

        w->ApplyMarkerDrag(confirm);
        // Confirmed: both bounds shift by 0.1, then the upper one is held left of the fit limit.
        const float low = confirm ? 5.9f : 5.8f;
        EXPECT_VALUES(Now(), (Values{6.1f, 7.2f, 6.3f, 7.1f, low, 6.299f, 7.1f, 7.3f}));
        EXPECT_FALSE(D::meniscusShiftPending);
        EXPECT_FALSE(D::awaitingConfirm);
        EXPECT_EQ(ScreenButtonSet::confirmButton, nullptr);
        EXPECT_EQ(gMouseDataX, 0.0f);
        EXPECT_FALSE(AnyGrabbed());
    }
}

// One row per drop: the marker, the drop radius and the values after the commit's own rules.
// Fit limits end inside meniscus + 0.01 .. bottom - 0.01 by the clamping that ends every commit.
TEST_F(MarkerCommit, OrderRulesAfterEachKindOfDrop) {
    const Values start{6.0f, 7.2f, 6.3f, 7.1f, 5.8f, 6.6f, 7.1f, 7.3f};
    const struct {
        const char* what;
        bool* grabbed;
        float d;
        Values want;
    } rows[] = {
        {"meniscus below its lower bound",
         &D::meniscusGrabbed,
         5.7f,
         {5.7f, 7.2f, 6.3f, 7.1f, 5.7f, 6.299f, 7.1f, 7.3f}},
        {"meniscus past the left fit limit",
         &D::meniscusGrabbed,
         6.4f,
         {6.4f, 7.2f, 6.41f, 7.1f, 5.8f, 6.404f, 7.1f, 7.3f}},
        {"bottom above its upper bound",
         &D::bottomGrabbed,
         7.35f,
         {6.0f, 7.35f, 6.3f, 7.1f, 5.8f, 6.6f, 7.1f, 7.35f}},
        {"bottom left of the right fit limit",
         &D::bottomGrabbed,
         7.05f,
         {6.0f, 7.05f, 6.3f, 7.04f, 5.8f, 6.6f, 7.05f, 7.3f}},
        {"left fit limit past the right one",
         &D::leftLimitGrabbed,
         7.15f,
         {6.0f, 7.2f, 7.1f, 7.15f, 5.8f, 6.6f, 7.151f, 7.3f}},
        {"left fit limit left of the meniscus",
         &D::leftLimitGrabbed,
         5.95f,
         {6.0f, 7.2f, 6.01f, 7.1f, 5.8f, 6.004f, 7.1f, 7.3f}},
        {"right fit limit beyond the bottom",
         &D::rightLimitGrabbed,
         7.25f,
         {6.0f, 7.2f, 6.3f, 7.19f, 5.8f, 6.6f, 7.201f, 7.3f}},
        {"upper bottom bound below the lower",
         &D::bottomHighGrabbed,
         7.0f,
         {6.0f, 7.1f, 6.3f, 7.09f, 5.8f, 6.6f, 7.101f, 7.1f}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        Set(start);
        Drop(*r.grabbed, r.d, true);
        EXPECT_VALUES(Now(), r.want);
        EXPECT_TRUE(ScanStore::dataChanged);
        EXPECT_FALSE(AnyGrabbed());
        EXPECT_GT(ScanStore::leftFitLimit, ModelParameters::meniscus);
        EXPECT_LT(ScanStore::rightFitLimit, ModelParameters::bottom);
        w->ApplyMarkerDrag(false); // answers a pending question, if any, with cancel
    }
}

TEST_F(MarkerCommit, LowerMeniscusBoundDroppedPastTheUpperExchangesThem) {
    Set({6.0f, 7.2f, 6.9f, 7.1f, 5.8f, 6.6f, 7.1f, 7.3f});
    Drop(D::meniscusLowGrabbed, 6.65f, true);
    EXPECT_NEAR(FitControl::meniscusMin, 6.6f, 1e-6);
    EXPECT_NEAR(FitControl::meniscusMax, 6.65f, 1e-6);
    EXPECT_NEAR(ModelParameters::meniscus, 6.6f, 1e-6); // pulled inside its bounds
}

TEST_F(MarkerCommit, RightLimitDroppedLeftOfTheMeniscusIsPutBack) {
    // Taken as it falls, the exchange would make a fit range the clamping collapses.
    Drop(D::rightLimitGrabbed, 5.95f, true);
    EXPECT_VALUES(Now(), (Values{6.0f, 7.2f, 6.3f, 7.1f, 5.8f, 6.6f, 7.1f, 7.3f}));
    EXPECT_FALSE(ScanStore::dataChanged);
    EXPECT_FALSE(AnyGrabbed());
}

TEST_F(MarkerCommit, ReferenceMeniscusSetsTheMeniscusDifference) {
    Drop(D::refMeniscusGrabbed, 5.95f, true);
    EXPECT_NEAR(BufferSedimentation::meniscusDifference, 0.05, 1e-6);
    EXPECT_NEAR(ModelParameters::meniscus, 6.0f, 1e-6);
}

TEST_F(MarkerCommit, RevertChangesNothing) {
    bool* flags[] = {&D::meniscusGrabbed,     &D::refMeniscusGrabbed, &D::bottomGrabbed,
                     &D::leftLimitGrabbed,    &D::rightLimitGrabbed,  &D::meniscusLowGrabbed,
                     &D::meniscusHighGrabbed, &D::bottomLowGrabbed,   &D::bottomHighGrabbed};
    const Values before = Now();
    for (bool* flag : flags) {
        Drop(*flag, 6.95f, false);
        EXPECT_VALUES(Now(), before);
        EXPECT_NEAR(BufferSedimentation::meniscusDifference, 0.1, 1e-12);
        EXPECT_FALSE(ScanStore::dataChanged);
        EXPECT_FALSE(AnyGrabbed());
        EXPECT_FALSE(D::awaitingConfirm);
        EXPECT_EQ(D::releaseX, 0);
        EXPECT_EQ(gMouseDataX, 0.0f);
    }
}

TEST_F(MarkerCommit, OnTheMStarScreenAMeniscusMoveTouchesNothingElse) {
    MStarState::mStarMode = true;
    Drop(D::meniscusGrabbed, 6.5f, true);
    EXPECT_VALUES(Now(), (Values{6.5f, 7.2f, 6.51f, 7.1f, 5.8f, 6.6f, 7.1f, 7.3f}));
    EXPECT_EQ(ScreenButtonSet::confirmButton, nullptr); // no question
    EXPECT_TRUE(D::meniscusShiftPending);
    w->ApplyMarkerDrag(false);
    EXPECT_FALSE(D::meniscusShiftPending);
}

TEST_F(MarkerCommit, ConfirmButtonsTakeTheSideAwayFromTheRightEdge) {
    // 700 pixels wide: logical x is twice the pixel column, the threshold 1250 at column 625.
    for (int x : {624, 625}) {
        ShowMarkerConfirmButtons(w, x, 200);
        const CScreenButton* c = ScreenButtonSet::confirmButton;
        const CScreenButton* n = ScreenButtonSet::cancelMoveButton;
        ASSERT_NE(c, nullptr);
        EXPECT_STREQ(c->offText, "confirm");
        const int anchor = PixelToLogicalX(x, w->clientWidth);
        if (x < 625) {
            EXPECT_GT(c->left, anchor);
        } else {
            EXPECT_LT(c->right, anchor);
        }
        EXPECT_EQ(c->left, n->left);
        EXPECT_LE(c->bottom, n->top); // confirm above cancel
        EXPECT_EQ(ScreenButtonSet::confirmAnchorX, x);
        HideMarkerConfirmButtons(nullptr);
    }
}

TEST_F(MarkerCommit, ButtonActionCommitsOnlyWhileBothButtonsShow) {
    D::meniscusGrabbed = true;
    gMouseDataX = 6.1f;
    MarkerConfirmButtonAction(w, true); // no buttons: nothing
    EXPECT_NEAR(ModelParameters::meniscus, 6.0f, 1e-6);
    ShowMarkerConfirmButtons(w, 300, 200);
    MarkerConfirmButtonAction(w, true);
    EXPECT_NEAR(ModelParameters::meniscus, 6.1f, 1e-6);
    EXPECT_STREQ(ScreenButtonSet::confirmButton->offText, "move fit limits, too?");
    EXPECT_EQ(ScreenButtonSet::confirmAnchorX, 300); // the question stays at the same anchor
    MarkerConfirmButtonAction(w, false);
    EXPECT_EQ(ScreenButtonSet::confirmButton, nullptr);
}
