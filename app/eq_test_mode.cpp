// The test of attained equilibrium: the command, its questions per series, its three plots, the
// recomputation that Run and Fit call while the mode is on, and leaving the mode.
#include "app/eq_test_plots.h"
#include "app/txla_window.h"
#include "display/scan_colours.h"
#include "equilibrium/eq_test_series.h"
#include "foundations/ccurve.h"
#include "foundations/input_boxes.h"
#include "foundations/nr_arrays.h"
#include "foundations/show_error.h"
#include "foundations/sounds.h"
#include "plotting/aux_plots.h"
#include "plotting/win_plot.h"
#include "scandata/equilibrium_scans.h"
#include "scandata/scan_store_alloc.h"
#include "state/eq_test_state.h"
#include "state/plot_interaction_state.h"
#include "state/realtime_state.h"
#include "state/window_services.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using S = ScanStore;
using E = EqTestState;

// The curves the test plots show; the plots wrap them without owning them.
std::vector<std::unique_ptr<CCurve>> gTestCurves;

EqTestSlot& Slot(int s) {
    return E::slots[static_cast<std::size_t>(s)];
}

bool IsInterference(int scan) {
    const char* dot = S::scanFileName[scan] ? std::strrchr(S::scanFileName[scan], '.') : nullptr;
    return dot && dot[1] != '\0' && (dot[2] == 'p' || dot[2] == 'P');
}

CCurve* Keep(const std::vector<float>& x, const std::vector<float>& y) {
    gTestCurves.push_back(
        std::make_unique<CCurve>(x.data(), y.data(), static_cast<std::uint32_t>(x.size()), 0, 0));
    return gTestCurves.back().get();
}

// The latest scan of a series in the auxiliary plot, its comparison range overlaid.
void ShowLatestScan(TXLAWindow* window, int s) {
    const EqTestSlot& slot = Slot(s);
    const int L = slot.members.back();
    const int n = S::pointCount[L];
    const std::vector<float> v = ComparedScanValues(L);
    SetAuxCurve(std::vector<float>(S::radius[L] + 1, S::radius[L] + 1 + n),
                std::vector<float>(v.begin() + 1, v.begin() + 1 + n), "radius", "signal", -1,
                false);
    AuxPlots::auxPlot->SetCurveColor(0, 0);
    const int first = slot.firstIndex >= 1 && slot.firstIndex <= n ? slot.firstIndex : 1;
    const int last = slot.lastIndex >= 1 && slot.lastIndex <= n ? slot.lastIndex : n;
    std::vector<float> x, y;
    for (int j = first; j <= last; ++j) {
        x.push_back(S::radius[L][j]);
        y.push_back(v[static_cast<std::size_t>(j)]);
    }
    AuxPlots::highlightCurve = Keep(x, y);
    AuxPlots::highlight = true;
    window->RequestRepaint();
}

void FitRangeOf(int scan, int& first, int& last) {
    first = S::firstFitIndex && S::firstFitIndex[scan] > 0 ? S::firstFitIndex[scan] : 1;
    last =
        S::lastFitIndex && S::lastFitIndex[scan] > 0 ? S::lastFitIndex[scan] : S::pointCount[scan];
}

bool AskYesNo(TXLAWindow* window, const char* text) {
    return window->MessageBox(text, "EQ TEST", MB_YESNO) == IDYES;
}

