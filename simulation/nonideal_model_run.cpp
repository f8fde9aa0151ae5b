// Run of the non-ideal and self-associating single-component models: the entered species values
// handed to the concentration-dependent solver, the profile at each scan time into the model.
#include "simulation/nonideal_model_run.h"

#include "foundations/notice_boxes.h"
#include "lamm/lamm_result.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/discrete_sed.h"
#include "simulation/discrete_sed_module.h"
#include "simulation/grid_error_words.h"
#include "simulation/lamm_arrays.h"
#include "simulation/lamm_sim_error.h"
#include "simulation/linear_parameter_dispatch.h"
#include "simulation/module_solvers.h"
#include "simulation/moving_frame_solver.h"
#include "simulation/nonlinear_solver.h"
#include "simulation/reacting_system.h"
#include "simulation/run_end_tests.h"
#include "simulation/scan_output.h"
#include "state/fit_control.h"
#include "state/held_discretisation.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/reaction_parameters.h"
#include "state/run_switches.h"
#include "state/window_services.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace {

using C = ModelChoice;
using M = ModelParameters;
using S = ScanStore;

// The models are solved as for velocity data on equilibrium data too: the user is told first.
constexpr const char* kNotForEquilibriumData = "not implemented yet for sed eq data";

bool OligomerScheme() {
    return C::associationVariantA || C::associationVariantB || C::selfAssocTetramerOctamer ||
           C::selfAssocDimerTetramer;
}

// The solvers' coefficients from the entered values: s in S, D in cm^2/s (from the molar mass
// by the Svedberg relation in the M-and-s form).
void HandOverSpeciesValues() {
    M::assocS1 = M::speciesS[1];
    M::assocS2 = M::speciesS[2];
    M::assocD1 = float(SpeciesDiffusion(1));
    M::assocD2 = float(SpeciesDiffusion(2));
    if (OligomerScheme()) {
        M::oligoS1 = M::speciesS[1], M::oligoS2 = M::speciesS[2], M::oligoS3 = M::speciesS[3];
        M::oligoD1 = M::assocD1, M::oligoD2 = M::assocD2;
        M::oligoD3 = float(SpeciesDiffusion(3));
    }
}

} // namespace

bool NonidealSingleModelChosen() {
    return !C::lammModel &&
           (C::monomerDimer || C::monomerTrimer || OligomerScheme() || C::singleSpecies);
}

namespace {

// The evaluation around one solver run on the simulation grid: checks, the model cleared, the
// start state, the solver, and the closing linear parameters; a key press or a missing solution
// leaves the fit as it was.
// The scans' values of a solution loaded with c0 stay within what c0 allows: not far below zero,
// and not grown without bound.
bool ScansWithinTheLoading(double c0) {
    const LoadingBounds bounds(c0);
    bool within = true;
    for (int k = 1; k <= S::scanCount; ++k)
        for (int p = 1; p <= S::pointCount[k]; ++p)
            within &= bounds.Hold(S::fit[k][p]);
    return within;
}

// loading: the component's loading when its scans are to be checked against it (0: not checked).
bool RunSingleComponent(TXLAWindow* window, double loading,
                        const std::function<LammResult(CScanOutput&, CGridClock&)>& solve) {
    if (S::scanCount <= 0 || !CheckDiscreteModelInput(window))
        return false;
    if (!SignalGoesIntoFit() && (S::gridRadius == nullptr || S::gridCount <= 0))
        return false;
    ApplyDefaultFitLimits();
    UnpackFitParameters();
    LammGrid::firstScanIsInitial = false;
    LammGrid::firstSimulatedScan = 1;
    // The component is one species whose signal is the profile itself.
    for (int k = 1; k <= M::maxSpecies; ++k)
        M::speciesLoading[k] = k == 1 ? 1.0f : 0.0f;
    LammGrid::loadingFraction = 1.0f;
    LammGrid::currentSpecies = 1;
    if (!LammArraysAtGridSize())
        return false;
    std::vector<std::vector<float>> previous(std::size_t(S::scanCount) + 1);
    for (int k = 1; k <= S::scanCount; ++k)
        previous[std::size_t(k)].assign(S::fit[k], S::fit[k] + S::pointCount[k] + 1);
    ClearModelRows(); // every scan: the first simulated is scan 1
    if (gSimulateOnly)
        WindowServices::RequestRepaint(window);
    LammGrid::nonDiffusing = false;
    CScanOutput scans;
    CGridClock clock;
    const LammResult result = solve(scans, clock);
    SetGridErrorWords(result);
    SetGridClockOfRun(clock);
    LammGrid::progressObserver = nullptr;
    // an oscillation that ran away on the scans' radii is no model either
    const bool runaway =
        !LammSolutionMissing(result) && loading > 0.0 && !ScansWithinTheLoading(loading);
    // the buffer's signal beside the component, unless the component is missing already
    const bool bufferUnsolved = !gUserInterrupt.load(std::memory_order_relaxed) &&
                                !LammSolutionMissing(result) && !runaway &&
                                !AddBufferSignalToModel(window);
    if (gUserInterrupt.load(std::memory_order_relaxed) || LammSolutionMissing(result) || runaway ||
        bufferUnsolved) {
        for (int k = 1; k <= S::scanCount; ++k)
            std::copy(previous[std::size_t(k)].begin(), previous[std::size_t(k)].end(), S::fit[k]);
        // a solution that could not start says why (a refusal and the buffer have said it)
        if (!gUserInterrupt.load(std::memory_order_relaxed) && !bufferUnsolved)
            ReportLammSimError(window, runaway ? LammResult::DiscretizationError : result);
        return false;
    }
    if (result != LammResult::Solved)
        ReportLammSimError(window, result);
    FinishModelEvaluation(window);
    return true;
}

} // namespace

