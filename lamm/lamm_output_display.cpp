// Status lines and the live profile a Lamm solution draws while a Run simulates without fitting.
#include "lamm/lamm_ideal.h"
#include "plotting/quick_plots.h"
#include "plotting/window_surface.h"
#include "state/window_services.h"

#include <cstdio>
#include <vector>

// Only the window's own thread draws: the solvers of a threaded list run stay silent, also
// the share that the window's thread solves itself.
bool CLammIdeal::ShowsProgress() const {
    return simulatingWithoutFitting && window != nullptr && !quietWhileFitting &&
           !quietWhileComputing && !silentProgress && OnDrawingThread();
}

void CLammIdeal::ShowStatusLines(double ri) {
    if (!ShowsProgress())
        return;
    char text[80];
    std::snprintf(text, sizeof text, "dt = %f sec  ", dt);
    DrawStatusText(window, 10, 70, text);
    std::snprintf(text, sizeof text, "#it = %d   ", iterationCount);
    DrawStatusText(window, 10, 90, text);
    if (massCheck)
        std::snprintf(text, sizeof text, "t = %.0f sec (M=%f) ", t, totalAmount);
    else
        std::snprintf(text, sizeof text, "t = %.0f sec  ", t);
    DrawStatusText(window, 10, 110, text);
    std::snprintf(text, sizeof text, "ri=%f  ", ri);
    DrawStatusText(window, 10, 130, text);
}

// The new scan profile over the data plot, in the colour of the equation's number.
void CLammIdeal::PlotScanProfile(const float* radii, const float* values, int n) {
    if (!ShowsProgress() || dataPlot == nullptr || radii == nullptr || values == nullptr)
        return;
    static const COLORREF kColours[4] = {RGB(150, 0, 150), RGB(0, 255, 0), RGB(0, 0, 255),
                                         RGB(0, 150, 150)};
    const COLORREF colour =
        equationNumber >= 1 && equationNumber <= 4 ? kColours[equationNumber - 1] : RGB(0, 0, 0);
    std::vector<float> x(radii, radii + n + 1), y(values, values + n + 1);
    PlayOverThePlots(WindowServices::PlatformWindow(window),
                     QuickPlot(dataPlot, x.data(), y.data(), n, colour, -1, 0));
}
