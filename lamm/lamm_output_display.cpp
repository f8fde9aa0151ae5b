// Status lines and the live profile a Lamm solution reports to its observer while a Run simulates
// without fitting.
#include "lamm/lamm_ideal.h"
#include "state/compute_observer.h"

#include <cstdio>

// Only the window's own thread shows them: the solvers of a threaded list run stay silent, also
// the share that the window's thread solves itself.
bool CLammIdeal::ShowsProgress() const {
    return simulatingWithoutFitting && observer != nullptr && !quietWhileFitting &&
           !quietWhileComputing && !silentProgress && observer->Shows();
}

void CLammIdeal::ShowStatusLines(double ri) {
    if (!ShowsProgress())
        return;
    char text[80];
    std::snprintf(text, sizeof text, "dt = %f sec  ", dt);
    observer->StatusText(10, 70, text);
    std::snprintf(text, sizeof text, "#it = %d   ", iterationCount);
    observer->StatusText(10, 90, text);
    if (massCheck)
        std::snprintf(text, sizeof text, "t = %.0f sec (M=%f) ", t, totalAmount);
    else
        std::snprintf(text, sizeof text, "t = %.0f sec  ", t);
    observer->StatusText(10, 110, text);
    std::snprintf(text, sizeof text, "ri=%f  ", ri);
    observer->StatusText(10, 130, text);
}

// The new scan profile over the data plot, in the colour of the equation's number.
void CLammIdeal::PlotScanProfile(const float* radii, const float* values, int n) {
    if (!ShowsProgress() || !liveProfiles || radii == nullptr || values == nullptr)
        return;
    observer->TrialCurve(radii, values, n, SpeciesCurveColour(equationNumber));
}
