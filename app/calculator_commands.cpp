// The calculators of the Options menu: hydrodynamic quantities of a particle or of the loaded
// run from a few numbers asked in turn, each result in one box.
#include "app/allowed_entry.h"
#include "app/command_table.h"
#include "app/txla_window.h"
#include "distributions/conti_grid.h"
#include "foundations/clipboard_table.h"
#include "foundations/hydrodynamics.h"
#include "foundations/input_boxes.h"
#include "foundations/shape_models.h"
#include "foundations/sounds.h"
#include "foundations/statistical_tests.h"
#include "scandata/scan_header.h"
#include "state/conti_state.h"
#include "state/dls_data.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/scan_store.h"
#include "tools/hydro_calculators.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using S = ScanStore;
using M = ModelParameters;

constexpr double kPi = 3.14159265358979323846;
constexpr float kWaterViscosityPoise = 0.01002f;
constexpr float kWaterDensity20 = 0.99823f;

bool Ask(TWindow* window, float& value, float defaultValue, const char* prompt,
         const char* caption) {
    return InputFloatForWindow(window, &value, defaultValue, true, prompt, caption);
}

// A particle sediments (s > 0) when v-bar is below 1/density and floats (s < 0) above it; any
// other pair has no mass, friction or size. False, with a box saying why, for such a pair.
bool SedimentsAsItsBuoyancySays(TXLAWindow* window, float s, float vbar, float density,
                                const char* caption) {
    const double buoyancy = 1.0 - static_cast<double>(vbar) * density;
    if (s * buoyancy > 0.0)
        return true;
    char text[300];
    if (buoyancy == 0.0)
        std::snprintf(text, sizeof text,
                      "with v-bar %.4f ml/g in density %.4f g/ml the particle neither sediments "
                      "nor floats: s = %g S is not possible",
                      vbar, density, s);
    else if (s == 0.0f)
        std::snprintf(text, sizeof text, "s = 0 S describes no particle");
    else
        std::snprintf(text, sizeof text,
                      buoyancy > 0.0
                          ? "with v-bar %.4f ml/g below 1/density (density %.4f g/ml) the "
                            "particle sediments: s = %g S must be positive"
                          : "with v-bar %.4f ml/g above 1/density (density %.4f g/ml) the "
                            "particle floats: s = %g S must be negative",
                      vbar, density, s);
    PlayErrorSound();
    window->MessageBox(text, caption, MB_OK | MB_ICONEXCLAMATION);
    return false;
}

const ScanHeader& ScanInOrder(int position) {
    return S::header[S::scanOrder[position]];
}

// 20 C without scans; the last scan's temperature, or the light-scattering record's.
float DefaultTemperature() {
    if (S::scanCount < 1)
        return 20.0f;
    if (gDlsData)
        return S::absoluteTemperature - 273.15f;
    return ScanInOrder(S::scanCount).temperature;
}

float DefaultRotorSpeed(bool lightScatteringAllowed = true) {
    if (S::scanCount < 1 || (!lightScatteringAllowed && gDlsData))
        return 50000.0f;
    return ScanInOrder(1).rotorSpeed;
}

double Omega(double rpm) {
    return rpm * 2.0 * kPi / 60.0;
}

// The last four questions of the sphere calculators; viscosity comes back relative to water.
struct Solvent {
    float vbar = 0, temperature = 0, density = 0, relativeViscosity = 0;
};
bool AskSolvent(TXLAWindow* window, Solvent& s, const char* caption) {
    float absolute = 0;
    if (!AskAllowed(window, s.vbar, S::vbar, "enter partial specific volume [ml/g]", caption,
                    kPositive) ||
        !AskAllowed(window, s.temperature, DefaultTemperature(), "enter temperature [C]", caption,
                    kAboveAbsoluteZero) ||
        !AskAllowed(window, s.density, S::density, "enter buffer density [g/ml]", caption,
                    kPositive) ||
        !AskAllowed(window, absolute, kWaterViscosityPoise * S::viscosity,
                    "enter absolute viscosity (Poise)", caption, kPositive))
        return false;
    s.relativeViscosity = absolute / kWaterViscosityPoise;
    return true;
}

