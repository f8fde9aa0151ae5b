// Release of the auxiliary plots: the paint that shows a one-shot plot frees it afterwards.
#include "plotting/aux_plots.h"

#include "foundations/ccurve.h"
#include "foundations/cvector.h"
#include "foundations/nr_arrays.h"
#include "plotting/plot_globals.h"
#include "plotting/plot_owners.h"
#include "plotting/win_plot.h"

#include <algorithm>

void FreeAuxPlotCurves() {
    if (AuxPlots::temperatureTimes)
        free_vector(AuxPlots::temperatureTimes, 1, AuxPlots::pointCount);
    if (AuxPlots::temperatures)
        free_vector(AuxPlots::temperatures, 1, AuxPlots::pointCount);
    AuxPlots::temperatureTimes = nullptr;
    AuxPlots::temperatures = nullptr;
    delete AuxPlots::temperatureCurve;
    delete AuxPlots::timeView;
    delete AuxPlots::temperatureView;
    delete AuxPlots::auxPlot;
    delete AuxPlots::secondCurvePlot; // shown with the first plot, released with it
    AuxPlots::secondCurvePlot = nullptr;
    AuxPlots::temperatureCurve = nullptr;
    AuxPlots::timeView = nullptr;
    AuxPlots::temperatureView = nullptr;
    AuxPlots::auxPlot = nullptr;
    if (AuxPlots::rotorRadius)
        free_vector(AuxPlots::rotorRadius, 1, AuxPlots::pointCount);
    AuxPlots::rotorRadius = nullptr;
    for (float*& profile : AuxPlots::rotorProfiles) {
        if (profile)
            free_vector(profile, 1, AuxPlots::pointCount);
        profile = nullptr;
    }
    for (CCurve*& curve : AuxPlots::rotorCurves) {
        delete curve;
        curve = nullptr;
    }
    for (CVector*& view : AuxPlots::rotorViews) {
        delete view;
        view = nullptr;
    }
    AuxPlots::pointCount = 0;
    if (AuxPlots::lineX)
        free_vector(AuxPlots::lineX, 1, AuxPlots::linePointCount);
    if (AuxPlots::lineY)
        free_vector(AuxPlots::lineY, 1, AuxPlots::linePointCount);
    AuxPlots::lineX = nullptr;
    AuxPlots::lineY = nullptr;
    AuxPlots::linePointCount = 0;
    delete AuxPlots::lineCurve;
    delete AuxPlots::lineXView;
    delete AuxPlots::lineYView;
    AuxPlots::lineCurve = nullptr;
    AuxPlots::lineXView = nullptr;
    AuxPlots::lineYView = nullptr;
    AuxPlots::noRescale = false;
    AuxPlots::rotorSpeedPlotShown = false;
}

namespace {

float* NewVector(const std::vector<double>& values) {
    float* v = vector(1, int(values.size()));
    for (std::size_t i = 0; i < values.size(); ++i)
        v[i + 1] = float(values[i]);
    return v;
}

} // namespace

void SetAuxPointsAndLine(const std::vector<double>& x, const std::vector<double>& y,
                         const std::vector<double>& lineX, const std::vector<double>& lineY) {
    FreeAuxPlotCurves();
    const auto n = std::uint32_t(x.size());
    const auto nl = std::uint32_t(lineX.size());
    AuxPlots::temperatureTimes = NewVector(x);
    AuxPlots::temperatures = NewVector(y);
    AuxPlots::pointCount = std::int32_t(n);
    AuxPlots::lineX = NewVector(lineX);
    AuxPlots::lineY = NewVector(lineY);
    AuxPlots::linePointCount = std::int32_t(nl);
    AuxPlots::timeView = new CVector();
    AuxPlots::temperatureView = new CVector();
    AuxPlots::timeView->Attach(AuxPlots::temperatureTimes, n, 1);
    AuxPlots::temperatureView->Attach(AuxPlots::temperatures, n, 1);
    AuxPlots::temperatureCurve = new CCurve(AuxPlots::timeView, AuxPlots::temperatureView);
    AuxPlots::lineXView = new CVector();
    AuxPlots::lineYView = new CVector();
    AuxPlots::lineXView->Attach(AuxPlots::lineX, nl, 1);
    AuxPlots::lineYView->Attach(AuxPlots::lineY, nl, 1);
    AuxPlots::lineCurve = new CCurve(AuxPlots::lineXView, AuxPlots::lineYView);
}

void ResetAuxPlotFlags() {
    AuxPlots::adHocShown = false;
    AuxPlots::adHocKeep = false;
}

void AuxPlots::ResetToDefaults() {
    FreeAuxPlotCurves();
    delete adHocPlot;
    adHocPlot = nullptr;
    delete secondCurvePlot;
    secondCurvePlot = nullptr;
    shown = keep = highlight = auxPlotShown = false;
    highlightCurve = nullptr;
    ResetAuxPlotFlags();
    captionShown = false;
    caption[0] = '\0';
}

void SetAuxCurve(const std::vector<float>& x, const std::vector<float>& y, const char* xTitle,
                 const char* yTitle, int style, bool timeCourse) {
    FreeAuxPlotCurves();
    int n = static_cast<int>(x.size());
    AuxPlots::temperatureTimes = vector(1, std::max(n, 1));
    AuxPlots::temperatures = vector(1, std::max(n, 1));
    AuxPlots::pointCount = std::max(n, 1);
    std::copy(x.begin(), x.end(), AuxPlots::temperatureTimes + 1);
    std::copy(y.begin(), y.end(), AuxPlots::temperatures + 1);
    AuxPlots::timeView = new CVector();
    AuxPlots::temperatureView = new CVector();
    AuxPlots::timeView->Attach(AuxPlots::temperatureTimes, static_cast<std::uint32_t>(n), 1);
    AuxPlots::temperatureView->Attach(AuxPlots::temperatures, static_cast<std::uint32_t>(n), 1);
    AuxPlots::temperatureCurve = new CCurve(AuxPlots::timeView, AuxPlots::temperatureView);
    CWINPlot* plot = new CWINPlot();
    AuxPlots::auxPlot = plot;
    plot->SetPlotRect(50, 75, 950, 975);
    plot->SetXLabel(xTitle);
    plot->SetYLabel(yTitle);
    plot->AddCurve(AuxPlots::temperatureCurve);
    if (timeCourse) {
        plot->ToggleConnectPoints();
        plot->markSize = 10;
        gMarkSize = 15;
    }
    plot->SetCurveStyle(0, style);
}