namespace {

// With the automatic algorithm: the Claverie algorithm while the model's s (for the non-ideal
// species its s at half the loading) lies below the normalized s for automatic change at the
// last scan's speed, else the moving hat with the automatic s grid. The arrays follow a change.
void ChooseNonidealAlgorithm() {
    if (!C::automaticAlgorithm || S::equilibriumData)
        return;
    const double speed = LastScanRpm() / 30000.0;
    const double limit =
        speed > 0.0 ? LammGrid::autoChangeS / (speed * speed) : double(LammGrid::autoChangeS);
    double s = M::speciesS[1];
    if (!C::monomerDimer && !C::monomerTrimer && !OligomerScheme() && C::singleSpecies)
        s /= 1.0 + 0.5 * M::concentration[1] * std::pow(10.0, double(M::logKs));
    const bool claverie = s < limit;
    if (claverie == C::claverieAlgorithm && claverie != C::movingHatAlgorithm)
        return;
    C::claverieAlgorithm = claverie;
    C::movingHatAlgorithm = !claverie;
    if (claverie)
        C::fixedTimeStep = false;
    else
        LammGrid::automaticSGrid = true;
    EnsureLammArrays(LammGrid::gridSize);
}

// Within an optimiser run the choice of the first evaluation is kept by the later ones: a trial
// whose s crosses the limit would otherwise switch solver and make the objective jump there.
void ChooseNonidealAlgorithmHeld() {
    const int list = HeldDiscretisation::NextList();
    HeldLammGrid held;
    if (list < 0 || !HeldDiscretisation::Find(list, 1, held)) {
        ChooseNonidealAlgorithm();
        if (list < 0)
            return;
        held.movingHat = C::movingHatAlgorithm;
        held.claverie = C::claverieAlgorithm;
        held.automaticSGrid = LammGrid::automaticSGrid;
        held.fixTimestep = C::fixedTimeStep;
        HeldDiscretisation::Store(list, 1, held);
        return;
    }
    const bool changed =
        held.movingHat != C::movingHatAlgorithm || held.claverie != C::claverieAlgorithm;
    C::movingHatAlgorithm = held.movingHat;
    C::claverieAlgorithm = held.claverie;
    LammGrid::automaticSGrid = held.automaticSGrid;
    C::fixedTimeStep = held.fixTimestep;
    if (changed)
        EnsureLammArrays(LammGrid::gridSize);
}

// The moving frame for the non-ideal species and the dimer and trimer with the moving hat
// algorithm; the fixed grid otherwise, and always for the oligomer schemes.
bool MovingFrameChosen() {
    return C::movingHatAlgorithm && !C::claverieAlgorithm && !OligomerScheme();
}

// The boxes of a model solved in an inhomogeneous solvent (when the model says so) or on
// equilibrium data, which it is not made for; the evaluation goes on. A fit evaluates the model
// dozens of times: the boxes show at its first evaluation only.
void SayWhatTheModelIsNotMadeFor(TXLAWindow* window, bool solvent) {
    if (S::scanCount <= 0 || (FitControl::fitInProgress && LammGrid::modelNoticeShown))
        return;
    std::vector<const char*> texts;
    if (solvent && C::inhomogeneousSolvent)
        texts.push_back("this model is not implemented yet for inhomogeneous solvent");
    if (S::equilibriumData)
        texts.push_back(kNotForEquilibriumData);
    for (const char* text : texts)
        ShowWarning(window, text, "");
    if (!texts.empty() && FitControl::fitInProgress)
        LammGrid::modelNoticeShown = true;
}

} // namespace

