// The error-analysis commands: confidence intervals of s and M (or D) of the first species by the
// F-statistics rmsd criterion, and the rmsd error surfaces written as contour grids.
#include "app/save_dialogs.h"
#include "app/txla_window.h"
#include "fitting/error_analysis.h"
#include "foundations/input_boxes.h"
#include "foundations/statistical_tests.h"
#include "scandata/scan_store.h"
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
    w->SetCursor(IDC_WAIT);
    scan(path);
    w->SetCursor(IDC_ARROW);
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
    SetCursor(IDC_WAIT);
    const float critical = CriticalRmsd(level);
    float lo = 0, hi = 0;
    FindConfidenceLimitS(this, interval, critical, &lo, &hi);
    SetCursor(IDC_ARROW);
    char text[200];
    std::snprintf(text, sizeof text, "s = %.3f [%.3f, %.3f] S\n(critical rmsd value is %f)",
                  M::fitValues[kSlotS1], lo, hi, critical);
    MessageBox(text, caption, MB_OK);
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
    SetCursor(IDC_WAIT);
    const float critical = CriticalRmsd(level);
    float lo = 0, hi = 0;
    FindConfidenceLimitM(this, interval, critical, &lo, &hi);
    SetCursor(IDC_ARROW);
    char text[200];
    std::snprintf(text, sizeof text,
                  ms ? "M = %.0f [%.0f, %.0f] Da\n(critical rmsd value is %f)"
                     : "D = %.3f [%.3f, %.3f] 1e-7 cm^2/sec\n(critical rmsd value is %f)",
                  M::fitValues[kSlotDOrM1], lo, hi, critical);
    MessageBox(text, caption, MB_OK);
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
        ScanErrorSurfaceSM(this, path, s, m, level, s1, s2);
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
        ScanErrorSurface2D(this, path, a, b, level, s1, s2);
    });
}

void TXLAWindow::CmContourK() {
    const char* caption = "K Contour";
    SurfaceAxis k;
    if (!AskAxis(this, caption, "lg(K)", M::fitValues[kSlotLogK], &k) || SurfaceAxisCount(k) == 0)
        return;
    WriteContour(this, "Kcontour.dat",
                 [&](const std::string& path) { ScanErrorSurfaceK(this, path, k); });
}
