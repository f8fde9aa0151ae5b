// RunDiscreteSed: the model values of the discrete-species models for every loaded scan, by the
// list road of Lamm solver objects or, for the other cases, species by species on this engine's
// own profiles and solvers.
#include "foundations/resampling.h"
#include "lamm/lamm_result.h"
#include "scandata/fit_limits.h"
#include "scandata/nonlinear_detection.h"
#include "scandata/scan_header.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/analytic_profiles.h"
#include "simulation/cosolute_time_course.h"
#include "simulation/discrete_sed.h"
#include "simulation/discrete_sed_module.h"
#include "simulation/dls_discrete_model.h"
#include "simulation/equilibrium_kernel.h"
#include "simulation/initial_profile.h"
#include "simulation/lamm_arrays.h"
#include "simulation/lamm_sim_error.h"
#include "simulation/linear_parameter_dispatch.h"
#include "simulation/non_diffusing_boundary.h"
#include "simulation/nonideal_model_run.h"
#include "simulation/simulation_switches.h"
#include "simulation/stored_model.h"
#include "simulation/weighted_element_integrals.h"
#include "state/buffer_sedimentation.h"
#include "state/component_scans.h"
#include "state/dls_data.h"
#include "state/fit_control.h"
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

double ScanTime(int scan) {
    return S::rampRotorSpeed && !gDlsData ? S::header[scan].originalTime : S::header[scan].time;
}

// The time at full speed that brings the boundary as far as the rotor really did by the scan:
// with an acceleration phase, the scan's omega^2 t over the final omega^2. The analytic
// boundaries also spread over this time, not the real one: while the rotor is slow no boundary
// has formed yet, and diffusion in the uniform loading changes nothing (the Lamm solution with
// the same ramp agrees with this to the Faxen approximation's own error).
double EquivalentTime(int scan, double omega2) {
    const ScanHeader& h = S::header[scan];
    const bool ramp =
        S::rampRotorSpeed && !gDlsData && S::header[ScanAtPosition(1)].accelerationTime >= 10.0;
    if (ramp && h.omega2t > 0.0 && omega2 > 0.0)
        return h.omega2t / omega2;
    return ScanTime(scan);
}

// The standard model goes whole to the list of Lamm solver objects. The Faxen-type boundary is
// this engine's own, so a Faxen simulation never takes the list; nor do the cells of other
// cross-sections, which only this engine's fixed-grid solver carries.
bool StandardRoad() {
    using C = ModelChoice;
    return !gDlsData && !S::equilibriumData && !M::experimentalInitialDistribution &&
           C::lammModel && !C::firstSpeciesNonideal && !LammGrid::faxenApproximation &&
           !SpecialCellGeometryChosen();
}

// One species' profile at the equivalent time t at full speed on the given radii.
using ProfileFunction = void (*)(double loading, double t, const float* r, float* out, int n,
                                 double omega2s, double d);

void ConstantProfile(double loading, double, const float*, float* out, int n, double, double) {
    for (int i = 1; i <= n; ++i)
        out[i] = float(loading);
}

// The boundary moves with LammGrid::omega2S, which the caller sets for the species.
void NonDiffusing(double loading, double t, const float* r, float* out, int n, double rate,
                  double) {
    if (SpecialCellGeometryChosen())
        NonDiffusingBoundaryInCell(loading, t, r, out, n, rate);
    else
        NonDiffusingBoundary(loading, t, r, out, n);
}

void Faxen(double loading, double t, const float* r, float* out, int n, double omega2s, double d) {
    FaxenApproxProfile(float(loading), t, r, out, n, float(omega2s), float(d), M::meniscus);
}

// Writes the species' profile at every scan's time: onto the scan's radii into its work values
// and added to its fit, or into the slot's ComponentScans.
void AddAnalyticSpecies(int slot, double loading, ProfileFunction profile, double omega2s,
                        double d) {
    const bool direct = SignalGoesIntoFit();
    const double omega2 = std::pow(LastScanRpm() * 2.0 * std::numbers::pi / 60.0, 2);
    for (int pos = LammGrid::firstSimulatedScan; pos <= S::scanCount; ++pos) {
        const int scan = ScanAtPosition(pos);
        const double t = EquivalentTime(scan, omega2);
        if (direct) {
            float* work = S::work[scan];
            profile(loading, t, S::radius[scan], work, S::pointCount[scan], omega2s, d);
            for (int p = 1; p <= S::pointCount[scan]; ++p)
                S::fit[scan][p] += work[p];
        } else {
            const int count = ComponentScans::Count(scan);
            float* row = ComponentScans::Row(slot, scan, count);
            profile(loading, t, ComponentScans::Radii(scan), row, count, omega2s, d);
        }
    }
}

