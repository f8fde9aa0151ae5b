// The confirm and cancel pair beside a released marker. Sizes follow the client size the paint
// last saw, so the buttons keep their look on any window; the pair flips to the left of the
// anchor near the right edge so that it stays inside the window.
#include <cstring>

#include "state/window_services.h"
#include "plat/window.hpp"
#include "display/marker_commit.h"
#include "display/paint_switches.h"
#include "display/plot_coordinates.h"
#include "plotting/screen_button.h"
#include "display/screen_button_set.h"
#include "state/mstar_state.h"
#include "foundations/key_polling.h"

namespace {

constexpr const char* kQuestion = "move fit limits, too?";
constexpr double kQuestionLength = 21.0;

CScreenButton* MakeButton(TXLAWindow* w, const char* label, double top, double bottom,
                          double left, double right) {
    auto* b = new CScreenButton;
    b->SetRect(float(PixelToLogicalY(int(top), WindowServices::ClientHeight(w))),
               float(PixelToLogicalX(int(left), WindowServices::ClientWidth(w))),
               float(PixelToLogicalY(int(bottom), WindowServices::ClientHeight(w))),
               float(PixelToLogicalX(int(right), WindowServices::ClientWidth(w))));
    const int n = int(std::strlen(label));
    b->SetTexts(label, n, label, n);
    b->onFaceColour = 0x9696FF;
    b->Rebuild();
    return b;
}

} // namespace

void ShowMarkerConfirmButtons(TXLAWindow* window, int x, int y) {
    using S = ScreenButtonSet;
    if (S::askMoveFitLimits) {
        x = S::confirmAnchorX;
        y = S::confirmAnchorY;
    }
    const double h = 0.018 * gClientHeightPx;
    const double scale = kQuestionLength * gClientWidthPx / 1400.0;
    const double width = (S::askMoveFitLimits ? 6.0 : 2.5) * scale + 5.0;
    const bool rightOfAnchor = PixelToLogicalX(x, WindowServices::ClientWidth(window)) < 1250;
    const double left = rightOfAnchor ? x + 1 : x - width;
    const double right = rightOfAnchor ? x + width : x - 1;
    if (!S::confirmButton)
        S::confirmButton = MakeButton(window, S::askMoveFitLimits ? kQuestion : "confirm",
                                      y - 1 - h, y - 1, left, right);
    if (!S::cancelMoveButton)
        S::cancelMoveButton = MakeButton(window, "cancel", y, y + h, left, right);
    S::confirmAnchorX = x;
    S::confirmAnchorY = y;
    S::confirmButton->Paint(window);
    S::cancelMoveButton->Paint(window);
}

void HideMarkerConfirmButtons(TXLAWindow* window) {
    delete ScreenButtonSet::confirmButton;
    ScreenButtonSet::confirmButton = nullptr;
    delete ScreenButtonSet::cancelMoveButton;
    ScreenButtonSet::cancelMoveButton = nullptr;
    if (window && !MStarState::mStarMode)
        WindowServices::DrawPlotsNow(window);
}

void MarkerConfirmButtonAction(TXLAWindow* window, bool commit) {
    if (!ScreenButtonSet::confirmButton || !ScreenButtonSet::cancelMoveButton)
        return;
    (commit ? ScreenButtonSet::confirmButton : ScreenButtonSet::cancelMoveButton)->Paint(window);
    WaitSeconds(0.1f);
    WindowServices::ApplyMarkerDrag(window, commit);
}
