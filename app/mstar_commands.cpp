// The M* screen seen from the window: the transformation command, the copy commands, the
// actions of its buttons and of a right-button drag over the signal plot, and the hinge point.
#include "app/mstar_actions.h"
#include "app/txla_window.h"
#include "display/baseline_estimate_plot.h"
#include "display/mstar_screen.h"
#include "distributions/integrate_distribution.h"
#include "equilibrium/mstar_transform.h"
#include "foundations/input_boxes.h"
#include "foundations/key_polling.h"
#include "plat/clipboard.hpp"
#include "plat/window_dc.hpp"
#include "plotting/screen_button.h"
#include "plotting/win_plot.h"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/mstar_state.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using MS = MStarState;
using S = ScanStore;

int SetCount() {
    return static_cast<int>(MS::sets.size()) - 1;
}
MStarSet& Set(int k) {
    return MS::sets[static_cast<std::size_t>(k)];
}

CScreenButton* Button(int i) {
    return i >= 1 && i <= MS::buttonCount ? MS::buttons[static_cast<std::size_t>(i)] : nullptr;
}

void Show(TXLAWindow* window, CScreenButton* button) {
    if (button)
        button->Paint(window);
}

void SetText(CScreenButton* button, const char* off, const char* on) {
    if (!button)
        return;
    button->SetTexts(off, int(std::strlen(off)), on, int(std::strlen(on)));
    button->Rebuild();
}

void Recompute(TXLAWindow* window) {
    if (MS::multiSet)
        ComputeMStarMulti(window);
    else if (MS::active && MS::signalPlot)
        ComputeMStarSingle(window);
}

// Asks an integer setting (stored as the floor of the entry) within lo..hi.
void AskInteger(int& value, const char* prompt, const char* caption, int lo, int hi) {
    float entry = static_cast<float>(value);
    if (InputFloat(&entry, entry, true, prompt, caption))
        value = std::clamp(static_cast<int>(std::floor(entry)), lo, hi);
}

// A percentage setting: shown as 0.1 x the stored value, stored as floor(10 x entry).
void AskPercent(int& value, const char* prompt, const char* caption, int hi) {
    float entry = 0.1f * static_cast<float>(value);
    if (InputFloat(&entry, entry, true, prompt, caption))
        value = std::clamp(static_cast<int>(std::floor(10.0f * entry)), 0, hi);
}

// The widest half width that leaves points to show: a quarter of the shortest working copy.
int HalfWidthLimit() {
    int shortest = 1 << 30;
    for (int k = 1; k <= SetCount(); ++k)
        shortest = std::min(shortest, Set(k).pointCount);
    return shortest == (1 << 30) ? 0 : std::max(shortest / 4, 0);
}

// The data sets the screen shows buttons for: every loaded scan, or scan 1 alone.
int ScreenSets() {
    return MS::multiSet ? S::scanCount : 1;
}

// The meniscus-signal text of data set s: indexed when the screen shows several.
void MeniscusSignalText(char* text, std::size_t size, int s) {
    const bool ja = Set(s).interference;
    const double value = Set(s).meniscusSignal;
    if (MS::multiSet)
        std::snprintf(text, size, ja ? "Ja(%d) = %.4f" : "A0(%d) = %.4f", s, value);
    else
        std::snprintf(text, size, ja ? "Ja = %.4f" : "A0 = %.4f", value);
}

void RelabelMeniscusButtons(TXLAWindow* window, bool wasFixed) {
    const int n = ScreenSets(), F = MS::firstSetButton;
    char text[100];
    for (int s = 1; s <= n && s <= SetCount(); ++s) {
        MeniscusSignalText(text, sizeof text, s);
        CScreenButton* b = Button(F + 3 * n + s);
        SetText(b, text, text);
        if (b && wasFixed && b->on)
            b->Toggle();
        Show(window, b);
    }
}

// Window x (pixels) to a radius through the signal plot's x mapping.
float RadiusAtColumn(TXLAWindow* window, int x) {
    const float width = window->clientWidth;
    const int p = width > 0.0f ? static_cast<int>(double(x) * 1.4 * 1000.0 / width) : 0;
    CWINPlot* plot = MS::signalPlot;
    if (!plot || plot->xScale == 0.0f)
        return 0.0f;
    const float value = (float(p) - plot->xOffset) / plot->xScale;
    return plot->xLog ? std::pow(10.0f, value) : value;
}

