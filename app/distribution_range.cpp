// The range integration of the distribution: the integration button, the selection of a range
// with the right button and its report.
#include "app/distribution_range.h"

#include "app/txla_window.h"
#include "display/noise_integrate_buttons.h"
#include "display/plot_replays.h"
#include "display/screen_button_set.h"
#include "distributions/integration_ranges.h"
#include "plotting/screen_button.h"
#include "state/conti_state.h"
#include "state/plot_interaction_state.h"
#include "state/preference_switches.h"

namespace {

constexpr const char* kIntegration = "INTEGRATE DISTRIBUTION";

void PaintIntegrateButton(TXLAWindow* window) {
    if (ScreenButtonSet::integrateButton)
        ScreenButtonSet::integrateButton->Paint(window);
}

} // namespace

void TXLAWindow::IntegrateOrSelectRange() {
    if (DistributionBand::selectArmed) {
        DistributionBand::active = DistributionBand::selectArmed = false;
        DistributionBand::integrateArmed = DistributionBand::zoomArmed = false;
        PaintIntegrateButton(this);
        SetCursor(IDC_ARROW);
        return;
    }
    if (ScreenButtonSet::peakLabelCount > 0)
        ClearPeakLabelButtons();
    if (gIntegrationRangesFromFile) {
        ToggleRangeButton();
        PaintIntegrateButton(this);
        ReportAutomaticIntegration();
        return;
    }
    DistributionBand::integrateArmed = true;
    BeginRangeSelection();
}

void TXLAWindow::BeginRangeSelection() {
    MessageBox("Draw the range on the distribution plot with the right mouse button held.",
               kIntegration, MB_OK | MB_ICONINFORMATION);
    DistributionBand::selectArmed = true;
    SetCursor(IDC_CROSS);
}

void ReportIntegral(TXLAWindow* window, float s1, float s2, float v1, float v2) {
    (void)v1;
    (void)v2;
    DistributionBand::integrateArmed = DistributionBand::selectArmed = false;
    ToggleRangeButton();
    PaintIntegrateButton(window);
    if (!window || !ContiState::sValues || !ContiState::distribution || ContiState::gridPoints < 1)
        return;
    if (s2 < s1)
        std::swap(s1, s2);
    if (s1 > 0.0f && s2 > 0.0f)
        HighlightSRangeInData(window, s1, s2);
    window->MessageBox(IntegralReportLine(s1, s2).c_str(), kIntegration, MB_OK);
}

void PressNoiseAndIntegrateButtons(TXLAWindow* window, float x, float y) {
    using S = ScreenButtonSet;
    if (!S::noiseRemoveButton && !S::noiseRestoreButton && !S::integrateButton)
        return;
    // Every existing button is tested first; a toggle button flips at each test, so the
    // integration button tested twice and toggled once below reads "select range".
    bool any = false;
    for (CScreenButton* b : {S::noiseRemoveButton, S::noiseRestoreButton, S::integrateButton})
        if (b && b->HitTest(x, y))
            any = true;
    if (!any)
        return;
    PressNoiseButton(window, x, y);
    if (S::integrateButton && S::integrateButton->HitTest(x, y)) {
        S::integrateButton->Toggle();
        S::integrateButton->Paint(window);
        window->IntegrateOrSelectRange();
    }
}
