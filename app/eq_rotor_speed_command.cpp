// "estimate equilibrium rotor speeds": asks the masses and the column, shows the predicted
// profiles in the auxiliary plot and the speeds and hours in a box.
#include "app/txla_window.h"
#include "equilibrium/eq_rotor_speeds.h"
#include "foundations/ccurve.h"
#include "foundations/cvector.h"
#include "foundations/input_boxes.h"
#include "foundations/nr_arrays.h"
#include "plotting/aux_plots.h"
#include "plotting/win_plot.h"
#include "scandata/scan_store_alloc.h"

#include <cstdint>
#include <cstdio>

namespace {

constexpr const char* kAsk = "ESTIMATE EQ ROTOR SPEED";
constexpr const char* kResult = "CALCULATE MINIMUM TIME TO EQ";
constexpr int kPoints = 100;

float* NewVector(const std::vector<double>& values) {
    float* v = vector(1, kPoints);
    for (int i = 0; i < kPoints; ++i)
        v[i + 1] = float(values[std::size_t(i)]);
    return v;
}

void ShowProfiles(TXLAWindow* window, const RotorSpeedEstimate& e, float meniscus, float bottom) {
    FreeAuxPlotCurves();
    AuxPlots::pointCount = kPoints;
    AuxPlots::rotorRadius = NewVector(e.radius);
    AuxPlots::rotorViews[0] = new CVector();
    AuxPlots::rotorViews[0]->Attach(AuxPlots::rotorRadius, kPoints, 1);
    CWINPlot* plot = new CWINPlot();
    AuxPlots::auxPlot = plot;
    plot->SetPlotRect(ScanStore::distPlotRect[0], 75, ScanStore::distPlotRect[3], 975);
    plot->SetXLabel("radius");
    plot->SetYLabel("signal");
    constexpr COLORREF kColours[3] = {0x0000FF, 0xFF0000, 0};
    for (int k = 0; k < 9; ++k) {
        AuxPlots::rotorProfiles[k] = NewVector(e.profiles[std::size_t(k)]);
        AuxPlots::rotorViews[k + 1] = new CVector();
        AuxPlots::rotorViews[k + 1]->Attach(AuxPlots::rotorProfiles[k], kPoints, 1);
        AuxPlots::rotorCurves[k] = new CCurve(AuxPlots::rotorViews[0], AuxPlots::rotorViews[k + 1]);
        plot->AddCurve(AuxPlots::rotorCurves[k]);
        plot->SetCurveStyle(k, k < 6 ? 14 : 12);
        plot->SetCurveColor(k, kColours[k / 3]);
    }
    plot->SetRanges(meniscus, bottom, 0.0f, 5.0f);
    plot->Draw();
    AuxPlots::noRescale = true;
    window->RequestRepaint();
}

} // namespace

void TXLAWindow::CmEstimateEqRotorSpeeds() {
    float low = 0.0f, high = 0.0f, bottom = 7.2f, meniscus = 6.7f;
    RotorSpeedEstimate e;
    // Inputs that make the formulas meaningless are refused and asked again.
    for (;;) {
        if (!InputFloatForWindow(this, &low, low, true, "lowest Mw of interest (Da)", kAsk) ||
            !InputFloatForWindow(this, &high, high, true, "highest Mw of interest (Da)", kAsk) ||
            !InputFloatForWindow(this, &bottom, bottom, true, "bottom (cm)", kAsk))
            return;
        MessageBox("for predicting meniscus position, consider in 12 mm centerpieces\n130 ul -> "
                   "~6.8 cm\n170 ul -> ~6.65 cm\n200 ul -> ~6.55",
                   kResult, MB_OK);
        if (!InputFloatForWindow(this, &meniscus, meniscus, true, "meniscus (cm)", kAsk))
            return;
        e = EstimateEqRotorSpeeds(
            {low, high, bottom, meniscus, ScanStore::vbar, ScanStore::density});
        if (e.ok)
            break;
        MessageBox(e.refusal.c_str(), kAsk, MB_OK | MB_ICONSTOP);
        // Nothing the questions ask can mend the solvent.
        if (!(ScanStore::density * ScanStore::vbar < 1.0f))
            return;
    }
    ShowProfiles(this, e, meniscus, bottom);
    char text[1000];
    std::snprintf(
        text, sizeof text,
        "first rotor speed of %.0f rpm brings highest Mw in c(b)/c(m) = %.1f"
        "\nsecond rotor speed of %.0f rpm brings lowest Mw in c(b)/c(m) = %.1f"
        "\nthird rotor speed of %.0f rpm brings lowest Mw close to meniscus depletion"
        "\n\nWhat we see in the plot are the distributions for the lowest Mw (blue),\nthe "
        "highest Mw (red), and the average (black)\n(all normalized to unit loading "
        "concentration)."
        "\n\nAt 4C, moderately globular proteins would need at least %.0f h to reach the first "
        "equilibrium",
        e.speed1, 5.0, e.speed2, 10.0, e.speed3, e.hours);
    MessageBox(text, kResult, MB_OK);
}
