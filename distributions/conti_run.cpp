// The distribution Run: the kernel (conti_run_kernel.cpp), the normal equations with the
// systematic noise eliminated by centring, kept from one solution to the next on the same kernel,
// the amplitudes regularized at the confidence level, and the result stored (conti_run_store.cpp).
// The distribution value is amplitude / quadrature weight, so its integral is the loading signal.
#include "distributions/conti_run.h"

#include "distributions/buffer_kernel_column.h"
#include "distributions/conti_discrete_component.h"
#include "distributions/conti_drift_kernel.h"
#include "distributions/conti_held_noise.h"
#include "distributions/conti_lamm_list.h"
#include "distributions/conti_nonideal_kernel.h"
#include "distributions/conti_normal_equations.h"
#include "distributions/conti_progress.h"
#include "distributions/conti_regularization.h"
#include "distributions/conti_slow_holds.h"
#include "distributions/prior_probabilities.h"
#include "fitting/equilibrium_fit.h"
#include "foundations/key_polling.h"
#include "foundations/notice_boxes.h"
#include "foundations/nr_arrays.h"
#include "foundations/shape_models.h"
#include "foundations/show_error.h"
#include "foundations/vector_unit.h"
#include "plat/clock.hpp"
#include "scandata/common_grid.h"
#include "scandata/dls_acf_conversion.h"
#include "scandata/nonlinear_detection.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/conti_kernel.h"
#include "simulation/inhomogeneous_solvent.h"
#include "state/conti_state.h"
#include "state/dls_data.h"
#include "state/fit_control.h"
#include "state/lamm_grid.h"
#include "state/run_switches.h"
#include "state/startup_paths.h"
#include "state/window_services.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <immintrin.h>
#include <new>
#include <vector>

namespace {

using S = ScanStore;

} // namespace

int ContiThreadCount() {
    return ContiState::multiThreading ? std::max(1, gDistributionThreadCount) : 1;
}

