// The M* screen of several data sets: computing every set, the four plots and their curves, the
// axis ranges that follow the data, and the buttons that label the results.
#include "display/mstar_screen.h"

#include "equilibrium/mstar_transform.h"
#include "foundations/ccurve.h"
#include "foundations/notice_boxes.h"
#include "plotting/plot_globals.h"
#include "plotting/screen_button.h"
#include "plotting/win_plot.h"
#include "plotting/window_surface.h"
#include "scandata/scan_store_alloc.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/mstar_state.h"
#include "state/window_services.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using MS = MStarState;
using S = ScanStore;

// Views and curves over the sets' vectors, rebuilt after every computation (the vectors move).
std::vector<std::unique_ptr<CVector>> gViews;
std::vector<std::unique_ptr<CCurve>> gCurves;

constexpr COLORREF Rgb(int r, int g, int b) {
    return COLORREF(r) | (COLORREF(g) << 8) | (COLORREF(b) << 16);
}

int SetCount() {
    return static_cast<int>(MS::sets.size()) - 1;
}
MStarSet& Set(int k) {
    return MS::sets[static_cast<std::size_t>(k)];
}

// A curve over elements first..last of two 1-based vectors (at least one point).
CCurve* Curve(std::vector<float>& x, std::vector<float>& y, int first, int last) {
    const int n = static_cast<int>(std::min(x.size(), y.size())) - 1;
    first = std::clamp(first, 1, std::max(n, 1));
    last = std::clamp(last, first, std::max(n, 1));
    auto vx = std::make_unique<CVector>();
    auto vy = std::make_unique<CVector>();
    const auto count = static_cast<std::uint32_t>(n >= 1 ? last - first + 1 : 0);
    vx->Attach(x.data(), count, static_cast<std::uint32_t>(first));
    vy->Attach(y.data(), count, static_cast<std::uint32_t>(first));
    gCurves.push_back(std::make_unique<CCurve>(vx.get(), vy.get()));
    gViews.push_back(std::move(vx));
    gViews.push_back(std::move(vy));
    return gCurves.back().get();
}

// The points 1..count of two 1-based arrays.
CCurve* PointCurve(float* x, float* y, int count) {
    auto vx = std::make_unique<CVector>();
    auto vy = std::make_unique<CVector>();
    vx->Attach(x, static_cast<std::uint32_t>(count), 1);
    vy->Attach(y, static_cast<std::uint32_t>(count), 1);
    gCurves.push_back(std::make_unique<CCurve>(vx.get(), vy.get()));
    gViews.push_back(std::move(vx));
    gViews.push_back(std::move(vy));
    return gCurves.back().get();
}

void Add(CWINPlot* plot, CCurve* curve, int style, COLORREF colour) {
    plot->AddCurve(curve);
    plot->SetCurveStyle(plot->nCurves - 1, style);
    plot->SetCurveColor(plot->nCurves - 1, colour);
}

// The analysis of one data set always takes d ln c / d r^2 and plots it against the radius.
bool MappAgainstSignal() {
    return MS::multiSet && MS::mappVersusSignal;
}
std::vector<float>& MappOf(MStarSet& set) {
    return MS::multiSet && MS::useDerivativeFormula ? set.mappDcdr : set.mappDlnc;
}

const char* MappLabel() {
    if (!MS::multiSet)
        return "Mwapp(r) [=(1/k)*dlnc/dr^2] (kDa)";
    if (MS::mappVersusSignal)
        return MS::useDerivativeFormula ? "Mwapp(c) [=(1/k)*{(1/2)(1/(c*r))*(dc/dr)}] (kDa)"
                                        : "Mwapp(c) [=(1/k)*dlnc/dr^2] (kDa)";
    return MS::useDerivativeFormula ? "Mwapp(r) [=(1/k)*{(1/2)(1/(c*r))*(dc/dr)}] (kDa)"
                                    : "Mwapp(r) [=(1/k)*dlnc/dr^2] (kDa)";
}

CWINPlot* NewPlot(int top, int left, int bottom, int right, const char* x, const char* y) {
    auto* plot = new CWINPlot();
    plot->SetPlotRect(top, left, bottom, right);
    plot->SetXLabel(x);
    plot->SetYLabel(y);
    return plot;
}