// s of the anhydrous sphere in a solvent: the solvent's viscosity enters like a frictional ratio.
double SphereS(float mass, const Solvent& s) {
    return SFromMandFf0(mass, s.vbar, s.temperature, s.density, s.relativeViscosity);
}

double SphereD(float mass, double sphereS, const Solvent& s) {
    return DFromFriction(mass, static_cast<float>(sphereS), s.vbar, s.temperature, s.density,
                         s.relativeViscosity);
}

// Loaded scans with a right fit limit, or why not (nothing at all without scans).
bool HaveScansAndRightLimit(TXLAWindow* window) {
    if (S::scanCount < 1)
        return false;
    if (S::rightFitLimit == 0.0f) {
        PlayInfoSound();
        window->MessageBox("Set Fitting Limits First", "ERROR", MB_OK);
        return false;
    }
    return true;
}

// The table of time against s (S) as two clipboard columns.
void CopyTimeTable(TXLAWindow* window, const std::vector<double>& time,
                   const std::vector<double>& value) {
    std::vector<float> x(time.size() + 1, 0.0f), y(value.size() + 1, 0.0f);
    for (std::size_t i = 0; i < time.size(); ++i) {
        x[i + 1] = static_cast<float>(time[i]);
        y[i + 1] = static_cast<float>(value[i]);
    }
    const float* columns[2] = {nullptr, y.data()};
    CopyColumnsToClipboard(window, x.data(), columns, 1, static_cast<int>(time.size()), 1);
}

} // namespace

void TXLAWindow::CmShapeFromFrictionalRatio() {
    const char* caption = "CALCULATE SHAPE FROM AXIAL RATIOS";
    float ff0 = 0, vbar = 0, hydration = 0;
    if (!AskAllowed(this, ff0, ContiState::ff0, "enter frictional ratio", caption, kPositive) ||
        !AskAllowed(this, vbar, S::vbar, "enter partial specific volume (ml/g)", caption,
                    kPositive) ||
        !AskAllowed(this, hydration, gHydration, "enter hydration (g/g)", caption, kNotNegative))
        return;
    char text[256];
    std::snprintf(text, sizeof text,
                  "for f/fo =%.3f, v-bar =%.3f ml/g, hydration =%.2f g/g:\n a/b(oblate)=%.2f\n "
                  "a/b(prolate)=%.2f",
                  ff0, vbar, hydration, CalculateOblateRatio(ff0, vbar, hydration, kWaterDensity20),
                  CalculateProlateRatio(ff0, vbar, hydration, kWaterDensity20));
    MessageBox(text, caption, MB_OK);
}

void TXLAWindow::CmFrictionForce() {
    const char* caption = "CALCULATE HYDRODYNAMIC FRICTIONAL FORCE";
    float s = 0, r = 0, ff0 = 0, rpm = 0, mass = 0, vbar = 0, viscosity = 0;
    if (!Ask(this, s, 5.0f, "enter s-value [S]", caption) ||
        !AskAllowed(this, r, 7.0f, "enter radius position [cm]", caption, kPositive) ||
        !AskAllowed(this, ff0, ContiState::ff0, "enter frictional ratio", caption, kPositive) ||
        !AskAllowed(this, rpm, DefaultRotorSpeed(false), "enter rotor speed [rpm]", caption,
                    kNotNegative) ||
        !AskAllowed(this, mass, 100000.0f, "enter molar mass [Da]", caption, kPositive) ||
        !AskAllowed(this, vbar, S::vbar, "enter part.-spec. volume [ml/g]", caption, kPositive) ||
        !AskAllowed(this, viscosity, S::viscosity, "enter solution relative viscosity", caption,
                    kPositive))
        return;
    const FrictionForceResult f = FrictionForce(s, r, ff0, rpm, mass, vbar, viscosity);
    char text[512];
    std::snprintf(text, sizeof text,
                  "for mass =%.2f Da, v-bar =%.3f ml/g, f/fo =%.3f, s = %.2f S, relative viscosity "
                  "= %.3f\nat %.0f rpm and %.2f cm --> F = %.3e N\n(Rs = %.3f nm, v = %.3e m/s, f "
                  "= %.3e Ns/m)",
                  mass, vbar, ff0, s, viscosity, rpm, r, f.force, f.sphereRadiusNm, f.velocity,
                  f.friction);
    MessageBox(text, caption, MB_OK);
}

