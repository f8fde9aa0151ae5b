// The confirm and cancel pair beside a released marker. Sizes follow the client size the paint
// last saw, so the buttons keep their look on any window; the pair flips to the left of the
// anchor near the right edge so that it stays inside the window.
#include "display/marker_commit.h"
#include "display/menu_button.h"
#include "display/paint_switches.h"
#include "display/plot_coordinates.h"
#include "display/screen_button_set.h"
#include "foundations/key_polling.h"
#include "plat/window.hpp"
#include "plotting/screen_button.h"
#include "state/mstar_state.h"
#include "state/window_services.h"

#include <cstring>

namespace {

constexpr const char* kQuestion = "move fit limits, too?";
constexpr double kQuestionLength = 21.0;

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
        S::confirmButton = MakeMenuButton(window, S::askMoveFitLimits ? kQuestion : "confirm",
                                          y - 1 - h, y - 1, left, right);
    if (!S::cancelMoveButton)
        S::cancelMoveButton = MakeMenuButton(window, "cancel", y, y + h, left, right);
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
