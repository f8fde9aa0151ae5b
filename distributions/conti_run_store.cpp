// A distribution Run's result written into the distribution state and the scan store: the
// distribution, each scan's fit, residuals and noise, the totals later models read, and the noise
// moved into the data after a Run outside a fit.
#include "distributions/conti_discrete_component.h"
#include "distributions/conti_normal_equations.h"
#include "distributions/conti_run.h"
#include "distributions/prior_probabilities.h"
#include "foundations/nr_arrays.h"
#include "foundations/resampling.h"
#include "lamm/kept_thread_pool.h"
#include "plat/clock.hpp"
#include "scandata/noise_subtraction.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/conti_kernel.h"
#include "simulation/distribution_totals.h"
#include "simulation/inhomogeneous_solvent.h"
#include "simulation/stored_model.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>
#include <utility>
#include <vector>

namespace {

using S = ScanStore;

void ReplaceArray(float*& a, int oldN, int newN) {
    if (a)
        free_vector(a, 1, oldN);
    a = newN > 0 ? vector(1, newN) : nullptr;
}

} // namespace

void FreeDistributionArrays() {
    const int n = ContiState::gridPoints;
    ReplaceArray(ContiState::sValues, n, 0);
    ReplaceArray(ContiState::mValues, n, 0);
    ReplaceArray(ContiState::distribution, n, 0);
    ReplaceArray(ContiState::secondDistribution, n, 0);
    FreePriorArrays(n);
    ContiState::heldAbscissa = HeldAbscissa::None;
    ContiState::heldIntegral = false;
}

namespace {

// Each scan's fit on its own radii: the model of the solution on the grid plus the noise, formed
// before anything is stored; times and totals receive each scan's time and its model without the
// noise on the common grid. overflow names the first fit value beyond single precision, or the
// first whose residual would be.
struct ContiCurves {
    std::vector<std::vector<float>> fit; // of each scan of the set, [0..points]
    std::vector<double> times;
    std::vector<std::vector<double>> totals;
    ModelOverflow overflow;
};

ContiCurves FormContiScanCurves(const ContiSolution& sol) {
    const int columns = sol.grid.Columns();
    const ContiDataSet& set = sol.set;
    // Each scan's curves by whichever thread claims the scan (a scan writes only its own rows),
    // so they are the same for any thread count.
    const int scans = set.Scans();
    const bool formed =
        std::ssize(sol.model) == scans &&
        std::all_of(sol.model.begin(), sol.model.end(),
                    [](const std::vector<double>& m) { return std::ssize(m) > S::gridCount; });
    ContiCurves out;
    out.fit.assign(scans, {});
    out.times.assign(scans, 0.0);
    out.totals.assign(scans, {});
    std::vector<ModelOverflow> overflows(scans);
    RunOnKeptThreads(
        scans, std::clamp(ContiThreadCount(), 1, std::max(1, scans)) - 1, [&](int share, bool) {
            const int s = share - 1;
            std::vector<float> gridFit(S::gridCount + 1);
            const int k = set.scans[s];
            // Column by column along the kernel rows; each point adds the columns in order (a
            // column's leading zeros add nothing). Formed with the noise when the solution
            // holds it (the same values).
            std::vector<double>& model = out.totals[s];
            if (formed) {
                model.assign(sol.model[s].begin(), sol.model[s].begin() + S::gridCount + 1);
            } else {
                model.assign(S::gridCount + 1, 0.0);
                for (int p = 1; p <= columns; ++p) {
                    if (sol.c[p] == 0.0)
                        continue;
                    const float* row = gContiKernel.Row(p, k);
                    ContiAddMultiple(model.data(), row, sol.c[p],
                                     ContiFirstValueFrom(sol, row, p, s, 1), S::gridCount);
                }
            }
            out.times[s] = S::header[k].time;
            // The time-invariant noise inside the set's range only: the three parts of the grid
            // each in one plain pass.
            const int first = std::clamp(set.first, 1, S::gridCount + 1);
            const int last = std::clamp(set.last, first - 1, S::gridCount);
            for (int j = 1; j < first; ++j)
                gridFit[j] = static_cast<float>(model[j]);
            for (int j = first; j <= last; ++j)
                gridFit[j] = static_cast<float>(model[j] + sol.ti[j - set.first]);
            for (int j = last + 1; j <= S::gridCount; ++j)
                gridFit[j] = static_cast<float>(model[j]);
            if (!S::fit || !S::fit[k] || !S::radius || !S::radius[k])
                return;
            // the points the resampling does not reach keep the fit they had
            const int count = S::pointCount[k];
            std::vector<float>& fit = out.fit[s];
            fit.assign(S::fit[k], S::fit[k] + count + 1);
            ResampleCurve(count, S::radius[k], fit.data(), S::gridCount, S::gridRadius,
                          gridFit.data());
            const float ri = static_cast<float>(sol.ri[s]);
            for (int i = 1; i <= count; ++i)
                fit[i] += ri;
            overflows[s] = FindFitOverflow(k, fit.data(), count);
        });
    for (const ModelOverflow& o : overflows)
        if (out.overflow.kind == ModelOverflow::None)
            out.overflow = o;
    return out;
}

// The curves formed, with the noise of the solution, into the scan store; the residuals are
// formed in double.
void StoreContiScanCurves(const ContiSolution& sol, const ContiCurves& curves) {
    const ContiDataSet& set = sol.set;
    if (S::tiNoise)
        for (int j = 1; j <= S::gridCount; ++j)
            S::tiNoise[j] =
                j >= set.first && j <= set.last ? static_cast<float>(sol.ti[j - set.first]) : 0.0f;
    for (int s = 0; s < set.Scans(); ++s) {
        const int k = set.scans[s];
        if (S::riNoise)
            S::riNoise[k] = static_cast<float>(sol.ri[s]);
        const std::vector<float>& fit = curves.fit[s];
        if (fit.empty())
            continue;
        std::copy(fit.begin(), fit.end(), S::fit[k]);
        if (S::residuals && S::residuals[k] && S::signal && S::signal[k])
            for (int i = 1; i < std::ssize(fit); ++i)
                S::residuals[k][i] = float(double(S::signal[k][i]) - double(fit[i]));
    }
}

} // namespace