bool Interference(int k) {
    const char* dot = S::scanFileName[k] ? std::strrchr(S::scanFileName[k], '.') : nullptr;
    return dot && dot[1] != '\0' && (dot[2] == 'p' || dot[2] == 'P');
}

// Lower and upper ends with a margin: top = max + f (max - min), bottom = min - f (top - min).
void Margins(float lo, float hi, float f, float& bottom, float& top) {
    top = hi + f * (hi - lo);
    bottom = lo - f * (top - lo);
    if (!(top > bottom)) {
        top = hi + 1.0f;
        bottom = lo - 1.0f;
    }
}

// The curves of every data set on the four plots; with c(M) smoothing (cm) the fit's curves.
void AddSetCurves(int n, bool cm, bool one) {
    const int w = MS::lnCSmoothHalfWidth, w2 = MS::mappSmoothHalfWidth;
    for (int k = 1; k <= n; ++k)
        Add(MS::signalPlot, Curve(Set(k).workRadius, Set(k).signal, 1, Set(k).pointCount), -1, 0);
    for (int k = 1; k <= n; ++k)
        Add(MS::signalPlot, Curve(Set(k).baselineGrid, Set(k).baselineLine, 1, 100), 14,
            Rgb(150, 200, 250));
    // With c(M) smoothing the fit's curves take the place of the extrapolations, between
    // meniscus and bottom.
    auto fitCurve = [](MStarSet& set, std::vector<float>& x, std::vector<float>& y) {
        return Curve(x, y, set.meniscusIndex + 1, set.bottomIndex - 1);
    };
    for (int k = 1; k <= n; ++k)
        Add(MS::signalPlot,
            cm ? fitCurve(Set(k), Set(k).workRadius, Set(k).cmFit)
               : Curve(Set(k).meniscusGrid, Set(k).meniscusExtrapolation, 1, 100),
            -1, Rgb(255, 0, 0));
    if (!cm)
        for (int k = 1; k <= n; ++k)
            Add(MS::signalPlot, PointCurve(Set(k).meniscusPointX, Set(k).meniscusPointY, 2), 1,
                Rgb(255, 0, 0));
    for (int k = 1; k <= n; ++k)
        Add(MS::mstarPlot,
            Curve(Set(k).workRadius, Set(k).mstar, Set(k).firstIndex, Set(k).lastIndex - 1), -1,
            Rgb(100, 0, 0));
    for (int k = 1; k <= n; ++k)
        Add(MS::mstarPlot,
            cm ? fitCurve(Set(k), Set(k).workRadius, Set(k).mstarFromCM)
               : Curve(Set(k).bottomGrid, Set(k).bottomExtrapolation, 1, 100),
            -1, Rgb(255, 0, 0));
    for (int k = 1; k <= n; ++k)
        Add(MS::mstarPlot, PointCurve(Set(k).mwPointX, Set(k).mwPointY, 1), 1, Rgb(255, 0, 0));
    for (int k = 1; k <= n; ++k)
        Add(MS::lnCPlot,
            Curve(Set(k).rSquared, Set(k).lnC, Set(k).firstIndex, Set(k).lastIndex - 1), -1,
            cm ? Rgb(0, 0, 0) : Rgb(175, 175, 255));
    for (int k = 1; k <= n && cm; ++k)
        Add(MS::lnCPlot, fitCurve(Set(k), Set(k).rSquared, Set(k).lnCFromCM), -1, Rgb(255, 50, 50));
    // Scan 1 alone draws its smoothed ln c in red and its straight line in green.
    for (int k = 1; k <= n && !cm; ++k)
        Add(MS::lnCPlot,
            Curve(Set(k).rSquared, Set(k).lnCSmoothed, Set(k).firstIndex + w,
                  Set(k).lastIndex - w - 1),
            -1, one ? Rgb(200, 0, 0) : Rgb(0, 200, 0));
    for (int k = 1; k <= n && !cm; ++k)
        Add(MS::lnCPlot,
            Curve(Set(k).rSquared, Set(k).lnCLinearFit, Set(k).firstIndex, Set(k).lastIndex - 1),
            14, one ? Rgb(50, 200, 50) : Rgb(100, 100, 200));
    for (int k = 1; k <= n; ++k) {
        MStarSet& set = Set(k);
        std::vector<float>& mapp = MappOf(set);
        Add(MS::mappPlot,
            Curve(MappAgainstSignal() ? set.signal : set.workRadius, mapp, set.firstIndex + w + w2,
                  set.lastIndex - w - w2 - 1),
            -1, Rgb(0, 100, 0));
        if (cm)
            Add(MS::mappPlot,
                fitCurve(set, MS::mappVersusSignal ? set.cmFit : set.workRadius, set.mappFromCM),
                -1, Rgb(255, 50, 50));
    }
}