namespace {

// The normal equations of the last solution and what they were made from: the kernel (by its
// generation), the data set, and the values inside it of the data and of the columns that
// change in place. Once made, a kernel changes in place only in column 1 (the buffer's signal,
// FillBufferKernelColumn) and in the discrete species' columns after the distribution's
// (EnsureContiKernel), so a solution on the same kernel brings the equations up to date with
// those columns and the data instead of building them again: the same numbers, a few columns'
// work instead of all.
struct KeptEquations {
    bool valid = false;
    unsigned long generation = 0;
    int n = 0, first = 0, last = -1;
    std::vector<int> scans;
    bool timeInvariant = false, radiallyInvariant = false;
    std::vector<float> data;
    std::vector<int> watched;                // the columns that may change in place
    std::vector<std::vector<float>> columns; // their values, as watched
    ContiNormalEquations eq;
    ContiNEQScratch scratch; // the builds' storage, kept from one to the next
};
KeptEquations gKeptEquations;

// The values of the rows row(s) inside the set, scan after scan.
template <typename RowOf> std::vector<float> ValuesInSet(const ContiDataSet& set, RowOf row) {
    std::vector<float> values;
    values.reserve(static_cast<std::size_t>(set.Values()));
    for (int s = 0; s < set.Scans(); ++s) {
        const float* r = row(s);
        values.insert(values.end(), r + set.first, r + set.last + 1);
    }
    return values;
}

// Whether a[0..count-1] == b[0..count-1], value by value (a NaN equals nothing, -0 equals 0):
// sixteen at a time with AVX-512, the rest under a mask.
[[gnu::target("avx512f")]] bool SameFloatsAvx512(const float* a, const float* b, int count) {
    int i = 0;
    for (; i + 16 <= count; i += 16)
        if (_mm512_cmp_ps_mask(_mm512_loadu_ps(a + i), _mm512_loadu_ps(b + i), _CMP_EQ_OQ) !=
            0xffff)
            return false;
    const auto rest = static_cast<__mmask16>((1u << (count - i)) - 1u);
    return _mm512_mask_cmp_ps_mask(rest, _mm512_maskz_loadu_ps(rest, a + i),
                                   _mm512_maskz_loadu_ps(rest, b + i), _CMP_EQ_OQ) == rest;
}

// The same eight at a time with AVX2.
[[gnu::target("avx2")]] bool SameFloatsAvx2(const float* a, const float* b, int count) {
    int i = 0;
    for (; i + 8 <= count; i += 8)
        if (_mm256_movemask_ps(
                _mm256_cmp_ps(_mm256_loadu_ps(a + i), _mm256_loadu_ps(b + i), _CMP_EQ_OQ)) != 0xff)
            return false;
    return std::equal(a + i, a + count, b + i);
}

bool SameFloats(const float* a, const float* b, int count) {
    return UsableAvx512() ? SameFloatsAvx512(a, b, count)
           : UsableAvx2() ? SameFloatsAvx2(a, b, count)
                          : std::equal(a, a + count, b);
}

// Whether the rows row(s) inside the set hold the values kept (as ValuesInSet gave them), read in
// place.
template <typename RowOf>
bool SameValuesInSet(const ContiDataSet& set, RowOf row, const std::vector<float>& kept) {
    if (kept.size() != static_cast<std::size_t>(set.Values()))
        return false;
    const float* k = kept.data();
    for (int s = 0; s < set.Scans(); ++s) {
        const float* r = row(s);
        if (!SameFloats(r + set.first, k, set.Points()))
            return false;
        k += set.Points();
    }
    return true;
}

// The equations of n columns of the current kernel over the set, the last discrete ones those
// of discrete species: the kept ones brought up to date when they belong to this kernel and set,
// else built (with the columns' starts found before, when given); eq receives them without the
// means (empty), with the noise part of the columns' products when noiseGram is set (kept with
// the equations, the rows of the columns that changed made again). False after a key press. The
// values the equations were made from are compared in place and copied only when they changed.
bool KeptOrBuiltEquations(int n, int discrete, const ContiDataSet& set,
                          const ContiColumnRow& column, const ContiDataRow& data,
                          ContiColumnStarts* starts, bool noiseGram, ContiNormalEquations& eq) {
    KeptEquations& k = gKeptEquations;
    std::vector<int> watched;
    if (n >= 1)
        watched.push_back(1);
    for (int p = std::max(2, n - discrete + 1); p <= n; ++p)
        watched.push_back(p);
    const bool sameKernel = k.valid && k.generation == gContiKernel.Generation() && k.n == n &&
                            k.scans == set.scans && k.first == set.first && k.last == set.last &&
                            k.timeInvariant == set.timeInvariant &&
                            k.radiallyInvariant == set.radiallyInvariant && k.watched == watched;
    k.valid = false;
    bool columnsChanged = true;
    std::vector<char> changed(std::size_t(n) + 1, 0);
    if (sameKernel && n >= 1) {
        bool any = false;
        if (!SameValuesInSet(set, data, k.data)) {
            k.data = ValuesInSet(set, data);
            any = true;
        }
        for (std::size_t w = 0; w < watched.size(); ++w) {
            auto row = [&](int s) { return column(watched[w], s); };
            if (!SameValuesInSet(set, row, k.columns[w])) {
                k.columns[w] = ValuesInSet(set, row);
                changed[std::size_t(watched[w])] = 1;
                any = true;
            }
        }
        columnsChanged = std::find(changed.begin(), changed.end(), 1) != changed.end();
        if (any)
            UpdateContiNormalEquations(n, set, column, data, changed, ContiThreadCount(), k.eq);
        if (KeyPressed()) {
            gUserInterrupt.store(true);
            return false;
        }
    } else {
        k.data = ValuesInSet(set, data);
        k.columns.clear();
        for (int p : watched)
            k.columns.push_back(ValuesInSet(set, [&](int s) { return column(p, s); }));
        if (!BuildContiNormalEquations(n, set, column, data, ContiThreadCount(), k.eq,
                                       {starts, &k.scratch, noiseGram}))
            return false;
    }
    k.valid = true;
    k.generation = gContiKernel.Generation();
    k.n = n;
    k.first = set.first;
    k.last = set.last;
    k.scans = set.scans;
    k.timeInvariant = set.timeInvariant;
    k.radiallyInvariant = set.radiallyInvariant;
    k.watched = std::move(watched);
    // (a build made the noise part beside the products)
    if (!noiseGram)
        k.eq.noiseGram = CDenseMatrix();
    else if (sameKernel && k.eq.noiseGram.N() != n)
        k.eq.noiseGram = NoiseGramOfColumns(k.eq, set.Noise(), ContiThreadCount());
    else if (sameKernel && columnsChanged)
        UpdateNoiseGramOfColumns(k.eq, set.Noise(), changed, k.eq.noiseGram);
    // The solution reads everything but the columns' and data's means, which only the next
    // update of the kept equations needs: those stay with the kept ones rather than being copied
    // (some hundred kilobytes over as many rows as columns).
    std::vector<NoiseMeans> columnMeans = std::move(k.eq.columnMeans);
    NoiseMeans dataMeans = std::move(k.eq.dataMeans);
    k.eq.columnMeans.clear();
    k.eq.dataMeans = NoiseMeans{};
    eq = k.eq;
    k.eq.columnMeans = std::move(columnMeans);
    k.eq.dataMeans = std::move(dataMeans);
    return true;
}

} // namespace

