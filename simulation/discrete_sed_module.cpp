// Algorithm choice and Lamm solution of one species on the simulation grid.
#include "simulation/discrete_sed_module.h"

#include "scandata/scan_header.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/automatic_grid_size.h"
#include "simulation/discrete_sed.h"
#include "simulation/fixed_grid_solver.h"
#include "simulation/grid_error_words.h"
#include "simulation/initial_profile.h"
#include "simulation/lamm_arrays.h"
#include "simulation/lamm_sim_error.h"
#include "simulation/linear_parameter_dispatch.h"
#include "simulation/module_solvers.h"
#include "simulation/radial_grid.h"
#include "simulation/run_end_tests.h"
#include "simulation/scan_output.h"
#include "simulation/speed_and_equilibrium.h"
#include "simulation/weighted_element_integrals.h"
#include "state/component_scans.h"
#include "state/dls_data.h"
#include "state/held_discretisation.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/run_switches.h"
#include "state/scan_order.h"
#include "state/window_services.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

using M = ModelParameters;
using S = ScanStore;

// What a species' attempts write: every scan's fit, or the slot's rows of ComponentScans. A
// failed attempt is undone by putting these back, so no other species' signal is touched.
struct ModelSnapshot {
    std::vector<std::vector<float>> rows;

    void Take(int slot) {
        rows.assign(std::size_t(S::scanCount) + 1, {});
        for (int k = 1; k <= S::scanCount; ++k) {
            const float* row = Row(slot, k);
            rows[std::size_t(k)].assign(row, row + Count(k) + 1);
        }
    }
    void Restore(int slot) const {
        for (int k = 1; k <= S::scanCount; ++k)
            std::copy(rows[std::size_t(k)].begin(), rows[std::size_t(k)].end(), Row(slot, k));
    }
    static int Count(int k) {
        return SignalGoesIntoFit() ? S::pointCount[k] : ComponentScans::Count(k);
    }
    static float* Row(int slot, int k) {
        return SignalGoesIntoFit() ? S::fit[k] : ComponentScans::Row(slot, k, Count(k));
    }
};

double TargetTime(int pos) {
    const ScanHeader& h = S::header[ScanAtPosition(pos)];
    return S::rampRotorSpeed && !gDlsData ? h.originalTime : h.time;
}

// Uniform loading (or the measured profile from its time), the rotor with its acceleration
// phase, and the step control: the state every attempt starts from; and its clock, with the
// first scan awaited.
[[nodiscard]] CGridClock StartState(TXLAWindow* window, double loading, bool keepStartTime,
                                    const CInitialProfile* initial) {
    if (initial != nullptr)
        SampleInitialProfile(*initial, LammGrid::allocatedGridSize, LammGrid::radius,
                             LammGrid::concentration);
    else
        for (int i = 1; i <= LammGrid::allocatedGridSize; ++i)
            LammGrid::concentration[i] = loading;
    LammGrid::rotorSpeed = LastScanRpm();
    CGridClock clock;
    clock.time = initial != nullptr ? initial->timeS : 0.0;
    if (keepStartTime && M::startTimeOn)
        clock.time = M::startTime;
    clock.targetScan = LammGrid::firstSimulatedScan;
    clock.targetScanTime = clock.endTime = TargetTime(clock.targetScan);
    clock.endTimePending = true;
    gUserInterrupt.store(false, std::memory_order_relaxed);
    clock.dt = LammGrid::initialDt;
    LammGrid::progressObserver = WindowServices::ObserverOf(window);
    const ScanHeader& first = S::header[ScanAtPosition(1)];
    LammGrid::accelerating = S::rampRotorSpeed && !gDlsData && first.accelerationTime >= 10.0;
    if (LammGrid::accelerating) {
        LammGrid::accelerationTime = first.accelerationTime;
        LammGrid::accelerationRate = first.accelerationRate;
        LammGrid::maxRotorSpeed = LastScanRpm();
    } else {
        LammGrid::accelerationTime = 0.0;
    }
    LammGrid::dcOverCLimit = LammGrid::maxDcOverC;
    LammGrid::dcOverCLow = 0.05 * LammGrid::maxDcOverC;
    LammGrid::dcOverCMid = 0.2 * LammGrid::maxDcOverC;
    LammGrid::singularMatrix = LammGrid::discretizationError = 0;
    return clock;
}

// The attempts after a failed solution, each from a fresh start without grid truncation: the
// same algorithm, the moving hat algorithm where the fixed grid failed, and the meniscus repair.
struct Retry {
    bool movingHatAfterFixedGrid;
    bool lastResort;
};
constexpr Retry kRetries[] = {{false, false}, {true, false}, {false, true}};