// The plots' ranges from the data of every set inside the limits.
void SetPlotRanges(int n, bool cm, bool one) {
    const int w = MS::lnCSmoothHalfWidth, w2 = MS::mappSmoothHalfWidth;
    const float m = ModelParameters::meniscus, B = ModelParameters::bottom;
    float lo = 1e30f, hi = -1e30f, mLo = 1e30f, mHi = -1e30f, lLo = 1e30f, lHi = -1e30f;
    float aLo = 1e30f, aHi = -1e30f, largestMw = 0.0f, largestSignal = 0.0f;
    for (int k = 1; k <= n; ++k) {
        const MStarSet& set = Set(k);
        auto span = [](const std::vector<float>& v, int from, int to, float& a, float& b) {
            for (int i = std::max(from, 1); i <= to && i < static_cast<int>(v.size()); ++i)
                a = std::min(a, v[std::size_t(i)]), b = std::max(b, v[std::size_t(i)]);
        };
        span(set.signal, set.meniscusIndex + 1, std::min(set.bottomIndex - 1, set.pointCount), lo,
             hi);
        // With c(M) smoothing the fit's curves stand where the extrapolations stand without it
        // (the extrapolations are not computed then).
        if (cm) {
            span(set.cmFit, set.meniscusIndex + 1, set.lastIndex - 1, lo, hi);
        } else if (set.meniscusExtrapolation.size() > 100) {
            for (float v : {set.meniscusExtrapolation[1], set.meniscusExtrapolation[100]})
                lo = std::min(lo, v), hi = std::max(hi, v);
        }
        span(set.mstar, set.firstIndex + 1, set.lastIndex - 1, mLo, mHi);
        span(set.lnC, set.firstIndex + 1, set.lastIndex - 1, lLo, lHi);
        if (cm)
            span(set.mstarFromCM, set.firstIndex + 1, set.bottomIndex - 1, mLo, mHi);
        else if (set.bottomExtrapolation.size() > 100)
            mLo = std::min(mLo, set.bottomExtrapolation[100]),
            mHi = std::max(mHi, set.bottomExtrapolation[100]);
        const std::vector<float>& mapp = MappOf(const_cast<MStarSet&>(set));
        for (int i = set.firstIndex + w + w2 + 1; i <= set.lastIndex - w - w2 - 1; ++i)
            aLo = std::min(aLo, mapp[std::size_t(i)]), aHi = std::max(aHi, mapp[std::size_t(i)]);
        largestMw = std::max(largestMw, set.mwAverage);
        const int at = set.lastIndex - w - w2 - 1;
        if (at >= 1 && at <= set.pointCount)
            largestSignal = std::max(largestSignal, set.signal[std::size_t(at)]);
    }
    float bottom = 0.0f, top = 1.0f;
    if (lo <= hi)
        Margins(lo, hi, 0.05f, bottom, top);
    if (one) {
        // One data set: the signal plot takes the range of its curves.
        MS::signalPlot->xFixed = MS::signalPlot->yFixed = 0;
        MS::signalPlot->AutoScale();
    } else {
        MS::signalPlot->SetRanges(m - 0.01f, B + 0.01f, bottom, top);
    }
    if (mLo <= mHi) {
        // The top stays below 1.5 times the largest molar mass of a loading; M* from 0.
        if (largestMw > 0.0f)
            mHi = std::min(mHi, 1.5f * largestMw);
        mLo = std::max(mLo, 0.0f);
        top = mHi + 0.05f * (mHi - mLo);
        bottom = mLo > 0.0f ? mLo - 0.05f * (top - mLo) : mLo;
        if (!(top > bottom))
            top = bottom + 1.0f;
        if (one)
            MS::mstarPlot->SetRanges(m, B, bottom, top);
        else
            MS::mstarPlot->SetRanges(m - 0.01f, B + 0.01f, bottom, top);
    }
    if (lLo <= lHi) {
        Margins(lLo, lHi, 0.05f, bottom, top);
        MS::lnCPlot->SetRanges(m * m, B * B, bottom, top);
    }
    if (aLo <= aHi) {
        Margins(aLo, aHi, 0.3f, bottom, top);
        if (MappAgainstSignal())
            MS::mappPlot->SetRanges(0.0f, largestSignal > 0.0f ? 1.1f * largestSignal : 1.0f,
                                    bottom, top);
        else
            MS::mappPlot->SetRanges(m, B, bottom, top);
    }
}