namespace {

// The c(M) curve is drawn over M, the light-scattering ones over their own abscissa; the others
// over s.
float PlottedAbscissa(const ContiGrid& g, int p) {
    const bool overM = IsMassVariant(g.variant) || IsDlsVariant(g.variant);
    return static_cast<float>(overM ? g.x[p] : g.s[p]);
}

// The distribution's value at a grid point: its loading per unit of the abscissa.
float DistributionValue(const ContiGrid& g, const std::vector<double>& c, int p) {
    return static_cast<float>(c[p] / g.weight[p]);
}

} // namespace

void ShowContiTrial(const ContiSolution& sol) {
    if (!SolutionFinite(sol) || sol.ti.empty() || std::ssize(sol.ri) < sol.set.Scans())
        return;
    // a trial beyond single precision is not shown: the fit says so where it ends on one
    const ContiCurves curves = FormContiScanCurves(sol);
    if (curves.overflow.kind != ModelOverflow::None)
        return;
    StoreContiScanCurves(sol, curves);
    S::resultAvailable = true;
}

bool TrialDistributionCurve(const ContiSolution& sol, std::vector<float>& x,
                            std::vector<float>& c) {
    const ContiGrid& g = sol.grid;
    if (g.n < 1 || !SolutionFinite(sol))
        return false;
    x.assign(std::size_t(g.n) + 1, 0.0f);
    c.assign(std::size_t(g.n) + 1, 0.0f);
    for (int p = 1; p <= g.n; ++p) {
        x[p] = PlottedAbscissa(g, p);
        c[p] = DistributionValue(g, sol.c, p);
    }
    return true;
}

bool StoreContiSolution(const ContiSolution& sol) {
    const ContiGrid& g = sol.grid;
    const int n = g.n;
    const int columns = g.Columns();
    ContiCurves curves = FormContiScanCurves(sol);
    if (curves.overflow.kind != ModelOverflow::None) {
        ReportStoredModelBeyondFloat(nullptr, curves.overflow);
        return false;
    }
    FreeDistributionArrays();
    ContiState::gridPoints = n;
    ReplaceArray(ContiState::sValues, 0, n);
    ReplaceArray(ContiState::mValues, 0, n);
    ReplaceArray(ContiState::distribution, 0, n);
    if (!sol.second.empty())
        ReplaceArray(ContiState::secondDistribution, 0, n);
    ContiState::heldAbscissa = IsMassVariant(g.variant)           ? HeldAbscissa::MolarMass
                               : g.variant == ContiVariant::DlsD  ? HeldAbscissa::LogD
                               : g.variant == ContiVariant::DlsRh ? HeldAbscissa::StokesRadius
                                                                  : HeldAbscissa::S;
    for (int p = 1; p <= n; ++p) {
        ContiState::sValues[p] = PlottedAbscissa(g, p);
        ContiState::mValues[p] = static_cast<float>(g.M[p]);
        ContiState::distribution[p] = DistributionValue(g, sol.c, p);
        if (!sol.second.empty())
            ContiState::secondDistribution[p] = DistributionValue(g, sol.second, p);
    }

    StoreContiScanCurves(sol, curves);
    // The model without the noise, which the non-ideal variant reads as the total concentration.
    double loading = 0.0;
    for (int p = 1; p <= columns; ++p)
        loading += sol.c[p];
    KeepDistributionTotals(loading, curves.times,
                           std::vector<double>(S::gridRadius, S::gridRadius + S::gridCount + 1),
                           std::move(curves.totals));
    KeepPriorOfDistribution(sol.prior);
    KeepDiscreteComponentLoading(g, sol.c);
    S::resultAvailable = true;
    return true;
}

void MoveNoiseIntoData() {
    if (ContiState::calledFromFit || FitControl::fitInProgress)
        return;
    if (ModelChoice::fitTINoise && ModelChoice::fitRINoise)
        SubtractAllSystematicNoise();
    else if (ModelChoice::fitTINoise)
        SubtractTINoise();
    else if (ModelChoice::fitRINoise)
        SubtractRINoise();
    else
        SubtractBaselineOffset();
}