void TXLAWindow::CmFrictionalAxialRatios() {
    const char* caption = "CALCULATE FRICTIONAL AND AXIAL RATIOS";
    float mass = 0, s = 0, vbar = 0, hydration = 0, t = 0, density = 0, absolute = 0;
    if (!AskAllowed(this, mass, 100000.0f, "enter molar mass [Da]", caption, kPositive) ||
        !Ask(this, s, 7.0f, "enter sedimentation coefficient [S]", caption) ||
        !AskAllowed(this, vbar, 0.73f, "enter partial specific volume [ml/g]", caption,
                    kPositive) ||
        !AskAllowed(this, hydration, 0.3f, "enter hydration [g/g]", caption, kNotNegative) ||
        !AskAllowed(this, t, DefaultTemperature(), "enter temperature [C]", caption,
                    kAboveAbsoluteZero) ||
        !AskAllowed(this, density, 1.0067f, "enter buffer density [g/ml]", caption, kPositive) ||
        !AskAllowed(this, absolute, kWaterViscosityPoise, "enter absolute viscosity (Poise)",
                    caption, kPositive) ||
        !SedimentsAsItsBuoyancySays(this, s, vbar, density, caption))
        return;
    const float viscosity = absolute / kWaterViscosityPoise;
    const double r0 = CalculateRadius(mass, vbar) * 1e9;
    const float ff0 = FrictionalRatio(mass, s, vbar, density, viscosity);
    const double D = DFromFriction(mass, s, vbar, t, density, viscosity);
    const float prolate = CalculateProlateRatio(mass, s, vbar, hydration, density, viscosity);
    const float oblate = CalculateOblateRatio(mass, s, vbar, hydration, density, viscosity);
    char text[512];
    std::snprintf(text, sizeof text,
                  "for M=%.0f Da, s=%.4f S, v=%.3f ml/g, hydration = %.3f g/g, density=%.4f g/ml, "
                  "rel. viscosity=%.4f:\n r0 = %.2f nm, rh = %.2f nm\n D= %.3e cm^2/sec\n f/f0 = "
                  "%.2f \n a/b(oblate)=%.2f\n a/b(prolate)=%.2f",
                  mass, s, vbar, hydration, density, viscosity, r0, r0 * ff0, D, ff0, oblate,
                  prolate);
    MessageBox(text, "CALCUALTE FRICTIONAL AND AXIAL RATIOS", MB_OK);
}

