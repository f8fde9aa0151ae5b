// The boundary analyses from the scan store to the extrapolation table. Van Holde-Weischet reads
// each scan's own points; the area-fraction extrapolation fits an ls-g*(s) to each scan on the
// common grid with the distribution engine's normal equations and regularization.
#include "distributions/boundary_analysis_run.h"

#include "distributions/conti_normal_equations.h"
#include "distributions/conti_regularization.h"
#include "distributions/conti_run.h"
#include "foundations/nr_arrays.h"
#include "foundations/show_error.h"
#include "scandata/scan_conditions.h"
#include "scandata/scan_header.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/non_diffusing_boundary.h"
#include "state/boundary_analysis.h"
#include "state/conti_state.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/scan_order.h"
#include "state/window_services.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

using S = ScanStore;

// The most fractions an analysis takes (resolution).
constexpr int kMaxFractions = 1000;
// Van Holde-Weischet places its fractions by the dilution of their s at most this many times,
// stopping when no extrapolated s moves by more than kSettledS (S).
constexpr int kDilutionPasses = 8;
constexpr double kSettledS = 1e-4;

std::vector<int> ScansInTimeOrder() {
    std::vector<int> scans;
    const int initial = LammGrid::firstScanIsInitial ? ScanAtPosition(1) : 0;
    for (int k = 1; k <= S::scanCount; ++k)
        if (k != initial && S::header[k].rotorSpeed > 0.0f && ScanW2t(k) > 0.0)
            scans.push_back(k);
    std::stable_sort(scans.begin(), scans.end(),
                     [](int a, int b) { return S::header[a].time < S::header[b].time; });
    return scans;
}

bool Inside(double r) {
    return (S::leftFitLimit <= 0.0f || r >= S::leftFitLimit) &&
           (S::rightFitLimit <= 0.0f || r <= S::rightFitLimit);
}

// The median signal of scan k in (lo, hi), or the model's baseline when fewer than 3 points lie
// there.
double RegionBaseline(int k, double lo, double hi) {
    std::vector<double> v;
    for (int i = 1; i <= S::pointCount[k]; ++i)
        if (S::radius[k][i] > lo && S::radius[k][i] < hi)
            v.push_back(S::signal[k][i]);
    if (v.size() < 3)
        return ModelParameters::baseline;
    const std::size_t mid = v.size() / 2;
    std::nth_element(v.begin(), v.begin() + std::ptrdiff_t(mid), v.end());
    return v[mid];
}

bool ResolutionUsable(int n) {
    if (n >= 2 && n <= kMaxFractions)
        return true;
    char text[200];
    std::snprintf(text, sizeof text,
                  "The resolution must lie between 2 and %d boundary fractions (now %d).",
                  kMaxFractions, n);
    ShowError(text, 0);
    return false;
}

// The analyses measure from one edge of the cell and need only that one set; a cell whose both
// edges are set must be one a model can be computed in.
bool CellUsable() {
    if (ModelParameters::meniscus == 0.0f || ModelParameters::bottom == 0.0f)
        return true;
    const std::string cell = CheckCellGeometry(ModelParameters::meniscus, ModelParameters::bottom);
    if (!cell.empty())
        ShowError(cell.c_str(), 0);
    return cell.empty();
}

bool AnyExtrapolated(const BoundaryExtrapolation& e) {
    return std::any_of(e.s.begin(), e.s.end(), [](double s) { return std::isfinite(s); });
}

} // namespace

double ScanW2t(int k) {
    const ScanHeader& h = S::header[k];
    const double w = h.rotorSpeed * M_PI / 30.0;
    double w2t = S::timesFromW2t && h.omega2t > 0.0 ? h.omega2t : w * w * h.time;
    if (ModelParameters::startTimeOn)
        w2t -= w * w * ModelParameters::startTime;
    return w2t;
}

double ScanEffectiveTime(int k) {
    const double w = S::header[k].rotorSpeed * M_PI / 30.0;
    return w > 0.0 ? ScanW2t(k) / (w * w) : 0.0;
}