bool FindHeld(int list, int slot, HeldLammGrid& held) {
    return list >= 0 && HeldDiscretisation::Find(list, slot, held);
}

} // namespace

GridSizeInputs GridSizeInputsFor(int slot) {
    GridSizeInputs in;
    in.sS = M::speciesS[slot];
    in.dCm2s = SpeciesDiffusion(slot);
    in.temperatureC = ScanTemperatureKelvin() - 273.15;
    in.vbar = S::vbar;
    in.density = S::density;
    in.rpm = LastScanRpm();
    in.meniscus = M::meniscus;
    in.bottom = M::bottom;
    const int first = S::firstFitIndex != nullptr && S::firstFitIndex[1] >= 1 &&
                              S::firstFitIndex[1] <= S::pointCount[1]
                          ? S::firstFitIndex[1]
                          : 1;
    in.firstFitRadius = S::pointCount[1] >= 1 ? S::radius[1][first] : M::meniscus;
    const ScanHeader& h = S::header[ScanAtPosition(1)];
    in.accelerationRate = h.accelerationRate;
    in.accelerationTime = h.accelerationTime;
    in.pointsPerSigma = M::pointsPerSigma;
    in.minNodes = M::minGridSize;
    in.maxNodes = M::maxGridSize;
    in.movingHat = ModelChoice::movingHatAlgorithm;
    return in;
}

namespace {

// Arrays for n nodes, made now when there were none yet.
void UseGridOf(int n) {
    LammGrid::gridSize = n;
    if (LammGrid::arraysAllocated)
        EnsureLammArrays(n);
    else
        AllocLammArrays();
}

// The default grid with the whole grid active: the size for a species that is no real
// particle (frictional ratio below 0.5).
void UseDefaultGridWholeActive() {
    LammGrid::backDiffusionShutOff = false;
    LammGrid::activeRegionOff = true;
    UseGridOf(LammGrid::defaultGridSize);
}

// A grid sized before in this optimiser run, with its shape following meniscus and bottom.
void ApplyHeldSimulationGrid(const HeldLammGrid& held) {
    const double m = M::meniscus, b = M::bottom;
    if (held.growthStep > 0.0) {
        if (LammGrid::arraysAllocated)
            FreeLammArrays();
        LammGrid::gridSize = held.nodes;
        LammGrid::growingGrid = true;
        LammGrid::growthStartRadius = m + held.growthStart * (b - m);
        LammGrid::uniformStep = held.growthStep * (b - m);
        AllocLammArrays();
        LammGrid::growingGrid = false;
        return;
    }
    UseGridOf(held.nodes);
}

} // namespace

void SizeGridForSpecies(int slot, int heldList) {
    using C = ModelChoice;
    LammGrid::activeRegionOff = false;
    LammGrid::movingGridCount = LammGrid::uniformGridCount = 0;
    // The sizing follows a boundary that the centrifugal field sharpens, which an electric
    // field does not, on a sector's grid that narrows towards the bottom: the cells of other
    // cross-sections solve on a uniform grid, whose few automatic nodes let the pile-up at the
    // bottom ring into negative values; they keep the set grid size.
    const bool automatic = M::autoGridSize && !gDlsData && !C::zoneCentrifugation &&
                           !S::equilibriumData && M::speciesDOrM[slot] > 0.0f &&
                           !SpecialCellGeometryChosen();
    if (!automatic) {
        UseGridOf(LammGrid::defaultGridSize);
        return;
    }
    GridSizeInputs in = GridSizeInputsFor(slot);
    HeldLammGrid held;
    const bool holding = FindHeld(heldList, slot, held);
    if (holding && held.resolution < 0.0) {
        UseDefaultGridWholeActive();
        return;
    }
    if (holding && held.resolution > 0.0) {
        // This trial's own need against the grid held since the first evaluation.
        const GridSizeChoice own = ChooseAutomaticGridSize(in);
        if (own.sized && own.uniformCount > held.resolution)
            HeldDiscretisation::NoteOutgrown();
        LammGrid::frictionalRatio = float(own.frictionalRatio);
        LammGrid::movingGridCount = own.movingCount;
        LammGrid::uniformGridCount = own.uniformCount;
        ApplyHeldSimulationGrid(held);
        return;
    }
    // The first evaluation of an optimiser run sizes with room for the trials that follow.
    if (holding)
        in.pointsPerSigma *= HeldDiscretisation::kMargin;
    const GridSizeChoice c = ChooseAutomaticGridSize(in);
    LammGrid::frictionalRatio = float(c.frictionalRatio);
    if (!c.sized) {
        UseDefaultGridWholeActive();
        if (holding) {
            held.resolution = -1.0;
            HeldDiscretisation::Store(heldList, slot, held);
        }
        return;
    }
    LammGrid::backDiffusionShutOff = CheckEquilibriumExponentRange(in.sS, in.dCm2s);
    LammGrid::rotorSpeed = in.rpm;
    LammGrid::omega2S =
        std::pow(in.rpm * 2.0 * std::numbers::pi / 60.0, 2) * std::fabs(in.sS) * 1e-13;
    LammGrid::boundaryWidth = float(c.boundaryWidth);
    LammGrid::uniformGridCount = c.uniformCount;
    LammGrid::movingGridCount = c.movingCount;
    LammGrid::gridStartRadius = c.startRadius;
    LammGrid::gridSize = c.nodes;
    if (C::claverieAlgorithm && !C::movingHatAlgorithm && LammGrid::optimizeGridSpacing &&
        LammGrid::backDiffusionShutOff && !C::zoneCentrifugation)
        SetupLammGrid(c.startRadius);
    else
        UseGridOf(c.nodes);
    if (!holding)
        return;
    held.nodes = LammGrid::gridSize;
    held.resolution = std::max(c.uniformCount, 1); // sized: never the "not yet" of 0
    const double m = M::meniscus, b = M::bottom;
    held.growthStart = held.growthStep = 0.0;
    if (LammGrid::growingGridBuilt) {
        held.growthStart = (LammGrid::growthStartRadius - m) / (b - m);
        held.growthStep = LammGrid::uniformStep / (b - m);
    }
    HeldDiscretisation::Store(heldList, slot, held);
}

