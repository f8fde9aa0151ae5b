// The parameter report's text and where it goes.
#include "fitting/parameter_report.h"

#include "fitting/discrete_component_choice.h"
#include "fitting/solvent_fit_parameters.h"
#include "foundations/c_locale.h"
#include "foundations/shape_models.h"
#include "foundations/statistical_tests.h"
#include "plat/atomic_file.hpp"
#include "plat/clipboard.hpp"
#include "plat/window_dc.hpp"
#include "simulation/inhomogeneous_solvent.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/fluorophore.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/scan_store.h"
#include "state/window_services.h"

#include <cmath>
#include <cstdio>

namespace {

using M = ModelParameters;

const char* Floated(std::int32_t flag) {
    return flag ? " (f)" : "";
}

std::string Format(const char* format, auto... values) {
    char text[256];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

void SpeciesLines(std::vector<std::string>& lines) {
    const bool massForm = ModelChoice::equilibriumMs;
    for (int k = 1; k <= M::maxSpecies; ++k) {
        if (!M::speciesIncluded[k])
            continue;
        const float loading =
            M::speciesLoading[k] != 0.0f ? M::speciesLoading[k] : M::concentration[k];
        lines.push_back(Format(
            "species %d: s = %.4g S%s, %s = %.4g %s%s, loading = %.4g%s", k, double(M::speciesS[k]),
            Floated(M::speciesSFloat[k]), massForm ? "M" : "D", double(M::speciesDOrM[k]),
            massForm ? "Da" : "e-7 cm^2/s", Floated(M::speciesDOrMFloat[k]), double(loading),
            ModelChoice::linearAmplitudes ? " (f)" : Floated(M::concentrationFloat[k])));
    }
}

void DistributionLines(std::vector<std::string>& lines) {
    lines.push_back(Format("range %.4g to %.4g, resolution %.0f, P = %.3g",
                           double(ContiState::rangeMin), double(ContiState::rangeMax),
                           double(ContiState::resolution), double(ContiState::confidenceLevel)));
    lines.push_back(
        Format("f/f0 = %.4g%s", double(gFrictionalRatio), Floated(ContiState::ff0Float)));
    // The law of the models that tie s and D to the abscissa otherwise.
    if (ModelChoice::csFloatingVbar)
        lines.push_back(
            Format("vbar = %.4g ml/g%s", double(ScanStore::vbar), Floated(ContiState::vbarFloat)));
    if (ModelChoice::cmInvariantD && !ModelChoice::cvElectrophoresis)
        lines.push_back(Format("invariant D = %.4g e-7 cm^2/s, abscissa buoyant molar mass",
                               ContiState::invariantD * 1e7));
    if (ModelChoice::fMvsM)
        lines.push_back(Format("scaling law s = %.4g M^%.4g", double(ShapeModels::scalingKs),
                               double(ShapeModels::scalingExponent)));
    if (!DiscreteComponentOn())
        return;
    using C = ContiState;
    const bool mass = DiscreteComponentByMass();
    lines.push_back(Format("discrete component: s = %.4g S%s, %s = %.4g %s%s, loading = %.4g",
                           double(C::discreteS), Floated(C::discreteSFloat), mass ? "M" : "D",
                           double(mass ? C::discreteM : C::discreteD), mass ? "Da" : "e-7 cm^2/s",
                           Floated(mass ? C::discreteMFloat : C::discreteDFloat),
                           double(C::discreteLoading)));
}

// In an inhomogeneous solvent vbar shapes the buoyancy along the cell, against a sedimenting
// cosolute the vbar including solvation; the one of the two that enters the gradient may be
// fitted.
void SolventVbarLines(std::vector<std::string>& lines) {
    const bool cosolute = InhomogeneousSolvent::sedimentingCosolute;
    const bool fitted = SolventVbarFloated();
    lines.push_back(
        Format("vbar = %.4f ml/g%s", double(ScanStore::vbar), fitted && !cosolute ? " (f)" : ""));
    if (cosolute)
        lines.push_back(Format("vbar including solvation = %.4f ml/g%s",
                               double(InhomogeneousSolvent::macromoleculeVbar),
                               fitted ? " (f)" : ""));
}

// The detection corrections in force, with the values a fit may vary.
void DetectionLines(std::vector<std::string>& lines) {
    using D = DetectionCorrections;
    auto f = [](bool on) { return on ? " (f)" : ""; };
    if (D::gradientOn)
        lines.push_back(Format("radial magnification gradient 1+da/dr = %.4f%s",
                               double(D::gradientFactor), f(D::gradientFit)));
    if (D::driftOn && D::linearDriftOn)
        lines.push_back(Format("magnification drift = %.4f %%/h%s", 100.0 * D::linearDrift,
                               f(D::linearDriftFit)));
    if (D::driftOn && D::exponentialOn)
        lines.push_back(Format("photophysics rate = %.4f /h%s, limiting level = %.2f %%%s",
                               double(D::exponentialRate), f(D::exponentialRateFit),
                               100.0 * D::limitingLevel, f(D::limitingLevelFit)));
    if (D::shadowOn)
        lines.push_back(
            Format("excitation cone radius = %.4f cm%s", double(D::coneRadius), f(D::shadowFit)));
    if (D::convolutionOn)
        lines.push_back(Format("radial convolution width = %.4f cm%s", double(D::convolutionWidth),
                               f(D::convolutionFit)));
    if (D::nonlinearOn)
        lines.push_back(Format("nonlinear detection power = %.4f%s, baseline = %.4g",
                               double(D::nonlinearPower), f(D::nonlinearPowerFit),
                               double(D::nonlinearBaseline)));
    if (D::depletionOn)
        lines.push_back(Format(
            "signal depletion s = %.4g S%s, D = %.4g e-7 cm^2/s%s, amplitude = %.4g%s, ks = %.4g%s",
            double(D::depletionS), f(D::depletionFitS), 1e7 * D::depletionD, f(D::depletionFitD),
            double(D::depletionAmplitude), f(D::depletionFitAmplitude),
            std::pow(10.0, double(D::depletionLogKs)), f(D::depletionFitKs)));
}

// The window's report: pixel sizes of its font and left margin.
constexpr int kLargestReportFontPx = 13;
constexpr int kSmallestReportFontPx = 10;
constexpr int kReportMarginPx = 10;

TFont ReportFont(int px) {
    return CreateFont(px, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, OUT_DEFAULT_PRECIS, 0, DEFAULT_QUALITY,
                      DEFAULT_PITCH | FF_SWISS, nullptr);
}

// The report's lines as items of a flowing text: each line as many whole items as fit in width.
std::vector<std::string> WrapItems(const std::vector<std::string>& items, const TDC& dc,
                                   int width) {
    constexpr const char* kGap = "     ";
    std::vector<std::string> lines;
    std::string line;
    for (const std::string& item : items) {
        const std::string longer = line.empty() ? item : line + kGap + item;
        if (!line.empty() && dc.GetTextExtent(longer).cx > width) {
            lines.push_back(line);
            line = item;
        } else {
            line = longer;
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

} // namespace

std::vector<std::string> ParameterReportLines() {
    std::vector<std::string> lines;
    if (ModelChoice::contiMode) {
        lines.push_back("continuous distribution model");
        DistributionLines(lines);
    } else {
        lines.push_back(ModelChoice::equilibriumModel ? "sedimentation equilibrium model"
                                                      : "discrete species model");
        SpeciesLines(lines);
        if (ModelChoice::inhomogeneousSolvent)
            SolventVbarLines(lines);
    }
    lines.push_back(Format("meniscus = %.4f cm%s", double(M::meniscus), Floated(M::meniscusFloat)));
    lines.push_back(Format("bottom = %.4f cm%s", double(M::bottom), Floated(M::bottomFloat)));
    lines.push_back(Format("baseline = %.5g%s", double(M::baseline),
                           ModelChoice::linearBaseline ? " (f)" : Floated(M::baselineFloat)));
    if (ModelChoice::fitTINoise)
        lines.push_back("time-invariant noise fitted");
    if (ModelChoice::fitRINoise)
        lines.push_back("radially invariant noise fitted");
    DetectionLines(lines);
    // The rms deviation of the curves shown (a Run after a fit changes it), else the fit's.
    const float rmsd =
        FitControl::displayedRmsd > 0.0f ? FitControl::displayedRmsd : FitControl::bestRmsd;
    lines.push_back(Format("rmsd = %.5f", double(rmsd)));
    if (ScanStore::scanCount > 0 && ScanStore::signal && ScanStore::fit && ScanStore::scanOrder &&
        ScanStore::firstFitIndex && ScanStore::lastFitIndex)
        lines.push_back(
            Format("runs test Z = %.2f",
                   double(RunsTestZ(ScanStore::signal, ScanStore::fit, 1, ScanStore::scanCount,
                                    ScanStore::scanOrder, ScanStore::firstFitIndex,
                                    ScanStore::lastFitIndex))));
    return lines;
}

void DisplayBestFitParams2(TXLAWindow* window, TDC& dc, int x, int y) {
    (void)window;
    for (const std::string& line : ParameterReportLines()) {
        dc.TextOut(x, y, line);
        y += 15;
    }
}

void DisplayBestFitParams(TXLAWindow* window) {
    TWindow* surface = WindowServices::PlatformWindow(window);
    if (!surface)
        return;
    float width = WindowServices::ClientWidth(window);
    float height = WindowServices::ClientHeight(window);
    if (width <= 0.0f || height <= 0.0f) {
        const TRect client = surface->GetClientRect();
        width = float(client.Width());
        height = float(client.Height());
    }
    // The strip above the data plot, whose top is in units of a 1000-high client area.
    const int strip = int(float(ScanStore::distPlotRect[0]) * height / 1000.0f);
    const int lineWidth = int(width) - 2 * kReportMarginPx;
    const std::vector<std::string> items = ParameterReportLines();
    TClientDC dc(surface);
    TFont previousFont = dc.GetFont();
    std::vector<std::string> lines;
    int fontPx = kLargestReportFontPx;
    for (;; --fontPx) {
        dc.SelectObject(ReportFont(fontPx));
        lines = WrapItems(items, dc, lineWidth);
        if (int(lines.size()) * (fontPx + 1) + 2 <= strip || fontPx == kSmallestReportFontPx)
            break;
    }
    // Opaque on white: a line that a small window pushes onto the data plot still reads.
    const COLORREF previousColour = dc.SetTextColor(0x000000);
    const COLORREF previousBk = dc.SetBkColor(0xFFFFFF);
    const int previousMode = dc.SetBkMode(OPAQUE);
    const unsigned previousAlign = dc.SetTextAlign(TA_LEFT | TA_TOP);
    int y = 2;
    for (const std::string& line : lines) {
        dc.TextOut(kReportMarginPx, y, line);
        y += fontPx + 1;
    }
    dc.SetTextAlign(previousAlign);
    dc.SetBkMode(previousMode);
    dc.SetBkColor(previousBk);
    dc.SetTextColor(previousColour);
    dc.SelectObject(previousFont);
}

bool CopyParameterReport(TXLAWindow* window) {
    TClipboard clipboard(WindowServices::PlatformWindow(window));
    if (!clipboard.IsOpen())
        return false;
    std::string text;
    for (const std::string& line : ParameterReportLines())
        text += line + "\r\n";
    clipboard.EmptyClipboard();
    const bool ok = clipboard.SetText(text);
    clipboard.CloseClipboard();
    return ok;
}

bool SaveParameterReport(TXLAWindow* window, const char* path) {
    (void)window;
    if (!path || !*path)
        return false;
    CLocaleScope cLocale;
    plat::AtomicFile out(path);
    std::FILE* f = out.file();
    if (!f)
        return false;
    bool ok = true;
    for (const std::string& line : ParameterReportLines())
        ok = std::fprintf(f, "%s\n", line.c_str()) > 0 && ok;
    return ok && out.Commit();
}