BoundaryExtrapolation ComputeVanHoldeWeischet(const std::vector<BoundaryScan>& scans,
                                              const std::vector<double>& baselines, int n,
                                              double edgeCm, bool floating) {
    const std::vector<double> fractions = BoundaryFractions(n);
    struct Usable {
        const BoundaryScan* scan;
        BoundaryLevels levels;
        std::vector<double> smoothed;
    };
    std::vector<Usable> usable;
    std::vector<double> times;
    for (std::size_t i = 0; i < scans.size(); ++i) {
        const BoundaryScan& scan = scans[i];
        const double baseline = i < baselines.size() ? baselines[i] : 0.0;
        const BoundaryLevels levels = ScanBoundaryLevels(scan, baseline, floating);
        if (!levels.usable || !(scan.timeS > 0.0))
            continue;
        usable.push_back({&scan, levels, SmoothedSignal(scan.y)});
        times.push_back(scan.timeS);
    }
    // The fractions are of the loading. The first pass reads them off each plateau as they are;
    // each further pass places them on the plateaus by the dilution of the s the previous pass
    // extrapolated, until the extrapolated s settle. One species dilutes alike in all its
    // fractions, which stay where the first pass read them; of two species loaded 1:2, read off
    // the plateaus as they are, the slow one's fractions extrapolated 4% low.
    auto extrapolate = [&](const std::vector<double>* s) {
        std::vector<std::vector<double>> apparent(fractions.size());
        for (const Usable& u : usable) {
            const std::vector<double> at =
                ApparentSAtFractions(u.scan->r, u.smoothed, u.levels,
                                     s ? PlateauFractionsOfLoading(*s, u.scan->w2t) : fractions,
                                     edgeCm, u.scan->w2t, floating);
            for (std::size_t k = 0; k < fractions.size(); ++k)
                apparent[k].push_back(at[k]);
        }
        return ExtrapolateToInfiniteTime(fractions, apparent, times);
    };
    BoundaryExtrapolation e = extrapolate(nullptr);
    for (int pass = 1; pass <= kDilutionPasses; ++pass) {
        BoundaryExtrapolation next = extrapolate(&e.s);
        double change = 0.0;
        for (std::size_t k = 0; k < e.s.size(); ++k)
            if (std::isfinite(e.s[k]) && std::isfinite(next.s[k]))
                change = std::max(change, std::fabs(next.s[k] - e.s[k]));
        e = std::move(next);
        if (change < kSettledS)
            break;
    }
    return e;
}