void ChooseAlgorithmHeld(int slot, double sS, int heldList) {
    using C = ModelChoice;
    HeldLammGrid held;
    // within an optimiser run a slot that is not solved changes nothing
    if (heldList >= 0 && !M::speciesIncluded[slot])
        return;
    if (!FindHeld(heldList, slot, held)) {
        ChooseAlgorithmForSpecies(sS);
        if (heldList >= 0) {
            held.movingHat = C::movingHatAlgorithm;
            held.claverie = C::claverieAlgorithm;
            held.automaticSGrid = LammGrid::automaticSGrid;
            held.fixTimestep = C::fixedTimeStep;
            held.backDiffusionShutOff = CheckEquilibriumExponentRange(sS, SpeciesDiffusion(slot));
            HeldDiscretisation::Store(heldList, slot, held);
        }
        return;
    }
    if (held.movingHat != C::movingHatAlgorithm || held.claverie != C::claverieAlgorithm) {
        C::movingHatAlgorithm = held.movingHat;
        C::claverieAlgorithm = held.claverie;
        EnsureLammArrays(LammGrid::gridSize);
    }
    LammGrid::automaticSGrid = held.automaticSGrid;
    C::fixedTimeStep = held.fixTimestep;
}

double AutomaticAlgorithmLimit() {
    const bool optimized = LammGrid::optimizeGridSpacing && ModelParameters::autoGridSize &&
                           !ModelChoice::zoneCentrifugation;
    const double normalized = optimized ? LammGrid::autoChangeSOptimized : LammGrid::autoChangeS;
    const double speed = LastScanRpm() / 30000.0;
    return speed > 0.0 ? normalized / (speed * speed) : normalized;
}

void ChooseAlgorithmForSpecies(double sS) {
    using C = ModelChoice;
    // The cells of other cross-sections exist on the fixed grid only, whatever the options say.
    if (SpecialCellGeometryChosen()) {
        if (!C::claverieAlgorithm || C::movingHatAlgorithm) {
            C::claverieAlgorithm = true;
            C::fixedTimeStep = C::movingHatAlgorithm = false;
            EnsureLammArrays(LammGrid::gridSize);
        }
        return;
    }
    if (gDlsData || !C::automaticAlgorithm || ScanStore::equilibriumData)
        return;
    const double limit = AutomaticAlgorithmLimit();
    const double size = std::fabs(sS);
    if (size < limit && !C::claverieAlgorithm) {
        C::claverieAlgorithm = true;
        C::fixedTimeStep = C::movingHatAlgorithm = false;
        EnsureLammArrays(LammGrid::gridSize);
    } else if (size > limit && !C::movingHatAlgorithm) {
        C::movingHatAlgorithm = true;
        C::claverieAlgorithm = false;
        LammGrid::automaticSGrid = true;
        EnsureLammArrays(LammGrid::gridSize);
    }
}

