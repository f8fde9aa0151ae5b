// The error-analysis commands: confidence intervals of s and M (or D) of the first species by the
// F-statistics rmsd criterion, and the rmsd error surfaces written as contour grids.
#include "app/busy_as_a_fit.h"
#include "app/save_dialogs.h"
#include "app/txla_window.h"
#include "fitting/error_analysis.h"
#include "foundations/input_boxes.h"
#include "foundations/key_polling.h"
#include "foundations/statistical_tests.h"
#include "scandata/scan_store_alloc.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace {

using M = ModelParameters;

// The points inside the fit limits over all scans.
long FitPointCount() {
    long n = 0;
    for (int k = 1; k <= ScanStore::scanCount; ++k)
        if (ScanStore::firstFitIndex && ScanStore::lastFitIndex &&
            ScanStore::lastFitIndex[k] >= ScanStore::firstFitIndex[k])
            n += ScanStore::lastFitIndex[k] - ScanStore::firstFitIndex[k] + 1;
    return n;
}

// Asks the confidence level, the test interval and whether the current parameters are the best
// fit; false when a question was cancelled or answered No.
bool AskConfidenceSettings(TXLAWindow* w, const char* caption, const char* intervalPrompt,
                           float intervalDefault, const char* question, float* level,
                           float* interval) {
    if (!InputPositiveFloat(w, level, 0.683f, true, "confidence level", caption))
        return false;
    if (!InputPositiveFloat(w, interval, intervalDefault, true, intervalPrompt, caption))
        return false;
    return w->MessageBox(question, caption, MB_YESNO) == IDYES;
}

float CriticalRmsd(float level) {
    const double n = static_cast<double>(FitPointCount());
    if (n < 2)
        return FitControl::bestRmsd;
    const double f = FCriticalRatio(level, n - 1, n);
    return static_cast<float>(FitControl::bestRmsd * std::sqrt(n / (n - 1) * f));
}

// One axis of a contour: minimum, maximum (both proposed as value) and increment (proposed as a
// fifth of the range); false when cancelled.
bool AskAxis(TXLAWindow* w, const char* caption, const char* name, float value, SurfaceAxis* a) {
    const std::string lo = std::string("minimum ") + name, hi = std::string("maximum ") + name,
                      inc = std::string(name) + " increment";
    if (!InputPositiveFloat(w, &a->minimum, value, true, lo.c_str(), caption) ||
        !InputPositiveFloat(w, &a->maximum, value, true, hi.c_str(), caption))
        return false;
    return InputPositiveFloat(w, &a->increment, (a->maximum - a->minimum) * 0.2f, true, inc.c_str(),
                              caption);
}

// The save dialog and the scan under the wait cursor.
template <typename Scan> void WriteContour(TXLAWindow* w, const char* defaultName, Scan scan) {
    std::string path;
    if (!AskSavePath(w, "save rmsd error surface as", defaultName, true, &path))
        return;
    const BusyAsAFit busy(*w);
    w->SetCursor(IDC_WAIT);
    scan(path);
    w->SetCursor(IDC_ARROW);
}

std::string Formatted(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// The search under the wait cursor, the window busy as during a Fit.
ConfidenceLimits SearchConfidenceLimits(TXLAWindow* w, int slot, float interval, float critical) {
    const BusyAsAFit busy(*w);
    w->SetCursor(IDC_WAIT);
    const ConfidenceLimits r =
        FindConfidenceLimits(w, w->computeObserver, slot, interval, critical);
    w->SetCursor(IDC_ARROW);
    return r;
}

// Why a side has no limit, or empty when it has one.
std::string MissingLimit(const char* side, LimitSearch search, const std::string& interval) {
    switch (search) {
    case LimitSearch::Found:
        return {};
    case LimitSearch::NoCrossing:
        return std::string("\nno ") + side + " limit found: the rmsd stayed below the critical " +
               "value over " + std::to_string(kConfidenceSteps) + " steps of " + interval;
    case LimitSearch::Stopped:
        break;
    }
    return std::string("\nno ") + side + " limit found: the search was stopped by " +
           (LastStopByMouse() ? "the mouse" : "a key press");
}

// "name = value [lower, upper] unit\n(critical rmsd value is c)"; a limit that was not found is
// shown as "none", with a line on why.
void ShowConfidenceLimits(TXLAWindow* w, const char* caption, const char* name, const char* format,
                          const char* unit, float value, const ConfidenceLimits& r, float interval,
                          float critical) {
    auto limit = [&](LimitSearch search, float v) {
        return search == LimitSearch::Found ? Formatted(format, v) : std::string("none");
    };
    const std::string step = Formatted("%g", interval);
    const std::string text =
        std::string(name) + " = " + Formatted(format, value) + " [" +
        limit(r.lowerSearch, r.lower) + ", " + limit(r.upperSearch, r.upper) + "] " + unit +
        "\n(critical rmsd value is " + Formatted("%f", critical) + ")" +
        MissingLimit("lower", r.lowerSearch, step) + MissingLimit("upper", r.upperSearch, step);
    w->MessageBox(text.c_str(), caption, MB_OK);
}

} // namespace

