// TXLAWindow::Paint: draws the whole client area from program-wide state. It replays the pictures
// that the plots recorded when they were last drawn, then draws the marker lines, overlays,
// buttons and texts on top; it computes nothing of the analysis.
#include "app/eq_test_plots.h"
#include "app/mstar_actions.h"
#include "app/printed_page.h"
#include "app/txla_window.h"
#include "display/distribution_display.h"
#include "display/marker_lines.h"
#include "display/paint_switches.h"
#include "display/parameter_report_view.h"
#include "display/plot_replays.h"
#include "display/residuals_bitmap.h"
#include "display/scan_colours.h"
#include "display/scan_plots.h"
#include "display/screen_button_set.h"
#include "display/screen_modes.h"
#include "foundations/ccurve.h"
#include "plotting/aux_plots.h"
#include "plotting/curve_painters.h"
#include "plotting/plot_owners.h"
#include "plotting/quick_plots.h"
#include "plotting/screen_button.h"
#include "plotting/win_plot.h"
#include "scandata/fit_limits.h"
#include "scandata/scan_store_alloc.h"
#include "state/boundary_analysis.h"
#include "state/conti_state.h"
#include "state/dls_data.h"
#include "state/fit_control.h"
#include "state/fluorophore.h"
#include "state/model_kind.h"
#include "state/model_parameters.h"
#include "state/mstar_state.h"
#include "state/realtime_state.h"

#include <cstdio>
#include <vector>