void TXLAWindow::CmBoundaryBroadening() {
    const char* caption = "BOUNDARY BROADENING ANALYSIS";
    float m = M::meniscus, b = M::bottom;
    if (m == 0.0f && !AskAllowed(this, m, 6.2f, "enter meniscus (cm)", caption, kPositive))
        return;
    if (b == 0.0f && !AskAllowed(this, b, 7.2f, "enter bottom (cm)", caption, kPositive))
        return;
    if (!(m > 0.0f && b > m)) {
        char text[200];
        std::snprintf(text, sizeof text,
                      "the bottom (%.3f cm) must lie beyond the meniscus (%.3f cm), both above 0",
                      b, m);
        PlayErrorSound();
        MessageBox(text, caption, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    float rpm = 0, mass = 0, vbar = 0, density = 0, t = 0, s = 0, spread = 0;
    if (!AskAllowed(this, rpm, DefaultRotorSpeed(), "enter rotor speed (rpm)", caption,
                    kPositive) ||
        !AskAllowed(this, mass, 1000.0f, "enter molar mass [kDa]", caption, kPositive) ||
        !AskAllowed(this, vbar, S::vbar, "enter partial specific volume [ml/g]", caption,
                    kPositive) ||
        !AskAllowed(this, density, S::density, "enter buffer density [g/ml]", caption, kPositive) ||
        !AskAllowed(this, t, 20.0f, "enter temperature [C]", caption, kAboveAbsoluteZero) ||
        !AskAllowed(this, s, 100.0f, "enter s-value [S]", caption, kPositive) ||
        !AskAllowed(this, spread, 0.01f, "enter ratio delta-s/s", caption, kPositive) ||
        !SedimentsAsItsBuoyancySays(this, s, vbar, density, caption))
        return;
    const BroadeningResult r = BoundaryBroadening(m, b, rpm, mass, vbar, density, t, s, spread);
    char text[640];
    std::snprintf(text, sizeof text,
                  "for M=%.0f kDa, s = %.2f S (D = %.2e F), heterogeneity delta-s/s=%.3f\n(at "
                  "v=%.3f ml/g, density=%.4f g/ml, w = %.0f rpm)\nspread from heterogeneity in s "
                  "= %.4fcm\nspread from diffusion = %0.4f cm\n ratio "
                  "(diff-broadening)/(heterogeneous s-value broadending) = %e",
                  mass, s, r.diffusion, spread, vbar, density, rpm, r.heterogeneity,
                  r.diffusionSpread, r.ratio);
    MessageBox(text, caption, MB_OK);
}

void TXLAWindow::SecondMomentCalculator(bool differential) {
    const char* caption = "CALCULATE SW BY SECOND MOMENT";
    if (!HaveScansAndRightLimit(this))
        return;
    MessageBox("subtract all systematic noise from raw data first\n(this will involve integrating "
               "the area under the raw data)\ncheck that plateaus are established (within 0.1cm "
               "of right fit limit)",
               caption, MB_OK);
    std::vector<SecondMomentScan> scans;
    for (int k = 1; k <= S::scanCount; ++k) {
        const int i = S::scanOrder[k];
        const ScanHeader& h = S::header[i];
        scans.push_back({S::radius[i], S::signal[i], S::pointCount[i], S::firstFitIndex[i],
                         S::lastFitIndex[i], Omega(h.rotorSpeed), h.omega2t, h.time});
    }
    const SecondMomentResult r = SecondMomentSw(scans, M::meniscus, S::rightFitLimit, differential);
    if (!r.defined) {
        char text[200];
        if (r.undefinedScan > 0)
            std::snprintf(text, sizeof text,
                          "scan %d has no defined s: its plateau is 0 or its depletion reaches "
                          "the loading concentration",
                          r.undefinedScan);
        else
            std::snprintf(text, sizeof text, "sw is not defined for these scans");
        PlayInfoSound();
        MessageBox(text, caption, MB_OK);
        return;
    }
    // The step takes the place of each scan's fit curve: the model fit is lost unless kept.
    if (MessageBox("show the boundary steps as fit curves?\n(this replaces the fit of every scan)",
                   caption, MB_YESNO) == IDYES) {
        for (int k = 1; k <= S::scanCount; ++k) {
            const int i = S::scanOrder[k];
            for (int j = 1; j <= S::pointCount[i]; ++j)
                S::fit[i][j] = S::radius[i][j] > r.boundary[k - 1] ? float(r.plateau[k - 1]) : 0.0f;
        }
        Invalidate(true);
    }
    CopyTimeTable(this, r.time, r.value);
    char text[512];
    std::snprintf(text, sizeof text,
                  differential
                      ? "sw = %.4f S\nsw was averaged over scans, each determined by differential "
                        "second moment\naverage plateau concentration is %f\ncalculated loading "
                        "concentration is %f\n(table sw vs time is stored in clipboard)"
                      : "sw = %.4f S\nsw was averaged over scans, each integrated from 0 to "
                        "t\naverage effective concentration is %f\ncalculated loading "
                        "concentration is %f\n(table sw vs time is stored in clipboard)",
                  r.sw, r.meanConcentration, r.loading);
    MessageBox(text, caption, MB_OK);
}

void TXLAWindow::CmSwDifferentialSecondMoment() {
    SecondMomentCalculator(true);
}

void TXLAWindow::CmSwSecondMoment() {
    SecondMomentCalculator(false);
}

void TXLAWindow::CmRadialDilution() {
    const char* caption = "CALCULATE RADIAL DILUTION";
    if (!HaveScansAndRightLimit(this))
        return;
    float s = 0;
    if (!Ask(this, s, 5.0f, "enter s-value [Da]", caption))
        return;
    std::vector<double> w2t;
    for (int k = 1; k <= S::scanCount; ++k)
        w2t.push_back(ScanInOrder(k).omega2t);
    const DilutionResult r = RadialDilution(s, M::meniscus, M::bottom,
                                            Omega(ScanInOrder(1).rotorSpeed), w2t.back(), w2t);
    char text[1024];
    const bool sediments = s >= 0.0f;
    std::snprintf(
        text, sizeof text,
        sediments
            ? "a non-diffusing particle with s = %.3f S\nwith the meniscus at %.3f cm would have a "
              "boundary position of %.3fcm in the last scan\nradial dilution reduces the plateau "
              "concentration at the time of the last scan to %.3f%% of the loading "
              "concentration\nthe average plateau concentration during sedimenation from t=0 to "
              "t(last scan) is %.3f%% of the loading concentration\n(this is the effective "
              "concentration required for modeling the boundary position at the time of the last "
              "scan)\nin the average for all scans, the effective plateau concentration during "
              "sedimentation is %.3f%% of the loading concentration"
            : "a non-diffusing particle with s = %.3f S \nwith the bottom at %.3f cm would have a "
              "boundary position of %.3fcm in the last scan\nradial dilution increases the "
              "plateau concentration at the time of the last scan to %.3f%% of the loading "
              "concentration\nthe average plateau concentration during sedimenation from t=0 to "
              "t(last scan) is %.3f%% of the loading concentration\n(this is the effective "
              "concentration required for modeling the boundary position at the time of the last "
              "scan)\nin the average for all scans, the effective plateau concentration during "
              "sedimentation is %.3f%% of the loading concentration",
        s, sediments ? M::meniscus : M::bottom, r.boundary, 100.0 * r.plateauLast,
        100.0 * r.meanPlateau, 100.0 * r.meanOverScans);
    MessageBox(text, caption, MB_OK);
}

void TXLAWindow::CmPressure() {
    if (S::scanCount < 1)
        return;
    const PressureResult p =
        ColumnPressure(S::density, M::meniscus, M::bottom, Omega(ScanInOrder(1).rotorSpeed));
    char text[200];
    std::snprintf(text, sizeof text,
                  "pressure at the bottom is %.3f bar\npressure in the middle of the solution "
                  "column is %.3f bar",
                  p.bottom, p.middle);
    MessageBox(text, "CALCULATE RADIAL DILUTION", MB_OK);
}

void TXLAWindow::CmSphereSofM() {
    const char* caption = "CALCULATE SEDCOEFFICIENT OF SPHERE";
    float mass = 0;
    Solvent solvent;
    if (!AskAllowed(this, mass, 100000.0f, "enter molar mass [Da]", caption, kPositive) ||
        !AskSolvent(this, solvent, caption))
        return;
    const double r0 = CalculateRadius(mass, solvent.vbar) * 1e9;
    const double s = SphereS(mass, solvent);
    char text[400];
    std::snprintf(text, sizeof text,
                  "a compact, smooth sphere of M=%.0f Da, v=%.3f ml/g, in density=%.4f g/ml, rel. "
                  "viscosity=%.4f \nhas the following properties:\n s=%.4f S\n r0 = %.2f nm\n D= "
                  "%.3e cm^2/sec\n(this is without hydration)",
                  mass, solvent.vbar, solvent.density, solvent.relativeViscosity, s, r0,
                  SphereD(mass, s, solvent));
    MessageBox(text, "CALCUALTE SEDCOEFFICIENT OF SPHERE", MB_OK);
}

void TXLAWindow::CmSphereSofRh() {
    const char* caption = "CALCULATE SEDCOEFFICIENT OF SPHERE";
    float radius = 0;
    Solvent solvent;
    if (!AskAllowed(this, radius, 10.0f, "enter particle radius [nm]", caption, kPositive) ||
        !AskSolvent(this, solvent, caption))
        return;
    const auto mass = static_cast<float>(MassFromRadius(radius * 1e-9f, solvent.vbar));
    const double s = SphereS(mass, solvent);
    char text[400];
    std::snprintf(text, sizeof text,
                  "a sphere of R = %.2f nm, at v=%.3f ml/g has a mass of M=%.0f Da\n in a solvent "
                  "of density=%.4f g/ml, rel. viscosity=%.4f, \nit will sediment with \n s=%.4f S "
                  "\n and diffuse with D= %.3e cm^2/sec\n",
                  radius, solvent.vbar, mass, solvent.density, solvent.relativeViscosity, s,
                  SphereD(mass, s, solvent));
    MessageBox(text, "CALCUALTE SEDCOEFFICIENT OF SPHERE", MB_OK);
}

void TXLAWindow::CmSphereRhOfS() {
    const char* caption = "CALCULATE RADIUS OF SPHERE";
    float s = 0;
    Solvent solvent;
    if (!Ask(this, s, 100.0f, "enter s-value [S]", caption) ||
        !AskSolvent(this, solvent, caption) ||
        !SedimentsAsItsBuoyancySays(this, s, solvent.vbar, solvent.density, caption))
        return;
    const auto mass = static_cast<float>(CalculateMassFromSedcoeffSphere(
        s, solvent.relativeViscosity, solvent.vbar, solvent.density));
    char text[400];
    std::snprintf(text, sizeof text,
                  "a spherical particle with s = %.2f S, at v=%.3f ml/g\n in a solvent of "
                  "density=%.4f g/ml, rel. viscosity=%.4f, \nhas a mass of M=%.0f Da, a radius of "
                  "%.1f nm, and D= %.3e cm^2/sec\n",
                  s, solvent.vbar, solvent.density, solvent.relativeViscosity, mass,
                  CalculateRadius(mass, solvent.vbar) * 1e9, SphereD(mass, s, solvent));
    MessageBox(text, "CALCUALTE RADIUS OF SPHERE", MB_OK);
}

void TXLAWindow::CmMofS() {
    const char* caption = "CALCULATE M FROM S";
    float s = 0, ff0 = 0;
    if (!Ask(this, s, 7.0f, "enter s-value [S]", caption) ||
        !AskAllowed(this, ff0, ContiState::ff0, "enter hydrated frictional ratio", caption,
                    kPositive) ||
        !SedimentsAsItsBuoyancySays(this, s, S::vbar, S::density, caption))
        return;
    char text[300];
    std::snprintf(text, sizeof text,
                  "for s=%.3f S, f/f0(hydrated) = %.3f \n(with v=%.3f ml/g, density=%.4f g/ml, "
                  "rel. viscosity=%.4f)\n M=%.0f",
                  s, ff0, S::vbar, S::density, S::viscosity, CalculateMff02(s, ff0));
    MessageBox(text, caption, MB_OK);
}

void TXLAWindow::CmS20wFromSxp() {
    const char* caption = "CALCULATE s(xp) TO s(20,w)";
    if (ModelChoice::contiMode &&
        MessageBox("transform the complete distribution?", "", MB_YESNO) == IDYES) {
        if (const CommandRow* row = FindCommand(836))
            RunCommand(*row);
        return;
    }
    float s = 0, vxp = 0, v20 = 0, density = 0, absolute = 0;
    if (!Ask(this, s, 5.0f, "enter experimental s-value", caption) ||
        !AskAllowed(this, vxp, S::vbar, "partial specific volume at (xp) [ml/g]", caption,
                    kPositive) ||
        !AskAllowed(this, v20, S::vbar20, "enter partial specific volume at (20,w) [ml/g]", caption,
                    kPositive))
        return;
    S::vbar20 = v20;
    if (!AskAllowed(this, density, S::density, "enter buffer density [g/ml]", caption, kPositive) ||
        !AskAllowed(this, absolute, kWaterViscosityPoise * S::viscosity,
                    "enter absolute viscosity (Poise)", caption, kPositive))
        return;
    if (static_cast<double>(vxp) * density == 1.0) {
        char text[200];
        std::snprintf(text, sizeof text,
                      "with v-bar %.4f ml/g in density %.4f g/ml the particle neither sediments "
                      "nor floats: its s does not convert",
                      vxp, density);
        PlayErrorSound();
        MessageBox(text, caption, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    const float viscosity = absolute / kWaterViscosityPoise;
    do {
        char text[300];
        std::snprintf(text, sizeof text,
                      "v(xp)=%.3f ml/g, v(20,w) = %.3f ml/g, density=%.4f g/ml, viscosity=%.4f "
                      "Poise:\n s(xp) of %.3f S converts to s(20,w) = %.3f ",
                      vxp, v20, density, absolute, s,
                      S20wFromExperimental(s, vxp, v20, density, viscosity));
        MessageBox(text, "CALCUALTE s(xp) TO s(20,w)", MB_OK);
    } while (MessageBox("transform another s-value under same conditions?", "", MB_YESNO) ==
                 IDYES &&
             Ask(this, s, s, "enter experimental s-value", caption));
}

void TXLAWindow::CmFStatistics() {
    const char* caption = "CALCULATE SOSQ RATIO";
    float points = 1000.0f;
    if (S::scanCount > 0) {
        points = 0.0f;
        for (int i = 1; i <= S::scanCount; ++i)
            points += static_cast<float>(S::lastFitIndex[i] - S::firstFitIndex[i] + 1);
    }
    float level = 0, n1 = 0, n2 = 0;
    if (!Ask(this, level, 0.683f, "enter desired confidence level", caption) ||
        !Ask(this, n1, points, "enter first degree of freedom", caption) ||
        !Ask(this, n2, points, "enter second degree of freedom", caption))
        return;
    if (!(level > 0.0f && level < 1.0f) || !(n1 > 0.0f) || !(n2 > 0.0f)) {
        PlayInfoSound();
        MessageBox("the confidence level must lie between 0 and 1, and both degrees of freedom "
                   "must be positive",
                   caption, MB_OK);
        return;
    }
    const double ratio = n2 / n1 * FCriticalRatio(level, n1, n2);
    char text[400];
    std::snprintf(
        text, sizeof text,
        "variance (or sosq) ratio (chisq1/chisq2) at a %2.1f%% confidence level (n1=%.0f, "
        "n2=%.0f) is %f\ncritical relative rmsd increase is a factor of %f",
        100.0 * level, n1, n2, ratio, std::sqrt(ratio));
    std::string message = text;
    std::snprintf(text, sizeof text, "\nfor current rmsd (%f): critical value is %f",
                  FitControl::bestRmsd, std::sqrt(ratio) * FitControl::bestRmsd);
    message += text;
    MessageBox(message.c_str(), "CALCUALTE SOSQ RATIO", MB_OK);
}