void AskEqTestSeriesOptions(TXLAWindow* window) {
    const bool automatic = RealtimeState::realtimeMode && E::autoDefaultLimits;
    char text[400];
    for (int s = 1; s <= E::seriesTotal; ++s) {
        E::questionSeries = s;
        EqTestSlot& slot = Slot(s);
        const int firstScan = slot.members.front();
        const int L = slot.members.back();
        const ScanHeader& h = S::header[firstScan];
        const int krpm = static_cast<int>(std::floor(S::header[L].rotorSpeed * 0.001));
        for (;;) {
            if (IsExcludedCellWavelength(firstScan)) {
                slot.included = 0;
                break;
            }
            int fitFirst = 1, fitLast = 1;
            FitRangeOf(L, fitFirst, fitLast);
            if (slot.firstIndex == 0)
                slot.firstIndex = fitFirst;
            if (slot.lastIndex == 0)
                slot.lastIndex = fitLast;
            if (automatic)
                break;
            ShowLatestScan(window, s);
            if (!E::singleCell && !IsAcceptedCellWavelength(firstScan)) {
                std::snprintf(text, sizeof text,
                              "cell %d, %.0f nm, %d krpm\nInclude this (cell/wl) series in "
                              "time-course plot?",
                              h.cell, double(h.wavelength), krpm);
                if (!AskYesNo(window, text)) {
                    E::excluded.push_back({h.cell, h.wavelength});
                    slot.included = 0;
                    break;
                }
            }
            PlayInfoSound();
            std::snprintf(text, sizeof text,
                          "accept radial limits for comparison of %d kprm series? \n(otherwise set "
                          "new ones to exclude region or artifacts)",
                          krpm);
            if (!AskYesNo(window, text)) {
                const int n = S::pointCount[L];
                const float r0 = S::radius[L][std::clamp(slot.firstIndex, 1, n)];
                const float r1 = S::radius[L][std::clamp(slot.lastIndex, 1, n)];
                float rMin = r0, rMax = r1;
                if (InputFloat(&rMin, r0, true, "r-min:", "EQ TEST") &&
                    InputFloat(&rMax, r1, true, "r-max:", "EQ TEST")) {
                    for (int j = 1; j <= n; ++j)
                        if (S::radius[L][j] > rMin) {
                            slot.firstIndex = j;
                            break;
                        }
                    for (int j = n; j >= 1; --j)
                        if (S::radius[L][j] < rMax) {
                            slot.lastIndex = j;
                            break;
                        }
                    continue;
                }
            }
            slot.included = 1;
            E::accepted.push_back({h.cell, h.wavelength});
            break;
        }
    }
    E::questionSeries = 0;
    if (!automatic)
        FreeAuxPlotCurves();
    AuxPlots::highlight = false;
    AuxPlots::highlightCurve = nullptr;
}

void FreeEqTestCurves() {
    for (CWINPlot* plot : {S::dataPlot, S::residualPlot, E::profilePlot})
        if (plot)
            plot->RemoveAllCurves();
    gTestCurves.clear();
    E::curveSeriesCount = 0;
}

void CreateEqTestPlots() {
    FreeEqTestCurves();
    E::curveSeriesCount = E::seriesTotal;
    WindowServices::DeleteScanPlots();
    S::dataPlot = new CWINPlot();
    S::dataPlot->SetPlotRect(50, 75, 475, 975);
    S::dataPlot->SetYLabel("rmsd difference");
    S::dataPlot->SetXLabel("time difference to last scan in series (hours)");
    S::dataPlot->ToggleConnectPoints();
    S::residualPlot = new CWINPlot();
    S::residualPlot->SetPlotRect(550, 75, 950, 975);
    S::residualPlot->SetYLabel("difference last 2 scans");
    S::residualPlot->SetXLabel("radius (cm)");
    delete std::exchange(E::profilePlot, nullptr); // not left freed when no new one can be made
    E::profilePlot = new CWINPlot();
    E::profilePlot->SetPlotRect(60, 650, 300, 965);
    E::profilePlot->SetYLabel("relative signal of last scan");
    E::profilePlot->SetXLabel("radius");
    E::profilePlot->ToggleConnectPoints();
    RealtimeState::eqTestPlotShown = true;
}

