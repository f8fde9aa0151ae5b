// The printed page. The scan curves are recorded in black for the page and in their colours again
// afterwards; the markers go onto the page as plain lines in the plots' units (the screen is not
// drawn on while printing), and the fit curves are laid over once more in black.
#include "app/printed_page.h"

#include "app/txla_window.h"
#include "display/distribution_display.h"
#include "display/marker_lines.h"
#include "display/parameter_report_view.h"
#include "display/plot_coordinates.h"
#include "display/plot_replays.h"
#include "display/scan_colours.h"
#include "display/scan_plots.h"
#include "plat/gdi.hpp"
#include "plotting/quick_plots.h"
#include "plotting/win_plot.h"
#include "scandata/scan_store_alloc.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"

#include <cmath>

namespace {

// Every scan curve of both plots in one colour (black for the page), or back in its own.
void ColourScanCurves(bool black) {
    for (int k = 1; k <= ScanStore::scanCount; ++k) {
        const COLORREF c = black ? 0 : ScanColour(k);
        for (CWINPlot* plot : {ScanStore::dataPlot, ScanStore::residualPlot})
            if (plot)
                plot->SetCurveColor(k - 1, c);
    }
}

void RecordScanPlots() {
    if (ScanStore::residualPlot)
        ScanStore::residualPlot->Draw();
    if (ScanStore::dataPlot)
        ScanStore::dataPlot->Draw();
}

// Meniscus, reference meniscus, bottom and both fitting limits, top to bottom of the data panel,
// in the plots' own logical units so that they fall on the plotted radii at any page size.
void MarkerLines(TDC& dc) {
    const CWINPlot& plot = *ScanStore::dataPlot;
    const int top = ScanStore::distPlotRect[0], bottom = ScanStore::distPlotRect[1];
    const float men = ModelParameters::meniscus;
    const struct {
        bool shown;
        float radius;
    } markers[] = {
        {men != 0.0f && !MarkerState::meniscusGrabbed, men},
        {men != 0.0f && BufferSedimentationReferenceShown() && !MarkerState::refMeniscusGrabbed,
         float(men - BufferSedimentationDifference())},
        {ModelParameters::bottom != 0.0f && !MarkerState::bottomGrabbed, ModelParameters::bottom},
        {ScanStore::leftFitLimit != 0.0f && !MarkerState::leftLimitGrabbed,
         ScanStore::leftFitLimit},
        {ScanStore::rightFitLimit != 0.0f && !MarkerState::rightLimitGrabbed,
         ScanStore::rightFitLimit},
    };
    const TPen previous = dc.SelectObject(TPen(RGB(0, 0, 0)));
    for (const auto& m : markers) {
        if (!m.shown)
            continue;
        const int x = DataToLogicalX(plot, m.radius);
        dc.MoveTo(x, top);
        dc.LineTo(x, bottom);
    }
    dc.SelectObject(previous);
}

void BlackFitCurves(TDC& dc) {
    CWINPlot* plot = ScanStore::dataPlot;
    if (ScanStore::resultAvailable && ScanStore::scanCurves)
        for (int k = 1; k <= ScanStore::scanCount; ++k)
            PlayOverlay(dc, QuickPlotCurve(
                                plot, ScanStore::scanCurves[ScanStore::scanOrder[k]].c[kFitCurve],
                                0, -1, 1));
    if (ScanStore::tiNoise && ModelChoice::fitTINoise)
        PlayOverlay(dc, QuickPlot(plot, ScanStore::gridRadius, ScanStore::tiNoise,
                                  ScanStore::gridCount, 0, -1, 1));
}

} // namespace

void PaintPrintedPage(TXLAWindow* w, TDC& dc) {
    const int saved = dc.SaveDC();
    dc.SetWindowExt(dc.GetViewportExt());
    if (ScanStore::showResiduals)
        UpdateResiduals(true);
    ColourScanCurves(true);
    RecordScanPlots();
    ColourScanCurves(false);

    const bool dataShown = ScanStore::dataPlot && ScanStore::showData;
    if (ScanStore::showData)
        PlayPicture(dc, DataPlotHandle());
    if (DistributionPlotShown())
        PlayPicture(dc, RepaintDistributionPlot());
    if (dataShown)
        PlayDataOverlays(dc);
    if (ScanStore::showResiduals)
        PlayPicture(dc, ResidualPlotHandle());
    if (dataShown) {
        MarkerLines(dc);
        BlackFitCurves(dc);
    }
    if (w->MessageBox("print with last best-fit information?", "Printing", MB_YESNO) == IDYES)
        DisplayBestFitParams2(w, dc, 300, 100);

    RecordScanPlots(); // the screen's pictures in colour again
    dc.RestoreDC(saved);
}