bool RunNonidealSingleModel(TXLAWindow* window) {
    SayWhatTheModelIsNotMadeFor(window, true);
    if (S::scanCount > 0)
        ChooseNonidealAlgorithmHeld();
    const double loading =
        M::experimentalInitialDistribution ? 0.0 : std::fabs(double(M::concentration[1]));
    return RunSingleComponent(window, loading, [window](CScanOutput& scans, CGridClock& clock) {
        HandOverSpeciesValues();
        LammGrid::s = M::assocS1;
        LammGrid::d = M::assocD1;
        const bool frame = MovingFrameChosen();
        if (frame && LammGrid::movingRadius == nullptr)
            EnsureLammArrays(LammGrid::gridSize);
        // the moving frame steps by its grid period, as the moving hat of the species loop does:
        // "fix timestep" stays on after it
        if (frame)
            C::fixedTimeStep = true;
        clock = StartSpeciesRun(window, double(M::concentration[1]));
        if (frame && LammGrid::movingRadius != nullptr)
            return SolveMovingFrameNonlinear(LammProblemOfRecord(), ConcentrationLawOfRecord(),
                                             LammControlOfRecord(), clock, scans);
        return SolveLammNonlinear(LammProblemOfRecord(), ConcentrationLawOfRecord(),
                                  LammControlOfRecord(), clock, scans);
    });
}

LammResult SolveWithFirstSpeciesNonideal(GridAlgorithm algorithm, const CLammProblem& problem,
                                         const CLammControl& control, CGridClock& clock,
                                         CLammSink& out) {
    if (!C::firstSpeciesNonideal || LammGrid::currentSpecies != 1 ||
        algorithm == GridAlgorithm::CellCentred)
        return SolveOnSimulationGrid(algorithm, problem, control, clock, out);
    CConcentrationLaw law = ConcentrationLawOfRecord();
    law.s1 = problem.s;
    law.D1 = problem.D;
    if (algorithm == GridAlgorithm::MovingHat)
        return SolveMovingFrameNonlinear(problem, law, control, clock, out);
    return SolveLammNonlinear(problem, law, control, clock, out);
}

void ReactionParametersFromSlots() {
    using R = ReactionParameters;
    R::loadingA = M::concentration[1];
    R::loadingB = M::concentration[2];
    R::sA = M::speciesS[1];
    R::sB = M::speciesS[2];
    R::sAB = M::speciesS[3];
    R::dA = float(SpeciesDiffusion(1));
    R::dB = float(SpeciesDiffusion(2));
    R::dAB = float(SpeciesDiffusion(3));
    R::logK = M::assocLogK;
    InitReactionSystem();
}

void ReactionParametersToSlots() {
    using R = ReactionParameters;
    M::concentration[1] = R::loadingA;
    M::concentration[2] = R::loadingB;
    M::speciesS[1] = R::sA;
    M::speciesS[2] = R::sB;
    M::speciesS[3] = R::sAB;
    M::assocLogK = R::logK;
    InitReactionSystem();
    M::concentration[3] = R::complexConcentration;
    PackFitParameters();
}

bool RunReactingModel(TXLAWindow* window) {
    SayWhatTheModelIsNotMadeFor(window, false);
    // The reacting system says a failed discretization at every evaluation, within a fit too.
    LammGrid::simErrorShown = false;
    return RunSingleComponent(window, 0.0, [window](CScanOutput& scans, CGridClock& clock) {
        using R = ReactionParameters;
        ReactionParametersFromSlots();
        CReaction rx;
        rx.K = R::K;
        rx.eA = R::extinctionA, rx.eB = R::extinctionB;
        rx.a0 = rx.eA != 0.0 ? R::loadingA / rx.eA : 0.0;
        rx.b0 = rx.eB != 0.0 ? R::loadingB / rx.eB : 0.0;
        rx.sA = R::sA, rx.sB = R::sB, rx.sAB = R::sAB;
        rx.dA = R::dA, rx.dB = R::dB, rx.dAB = R::dAB;
        LammGrid::s = rx.sB;
        LammGrid::d = rx.dB;
        clock = StartSpeciesRun(window, 0.0);
        return RunReactingLamm(LammProblemOfRecord(), rx, LammControlOfRecord(), clock, scans);
    });
}