// Straight lines of the hinge in the window, gone at the next repaint.
void DrawHingePointLines(TXLAWindow* window, float s, float baseline, float mapp, float radius) {
    TClientDC dc(window);
    const TRect client = window->GetClientRect();
    const double sx = client.right / 1400.0, sy = client.bottom / 1000.0;
    TPen pen(RGB(203, 0, 245));
    dc.SelectObject(pen);
    auto line = [&](CWINPlot* plot, bool vertical, float value) {
        if (!plot)
            return;
        if (vertical) {
            const double x = (value * plot->xScale + plot->xOffset) * sx;
            const int top = plot == MS::mappPlot ? 525 : 50;
            dc.MoveTo(int(x), int(top * sy));
            dc.LineTo(int(x), int((top + 400) * sy));
        } else {
            const double y = (value * plot->yScale + plot->yOffset) * sy;
            dc.MoveTo(int((plot->xMin * plot->xScale + plot->xOffset) * sx), int(y));
            dc.LineTo(int((plot->xMax * plot->xScale + plot->xOffset) * sx), int(y));
        }
    };
    line(MS::signalPlot, true, radius);
    line(MS::lnCPlot, true, radius * radius);
    line(MS::mappPlot, true, MS::mappVersusSignal ? s + baseline : radius);
    line(MS::signalPlot, false, s + baseline);
    line(MS::mappPlot, false, mapp);
}

void ShowHingePointInfo(TXLAWindow* window) {
    float w = 0.01f;
    char text[300];
    const float m = ModelParameters::meniscus, B = ModelParameters::bottom;
    for (int k = 1; k <= SetCount(); ++k) {
        const MStarFrame frame{m, B, S::leftFitLimit, S::rightFitLimit, MStarBaseline(k)};
        float s = EstimateLoadingSignal(Set(k), frame);
        std::snprintf(text, sizeof text,
                      "estimated loading signal from meniscus (%.3f) to bottom (%.3f) = %.3f "
                      "\n\tmanual override?",
                      double(m), double(B), double(s));
        if (window->MessageBox(text, "HINGE POINT INFO", MB_YESNO | MB_DEFBUTTON2) == IDYES)
            InputFloat(&s, s, true, "new total signal", "HINGE POINT INFO");
        InputFloat(&w, w, true, "radial interval for smoothing Mapp(r_hinge)", "HINGE POINT INFO");
        float radius = 0.0f, first = 0.0f, last = 0.0f;
        const float mapp = HingePointMapp(Set(k), s, w, frame.baseline, &radius, &first, &last);
        std::snprintf(text, sizeof text, "Mwapp(rhinge=%.3f cm) = %.3f kDa", double(radius),
                      double(mapp));
        DrawHingePointLines(window, s, frame.baseline, mapp, radius);
        window->MessageBox(text, "HINGE POINT INFO", MB_OK);
    }
}

// Asks the data set for a copy command; 0 when there is none to copy.
int AskDataSet(const char* caption) {
    const int n = SetCount();
    if (n < 1)
        return 0;
    if (n == 1)
        return 1;
    float answer = 1.0f;
    if (!InputFloat(&answer, 1.0f, true, "which data set?", caption))
        return 0;
    const int k = static_cast<int>(std::floor(answer));
    // Only loaded data sets can be copied.
    return k >= 1 && k <= n ? k : 0;
}

// The c(M)-based tables belong to the analysis of several data sets with c(M) smoothing on.
bool CMTables() {
    return MS::useCMSmoothing && MS::multiSet;
}

bool CopyReady() {
    return S::scanCount >= 1 && (MS::active || MS::multiSet) && SetCount() >= 1;
}

void CopyTable(TXLAWindow* window, const std::vector<float>& x, const std::vector<float>& y,
               int first, int last, const char* caption, const char* message, float xShift = 0.0f) {
    const int n = static_cast<int>(std::min(x.size(), y.size())) - 1;
    std::string text;
    char row[80];
    for (int i = std::max(first, 1); i <= std::min(last, n); ++i) {
        std::snprintf(row, sizeof row, "%f\t%f\n", double(x[std::size_t(i)] - xShift),
                      double(y[std::size_t(i)]));
        text += row;
    }
    TClipboard clipboard(window);
    if (clipboard.IsOpen()) {
        clipboard.EmptyClipboard();
        clipboard.SetText(text);
        clipboard.CloseClipboard();
    }
    window->MessageBox(message, caption, MB_OK);
}

} // namespace