void SetCurvesAndRanges() {
    for (CWINPlot* plot : {MS::signalPlot, MS::mstarPlot, MS::lnCPlot, MS::mappPlot})
        if (plot)
            plot->RemoveAllCurves();
    gCurves.clear();
    gViews.clear();
    if (!MS::signalPlot || !MS::mstarPlot || !MS::lnCPlot || !MS::mappPlot)
        return;
    const int n = SetCount();
    const bool cm = MS::useCMSmoothing && MS::multiSet; // one data set has no c(M)
    const bool one = !MS::multiSet;
    AddSetCurves(n, cm, one);
    SetPlotRanges(n, cm, one);
    for (CWINPlot* plot : {MS::signalPlot, MS::mstarPlot, MS::lnCPlot, MS::mappPlot})
        plot->Draw();
}

// Button geometry: w = 0.018 H, len(t) = factor x strlen(t) x W / 1400.
struct Geometry {
    float w = 0.0f, W = 0.0f;
    float Len(const char* text, float factor = 2.5f) const {
        return factor * static_cast<float>(std::strlen(text)) * W / 1400.0f;
    }
};

CScreenButton* MakeButton(const char* off, const char* on, float a, float b, float c, float d,
                          COLORREF offFill, COLORREF onFill, bool startsOn) {
    auto* button = new CScreenButton();
    button->SetRect(a, b, c, d);
    button->SetTexts(off, int(std::strlen(off)), on, int(std::strlen(on)));
    button->kind = 1;
    button->SetLabelStyle2();
    button->offFaceColour = offFill;
    button->onFaceColour = onFill;
    button->on = startsOn;
    button->Rebuild();
    return button;
}

void Label(int index, const char* text) {
    if (index < 1 || index > MS::buttonCount)
        return;
    CScreenButton* button = MS::buttons[static_cast<std::size_t>(index)];
    if (!button)
        return;
    button->SetTexts(text, int(std::strlen(text)), text, int(std::strlen(text)));
    button->Rebuild();
}

void LabelSingleResults() {
    const int F = MS::firstSetButton;
    const MStarSet& set = Set(1);
    char text[200];
    std::snprintf(text, sizeof text, "Mwavg = %.1f kDa", double(set.mwAverage));
    Label(F + 1, text);
    std::snprintf(text, sizeof text, "linear fit to lnc(r^2) --> %.1f (kDa)",
                  double(set.mwLinearFit));
    Label(F + 2, text);
    std::snprintf(text, sizeof text, "Baseline = %.4f", double(ModelParameters::baseline));
    Label(F + 3, text);
    std::snprintf(text, sizeof text, set.interference ? "Ja = %.4f" : "A0 = %.4f",
                  double(set.meniscusSignal));
    if (MS::meniscusSignalFixed)
        std::strcat(text, " (fix)");
    if (!MS::meniscusRangeDragPending)
        Label(F + 4, text);
}