// The equilibrium exponential of the species' buoyant molar mass in every scan: onto the scan's
// radii into its work values and added to its fit, or into the slot's ComponentScans.
void AddEquilibriumSpecies(int slot, double loading) {
    const double mb = SpeciesBuoyantMass(slot);
    const bool direct = SignalGoesIntoFit();
    for (int pos = LammGrid::firstSimulatedScan; pos <= S::scanCount; ++pos) {
        const int scan = ScanAtPosition(pos);
        if (direct) {
            float* work = S::work[scan];
            EquilibriumScanProfile(scan, mb, loading, S::radius[scan], S::pointCount[scan], work);
            for (int p = 1; p <= S::pointCount[scan]; ++p)
                S::fit[scan][p] += work[p];
        } else {
            const int count = ComponentScans::Count(scan);
            EquilibriumScanProfile(scan, mb, loading, ComponentScans::Radii(scan), count,
                                   ComponentScans::Row(slot, scan, count));
        }
    }
}

// A species that neither sediments nor diffuses keeps its share of the measured initial
// distribution in every scan.
void AddUnchangedInitialProfile(int slot) {
    const CInitialProfile initial = ExperimentalInitialProfile(SpeciesShare(slot));
    const bool direct = SignalGoesIntoFit();
    std::vector<double> r, c;
    for (int pos = LammGrid::firstSimulatedScan; pos <= S::scanCount; ++pos) {
        const int scan = ScanAtPosition(pos);
        const int n = direct ? S::pointCount[scan] : ComponentScans::Count(scan);
        const float* radii = direct ? S::radius[scan] : ComponentScans::Radii(scan);
        float* out = direct ? S::work[scan] : ComponentScans::Row(slot, scan, n);
        r.assign(radii, radii + n + 1);
        c.assign(std::size_t(n) + 1, 0.0);
        SampleInitialProfile(initial, n, r.data(), c.data());
        for (int p = 1; p <= n; ++p)
            out[p] = float(c[std::size_t(p)]);
        if (direct)
            for (int p = 1; p <= n; ++p)
                S::fit[scan][p] += out[p];
    }
}

// Species by species on this engine's profiles and the solvers of the simulation grid.
void RunDiscreteSedModule(TXLAWindow* window, const GridSpeciesSolver& solve) {
    if (!CheckDiscreteModelInput(window))
        return;
    if (!SignalGoesIntoFit() && (S::gridRadius == nullptr || S::gridCount <= 0))
        return;
    ApplyDefaultFitLimits();
    UnpackFitParameters();
    // A key press during a solution, or a buffer left unsolved, leaves the model as it was before
    // the evaluation.
    std::vector<std::vector<float>> previous(std::size_t(S::scanCount) + 1);
    for (int k = 1; k <= S::scanCount; ++k)
        previous[std::size_t(k)].assign(S::fit[k], S::fit[k] + S::pointCount[k] + 1);
    if (!PrepareExperimentalInitialProfile())
        return;
    ClearModelRows();
    if (gSimulateOnly)
        WindowServices::RequestRepaint(window);
    LammGrid::backDiffusionShutOff = false;
    ComputeSpeciesLoadings();
    LammGrid::loadingFraction = 1.0f;
    gUserInterrupt.store(false, std::memory_order_relaxed);
    // Within an optimiser run each species keeps the choices of its first evaluation.
    const int heldList = HeldDiscretisation::NextList();
    const double rpm = LastScanRpm();
    const double omega2 = std::pow(rpm * 2.0 * std::numbers::pi / 60.0, 2);
    bool singular = false, discretization = false, bufferUnsolved = false;
    bool singularWord = false, discretizationWord = false;
    TakeUnwrittenCosoluteFiles(); // an earlier evaluation's, said there
    for (int i = 1; i <= M::maxSpecies; ++i) {
        if (gUserInterrupt.load(std::memory_order_relaxed))
            break;
        LammGrid::currentSpecies = i;
        ChooseAlgorithmHeld(i, M::speciesS[i], heldList);
        // The buffer's slot holds the signal of both sectors' buffer.
        if (BufferSedimentation::on && i == M::maxSpecies) {
            bufferUnsolved = !AddBufferSignalToModel(window);
            continue;
        }
        if (!M::speciesIncluded[i])
            continue;
        const double loading = M::speciesLoading[i];
        const double s = M::speciesS[i];
        const double d = SpeciesDiffusion(i);
        LammGrid::rotorSpeed = rpm;
        LammGrid::omega2S = omega2 * s * 1e-13;
        if (s == 0.0 && (d == 0.0 || LammGrid::faxenApproximation)) {
            // Nothing sediments: a uniform loading stays uniform whatever D is.
            LammGrid::nonDiffusing = d == 0.0;
            if (M::experimentalInitialDistribution && d == 0.0)
                AddUnchangedInitialProfile(i);
            else
                AddAnalyticSpecies(i, loading, ConstantProfile, 0.0, 0.0);
        } else if (S::equilibriumData) {
            // Each scan holds the species at equilibrium at its own speed and temperature.
            LammGrid::nonDiffusing = false;
            AddEquilibriumSpecies(i, loading);
        } else if (d == 0.0 && !M::experimentalInitialDistribution) {
            // The closed form starts from a uniform loading; a measured profile is solved.
            LammGrid::nonDiffusing = false;
            // in electrophoresis the species drifts at s 1e-4 cm/s
            const double rate = ModelChoice::electrophoresis ? s * 1e-4 : LammGrid::omega2S;
            AddAnalyticSpecies(i, loading, NonDiffusing, rate, 0.0);
        } else {
            LammGrid::nonDiffusing = false;
            LammGrid::s = s;
            LammGrid::d = d;
            if (!LammGrid::faxenApproximation)
                SizeGridForSpecies(i, heldList);
            if (LammGrid::faxenApproximation)
                AddAnalyticSpecies(i, loading, Faxen, LammGrid::omega2S, d);
            else {
                const bool solved = SolveSpeciesOnGrid(window, i, loading, solve, heldList);
                // a refused species has said why and takes the word without the box
                if (!solved) {
                    singular = singular || LammGrid::singularMatrix != 0;
                    discretization = discretization || LammGrid::discretizationError != 0;
                }
                singularWord = singularWord || LammGrid::singularMatrix != 0;
                discretizationWord = discretizationWord || LammGrid::discretizationError != 0;
            }
        }
        LammGrid::progressObserver = nullptr;
    }
    ReportUnwrittenFiles(TakeUnwrittenCosoluteFiles());
    if (gUserInterrupt.load(std::memory_order_relaxed) || bufferUnsolved) {
        for (int k = 1; k <= S::scanCount; ++k)
            std::copy(previous[std::size_t(k)].begin(), previous[std::size_t(k)].end(), S::fit[k]);
        return;
    }
    // The evaluation's words are those of every species: a later species' start cleared the
    // words of one that failed before it, and a model without that species is none to keep.
    LammGrid::singularMatrix = singularWord;
    LammGrid::discretizationError = discretizationWord;
    // One box of each kind for the whole evaluation, however many species failed.
    if (singular)
        ReportLammSimError(window, LammResult::SingularMatrix);
    if (discretization)
        ReportLammSimError(window, LammResult::DiscretizationError);
    FinishModelEvaluation(window);
}

} // namespace