LammResult SolveOnSimulationGrid(GridAlgorithm algorithm, const CLammProblem& problem,
                                 const CLammControl& control, CGridClock& clock, CLammSink& out) {
    switch (algorithm) {
    case GridAlgorithm::MovingHat:
        return SolveMovingHat(problem, control, clock, out);
    case GridAlgorithm::FixedGrid:
        return CFixedGridSolver().Run(problem, control, clock, out);
    case GridAlgorithm::CellCentred:
        return LammResult::Solved; // neither algorithm chosen: nothing is computed for the slot
    case GridAlgorithm::None:
    case GridAlgorithm::MovingFrame: // a concentration-dependent model's, not this module's
        return LammResult::Refused;
    }
    return LammResult::Refused; // a value outside the enumeration solves nothing
}

CGridClock StartSpeciesRun(TXLAWindow* window, double loading) {
    return StartState(window, loading, true, nullptr);
}

bool SolveSpeciesOnGrid(TXLAWindow* window, int slot, double loading) {
    return SolveSpeciesOnGrid(window, slot, loading, SolveOnSimulationGrid, -1);
}

bool SolveSpeciesOnGrid(TXLAWindow* window, int slot, double loading,
                        const GridSpeciesSolver& solve, int heldList) {
    if (!LammGrid::arraysAllocated && !AllocLammArrays())
        return false;
    if (LammGrid::allocatedGridSize != LammGrid::gridSize ||
        (ModelChoice::movingHatAlgorithm && LammGrid::movingRadius == nullptr))
        EnsureLammArrays(LammGrid::gridSize);
    if (!LammGrid::arraysAllocated)
        return false;
    HeldLammGrid held;
    LammGrid::backDiffusionShutOff = FindHeld(heldList, slot, held)
                                         ? held.backDiffusionShutOff
                                         : CheckEquilibriumExponentRange(LammGrid::s, LammGrid::d);
    const GridAlgorithm chosen = ChosenGridAlgorithm();
    // the moving hat algorithm steps by its grid period, as SolveLammFE shows
    if (chosen == GridAlgorithm::MovingHat)
        ModelChoice::fixedTimeStep = true;
    CScanOutput scans;
    ModelSnapshot before;
    before.Take(slot);
    // A measured start profile is the species' share of the initial data, from their time.
    const bool measured = M::experimentalInitialDistribution;
    const CInitialProfile initial = ExperimentalInitialProfile(measured ? SpeciesShare(slot) : 0.0);
    CGridClock clock = StartState(window, loading, true, measured ? &initial : nullptr);
    CLammProblem problem = LammProblemOfRecord();
    problem.initial = measured ? &initial : nullptr;
    LammResult result = solve(chosen, problem, LammControlOfRecord(), clock, scans);
    // The retries start again from a uniform loading at time 0, which a measured profile is not.
    if (GridRunFailed(result) && !measured && !gUserInterrupt.load(std::memory_order_relaxed)) {
        // Retries on a fresh start, each from the model as it was before this species. The
        // moving hat takes the node count sized for its geometric grid, when one was sized.
        const int fixedNodes = LammGrid::gridSize;
        const int movingNodes =
            LammGrid::movingGridCount > 0 && M::autoGridSize
                ? std::clamp(LammGrid::movingGridCount, M::minGridSize, M::maxGridSize)
                : fixedNodes;
        for (const Retry& retry : kRetries) {
            if (!GridRunFailed(result))
                break;
            if (retry.movingHatAfterFixedGrid &&
                (chosen != GridAlgorithm::FixedGrid || SpecialCellGeometryChosen()))
                continue;
            const GridAlgorithm algorithm =
                retry.movingHatAfterFixedGrid ? GridAlgorithm::MovingHat : chosen;
            if (algorithm != chosen)
                EnsureLammArraysFor(movingNodes, algorithm);
            before.Restore(slot);
            scans.Start();
            clock = StartState(window, loading, false, nullptr);
            CLammControl control = LammControlOfRecord();
            control.truncateGrid = false;
            control.lastResort = retry.lastResort;
            result = solve(algorithm, LammProblemOfRecord(), control, clock, scans);
            if (algorithm != chosen)
                EnsureLammArraysFor(fixedNodes, chosen);
        }
    }
    SetGridErrorWords(result);
    SetGridClockOfRun(clock);
    if (GridRunFailed(result))
        before.Restore(slot);
    if (chosen == GridAlgorithm::MovingHat)
        ScaleGridByExponential(clock.time);
    return !GridRunFailed(result);
}
