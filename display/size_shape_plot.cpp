// The size-and-shape map: the plot's colour curve, whose points are the grid's (s, f/f0) pairs
// and whose colour values are c there.
#include "display/size_shape_plot.h"

#include "distributions/conti_fit.h"
#include "foundations/ccurve.h"
#include "plotting/win_plot.h"
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/size_shape_state.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {

using SS = SizeShapeState;

std::unique_ptr<CCurve> gMapCurve;
std::vector<float> gColours; // 0-based over the curve's points

} // namespace

bool SizeShapePlotWanted() {
    return SizeShapeModel() && SS::Held() && ContiState::gridPoints == SS::sPoints;
}

void CreateSizeShapePlot() {
    delete ContiState::distributionPlot;
    ContiState::distributionPlot = nullptr;
    gMapCurve.reset();
    if (!SS::Held())
        return;
    const int n = SS::Points();
    gMapCurve = std::make_unique<CCurve>(SS::s.data(), SS::ff0.data(), n, 1, 1);
    gColours.assign(SS::values.begin() + 1, SS::values.end());
    auto plot = std::make_unique<CWINPlot>();
    plot->AddCurve(gMapCurve.get());
    plot->SetCurveStyle(0, 19);
    plot->SetColourValues(0, gColours.data(), 0, n - 1, true);
    // Squares that tile the plot: its band is 900 x 1.4 logical units wide between the first and
    // last s, and 320 tall over the f/f0 rows and half a step beyond each outer one.
    plot->squareHalfWidth = std::max(1, 630 / std::max(1, SS::sPoints - 1));
    plot->squareHalfHeight = std::max(1, 160 / std::max(1, SS::ff0Count));
    plot->SetXLabel("sed. coef. (S)");
    plot->SetYLabel("f/f0");
    plot->SetPlotRect(ContiState::distributionPlotTop, 75, ContiState::distributionPlotBottom, 975);
    ContiState::distributionPlot = plot.release();
    RedrawSizeShapePlot(SS::sAxis[1], SS::sAxis[std::size_t(SS::sPoints)]);
}

void RedrawSizeShapePlot(float s1, float s2) {
    CWINPlot* plot = ContiState::distributionPlot;
    if (!plot || !SS::Held())
        return;
    if (s2 < s1)
        std::swap(s1, s2);
    float lo = SS::ff0Axis[1], hi = SS::ff0Axis[std::size_t(SS::ff0Count)];
    // Half a step beyond the outer rows, so their squares are whole.
    const float step = SS::ff0Count > 1 ? (hi - lo) / float(SS::ff0Count - 1) : 0.5f;
    plot->SetRanges(s1, s2, lo - 0.5f * step, hi + 0.5f * step);
}
