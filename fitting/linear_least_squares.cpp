// Separable least squares of species amplitudes, systematic noise and baseline.
//
// Model on the common grid, scan k of the simulated set, grid point j of the fit range:
//   y_kj ~ sum_s a_s C_skj + b_j (time-invariant) + beta_k (radially invariant) + B (baseline).
// The noise terms are eliminated by the centring of foundations/noise_projection.h, the amplitudes
// solve the small normal equations of the centred species signals, and the noise follows from the
// means of the remaining residual. All sums are in double; the fit test compares the residual with
// a dense solve over every unknown.
#include "fitting/linear_least_squares.h"

#include "foundations/dense_matrix.h"
#include "foundations/linear_solvers.h"
#include "foundations/noise_projection.h"
#include "foundations/resampling.h"
#include "state/buffer_sedimentation.h"
#include "state/component_scans.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/scan_store.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
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

// The inner products the amplitudes need, of the centred species signals among themselves
// (gram[s * m + t]) and with the centred target (cross[s]), and the raw norms of the signals
// before the centring. Each sum runs over the points in one fixed order.
struct AmplitudeProducts {
    explicit AmplitudeProducts(int m)
        : m(m), gram(std::size_t(m) * m, 0.0), cross(m, 0.0), rawNorm(m, 0.0) {}
    // Adds n points of one row: signal j at x[j][0..n-1], centred by subtracting off[j][q]; the
    // target at z[0..n-1], centred by subtracting zOff[q].
    void AddRow(const float* const* x, const double* const* off, const double* z,
                const double* zOff, int n);
    // The same with one offset for the whole row: off[j] for signal j, zOff for the target.
    void AddRowOffsets(const float* const* x, const double* off, const double* z, double zOff,
                       int n);
    int m;
    std::vector<double> gram, cross, rawNorm;
};

// The offset of signal s (s = -1: the target) at point q: a row of them, or one for the row.
struct PointOffsets {
    const double* const* off;
    const double* zOff;
    double Of(int s, int q) const { return s < 0 ? zOff[q] : off[s][q]; }
};
struct RowOffsets {
    const double* off;
    double zOff;
    double Of(int s, int) const { return s < 0 ? zOff : off[s]; }
};

// The sums of AddRow for M species, held in registers over the row: independent chains, each
// adding its points in order.
template <int M, class Offsets>
void AddRowOf(AmplitudeProducts& pr, const float* const* x, const Offsets& off, const double* z,
              int n) {
    const int m = M > 0 ? M : pr.m;
    constexpr int kCap = M > 0 ? M : 1;
    double raw[kCap], cross[kCap], gram[kCap][kCap];
    if constexpr (M > 0) {
        for (int s = 0; s < m; ++s) {
            raw[s] = pr.rawNorm[s];
            cross[s] = pr.cross[s];
            for (int t = s; t < m; ++t)
                gram[s][t] = pr.gram[std::size_t(s) * m + t];
        }
        for (int q = 0; q < n; ++q) {
            double v[kCap], c[kCap];
            const double cz = z[q] - off.Of(-1, q);
            for (int s = 0; s < m; ++s) {
                v[s] = x[s][q];
                c[s] = v[s] - off.Of(s, q);
            }
            for (int s = 0; s < m; ++s) {
                raw[s] += v[s] * v[s];
                cross[s] += c[s] * cz;
                for (int t = s; t < m; ++t)
                    gram[s][t] += c[s] * c[t];
            }
        }
        for (int s = 0; s < m; ++s) {
            pr.rawNorm[s] = raw[s];
            pr.cross[s] = cross[s];
            for (int t = s; t < m; ++t)
                pr.gram[std::size_t(s) * m + t] = gram[s][t];
        }
    } else {
        std::vector<double> v(m), c(m);
        for (int q = 0; q < n; ++q) {
            const double cz = z[q] - off.Of(-1, q);
            for (int s = 0; s < m; ++s) {
                v[s] = x[s][q];
                c[s] = v[s] - off.Of(s, q);
            }
            for (int s = 0; s < m; ++s) {
                pr.rawNorm[s] += v[s] * v[s];
                pr.cross[s] += c[s] * cz;
                for (int t = s; t < m; ++t)
                    pr.gram[std::size_t(s) * m + t] += c[s] * c[t];
            }
        }
    }
}