bool EntropyHoldsNoise(const ContiDataSet& set, double P, double nu) {
    return (ContiState::maxEntRegularization || ContiState::showBothRegularizations) &&
           ContiState::suppressBaselineCorrelation && set.NoiseParameters() > 0 &&
           ContiTargetRatio(P, nu) > 1.0;
}

ContiGrid CurrentContiGrid(ContiVariant variant) {
    ContiGrid g = BuildContiGrid(variant, static_cast<int>(ContiState::resolution),
                                 ContiState::rangeMin, ContiState::rangeMax, ContiState::logGrid,
                                 ContiState::ff0, ContiState::invariantD, ContiScanTemperature());
    AppendDiscreteComponent(g, ContiScanTemperature());
    return g;
}

ContiStatus ComputeContiSolution(TXLAWindow* window, CComputeObserver& observer, ContiSolution& out,
                                 bool withNoise, ContiStrengthHint* hint, bool withModel) {
    const ContiVariant variant = CurrentContiVariant();
    if (!CheckContiRun(variant).empty() || !GetContiDataSet(out.set, nullptr))
        return ContiStatus::Refused;
    out.grid = CurrentContiGrid(variant);
    ContiColumnStarts starts;
    if (!EnsureContiKernel(window, observer, out.grid, &out.set, &starts))
        return gUserInterrupt.load() ? ContiStatus::Stopped : ContiStatus::KernelFailed;
    return SolveContiSet(observer, out, withNoise, hint, withModel, &starts);
}

