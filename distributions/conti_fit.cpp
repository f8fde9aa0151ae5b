// The distribution Fit: a few nonlinear parameters, each trial solving the whole linear problem
// (kernel, normal equations, regularized amplitudes), so the optimiser sees the rmsd of the best
// distribution for those parameters. Checked on a two-species set with f/f0 and meniscus known.
#include "distributions/conti_fit.h"

#include "distributions/buffer_kernel_column.h"
#include "distributions/conti_discrete_component.h"
#include "distributions/conti_fit_memo.h"
#include "distributions/conti_normal_equations.h"
#include "distributions/conti_run.h"
#include "distributions/size_shape_distribution.h"
#include "fitting/buffer_fit_parameters.h"
#include "fitting/detection_fit_parameters.h"
#include "fitting/fit_driver.h"
#include "fitting/optimiser_choice.h"
#include "fitting/solvent_fit_parameters.h"
#include "foundations/key_polling.h"
#include "foundations/show_error.h"
#include "scandata/fit_limits.h"
#include "scandata/nonlinear_detection.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/conti_kernel.h"
#include "simulation/inhomogeneous_solvent.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/fluorophore.h"
#include "state/held_discretisation.h"
#include "state/lamm_grid.h"
#include "state/live_refresh.h"
#include "state/model_kind.h"
#include "state/model_parameters.h"
#include "state/preference_switches.h"
#include "state/run_switches.h"
#include "state/serial_fit_state.h"
#include "state/window_services.h"

#include <algorithm>
#include <cmath>
#include <new>

bool SizeShapeModel() {
    return CurrentModelTraits().sizeShape;
}

bool BimodalModel() {
    return CurrentModelTraits().bimodal;
}

