// Separable least squares of species amplitudes, systematic noise and baseline.
//
// Model on the common grid, scan k of the simulated set, grid point j of the fit range:
//   y_kj ~ sum_s a_s C_skj + b_j (time-invariant) + beta_k (radially invariant) + B (baseline).
// The noise terms are eliminated by the centring of foundations/noise_projection.h, the amplitudes
// solve the small normal equations of the centred species signals, and the noise follows from the
// means of the remaining residual. All sums are in double; the fit test compares the residual with
// a dense solve over every unknown.
#include "fitting/linear_least_squares.h"

#include "fitting/linear_least_squares_amplitudes.h"
#include "fitting/linear_least_squares_roads.h"
#include "foundations/dense_matrix.h"
#include "foundations/noise_projection.h"
#include "foundations/resampling.h"
#include "foundations/vector_unit.h"
#include "state/component_scans.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/scan_store.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <memory>
#include <vector>

namespace {

using S = ScanStore;
using M = ModelParameters;

// The evaluation writes the species signals on the common grid into ComponentScans instead of
// the fit while any of these switches is on.
bool SpeciesOnGrid() {
    return ModelChoice::linearAmplitudes || ModelChoice::fitTINoise || ModelChoice::fitRINoise;
}

// Storage indices of the scans the evaluation produced a model for, in scan order.
std::vector<int> SimulatedScans() {
    std::vector<int> scans;
    if (!S::scanOrder || !S::fit || !S::signal)
        return scans;
    for (int o = LammGrid::firstScanIsInitial ? 2 : 1; o <= S::scanCount; ++o) {
        const int k = S::scanOrder[o];
        if (k >= 1 && k <= S::scanCount && S::fit[k] && S::signal[k])
            scans.push_back(k);
    }
    return scans;
}

} // namespace

void FitRangeOf(int k, int& first, int& last) {
    first = S::firstFitIndex && S::firstFitIndex[k] >= 1 ? S::firstFitIndex[k] : 1;
    last = S::lastFitIndex && S::lastFitIndex[k] >= 1 ? S::lastFitIndex[k] : S::pointCount[k];
    if (last > S::pointCount[k])
        last = S::pointCount[k];
}

void StoreBaseline(double value) {
    M::baseline = static_cast<float>(value);
    M::fitValues[15] = M::baseline;
}

