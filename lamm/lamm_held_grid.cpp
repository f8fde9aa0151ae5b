// The discretisation of a solution within a fit: chosen once, from the start values, and held.
#include "lamm/lamm_ideal.h"

// Outside a fit the automatic rules choose at every solution. Within one, the first solution of
// each equation chooses with the margin on the points per sigma and records its choices; every
// later solution takes them, so the node count and layout, the algorithm and the opened bottom
// no longer step with D, s and the meniscus under the optimiser's difference steps. The margin
// keeps the held grid at least as fine as the automatic rule over the trials near the start;
// a trial that needs more is noted, and the optimiser run is repeated on grids sized again from
// its best vector (optimiser_choice.cpp), so the result never rests on a coarser grid. The steps
// in time of the fixed grid are held the same way: the later solutions take the steps the first
// one accepted (the scan times are the same for all), and a step that would have been refused
// marks the run for repetition like a grid that is too coarse.
void CLammIdeal::SizeGridHeldOrAutomatic() {
    if (heldList < 0) {
        SizeGrid();
        return;
    }
    HeldLammGrid held;
    const bool found = HeldDiscretisation::Find(heldList, equationNumber, held);
    // The species' speed holds the algorithm for the whole fit; the sharpness of the boundary at
    // the fit limit does not: it follows the meniscus. A trial at the meniscus bound next to the
    // fit limit takes the moving hat on a grid of its own and holds nothing, so the fit's other
    // trials keep the fixed grid and do not pay for that one.
    if (hatForSharpness) {
        heldSteps.clear();
        heldStepAt = 0;
        SizeGrid();
        return;
    }
    if (!found) {
        const float automatic = pointsPerSigma;
        pointsPerSigma = static_cast<float>(automatic * HeldDiscretisation::kMargin);
        SizeGrid();
        pointsPerSigma = automatic;
        heldRecord = GridToHold();
        recordSteps = true;
        recordedSteps.clear();
        return;
    }
    heldSteps = held.steps;
    heldStepAt = 0;
    movingHatAlgorithm = held.movingHat;
    claverieAlgorithm = held.claverie;
    automaticSGrid = held.automaticSGrid;
    fixTimestep = held.fixTimestep;
    firstTimeStep = held.firstTimeStep;
    // the automatic choice of this trial, for its estimate of the nodes it needs; the arrays are
    // made once, for the held grid, unless none is held
    sizingOnly = held.nodes != 0;
    SizeGrid();
    sizingOnly = false;
    if (held.nodes == 0 || setupSucceeded == 0)
        return;
    if (gridEstimateUniform > held.resolution)
        HeldDiscretisation::NoteOutgrown();
    ApplyHeldGrid(held);
}

void CLammIdeal::ApplyHeldGrid(const HeldLammGrid& held) {
    const int n = held.nodes;
    twoPartRadii.clear();
    if (static_cast<int>(held.fractions.size()) == n + 1) {
        const double m = meniscus, b = bottom;
        twoPartRadii.assign(n + 1, 0.0);
        for (int i = 1; i <= n; ++i)
            twoPartRadii[i] = m + held.fractions[i] * (b - m);
        twoPartRadii[1] = m;
        twoPartRadii[n] = b;
    }
    Regrid(n);
    backDiffusionShutOff = held.backDiffusionShutOff;
}

// What this solution chose, as the later solutions of the fit take it. Only a grid sized from
// the parameters is held; a set grid size is the same at every trial anyway.
HeldLammGrid CLammIdeal::GridToHold() const {
    HeldLammGrid held;
    held.movingHat = movingHatAlgorithm;
    held.claverie = claverieAlgorithm;
    held.automaticSGrid = automaticSGrid;
    held.fixTimestep = fixTimestep;
    held.firstTimeStep = firstTimeStep;
    if (!SizedAutomatically() || ConcentrationDependent())
        return held;
    held.nodes = N;
    held.backDiffusionShutOff = backDiffusionShutOff;
    held.resolution = gridEstimateUniform;
    if (claverieAlgorithm && static_cast<int>(twoPartRadii.size()) == N + 1) {
        const double m = meniscus, b = bottom;
        held.fractions.assign(N + 1, 0.0);
        for (int i = 1; i <= N; ++i)
            held.fractions[i] = (twoPartRadii[i] - m) / (b - m);
    }
    return held;
}

// After the first solution of an equation in the fit: its choices and accepted steps are held
// for the later ones. A solution that failed holds nothing (the next one chooses again), and a
// retry after a failure chooses its steps itself.
void CLammIdeal::HoldAfterSolve() {
    const bool failed = discretizationError || singularMatrix || setupSucceeded == 0;
    if (recordSteps) {
        recordSteps = false;
        if (!failed && !stopRequested) {
            heldRecord.steps = std::move(recordedSteps);
            HeldDiscretisation::Store(heldList, equationNumber, heldRecord);
        }
        recordedSteps.clear();
    }
    if (failed) {
        heldSteps.clear();
        heldStepAt = 0;
    }
}
