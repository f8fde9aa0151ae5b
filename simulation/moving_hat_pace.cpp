// The pace of a species on the moving hat's grid.
#include "simulation/moving_hat_pace.h"

#include "scandata/scan_header.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/discrete_sed.h"
#include "simulation/discrete_sed_module.h"
#include "simulation/fixed_grid_pace.h"
#include "simulation/lamm_template.h"
#include "simulation/run_end_tests.h"
#include "state/fit_control.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/scan_order.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

double MovingHatStepEstimate(const MovingHatRunShape& run) {
    const double m = run.meniscus, b = run.bottom;
    if (run.nodes < 2 || !(m > 0.0) || !(b > m) || !(run.lastTime > 0.0) || !(run.maxDcOverC > 0.0))
        return 0.0;
    const double omega = run.rpm * 0.10471975511965977;
    const double rate = std::fabs(run.sS) * 1e-13 * omega * omega;
    if (!(rate > 0.0) || !std::isfinite(rate))
        return 0.0;
    const double cross = std::log(b / m) / rate; // s at full speed
    const double step = std::min(1.0, run.maxDcOverC) * cross / (run.nodes - 1);
    // A linear ramp from rest gives omega^2 t its third of full speed's by its end.
    const double ramp = std::max(run.rampTime, 0.0);
    double time = ramp / 3.0 >= cross ? std::cbrt(3.0 * cross * ramp * ramp) : cross + ramp * 2 / 3;
    // The species gathers at the cell's end in a layer of depth D / (s omega^2 r) holding the
    // column's amount; where its foot reaches the fitted data above the level at which the run
    // ends as depleted, the run ends by the equilibrium test.
    const bool sediments = run.sS > 0.0;
    const double end = sediments ? b : m;
    const double gap = sediments ? b - run.outerFit : run.innerFit - m;
    const double layer = run.dCm2s / (rate * end);
    const double peak = (b * b - m * m) / (2.0 * end * layer);
    const double reach = layer * std::log(peak / double(kDepletedEndLevel));
    // The floating grid's nodes lie half a grid ratio inward of the sedimenting one's, its
    // second node at m (b/m)^(1.5 / (n - 1)); fitted data that begin below it leave no node
    // between them and the meniscus, where the species piles up, to tell that it has gone.
    const double second = m * std::pow(b / m, 1.5 / (run.nodes - 1));
    const bool unseen = !sediments && run.innerFit < second;
    if (unseen && layer < second - m)
        time = run.lastTime; // a layer thinner than the element never settles on the grid
    else if (unseen || !(gap > reach))
        time = std::max(time, ramp) + 11.0 * kEquilibriumStepLength; // settled at full speed
    else if (ramp > 0.0)
        // While the rotor speeds up, the layer is deeper by (full speed / speed)^2: its foot
        // leaves the fitted data only once the speed makes its reach the gap.
        time = std::max(time, ramp * std::sqrt(reach / gap));
    const double steps = std::min(time, run.lastTime) / step;
    return std::isfinite(steps) ? steps : 0.0;
}

void SayWhenTheMovingHatIsSlow(TXLAWindow* window, const std::vector<int>& slots) {
    using M = ModelParameters;
    using S = ScanStore;
    if ((!ModelChoice::automaticAlgorithm && !ModelChoice::movingHatAlgorithm) ||
        S::scanCount <= 0 || S::header == nullptr || S::pointCount[1] < 1)
        return;
    if (FitControl::fitInProgress && LammGrid::modelNoticeShown)
        return;
    const ScanHeader& first = S::header[ScanAtPosition(1)];
    const ScanHeader& last = S::header[ScanAtPosition(S::scanCount)];
    MovingHatRunShape run;
    run.rpm = LastScanRpm();
    run.meniscus = M::meniscus, run.bottom = M::bottom;
    const float* radius = S::radius[1];
    run.innerFit = S::leftFitLimit > 0.0f ? S::leftFitLimit : radius[1];
    run.outerFit = S::rightFitLimit > 0.0f ? S::rightFitLimit : radius[S::pointCount[1]];
    run.rampTime =
        S::rampRotorSpeed && first.accelerationTime >= 10.0 ? first.accelerationTime : 0.0;
    run.lastTime = S::rampRotorSpeed ? last.originalTime : last.time;
    run.maxDcOverC = LammGrid::dcOverCLimit;
    int slowest = 0, nodes = 0;
    double steps = 0.0;
    for (const int slot : slots) {
        run.sS = M::speciesS[slot];
        run.dCm2s = SpeciesDiffusion(slot);
        run.nodes = LammGrid::defaultGridSize;
        if (M::autoGridSize) {
            GridSizeInputs in = GridSizeInputsFor(slot);
            in.movingHat = true;
            if (const GridSizeChoice c = ChooseAutomaticGridSize(in); c.sized)
                run.nodes = c.nodes;
        }
        const double n = MovingHatStepEstimate(run);
        if (n * run.nodes > steps * nodes)
            steps = n, slowest = slot, nodes = run.nodes;
    }
    if (slowest == 0 || !(steps * nodes > kSlowPointSteps))
        return;
    char text[600];
    std::snprintf(text, sizeof text,
                  "species %d (s = %.3g S) takes about %.0f time steps on the moving hat's grid of "
                  "%d points:\nthe grid follows its boundary one element per step, and each step "
                  "solves all %d points.\nThe run and every evaluation of a fit will be slow; a "
                  "grid of fewer points (Lamm Equation Parameters) takes a smaller part of that "
                  "time.",
                  slowest, double(M::speciesS[slowest]), TwoSignificantDigits(steps), nodes, nodes);
    ShowSlowRunNotice(window, text);
}
