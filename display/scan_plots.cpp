// The residuals of the loaded scans; the plots themselves come with the plotting and display
// work, which fills the drawing calls here.
#include "display/scan_plots.h"

#include "plotting/win_plot.h"
#include "scandata/scan_store.h"

void RedrawDataPlot(bool clear)
{
    (void)clear;
}

void UpdateResiduals(bool rescale)
{
    if (!ScanStore::residuals)
        return;
    bool allPoints = ScanStore::leftFitLimit == 0.0f && ScanStore::rightFitLimit == 0.0f;
    for (int k = 1; k <= ScanStore::scanCount; ++k) {
        if (!ScanStore::residuals[k] || !ScanStore::signal[k] || !ScanStore::fit[k])
            continue;
        for (int i = 1; i <= ScanStore::pointCount[k]; ++i) {
            bool inside = allPoints ||
                          (i >= ScanStore::firstFitIndex[k] && i <= ScanStore::lastFitIndex[k]);
            ScanStore::residuals[k][i] = inside ? ScanStore::signal[k][i] - ScanStore::fit[k][i]
                                                : 0.0f;
        }
    }
    CWINPlot* plot = ScanStore::residualPlot;
    if (!plot)
        return;
    if (rescale) {
        if (ScanStore::leftFitLimit != 0.0f && ScanStore::rightFitLimit != 0.0f)
            plot->ZoomX(ScanStore::leftFitLimit, ScanStore::rightFitLimit);
        else
            plot->Rescale();
    }
    plot->Draw();
}

void SetPlotAxisTitles() {}

void DeleteScanPlots()
{
    delete ScanStore::dataPlot;
    delete ScanStore::residualPlot;
    ScanStore::dataPlot = nullptr;
    ScanStore::residualPlot = nullptr;
}

void ShowNoiseButtons(int which)
{
    (void)which;
}

void HideNoiseButtons() {}
