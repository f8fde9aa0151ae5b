// The nonlinear fit driver: free list, objective, optimiser choice, abort and end of a fit.
#include "fitting/fit_driver.h"

#include "fitting/buffer_fit_parameters.h"
#include "fitting/detection_fit_parameters.h"
#include "fitting/equilibrium_fit.h"
#include "fitting/optimiser_choice.h"
#include "fitting/param_files.h"
#include "fitting/solvent_fit_parameters.h"
#include "foundations/analysis_failure.h"
#include "foundations/key_polling.h"
#include "foundations/show_error.h"
#include "scandata/fit_limits.h"
#include "scandata/nonlinear_detection.h"
#include "simulation/radial_grid.h"
#include "simulation/simulation_switches.h"
#include "state/buffer_sedimentation.h"
#include "state/dls_data.h"
#include "state/fit_control.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/realtime_state.h"
#include "state/run_switches.h"
#include "state/scan_store.h"
#include "state/serial_fit_state.h"
#include "state/window_services.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

namespace {

using M = ModelParameters;

struct RunningFit {
    std::vector<int> slots;
    ModelEvaluator evaluate = nullptr;
    int refused = 0; // trials that were no model, not evaluated
};
RunningFit gFit;

void EvaluateDiscreteModel(TXLAWindow* window) {
    BuildRadialGrid();
    RunDiscreteSed(window);
}

bool SpeciesSlotIncluded(int slot) {
    if (slot < 1 || slot > 12)
        return true;
    const int species = (slot - 1) % 4 + 1;
    return M::speciesOn[species] != 0;
}

void MarkAborted() {
    FitControl::fitAborted = true;
    SerialFitState::stopRequested = true;
    RealtimeState::stopRequested = true;
}

// Free entries past the packed vector are the buffer's own values (the buffer's signal is the
// loading of its species slot), then the detection corrections' values, then the solute's vbar
// in an inhomogeneous solvent.
constexpr int kBufferEntryBase = 1000;
constexpr int kDetectionEntryBase = 2000;
constexpr int kSolventVbarEntry = 3000;

bool IsBufferEntry(int slot) {
    return slot >= kBufferEntryBase && slot < kDetectionEntryBase;
}
bool IsSolventVbarEntry(int slot) {
    return slot == kSolventVbarEntry;
}
BufferParameter BufferEntry(int slot) {
    return static_cast<BufferParameter>(slot - kBufferEntryBase);
}
bool IsDetectionEntry(int slot) {
    return slot >= kDetectionEntryBase && slot < kSolventVbarEntry;
}
DetectionParameter DetectionEntry(int slot) {
    return static_cast<DetectionParameter>(slot - kDetectionEntryBase);
}

double ReadEntry(int slot) {
    if (IsSolventVbarEntry(slot))
        return ReadSolventVbar();
    if (IsDetectionEntry(slot))
        return ReadDetectionParameter(DetectionEntry(slot));
    return IsBufferEntry(slot) ? ReadBufferParameter(BufferEntry(slot))
                               : ClampToBounds(slot, M::fitValues[slot]);
}

void WriteTrial(const double* p) {
    for (std::size_t i = 0; i < gFit.slots.size(); ++i) {
        const int slot = gFit.slots[i];
        if (IsSolventVbarEntry(slot))
            WriteSolventVbar(p[i + 1]);
        else if (IsDetectionEntry(slot))
            WriteDetectionParameter(DetectionEntry(slot), p[i + 1]);
        else if (IsBufferEntry(slot))
            WriteBufferParameter(BufferEntry(slot), p[i + 1]);
        else
            M::fitValues[slot] = static_cast<float>(ClampToBounds(slot, p[i + 1]));
    }
    UnpackFitParameters();
}

// The rmsd the fit minimised: in the detector's domain while nonlinear detection is in force.
float FittedRmsd() {
    return NonlinearDetectionInForce() ? GetNonlinearDetectionRmsd() : CalcFitRmsd();
}

} // namespace