namespace {

// Species signals are in the fit already: the baseline is the only linear parameter left. It
// is the mean residual over the scans' fit ranges when solved, and is added to every fit value.
double SolveOnScans(const LinearUnknowns& u, const std::vector<int>& scans) {
    if (scans.empty())
        return -1.0;
    double baseline = M::baseline;
    if (u.baseline) {
        double sum = 0.0;
        long count = 0;
        for (int k : scans) {
            int first = 0, last = 0;
            FitRangeOf(k, first, last);
            for (int i = first; i <= last; ++i) {
                sum += double(S::signal[k][i]) - S::fit[k][i];
                ++count;
            }
        }
        if (count > 0)
            baseline = sum / count;
        StoreBaseline(baseline);
    }
    const float added = static_cast<float>(baseline);
    double rss = 0.0;
    for (int k : scans) {
        int first = 0, last = 0;
        FitRangeOf(k, first, last);
        if (u.residual)
            for (int i = first; i <= last; ++i) {
                const double d = double(S::signal[k][i]) - S::fit[k][i] - baseline;
                rss += d * d;
            }
        for (int i = 1; i <= S::pointCount[k]; ++i)
            S::fit[k][i] += added;
    }
    return rss;
}

NoiseTerms TermsOf(const LinearUnknowns& u) {
    return {u.tiNoise, u.riNoise, u.baseline};
}

NoiseMeans MeansOf(const CDenseMatrix& x) {
    return ComputeNoiseMeans([&](int r) { return x.Row(r + 1); }, x.Rows(), 1, x.Cols());
}

// True when scan k was recorded on the grid's own radii: the grid model is then its fit as it is.
bool OnGridRadii(int k) {
    if (S::pointCount[k] != S::gridCount)
        return false;
    if (S::radius[k] == S::gridRadius)
        return true;
    for (int i = 1; i <= S::gridCount; ++i)
        if (S::radius[k][i] != S::gridRadius[i])
            return false;
    return true;
}

// Whether every scan has recorded data around the grid radius R: R lies between two of the
// scan's points that are at most twice its median spacing apart. Outside a scan's radii, or
// across a gap the loader left (the steepest part of a pile-up at the bottom is filtered out as
// spikes, leaving one point at the bottom), the scan's grid value is an interpolation with no
// data behind it.
bool BackedByEveryScan(const std::vector<int>& scans, const std::vector<float>& widest, float R) {
    for (std::size_t r = 0; r < scans.size(); ++r) {
        const int k = scans[r];
        const float* radius = S::radius[k];
        const int count = S::pointCount[k];
        if (count < 2 || R < radius[1] || R > radius[count])
            return false;
        const float* above = std::lower_bound(radius + 1, radius + count + 1, R);
        if (*above != R && *above - *(above - 1) > widest[r])
            return false;
    }
    return true;
}

// The fit range of the grid without its ends where some scan has no data behind its grid value:
// data interpolated across a gap at a steep pile-up are far from any model there and would drive
// the amplitudes and the noise. Checked end to end with a fit range reaching into the pile-up.
void TrimToBackedGrid(const std::vector<int>& scans, int& first, int& last) {
    std::vector<float> widest;
    std::vector<float> steps;
    for (int k : scans) {
        steps.clear();
        for (int i = 2; i <= S::pointCount[k]; ++i)
            steps.push_back(S::radius[k][i] - S::radius[k][i - 1]);
        float median = 0.0f;
        if (!steps.empty()) {
            std::nth_element(steps.begin(), steps.begin() + steps.size() / 2, steps.end());
            median = steps[steps.size() / 2];
        }
        widest.push_back(2.0f * median);
    }
    while (first < last && !BackedByEveryScan(scans, widest, S::gridRadius[last]))
        --last;
    while (first < last && !BackedByEveryScan(scans, widest, S::gridRadius[first]))
        ++first;
}

// The grid's fit range, without the ends where some scan has no data behind its grid value.
struct GridRange {
    int first = 1, last = 0;
    int Cols() const { return last - first + 1; }
};

GridRange GridFitRange(const std::vector<int>& scans) {
    const int n = S::gridCount;
    GridRange range;
    range.first = S::gridFirstFit >= 1 && S::gridFirstFit <= n ? S::gridFirstFit : 1;
    range.last = S::gridLastFit >= range.first && S::gridLastFit <= n ? S::gridLastFit : n;
    TrimToBackedGrid(scans, range.first, range.last);
    return range;
}

const float* GridSignalOf(int slot, int k) {
    return ComponentScans::rows[slot][k].data();
}

// The target, row r + 1 = the r-th simulated scan, columns over the fit range: the data less the
// held baseline and, with the amplitudes held, less the species.
CDenseMatrix GatherGridTarget(const LinearUnknowns& u, const std::vector<int>& scans,
                              const GridRange& range, const std::vector<int>& slots,
                              double heldBaseline) {
    const int rows = static_cast<int>(scans.size());
    const int cols = range.Cols();
    CDenseMatrix z(rows, cols);
    for (int r = 0; r < rows; ++r) {
        const int k = scans[r];
        double* row = z.Row(r + 1) + 1;
        for (int j = 0; j < cols; ++j) {
            double value = double(S::gridSignal[k][range.first + j]) - heldBaseline;
            if (!u.amplitudes)
                for (int s : slots)
                    value -= GridSignalOf(s, k)[range.first + j];
            row[j] = value;
        }
    }
    return z;
}

// The amplitudes of the species against the target, both centred; z is left holding the
// residual of the amplitudes before the noise terms take their share. The signals and the target
// are centred point by point as they are read, rather than copied into blocks first: the same
// values, without the copies.
std::vector<double> SolveGridAmplitudes(const LinearUnknowns& u, const std::vector<int>& scans,
                                        const GridRange& range, const std::vector<int>& slots,
                                        CDenseMatrix& z) {
    const int rows = static_cast<int>(scans.size());
    const int cols = range.Cols();
    const int first = range.first;
    const NoiseTerms terms = TermsOf(u);
    const int m = static_cast<int>(slots.size());
    std::vector<NoiseMeans> means;
    for (int s : slots)
        means.push_back(
            ComputeNoiseMeans([&](int r) { return GridSignalOf(s, scans[r]); }, rows, first, cols));
    const NoiseMeans zMeans = MeansOf(z);
    AmplitudeProducts products(m);
    std::vector<const float*> signal(m);
    std::vector<std::vector<double>> offset(m, std::vector<double>(cols));
    std::vector<const double*> offsetRows(m);
    std::vector<double> zOffset(cols);
    for (int r = 0; r < rows; ++r) {
        for (int i = 0; i < m; ++i) {
            signal[i] = GridSignalOf(slots[i], scans[r]) + first;
            for (int j = 0; j < cols; ++j)
                offset[i][j] = NoiseShift(means[i], terms, r, j);
            offsetRows[i] = offset[i].data();
        }
        for (int j = 0; j < cols; ++j)
            zOffset[j] = NoiseShift(zMeans, terms, r, j);
        products.AddRow(signal.data(), offsetRows.data(), z.Row(r + 1) + 1, zOffset.data(), cols);
    }
    const std::vector<double> a = SolveAmplitudes(products);
    for (int r = 0; r < rows; ++r)
        for (std::size_t i = 0; i < slots.size(); ++i) {
            const float* c = GridSignalOf(slots[i], scans[r]);
            for (int j = 0; j < cols; ++j)
                z(r + 1, j + 1) -= a[i] * c[first + j];
        }
    return a;
}

// The noise of the residual z and the baseline: the constant goes to the baseline when it is
// solved without time-invariant noise, else into the time-invariant noise.
struct GridNoise {
    NoiseEstimate terms;
    double baseline = 0.0;
};

GridNoise SolveGridNoise(const LinearUnknowns& u, const CDenseMatrix& z, double heldBaseline) {
    GridNoise noise;
    noise.terms = NoiseFromMeans(MeansOf(z), TermsOf(u));
    noise.baseline = u.baseline && !u.tiNoise ? noise.terms.baseline : heldBaseline;
    return noise;
}

double GridResidual(const CDenseMatrix& z, const GridNoise& noise, double heldBaseline) {
    const std::vector<double>& ti = noise.terms.ti;
    const std::vector<double>& ri = noise.terms.ri;
    double rss = 0.0;
    for (int r = 0; r < z.Rows(); ++r)
        for (int j = 0; j < z.Cols(); ++j) {
            const double d = z(r + 1, j + 1) - ti[j] - ri[r] - (noise.baseline - heldBaseline);
            rss += d * d;
        }
    return rss;
}

void StoreGridNoise(const LinearUnknowns& u, const std::vector<int>& scans, const GridRange& range,
                    const GridNoise& noise) {
    if (u.tiNoise && S::tiNoise) {
        for (int g = 1; g <= S::gridCount; ++g)
            S::tiNoise[g] = 0.0f;
        for (int j = 0; j < range.Cols(); ++j)
            S::tiNoise[range.first + j] = static_cast<float>(noise.terms.ti[j]);
    }
    if (u.riNoise && S::riNoise) {
        for (int k = 1; k <= S::scanCount; ++k)
            S::riNoise[k] = 0.0f;
        for (std::size_t r = 0; r < scans.size(); ++r)
            S::riNoise[scans[r]] = static_cast<float>(noise.terms.ri[r]);
    }
    if (u.baseline && !u.tiNoise)
        StoreBaseline(noise.baseline);
}

// The fit: the grid model (species and time-invariant noise) on each scan's radii, plus the
// scan's radially invariant offset and the baseline.
void StoreFitFromGrid(const std::vector<int>& scans, const GridRange& range,
                      const std::vector<int>& slots, const std::vector<double>& a,
                      const GridNoise& noise) {
    const int n = S::gridCount;
    std::vector<float> model(std::size_t(n) + 1, 0.0f);
    for (std::size_t r = 0; r < scans.size(); ++r) {
        const int k = scans[r];
        for (int g = 1; g <= n; ++g) {
            double value =
                g >= range.first && g <= range.last ? noise.terms.ti[g - range.first] : 0.0;
            for (std::size_t i = 0; i < slots.size(); ++i)
                value += a[i] * GridSignalOf(slots[i], k)[g];
            model[g] = static_cast<float>(value);
        }
        float* fit = S::fit[k];
        const int count = S::pointCount[k];
        if (OnGridRadii(k)) {
            for (int i = 1; i <= count; ++i)
                fit[i] = model[i];
        } else {
            for (int i = 1; i <= count; ++i)
                fit[i] = 0.0f;
            ResampleCurve(count, S::radius[k], fit, n, S::gridRadius, model.data());
        }
        const float offset = static_cast<float>(noise.terms.ri[r] + noise.baseline);
        for (int i = 1; i <= count; ++i)
            fit[i] += offset;
    }
}

double SolveOnGrid(const LinearUnknowns& u, const std::vector<int>& scans) {
    const int n = S::gridCount;
    if (scans.empty() || !S::gridSignal || !S::gridRadius || n < 1)
        return -1.0;
    const GridRange range = GridFitRange(scans);
    // species whose signal the evaluation left on the grid for every simulated scan
    const std::vector<int> slots = SpeciesLeftOnEveryScan(scans, [n](int) { return n; });
    const double heldBaseline = u.baseline ? 0.0 : M::baseline;
    CDenseMatrix z = GatherGridTarget(u, scans, range, slots, heldBaseline);
    std::vector<double> a(slots.size(), 1.0);
    if (u.amplitudes) {
        a = SolveGridAmplitudes(u, scans, range, slots, z);
        StoreAmplitudes(slots, a);
    }
    const GridNoise noise = SolveGridNoise(u, z, heldBaseline);
    const double rss = u.residual ? GridResidual(z, noise, heldBaseline) : 0.0;
    StoreGridNoise(u, scans, range, noise);
    StoreFitFromGrid(scans, range, slots, a, noise);
    return rss;
}

} // namespace

double SolveLinearParameters(const LinearUnknowns& unknowns) {
    const std::vector<int> scans = SimulatedScans();
    if (!SpeciesOnGrid())
        return SolveOnScans(unknowns, scans);
    if (ComponentScans::OnScanRadii())
        return SolveOnScanRadii(unknowns, scans);
    return SolveOnGrid(unknowns, scans);
}
