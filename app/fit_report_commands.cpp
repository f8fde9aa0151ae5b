// The fit report commands: the best-fit text shown again, copied to the clipboard, and the
// bounds within which the fits may move meniscus and bottom.
#include "app/txla_window.h"
#include "display/paint_switches.h"
#include "display/parameter_report_view.h"
#include "foundations/input_boxes.h"
#include "scandata/scan_store_alloc.h"
#include "state/fit_control.h"
#include "state/model_parameters.h"

#include <cstdio>

namespace {

constexpr const char* kLimitsCaption = "FIT LIMITS FOR MENISCUS AND BOTTOM";

} // namespace

void TXLAWindow::CmShowLastFitInfo() {
    // Without curves of a model there is no fit to show; a later paint must not show one either.
    if (!ScanStore::resultAvailable)
        return;
    // The paint that follows computes the rms deviation of the curves shown and writes the text.
    gShowFitParamsPending = true;
    Invalidate(true);
}

void TXLAWindow::CmCopyFitParameters() {
    CopyParameterReport(this);
}

void TXLAWindow::CmSetMeniscusBottomLimits() {
    using F = FitControl;
    // All four are asked first; a cancel anywhere leaves every bound as it was.
    float limits[4] = {F::meniscusMin, F::meniscusMax, F::bottomMin, F::bottomMax};
    const char* prompts[4] = {"minimum meniscus (cm):", "maximum meniscus (cm):",
                              "minimum bottom (cm):", "maximum bottom (cm):"};
    for (int i = 0; i < 4; ++i)
        if (!InputPositiveFloat(this, &limits[i], limits[i], true, prompts[i], kLimitsCaption))
            return;
    // 0 leaves a bound unset; two set bounds must not be inverted.
    const char* names[2] = {"meniscus", "bottom"};
    for (int pair = 0; pair < 2; ++pair) {
        const float low = limits[2 * pair];
        const float high = limits[2 * pair + 1];
        if (low > 0.0f && high > 0.0f && low > high) {
            char text[200];
            std::snprintf(text, sizeof text,
                          "the minimum %s (%g cm) is larger than the maximum (%g cm)\n"
                          "the limits were not changed",
                          names[pair], double(low), double(high));
            MessageBox(text, kLimitsCaption, MB_OK | MB_ICONEXCLAMATION);
            return;
        }
    }
    F::meniscusMin = limits[0];
    F::meniscusMax = limits[1];
    F::bottomMin = limits[2];
    F::bottomMax = limits[3];
    // The automatic bounds of the loads and fits leave these alone from now on.
    ModelParameters::userMeniscusBottomLimits = true;
    Invalidate(true);
}
