// The time-dependent s and M analysis. Each later scan is modelled by one ideal species whose
// Lamm solution starts from the earlier scan (the experimental initial distribution, extrapolated
// beyond the fit limits), so nothing is assumed about the loading; the downhill simplex fits s and
// M to the later scan alone. Checked on one species whose s and M the rows recover.
#include "distributions/time_dependent_s_m.h"

#include "fitting/optim_simplex.h"
#include "foundations/hydrodynamics.h"
#include "foundations/key_polling.h"
#include "foundations/nr_arrays.h"
#include "foundations/text_lines.h"
#include "scandata/initial_data.h"
#include "scandata/scan_header.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/simulation_switches.h"
#include "state/conti_state.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/run_switches.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numeric>

namespace {

using S = ScanStore;
using P = ModelParameters;

} // namespace

struct ScanPairView::Saved {
    int scanCount = 0;
    float **radius, **fit, **work, **residuals, **signal, **thirdColumn, **gridSignal;
    ScanHeader* header;
    DlsRecord* dlsRecords;
    std::int32_t *pointCount, *scanOrder, *firstFitIndex, *lastFitIndex;
    char** scanFileName;
    float *scanMeanSignal, *riNoise;
    ScanVectors* scanVectors;
    ScanCurves* scanCurves;
    // The two scans' entries at 1 and 2.
    std::array<float*, 3> vRadius{}, vFit{}, vWork{}, vResiduals{}, vSignal{}, vThird{}, vGrid{};
    std::array<ScanHeader, 3> vHeader{};
    std::array<std::int32_t, 3> vCount{}, vOrder{0, 1, 2}, vFirst{}, vLast{};
    std::array<char*, 3> vName{};
    std::array<float, 3> vMean{}, vRi{};
    std::array<ScanVectors, 3> vVectors{};
    std::array<ScanCurves, 3> vCurves{};
};

namespace {

// Points view[1], view[2] at the entries a and b of a per-scan table and the store at the view;
// a table that does not exist stays absent.
template <typename T, std::size_t N> void Narrow(T*& table, std::array<T, N>& view, int a, int b) {
    if (!table)
        return;
    view[1] = table[a];
    view[2] = table[b];
    table = view.data();
}

} // namespace

ScanPairView::ScanPairView(int a, int b) : saved_(new Saved) {
    Saved& v = *saved_;
    v.scanCount = S::scanCount;
    v.radius = S::radius, v.fit = S::fit, v.work = S::work, v.residuals = S::residuals;
    v.signal = S::signal, v.thirdColumn = S::thirdColumn, v.gridSignal = S::gridSignal;
    v.header = S::header, v.dlsRecords = S::dlsRecords, v.pointCount = S::pointCount;
    v.scanOrder = S::scanOrder, v.firstFitIndex = S::firstFitIndex;
    v.lastFitIndex = S::lastFitIndex, v.scanFileName = S::scanFileName;
    v.scanMeanSignal = S::scanMeanSignal, v.riNoise = S::riNoise;
    v.scanVectors = S::scanVectors, v.scanCurves = S::scanCurves;
    Narrow(S::radius, v.vRadius, a, b);
    Narrow(S::fit, v.vFit, a, b);
    Narrow(S::work, v.vWork, a, b);
    Narrow(S::residuals, v.vResiduals, a, b);
    Narrow(S::signal, v.vSignal, a, b);
    Narrow(S::thirdColumn, v.vThird, a, b);
    Narrow(S::gridSignal, v.vGrid, a, b);
    Narrow(S::header, v.vHeader, a, b);
    Narrow(S::pointCount, v.vCount, a, b);
    Narrow(S::firstFitIndex, v.vFirst, a, b);
    Narrow(S::lastFitIndex, v.vLast, a, b);
    Narrow(S::scanFileName, v.vName, a, b);
    Narrow(S::scanMeanSignal, v.vMean, a, b);
    Narrow(S::riNoise, v.vRi, a, b);
    Narrow(S::scanVectors, v.vVectors, a, b);
    Narrow(S::scanCurves, v.vCurves, a, b);
    S::dlsRecords = nullptr;
    if (S::scanOrder)
        S::scanOrder = v.vOrder.data();
    S::scanCount = 2;
}