namespace {

// The warranty disclaimer: nine lines in device pixels at the top left.
void DrawDisclaimer(TDC& dc) {
    const TFont font = CreateFont(12, 0, 0, 0, 600, 0, 0, 0, 0, 7, 0, 2, 0x10, nullptr);
    const TFont previousFont = dc.SelectObject(font);
    const COLORREF previousColour = dc.SetTextColor(0x646464);
    static const char* const kLines[9] = {"", "", "", "", "", "", "", "", ""};
    for (int i = 0; i < 9; ++i)
        dc.TextOut(10, 55 + 15 * i, kLines[i]);
    dc.SetTextColor(previousColour);
    dc.SelectObject(previousFont);
}

bool AnyPlotExists() {
    return ScanStore::dataPlot || ScanStore::residualPlot || AuxPlots::auxPlot ||
           AuxPlots::adHocPlot;
}

// The caption starts at (200, 100) whatever alignment the plot pictures played before it left.
void DrawCaption(TDC& dc) {
    if (!AuxPlots::captionShown || AuxPlots::caption[0] == '\0')
        return;
    const unsigned previous = dc.SetTextAlign(TA_LEFT | TA_TOP);
    dc.TextOut(200, 100, AuxPlots::caption);
    dc.SetTextAlign(previous);
}

// The marker lines of the normal picture, each converted to a pixel column of the data plot.
void DrawNormalMarkers(TXLAWindow* window) {
    const bool dls = gDlsData;
    auto column = [&](float v) { return DataPlotColumn(window, v); };
    const float meniscus = ModelParameters::meniscus;
    if (meniscus != 0.0f && !MarkerState::meniscusGrabbed && !dls)
        DrawMarkerLine(window, column(meniscus), MarkerState::meniscusColour);
    if (BufferSedimentationReferenceShown() && !MarkerState::refMeniscusGrabbed)
        DrawMarkerLine(window, column(float(meniscus - BufferSedimentationDifference())),
                       MarkerState::refMeniscusColour);
    if (!dls) {
        const float limits[4] = {FitControl::maxMeniscus, FitControl::minMeniscus,
                                 FitControl::maxBottom, FitControl::minBottom};
        int set = 0;
        for (float v : limits) {
            if (v == 0.0f)
                continue;
            ++set;
            DrawMarkerLineA(window, column(v), MarkerState::variationLimitColour, kMarkerDashes);
        }
        if (set == 4)
            ModelParameters::variationLimitsSet = true;
    }
    const float bottom = ModelParameters::bottom;
    if (!dls && bottom != 0.0f && !MarkerState::bottomGrabbed)
        DrawMarkerLine(window, column(bottom), MarkerState::bottomColour);
    if (ScanStore::leftFitLimit != 0.0f && !MarkerState::leftLimitGrabbed)
        DrawMarkerLine(window, column(ScanStore::leftFitLimit), MarkerState::fitLimitColour);
    if (ScanStore::rightFitLimit != 0.0f && !MarkerState::rightLimitGrabbed)
        DrawMarkerLine(window, column(ScanStore::rightFitLimit), MarkerState::fitLimitColour);
    if (MarkerState::cursorShown)
        DrawMarkerLineB(window, column(MarkerState::cursorRadius), 0);
}

// The prior probability over the distribution, scaled to the plot's fixed y maximum.
void DrawPriorOverlay(TDC& dc) {
    const int n = ContiState::gridPoints;
    const double* prior = ContiState::priorValues;
    CWINPlot* plot = ContiState::distributionPlot;
    if (!prior || !ContiState::priorAbscissa || n < 1 || !plot)
        return;
    double largest = prior[1];
    for (int i = 2; i <= n; ++i)
        if (prior[i] > largest)
            largest = prior[i];
    if (!(largest > 0.0))
        return;
    std::vector<double> scaled(std::size_t(n) + 1, 0.0);
    for (int i = 1; i <= n; ++i)
        scaled[std::size_t(i)] = prior[i] * (plot->yMax / largest);
    std::vector<double> x(std::size_t(n) + 1, 0.0);
    for (int i = 1; i <= n; ++i)
        x[std::size_t(i)] = ContiState::priorAbscissa[i];
    PlayOverlay(dc, QuickPlotDouble(plot, x.data(), scaled.data(), n, 0x6464FF, 14, 1));
}

void DrawNormalPicture(TXLAWindow* window, TDC& dc) {
    CWINPlot* data = ScanStore::dataPlot;
    // Nonlinear detection may have put the other version of the signal into the store.
    if (DetectionCorrections::nonlinearDetectionOn)
        RedrawDataPlot(true);
    if (ScanStore::showData)
        PlayPicture(dc, DataPlotHandle());
    if (CWINPlot* profile = GetEqTestPlot())
        PlayPicture(dc, profile->Picture());
    if (data && ScanStore::showData && !ScreenModes::eqTestPlotShown) {
        DrawNormalMarkers(window);
        PlayDataOverlays(dc);
    }
    if (data && ScanStore::showResiduals) {
        UpdateResiduals(true);
        PlayPicture(dc, ResidualPlotHandle());
        if (ScanStore::showResidualsBitmap && !RealtimeState::equilibriumTestMode)
            DrawResidualsBitmap(window);
    }
    if (DistributionPlotShown()) {
        PlayPicture(dc, RepaintDistributionPlot());
        if (ContiState::priorInUse || ContiState::priorInUse2)
            DrawPriorOverlay(dc);
    }
    if (gShowFitParamsPending && !ScreenModes::eqTestPlotShown) {
        // The report's rms deviation is that of the curves just drawn.
        CalcFitRmsd();
        DisplayBestFitParams(window);
        gShowFitParamsPending = false;
    }
}

// Plays a plot after drawing it; rescaled first unless told not to.
void DrawAndPlay(TDC& dc, CWINPlot* plot, bool rescale) {
    if (!plot)
        return;
    if (rescale)
        plot->Rescale();
    plot->Draw();
    PlayPicture(dc, plot->Picture());
}

// The M* screen: the signal plot with its marker lines, then the other three plots.
void DrawMStarPicture(TXLAWindow* window, TDC& dc) {
    using MS = MStarState;
    if (MS::baselinePlotShown && MS::baselinePlot) {
        DrawAndPlay(dc, MS::baselinePlot, false);
        return;
    }
    DrawAndPlay(dc, MS::signalPlot, false);
    auto column = [&](float v) { return DataPlotColumn(window, v); };
    if (ScanStore::leftFitLimit != 0.0f && !MarkerState::leftLimitGrabbed)
        DrawMarkerLine(window, column(ScanStore::leftFitLimit), MarkerState::fitLimitColour);
    if (ScanStore::rightFitLimit != 0.0f && !MarkerState::rightLimitGrabbed)
        DrawMarkerLine(window, column(ScanStore::rightFitLimit), MarkerState::fitLimitColour);
    DrawMarkerLine(window, column(ModelParameters::meniscus), MarkerState::meniscusColour);
    if (ModelParameters::bottom != 0.0f && !MarkerState::bottomGrabbed)
        DrawMarkerLine(window, column(ModelParameters::bottom), MarkerState::bottomColour);
    for (CWINPlot* plot : {MS::mstarPlot, MS::lnCPlot, MS::mappPlot})
        DrawAndPlay(dc, plot, false);
}

} // namespace