void LabelResults() {
    const int n = SetCount(), F = MS::firstSetButton;
    char text[200];
    for (int k = 1; k <= n; ++k) {
        std::snprintf(text, sizeof text, "Mwavg(%d) = %.1f (kDa)", k, double(Set(k).mwAverage));
        Label(F + k, text);
        if (!MS::useCMSmoothing) {
            std::snprintf(text, sizeof text, "linear fit to lnc(r^2)(%d) --> %.1f (kDa)", k,
                          double(Set(k).mwLinearFit));
            Label(F + n + k, text);
        }
        if (ModelChoice::fitRINoise)
            std::snprintf(text, sizeof text, "Baseline(%d) = %.4f", k, double(MStarBaseline(k)));
        else
            std::snprintf(text, sizeof text, "Baseline = %.4f", double(ModelParameters::baseline));
        if (CScreenButton* b = F + 2 * n + k <= MS::buttonCount
                                   ? MS::buttons[static_cast<std::size_t>(F + 2 * n + k)]
                                   : nullptr) {
            b->SetTexts(text, int(std::strlen(text)), "set", 3);
            b->Rebuild();
        }
        std::snprintf(text, sizeof text, Set(k).interference ? "Ja(%d) = %.4f" : "A0(%d) = %.4f", k,
                      double(Set(k).meniscusSignal));
        if (MS::meniscusSignalFixed)
            std::strcat(text, " (fix)");
        // While a drag of the meniscus range is awaited these buttons say how to give it.
        if (!MS::meniscusRangeDragPending)
            Label(F + 3 * n + k, text);
    }
}

} // namespace

float MStarBaseline(int k) {
    if (ModelChoice::fitRINoise && S::riNoise && k >= 1 && k <= S::scanCount)
        return S::riNoise[k];
    return ModelParameters::baseline;
}

bool MStarLimitsUsable() {
    const float m = ModelParameters::meniscus, B = ModelParameters::bottom;
    const float L = S::leftFitLimit, R = S::rightFitLimit;
    return m > 0.0f && m < B && L < R && R > m && L < B;
}

void SetInitialMStarRanges() {
    const float L = S::leftFitLimit, R = S::rightFitLimit;
    MS::meniscusFitRange[1] = L;
    MS::meniscusFitRange[2] = L + 0.2f * (R - L);
    MS::bottomFitRange[1] = R - 0.005f - 0.2f * (R - L);
    MS::bottomFitRange[2] = R - 0.005f;
}

namespace {

// The clamps of fitting limits and extrapolation ranges before every computation.
void ClampLimitsAndRanges() {
    const float m = ModelParameters::meniscus, B = ModelParameters::bottom;
    // Limits inside the cell, then the extrapolation ranges inside the limits.
    if (S::leftFitLimit < m)
        S::leftFitLimit = m + 0.01f;
    if (S::rightFitLimit > B)
        S::rightFitLimit = B - 0.01f;
    const float L = S::leftFitLimit, R = S::rightFitLimit;
    for (float* range : {MS::meniscusFitRange, MS::bottomFitRange}) {
        if (range[2] < range[1])
            std::swap(range[1], range[2]);
        if (range[1] < m)
            range[1] = m + 0.01f;
        if (range[2] > B)
            range[2] = B - 0.01f;
        if (range[1] < L)
            range[1] = L;
        if (range[2] > R)
            range[2] = R;
    }
}

} // namespace

void ComputeMStarMulti(TXLAWindow* window) {
    const float m = ModelParameters::meniscus, B = ModelParameters::bottom;
    ClampLimitsAndRanges();
    const float L = S::leftFitLimit, R = S::rightFitLimit;
    const int n = S::scanCount;
    const bool rebuilt = static_cast<int>(MS::sets.size()) == n + 1;
    if (!rebuilt)
        MS::sets.assign(static_cast<std::size_t>(n) + 1, MStarSet{});
    else
        MS::workCopiesRebuilt = true;
    const bool cm = MS::useCMSmoothing;
    bool missing = false;
    for (int k = 1; k <= n; ++k) {
        MStarSet& set = Set(k);
        PrepareMStarSet(set, S::radius[k], S::signal[k], S::pointCount[k],
                        S::firstFitIndex ? S::firstFitIndex[k] : 0,
                        S::lastFitIndex ? S::lastFitIndex[k] : 0, m, B,
                        cm && S::fit ? S::fit[k] : nullptr);
        set.interference = Interference(k);
        // The c(M) fit stands in for the data at meniscus and bottom: the data must reach both.
        if (cm && (set.meniscusPad > 0 || set.bottomPad > 0 || !S::fit || !S::fit[k]))
            missing = true;
    }
    if (missing) {
        ShowNotice(window,
                   "ERROR:  Data Range Must Include Meniscus and Bottom for c(M) smoothing of "
                   "MSTAR\n(manually edit the data file and append a few 'data points' beyond the "
                   "desired bottom radius)",
                   "MISSING DATA");
        SwitchOffCMSmoothing(window);
        return;
    }
    for (int k = 1; k <= n; ++k) {
        MStarSet& set = Set(k);
        const MStarFrame frame{m, B, L, R, MStarBaseline(k)};
        if (!ComputeMStarSet(set, frame, MStarKFactor(S::header[k].rotorSpeed))) {
            // A fit that is zero throughout (none made yet) or that starts too close to the
            // bottom has no line to the meniscus or to the bottom.
            ShowNotice(window,
                       "ERROR:  the c(M) fit has no positive values near meniscus and bottom: "
                       "fit c(M) first\nc(M) smoothing is switched off",
                       "M* transformation");
            SwitchOffCMSmoothing(window);
            return;
        }
    }
    SetCurvesAndRanges();
    LabelResults();
    WindowServices::RequestRepaint(window);
}

