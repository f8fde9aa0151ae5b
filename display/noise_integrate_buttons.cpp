// Noise and integration buttons. Sizes follow the client size the paint last saw, so the buttons
// keep their look on any window; rectangles are in the 1400 x 1000 logical plot space.
#include "display/noise_integrate_buttons.h"

#include "display/paint_switches.h"
#include "display/plot_coordinates.h"
#include "display/screen_button_set.h"
#include "foundations/key_polling.h"
#include "plotting/screen_button.h"
#include "scandata/noise_subtraction.h"
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/realtime_state.h"
#include "state/scan_store.h"
#include "state/window_services.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr const char* kRemoveLabel = "remove TI and RI";
constexpr const char* kRestoreLabel = "restore TI noise";
constexpr const char* kIntegrateLabel = "integrate";
constexpr const char* kSelectLabel = "select range";

// Right edge of every button: 1.4 x the plot area's right (975) less 10.
constexpr double kRight = 1355.0;

CScreenButton* MakeButton(const char* off, const char* on, double top, double bottom, double width,
                          int kind) {
    auto* b = new CScreenButton;
    b->kind = kind;
    b->SetRect(float(top), float(kRight - width), float(bottom), float(kRight));
    b->SetTexts(off, int(std::strlen(off)), on, int(std::strlen(on)));
    b->onFaceColour = 0x9696FF;
    // The label fits the button on the window it is shown on.
    b->playedOn = TSize{gClientWidthPx, gClientHeightPx};
    b->Rebuild();
    return b;
}

void Delete(CScreenButton*& slot) {
    delete slot;
    slot = nullptr;
}

} // namespace

void ShowNoiseButtons(TXLAWindow* window) {
    using S = ScreenButtonSet;
    // As every on-plot button: 0.018 of the client height in pixels, which is 18 of the 1000
    // logical units at any window size and holds the label's font (16 units).
    const double h = 0.018 * 1000.0;
    const double top = ScanStore::distPlotRect[0];
    auto width = [](const char* label) {
        return 3.0 * double(std::strlen(label)) * gClientWidthPx / 1400.0 + 60.0;
    };
    if (!S::noiseRemoveButton)
        S::noiseRemoveButton = MakeButton(kRemoveLabel, kRemoveLabel, top - 1 - 2 * h, top - 2 - h,
                                          width(kRemoveLabel), 1);
    if (!S::noiseRestoreButton)
        S::noiseRestoreButton =
            MakeButton(kRestoreLabel, kRestoreLabel, top - 1 - h, top - 2, width(kRestoreLabel), 1);
    WindowServices::DrawPlotsNow(window);
}

int NoiseButtonsLeftPixel(float clientWidth) {
    int left = -1;
    for (const CScreenButton* b :
         {ScreenButtonSet::noiseRemoveButton, ScreenButtonSet::noiseRestoreButton}) {
        if (!b)
            continue;
        const int x = LogicalToPixelX(std::min(b->left, b->right), clientWidth);
        left = left < 0 ? x : std::min(left, x);
    }
    return left;
}

void HideNoiseButtons(TXLAWindow* window) {
    Delete(ScreenButtonSet::noiseRemoveButton);
    Delete(ScreenButtonSet::noiseRestoreButton);
    WindowServices::DrawPlotsNow(window);
}

void RemoveNoiseFromData(TXLAWindow* window) {
    if (ScanStore::scanCount < 1 || !ModelChoice::fitRINoise || RealtimeState::realtimeMode)
        return;
    SubtractAllSystematicNoise();
    WindowServices::DrawPlotsNow(window);
}

void RestoreNoiseToData(TXLAWindow* window) {
    if (ScanStore::scanCount < 1 || !ModelChoice::fitTINoise)
        return;
    RestoreTINoise();
    WindowServices::DrawPlotsNow(window);
}

bool PressNoiseButton(TXLAWindow* window, float x, float y) {
    using S = ScreenButtonSet;
    CScreenButton* const buttons[] = {S::noiseRemoveButton, S::noiseRestoreButton};
    for (CScreenButton* b : buttons) {
        if (!b || !b->HitTest(x, y))
            continue;
        // A push button: on, painted, a tenth of a second, off and painted again.
        b->Toggle();
        b->Paint(window);
        WaitSeconds(0.1f);
        b->Toggle();
        b->Paint(window);
        if (b == S::noiseRemoveButton)
            RemoveNoiseFromData(window);
        else
            RestoreNoiseToData(window);
        return true;
    }
    return false;
}

void ShowIntegrateButtons() {
    if (ScreenButtonSet::integrateButton)
        return;
    const double h = 0.018 * gClientHeightPx + 10.0;
    const double width = 30.0 * gClientWidthPx / 1400.0 + 50.0;
    const double top = ContiState::distributionPlotTop;
    ScreenButtonSet::integrateButton =
        MakeButton(kIntegrateLabel, kSelectLabel, top - 1 - h, top - 2, width, 2);
}

void DeleteIntegrateButton() {
    Delete(ScreenButtonSet::integrateButton);
}

void ToggleRangeButton() {
    if (ScreenButtonSet::integrateButton)
        ScreenButtonSet::integrateButton->Toggle();
}