ContiStatus SolveContiSet(CComputeObserver& observer, ContiSolution& out, bool withNoise,
                          ContiStrengthHint* hint, bool withModel, ContiColumnStarts* starts) {
    // Every column: the distribution's points and the discrete species after them.
    const int n = out.grid.Columns();
    const ContiDataSet& set = out.set;
    ContiColumnRow column = [&set](int p, int s) { return gContiKernel.Row(p, set.scans[s]); };
    ContiDataRow data = [&set](int s) { return S::gridSignal[set.scans[s]]; };
    // A buffer signal that is not fitted is part of the model as entered: its column, which
    // carries that signal, is taken from the data and its amplitude held at one.
    const bool fixedBuffer = BufferColumnFixed() && n >= 1 && gContiKernel.Solved(1);
    std::vector<std::vector<float>> lessBuffer;
    ContiDataRow solvedData = data;
    if (fixedBuffer) {
        lessBuffer.resize(std::size_t(set.Scans()));
        for (int s = 0; s < set.Scans(); ++s) {
            const float* y = data(s);
            const float* b = column(1, s);
            std::vector<float>& row = lessBuffer[std::size_t(s)];
            row.assign(std::size_t(S::gridCount) + 1, 0.0f);
            for (int j = 1; j <= S::gridCount; ++j)
                row[std::size_t(j)] = y[j] - b[j];
        }
        solvedData = [&lessBuffer](int s) { return lessBuffer[std::size_t(s)].data(); };
    }
    const double nu = set.Values() - n - set.NoiseParameters();
    const bool holdNoise = EntropyHoldsNoise(set, ContiState::confidenceLevel, nu);
    ContiNormalEquations eq;
    {
        ContiProgress progress(observer);
        const bool built = KeptOrBuiltEquations(n, out.grid.discrete, set, column, solvedData,
                                                starts, holdNoise, eq);
        progress.Draw(1.0);
        if (!built)
            return ContiStatus::Stopped;
    }
    if (fixedBuffer)
        eq.held[1] = 1;
    eq.discreteColumns = out.grid.discrete;
    HoldColumnsWithoutOwnSignal(eq);
    // Which of the fits within the noise is shown, not how well a Fit's parameters fit: its
    // trials leave the slow amplitudes as the best solution has them. The search leaves the
    // unregularized solution of the columns it left free, which the regularization starts from.
    std::vector<double> unregularized;
    if (!FitControl::fitInProgress)
        HoldSlowAmplitudesWithinTheNoise(eq, ContiState::confidenceLevel, ContiThreadCount(),
                                         &unregularized);
    const std::vector<double>* nnls = unregularized.empty() ? nullptr : &unregularized;

    const bool maxEnt = ContiState::maxEntRegularization || ContiState::showBothRegularizations;
    const std::vector<double>& abscissa = IsMassVariant(out.grid.variant) ? out.grid.x : out.grid.s;
    out.prior = PriorForGrid(std::vector<double>(
        abscissa.begin(),
        abscissa.begin() + std::min<std::ptrdiff_t>(out.grid.n + 1, std::ssize(abscissa))));
    ContiRegularizedSolution main;
    out.failure = RegularizeDistribution(eq,
                                         maxEnt ? ContiRegularizationKind::MaximumEntropy
                                                : ContiRegularizationKind::SecondDerivative,
                                         ContiState::confidenceLevel, nu, main, out.prior, hint,
                                         ContiThreadCount(), nnls);
    out.c = main.c;
    out.failureDetail = main.failureDetail;
    out.second.clear();
    if (ContiState::showBothRegularizations) {
        ContiRegularizedSolution sd;
        const AnalysisFailure failure = RegularizeDistribution(
            eq, ContiRegularizationKind::SecondDerivative, ContiState::confidenceLevel, nu, sd,
            out.prior, nullptr, ContiThreadCount(), nnls);
        if (out.failure == AnalysisFailure::None) {
            out.failure = failure;
            out.failureDetail = sd.failureDetail;
        }
        out.second = sd.c;
    }
    out.chiSquare = std::max(0.0, main.chiSquare);
    out.rmsd = set.Values() > 0 ? std::sqrt(out.chiSquare / set.Values()) : 0.0;
    if (fixedBuffer) {
        out.c[1] = 1.0;
        if (!out.second.empty())
            out.second[1] = 1.0;
    }
    out.model.clear();
    // Held noise is what the unregularized amplitudes leave.
    std::vector<double> noiseOf = main.noiseHeld ? main.nnls : out.c;
    if (fixedBuffer)
        noiseOf[1] = 1.0;
    if (withNoise && withModel && main.noiseHeld) {
        ContiNoiseAndModelMovedTo(n, set, column, data, out.c, noiseOf,
                                  gKeptEquations.eq.columnMeans, S::gridCount, out.ti, out.ri,
                                  out.model, ContiThreadCount(), &eq.firstNonzero);
    } else if (withNoise && withModel) {
        ContiNoiseAndModel(n, set, column, data, out.c, S::gridCount, out.ti, out.ri, out.model,
                           ContiThreadCount(), &eq.firstNonzero);
    } else if (withNoise) {
        ContiNoiseForAmplitudes(n, set, column, data, noiseOf, out.ti, out.ri, ContiThreadCount(),
                                &eq.firstNonzero);
    }
    out.firstNonzero = std::move(eq.firstNonzero);
    return ContiStatus::Done;
}

int ContiFirstValueFrom(const ContiSolution& sol, const float* row, int p, int s, int lo) {
    const ContiDataSet& set = sol.set;
    const int n = sol.grid.Columns();
    const int before = ContiFirstNonzero(row, lo, set.first - 1);
    if (before < set.first)
        return before;
    const std::size_t at = static_cast<std::size_t>(s) * (n + 1) + p;
    return sol.firstNonzero.size() == static_cast<std::size_t>(set.Scans()) * (n + 1)
               ? sol.firstNonzero[at]
               : ContiFirstNonzero(row, std::max(lo, set.first), set.last);
}

