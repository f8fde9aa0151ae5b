// The nonlinear fit driver: free list, objective, optimiser choice, abort and end of a fit.
#include "fitting/fit_driver.h"

#include "fitting/buffer_fit_parameters.h"
#include "fitting/detection_fit_parameters.h"
#include "fitting/equilibrium_fit.h"
#include "fitting/optimiser_choice.h"
#include "fitting/param_files.h"
#include "fitting/particle_friction.h"
#include "fitting/solvent_fit_parameters.h"
#include "fitting/trial_without_model.h"
#include "foundations/analysis_failure.h"
#include "foundations/deferred_errors.h"
#include "foundations/key_polling.h"
#include "foundations/show_error.h"
#include "scandata/fit_limits.h"
#include "scandata/nonlinear_detection.h"
#include "simulation/radial_grid.h"
#include "simulation/simulation_switches.h"
#include "state/buffer_sedimentation.h"
#include "state/fit_control.h"
#include "state/held_discretisation.h"
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
#include <functional>
#include <limits>
#include <string>

namespace {

using M = ModelParameters;

// One fit's own state, passed to its objective: a fit run inside another's trial keeps its own.
struct RunningFit {
    TXLAWindow* window = nullptr;
    CComputeObserver* observer = &SilentObserver(); // hears of the trials shown
    std::vector<int> slots;
    ModelEvaluator evaluate = nullptr;
    int refused = 0; // trials that were no model, not evaluated
    // The stops by the user counted when the fit began and up to the latest trial.
    const int stopsAtStart = StopsCounted();
    int stops = stopsAtStart;
    // The start as the optimisers evaluate it (inside the bounds) and, once evaluated, its value
    // (the failed value when it is no model) and why it has none.
    std::vector<double> start;
    bool startSeen = false;
    double startValue = kFailedEvaluation;
    NoModel startNoModel = NoModel::None;
    // The best vector evaluated with a model: a fit that ends early keeps it, whatever the
    // optimiser held at that moment.
    std::vector<double> best;
    double bestValue = kFailedEvaluation;
    NoModel lastNoModel = NoModel::None; // why the latest trial without a model had none
    std::string solverText; // the first box a solver asked for on a trial without a model
    // The residuals of a trial whose caller did not ask for them, kept at their size from trial
    // to trial, so they are written without zeroing or allocating.
    std::vector<double> residuals;