void MStarScreenButtonAction(TXLAWindow* window, int i) {
    const int n = ScreenSets(), F = MS::firstSetButton;
    char text[200];
    const char* mt = "M* transformation";
    const int limit = HalfWidthLimit();
    if (i == 1) {
        CScreenButton* b = Button(1);
        if (b && !b->on)
            b->Toggle();
        Show(window, b);
        AskInteger(MS::meniscusExtrapolationOrder, "polynomial order (1 or 2):", mt, 0, 2);
        if (window->MessageBox("change extrapolation basis?", mt, MB_YESNO) == IDYES) {
            MS::meniscusRangeDragPending = true;
            for (int s = 1; s <= n; ++s) {
                SetText(Button(F + 3 * n + s), "drag right mouse", "drag right mouse");
                Show(window, Button(F + 3 * n + s));
            }
            window->SetCursor(IDC_CROSS);
        } else {
            const bool wasFixed = MS::meniscusSignalFixed;
            MS::meniscusSignalFixed = false;
            WaitSeconds(0.1f);
            Recompute(window);
            RelabelMeniscusButtons(window, wasFixed);
            if (b && b->on)
                b->Toggle();
            Show(window, b);
        }
    } else if (i == 2 || i == 3) {
        CScreenButton* b = Button(i);
        if (b && !b->on)
            b->Toggle();
        Show(window, b);
        if (i == 2) {
            AskPercent(MS::lnCSmoothHalfWidth, "SG smooth %distance:", "lnc-r2 transformation",
                       limit);
            AskInteger(MS::lnCSmoothOrder, "SG smooth order (box=1):", "lnc-r2 transformation", 0,
                       4);
            std::snprintf(text, sizeof text, "SG smooth = %.1f %%(%d)",
                          0.1 * MS::lnCSmoothHalfWidth, MS::lnCSmoothOrder);
        } else {
            AskPercent(MS::mappSmoothHalfWidth, "SG smooth %distance:", "lnc-r2 transformation",
                       limit);
            std::snprintf(text, sizeof text, "SG smooth = %.1f %%(box)",
                          0.1 * MS::mappSmoothHalfWidth);
        }
        SetText(b, text, text);
        if (b && b->on)
            b->Toggle();
        Show(window, b);
    } else if (i == 4) {
        CScreenButton* b = Button(4);
        if (b && !b->on)
            b->Toggle();
        Show(window, b);
        AskInteger(MS::bottomExtrapolationOrder, "polynomial order (1 or 2):", mt, 0, 2);
        if (window->MessageBox("change extrapolation basis (in A(r) plot)?", mt, MB_YESNO) ==
            IDYES) {
            MS::bottomRangeDragPending = true;
            SetText(b, "drag right mouse in A(r)", "drag right mouse in A(r)");
            Show(window, b);
            window->SetCursor(IDC_CROSS);
        } else {
            if (b && b->on)
                b->Toggle();
            Show(window, b);
        }
    } else if (i == 5) {
        if (MS::multiSet && n >= 2) {
            if (CScreenButton* b = Button(5)) {
                b->Toggle();
                b->Rebuild();
            }
            ModelChoice::fitRINoise = !ModelChoice::fitRINoise;
            if (MS::useCMSmoothing) {
                MS::askCMRange = false;
                MStarTransformationSetup(window);
                MS::askCMRange = true;
            } else {
                Recompute(window);
            }
        }
    } else if (i == 6) {
        if (MS::multiSet) {
            if (CScreenButton* b = Button(6)) {
                b->Toggle();
                b->Rebuild();
            }
            if (!MS::useCMSmoothing)
                MStarTransformationSetup(window);
            else
                SwitchOffCMSmoothing(window);
        }
    } else if (i == 7) {
        CScreenButton* b = Button(7);
        if (b && !b->on)
            b->Toggle();
        window->Invalidate(true);
        ShowHingePointInfo(window);
        if (b && b->on)
            b->Toggle();
        window->Invalidate(true);
    } else if (i == 8 || i == 4 * n + 9) {
        if (i == 8)
            MS::useDerivativeFormula = !MS::useDerivativeFormula;
        else
            MS::mappVersusSignal = !MS::mappVersusSignal;
        if (CScreenButton* b = Button(i)) {
            b->Toggle();
            b->Rebuild();
        }
        window->Invalidate(true);
        RebuildMappPlot();
    } else if (i > F + 2 * n && i <= F + 3 * n) {
        const int s = i - F - 2 * n;
        CScreenButton* b = Button(i);
        if (b && !b->on)
            b->Toggle();
        Show(window, b);
        if (n == 1 || !ModelChoice::fitRINoise) {
            InputFloat(&ModelParameters::baseline, ModelParameters::baseline, true,
                       "new baseline signal:", mt);
            std::snprintf(text, sizeof text, "Baseline = %.4f", double(ModelParameters::baseline));
        } else if (S::riNoise) {
            char prompt[60];
            std::snprintf(prompt, sizeof prompt, "new baseline %d signal:", s);
            InputFloat(&S::riNoise[s], S::riNoise[s], true, prompt, mt);
            std::snprintf(text, sizeof text, "Baseline(%d) = %.4f", s, double(S::riNoise[s]));
        }
        SetText(b, text, "set");
        if (b && b->on)
            b->Toggle();
        Show(window, b);
    } else if (i > F + 3 * n && i <= F + 4 * n && i - F - 3 * n <= SetCount()) {
        const int s = i - F - 3 * n;
        MStarSet& set = Set(s);
        char prompt[60];
        const char* name = set.interference ? "Ja" : "A0";
        if (MS::multiSet)
            std::snprintf(prompt, sizeof prompt, "new %s(%d):", name, s);
        else
            std::snprintf(prompt, sizeof prompt, "new %s:", name);
        InputFloat(&set.meniscusSignal, set.meniscusSignal, true, prompt, mt);
        MeniscusSignalText(text, sizeof text, s);
        std::strcat(text, " (fix)");
        CScreenButton* b = Button(i);
        SetText(b, text, text);
        if (b && !MS::meniscusSignalFixed && !b->on)
            b->Toggle();
        if (b)
            b->Rebuild();
        Show(window, b);
        MS::meniscusSignalFixed = true;
        set.meniscusPointY[1] =
            set.meniscusSignal + (MS::multiSet ? MStarBaseline(s) : ModelParameters::baseline);
    }
    Recompute(window);
    window->RequestRepaint();
}