namespace {

// The detection corrections' values follow DetectionFirst in the order of DetectionParameter,
// the buffer's own values BufferFirst in the order of BufferParameter. The nonlinear
// detection's power changes the data, not the kernel; the discrete component's s and its M or D
// change the component's column.
constexpr int kDetectionParameters = static_cast<int>(DetectionParameter::DepletionLogKs) + 1;
enum class KernelParameter {
    Meniscus,
    Bottom,
    FrictionalRatio,
    DiscreteS,
    DiscreteM,
    DiscreteD,
    Vbar,
    SecondFrictionalRatio, // the bimodal model's f/f0 over its s-range
    SolventVbar,           // the buoyancy vbar in an inhomogeneous solvent
    DetectionFirst,
    BufferFirst = DetectionFirst + kDetectionParameters
};

bool IsDetection(KernelParameter k) {
    return static_cast<int>(k) >= static_cast<int>(KernelParameter::DetectionFirst) &&
           static_cast<int>(k) < static_cast<int>(KernelParameter::BufferFirst);
}
DetectionParameter AsDetection(KernelParameter k) {
    return static_cast<DetectionParameter>(static_cast<int>(k) -
                                           static_cast<int>(KernelParameter::DetectionFirst));
}

// The values of every detection correction a trial may change, for the memo of trials.
std::vector<float> DetectionTrialKey() {
    std::vector<float> key;
    for (int d = 0; d < kDetectionParameters; ++d)
        key.push_back(
            static_cast<float>(ReadDetectionParameter(static_cast<DetectionParameter>(d))));
    return key;
}

bool IsBuffer(KernelParameter k) {
    return static_cast<int>(k) >= static_cast<int>(KernelParameter::BufferFirst);
}
BufferParameter AsBuffer(KernelParameter k) {
    return static_cast<BufferParameter>(static_cast<int>(k) -
                                        static_cast<int>(KernelParameter::BufferFirst));
}

// Every parameter but the nonlinear detection's power (which changes the data) and the buffer's
// values (its own column) moves the Lamm solutions of the kernel.
bool MovesLammSolutions(KernelParameter k) {
    return !IsBuffer(k) &&
           !(IsDetection(k) && AsDetection(k) == DetectionParameter::NonlinearPower);
}

// The kernels made of Lamm solutions carry the inhomogeneous solvent's gradients; those of
// non-diffusing boundaries, light scattering, the non-ideal c(s), electrophoresis and equilibrium
// data do not, and a vbar floated there would move nothing but the buoyancy of the conversion.
bool KernelInTheSolvent(ContiVariant variant) {
    switch (variant) {
    case ContiVariant::None:
    case ContiVariant::LsGStar:
    case ContiVariant::ZoneLsGStar:
    case ContiVariant::LsGStarV:
    case ContiVariant::DlsD:
    case ContiVariant::DlsRh:
    case ContiVariant::CsNonideal:
    case ContiVariant::CvElectrophoresis:
        return false;
    default:
        return !(IsMassVariant(variant) && ScanStore::equilibriumData);
    }
}

// The solvent's vbar: floated with its box checked where the kernel is solved in the solvent.
// In a compressible solvent it is the store's vbar, which the floating-vbar model may float
// already; over a cosolute it is the vbar including solvation.
bool SolventVbarFloats(ContiVariant variant, bool ownVbarFloats) {
    return SolventVbarBoxCheckedInADistribution() && KernelInTheSolvent(variant) &&
           !(ownVbarFloats && !InhomogeneousSolvent::sedimentingCosolute);
}

std::vector<KernelParameter> FloatedParameters() {
    std::vector<KernelParameter> free;
    if (ModelParameters::meniscusFloat)
        free.push_back(KernelParameter::Meniscus);
    if (ModelParameters::bottomFloat)
        free.push_back(KernelParameter::Bottom);
    const ContiVariant variant = CurrentContiVariant();
    if (FrictionalRatioFloated())
        free.push_back(KernelParameter::FrictionalRatio);
    const bool ownVbarFloats =
        CurrentModelTraits().kernel == FitKernel::Vbar && ContiState::vbarFloat;
    if (ownVbarFloats)
        free.push_back(KernelParameter::Vbar);
    if (SolventVbarFloats(SizeShapeModel() ? ContiVariant::Cs : variant, ownVbarFloats))
        free.push_back(KernelParameter::SolventVbar);
    if (ContiState::bimodalFf0Float && BimodalModel())
        free.push_back(KernelParameter::SecondFrictionalRatio);
    if (DiscreteComponentOn()) {
        if (ContiState::discreteSFloat)
            free.push_back(KernelParameter::DiscreteS);
        if (DiscreteComponentByMass() && ContiState::discreteMFloat)
            free.push_back(KernelParameter::DiscreteM);
        if (!DiscreteComponentByMass() && ContiState::discreteDFloat)
            free.push_back(KernelParameter::DiscreteD);
    }
    for (DetectionParameter d : FloatedDetectionParameters())
        free.push_back(static_cast<KernelParameter>(
            static_cast<int>(KernelParameter::DetectionFirst) + static_cast<int>(d)));
    // The buffer's signal is the weight of its column, solved with the distribution.
    for (BufferParameter b : FloatedBufferParameters(false))
        free.push_back(static_cast<KernelParameter>(static_cast<int>(KernelParameter::BufferFirst) +
                                                    static_cast<int>(b)));
    return free;
}

// The frictional ratio a trial may take: below 1 no particle exists; far above, the diffusion
// vanishes.
constexpr double kLowestFrictionalRatio = 1.0, kHighestFrictionalRatio = 10.0;
// The discrete component a trial may take: s within the particles of the distributions (S), a
// molar mass (Da) and a diffusion coefficient (1e-7 cm^2/s) above 0 and below any solute's.
constexpr double kDiscreteSLimit = 1e4;
constexpr double kLowestDiscreteM = 1.0, kHighestDiscreteM = 1e12;
constexpr double kLowestDiscreteD = 1e-6, kHighestDiscreteD = 1e4;

// The vbar a trial may take: within the proteins, polymers and particles met, and always with a
// buoyancy that keeps the distribution's species sedimenting. A distribution at or below 0 that
// starts in a buffer that floats its species keeps them floating instead (every trial is written
// on that side, so the start's side holds throughout); above 0 the data sediment, and a floating
// buffer would leave their points without a size. A vbar with no buoyancy at all floats nothing.
constexpr double kLowestVbar = 0.1, kHighestVbar = 2.0, kLeastBuoyancy = 0.01;
bool VbarFloatsSpecies() {
    return ScanStore::density > 0.0f && ScanStore::vbarRho > 1.0f && ContiState::rangeMax <= 0.0f;
}
double LowestVbar() {
    if (!VbarFloatsSpecies())
        return kLowestVbar;
    const double least = (1.0 + kLeastBuoyancy) / ScanStore::density;
    return std::min(kHighestVbar, std::max(kLowestVbar, least));
}
double HighestVbar() {
    const double density = ScanStore::density;
    if (VbarFloatsSpecies())
        return kHighestVbar;
    return density > 0.0 ? std::min(kHighestVbar, (1.0 - kLeastBuoyancy) / density) : kHighestVbar;
}

bool IsDiscrete(KernelParameter k) {
    return k == KernelParameter::DiscreteS || k == KernelParameter::DiscreteM ||
           k == KernelParameter::DiscreteD;
}

double DiscreteLower(KernelParameter k) {
    return k == KernelParameter::DiscreteS   ? -kDiscreteSLimit
           : k == KernelParameter::DiscreteM ? kLowestDiscreteM
                                             : kLowestDiscreteD;
}
double DiscreteUpper(KernelParameter k) {
    return k == KernelParameter::DiscreteS   ? kDiscreteSLimit
           : k == KernelParameter::DiscreteM ? kHighestDiscreteM
                                             : kHighestDiscreteD;
}

// The box WriteParameter clamps to, for the optimisers: the fit's bounds of meniscus and bottom.
ParameterBounds BoundsOf(const std::vector<KernelParameter>& free) {
    std::vector<int> slots;
    for (KernelParameter k : free)
        slots.push_back(k == KernelParameter::Meniscus ? kSlotMeniscus
                        : k == KernelParameter::Bottom ? kSlotBottom
                                                       : kSlotFrictionalRatio);
    ParameterBounds b = FreeSlotBounds(slots);
    for (std::size_t i = 0; i < free.size(); ++i)
        if (IsDetection(free[i])) {
            b.lower[i + 1] = -HUGE_VAL; // brought into range when written
            b.upper[i + 1] = HUGE_VAL;
        } else if (free[i] == KernelParameter::FrictionalRatio ||
                   free[i] == KernelParameter::SecondFrictionalRatio) {
            b.lower[i + 1] = kLowestFrictionalRatio;
            b.upper[i + 1] = kHighestFrictionalRatio;
        } else if (IsDiscrete(free[i])) {
            b.lower[i + 1] = DiscreteLower(free[i]);
            b.upper[i + 1] = DiscreteUpper(free[i]);
        } else if (free[i] == KernelParameter::Vbar) {
            b.lower[i + 1] = LowestVbar();
            b.upper[i + 1] = HighestVbar();
        } else if (free[i] == KernelParameter::SolventVbar) {
            b.lower[i + 1] = SolventVbarLower();
            b.upper[i + 1] = SolventVbarUpper();
        } else if (IsBuffer(free[i])) {
            b.lower[i + 1] = BufferParameterLower(AsBuffer(free[i]));
            b.upper[i + 1] = BufferParameterUpper(AsBuffer(free[i]));
        }
    return b;
}

void WriteParameter(KernelParameter k, double v) {
    if (IsDetection(k)) {
        WriteDetectionParameter(AsDetection(k), v);
        return;
    }
    if (IsBuffer(k)) {
        WriteBufferParameter(AsBuffer(k), v);
        return;
    }
    switch (k) {
    case KernelParameter::Meniscus:
        ModelParameters::meniscus = static_cast<float>(ClampToBounds(kSlotMeniscus, v));
        break;
    case KernelParameter::Bottom:
        ModelParameters::bottom = static_cast<float>(ClampToBounds(kSlotBottom, v));
        break;
    case KernelParameter::FrictionalRatio:
        ContiState::ff0 =
            static_cast<float>(std::clamp(v, kLowestFrictionalRatio, kHighestFrictionalRatio));
        break;
    case KernelParameter::SecondFrictionalRatio:
        ContiState::bimodalFf0 =
            static_cast<float>(std::clamp(v, kLowestFrictionalRatio, kHighestFrictionalRatio));
        break;
    case KernelParameter::DiscreteS:
        ContiState::discreteS =
            static_cast<float>(std::clamp(v, DiscreteLower(k), DiscreteUpper(k)));
        break;
    case KernelParameter::DiscreteM:
        ContiState::discreteM =
            static_cast<float>(std::clamp(v, DiscreteLower(k), DiscreteUpper(k)));
        break;
    case KernelParameter::DiscreteD:
        ContiState::discreteD =
            static_cast<float>(std::clamp(v, DiscreteLower(k), DiscreteUpper(k)));
        break;
    case KernelParameter::Vbar:
        // The hydrodynamics read the buoyancy term, kept in step with vbar.
        ScanStore::vbar = static_cast<float>(std::clamp(v, LowestVbar(), HighestVbar()));
        ScanStore::vbarRho = ScanStore::vbar * ScanStore::density;
        ModelParameters::fitValues[kSlotVbar] = ScanStore::vbar;
        break;
    case KernelParameter::SolventVbar:
        WriteSolventVbar(v);
        ModelParameters::fitValues[kSlotVbar] = ScanStore::vbar;
        break;
    default:
        break;
    }
}

double ReadParameter(KernelParameter k) {
    if (IsDetection(k))
        return ReadDetectionParameter(AsDetection(k));
    if (IsBuffer(k))
        return ReadBufferParameter(AsBuffer(k));
    switch (k) {
    case KernelParameter::Meniscus:
        return ModelParameters::meniscus;
    case KernelParameter::Bottom:
        return ModelParameters::bottom;
    case KernelParameter::FrictionalRatio:
        return ContiState::ff0;
    case KernelParameter::SecondFrictionalRatio:
        return ContiState::bimodalFf0;
    case KernelParameter::DiscreteS:
        return ContiState::discreteS;
    case KernelParameter::DiscreteM:
        return ContiState::discreteM;
    case KernelParameter::DiscreteD:
        return ContiState::discreteD;
    case KernelParameter::Vbar:
        return ScanStore::vbar;
    case KernelParameter::SolventVbar:
        return ReadSolventVbar();
    default:
        break;
    }
    return 0.0;
}

// Data minus model (with the eliminated noise) over the fitted points of a solution, scan after
// scan. Each value takes off the columns' products in column order, formed column by column
// along the kernel rows; the scans are shared among the distribution's threads, each writing
// its own, so the values are the same for any thread count.
void SolutionResiduals(const ContiSolution& sol, std::vector<double>& r) {
    const ContiDataSet& set = sol.set;
    const int scans = set.Scans(), points = set.Points();
    r.assign(static_cast<std::size_t>(scans) * points, 0.0);
    const int threads = ContiState::multiThreading ? std::max(1, gDistributionThreadCount) : 1;
    RunContiShares(std::clamp(threads, 1, std::max(1, scans)), [&](int share, int count) {
        for (int s = share - 1; s < scans; s += count) {
            const int k = set.scans[s];
            double* v = r.data() + static_cast<std::size_t>(s) * points - set.first;
            const float* y = ScanStore::gridSignal[k];
            for (int i = set.first; i <= set.last; ++i)
                v[i] = y[i] - sol.ti[i - set.first] - sol.ri[s];
            for (int p = 1; p <= sol.grid.Columns(); ++p) {
                if (sol.c[p] == 0.0)
                    continue;
                const double cp = sol.c[p];
                const float* row = gContiKernel.Row(p, k);
                for (int i = ContiFirstValueFrom(sol, row, p, s, set.first); i <= set.last; ++i)
                    v[i] -= cp * row[i];
            }
        }
    });
}

// A trial of the running fit was put into the scan store for the live refresh.
bool gTrialShown = false;
// The stops by the user counted when the running fit began.
int gStopsAtFitStart = 0;

// A key press (or a stop raised elsewhere: the mouse, a failed equation of a list) ends the fit
// after this trial.
bool NoteStopRequest(bool stopped) {
    if (stopped || gUserInterrupt.load() || KeyPressed()) {
        if (!FitControl::fitAborted)
            FitControl::stopCause = FitStopSince(gStopsAtFitStart);
        FitControl::fitAborted = true;
        SerialFitState::stopRequested = true;
        gUserInterrupt.store(true);
        return true;
    }
    return false;
}

// The model the trial p[1..n] becomes once written into the parameters (clamped, in single
// precision), under the current held discretisation.
ContiTrialModel TrialModel(const std::vector<KernelParameter>& free, const double* p) {
    for (std::size_t k = 0; k < free.size(); ++k)
        WriteParameter(free[k], p[k + 1]);
    return ContiTrialModel{ModelParameters::meniscus,
                           ModelParameters::bottom,
                           ContiState::ff0,
                           HeldDiscretisation::Epoch(),
                           BufferKernelKey(),
                           DetectionTrialKey(),
                           {ContiState::discreteS, ContiState::discreteM, ContiState::discreteD},
                           ScanStore::vbar,
                           ContiState::bimodalFf0,
                           InhomogeneousSolvent::macromoleculeVbar};
}

// ContiSimplexSim, with the trials whose model was computed before in this run taken from memo.
// Without smoothHints a trial starts no search from a hint on the smooth road: the strength found
// then depends on the trial before in its last digits, which differences of nearby trials (the
// derivatives of Levenberg-Marquardt) would read as a slope.
FitObjective Objective(TXLAWindow* window, CComputeObserver& observer,
                       const std::vector<KernelParameter>& free, ContiFitMemo& memo,
                       ContiStrengthHint& hint, bool smoothHints) {
    return FitObjective{[window, &observer, free, &memo, &hint,
                         smoothHints](const double* p, std::vector<double>* residuals) {
        const ContiTrialModel model = TrialModel(free, p);
        double value = 0.0;
        if (memo.Find(model, residuals, value)) {
            NoteStopRequest(false);
            return value;
        }
        if (hint.smooth && !smoothHints)
            hint = ContiStrengthHint{};
        value = ContiSimplexSim(window, observer, p, residuals, &hint);
        if (value != kFailedEvaluation && !FitControl::fitAborted)
            memo.Keep(model, value, residuals);
        return value;
    }};
}

bool PrepareFit(std::vector<KernelParameter>& free, std::string& why) {
    free = FloatedParameters();
    ContiDataSet set;
    why = CheckContiRun(SizeShapeModel() ? ContiVariant::Cs : CurrentContiVariant());
    if (why.empty() && !GetContiDataSet(set, &why))
        return false;
    if (!why.empty())
        return false;
    if (free.empty()) {
        why = NoFloatedKernelMessage();
        return false;
    }
    return true;
}

// The fit with the chosen optimiser: start vector, flags, the final Run at the best values.
bool RunContiFitWith(TXLAWindow* window, CComputeObserver& observer,
                     const OptimiserChoice& choice) {
    std::vector<KernelParameter> free;
    std::string why;
    if (!PrepareFit(free, why)) {
        ShowError(why.c_str(), 0);
        return false;
    }
    const int n = static_cast<int>(free.size());
    std::vector<double> p(n + 1);
    for (int k = 1; k <= n; ++k)
        p[k] = ReadParameter(free[k - 1]);
    const float meniscusBefore = ModelParameters::meniscus, bottomBefore = ModelParameters::bottom;
    // Where the trials move the Lamm solutions, the one at the start values is solved on the
    // held discretisation as the others are, not taken from the Run before: the held grids are
    // then sized from the start values, not from whichever trial happens to be solved first (a
    // meniscus at its bound next to the fit limit needs several times the nodes).
    if (std::any_of(free.begin(), free.end(), MovesLammSolutions))
        ForgetKeptContiKernel();
    gUserInterrupt.store(false);
    gStopsAtFitStart = StopsCounted();
    LammGrid::simErrorShown = false;
    FitControl::fitAborted = false;
    FitControl::iterationCount = FitControl::evaluationCount = 0;
    FitControl::fitInProgress = true;
    ContiState::calledFromFit = true;
    // The key poll of ContiSimplexSim raises fitAborted, which stops the optimiser.
    OptimControl control;
    control.stop = [] { return FitControl::fitAborted; };
    ContiFitMemo memo;
    // Each trial's strength search hands its end to the next trial's search; one that had to go
    // from below hands it to the final Run too.
    ContiStrengthHint hint;
    const std::vector<double> start = p;
    gTrialShown = false;
    // A trial's distribution shown in the plot gives way to the stored one however the fit ends
    // (a final Run that stores replaces it with its own).
    struct TrialPlotEnd {
        CComputeObserver& observer;
        ~TrialPlotEnd() { observer.EndTrialDistribution(); }
    } trialPlotEnd{observer};
    const bool differentiates =
        choice.method == OptimiserChoice::Method::MarquardtLevenberg ||
        (choice.method == OptimiserChoice::Method::Annealing &&
         choice.afterAnnealing == OptimiserChoice::FinalStep::MarquardtLevenberg);
    OptimResult result;
    try {
        result = RunChosenOptimiser(observer, choice, p.data(), n,
                                    Objective(window, observer, free, memo, hint, !differentiates),
                                    BoundsOf(free), control);
    } catch (const std::bad_alloc&) {
        gContiKernel.Free();
        FitControl::fitInProgress = false;
        ContiState::calledFromFit = false;
        ShowError(NotEnoughMemoryText().c_str(), 0);
        return false;
    }
    FitControl::evaluationCount = control.evaluations;
    FitControl::iterationCount = control.iterations;
    // What stops a fit stops it once: its final Run runs whole, and a key or click meanwhile waits
    // for the command's end, which drops it.
    const StopsHeldOff ending;
    // The final Run searches the strength on the smooth road as a Run of its own does, so that a
    // Run after the Fit shows what the Fit stored; the road from below goes on from the hint.
    if (hint.smooth)
        hint = ContiStrengthHint{};
    // A parameter the fit could not determine leaves no result: the start values come back
    // (and their model, when a trial's was shown meanwhile).
    const bool failed = !FitControl::fitAborted && result.status == OptimStatus::Failed;
    if (failed)
        p = start;
    // The best vector the optimiser returned goes into the model in any case, and into the
    // packed vector the later commands unpack from (the trials wrote the fields alone).
    for (int k = 1; k <= n; ++k)
        WriteParameter(free[k - 1], p[k]);
    PackFitParameters();
    FitControl::fitInProgress = false;
    ContiState::calledFromFit = false;
    if (failed) {
        ReportFitFailure();
        if (gTrialShown)
            RunContiSed(window, observer, &hint);
        return false;
    }
    // A fit stopped by a key, the mouse or a failed equation ends as one that converged, at the
    // best vector it had reached: the final Run shows and stores that vector's distribution. The
    // stop stays requested.
    const bool stopped = FitControl::fitAborted;
    // A fitted meniscus or bottom takes the window with it before the final Run.
    ApplyFitLimitsForMovedEnds(meniscusBefore, bottomBefore);
    const bool stored = SizeShapeModel() ? RunSizeShapeDistribution(window, observer, &hint)
                                         : RunContiSed(window, observer, &hint);
    if (stopped)
        gUserInterrupt.store(true);
    if (stored) {
        double ss = 0.0, count = 0.0;
        ContiDataSet set;
        if (GetContiDataSet(set, nullptr))
            for (int s = 0; s < set.Scans(); ++s) {
                const int k = set.scans[s];
                for (int i = 1; i <= ScanStore::pointCount[k]; ++i) {
                    if (ScanStore::radius[k][i] < ScanStore::gridRadius[set.first] ||
                        ScanStore::radius[k][i] > ScanStore::gridRadius[set.last])
                        continue;
                    ss += std::pow(ScanStore::residuals[k][i], 2);
                    count += 1.0;
                }
            }
        FitControl::bestRmsd = count > 0 ? static_cast<float>(std::sqrt(ss / count)) : 0.0f;
    }
    return stored;
}

// A trial under nonlinear detection: the distribution of the transformed data, its fit carried
// back through the inverse law, and the rmsd of the data as the detector read them.
double NonlinearDetectionTrial(TXLAWindow* window, CComputeObserver& observer,
                               std::vector<double>* residuals, ContiStrengthHint* hint) {
    BeginNonlinearDetectionModel();
    ContiSolution sol;
    const ContiStatus status = ComputeContiSolution(window, observer, sol, true, hint);
    const bool usable = status == ContiStatus::Done && sol.failure == AnalysisFailure::None &&
                        SolutionFinite(sol) && StoreContiSolution(sol);
    EndNonlinearDetectionModel();
    NoteStopRequest(status == ContiStatus::Stopped);
    if (!usable) {
        if (residuals)
            residuals->assign(residuals->size(), 0.0);
        return kFailedEvaluation;
    }
    if (residuals)
        NonlinearDetectionResiduals(*residuals);
    const double rmsd = GetNonlinearDetectionRmsd();
    return rmsd * rmsd;
}

} // namespace