template <class Offsets>
void AddRowFor(AmplitudeProducts& pr, const float* const* x, const Offsets& off, const double* z,
               int n) {
    switch (pr.m) {
    case 1:
        return AddRowOf<1>(pr, x, off, z, n);
    case 2:
        return AddRowOf<2>(pr, x, off, z, n);
    case 3:
        return AddRowOf<3>(pr, x, off, z, n);
    case 4:
        return AddRowOf<4>(pr, x, off, z, n);
    default:
        return AddRowOf<0>(pr, x, off, z, n);
    }
}

void AmplitudeProducts::AddRow(const float* const* x, const double* const* off, const double* z,
                               const double* zOff, int n) {
    AddRowFor(*this, x, PointOffsets{off, zOff}, z, n);
}

void AmplitudeProducts::AddRowOffsets(const float* const* x, const double* off, const double* z,
                                      double zOff, int n) {
    AddRowFor(*this, x, RowOffsets{off, zOff}, z, n);
}

// Amplitudes of the centred species signals against the centred target from their products. The
// system is scaled to a unit diagonal; a signal the centring removes (a species constant in
// radius while radially invariant noise is fitted) gets amplitude 0 instead of an arbitrary one.
std::vector<double> SolveAmplitudes(const AmplitudeProducts& pr) {
    const int m = pr.m;
    std::vector<double> a(m, 0.0);
    if (m == 0)
        return a;
    auto gram = [&](int s, int t) { return pr.gram[std::size_t(s) * m + t]; };
    std::vector<double> scale(m, 0.0);
    for (int s = 0; s < m; ++s) {
        const double g = gram(s, s);
        if (g > 1e-12 * pr.rawNorm[s] && g > 0.0)
            scale[s] = 1.0 / std::sqrt(g);
    }
    CDenseMatrix G(m);
    std::vector<double*> g = G.RowPointers();
    std::vector<double> h(m + 1, 0.0), x(m + 1, 0.0), p(m + 1, 0.0);
    for (int s = 0; s < m; ++s) {
        if (scale[s] == 0.0)
            continue;
        h[s + 1] = pr.cross[s] * scale[s];
        for (int t = s; t < m; ++t)
            if (scale[t] != 0.0)
                g[s + 1][t + 1] = g[t + 1][s + 1] = gram(s, t) * scale[s] * scale[t];
    }
    DCholeskySolveReduced(g.data(), h.data(), m, x.data(), p.data());
    for (int s = 0; s < m; ++s)
        a[s] = std::isfinite(x[s + 1]) ? x[s + 1] * scale[s] : 0.0;
    return a;
}

// The new loadings: each species' carried loading times its amplitude. The first species slot
// holds the total signal and the others their fractions of it, as the evaluation reads them;
// the buffer slot holds its own signal. The packed vector is kept in step, since the next
// evaluation starts from it.
void StoreAmplitudes(const std::vector<int>& slots, const std::vector<double>& a) {
    const int bufferSlot = BufferSedimentation::on ? M::maxSpecies : 0;
    double total = 0.0;
    int firstSlot = 0;
    std::vector<double> loading(M::maxSpecies + 1, 0.0);
    for (std::size_t i = 0; i < slots.size(); ++i) {
        const int s = slots[i];
        const double carried = M::speciesLoading[s] != 0.0f ? M::speciesLoading[s] : 1.0;
        loading[s] = a[i] * carried;
        M::speciesLoading[s] = static_cast<float>(loading[s]);
        if (s == bufferSlot) {
            // The amplitude is the buffer's signal; a negative one puts the excess on the
            // other side.
            if (loading[s] < 0.0)
                BufferSedimentation::signalSign = -BufferSedimentation::signalSign;
            BufferSedimentation::signal = std::abs(loading[s]);
            M::concentration[s] = M::speciesLoading[s];
            continue;
        }
        total += loading[s];
        if (firstSlot == 0)
            firstSlot = s;
    }
    for (int s : slots) {
        if (s == bufferSlot)
            continue;
        if (s == firstSlot)
            M::concentration[s] = static_cast<float>(total);
        else
            M::concentration[s] = total != 0.0 ? static_cast<float>(loading[s] / total) : 0.0f;
    }
    for (int s : slots)
        M::fitValues[8 + s] = M::concentration[s];
}