ScanPairView::~ScanPairView() {
    const Saved& v = *saved_;
    S::scanCount = v.scanCount;
    S::radius = v.radius, S::fit = v.fit, S::work = v.work, S::residuals = v.residuals;
    S::signal = v.signal, S::thirdColumn = v.thirdColumn, S::gridSignal = v.gridSignal;
    S::header = v.header, S::dlsRecords = v.dlsRecords, S::pointCount = v.pointCount;
    S::scanOrder = v.scanOrder, S::firstFitIndex = v.firstFitIndex;
    S::lastFitIndex = v.lastFitIndex, S::scanFileName = v.scanFileName;
    S::scanMeanSignal = v.scanMeanSignal, S::riNoise = v.riNoise;
    S::scanVectors = v.scanVectors, S::scanCurves = v.scanCurves;
    delete saved_;
}

namespace {

// The records the analysis changes, as they were; put back when it ends.
struct ModelRecordsKept {
    float speciesS[5], speciesDOrM[5], concentration[5];
    std::int32_t speciesOn[5];
    bool experimental = P::experimentalInitialDistribution;
    bool constant = P::constantInitialDistribution;
    bool equilibriumMs = ModelChoice::equilibriumMs;
    bool ti = ModelChoice::fitTINoise, ri = ModelChoice::fitRINoise;
    bool linear = ModelChoice::linearAmplitudes;
    bool timeDependent = ContiState::timeDependentSAndM;
    bool ordinary = ContiState::ordinaryAnalysisMode;
    bool initialIsFirst = gInitialDataIsFirstScan;
    ModelRecordsKept() {
        std::copy(P::speciesS, P::speciesS + 5, speciesS);
        std::copy(P::speciesDOrM, P::speciesDOrM + 5, speciesDOrM);
        std::copy(P::concentration, P::concentration + 5, concentration);
        std::copy(P::speciesOn, P::speciesOn + 5, speciesOn);
    }
    ~ModelRecordsKept() {
        std::copy(speciesS, speciesS + 5, P::speciesS);
        std::copy(speciesDOrM, speciesDOrM + 5, P::speciesDOrM);
        std::copy(concentration, concentration + 5, P::concentration);
        std::copy(speciesOn, speciesOn + 5, P::speciesOn);
        P::experimentalInitialDistribution = experimental;
        P::constantInitialDistribution = constant;
        ModelChoice::equilibriumMs = equilibriumMs;
        ModelChoice::fitTINoise = ti, ModelChoice::fitRINoise = ri;
        ModelChoice::linearAmplitudes = linear;
        ContiState::timeDependentSAndM = timeDependent;
        ContiState::ordinaryAnalysisMode = ordinary;
        gInitialDataIsFirstScan = initialIsFirst;
        // The initial data were the scans' own; none is left behind.
        FreeInitialDataArrays();
        LammGrid::firstScanIsInitial = false;
        LammGrid::firstSimulatedScan = 1;
        PackFitParameters();
    }
};

// The earlier scan k as the initial data: its points and header, extrapolated beyond the fit
// limits.
void ScanAsInitialData(int k) {
    using D = InitialData;
    FreeInitialDataArrays();
    const int n = S::pointCount[k];
    if (n < 1)
        return;
    D::radius = vector(1, n);
    D::signal = vector(1, n);
    D::thirdColumn = vector(1, n);
    std::copy(S::radius[k] + 1, S::radius[k] + 1 + n, D::radius + 1);
    std::copy(S::signal[k] + 1, S::signal[k] + 1 + n, D::signal + 1);
    std::fill(D::thirdColumn + 1, D::thirdColumn + 1 + n, 0.0f);
    D::header = S::header[k];
    D::pointCount = n;
    InitialExtrapolationLeft();
    InitialExtrapolationRight();
}

// Mean square of the later scan's residuals inside its fit limits (the view's scan 2).
double LaterScanMeanSquare() {
    const int first = S::firstFitIndex ? std::max(1, S::firstFitIndex[2]) : 1;
    const int last =
        S::lastFitIndex && S::lastFitIndex[2] > 0 ? S::lastFitIndex[2] : S::pointCount[2];
    double ss = 0.0;
    int count = 0;
    for (int i = first; i <= last; ++i, ++count) {
        const double r = double(S::signal[2][i]) - S::fit[2][i];
        ss += r * r;
    }
    return count > 0 ? ss / count : kFailedEvaluation;
}

} // namespace