std::string NoFloatedKernelMessage() {
    const char* kernel = "";
    switch (CurrentModelTraits().kernel) {
    case FitKernel::Ff0:
        kernel = "meniscus, bottom, f/f0";
        break;
    case FitKernel::MeniscusBottom:
        kernel = "meniscus, bottom";
        break;
    case FitKernel::SecondFf0:
        kernel = "meniscus, bottom, f/f0, the second f/f0";
        break;
    case FitKernel::Vbar:
        kernel = "meniscus, bottom, vbar";
        break;
    case FitKernel::DiscreteComponent:
        kernel = "meniscus, bottom, f/f0, the discrete component's s or M or D";
        break;
    }
    return std::string("No kernel parameter (") + kernel +
           ") is floated: use Run to compute the distribution.";
}

double ContiSimplexSim(TXLAWindow* window, CComputeObserver& observer, const double* p,
                       std::vector<double>* residuals, ContiStrengthHint* hint) {
    const std::vector<KernelParameter> free = FloatedParameters();
    for (std::size_t k = 0; k < free.size(); ++k)
        WriteParameter(free[k], p[k + 1]);
    if (DetectionCorrections::nonlinearOn && ScanStore::scanCount > 0)
        return NonlinearDetectionTrial(window, observer, residuals, hint);
    // The residuals need the eliminated noise; the rmsd alone does not. A trial shown by the
    // live refresh needs it too.
    const bool shown = observer.Shows() && LiveRefreshDue();
    SizeShapeSolution shaped;
    ContiSolution& sol = shaped.conti;
    const ContiStatus status =
        SizeShapeModel()
            ? ComputeSizeShapeSolution(window, observer, shaped, hint)
            : ComputeContiSolution(window, observer, sol, residuals != nullptr || shown, hint);
    NoteStopRequest(status == ContiStatus::Stopped);
    if (status != ContiStatus::Done) {
        if (residuals)
            residuals->assign(residuals->size(), 0.0);
        return kFailedEvaluation;
    }
    if (shown) {
        gTrialShown = true;
        ShowContiTrial(sol);
        // The plot gets copies: the stored distribution stays the one the fit started from.
        std::vector<float> x, c;
        if (gUpdateDistributionPlot && !SizeShapeModel() && TrialDistributionCurve(sol, x, c))
            observer.TrialDistribution(x, c);
        observer.LiveView();
    }
    if (residuals)
        SolutionResiduals(sol, *residuals);
    return sol.rmsd * sol.rmsd;
}

bool MLContiFit(TXLAWindow* window, CComputeObserver& observer) {
    OptimiserChoice choice = ChosenOptimiser();
    choice.method = OptimiserChoice::Method::MarquardtLevenberg;
    return RunContiFitWith(window, observer, choice);
}

bool ContiFit(TXLAWindow* window, CComputeObserver& observer) {
    return RunContiFitWith(window, observer, ChosenOptimiser());
}
