// The boundary analyses' extrapolation plot over the scan plots' area: one colour per boundary
// fraction, the scans' apparent s as symbols, the fitted line from the latest scan to 1/sqrt(t)=0.
#include "display/boundary_report_plot.h"

#include "foundations/ccurve.h"
#include "plotting/win_plot.h"
#include "state/boundary_analysis.h"

#include <cmath>
#include <memory>
#include <vector>

namespace {

std::vector<std::unique_ptr<CCurve>> gCurves;

constexpr COLORREF kPalette[] = {0x0000C0, 0xC00000, 0x008000, 0x800080, 0x008080, 0x404040};

void DeletePlot() {
    delete BoundaryAnalysis::reportPlot;
    BoundaryAnalysis::reportPlot = nullptr;
    gCurves.clear();
}

} // namespace

void LayoutBoundaryReportPlot() {
    using B = BoundaryAnalysis;
    DeletePlot();
    const std::size_t m = B::abscissa.empty() ? 0 : B::abscissa.size() - 1;
    if (!B::reportShown || m == 0 || B::apparentS.empty())
        return;
    auto plot = std::make_unique<CWINPlot>();
    int index = 0;
    for (std::size_t k = 0; k < B::apparentS.size(); ++k) {
        const COLORREF colour = kPalette[k % (sizeof kPalette / sizeof kPalette[0])];
        std::vector<float> x, y;
        for (std::size_t i = 0; i < m && i < B::apparentS[k].size(); ++i)
            if (std::isfinite(B::apparentS[k][i])) {
                x.push_back(static_cast<float>(B::abscissa[i]));
                y.push_back(static_cast<float>(B::apparentS[k][i]));
            }
        if (x.empty())
            continue;
        gCurves.push_back(std::make_unique<CCurve>(x.data(), y.data(), x.size(), 0, 0));
        plot->AddCurve(gCurves.back().get());
        plot->SetCurveStyle(index, 6);
        plot->SetCurveColor(index++, colour);
        const std::vector<double>& line = B::fittedLines[k];
        if (line.size() != m + 1 || !std::isfinite(line[m]))
            continue;
        // The line from the largest abscissa (the earliest scan) to infinite time.
        std::size_t earliest = 0;
        for (std::size_t i = 1; i < m; ++i)
            if (B::abscissa[i] > B::abscissa[earliest])
                earliest = i;
        const float lx[2] = {0.0f, static_cast<float>(B::abscissa[earliest])};
        const float ly[2] = {static_cast<float>(line[m]), static_cast<float>(line[earliest])};
        gCurves.push_back(std::make_unique<CCurve>(lx, ly, 2, 0, 0));
        plot->AddCurve(gCurves.back().get());
        plot->SetCurveStyle(index, -1);
        plot->SetCurveColor(index++, colour);
    }
    if (index == 0)
        return;
    plot->SetXLabel("1/sqrt(t) (1/sqrt(sec))");
    plot->SetYLabel("s (S)");
    plot->SetPlotRect(50, 75, 575, 975);
    plot->Rescale();
    B::reportPlot = plot.release();
}

void FreeBoundaryReportPlot() {
    DeletePlot();
}