AreaFractionOutcome ComputeAreaFractionExtrapolation(const ContiDataSet& set, const ContiGrid& grid,
                                                     const std::vector<double>& w2t,
                                                     const std::vector<double>& timesS,
                                                     double meniscusCm, double P, bool maxEnt) {
    AreaFractionOutcome out;
    const int n = grid.n;
    const std::vector<double> fractions = BoundaryFractions(n);
    std::vector<std::vector<double>> apparent(fractions.size());
    std::vector<double> times;
    // Kernel rows of one scan on the common grid: non-diffusing boundaries of unit loading.
    std::vector<std::vector<float>> rows(std::size_t(n) + 1,
                                         std::vector<float>(std::size_t(S::gridCount) + 1));
    const double savedW2s = LammGrid::omega2S;
    const float savedMeniscus = ModelParameters::meniscus;
    ModelParameters::meniscus = static_cast<float>(meniscusCm);
    for (int i = 0; i < set.Scans(); ++i) {
        const int k = set.scans[std::size_t(i)];
        // Only the grid points whose boundary lies inside the fitting range or has passed it:
        // a boundary still beyond the range leaves no trace in this scan, and the regularization
        // would fill its column with the default level.
        std::vector<int> live;
        for (int p = 1; p <= n; ++p) {
            LammGrid::omega2S = grid.s[std::size_t(p)] * 1e-13 * w2t[std::size_t(i)];
            float* row = rows[std::size_t(p)].data();
            NonDiffusingBoundary(1.0, 1.0, S::gridRadius, row, S::gridCount);
            bool seen = false;
            for (int j = set.first; j <= set.last && !seen; ++j)
                seen = row[j] != 0.0f;
            if (seen)
                live.push_back(p);
        }
        // A scan whose boundary reaches the end of the range (or has not left the meniscus)
        // would put part of its plateau into the distribution: it is left out, as in vHW.
        BoundaryScan range;
        for (int j = set.first; j <= set.last; ++j) {
            range.r.push_back(S::gridRadius[j]);
            range.y.push_back(S::gridSignal[k][j]);
        }
        if (!ScanBoundaryLevels(range, ModelParameters::baseline, false).usable)
            live.clear();
        const int used = static_cast<int>(live.size());
        std::vector<double> curve(std::size_t(n), 0.0);
        std::vector<double> at(fractions.size(), std::numeric_limits<double>::quiet_NaN());
        if (used >= 2) {
            ContiDataSet one = set;
            one.scans = {k};
            one.timeInvariant = false; // one scan cannot tell time-invariant noise from signal
            ContiNormalEquations eq;
            BuildContiNormalEquations(
                used, one,
                [&](int q, int) { return rows[std::size_t(live[std::size_t(q - 1)])].data(); },
                [&](int) { return static_cast<const float*>(S::gridSignal[k]); }, 1, eq);
            ContiRegularizedSolution solution;
            const double nu = one.Values() - used - one.NoiseParameters();
            RegularizeDistribution(eq,
                                   maxEnt ? ContiRegularizationKind::MaximumEntropy
                                          : ContiRegularizationKind::SecondDerivative,
                                   P, nu, solution);
            std::vector<double> s, a;
            for (int q = 1; q <= used; ++q) {
                const int p = live[std::size_t(q - 1)];
                s.push_back(grid.s[std::size_t(p)]);
                a.push_back(solution.c[std::size_t(q)]);
                curve[std::size_t(p - 1)] =
                    solution.c[std::size_t(q)] / grid.weight[std::size_t(p)];
            }
            at = SAtAreaFractions(s, a, fractions);
        }
        out.curves.push_back(curve);
        times.push_back(timesS[std::size_t(i)]);
        for (std::size_t f = 0; f < fractions.size(); ++f)
            apparent[f].push_back(at[f]);
    }
    LammGrid::omega2S = savedW2s;
    ModelParameters::meniscus = savedMeniscus;
    out.extrapolation = ExtrapolateToInfiniteTime(fractions, apparent, times);
    return out;
}