    void Offer(const double* p, double value, NoModel why) {
        const std::size_t n = slots.size();
        if (!startSeen && start.size() == n + 1 &&
            std::equal(p + 1, p + n + 1, start.begin() + 1)) {
            startSeen = true;
            startValue = value;
            startNoModel = why;
        }
        if (why != NoModel::None)
            lastNoModel = why;
        if (why == NoModel::None && value < bestValue) {
            best.assign(p, p + n + 1);
            bestValue = value;
        }
    }
};
// A solution that failed its discretization check or met a singular system leaves no model of
// the trial, whatever profiles it left.
bool EvaluateDiscreteModel(TXLAWindow* window) {
    BuildRadialGrid();
    LammGrid::discretizationError = LammGrid::singularMatrix = 0;
    return RunDiscreteSed(window) && !LammGrid::discretizationError && !LammGrid::singularMatrix;
}

bool SpeciesSlotIncluded(int slot) {
    if (slot < 1 || slot > 12)
        return true;
    const int species = (slot - 1) % 4 + 1;
    return M::speciesOn[species] != 0;
}

void MarkAborted(const RunningFit& fit) {
    if (!FitControl::fitAborted)
        FitControl::stopCause = FitStopSince(fit.stopsAtStart);
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

void WriteTrial(const RunningFit& fit, const double* p) {
    for (std::size_t i = 0; i < fit.slots.size(); ++i) {
        const int slot = fit.slots[i];
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
    const double fastest = FastestSedimentation();
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
        // where a species has a boundary in the cell at the first scan
        if (SedimentationSlot(slots[i])) {
            b.lower[i + 1] = -fastest;
            b.upper[i + 1] = fastest;
        }
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

// The objective's value for the model in the store: the mean square of the fit's residuals
// (written into residuals when asked, else into the fit's own), the failed value when there are
// none.
double MeanSquare(RunningFit& fit, std::vector<double>* residuals) {
    double sum = 0.0;
    std::size_t count = 0;
    if (residuals == nullptr && !NonlinearDetectionInForce()) {
        sum = SquaredFitResiduals(count);
    } else {
        std::vector<double>& r = residuals ? *residuals : fit.residuals;
        FitResiduals(r);
        for (double d : r)
            sum += d * d;
        count = r.size();
    }
    const double value = count == 0 ? kFailedEvaluation : sum / count;
    return std::isfinite(value) ? value : kFailedEvaluation;
}

// The trial's model, or why it has none. The solvers raise the stop flag on their own failures
// as on a key: a model not computed stops the fit only when a key was seen meanwhile.
NoModel EvaluateTrial(RunningFit& fit, const double* p) {
    WriteTrial(fit, p);
    const NoModel before = NoModelBeforeEvaluation(fit.slots, p);
    if (before != NoModel::None) {
        ++fit.refused;
        return before;
    }
    // The boxes of the solvers wait for the outcome: a trial without a model is the fit's own
    // affair, and the first of its texts says why when the fit ends on such trials.
    std::vector<std::string> texts;
    bool computed = true;
    LammGrid::signalBeyondFloat = 0;
    {
        DeferErrorBoxes deferred;
        if (fit.evaluate)
            computed = fit.evaluate(fit.window);
        texts = deferred.Take();
    }
    // a model beyond single precision was not stored: the fit values are an earlier trial's
    computed = computed && !LammGrid::signalBeyondFloat;
    // A stop the user asked for since the latest trial (seen by a poll, or handed to the window by
    // a box's loop before this trial) holds, whatever the evaluation did with the flag.
    const int stops = StopsCounted();
    if (stops != fit.stops)
        gUserInterrupt = true;
    else if (!computed && gUserInterrupt)
        gUserInterrupt = false;
    fit.stops = stops;
    const NoModel after = NoModelAfterEvaluation(computed);
    if (after == NoModel::None || gUserInterrupt)
        for (const std::string& text : texts)
            ShowError(text.c_str(), 0);
    else if (fit.solverText.empty() && !texts.empty())
        fit.solverText = texts.front();
    return after;
}

// The objective of the running fit: writes the trial values p[1..n] into the free slots (meniscus
// and bottom clamped to their set bounds), unpacks, evaluates the model, and returns rmsd^2 with
// the residuals when asked. Polls the keyboard: a key press aborts the fit. Refreshes the live
// plots (the refresh keeps to its own interval).
double SimplexSim(RunningFit& fit, const double* p, std::vector<double>* residuals) {
    TXLAWindow* const window = fit.window;
    const NoModel why = EvaluateTrial(fit, p);
    if (why != NoModel::None) {
        if (residuals)
            residuals->assign(residuals->size(), 0.0);
        fit.Offer(p, kFailedEvaluation, why);
        if (KeyPressed(WindowServices::PlatformWindow(window)))
            gUserInterrupt = true;
        if (gUserInterrupt)
            MarkAborted(fit);
        return kFailedEvaluation;
    }
    const double value = MeanSquare(fit, residuals);
    fit.Offer(p, value, value < kFailedEvaluation ? NoModel::None : NoModel::Unsolved);
    // A key press, seen here or by the solvers' own polling, stops the fit.
    if (KeyPressed(WindowServices::PlatformWindow(window)))
        gUserInterrupt = true;
    if (gUserInterrupt)
        MarkAborted(fit);
    fit.observer->LiveView();
    return value;
}

} // namespace

FitStop FitStopSince(int stopsAtStart) {
    if (StopsCounted() == stopsAtStart)
        return FitStop::FailedSimulation;
    return LastStopByMouse() ? FitStop::Mouse : FitStop::Key;
}

void ReportFitFailure() {
    ReportAnalysisFailure(AnalysisFailure::ZeroDifferential,
                          "The fit failed: at the values reached a floated parameter no longer "
                          "changes the model. The start values are kept.");
}

namespace {

// The fit failed on values without a model: at its start, or where its steps were led.
void ReportNoModel(const RunningFit& fit, bool atStart, NoModel why) {
    std::string text = std::string("The fit failed: ") +
                       (atStart ? "at the start values " : "it was led towards values where ") +
                       NoModelReason(why);
    if (why == NoModel::Unsolved && !fit.solverText.empty())
        text += " (" + fit.solverText + ")";
    text += ". The start values are kept.";
    // The engine's own box of this fit has said why the model could not be computed.
    const bool said = why == NoModel::Unsolved && fit.solverText.empty() && LammGrid::simErrorShown;
    if (SerialFitState::serializing)
        SerialFitState::errorCode = static_cast<int>(AnalysisFailure::ZeroDifferential);
    else if (!said)
        ShowError(text.c_str(), 0);
}

// The values of p written into the parameters and evaluated once, the stop flag held off, so
// the curves, residuals and rmsd shown belong to them; the objective's value there.
double EvaluateKept(RunningFit& fit, const std::vector<double>& p) {
    WriteTrial(fit, p.data());
    const bool stopped = gUserInterrupt;
    gUserInterrupt = false;
    const bool computed = fit.evaluate ? fit.evaluate(fit.window) : true;
    gUserInterrupt = stopped;
    if (NoModelAfterEvaluation(computed) != NoModel::None)
        return kFailedEvaluation;
    return MeanSquare(fit, nullptr);
}

// What a fit keeps: the vector it ended on when, evaluated again on the grids it needs, its value
// is better than the start's value given; else the start, evaluated last, so the curves,
// residuals and rmsd shown are its. The optimisers compared their trials on grids held from the
// start's evaluation, where a far trial may look better than it is. True when the end is kept.
// restoreStart, when given, brings back what the start had besides its values before that.
bool KeepEndOrStart(RunningFit& fit, const std::vector<double>& end,
                    const std::vector<double>& start, double startValue,
                    const std::function<void()>& restoreStart = nullptr) {
    if (EvaluateKept(fit, end) < startValue)
        return true;
    if (restoreStart)
        restoreStart();
    EvaluateKept(fit, start);
    return false;
}

void UpdateViews(CComputeObserver& observer, bool saveResult) {
    if (saveResult) {
        WindowServices::UpdateResiduals(false);
        observer.RequestRepaint();
    }
}

} // namespace

FitOutcome RunFitWith(TXLAWindow* window, CComputeObserver& observer, ModelEvaluator evaluate,
                      bool saveResult) {
    if (ScanStore::scanCount < 1) {
        ShowError("please load data first");
        return FitOutcome::NoScans;
    }
    // A fit inside another's trial solves as alone and leaves that one in progress when it ends.
    const HeldDiscretisation::Outside outside;
    const bool outerInProgress = FitControl::fitInProgress;
    FitControl::fitInProgress = true;
    FitControl::fitAborted = FitControl::startKept = false;
    FitControl::iterationCount = FitControl::evaluationCount = 0;
    LammGrid::simErrorShown = LammGrid::modelNoticeShown = false;
    gUserInterrupt = false;
    PackFitParameters();
    const float meniscusBefore = ModelParameters::meniscus, bottomBefore = ModelParameters::bottom;
    RunningFit fit;
    fit.window = window;
    fit.observer = &observer;
    fit.slots = FreeFitSlots();
    fit.evaluate = evaluate;
    const int n = static_cast<int>(fit.slots.size());
    std::vector<double> p(n + 1);
    for (int i = 0; i < n; ++i)
        p[i + 1] = ReadEntry(fit.slots[i]);
    FitObjective objective;
    objective.evaluate = [&fit](const double* q, std::vector<double>* r) {
        return SimplexSim(fit, q, r);
    };

    // The key poll of SimplexSim raises fitAborted, which stops the optimiser.
    OptimControl control;
    control.stop = [] { return FitControl::fitAborted; };
    const std::vector<double> start = p;
    const ParameterBounds bounds = FreeSlotBounds(fit.slots);
    fit.start = p;
    for (int k = 1; k <= n; ++k)
        fit.start[k] = bounds.Clamp(k, p[k]);
    OptimResult result;
    if (n > 0)
        result = RunChosenOptimiser(observer, ChosenOptimiser(), p.data(), n, objective, bounds,
                                    control);
    FitControl::evaluationCount = control.evaluations - fit.refused;
    FitControl::iterationCount = control.iterations;
    // What stops a fit stops it once: its end runs whole, and a key or click meanwhile waits for
    // the command's end, which drops it.
    const StopsHeldOff ending;

    FitOutcome outcome = n > 0 ? FitOutcome::Completed : FitOutcome::NothingToFit;
    // No vector tried had a model, or the start had none and the optimiser could not go on.
    const bool noModelAtStart =
        n > 0 && fit.startSeen && fit.startNoModel != NoModel::None &&
        (result.status == OptimStatus::Failed || fit.bestValue >= kFailedEvaluation);
    if (FitControl::fitAborted) {
        // The best vector evaluated is kept when it is better than the start; else the start
        // values come back. Nothing else of the end of a fit runs: the user asked to stop.
        if (fit.bestValue < fit.startValue) {
            FitControl::startKept = !KeepEndOrStart(fit, fit.best, start, fit.startValue);
        } else {
            FitControl::startKept = true;
            EvaluateKept(fit, start);
        }
        FitControl::bestRmsd = FittedRmsd();
        observer.LiveView();
        UpdateViews(observer, saveResult);
        outcome = FitOutcome::Aborted;
    } else if (noModelAtStart || (n > 0 && result.status == OptimStatus::Failed)) {
        // A floated parameter the fit could not determine, a start without a model, or steps led
        // towards values without one: no result. The start values come back, evaluated so the
        // curves shown are theirs, and nothing is saved.
        if (noModelAtStart)
            ReportNoModel(fit, true, fit.startNoModel);
        else if (result.atModelEdge)
            ReportNoModel(fit, false, fit.lastNoModel);
        else
            ReportFitFailure();
        EvaluateKept(fit, start);
        CalcFitRmsd();
        UpdateViews(observer, saveResult);
        outcome = FitOutcome::Failed;
    } else {
        // A fitted meniscus or bottom takes the window with it; the final evaluation at the best
        // vector then gives parameters, fit, noise and an rmsd over the window that is drawn.
        // A best vector worse there than the start, as a Run evaluates both, gives way to it.
        WriteTrial(fit, p.data());
        const float left = ScanStore::leftFitLimit, right = ScanStore::rightFitLimit;
        ApplyFitLimitsForMovedEnds(meniscusBefore, bottomBefore);
        // A start kept comes back with its own fit limits.
        const auto startLimits = [&] {
            WriteTrial(fit, start.data());
            RestoreFitLimits(left, right);
        };
        if (n > 0)
            FitControl::startKept =
                !KeepEndOrStart(fit, p, start, EvaluateKept(fit, start), startLimits);
        else
            EvaluateKept(fit, p);
        observer.LiveView();
        gUserInterrupt = false;
        FitControl::fitAborted = false;
        FitControl::bestRmsd = FittedRmsd();
        if (saveResult) {
            ReportSpeciesNoParticleCanBe(window);
            if (!TmpSaveBestParams(window, 0))
                ReportAnalysisNotSaved();
            WindowServices::UpdateResiduals(false);
            observer.RequestRepaint();
        }
    }
    FitControl::fitInProgress = outerInProgress;
    return outcome;
}

ModelEvaluator CurrentModelEvaluator() {
    if (ModelChoice::equilibriumModel)
        return [](TXLAWindow* w) { return EvaluateEquilibriumModel(w); };
    return EvaluateDiscreteModel;
}

FitOutcome RunNonlinearFit(TXLAWindow* window, CComputeObserver& observer) {
    return RunFitWith(window, observer, EvaluateDiscreteModel);
}