void ComputeMStarSingle(TXLAWindow* window) {
    if (S::scanCount < 1)
        return;
    const float m = ModelParameters::meniscus, B = ModelParameters::bottom;
    ClampLimitsAndRanges();
    const float L = S::leftFitLimit, R = S::rightFitLimit;
    if (static_cast<int>(MS::sets.size()) == 2)
        MS::workCopiesRebuilt = true;
    else
        MS::sets.assign(2, MStarSet{});
    MStarSet& set = Set(1);
    // No c(M) smoothing here: the switch is only read by the analysis of several sets.
    const bool cm = MS::useCMSmoothing;
    MS::useCMSmoothing = false;
    PrepareMStarSet(set, S::radius[1], S::signal[1], S::pointCount[1],
                    S::firstFitIndex ? S::firstFitIndex[1] : 0,
                    S::lastFitIndex ? S::lastFitIndex[1] : 0, m, B);
    set.interference = Interference(1);
    const MStarFrame frame{m, B, L, R, ModelParameters::baseline, true};
    // K of scan 1 itself: with scans of several speeds loaded, the last one's speed gave
    // scan 1 a molar mass off by the square of the speed ratio.
    ComputeMStarSet(set, frame, MStarKFactor(S::header[1].rotorSpeed));
    set.meniscusPointX[2] = B; // the point's line ends at the bottom, inside the automatic range
    MS::useCMSmoothing = cm;
    // The working-copy indices of the meniscus range, for the baseline estimate.
    MS::meniscusFitIndexRange[1] = MS::meniscusFitIndexRange[2] = 1;
    for (int i = 1; i <= set.pointCount; ++i)
        if (set.workRadius[std::size_t(i)] > MS::meniscusFitRange[1]) {
            MS::meniscusFitIndexRange[1] = i;
            break;
        }
    for (int j = 2; j <= set.pointCount; ++j)
        if (set.workRadius[std::size_t(j)] > MS::meniscusFitRange[2]) {
            MS::meniscusFitIndexRange[2] = j - 1;
            break;
        }
    SetCurvesAndRanges();
    LabelSingleResults();
    WindowServices::RequestRepaint(window);
}

void SwitchOffCMSmoothing(TXLAWindow* window) {
    MS::workCopiesRebuilt = false;
    MS::useCMSmoothing = false;
    MS::mayAskCMSmoothing = false;
    MS::sets.clear();
    RunMStarTransformation(window);
}

void DeleteMStarScreenButtons() {
    for (CScreenButton* button : MS::buttons)
        delete button;
    MS::buttons.clear();
    MS::buttonCount = 0;
}