void RunDiscreteSedOnGrid(TXLAWindow* window) {
    RunDiscreteSedOnGrid(window, SolveOnSimulationGrid);
}

void RunDiscreteSedOnGrid(TXLAWindow* window, const GridSpeciesSolver& solve) {
    if (S::scanCount > 0)
        RunDiscreteSedModule(window, solve);
}

namespace {

bool ComputeDiscreteModel(TXLAWindow* window) {
    // Both roads set the result flag only after a model was computed into the fit.
    const bool before = S::resultAvailable;
    S::resultAvailable = false;
    // Outside a fit (Run, Generate, a reload) a solution that failed its discretization check or
    // met a singular matrix has said so with its box; the profiles it left (zero from the step
    // that failed on) are no model to show, so the previous model stays. A fit's trials keep them:
    // the optimiser judges them by their rmsd. A model that holds a value beyond single precision
    // once its linear parameters are solved, or whose residuals would, is stored on no road: the
    // previous model stays, and a fit's trial is no model.
    const bool outsideFit = !FitControl::fitInProgress;
    if (outsideFit)
        LammGrid::discretizationError = LammGrid::singularMatrix = 0;
    LammGrid::signalBeyondFloat = 0;
    // the evaluation's own copy: an evaluation nested in this one keeps its own
    StoredModel previous;
    previous.Keep();
    if (gDlsData) {
        UnpackFitParameters();
        RunDiscreteLightScatteringModel(window);
    } else if (NonidealSingleModelChosen())
        RunNonidealSingleModel(window);
    else if (!ModelChoice::lammModel && ModelChoice::reactingSystem)
        RunReactingModel(window);
    else if (StandardRoad() || ModelChoice::multipleSpecies)
        RunDiscreteSedList(window);
    else if (ModelChoice::firstSpeciesNonideal)
        RunDiscreteSedModule(window, SolveWithFirstSpeciesNonideal);
    else
        RunDiscreteSedModule(window, SolveOnSimulationGrid);
    bool computed = S::resultAvailable;
    const ModelOverflow overflow = computed ? FindStoredModelOverflow() : ModelOverflow{};
    if (overflow.kind != ModelOverflow::None) {
        ReportStoredModelBeyondFloat(window, overflow);
        previous.Restore();
        computed = false;
    } else if (computed && outsideFit &&
               (LammGrid::discretizationError || LammGrid::singularMatrix)) {
        previous.Restore();
        computed = false;
    }
    if (!computed)
        S::resultAvailable = before;
    return computed;
}

} // namespace

bool RunDiscreteSed(TXLAWindow* window) {
    // Models this version cannot evaluate leave the fit as it is, rather than a wrong model.
    if (S::scanCount <= 0 || !DiscreteModelAvailable())
        return false;
    // With nonlinear detection the model meets the transformed data; a model that could not be
    // computed leaves the previous fit, which the closing half carries back unchanged.
    BeginNonlinearDetectionModel();
    const bool computed = ComputeDiscreteModel(window);
    EndNonlinearDetectionModel();
    return computed;
}