bool SolutionFinite(const ContiSolution& sol) {
    auto finite = [](const std::vector<double>& v) {
        return std::all_of(v.begin(), v.end(), [](double x) { return std::isfinite(x); });
    };
    return finite(sol.c) && finite(sol.second) && finite(sol.ti) && finite(sol.ri) &&
           std::isfinite(sol.rmsd);
}

bool SolutionStorable(const ContiSolution& sol) {
    if (sol.failure != AnalysisFailure::None) {
        ReportAnalysisFailure(sol.failure, sol.failureDetail);
        return false;
    }
    if (!SolutionFinite(sol)) {
        ShowError("The distribution computed is not finite: it is not stored.", 0);
        return false;
    }
    return true;
}

void OfferFieldAcfConversion(TXLAWindow* window) {
    if (!IsDlsVariant(CurrentContiVariant()) || !gDlsData || !S::dlsRecords || S::scanCount < 1 ||
        S::dlsRecords[1].isFieldAcf)
        return;
    if (!AskYesOrNo(window,
                    "DLS data for this model must be field autocorrelation g(1) - transform?", ""))
        return;
    for (int k = 1; k <= S::scanCount; ++k)
        ToggleFieldIntensityACF(S::pointCount[k], S::signal[k], S::dlsRecords[k]);
    // A grid of its own holds resampled copies of the values: made again from the new ones.
    BuildCommonRadialGrid();
}

namespace {

// Computes, stores and shows the distribution of the data in the store; false (the previous
// result kept) when it could not be computed or is not usable.
bool ComputeAndStoreDistribution(TXLAWindow* window, CComputeObserver& observer,
                                 ContiStrengthHint* hint) {
    ContiState::fMvsMOneShot = false;
    gUserInterrupt.store(false);
    ContiSolution sol;
    ContiStatus status = ContiStatus::Refused;
    try {
        status = ComputeContiSolution(window, observer, sol, true, hint, true);
    } catch (const std::bad_alloc&) {
        gContiKernel.Free();
        ShowError(NotEnoughMemoryText().c_str(), 0);
        return false;
    }
    if (status != ContiStatus::Done)
        return false;
    // A failed solution is reported and not stored: the previous result stays.
    if (!SolutionStorable(sol) || !StoreContiSolution(sol))
        return false;
    TakeBufferSignalFromDistribution(sol.c);
    // The wormlike chain's M(s) of the grid, in standard conditions, for other programs.
    if (sol.grid.variant == ContiVariant::CsWormlikeChain && gTablePaths.wormChainMofs[0] &&
        !WriteWormChainMofSTable())
        ShowError((std::string("The wormlike chain's M(s) table could not be written to ") +
                   gTablePaths.wormChainMofs + ".")
                      .c_str(),
                  0);
    // The grid's abscissae are kept beside the data as the vector file of the data folder.
    if (!ScanPaths::gSDistPath.empty())
        SaveVectorFile(ContiState::sValues, ContiState::gridPoints);
    WindowServices::ShowDistribution(window);
    MoveNoiseIntoData();
    return true;
}

} // namespace

bool RunContiSed(TXLAWindow* window, CComputeObserver& observer, ContiStrengthHint* hint) {
    const std::string problem = CheckContiRun(CurrentContiVariant());
    std::string why;
    ContiDataSet set;
    if (!problem.empty() || !GetContiDataSet(set, &why)) {
        ShowError(problem.empty() ? why.c_str() : problem.c_str(), 0);
        return false;
    }
    OfferFieldAcfConversion(window);
    // With nonlinear detection the distribution is that of the transformed data; its fit (and
    // any noise taken out of the data) goes back through the inverse law.
    BeginNonlinearDetectionModel();
    const bool stored = ComputeAndStoreDistribution(window, observer, hint);
    EndNonlinearDetectionModel();
    if (!stored)
        return false;
    observer.RequestRepaint();
    return true;
}