void TXLAWindow::CmErrorInS() {
    if (ScanStore::scanCount < 1)
        return;
    const char* caption = "calculate error in s";
    float level = 0, interval = 0;
    if (!AskConfidenceSettings(this, caption, "test interval for s", 0.01f,
                               "are current parameters best fit? \nuncheck s (first component "
                               "only), but float all other unknowns",
                               &level, &interval))
        return;
    const float critical = CriticalRmsd(level);
    const ConfidenceLimits r = SearchConfidenceLimits(this, kSlotS1, interval, critical);
    // Both found: "s = %.3f [%.3f, %.3f] S\n(critical rmsd value is %f)".
    ShowConfidenceLimits(this, caption, "s", "%.3f", "S", M::fitValues[kSlotS1], r, interval,
                         critical);
}

void TXLAWindow::CmErrorInM() {
    if (ScanStore::scanCount < 1)
        return;
    const char* caption = "calculate error in M";
    const bool ms = ModelChoice::equilibriumMs;
    float level = 0, interval = 0;
    if (!AskConfidenceSettings(this, caption, "test interval for M", ms ? 100.0f : 0.01f,
                               "are current parameters best fit? \nuncheck M (first component "
                               "only), but float all other unknowns",
                               &level, &interval))
        return;
    const float critical = CriticalRmsd(level);
    const ConfidenceLimits r = SearchConfidenceLimits(this, kSlotDOrM1, interval, critical);
    // Both found: "M = %.0f [%.0f, %.0f] Da\n(critical rmsd value is %f)", or
    // "D = %.3f [%.3f, %.3f] 1e-7 cm^2/sec\n(critical rmsd value is %f)".
    if (ms)
        ShowConfidenceLimits(this, caption, "M", "%.0f", "Da", M::fitValues[kSlotDOrM1], r,
                             interval, critical);
    else
        ShowConfidenceLimits(this, caption, "D", "%.3f", "1e-7 cm^2/sec", M::fitValues[kSlotDOrM1],
                             r, interval, critical);
}

void TXLAWindow::CmContourSM() {
    const char* caption = "s and M Contour";
    SurfaceAxis s, m;
    float level = 0, s1 = 0, s2 = 0;
    if (!AskAxis(this, caption, "s", M::speciesS[1], &s) ||
        !AskAxis(this, caption, "M", M::speciesDOrM[1], &m) ||
        !InputPositiveFloat(this, &level, 0.01f, true, "rmsd contour level (0 for all)", caption) ||
        !InputPositiveFloat(this, &s1, M::speciesS[1], true, "starting s1", "s1 and M Contour") ||
        !InputPositiveFloat(this, &s2, M::speciesS[2], true, "starting s2", "s1 and M Contour"))
        return;
    if (SurfaceAxisCount(s) == 0 || SurfaceAxisCount(m) == 0)
        return;
    WriteContour(this, "contour.dat", [&](const std::string& path) {
        ScanErrorSurfaceSM(this, computeObserver, path, s, m, level, s1, s2);
    });
}

void TXLAWindow::CmContourS1S2() {
    const char* caption = "s1,s2 Contour";
    SurfaceAxis a, b;
    float level = 0, s1 = 0, s2 = 0;
    if (!AskAxis(this, caption, "s1", M::speciesS[1], &a) ||
        !AskAxis(this, caption, "s2", M::speciesS[2], &b) ||
        !InputPositiveFloat(this, &level, 0.01f, true, "rmsd contour level (0 for all)", caption) ||
        !InputPositiveFloat(this, &s1, M::speciesS[1], true, "starting s1", caption) ||
        !InputPositiveFloat(this, &s2, M::speciesS[2], true, "starting s2", caption))
        return;
    if (SurfaceAxisCount(a) == 0 || SurfaceAxisCount(b) == 0)
        return;
    WriteContour(this, "contour.dat", [&](const std::string& path) {
        ScanErrorSurface2D(this, computeObserver, path, a, b, level, s1, s2);
    });
}

void TXLAWindow::CmContourK() {
    const char* caption = "K Contour";
    SurfaceAxis k;
    if (!AskAxis(this, caption, "lg(K)", M::fitValues[kSlotLogK], &k) || SurfaceAxisCount(k) == 0)
        return;
    WriteContour(this, "Kcontour.dat", [&](const std::string& path) {
        ScanErrorSurfaceK(this, computeObserver, path, k);
    });
}
