// Replays of the recorded pictures: playing a picture costs far less than drawing every scan again,
// so fits refresh the display this way many times without rebuilding the plots.
#include "display/plot_replays.h"

#include "display/distribution_display.h"
#include "display/marker_lines.h"
#include "display/residuals_bitmap.h"
#include "display/scan_colours.h"
#include "display/scan_plots.h"
#include "display/screen_modes.h"
#include "plat/window.hpp"
#include "plat/window_dc.hpp"
#include "plotting/quick_plots.h"
#include "plotting/win_plot.h"
#include "scandata/initial_data.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/simulation_switches.h"
#include "state/conti_state.h"
#include "state/live_refresh.h"
#include "state/model_choice.h"
#include "state/model_kind.h"
#include "state/model_parameters.h"
#include "state/preference_switches.h"
#include "state/window_services.h"

void SetReplayMapping(TDC& dc, const TXLAWindow* window) {
    const TRect client = WindowServices::PlatformWindow(window)->GetClientRect();
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExt(TSize{int(1.4 * 1000), 1000});
    dc.SetViewportExt(TSize{client.right, client.bottom});
}

void PlayPicture(TDC& dc, HMETAFILE picture) {
    if (picture) {
        TMetaFilePict pict(picture, NoAutoDelete);
        pict.PlayOnto(dc);
    }
}

void PlayOverlay(TDC& dc, HMETAFILE overlay) {
    if (overlay) {
        TMetaFilePict pict(overlay, AutoDelete);
        pict.PlayOnto(dc);
    }
}

void PlayDataOverlays(TDC& dc) {
    CWINPlot* plot = ScanStore::dataPlot;
    if (!plot)
        return;
    if (ScanStore::resultAvailable && ScanStore::scanCurves) {
        for (int k = 1; k <= ScanStore::scanCount; ++k) {
            CCurve* fit = ScanStore::scanCurves[ScanStore::scanOrder[k]].c[kFitCurve];
            PlayOverlay(dc, QuickPlotCurve(plot, fit, ScanColour(k), -1, 1));
        }
    }
    if (ScanStore::tiNoise && ModelChoice::fitTINoise)
        PlayOverlay(dc, QuickPlot(plot, ScanStore::gridRadius, ScanStore::tiNoise,
                                  ScanStore::gridCount, 0, -1, 1));
    if (InitialData::pointCount > 0 && gUseInitialData)
        PlayOverlay(dc, QuickPlot(plot, InitialData::radius, InitialData::signal,
                                  InitialData::pointCount, 0x00FF00, -1, 1));
}

namespace {

float ReferenceMeniscus() {
    return float(ModelParameters::meniscus - BufferSedimentationDifference());
}

} // namespace

void DrawMetafilePlot(TXLAWindow* window) {
    if (!window || !ScanStore::showData || !ScanStore::dataPlot)
        return;
    {
        TClientDC dc(WindowServices::PlatformWindow(window));
        SetReplayMapping(dc, window);
        PlayPicture(dc, DataPlotHandle());
    }
    if (ModelParameters::meniscus != 0.0f && !MarkerState::meniscusGrabbed) {
        DrawMarkerLine(window, DataPlotColumn(window, ModelParameters::meniscus),
                       MarkerState::meniscusColour);
        if (BufferSedimentationReferenceShown() && !MarkerState::refMeniscusGrabbed)
            DrawMarkerLine(window, DataPlotColumn(window, ReferenceMeniscus()),
                           MarkerState::refMeniscusColour);
    }
    if (ModelParameters::bottom != 0.0f && !MarkerState::bottomGrabbed)
        DrawMarkerLine(window, DataPlotColumn(window, ModelParameters::bottom),
                       MarkerState::bottomColour);
    if (!MStarScreenActive()) {
        if (ScanStore::leftFitLimit != 0.0f && !MarkerState::leftLimitGrabbed)
            DrawMarkerLine(window, DataPlotColumn(window, ScanStore::leftFitLimit),
                           MarkerState::fitLimitColour);
        if (ScanStore::rightFitLimit != 0.0f && !MarkerState::rightLimitGrabbed)
            DrawMarkerLine(window, DataPlotColumn(window, ScanStore::rightFitLimit),
                           MarkerState::fitLimitColour);
    }
    if (MarkerState::cursorShown)
        DrawMarkerLineB(window, DataPlotColumn(window, MarkerState::cursorRadius), 0);
    TClientDC dc(WindowServices::PlatformWindow(window));
    SetReplayMapping(dc, window);
    PlayDataOverlays(dc);
}

void DrawMetafilePlotA(TXLAWindow* window) {
    if (!window || !ScanStore::residualPlot)
        return;
    TClientDC dc(WindowServices::PlatformWindow(window));
    SetReplayMapping(dc, window);
    PlayPicture(dc, ResidualPlotHandle());
}

void DrawMetafilePlotB(TXLAWindow* window) {
    if (!window || !ModelShowsDistribution() || !ContiState::distributionPlot)
        return;
    TClientDC dc(WindowServices::PlatformWindow(window));
    SetReplayMapping(dc, window);
    PlayPicture(dc, RepaintDistributionPlot());
}

namespace {

// The scan plots' layout at the last live refresh (the data plot's bottom); 0 before the first.
int gRefreshedLayout = 0;

// The distribution plot made room for itself since the last refresh: the scan plots moved, so
// what the old layout left below the report strip is wiped and every picture is played anew.
bool ReplayAllAfterRelayout(TXLAWindow* window) {
    const int layout = ScanStore::distPlotRect[1];
    const bool moved = gRefreshedLayout != 0 && layout != gRefreshedLayout;
    gRefreshedLayout = layout;
    if (!moved || !window)
        return false;
    {
        TClientDC dc(WindowServices::PlatformWindow(window));
        const TRect client = WindowServices::PlatformWindow(window)->GetClientRect();
        const int top = ScanStore::distPlotRect[0] * client.bottom / 1000;
        dc.FillRect(TRect{0, top, client.right, client.bottom}, TBrush(0xFFFFFF));
    }
    DrawMetafilePlot(window);
    if (ScanStore::showResiduals) {
        UpdateResiduals(false);
        DrawMetafilePlotA(window);
        if (ScanStore::showResidualsBitmap)
            DrawResidualsBitmap(WindowServices::PlatformWindow(window));
    }
    DrawMetafilePlotB(window);
    return true;
}

} // namespace

void DrawResidualsView(TXLAWindow* window) {
    if (!LiveRefreshDue())
        return;
    if (ReplayAllAfterRelayout(window)) {
        NoteLiveRefresh();
        return;
    }
    if (gUpdateDataPlot)
        DrawMetafilePlot(window);
    // The residual plot's picture is recorded when the residuals are recomputed: the fit's
    // evaluations changed the fit curves since.
    if (gUpdateResidualsPlot) {
        UpdateResiduals(false);
        DrawMetafilePlotA(window);
    }
    if (gUpdateResidualsBitmap)
        DrawResidualsBitmap(WindowServices::PlatformWindow(window));
    if (gUpdateDistributionPlot)
        DrawMetafilePlotB(window);
    NoteLiveRefresh();
}
