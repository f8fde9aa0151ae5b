// The distribution plot below the scans.
#include "display/distribution_plot.h"

#include "display/size_shape_plot.h"
#include "distributions/conti_run.h"
#include "distributions/integrate_distribution.h"
#include "fitting/params_transfer.h"
#include "foundations/ccurve.h"
#include "foundations/float_range.h"
#include "foundations/nr_arrays.h"
#include "plotting/win_plot.h"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/model_kind.h"
#include "state/monte_carlo_state.h"
#include "state/plot_interaction_state.h"
#include "state/realtime_state.h"
#include "state/window_services.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

namespace {

std::unique_ptr<CCurve> gMainCurve, gSecondCurve, gLowerCurve, gUpperCurve;
// The stored distribution's plot replaced by a running fit's trial (see ShowTrialDistribution).
bool gTrialPlotShown = false;

void FitDistributionRange(TXLAWindow* window, float s1, float s2, bool byUser);

bool HaveDistribution() {
    return ContiState::sValues && ContiState::distribution && ContiState::gridPoints >= 1;
}

const char* AbscissaLabel() {
    // The axis of the range the parameters dialog enters; the drift of electrophoresis in the
    // unit its models take velocities in. The boundary analyses show s.
    switch (CurrentModelTraits().range) {
    case RangeAxis::LogD:
        return "log10 D (cm^2/s)";
    case RangeAxis::StokesRadius:
        return "Rh (nm)";
    case RangeAxis::BuoyantMass:
        return "buoyant molar mass (Da)";
    case RangeAxis::Velocity:
        return "velocity (1e-4 cm/s)";
    case RangeAxis::Mass:
        return ModelChoice::gStarFamily ? "sed. coef. (S)" : "molar mass (Da)";
    case RangeAxis::S:
        break;
    }
    return "sed. coef. (S)";
}

// The plot and its curves gone, no trial shown.
void DropPlotAndCurves() {
    delete ContiState::distributionPlot;
    ContiState::distributionPlot = nullptr;
    gTrialPlotShown = false;
    gMainCurve.reset();
    gSecondCurve.reset();
    gLowerCurve.reset();
    gUpperCurve.reset();
}

} // namespace

void ClearDistribution(bool relayout) {
    WindowServices::DeleteIntegrateButton();
    DropPlotAndCurves();
    if (ScanStore::distPlotRect[1] != 475) {
        ScanStore::distPlotRect[1] = 475;
        ScanStore::distPlotRect[2] = 550;
        ScanStore::distPlotRect[3] = 950;
        if (relayout)
            WindowServices::SetPlotAxisTitles();
    }
}

namespace {

// A new plot of the main curve c over x (points 1..n), the previous plot and its curves gone.
std::unique_ptr<CWINPlot> NewDistributionPlot(const float* x, const float* c, int n) {
    DropPlotAndCurves();
    gMainCurve = std::make_unique<CCurve>(x, c, n, 1, 1);
    auto plot = std::make_unique<CWINPlot>();
    plot->AddCurve(gMainCurve.get());
    // G(s) of the boundary analyses as points: neighbouring fractions may cross in s.
    plot->SetCurveStyle(0, ModelChoice::gStarFamily ? 6 : -1);
    plot->SetCurveColor(0, 0x000000);
    return plot;
}

void LabelDistributionPlot(CWINPlot& plot) {
    plot.SetXLabel(AbscissaLabel());
    // The boundary analyses hold the integral distribution G(s).
    plot.SetYLabel(ModelChoice::gStarFamily ? "G(s)" : "c");
    plot.SetPlotRect(ContiState::distributionPlotTop, 75, ContiState::distributionPlotBottom, 975);
}

// The top of the ordinate for the values of c at x in [s1, s2]: the largest rounded up to a
// whole number (the value itself below 1, a whole number would flatten a small curve).
float OrdinateTop(const float* x, const float* c, int n, float s1, float s2) {
    float largest = 0.0f;
    for (int p = 1; p <= n; ++p)
        if (x[p] >= s1 && x[p] <= s2)
            largest = std::max(largest, c[p]);
    // Rounded up: a whole number below the largest value would cut the top off the highest peak.
    float top = std::ceil(largest);
    if (largest < 1.0f)
        top = largest > 0.0f ? largest : 1.0f;
    return top;
}

// The scan plots give the lower part of the window to the distribution.
void MakeRoomForDistribution() {
    if (ScanStore::distPlotRect[1] != 350) {
        ScanStore::distPlotRect[1] = 350;
        ScanStore::distPlotRect[2] = 405;
        ScanStore::distPlotRect[3] = 575;
        WindowServices::SetPlotAxisTitles();
    }
}

} // namespace