// The included species whose rows the evaluation left for every scan in scans, each row holding
// points 1..points(k) of scan k.
template <class Points>
std::vector<int> SpeciesLeftOnEveryScan(const std::vector<int>& scans, Points points) {
    std::vector<int> slots;
    for (int s = 1; s <= M::maxSpecies; ++s) {
        if (!M::speciesIncluded[s])
            continue;
        const auto& perScan = ComponentScans::rows[s];
        bool complete = true;
        for (int k : scans)
            complete = complete && perScan.size() > std::size_t(k) &&
                       perScan[std::size_t(k)].size() > std::size_t(points(k));
        if (complete)
            slots.push_back(s);
    }
    return slots;
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

double SolveOnGrid(const LinearUnknowns& u, const std::vector<int>& scans) {
    const int n = S::gridCount;
    if (scans.empty() || !S::gridSignal || !S::gridRadius || n < 1)
        return -1.0;
    int first = S::gridFirstFit >= 1 && S::gridFirstFit <= n ? S::gridFirstFit : 1;
    int last = S::gridLastFit >= first && S::gridLastFit <= n ? S::gridLastFit : n;
    TrimToBackedGrid(scans, first, last);
    const int rows = static_cast<int>(scans.size());
    const int cols = last - first + 1;

    // Species whose signal the evaluation left on the grid for every simulated scan.
    const std::vector<int> slots = SpeciesLeftOnEveryScan(scans, [n](int) { return n; });
    auto signalOf = [](int s, int k) { return ComponentScans::rows[s][k].data(); };

    const double heldBaseline = u.baseline ? 0.0 : M::baseline;
    // The target, row r + 1 = the r-th simulated scan, columns over the fit range.
    CDenseMatrix z(rows, cols);
    for (int r = 0; r < rows; ++r) {
        const int k = scans[r];
        double* row = z.Row(r + 1) + 1;
        for (int j = 0; j < cols; ++j) {
            double value = double(S::gridSignal[k][first + j]) - heldBaseline;
            if (!u.amplitudes)
                for (int s : slots)
                    value -= signalOf(s, k)[first + j];
            row[j] = value;
        }
    }

    std::vector<double> a(slots.size(), 1.0);
    if (u.amplitudes) {
        // The signals and the target centred point by point as they are read, rather than
        // copied into blocks first: the same values, without the copies.
        const NoiseTerms terms = TermsOf(u);
        const int m = static_cast<int>(slots.size());
        std::vector<NoiseMeans> means;
        for (int s : slots)
            means.push_back(
                ComputeNoiseMeans([&](int r) { return signalOf(s, scans[r]); }, rows, first, cols));
        const NoiseMeans zMeans = MeansOf(z);
        AmplitudeProducts products(m);
        std::vector<const float*> signal(m);
        std::vector<std::vector<double>> offset(m, std::vector<double>(cols));
        std::vector<const double*> offsetRows(m);
        std::vector<double> zOffset(cols);
        for (int r = 0; r < rows; ++r) {
            for (int i = 0; i < m; ++i) {
                signal[i] = signalOf(slots[i], scans[r]) + first;
                for (int j = 0; j < cols; ++j)
                    offset[i][j] = NoiseShift(means[i], terms, r, j);
                offsetRows[i] = offset[i].data();
            }
            for (int j = 0; j < cols; ++j)
                zOffset[j] = NoiseShift(zMeans, terms, r, j);
            products.AddRow(signal.data(), offsetRows.data(), z.Row(r + 1) + 1, zOffset.data(),
                            cols);
        }
        a = SolveAmplitudes(products);
        // The residual of the amplitudes before the noise terms take their share.
        for (int r = 0; r < rows; ++r)
            for (std::size_t i = 0; i < slots.size(); ++i) {
                const float* c = signalOf(slots[i], scans[r]);
                for (int j = 0; j < cols; ++j)
                    z(r + 1, j + 1) -= a[i] * c[first + j];
            }
        StoreAmplitudes(slots, a);
    }

    // Noise terms from the means of the residual; the constant goes to the baseline when it is
    // solved without time-invariant noise, else into the time-invariant noise.
    const NoiseEstimate noise = NoiseFromMeans(MeansOf(z), TermsOf(u));
    const std::vector<double>& ti = noise.ti;
    const std::vector<double>& ri = noise.ri;
    const double baseline = u.baseline && !u.tiNoise ? noise.baseline : heldBaseline;
    double rss = 0.0;
    for (int r = 0; r < rows; ++r)
        for (int j = 0; j < cols; ++j) {
            const double d = z(r + 1, j + 1) - ti[j] - ri[r] - (baseline - heldBaseline);
            rss += d * d;
        }

    if (u.tiNoise && S::tiNoise) {
        for (int g = 1; g <= n; ++g)
            S::tiNoise[g] = 0.0f;
        for (int j = 0; j < cols; ++j)
            S::tiNoise[first + j] = static_cast<float>(ti[j]);
    }
    if (u.riNoise && S::riNoise) {
        for (int k = 1; k <= S::scanCount; ++k)
            S::riNoise[k] = 0.0f;
        for (int r = 0; r < rows; ++r)
            S::riNoise[scans[r]] = static_cast<float>(ri[r]);
    }
    if (u.baseline && !u.tiNoise)
        StoreBaseline(baseline);

    // The fit: the grid model (species and time-invariant noise) on each scan's radii, plus the
    // scan's radially invariant offset and the baseline.
    std::vector<float> model(std::size_t(n) + 1, 0.0f);
    for (int r = 0; r < rows; ++r) {
        const int k = scans[r];
        for (int g = 1; g <= n; ++g) {
            double value = g >= first && g <= last ? ti[g - first] : 0.0;
            for (std::size_t i = 0; i < slots.size(); ++i)
                value += a[i] * signalOf(slots[i], k)[g];
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
        const float offset = static_cast<float>(ri[r] + baseline);
        for (int i = 1; i <= count; ++i)
            fit[i] += offset;
    }
    return rss;
}

// Without time-invariant noise the species rows lie on the scans' own radii: amplitudes, the
// radially invariant noise and the baseline are solved against the data as recorded, over each
// scan's fit range. Data resampled onto a finer grid would miss where the signal bends sharply
// within a scan's point spacing (the pile-up at the bottom), and that miss would drive the
// amplitudes. The rows of all scans are laid end to end; the radially invariant noise is
// eliminated by centring each scan's segment, the baseline alone by the grand mean.
double SolveOnScanRadii(const LinearUnknowns& u, const std::vector<int>& scans) {
    if (scans.empty())
        return -1.0;
    const int rows = static_cast<int>(scans.size());
    std::vector<int> first(static_cast<std::size_t>(rows), 0);
    std::vector<int> start(static_cast<std::size_t>(rows) + 1, 0);
    for (int r = 0; r < rows; ++r) {
        int last = 0;
        FitRangeOf(scans[std::size_t(r)], first[std::size_t(r)], last);
        start[std::size_t(r) + 1] =
            start[std::size_t(r)] + std::max(0, last - first[std::size_t(r)] + 1);
    }
    const int total = start[std::size_t(rows)];
    if (total < 1)
        return -1.0;

    // Species whose signal the evaluation left on the radii of every simulated scan.
    const std::vector<int> slots =
        SpeciesLeftOnEveryScan(scans, [](int k) { return S::pointCount[k]; });
    // The signal of the j-th species of slots on the radii of row r's scan.
    std::vector<const float*> speciesRows;
    for (int s : slots)
        for (int r = 0; r < rows; ++r)
            speciesRows.push_back(
                ComponentScans::rows[s][std::size_t(scans[std::size_t(r)])].data());
    auto signalOf = [&](std::size_t j, int r) { return speciesRows[j * std::size_t(rows) + r]; };
    // Visits every fitted point: row r, its scan k, point i and the flat column c (1-based).
    auto forEachPoint = [&](auto&& visit) {
        for (int r = 0; r < rows; ++r) {
            const int k = scans[std::size_t(r)];
            for (int c = start[std::size_t(r)] + 1; c <= start[std::size_t(r) + 1]; ++c)
                visit(r, k, first[std::size_t(r)] + c - start[std::size_t(r)] - 1, c);
        }
    };
    // Row means and grand mean of the values value(r, i, c) over the fitted points, each summed
    // in point order.
    // The sums are kept in registers over each row.
    auto rowMeans = [&](auto&& value, std::vector<double>& means) {
        means.assign(std::size_t(rows), 0.0);
        for (int r = 0; r < rows; ++r) {
            double sum = 0.0;
            for (int c = start[std::size_t(r)] + 1, i = first[std::size_t(r)];
                 c <= start[std::size_t(r) + 1]; ++c, ++i)
                sum += value(r, i, c);
            const int n = start[std::size_t(r) + 1] - start[std::size_t(r)];
            means[std::size_t(r)] = n > 0 ? sum / n : 0.0;
        }
    };
    auto grandMean = [&](auto&& value) {
        double sum = 0.0;
        for (int r = 0; r < rows; ++r) {
            double running = sum;
            for (int c = start[std::size_t(r)] + 1, i = first[std::size_t(r)];
                 c <= start[std::size_t(r) + 1]; ++c, ++i)
                running += value(r, i, c);
            sum = running;
        }
        return sum / total;
    };
    // The offset the centring takes from each row's values, by the rule of the blocks without
    // time-invariant noise (rows of their own lengths have no point means).
    const NoiseTerms rowTerms{false, u.riNoise, u.baseline};
    auto centring = [&](auto&& value) {
        NoiseMeans means;
        if (u.riNoise)
            rowMeans(value, means.row);
        else if (u.baseline)
            means.grand = grandMean(value);
        std::vector<double> offset(std::size_t(rows), 0.0);
        for (int r = 0; r < rows; ++r)
            offset[std::size_t(r)] = NoiseShift(means, rowTerms, r, 0);
        return offset;
    };

    const double heldBaseline = u.baseline ? 0.0 : M::baseline;
    CDenseMatrix z(1, total);
    forEachPoint([&](int r, int k, int i, int c) {
        double value = double(S::signal[k][i]) - heldBaseline;
        if (!u.amplitudes)
            for (std::size_t j = 0; j < slots.size(); ++j)
                value -= signalOf(j, r)[i];
        z(1, c) = value;
    });
    auto zValue = [&](int, int, int c) { return z(1, c); };

    std::vector<double> a(slots.size(), 1.0);
    if (u.amplitudes) {
        // The signals and the target centred point by point as they are read, rather than
        // copied into rows first: the same values, without the copies.
        const int m = static_cast<int>(slots.size());
        std::vector<std::vector<double>> offsets;
        for (int j = 0; j < m; ++j)
            offsets.push_back(centring([&](int r, int i, int) { return signalOf(j, r)[i]; }));
        const std::vector<double> zOffset = centring(zValue);
        AmplitudeProducts products(m);
        std::vector<const float*> signal(m);
        std::vector<double> offset(m);
        for (int r = 0; r < rows; ++r) {
            const int n = start[std::size_t(r) + 1] - start[std::size_t(r)];
            for (int j = 0; j < m; ++j) {
                signal[j] = signalOf(j, r) + first[std::size_t(r)];
                offset[j] = offsets[j][std::size_t(r)];
            }
            products.AddRowOffsets(signal.data(), offset.data(), &z(1, start[std::size_t(r)] + 1),
                                   zOffset[std::size_t(r)], n);
        }
        a = SolveAmplitudes(products);
        for (int r = 0; r < rows; ++r) {
            double* zr = &z(1, 0);
            for (std::size_t j = 0; j < slots.size(); ++j) {
                const float* sj = signalOf(j, r);
                const double aj = a[j];
                for (int c = start[std::size_t(r)] + 1, i = first[std::size_t(r)];
                     c <= start[std::size_t(r) + 1]; ++c, ++i)
                    zr[c] -= aj * sj[i];
            }
        }
        StoreAmplitudes(slots, a);
    }

    // The noise from the means of the residual: the constant goes to the baseline when it is
    // solved, else each scan keeps its own offset.
    std::vector<double> ri(std::size_t(rows), 0.0);
    double grand = 0.0;
    if (u.riNoise && u.baseline) {
        // both means in one pass, each summed in point order
        for (int r = 0; r < rows; ++r) {
            double row = 0.0;
            for (int c = start[std::size_t(r)] + 1; c <= start[std::size_t(r) + 1]; ++c) {
                row += z(1, c);
                grand += z(1, c);
            }
            ri[std::size_t(r)] = row;
        }
        grand /= total;
        for (int r = 0; r < rows; ++r) {
            const int n = start[std::size_t(r) + 1] - start[std::size_t(r)];
            ri[std::size_t(r)] = n > 0 ? ri[std::size_t(r)] / n : 0.0;
        }
    } else if (u.baseline) {
        grand = grandMean(zValue);
    } else if (u.riNoise) {
        rowMeans(zValue, ri);
    }
    const double baseline = u.baseline ? grand : heldBaseline;
    if (u.riNoise && u.baseline)
        for (double& v : ri)
            v -= grand;
    // the sum in a register over each row, in point order
    double rss = 0.0;
    const double* zr = &z(1, 0);
    for (int r = 0; r < rows; ++r) {
        const double offset = ri[std::size_t(r)], shift = baseline - heldBaseline;
        double sum = rss;
        for (int c = start[std::size_t(r)] + 1; c <= start[std::size_t(r) + 1]; ++c) {
            const double d = zr[c] - offset - shift;
            sum += d * d;
        }
        rss = sum;
    }
    if (u.riNoise && S::riNoise) {
        for (int k = 1; k <= S::scanCount; ++k)
            S::riNoise[k] = 0.0f;
        for (int r = 0; r < rows; ++r)
            S::riNoise[scans[std::size_t(r)]] = static_cast<float>(ri[std::size_t(r)]);
    }
    if (u.baseline)
        StoreBaseline(baseline);

    // The fit on every point of the scan: the species, the scan's offset and the baseline.
    std::vector<double> fitRow;
    for (int r = 0; r < rows; ++r) {
        const int k = scans[std::size_t(r)];
        const float offset = static_cast<float>(ri[std::size_t(r)] + baseline);
        float* fit = S::fit[k];
        if (slots.empty()) {
            for (int i = 1; i <= S::pointCount[k]; ++i)
                fit[i] = 0.0f + offset;
            continue;
        }
        // Species by species over the row, each point adding them in order.
        std::vector<double>& value = fitRow;
        value.assign(std::size_t(S::pointCount[k]) + 1, 0.0);
        for (std::size_t j = 0; j < slots.size(); ++j) {
            const float* sj = signalOf(j, r);
            const double aj = a[j];
            for (int i = 1; i <= S::pointCount[k]; ++i)
                value[i] += aj * sj[i];
        }
        for (int i = 1; i <= S::pointCount[k]; ++i)
            fit[i] = static_cast<float>(value[i]) + offset;
    }
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