void DrawMStarScreen(TXLAWindow* window) {
    DeleteMStarScreenButtons();
    const int n = MS::multiSet ? S::scanCount : 1;
    MS::buttonCount = 4 * n + 9;
    MS::buttons.assign(static_cast<std::size_t>(MS::buttonCount) + 1, nullptr);
    Geometry g;
    const ClientArea client = ClientAreaOf(window);
    const float H = client.height;
    g.W = client.width;
    g.w = 0.001f * H * 18.0f;
    const float w = g.w;
    const float xL = 50, xLr = 450, xR = 525, yT = 75, yB = 550, yBb = 975;
    auto put = [](int i, CScreenButton* b) { MS::buttons[static_cast<std::size_t>(i)] = b; };
    char text[200];
    const bool cm = MS::useCMSmoothing;
    if (!cm)
        put(1, MakeButton("extrap.", "extrap.", xL + 0.5f * w, yT + 130, xL + 1.5f * w,
                          yT + 160 + g.Len("extrap."), 0xf0f0f0, 0xc8c8ff, false));
    std::snprintf(text, sizeof text, "SG smooth = %.1f %%(%d)", 0.1 * MS::lnCSmoothHalfWidth,
                  MS::lnCSmoothOrder);
    put(2, MakeButton(text, text, xL + 0.5f * w, yB + 235, xL + 1.5f * w, yB + 295 + g.Len(text),
                      0xffe6e6, 0xc8c8ff, false));
    std::snprintf(text, sizeof text, "SG smooth = %.1f %%(box)", 0.1 * MS::mappSmoothHalfWidth);
    put(3, MakeButton(text, text, xR + 0.5f * w, yB + 235, xR + 1.5f * w, yB + 295 + g.Len(text),
                      0xffe6e6, 0xc8c8ff, false));
    if (!cm)
        put(4, MakeButton("extrap.", "extrap.", xR + 0.5f * w, 570 - g.Len("extrap."),
                          xR + 1.5f * w, 600, 0xf0f0f0, 0xc8c8ff, false));
    // Also over scan 1 alone when more scans are loaded; a click there only recomputes.
    if (S::scanCount >= 2)
        put(5, MakeButton("RI off", "RI on ", xL - 1 - w, 622, xL - 2, 672 + g.Len("RI off"),
                          0xf0f0f0, 0xc8faff, ModelChoice::fitRINoise));
    put(6, MakeButton("c(M) off", "c(M) on ", xL - 1 - 2 * w, 622, xL - 2 - w,
                      722 + g.Len("c(M) off"), 0xf0f0f0, 0xc8c8ff, cm));
    put(7, MakeButton(" hinge point info ", " hinge point info ", xL - 1 - 2 * w, 747, xL - 2 - w,
                      797 + g.Len(" hinge point info "), 0xf0f0f0, 0xc8c8ff, false));
    const char* formulaOn = " toggle to (1/2)(1/(c*r))(dc/dr)";
    put(8, MakeButton(" toggle to dlnc/dr2", formulaOn, xR + 1.75f * w, yB + 115, xR + 2.75f * w,
                      yB + 175 + g.Len(formulaOn), 0xffd2d2, 0xffdcdc, false));
    const int F = MS::firstSetButton;
    // Scan 1 alone: its texts carry no index, and its baseline is the model's.
    const bool one = !MS::multiSet;
    for (int s = 1; s <= n; ++s) {
        const MStarSet* set = s < static_cast<int>(MS::sets.size()) ? &Set(s) : nullptr;
        const double mw = set ? double(set->mwAverage) : 0.0;
        if (one)
            std::snprintf(text, sizeof text, "Mwavg = %.1f (kDa)", mw);
        else
            std::snprintf(text, sizeof text, "Mwavg(%d) = %.1f (kDa)", s, mw);
        put(F + s, MakeButton(text, text, xR + float(s + 1) * w, 570 - g.Len(text),
                              xR + float(s + 2) * w, 600, 0xffffff, 0xffffff, false));
        if (!cm) {
            const double linear = set ? double(set->mwLinearFit) : 0.0;
            if (one)
                std::snprintf(text, sizeof text, "linear fit to lnc(r^2) --> %.1f (kDa)", linear);
            else
                std::snprintf(text, sizeof text, "linear fit to lnc(r^2)(%d) --> %.1f (kDa)", s,
                              linear);
            put(F + n + s,
                MakeButton(text, text, xLr - float(11 - s) * w, yBb + 250, xLr - float(10 - s) * w,
                           yBb + 310 + g.Len(text), 0xffffff, 0xffffff, false));
        }
        if (ModelChoice::fitRINoise && !one)
            std::snprintf(text, sizeof text, "Baseline(%d) = %.4f", s, double(MStarBaseline(s)));
        else
            std::snprintf(text, sizeof text, "Baseline = %.4f", double(ModelParameters::baseline));
        put(F + 2 * n + s,
            MakeButton(text, "set", xL - 1 - float(3 - s) * w, 560 - g.Len(text, 3.0f),
                       xL - float(2 - s) * w, 620, 0xffc796, 0x9696ff, false));
        const bool ja = set && set->interference;
        const double a0 = set ? double(set->meniscusSignal) : 0.0;
        if (one)
            std::snprintf(text, sizeof text, ja ? "Ja = %.4f" : "A0 = %.4f", a0);
        else
            std::snprintf(text, sizeof text, ja ? "Ja(%d) = %.4f" : "A0(%d) = %.4f", s, a0);
        put(F + 3 * n + s,
            MakeButton(text, text, xL + (float(s) - 0.5f) * w, yT + 35, xL + (float(s) + 0.5f) * w,
                       yT + 95 + g.Len(text), 0xf0f0ff, 0xc8c8ff, false));
    }
    put(4 * n + 9,
        MakeButton("go to Mwapp(r)", "go to Mwapp(c)", xR + 0.5f * w, yB + 115, xR + 1.5f * w,
                   yB + 175 + g.Len("go to Mwapp(c)"), 0xffd2d2, 0xffdcdc, false));
}