void CreateDistributionPlot() {
    delete ContiState::distributionPlot;
    ContiState::distributionPlot = nullptr;
    gTrialPlotShown = false;
    if (!HaveDistribution())
        return;
    // A size-and-shape result is shown as its map over s and f/f0.
    if (SizeShapePlotWanted()) {
        CreateSizeShapePlot();
        return;
    }
    const int n = ContiState::gridPoints;
    auto plot = NewDistributionPlot(ContiState::sValues, ContiState::distribution, n);
    if (ContiState::secondDistribution) {
        gSecondCurve =
            std::make_unique<CCurve>(ContiState::sValues, ContiState::secondDistribution, n, 1, 1);
        plot->AddCurve(gSecondCurve.get());
        plot->SetCurveStyle(1, -1);
        plot->SetCurveColor(1, 0x0000FF);
    }
    // Monte-Carlo limits of the current grid, in green.
    const int limitCount = static_cast<int>(MonteCarloState::lower.size()) - 1;
    if (limitCount == n && static_cast<int>(MonteCarloState::upper.size()) - 1 == n) {
        gLowerCurve =
            std::make_unique<CCurve>(ContiState::sValues, MonteCarloState::lower.data(), n, 1, 1);
        gUpperCurve =
            std::make_unique<CCurve>(ContiState::sValues, MonteCarloState::upper.data(), n, 1, 1);
        int index = ContiState::secondDistribution ? 2 : 1;
        for (CCurve* c : {gLowerCurve.get(), gUpperCurve.get()}) {
            plot->AddCurve(c);
            plot->SetCurveStyle(index, -1);
            plot->SetCurveColor(index++, 0x00A000);
        }
    }
    LabelDistributionPlot(*plot);
    ContiState::distributionPlot = plot.release();
    FitDistributionRange(nullptr, ContiState::sValues[1], ContiState::sValues[n], false);
}

void ShowTrialDistribution(TXLAWindow* window, const std::vector<float>& x,
                           const std::vector<float>& c) {
    const int n = static_cast<int>(std::min(x.size(), c.size())) - 1;
    if (n < 1)
        return;
    auto plot = NewDistributionPlot(x.data(), c.data(), n);
    LabelDistributionPlot(*plot);
    plot->SetRanges(x[1], x[n], 0.0f, OrdinateTop(x.data(), c.data(), n, x[1], x[n]));
    ContiState::distributionPlot = plot.release();
    gTrialPlotShown = true;
    MakeRoomForDistribution();
    WindowServices::RequestRepaint(window);
}

void EndTrialDistribution(TXLAWindow* window) {
    if (!gTrialPlotShown)
        return;
    if (HaveDistribution())
        CreateDistributionPlot();
    else
        ClearDistribution(true);
    gTrialPlotShown = false;
    WindowServices::RequestRepaint(window);
}

void ShowDistribution(TXLAWindow* window) {
    CreateDistributionPlot();
    if (!ContiState::distributionPlot)
        return;
    MakeRoomForDistribution();
    WindowServices::ShowIntegrateButtons();
    WindowServices::RequestRepaint(window);
}

namespace {

// x range [s1, s2] and y from 0 to the largest value there; kept for the realtime update only
// when the user asked for the range (not when a new result is shown at full scale).
void FitDistributionRange(TXLAWindow* window, float s1, float s2, bool byUser) {
    CWINPlot* plot = ContiState::distributionPlot;
    DistributionBand::zoomArmed = DistributionBand::selectArmed = false;
    if (!plot || !HaveDistribution())
        return;
    if (byUser) {
        // The realtime update shows each refit in the range the user drew last.
        RealtimeState::distributionDrawn = true;
        RealtimeState::distributionFrom = s1;
        RealtimeState::distributionTo = s2;
    }
    if (s2 < s1)
        std::swap(s1, s2);
    if (SizeShapePlotWanted()) {
        RedrawSizeShapePlot(s1, s2);
        WindowServices::RequestRepaint(window);
        return;
    }
    plot->SetRanges(
        s1, s2, 0.0f,
        OrdinateTop(ContiState::sValues, ContiState::distribution, ContiState::gridPoints, s1, s2));
    WindowServices::RequestRepaint(window);
}

} // namespace

void RedrawDistribution(TXLAWindow* window, float s1, float s2) {
    FitDistributionRange(window, s1, s2, true);
}

void FullscaleDistribution(TXLAWindow* window) {
    if (!HaveDistribution())
        return;
    RedrawDistribution(window, ContiState::sValues[1], ContiState::sValues[ContiState::gridPoints]);
}

void LabelDistributionAxes(const char* xLabel, const char* yLabel) {
    if (!ContiState::distributionPlot)
        return;
    if (xLabel)
        ContiState::distributionPlot->SetXLabel(xLabel);
    if (yLabel)
        ContiState::distributionPlot->SetYLabel(yLabel);
}