void StoreBoundaryResult(const BoundaryExtrapolation& e, const std::vector<double>& grid,
                         const std::vector<std::vector<double>>& curves) {
    using B = BoundaryAnalysis;
    B::abscissa = e.abscissa;
    B::fractions = e.fractions;
    B::apparentS = e.apparentS;
    B::fittedLines = e.fittedLines;
    B::lsgGrid = grid;
    B::lsgCurves = curves;
    std::vector<std::pair<double, double>> g;
    for (std::size_t k = 0; k < e.s.size(); ++k)
        if (std::isfinite(e.s[k]))
            g.push_back({e.s[k], e.fractions[k]});
    std::stable_sort(g.begin(), g.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    FreeDistributionArrays();
    const int n = static_cast<int>(g.size());
    ContiState::gridPoints = n;
    if (n < 1)
        return;
    ContiState::sValues = vector(1, n);
    ContiState::mValues = vector(1, n);
    ContiState::distribution = vector(1, n);
    for (int p = 1; p <= n; ++p) {
        ContiState::sValues[p] = static_cast<float>(g[std::size_t(p - 1)].first);
        ContiState::mValues[p] = 0.0f;
        ContiState::distribution[p] = static_cast<float>(g[std::size_t(p - 1)].second);
    }
}

bool RunVanHoldeWeischet(TXLAWindow* window) {
    const bool floating = ModelChoice::vhwFlotation;
    const int n = static_cast<int>(ContiState::resolution);
    if (!ResolutionUsable(n))
        return false;
    const double edge = floating ? ModelParameters::bottom : ModelParameters::meniscus;
    if (!(edge > 0.0)) {
        ShowError(floating ? "Set the bottom first: a floating boundary is measured from it."
                           : "Set the meniscus first: the boundary is measured from it.",
                  0);
        return false;
    }
    if (!CellUsable())
        return false;
    std::vector<BoundaryScan> scans;
    std::vector<double> baselines;
    for (int k : ScansInTimeOrder()) {
        if (!S::radius || !S::radius[k] || !S::signal || !S::signal[k])
            continue;
        BoundaryScan scan;
        for (int i = 1; i <= S::pointCount[k]; ++i)
            if (Inside(S::radius[k][i]) && std::isfinite(S::signal[k][i])) {
                scan.r.push_back(S::radius[k][i]);
                scan.y.push_back(S::signal[k][i]);
            }
        scan.w2t = ScanW2t(k);
        scan.timeS = ScanEffectiveTime(k);
        if (floating)
            baselines.push_back(
                RegionBaseline(k, S::rightFitLimit, ModelParameters::bottom - 0.01));
        else
            baselines.push_back(
                RegionBaseline(k, ModelParameters::meniscus + 0.01, S::leftFitLimit));
        scans.push_back(std::move(scan));
    }
    const BoundaryExtrapolation e = ComputeVanHoldeWeischet(scans, baselines, n, edge, floating);
    if (!AnyExtrapolated(e)) {
        ShowError("No boundary fraction was found in two or more scans (boundaries that stand "
                  "out of the noise and have left the meniscus or the bottom): nothing to "
                  "extrapolate.",
                  0);
        return false;
    }
    StoreBoundaryResult(e, {}, {});
    WindowServices::ShowDistribution(window);
    return true;
}

bool RunLsgExtrapolation(TXLAWindow* window) {
    const int n = static_cast<int>(ContiState::resolution);
    if (!ResolutionUsable(n))
        return false;
    const std::string problem =
        CheckContiSettings(ContiState::rangeMin, ContiState::rangeMax, ContiState::resolution,
                           ContiState::confidenceLevel);
    if (!problem.empty()) {
        ShowError(problem.c_str(), 0);
        return false;
    }
    if (!(ModelParameters::meniscus > 0.0f)) {
        ShowError("Set the meniscus first: the boundary is measured from it.", 0);
        return false;
    }
    if (!CellUsable())
        return false;
    ContiDataSet set;
    std::string why;
    if (!GetContiDataSet(set, &why)) {
        ShowError(why.c_str(), 0);
        return false;
    }
    // Scans in time order, each with its run integral.
    std::vector<int> order = ScansInTimeOrder();
    std::vector<int> scans;
    for (int k : order)
        if (std::find(set.scans.begin(), set.scans.end(), k) != set.scans.end())
            scans.push_back(k);
    set.scans = scans;
    std::vector<double> w2t, times;
    for (int k : scans) {
        w2t.push_back(ScanW2t(k));
        times.push_back(ScanEffectiveTime(k));
    }
    const ContiGrid grid =
        BuildContiGrid(ContiVariant::LsGStar, n, ContiState::rangeMin, ContiState::rangeMax,
                       ContiState::logGrid, ContiState::ff0, ContiState::invariantD, 20.0);
    const AreaFractionOutcome outcome = ComputeAreaFractionExtrapolation(
        set, grid, w2t, times, ModelParameters::meniscus, ContiState::confidenceLevel,
        !ContiState::secondDerivativeRegularization);
    if (!AnyExtrapolated(outcome.extrapolation)) {
        ShowError("No area fraction of the ls-g*(s) was found in two or more scans: nothing to "
                  "extrapolate.",
                  0);
        return false;
    }
    StoreBoundaryResult(outcome.extrapolation,
                        std::vector<double>(grid.s.begin() + 1, grid.s.end()), outcome.curves);
    WindowServices::ShowDistribution(window);
    return true;
}