void TXLAWindow::Paint(TDC& dc, bool erase, TRect& rect) {
    (void)rect;
    if (!gKeepPeakLabels && !gKeepPeakLabelsOnce)
        ClearPeakLabelButtons();
    if (gShowDisclaimer) {
        DrawDisclaimer(dc);
        gShowDisclaimer = false;
    }
    // The on-plot buttons made before the plots are drawn take the window's size too.
    const TRect client = GetClientRect();
    if (client.right > 0 && client.bottom > 0) {
        UiFlags::clientWidthPixels = client.right;
        UiFlags::clientHeightPixels = client.bottom;
    }
    // Nested paints from a modal box must not draw half-built state.
    if (runBusy || fitBusy || modalBoxOpen || gSuppressPlotPaint || !AnyPlotExists())
        return;
    if (gPrinting) {
        PaintPrintedPage(this, dc);
        return;
    }
    if (!erase && !gEraseRequested) {
        gEraseRequested = true;
        Invalidate(true);
        return;
    }
    gEraseRequested = false;

    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExt(TSize{int(1.4 * 1000), 1000});
    dc.SetViewportExt(TSize{client.right, client.bottom});
    clientWidth = float(client.right);
    clientHeight = float(client.bottom);
    AuxPlots::shown = false;
    AuxPlots::adHocShown = false;

    if (BoundaryAnalysis::reportShown && BoundaryAnalysis::reportPlot) {
        // The boundary analyses' extrapolation view holds the scan plots' area.
        DrawAndPlay(dc, BoundaryAnalysis::reportPlot, true);
        if (ModelShowsDistribution() && ContiState::distributionPlot)
            PlayPicture(dc, RepaintDistributionPlot());
    } else if (MStarState::active && MStarState::signalPlot) {
        DrawMStarPicture(this, dc);
    } else if (AuxPlots::adHocPlot) {
        DrawAndPlay(dc, AuxPlots::adHocPlot->plot, false);
        DrawCaption(dc);
        if (!AuxPlots::adHocKeep) {
            ResetAuxPlotFlags();
            AuxPlots::captionShown = false;
        }
        AuxPlots::adHocShown = true;
    } else if (AuxPlots::auxPlot) {
        DrawAndPlay(dc, AuxPlots::auxPlot, !AuxPlots::noRescale);
        if (AuxPlots::highlight && AuxPlots::highlightCurve) {
            const int n = int(AuxPlots::highlightCurve->Count());
            PlayOverlay(dc, PaintCurvePlot(AuxPlots::auxPlot, AuxPlots::highlightCurve, 1, n,
                                           0x0000FF, 12, 1));
        }
        DrawAndPlay(dc, AuxPlots::secondCurvePlot, true);
        DrawCaption(dc);
        if (!AuxPlots::highlight) {
            FreeAuxPlotCurves();
            AuxPlots::shown = true;
            AuxPlots::captionShown = false;
        }
    } else {
        DrawNormalPicture(this, dc);
    }

    if (RealtimeState::realtimeMode) {
        dc.TextOut(500, 30, RealtimeState::statusLine1.c_str());
        dc.TextOut(500, 50, RealtimeState::statusLine2.c_str());
    }
    if (MStarState::active)
        for (int i = 1; i <= MStarState::buttonCount; ++i)
            if (const CScreenButton* b = MStarState::buttons[std::size_t(i)];
                b && !b->disabled && b->picture)
                PlayMetaFile(dc, b->picture);
    DrawMStarResultsText(dc);
    const bool auxShown = AuxPlots::shown || AuxPlots::adHocShown;
    if (!ScreenModes::eqTestPlotShown && !MStarScreenActive() && !auxShown) {
        PlayScreenButtons(dc);
        if (gKeepPeakLabels || gKeepPeakLabelsOnce) {
            PlayPeakLabelButtons(dc);
            gKeepPeakLabelsOnce = false;
        }
    }
}
