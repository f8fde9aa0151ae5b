// The baseline estimate plot over the four M* plots.
#include "display/baseline_estimate_plot.h"

#include "equilibrium/mstar_transform.h"
#include "foundations/ccurve.h"
#include "plotting/win_plot.h"
#include "scandata/scan_store_alloc.h"
#include "state/model_parameters.h"
#include "state/mstar_state.h"
#include "state/window_services.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {

using MS = MStarState;

struct Shown {
    BaselineEstimate estimate;
    // The meniscus fit range on the plot's x axis (xA, xB), shaded behind the curves.
    std::vector<float> marks;
    std::unique_ptr<CVector> markView;
    std::vector<std::unique_ptr<CVector>> views;
    std::vector<std::unique_ptr<CCurve>> curves;
    CWINPlot* savedDataPlot = nullptr;
};
Shown gShown;

CCurve* Curve(std::vector<float>& x, std::vector<float>& y) {
    const auto n = static_cast<std::uint32_t>(std::min(x.size(), y.size()) - 1);
    auto vx = std::make_unique<CVector>();
    auto vy = std::make_unique<CVector>();
    vx->Attach(x.data(), n, 1);
    vy->Attach(y.data(), n, 1);
    gShown.curves.push_back(std::make_unique<CCurve>(vx.get(), vy.get()));
    gShown.views.push_back(std::move(vx));
    gShown.views.push_back(std::move(vy));
    return gShown.curves.back().get();
}

} // namespace

void FreeBaselineEstimatePlot() {
    if (MS::baselinePlot) {
        MS::baselinePlot->RemoveAllCurves();
        if (ScanStore::dataPlot == MS::baselinePlot)
            ScanStore::dataPlot = gShown.savedDataPlot;
        delete MS::baselinePlot;
    }
    MS::baselinePlot = nullptr;
    gShown = Shown{};
    MS::baselinePlotShown = false;
}

void ShowBaselineEstimatePlot(TXLAWindow* window) {
    if (MS::baselinePlotShown)
        FreeBaselineEstimatePlot();
    if (MS::sets.size() < 2 || MS::sets[1].pointCount < 2)
        return;
    const MStarSet& set = MS::sets[1];
    BaselineEstimate& e = gShown.estimate;
    // A line without a finite slope leaves the baseline as it was (the estimate says why).
    if (EstimateBaseline(set, ModelParameters::meniscus, MS::meniscusFitIndexRange[1],
                         MS::meniscusFitIndexRange[2], e))
        ModelParameters::baseline = e.baseline;
    if (e.p.size() < 2)
        return;
    auto* plot = new CWINPlot();
    plot->SetPlotRect(50, 75, 925, 975);
    plot->SetXLabel("Int(j(r)rdr/(r^2-m^2)");
    plot->SetYLabel("j(r)/(r^2-m^2)");
    plot->AddCurve(Curve(e.p, e.q));
    plot->SetCurveStyle(0, -1);
    plot->SetCurveColor(0, 0x6400);
    plot->SetCurveRange(0, set.firstIndex, set.lastIndex - 1);
    if (e.gridX.size() > 1 && e.gridY.size() > 1) {
        plot->AddCurve(Curve(e.gridX, e.gridY));
        plot->SetCurveStyle(1, -1);
        plot->SetCurveColor(1, 0xff);
    }
    const int n = static_cast<int>(e.p.size()) - 1;
    auto pAt = [&](int i) { return e.p[std::size_t(std::clamp(i, 1, n))]; };
    gShown.marks = {pAt(MS::meniscusFitIndexRange[1]), pAt(MS::meniscusFitIndexRange[2])};
    gShown.markView = std::make_unique<CVector>();
    gShown.markView->Attach(gShown.marks.data(), 2, 0);
    plot->AddShadedInterval(gShown.markView.get());
    // x from 0 over every p; y as the curves autoscale it, the fitted line included.
    const float hi = gShown.views.front()->Max(); // the view of p, curve 0's x
    plot->SetXRange(0.0f, hi > 0.0f ? hi : 1.0f);
    plot->Draw();
    MS::baselinePlot = plot;
    MS::baselinePlotShown = true;
    gShown.savedDataPlot = ScanStore::dataPlot;
    ScanStore::dataPlot = plot;
    WindowServices::RequestRepaint(window);
}