namespace {

// A species M or D slot of the models that sediment it (the buoyant mass of equilibrium and the
// values of the light-scattering models are not).
bool SedimentingMassOrDSlot(int slot) {
    return slot >= 1 && slot <= M::maxSpecies && !ModelChoice::equilibriumModel && !gDlsData &&
           !ModelChoice::contiMode;
}

// The bounds of a slot that are set (nonzero): meniscus and bottom.
void SlotBounds(int slot, float& lo, float& hi) {
    lo = hi = 0.0f;
    if (slot == kSlotMeniscus) {
        lo = FitControl::meniscusMin;
        hi = FitControl::meniscusMax;
    } else if (slot == kSlotBottom) {
        lo = FitControl::bottomMin;
        hi = FitControl::bottomMax;
    }
}

} // namespace

double ClampToBounds(int slot, double value) {
    float lo, hi;
    SlotBounds(slot, lo, hi);
    if (lo > 0.0f && value < lo)
        value = lo;
    if (hi > 0.0f && value > hi)
        value = hi;
    return value;
}

ParameterBounds FreeSlotBounds(const std::vector<int>& slots) {
    const double open = std::numeric_limits<double>::infinity();
    ParameterBounds b;
    b.lower.assign(slots.size() + 1, -open);
    b.upper.assign(slots.size() + 1, open);
    for (std::size_t i = 0; i < slots.size(); ++i) {
        if (IsSolventVbarEntry(slots[i])) {
            b.lower[i + 1] = SolventVbarLower();
            b.upper[i + 1] = SolventVbarUpper();
            continue;
        }
        if (IsDetectionEntry(slots[i]))
            continue; // brought into range when written
        if (IsBufferEntry(slots[i])) {
            b.lower[i + 1] = BufferParameterLower(BufferEntry(slots[i]));
            b.upper[i + 1] = BufferParameterUpper(BufferEntry(slots[i]));
            continue;
        }
        float lo, hi;
        SlotBounds(slots[i], lo, hi);
        if (lo > 0.0f)
            b.lower[i + 1] = lo;
        if (hi > 0.0f)
            b.upper[i + 1] = hi;
        // A D and the cumulants' variance are not negative: the model would take them as 0 and
        // stop depending on them.
        const bool dForm = SedimentingMassOrDSlot(slots[i]) && !ModelChoice::equilibriumMs;
        if (dForm || (ModelChoice::dlsCumulants && slots[i] == 2))
            b.lower[i + 1] = 0.0;
    }
    return b;
}

std::vector<int> FreeFitSlots() {
    std::vector<int> slots;
    for (int slot = 1; slot <= M::kFitSlots; ++slot) {
        if (!M::fitFloat[slot] || !SpeciesSlotIncluded(slot))
            continue;
        if (slot >= 9 && slot <= 12 && ModelChoice::linearAmplitudes)
            continue;
        if (slot == 15 && ModelChoice::linearBaseline)
            continue; // solved with the linear parameters
        if (slot == 2 * M::maxSpecies + M::maxSpecies && BufferSedimentation::on)
            continue; // the buffer's signal, which the evaluation reads from its own record
        slots.push_back(slot);
    }
    for (BufferParameter b : FloatedBufferParameters(!ModelChoice::linearAmplitudes))
        slots.push_back(kBufferEntryBase + static_cast<int>(b));
    for (DetectionParameter d : FloatedDetectionParameters())
        slots.push_back(kDetectionEntryBase + static_cast<int>(d));
    if (SolventVbarFloated())
        slots.push_back(kSolventVbarEntry);
    return slots;
}

namespace {

// Each scan's fit range within its points, false for a scan with none.
bool FitRangeOf(int k, int& first, int& last) {
    first = ScanStore::firstFitIndex[k];
    last = std::min(ScanStore::lastFitIndex[k], ScanStore::pointCount[k]);
    return ScanStore::signal[k] && ScanStore::fit[k] && first >= 1 && last >= first;
}

bool FitArraysThere() {
    return ScanStore::signal && ScanStore::fit && ScanStore::firstFitIndex &&
           ScanStore::lastFitIndex;
}

int FirstFittedScan() {
    return LammGrid::firstScanIsInitial ? 2 : 1;
}

} // namespace

