// The paint switches at their start values.
#include "display/paint_switches.h"

void ResetPaintSwitches() {
    gShowDisclaimer = true;
    gEraseRequested = false;
    gSuppressPlotPaint = false;
    gShowFitParamsPending = false;
    gPrinting = false;
    gKeepPeakLabelsOnce = false;
    gKeepPeakLabels = false;
}
