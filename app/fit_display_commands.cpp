// Fit display options, the residuals bitmap commands, the temperature plot and the temperature
// check that the loader runs after every load.
#include "app/txla_window.h"
#include "display/residuals_bitmap.h"
#include "foundations/ccurve.h"
#include "foundations/cvector.h"
#include "foundations/input_boxes.h"
#include "foundations/nr_arrays.h"
#include "foundations/sounds.h"
#include "plotting/aux_plots.h"
#include "plotting/plot_globals.h"
#include "plotting/win_plot.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "state/preference_switches.h"

#include <cmath>
#include <cstdio>

void TXLAWindow::CmFitUpdatingPreferences() {
    gUpdateDataPlot = AskYesNo("data and fit plot?", "UPDATE DURING FIT");
    gUpdateResidualsPlot = AskYesNo("residuals plot?", "UPDATE DURING FIT");
    gUpdateResidualsBitmap = AskYesNo("residuals bitmap?", "UPDATE DURING FIT");
    gUpdateDistributionPlot = AskYesNo("distribution plot?", "UPDATE DURING FIT");
    if (gUpdateDataPlot || gUpdateResidualsPlot || gUpdateResidualsBitmap ||
        gUpdateDistributionPlot) {
        float interval = gMaxUpdateInterval;
        if (InputFloat(&interval, gMaxUpdateInterval, true, "max updating interval (sec)",
                       "UPDATE DURING FIT"))
            // The preferences file reads 0 or less as the default, so that is what is kept.
            gMaxUpdateInterval = interval > 0.0f ? interval : 1.0f;
    }
    PlayOkSound();
    WritePreferences();
}

void TXLAWindow::CmShowResidualsBitmap() {
    if (gShowResidualsBitmap) {
        gShowResidualsBitmap = false;
        CheckMark(504, false);
    } else {
        float scale = gBitmapFullScale;
        if (InputFloat(&scale, gBitmapFullScale, true,
                       "bitmap brightness full scale (0 for autoscale)", "BITMAP BRIGHTNESS SCALE"))
            gBitmapFullScale = scale;
        else
            gBitmapFullScale = ScanDataKind::fluorescence ? 5.0f : 0.05f;
        gShowResidualsBitmap = true;
        CheckMark(504, true);
    }
    Invalidate(true);
}

void TXLAWindow::CmBitmapBlackWhite() {
    gBitmapBlackWhite = !gBitmapBlackWhite;
    CheckMark(505, gBitmapBlackWhite);
}

void TXLAWindow::CmBitmapShading() {
    gBitmapShading = !gBitmapShading;
    CheckMark(506, gBitmapShading);
}

void TXLAWindow::CmCopyResidualsBitmap() {
    CopyResidualsBitmap(this);
    PlayOkSound();
}

bool TXLAWindow::CheckTemperatureFluctuation(float threshold) {
    const int n = ScanStore::scanCount;
    if (n < 2 || !ScanStore::header)
        return true;
    const float reference = ScanStore::header[ScanStore::scanOrder[1]].temperature;
    bool exceeded = false;
    for (int k = 2; k <= n && !exceeded; ++k)
        exceeded = std::fabs(ScanStore::header[ScanStore::scanOrder[k]].temperature - reference) >
                   threshold;
    if (!exceeded)
        return true;
    CmShowTemperaturePlot();
    PlayErrorSound();
    char text[100];
    std::snprintf(text, sizeof text, "temperature fluctuations exceed %.1f degrees",
                  double(threshold));
    MessageBox(text, "ERROR", MB_OK | MB_ICONSTOP);
    RequestRepaint();
    return false;
}

void TXLAWindow::CmShowTemperaturePlot() {
    const int n = ScanStore::scanCount;
    // Nothing to plot without scans; an earlier plot not yet shown is released first.
    if (n < 1 || !ScanStore::header)
        return;
    FreeAuxPlotCurves();
    AuxPlots::temperatureTimes = vector(1, n);
    AuxPlots::temperatures = vector(1, n);
    AuxPlots::pointCount = n;
    for (int k = 1; k <= n; ++k) {
        const ScanHeader& h = ScanStore::header[ScanStore::scanOrder[k]];
        AuxPlots::temperatureTimes[k] = float(h.time);
        AuxPlots::temperatures[k] = h.temperature;
    }
    AuxPlots::timeView = new CVector();
    AuxPlots::temperatureView = new CVector();
    AuxPlots::timeView->Attach(AuxPlots::temperatureTimes, std::uint32_t(n), 1);
    AuxPlots::temperatureView->Attach(AuxPlots::temperatures, std::uint32_t(n), 1);
    AuxPlots::temperatureCurve = new CCurve(AuxPlots::timeView, AuxPlots::temperatureView);
    CWINPlot* plot = new CWINPlot();
    AuxPlots::auxPlot = plot;
    plot->SetPlotRect(50, 75, 950, 975);
    plot->SetXLabel("elapsed time (sec)");
    plot->SetYLabel("temperature (C)");
    plot->AddCurve(AuxPlots::temperatureCurve);
    plot->ToggleConnectPoints();
    plot->SetCurveStyle(0, 6);
    plot->markSize = n < 100 ? 10 : 5;
    gMarkSize = n < 100 ? 15 : 7;
    RequestRepaint();
}