void FillEqTestPlots() {
    CWINPlot* data = S::dataPlot;
    CWINPlot* residual = S::residualPlot;
    CWINPlot* profile = E::profilePlot;
    data->RemoveAllCurves();
    residual->RemoveAllCurves();
    profile->RemoveAllCurves();
    gTestCurves.clear();
    const bool colourFromTime = S::scanColorFromTime;
    S::scanColorFromTime = false;
    int total = 0;
    for (int s = 1; s <= E::seriesTotal; ++s)
        total += Slot(s).members.size() > 1 && Slot(s).included == 1;
    char legend[400];
    int k = 0, residualCurves = 0;
    for (int s = 1; s <= E::seriesTotal; ++s) {
        const EqTestSlot& slot = Slot(s);
        if (slot.members.size() < 2 || slot.included != 1)
            continue;
        ++k;
        const int first = slot.members.front();
        const ScanHeader& h = S::header[first];
        const int krpm = static_cast<int>(std::floor(h.rotorSpeed * 0.001));
        data->AddCurve(Keep(slot.timeX, slot.timeY));
        const int c = k - 1;
        std::snprintf(legend, sizeof legend, "cell %d, %.0f nm, %d krpm (>= %s)", h.cell,
                      double(h.wavelength), krpm, S::scanFileName[first]);
        data->SetCurveLegend(c, legend);
        data->SetCurveStyle(c, slot.atCurrentSpeed ? 6 : -1);
        const bool cellColour = !E::singleCell && IsInterference(first);
        data->SetCurveColor(c, cellColour ? ScanColour(h.cell) : ColourFromFraction(k, total));
        if (h.rotorSpeed != E::maxSpeed)
            continue;
        residual->AddCurve(Keep(slot.pairX, slot.pairY));
        profile->AddCurve(Keep(slot.profileX, slot.profileY));
        std::snprintf(legend, sizeof legend, "c%d-%.0fnm-%.0dk: rmsd=%.4f", h.cell,
                      double(h.wavelength), krpm, double(slot.lastPairRmsd));
        residual->SetCurveLegend(residualCurves, legend);
        const int style = slot.atCurrentSpeed ? 12 : -1;
        residual->SetCurveStyle(residualCurves, style);
        profile->SetCurveStyle(residualCurves, style);
        const COLORREF colour =
            IsInterference(first) ? ScanColour(h.cell) : ColourFromFraction(total, total);
        residual->SetCurveColor(residualCurves, colour);
        profile->SetCurveColor(residualCurves, colour);
        ++residualCurves;
    }
    residual->ShowLegends();
    data->ShowLegends();
    S::scanColorFromTime = colourFromTime;
    if (ZoomHistory::level == 0)
        data->FullRange();
    else
        data->SetRanges(
            ZoomHistory::xLow[ZoomHistory::level], ZoomHistory::xHigh[ZoomHistory::level],
            ZoomHistory::yLow[ZoomHistory::level], ZoomHistory::yHigh[ZoomHistory::level]);
    data->Draw();
    residual->FullRange();
    residual->Draw();
}

} // namespace

void FreeEqTestPlots() {
    FreeEqTestCurves();
    delete E::profilePlot;
    E::profilePlot = nullptr;
}

CWINPlot* GetEqTestPlot() {
    if (!E::profilePlot)
        return nullptr;
    E::profilePlot->Draw();
    return E::profilePlot;
}

void TXLAWindow::CmTestApproachToEquilibrium() {
    if (S::scanCount < 1) {
        MessageBox("please load data first", "EQ TEST", MB_OK);
        return;
    }
    ResetEqTestTables();
    const int before = E::seriesTotal;
    BuildEqTestSeries();
    for (int s = 1; s <= E::seriesTotal; ++s) {
        EqTestSlot& slot = Slot(s);
        FitRangeOf(slot.members.back(), slot.firstIndex, slot.lastIndex);
    }
    if (E::seriesTotal != before) {
        AskEqTestSeriesOptions(this);
        CreateEqTestPlots();
    }
    RealtimeState::equilibriumTestMode = true;
    ZoomHistory::level = 0;
    TestApproachToEquilibrium();
    RequestRepaint();
    if (MessageBox("realtime update?", "EQ TEST", MB_YESNO) == IDYES)
        CmRealtimeUpdate();
}

void TXLAWindow::TestApproachToEquilibrium() {
    // Out of memory while the plots were made, or after a realtime reload had let the scan plots
    // go, leaves the test shown with a plot missing: they are made anew.
    if (!RealtimeState::eqTestPlotShown || RealtimeState::realtimeMode || !S::dataPlot ||
        !S::residualPlot || !E::profilePlot)
        CreateEqTestPlots();
    const int before = E::seriesTotal;
    BuildEqTestSeries();
    if (E::seriesTotal != before) {
        AskEqTestSeriesOptions(this);
        CreateEqTestPlots();
    }
    if (E::seriesTotal != E::curveSeriesCount) {
        ShowError("error in equilibrium test function", 0);
        return;
    }
    ComputeEqTestCurves();
    FillEqTestPlots();
}

void TXLAWindow::LeaveEqTestMode() {
    if (!RealtimeState::eqTestPlotShown)
        return;
    FreeEqTestPlots();
    E::seriesTotal = 0;
    WindowServices::SetPlotAxisTitles();
    WindowServices::UpdateResiduals(true);
    WindowServices::RedrawDataPlot(true);
    RealtimeState::eqTestPlotShown = false;
    RealtimeState::equilibriumTestMode = false;
    RequestRepaint();
}