TimeDependentOutcome FitTimeDependentSAndM(TXLAWindow* window, double sStart, double mStart) {
    TimeDependentOutcome out;
    if (S::scanCount < 2 || !S::header || !S::signal || !S::fit) {
        out.problem = "The time-dependent s and M analysis needs at least two scans.";
        return out;
    }
    if (S::dlsRecords || S::equilibriumData) {
        out.problem = "The time-dependent s and M analysis needs sedimentation velocity scans.";
        return out;
    }
    if (!(P::meniscus > 0.0f) || !(P::bottom > P::meniscus)) {
        out.problem = "Meniscus and bottom must be set (meniscus below bottom) before the "
                      "time-dependent s and M analysis.";
        return out;
    }
    // The scans in time order.
    std::vector<int> order(std::size_t(S::scanCount));
    std::iota(order.begin(), order.end(), 1);
    std::stable_sort(order.begin(), order.end(),
                     [](int a, int b) { return S::header[a].time < S::header[b].time; });

    ModelRecordsKept kept;
    ContiState::timeDependentSAndM = true;
    ContiState::ordinaryAnalysisMode = false;
    P::experimentalInitialDistribution = true;
    P::constantInitialDistribution = false;
    ModelChoice::equilibriumMs = true; // the second species value is M
    ModelChoice::fitTINoise = ModelChoice::fitRINoise = ModelChoice::linearAmplitudes = false;
    std::fill(P::speciesOn + 1, P::speciesOn + 5, 0);
    P::speciesOn[1] = 1;
    gInitialDataIsFirstScan = true;
    gUserInterrupt.store(false);

    double p[3] = {0.0, std::isfinite(sStart) && sStart > 0.0 ? sStart : 5.0,
                   std::isfinite(mStart) && mStart > 0.0 ? mStart : 50000.0};
    for (std::size_t i = 0; i + 1 < order.size(); ++i) {
        const int a = order[i], b = order[i + 1];
        if (!(S::header[b].time > S::header[a].time))
            continue; // two scans of one time say nothing about change
        ScanPairView view(a, b);
        ScanAsInitialData(1);
        if (InitialData::pointCount < 1)
            continue;
        FitObjective objective;
        bool failed = false;
        objective.evaluate = [&](const double* q, std::vector<double>*) {
            P::speciesS[1] = static_cast<float>(q[1]);
            P::speciesDOrM[1] = static_cast<float>(q[2]);
            PackFitParameters();
            if (!RunDiscreteSed(window)) {
                failed = gUserInterrupt.load();
                return kFailedEvaluation;
            }
            return LaterScanMeanSquare();
        };
        ParameterBounds bounds;
        bounds.lower = {0.0, 0.01, 100.0};
        bounds.upper = {0.0, 1e5, 1e10};
        OptimControl control;
        control.stop = [&] {
            if (!failed && KeyPressed())
                gUserInterrupt.store(true);
            return failed || gUserInterrupt.load();
        };
        SimplexOptions options;
        options.tolerance = 1e-7;
        options.randomization = 0.1;
        const OptimResult result = SimplexOptimize(p, 2, objective, options, bounds, control);
        if (result.status == OptimStatus::Aborted) {
            out.stopped = true;
            break;
        }
        // The later scan keeps the model of the best values.
        const double meanSquare = objective(p);
        TimeDependentRow row;
        row.timeS = 0.5 * (S::header[1].time + S::header[2].time);
        row.s = p[1];
        row.M = p[2];
        row.rmsd = std::sqrt(std::max(0.0, meanSquare));
        out.rows.push_back(row);
    }
    return out;
}

std::string TimeDependentTable(const std::vector<TimeDependentRow>& rows) {
    std::string text = "t (s)\ts (S)\tM (Da)\trmsd\n";
    for (const TimeDependentRow& r : rows)
        AppendFormat(text, "%.1f\t%.4g\t%.5g\t%.3g\n", r.timeS, r.s, r.M, r.rmsd);
    return text;
}