void FitResiduals(std::vector<double>& residuals) {
    // With nonlinear detection the data as the detector read them are what the model must meet.
    if (NonlinearDetectionResiduals(residuals))
        return;
    if (!FitArraysThere()) {
        residuals.clear();
        return;
    }
    std::size_t count = 0;
    for (int k = FirstFittedScan(), first = 0, last = 0; k <= ScanStore::scanCount; ++k)
        if (FitRangeOf(k, first, last))
            count += std::size_t(last - first + 1);
    // one allocation for all scans; a vector passed again at the same size keeps its storage
    // and is not zeroed first (every value is written below)
    residuals.resize(count);
    double* out = residuals.data();
    for (int k = FirstFittedScan(), first = 0, last = 0; k <= ScanStore::scanCount; ++k) {
        if (!FitRangeOf(k, first, last))
            continue;
        const float* signal = ScanStore::signal[k];
        const float* fit = ScanStore::fit[k];
        for (int i = first; i <= last; ++i)
            *out++ = double(signal[i]) - fit[i];
    }
}

namespace {

// The sum of squares of FitResiduals' values and their count, in the same order, without the
// vector.
double SquaredFitResiduals(std::size_t& count) {
    count = 0;
    if (!FitArraysThere())
        return 0.0;
    double sum = 0.0;
    for (int k = FirstFittedScan(), first = 0, last = 0; k <= ScanStore::scanCount; ++k) {
        if (!FitRangeOf(k, first, last))
            continue;
        const float* signal = ScanStore::signal[k];
        const float* fit = ScanStore::fit[k];
        double running = sum;
        for (int i = first; i <= last; ++i) {
            const double d = double(signal[i]) - fit[i];
            running += d * d;
        }
        sum = running;
        count += std::size_t(last - first + 1);
    }
    return sum;
}

// The molar mass (Da) below which a sedimenting species is no particle.
constexpr double kLightestMass = 1.0;

// A trial with a species lighter than that is no model: the evaluation would take the lightest
// particle instead, whose D no longer depends on the value, so the fit would stop moving it,
// lost among species that spread at once.
bool ImpossibleTrial(const double* p) {
    if (!ModelChoice::equilibriumMs)
        return false;
    for (std::size_t i = 0; i < gFit.slots.size(); ++i)
        if (SedimentingMassOrDSlot(gFit.slots[i]) && !(p[i + 1] >= kLightestMass))
            return true;
    return false;
}

} // namespace

double SimplexSim(TXLAWindow* window, const double* p, std::vector<double>* residuals) {
    if (ImpossibleTrial(p)) {
        ++gFit.refused;
        if (residuals)
            residuals->assign(residuals->size(), 0.0);
        return kFailedEvaluation;
    }
    WriteTrial(p);
    LammGrid::signalBeyondFloat = 0;
    if (gFit.evaluate)
        gFit.evaluate(window);
    double sum = 0.0;
    std::size_t count = 0;
    if (LammGrid::signalBeyondFloat) {
        // a model beyond single precision was not stored: the fit values are an earlier trial's
        if (residuals)
            residuals->assign(residuals->size(), 0.0);
    } else if (residuals == nullptr && !NonlinearDetectionInForce()) {
        sum = SquaredFitResiduals(count);
    } else {
        // kept from call to call at its size, so the residuals are written without zeroing
        thread_local std::vector<double> local;
        std::vector<double>& r = residuals ? *residuals : local;
        FitResiduals(r);
        for (double d : r)
            sum += d * d;
        count = r.size();
    }
    double value = count == 0 ? kFailedEvaluation : sum / count;
    if (!std::isfinite(value))
        value = kFailedEvaluation;
    // A key press, seen here or by the solvers' own polling, stops the fit.
    if (KeyPressed(WindowServices::PlatformWindow(window)))
        gUserInterrupt = true;
    if (gUserInterrupt)
        MarkAborted();
    WindowServices::DrawResidualsView(window);
    return value;
}

void ReportFitFailure() {
    ReportAnalysisFailure(AnalysisFailure::ZeroDifferential,
                          "The fit failed: at the values reached a floated parameter no longer "
                          "changes the model. The start values are kept.");
}