void RebuildMappPlot() {
    if (!MS::mappPlot)
        return;
    MS::mappPlot->SetXLabel(MappAgainstSignal() ? "total signal" : "radius (cm)");
    MS::mappPlot->SetYLabel(MappLabel());
    SetCurvesAndRanges();
}

void RunMStarTransformation(TXLAWindow* window) {
    MS::mayAskCMSmoothing = true;
    MS::active = true;
    MS::multiSet = true;
    BuildMStarPlots();
    ComputeMStarMulti(window);
    DrawMStarScreen(window);
    WindowServices::RequestRepaint(window);
}

void BuildMStarPlots() {
    const bool interference = S::scanCount >= 1 && Interference(1);
    if (!MS::signalPlot) {
        SetInitialMStarRanges();
        MS::signalPlot = NewPlot(50, 75, 450, 450, "radius (cm)",
                                 interference ? "signal (fringes)" : "signal (OD)");
        MS::savedDataPlot = S::dataPlot;
        MS::savedDistPlotRect[0] = S::distPlotRect[0];
        MS::savedDistPlotRect[1] = S::distPlotRect[1];
        S::dataPlot = MS::signalPlot;
        S::distPlotRect[0] = 50;
        S::distPlotRect[1] = 450;
    }
    if (!MS::mstarPlot)
        MS::mstarPlot = NewPlot(525, 75, 925, 450, "radius (cm)", "M* (kDa)");
    if (!MS::lnCPlot)
        MS::lnCPlot = NewPlot(50, 550, 450, 975, "r^2(cm^2)", "ln(signal-baseline)");
    if (!MS::mappPlot)
        MS::mappPlot = NewPlot(525, 550, 925, 975,
                               MappAgainstSignal() ? "total signal" : "radius (cm)", MappLabel());
    // One data set draws smaller symbols: 3 on the signal, 2 on M* (the mark size follows the
    // plot built last).
    if (!MS::multiSet) {
        MS::signalPlot->markSize = 3;
        MS::mstarPlot->markSize = 2;
        gMarkSize = 3;
    }
}

void LeaveMStarMulti(TXLAWindow* window) {
    FreeMStarPlots();
    MS::active = false;
    MS::multiSet = false;
    MS::workCopiesRebuilt = false;
    WindowServices::RequestRepaint(window);
}

void FreeMStarPlots() {
    for (CWINPlot* plot : {MS::mappPlot, MS::lnCPlot, MS::mstarPlot, MS::signalPlot})
        if (plot)
            plot->RemoveAllCurves();
    gCurves.clear();
    gViews.clear();
    delete MS::mappPlot;
    delete MS::lnCPlot;
    delete MS::mstarPlot;
    if (MS::signalPlot) {
        delete MS::signalPlot;
        S::dataPlot = MS::savedDataPlot;
        S::distPlotRect[0] = MS::savedDistPlotRect[0];
        S::distPlotRect[1] = MS::savedDistPlotRect[1];
    }
    MS::mappPlot = MS::lnCPlot = MS::mstarPlot = MS::signalPlot = MS::savedDataPlot = nullptr;
    MS::sets.clear();
    DeleteMStarScreenButtons();
}