void MStarTransformationSetup(TXLAWindow* window) {
    using MP = ModelParameters;
    const char* mt = "M* transformation";
    const int n = S::scanCount;
    if (MS::askCMRange && SetCount() >= 1) {
        float lo = 1e30f, hi = -1e30f;
        for (int k = 1; k <= SetCount(); ++k)
            lo = std::min(lo, Set(k).mwAverage), hi = std::max(hi, Set(k).mwAverage);
        lo = std::floor(0.5f * lo);
        hi = std::floor(2.0f * hi);
        InputFloat(&lo, lo, true, "min Mw (kDa)", mt);
        InputFloat(&hi, hi, true, "max Mw (kDa)", mt);
        ContiState::rangeMin = 1000.0f * lo;
        ContiState::rangeMax = 1000.0f * hi;
    }
    const bool noise = ModelChoice::fitRINoise;
    if (n == 1)
        ModelChoice::fitTINoise = false;
    if (n == 1 || !noise) {
        const bool floatIt =
            window->MessageBox("determine Baseline from c(M)?", mt, MB_YESNO) == IDYES;
        MP::baselineFloat = floatIt ? 1 : 0;
        MP::fitFloat[kSlotBaseline] = floatIt ? 1 : 0;
        MP::fitBaseline = floatIt;
        if (floatIt) {
            ModelChoice::fitRINoise = noise;
        } else {
            MP::fitValues[kSlotBaseline] = MP::baseline;
            if (noise && S::riNoise)
                for (int k = 1; k <= std::min(n, SetCount()); ++k)
                    if (Set(k).baselineLine.size() > 1)
                        S::riNoise[k] = Set(k).baselineLine[1];
            ModelChoice::fitRINoise = false;
        }
    } else {
        window->MessageBox("recalculating individual baselines from c(M)", mt, MB_OK);
    }
    LeaveMStarMulti(window);
    window->CmContinuousCM();
    ContiState::secondDerivativeRegularization = true;
    ContiState::maxEntRegularization = false;
    ContiState::showBothRegularizations = false;
    if (HMENU menu = window->GetMenu()) {
        ::CheckMenuItem(menu, 294, MF_CHECKED);
        ::CheckMenuItem(menu, 295, MF_UNCHECKED);
        ::CheckMenuItem(menu, 642, MF_UNCHECKED);
    }
    ContiState::confidenceLevel = 1.01f;
    MP::fitValues[kSlotConfidenceLevel] = 1.01f;
    window->paintSuspended = true;
    window->SetCursor(IDC_WAIT);
    if (n == 1) {
        window->CmRun();
    } else {
        MP::bottomFloat = 1;
        MP::fitFloat[kSlotBottom] = 1;
        window->CmFit();
    }
    window->paintSuspended = false;
    window->SetCursor(IDC_ARROW);
    ModelChoice::fitRINoise = noise;
    window->RequestRepaint();
    MS::workCopiesRebuilt = false;
    MS::useCMSmoothing = true;
    MS::mayAskCMSmoothing = false;
    RunMStarTransformation(window);
}

