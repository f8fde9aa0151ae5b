// The calls that the layers below the main window make into it: repaint requests, immediate
// drawing, the trace file, the caption and cursor, the scan plots, and the window's surface for
// the progress line. app/ fills the table at start-up; tests may fill it with recording functions.
// An empty entry does nothing and answers "no window", so the engines also run without a window.
#pragma once

#include "state/compute_observer.h"

#include <vector>

class TXLAWindow;
class TWindow;
class TClientDC;

struct WindowServiceTable {
    // The window as the platform layer sees it: owner of boxes, surface, cursor and caption.
    TWindow* (*platformWindow)(TXLAWindow* window) = nullptr;
    void (*requestRepaint)(TXLAWindow* window) = nullptr;
    void (*drawPlotsNow)(TXLAWindow* window) = nullptr;
    void (*debugLog)(TXLAWindow* window, const char* text) = nullptr;
    // Evaluates the current model as Run does, without a box for an engine that is missing.
    void (*runModel)(TXLAWindow* window) = nullptr;
    void (*leaveEqTestMode)(TXLAWindow* window) = nullptr;
    bool (*checkTemperatureFluctuation)(TXLAWindow* window, float threshold) = nullptr;
    // The client area in pixels as the last paint stored it.
    float (*clientWidth)(const TXLAWindow* window) = nullptr;
    float (*clientHeight)(const TXLAWindow* window) = nullptr;
    // The context of the right-button band while it is drawn, else null.
    TClientDC* (*rubberBandDC)(TXLAWindow* window) = nullptr;
    // A box of a plot command is up: the paint waits.
    void (*setPaintSuspended)(TXLAWindow* window, bool on) = nullptr;
    // Ends a released marker move: commit writes it into the model, else it is put back.
    void (*applyMarkerDrag)(TXLAWindow* window, bool commit) = nullptr;
    // The data and residual plots of the loaded scans.
    void (*setPlotAxisTitles)() = nullptr;
    void (*redrawDataPlot)(bool rescale) = nullptr;
    // The data plot over the ranges when both are valid, else redrawn with its old ranges.
    void (*showDataRange)(float xMin, float xMax, float yMin, float yMax) = nullptr;
    void (*updateResiduals)(bool rescale) = nullptr;
    void (*deleteScanPlots)() = nullptr;
    void (*showNoiseButtons)(int which) = nullptr;
    void (*hideNoiseButtons)() = nullptr;
    // The integration button above the distribution plot.
    void (*showIntegrateButtons)() = nullptr;
    void (*deleteIntegrateButton)() = nullptr;
    // The live refresh of the plots during a fit (it keeps its own interval).
    void (*drawResidualsView)(TXLAWindow* window) = nullptr;
    // The menu's check marks of the model, regularization and optimiser mirror the switches
    // (after a restore set them without the commands).
    void (*showModelChoice)(TXLAWindow* window) = nullptr;
    // One curve (x, y) in the auxiliary plot that the next paint shows in place of the scans.
    void (*showAuxCurve)(const std::vector<float>& x, const std::vector<float>& y,
                         const char* xTitle, const char* yTitle, int style,
                         bool timeCourse) = nullptr;
    // The distribution plot below the scan plots: built from the held distribution, with room
    // made for it (show), a running fit's trial in its place and the held one back after the
    // fit, removed, relabelled after a transform; the boundary analyses' extrapolation plot freed.
    void (*showDistribution)(TXLAWindow* window) = nullptr;
    void (*createDistributionPlot)() = nullptr;
    void (*showTrialDistribution)(TXLAWindow* window, const std::vector<float>& x,
                                  const std::vector<float>& c) = nullptr;
    void (*endTrialDistribution)(TXLAWindow* window) = nullptr;
    void (*clearDistribution)(bool relayout) = nullptr;
    void (*labelDistributionAxes)(const char* xLabel, const char* yLabel) = nullptr;
    void (*freeBoundaryReportPlot)() = nullptr;
    // The observer that shows a computation's progress in the window.
    CComputeObserver* (*computeObserver)(TXLAWindow* window) = nullptr;
};

struct WindowServices {
    static inline WindowServiceTable table;