FitOutcome RunFitWith(TXLAWindow* window, ModelEvaluator evaluate, bool saveResult) {
    if (ScanStore::scanCount < 1) {
        ShowError("please load data first");
        return FitOutcome::NoScans;
    }
    FitControl::fitInProgress = true;
    FitControl::fitAborted = false;
    FitControl::iterationCount = FitControl::evaluationCount = 0;
    LammGrid::simErrorShown = LammGrid::modelNoticeShown = false;
    gUserInterrupt = false;
    PackFitParameters();
    const float meniscusBefore = ModelParameters::meniscus, bottomBefore = ModelParameters::bottom;
    gFit.slots = FreeFitSlots();
    gFit.evaluate = evaluate;
    const int n = static_cast<int>(gFit.slots.size());
    std::vector<double> p(n + 1);
    for (int i = 0; i < n; ++i)
        p[i + 1] = ReadEntry(gFit.slots[i]);
    FitObjective objective;
    objective.evaluate = [window](const double* q, std::vector<double>* r) {
        return SimplexSim(window, q, r);
    };

    // The key poll of SimplexSim raises fitAborted, which stops the optimiser.
    OptimControl control;
    control.stop = [] { return FitControl::fitAborted; };
    const std::vector<double> start = p;
    OptimResult result;
    if (n > 0)
        result = RunChosenOptimiser(window, ChosenOptimiser(), p.data(), n, objective,
                                    FreeSlotBounds(gFit.slots), control);
    FitControl::evaluationCount = control.evaluations - gFit.refused;
    FitControl::iterationCount = control.iterations;

    FitOutcome outcome = n > 0 ? FitOutcome::Completed : FitOutcome::NothingToFit;
    if (!FitControl::fitAborted && result.status == OptimStatus::Failed) {
        // A floated parameter the fit could not determine: its vector is no result. The start
        // values come back, evaluated so the curves shown are theirs, and nothing is saved.
        ReportFitFailure();
        WriteTrial(start.data());
        if (gFit.evaluate)
            gFit.evaluate(window);
        CalcFitRmsd();
        if (saveResult) {
            WindowServices::UpdateResiduals(false);
            WindowServices::RequestRepaint(window);
        }
        outcome = FitOutcome::Failed;
    } else if (FitControl::fitAborted) {
        // Keep the best vector so far in the parameters and evaluate it once, so the curves,
        // residuals and rmsd shown belong to it and not to the last trial. Nothing else of the
        // end of a fit runs: the user asked to stop computing.
        WriteTrial(p.data());
        gUserInterrupt = false;
        if (gFit.evaluate)
            gFit.evaluate(window);
        gUserInterrupt = true;
        FitControl::bestRmsd = FittedRmsd();
        WindowServices::DrawResidualsView(window);
        if (saveResult) {
            WindowServices::UpdateResiduals(false);
            WindowServices::RequestRepaint(window);
        }
        outcome = FitOutcome::Aborted;
    } else {
        // A fitted meniscus or bottom takes the window with it; the final evaluation at the best
        // vector then gives parameters, fit, noise and an rmsd over the window that is drawn.
        WriteTrial(p.data());
        ApplyFitLimitsForMovedEnds(meniscusBefore, bottomBefore);
        SimplexSim(window, p.data(), nullptr);
        gUserInterrupt = false;
        FitControl::fitAborted = false;
        FitControl::bestRmsd = FittedRmsd();
        if (saveResult) {
            if (!TmpSaveBestParams(window, 0))
                ReportAnalysisNotSaved();
            WindowServices::UpdateResiduals(false);
            WindowServices::RequestRepaint(window);
        }
    }
    FitControl::fitInProgress = false;
    gFit = RunningFit{};
    return outcome;
}

ModelEvaluator CurrentModelEvaluator() {
    if (ModelChoice::equilibriumModel)
        return [](TXLAWindow* w) { EvaluateEquilibriumModel(w); };
    return EvaluateDiscreteModel;
}

FitOutcome RunNonlinearFit(TXLAWindow* window) {
    return RunFitWith(window, EvaluateDiscreteModel);
}