void EnterMStarSingle(TXLAWindow* window) {
    if (S::scanCount < 1 || !MStarLimitsUsable())
        return;
    MS::active = true;
    MS::multiSet = false;
    BuildMStarPlots();
    DrawMStarScreen(window);
    InsertMStarMenuItems(window);
    ComputeMStarSingle(window);
    window->RequestRepaint();
}

void LeaveMStarSingle(TXLAWindow* window) {
    FreeBaselineEstimatePlot();
    FreeMStarPlots();
    RemoveMStarMenuItems(window);
    MS::active = false;
    MS::workCopiesRebuilt = false;
    window->RequestRepaint();
}

void DrawMStarResultsText(TDC& dc) {
    if (!MS::active || !MS::useCMSmoothing)
        return;
    float total = 0.0f, area = 0.0f, mw = 0.0f, sd = 0.0f, mz = 0.0f;
    IntegrateDistribution(ContiState::rangeMin, ContiState::rangeMax, &area, &mw, &total, &sd,
                          nullptr, &mz);
    char text[120];
    std::snprintf(text, sizeof text, "rmsd = %.5f", double(FitControl::bestRmsd));
    dc.TextOut(275, 30, text);
    std::snprintf(text, sizeof text, "total loading signal c(M) = %.3f", double(area));
    dc.TextOut(275, 50, text);
    std::snprintf(text, sizeof text, "signal average Mw = %.1f kDa", 0.001 * mw);
    dc.TextOut(275, 70, text);
    std::snprintf(text, sizeof text, "std (sqrt(2nd central moment) = %.1f kDa", 0.001 * sd);
    dc.TextOut(275, 90, text);
    std::snprintf(text, sizeof text, "Mz = %.1f kDa", 0.001 * mz);
    dc.TextOut(275, 110, text);
}

void MStarMouseAction(TXLAWindow* window, int code, int x1, int x2) {
    if (code == 0) {
        Recompute(window);
    } else if (code == 1 && MS::meniscusRangeDragPending) {
        MS::meniscusRangeDragPending = false;
        MS::meniscusFitRange[1] = RadiusAtColumn(window, x1);
        MS::meniscusFitRange[2] = RadiusAtColumn(window, x2);
        if (MS::meniscusFitRange[2] < MS::meniscusFitRange[1])
            std::swap(MS::meniscusFitRange[1], MS::meniscusFitRange[2]);
        const bool wasFixed = MS::meniscusSignalFixed;
        MS::meniscusSignalFixed = false;
        Recompute(window);
        RelabelMeniscusButtons(window, wasFixed);
        CScreenButton* b = Button(1);
        if (b && b->on)
            b->Toggle();
        Show(window, b);
    } else if (code == 4 && MS::bottomRangeDragPending) {
        CScreenButton* b = Button(4);
        SetText(b, "extrap.", "extrap.");
        if (b && b->on)
            b->Toggle();
        Show(window, b);
        MS::bottomRangeDragPending = false;
        MS::bottomFitRange[1] = RadiusAtColumn(window, x1);
        MS::bottomFitRange[2] = RadiusAtColumn(window, x2);
        if (MS::bottomFitRange[2] < MS::bottomFitRange[1])
            std::swap(MS::bottomFitRange[1], MS::bottomFitRange[2]);
        Recompute(window);
    }
}

bool MStarButtonPressed(TXLAWindow* window, float px, float py) {
    if (!MS::active)
        return false;
    for (int i = 1; i <= MS::buttonCount; ++i) {
        CScreenButton* b = Button(i);
        if (b && b->HitTest(px, py)) {
            MStarScreenButtonAction(window, i);
            return true;
        }
    }
    return false;
}

