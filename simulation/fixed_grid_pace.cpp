// The pace of a species on the user's fixed grid.
#include "simulation/fixed_grid_pace.h"

#include "foundations/notice_boxes.h"
#include "scandata/scan_header.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/discrete_sed.h"
#include "state/fit_control.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/scan_order.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

double FixedGridStepEstimate(double sS, double dCm2s, double rpm, double meniscus, double bottom,
                             double lastTime, double maxDcOverC) {
    if (!(dCm2s > 0.0) || !(maxDcOverC > 0.0) || !(bottom > meniscus) || !(meniscus > 0.0) ||
        !(lastTime > 0.0))
        return 0.0;
    const double omega = rpm * 0.10471975511965977;
    const double rate = std::fabs(sS) * 1e-13 * omega * omega;
    if (!(rate > 0.0) || !std::isfinite(rate))
        return 0.0;
    // until the boundary has crossed the cell; its speed taken in the middle of the column
    const double time = std::min(lastTime, std::log(bottom / meniscus) / rate);
    const double speed = rate * 0.5 * (meniscus + bottom);
    const double steps = 30.0 * speed * std::sqrt(time) / (maxDcOverC * std::sqrt(dCm2s));
    return std::isfinite(steps) ? steps : 0.0;
}

double TwoSignificantDigits(double v) {
    if (!(v > 0.0))
        return 0.0;
    const double unit = std::pow(10.0, std::floor(std::log10(v)) - 1.0);
    return std::round(v / unit) * unit;
}

void SayWhenTheFixedGridIsSlow(TXLAWindow* window, const std::vector<int>& slots) {
    using M = ModelParameters;
    using S = ScanStore;
    if (ModelChoice::automaticAlgorithm || !ModelChoice::claverieAlgorithm || M::autoGridSize ||
        ModelChoice::fixedTimeStep || S::scanCount <= 0 || S::header == nullptr)
        return;
    if (FitControl::fitInProgress && LammGrid::modelNoticeShown)
        return;
    const ScanHeader& last = S::header[ScanAtPosition(S::scanCount)];
    const double lastTime = S::rampRotorSpeed ? last.originalTime : last.time;
    const int nodes = LammGrid::defaultGridSize;
    const double limit = LammGrid::dcOverCLimit;
    int slowest = 0;
    double steps = 0.0;
    for (const int slot : slots) {
        const double n =
            FixedGridStepEstimate(M::speciesS[slot], SpeciesDiffusion(slot), LastScanRpm(),
                                  M::meniscus, M::bottom, lastTime, limit);
        if (n > steps)
            steps = n, slowest = slot;
    }
    if (slowest == 0 || !(steps * nodes > kSlowPointSteps))
        return;
    char text[600];
    std::snprintf(text, sizeof text,
                  "species %d (s = %.3g S) takes about %.0f time steps on the fixed grid of %d "
                  "points with max dc/c %.2f:\nthe steps follow the sharp edges of its boundary, "
                  "and each of them solves all %d points.\nThe run and every evaluation of a fit "
                  "will be slow; the moving hat algorithm or the automatic finite element "
                  "algorithm (Lamm Equation Parameters) takes a small part of that time.",
                  slowest, double(M::speciesS[slowest]), TwoSignificantDigits(steps), nodes, limit,
                  nodes);
    ShowSlowRunNotice(window, text);
}

void ShowSlowRunNotice(TXLAWindow* window, const char* text) {
    ShowWarning(window, text, "");
    if (FitControl::fitInProgress)
        LammGrid::modelNoticeShown = true;
}