    static TWindow* PlatformWindow(const TXLAWindow* window) {
        return window && table.platformWindow
                   ? table.platformWindow(const_cast<TXLAWindow*>(window))
                   : nullptr;
    }
    static void RequestRepaint(TXLAWindow* window) {
        if (window && table.requestRepaint)
            table.requestRepaint(window);
    }
    static void DrawPlotsNow(TXLAWindow* window) {
        if (window && table.drawPlotsNow)
            table.drawPlotsNow(window);
    }
    static void DebugLog(TXLAWindow* window, const char* text) {
        if (window && table.debugLog)
            table.debugLog(window, text);
    }
    static void RunModel(TXLAWindow* window) {
        if (window && table.runModel)
            table.runModel(window);
    }
    static void LeaveEqTestMode(TXLAWindow* window) {
        if (window && table.leaveEqTestMode)
            table.leaveEqTestMode(window);
    }
    // True without a window: there is nothing to warn in.
    static bool CheckTemperatureFluctuation(TXLAWindow* window, float threshold) {
        return !window || !table.checkTemperatureFluctuation ||
               table.checkTemperatureFluctuation(window, threshold);
    }
    static float ClientWidth(const TXLAWindow* window) {
        return window && table.clientWidth ? table.clientWidth(window) : 0.0f;
    }
    static float ClientHeight(const TXLAWindow* window) {
        return window && table.clientHeight ? table.clientHeight(window) : 0.0f;
    }
    static TClientDC* RubberBandDC(TXLAWindow* window) {
        return window && table.rubberBandDC ? table.rubberBandDC(window) : nullptr;
    }
    static void SetPaintSuspended(TXLAWindow* window, bool on) {
        if (window && table.setPaintSuspended)
            table.setPaintSuspended(window, on);
    }
    static void ApplyMarkerDrag(TXLAWindow* window, bool commit) {
        if (window && table.applyMarkerDrag)
            table.applyMarkerDrag(window, commit);
    }
    static void SetPlotAxisTitles() {
        if (table.setPlotAxisTitles)
            table.setPlotAxisTitles();
    }
    static void RedrawDataPlot(bool rescale) {
        if (table.redrawDataPlot)
            table.redrawDataPlot(rescale);
    }
    static void ShowDataRange(float xMin, float xMax, float yMin, float yMax) {
        if (table.showDataRange)
            table.showDataRange(xMin, xMax, yMin, yMax);
    }
    static void UpdateResiduals(bool rescale) {
        if (table.updateResiduals)
            table.updateResiduals(rescale);
    }
    static void DeleteScanPlots() {
        if (table.deleteScanPlots)
            table.deleteScanPlots();
    }
    static void ShowNoiseButtons(int which) {
        if (table.showNoiseButtons)
            table.showNoiseButtons(which);
    }
    static void HideNoiseButtons() {
        if (table.hideNoiseButtons)
            table.hideNoiseButtons();
    }
    static void ShowIntegrateButtons() {
        if (table.showIntegrateButtons)
            table.showIntegrateButtons();
    }
    static void DeleteIntegrateButton() {
        if (table.deleteIntegrateButton)
            table.deleteIntegrateButton();
    }
    static void DrawResidualsView(TXLAWindow* window) {
        if (window && table.drawResidualsView)
            table.drawResidualsView(window);
    }
    static void ShowAuxCurve(const std::vector<float>& x, const std::vector<float>& y,
                             const char* xTitle, const char* yTitle, int style, bool timeCourse) {
        if (table.showAuxCurve)
            table.showAuxCurve(x, y, xTitle, yTitle, style, timeCourse);
    }
    // The distribution plot is kept also without a window: a later paint shows it.
    static void ShowDistribution(TXLAWindow* window) {
        if (table.showDistribution)
            table.showDistribution(window);
    }
    static void CreateDistributionPlot() {
        if (table.createDistributionPlot)
            table.createDistributionPlot();
    }
    static void ShowTrialDistribution(TXLAWindow* window, const std::vector<float>& x,
                                      const std::vector<float>& c) {
        if (table.showTrialDistribution)
            table.showTrialDistribution(window, x, c);
    }
    static void EndTrialDistribution(TXLAWindow* window) {
        if (table.endTrialDistribution)
            table.endTrialDistribution(window);
    }
    static void ClearDistribution(bool relayout) {
        if (table.clearDistribution)
            table.clearDistribution(relayout);
    }
    static void LabelDistributionAxes(const char* xLabel, const char* yLabel) {
        if (table.labelDistributionAxes)
            table.labelDistributionAxes(xLabel, yLabel);
    }
    static void FreeBoundaryReportPlot() {
        if (table.freeBoundaryReportPlot)
            table.freeBoundaryReportPlot();
    }
    // The silent observer without a window.
    static CComputeObserver& Observer(const TXLAWindow* window) {
        CComputeObserver* observer = window && table.computeObserver
                                         ? table.computeObserver(const_cast<TXLAWindow*>(window))
                                         : nullptr;
        return observer ? *observer : SilentObserver();
    }
    // The window's observer, null without a window: nobody hears of the progress.
    static CComputeObserver* ObserverOf(const TXLAWindow* window) {
        return window ? &Observer(window) : nullptr;
    }
    static void ShowModelChoice(TXLAWindow* window) {
        if (window && table.showModelChoice)
            table.showModelChoice(window);
    }
};