void TXLAWindow::CmCalculateMStar() {
    if (!S::equilibriumData || S::scanCount < 1) {
        MessageBox("equilibrium data set must be loaded for MSTAR", "ERROR", MB_OK);
        return;
    }
    // Without meniscus, bottom and fitting limits in order the analysis pads thousands of points
    // or collapses every range and shows M* = 0 everywhere.
    if (!MStarLimitsUsable()) {
        MessageBox("Set Fitting Limits First", "ERROR", MB_OK);
        return;
    }
    // The first run after the start never asks; the run itself allows the question.
    if (!MS::useCMSmoothing && MS::mayAskCMSmoothing && PlainCMSelected())
        MS::useCMSmoothing =
            MessageBox("use c(M) smoothing?", "M* transformation", MB_YESNO) == IDYES;
    RunMStarTransformation(this);
}

void TXLAWindow::CmCopyLnCData() {
    if (!CopyReady())
        return;
    const char* caption = "COPY LNC DATA";
    const int k = AskDataSet(caption);
    if (k < 1)
        return;
    MStarSet& set = Set(k);
    const int w = MS::lnCSmoothHalfWidth;
    CopyTable(this, set.rSquared, set.lnC, set.firstIndex, set.lastIndex - 1, caption,
              "r^2 vs ln(c) is in clipboard - paste before continuing");
    if (CMTables()) {
        CopyTable(this, set.rSquared, set.lnCFromCM, set.meniscusIndex, set.bottomIndex - 1,
                  caption,
                  "r^2 vs fit of ln(c) [c(M)-based] is in clipboard - paste before continuing");
        return;
    }
    CopyTable(this, set.rSquared, set.lnCSmoothed, set.firstIndex + w, set.lastIndex - w - 1,
              caption, "r^2 vs smoothed ln(c) is in clipboard - paste before continuing");
    CopyTable(this, set.rSquared, set.lnCLinearFit, set.firstIndex, set.lastIndex - 1, caption,
              "r^2 vs linear fit of ln(c) is in clipboard - paste before continuing");
}

void TXLAWindow::CmCopyMStarData() {
    if (!CopyReady())
        return;
    const char* caption = "COPY M* DATA";
    const int k = AskDataSet(caption);
    if (k < 1)
        return;
    MStarSet& set = Set(k);
    CopyTable(this, set.workRadius, set.mstar, set.firstIndex, set.lastIndex - 1, caption,
              "r vs M*(r) is in clipboard - paste before continuing");
    // With c(M) smoothing the fit stands in for the extrapolation, which is not computed then.
    if (CMTables())
        CopyTable(this, set.workRadius, set.mstarFromCM, set.meniscusIndex + 1, set.bottomIndex - 1,
                  caption,
                  "r vs fit of M*(r) [c(M)-based] is in clipboard - paste before continuing");
    else
        CopyTable(this, set.bottomGrid, set.bottomExtrapolation, 1, 100, caption,
                  "extrapolation of r vs M*(r) is in clipboard - paste before continuing");
}

void TXLAWindow::CmCopyMwavgData() {
    if (!CopyReady())
        return;
    const char* caption = "COPY MW DATA";
    const int k = AskDataSet(caption);
    if (k < 1)
        return;
    MStarSet& set = Set(k);
    const int w = MS::lnCSmoothHalfWidth, w2 = MS::mappSmoothHalfWidth;
    const std::vector<float>& mapp = MS::useDerivativeFormula ? set.mappDcdr : set.mappDlnc;
    const bool cm = CMTables();
    if (MS::mappVersusSignal) {
        const bool subtract =
            MessageBox("for c vs Mapp(c), subtract baseline?", caption, MB_YESNO) == IDYES;
        const float shift = subtract ? MStarBaseline(k) : 0.0f;
        CopyTable(this, set.signal, mapp, set.firstIndex + w + w2, set.lastIndex - w - w2 - 1,
                  caption, "c vs Mapp(c) is in clipboard - paste before continuing", shift);
        if (cm)
            CopyTable(this, set.signal, set.mappFromCM, set.meniscusIndex + 1, set.bottomIndex - 1,
                      caption,
                      "c vs fit of Mapp(c) [c(M)-based] is in clipboard - paste before continuing",
                      shift);
    } else {
        CopyTable(this, set.workRadius, mapp, set.firstIndex + w + w2, set.lastIndex - w - w2 - 1,
                  caption, "r vs Mapp(r) is in clipboard - paste before continuing");
        if (cm)
            CopyTable(this, set.workRadius, set.mappFromCM, set.meniscusIndex + 1,
                      set.bottomIndex - 1, caption,
                      "r vs fit of Mapp(r) [c(M)-based] is in clipboard - paste before continuing");
    }
}
