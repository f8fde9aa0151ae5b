// The scans' fit on their own radii, the road of the separable least squares without
// time-invariant noise: the fitted points of every scan laid end to end.
#include "fitting/linear_least_squares_amplitudes.h"
#include "fitting/linear_least_squares_roads.h"
#include "foundations/noise_projection.h"
#include "foundations/vector_unit.h"
#include "state/component_scans.h"
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

// The fitted points of the simulated scans laid end to end: row r is scan scans[r], its points
// first[r] onward at the flat columns start[r] + 1 .. start[r + 1].
struct ScanSegments {
    std::vector<int> scans, first, start;
    int Rows() const { return static_cast<int>(scans.size()); }
    int Total() const { return start.back(); }
    int Count(int r) const { return start[std::size_t(r) + 1] - start[std::size_t(r)]; }
};

ScanSegments LayScansEndToEnd(const std::vector<int>& scans) {
    ScanSegments seg;
    seg.scans = scans;
    seg.first.assign(scans.size(), 0);
    seg.start.assign(scans.size() + 1, 0);
    for (std::size_t r = 0; r < scans.size(); ++r) {
        int last = 0;
        FitRangeOf(scans[r], seg.first[r], last);
        seg.start[r + 1] = seg.start[r] + std::max(0, last - seg.first[r] + 1);
    }
    return seg;
}

// The species whose signal the evaluation left on the radii of every simulated scan, and the
// signal of the j-th of them on row r's scan (points 1..count).
struct SegmentSpecies {
    std::vector<int> slots;
    std::vector<const float*> rows;
    int rowCount = 0;
    const float* Of(std::size_t j, int r) const { return rows[j * std::size_t(rowCount) + r]; }
};

SegmentSpecies SpeciesOnSegments(const ScanSegments& seg) {
    SegmentSpecies species;
    species.slots = SpeciesLeftOnEveryScan(seg.scans, [](int k) { return S::pointCount[k]; });
    species.rowCount = seg.Rows();
    for (int s : species.slots)
        for (int k : seg.scans)
            species.rows.push_back(ComponentScans::rows[s][std::size_t(k)].data());
    return species;
}

// Row means of the values value(r, i, c) (row r, point i, flat column c) over the fitted points,
// each summed in point order in a register.
template <class Value>
void SegmentRowMeans(const ScanSegments& seg, Value&& value, std::vector<double>& means) {
    means.assign(std::size_t(seg.Rows()), 0.0);
    for (int r = 0; r < seg.Rows(); ++r) {
        double sum = 0.0;
        for (int c = seg.start[std::size_t(r)] + 1, i = seg.first[std::size_t(r)];
             c <= seg.start[std::size_t(r) + 1]; ++c, ++i)
            sum += value(r, i, c);
        const int n = seg.Count(r);
        means[std::size_t(r)] = n > 0 ? sum / n : 0.0;
    }
}

// The grand mean of the same values, summed in point order.
template <class Value> double SegmentGrandMean(const ScanSegments& seg, Value&& value) {
    double sum = 0.0;
    for (int r = 0; r < seg.Rows(); ++r) {
        double running = sum;
        for (int c = seg.start[std::size_t(r)] + 1, i = seg.first[std::size_t(r)];
             c <= seg.start[std::size_t(r) + 1]; ++c, ++i)
            running += value(r, i, c);
        sum = running;
    }
    return sum / seg.Total();
}

// The offset the centring takes from each row's values, by the rule of the blocks without
// time-invariant noise (rows of their own lengths have no point means).
template <class Value>
std::vector<double> SegmentCentring(const ScanSegments& seg, const LinearUnknowns& u,
                                    Value&& value) {
    const NoiseTerms rowTerms{false, u.riNoise, u.baseline};
    NoiseMeans means;
    if (u.riNoise)
        SegmentRowMeans(seg, value, means.row);
    else if (u.baseline)
        means.grand = SegmentGrandMean(seg, value);
    std::vector<double> offset(std::size_t(seg.Rows()), 0.0);
    for (int r = 0; r < seg.Rows(); ++r)
        offset[std::size_t(r)] = NoiseShift(means, rowTerms, r, 0);
    return offset;
}

// Values at the flat columns [1..total].
using SegmentValues = std::unique_ptr<double[]>;

// z[0..n-1] = signal[0..n-1] less held, in double; and the fit of two species at amplitudes a0,
// a1 with the offset, at points 1..n, each point adding the species in order. The AVX2 variants
// run the same operations several points at a time (no fused multiply-add): the same values.
[[gnu::always_inline]] inline void LessHeldBody(const float* signal, double* z, int n,
                                                double held) {
    for (int q = 0; q < n; ++q)
        z[q] = double(signal[q]) - held;
}
[[gnu::always_inline]] inline void AddTwoSpeciesBody(const float* s0, const float* s1, double a0,
                                                     double a1, float offset, float* fit, int n) {
    for (int i = 1; i <= n; ++i) {
        double v = 0.0 + a0 * s0[i];
        v += a1 * s1[i];
        fit[i] = static_cast<float>(v) + offset;
    }
}
[[gnu::target("avx2")]] void LessHeldAvx2(const float* signal, double* z, int n, double held) {
    LessHeldBody(signal, z, n, held);
}
[[gnu::target("avx2")]] void AddTwoSpeciesAvx2(const float* s0, const float* s1, double a0,
                                               double a1, float offset, float* fit, int n) {
    AddTwoSpeciesBody(s0, s1, a0, a1, offset, fit, n);
}
void LessHeld(const float* signal, double* z, int n, double held) {
    if (UsableVectorUnit() >= VectorUnit::Avx2)
        LessHeldAvx2(signal, z, n, held);
    else
        LessHeldBody(signal, z, n, held);
}
void AddTwoSpecies(const float* s0, const float* s1, double a0, double a1, float offset, float* fit,
                   int n) {
    if (UsableVectorUnit() >= VectorUnit::Avx2)
        AddTwoSpeciesAvx2(s0, s1, a0, a1, offset, fit, n);
    else
        AddTwoSpeciesBody(s0, s1, a0, a1, offset, fit, n);
}

// The target at the flat columns [1..total]: the data less the held baseline and, with the
// amplitudes held, less the species.
SegmentValues GatherSegmentTarget(const ScanSegments& seg, const LinearUnknowns& u,
                                  const SegmentSpecies& species, double heldBaseline) {
    // every column is written below: no zeros first
    SegmentValues z(new double[std::size_t(seg.Total()) + 1]);
    z[0] = 0.0;
    for (int r = 0; r < seg.Rows(); ++r) {
        const float* signal = S::signal[seg.scans[std::size_t(r)]] + seg.first[std::size_t(r)];
        double* row = &z[std::size_t(seg.start[std::size_t(r)]) + 1];
        const int n = seg.Count(r);
        if (u.amplitudes) {
            // no species to take off: one pass over the points, several at a time
            LessHeld(signal, row, n, heldBaseline);
            continue;
        }
        for (int q = 0; q < n; ++q) {
            double value = double(signal[q]) - heldBaseline;
            for (std::size_t j = 0; j < species.slots.size(); ++j)
                value -= species.Of(j, r)[seg.first[std::size_t(r)] + q];
            row[q] = value;
        }
    }
    return z;
}

// Whether anything reads the target after the amplitudes: the noise terms and the residual.
bool ResidualOfAmplitudesRead(const LinearUnknowns& u) {
    return u.riNoise || u.baseline || u.residual;
}

// The amplitudes of the species against the target, both centred; z is left holding the
// residual of the amplitudes when something reads it. The signals and the target are centred as
// they are read, rather than copied into rows first: the same values, without the copies.
std::vector<double> SolveSegmentAmplitudes(const ScanSegments& seg, const LinearUnknowns& u,
                                           const SegmentSpecies& species, double* z) {
    const int m = static_cast<int>(species.slots.size());
    std::vector<std::vector<double>> offsets;
    for (int j = 0; j < m; ++j)
        offsets.push_back(SegmentCentring(
            seg, u, [&](int r, int i, int) { return species.Of(std::size_t(j), r)[i]; }));
    const std::vector<double> zOffset =
        SegmentCentring(seg, u, [&](int, int, int c) { return z[std::size_t(c)]; });
    AmplitudeProducts products(m);
    std::vector<const float*> signal(m);
    std::vector<double> offset(m);
    for (int r = 0; r < seg.Rows(); ++r) {
        for (int j = 0; j < m; ++j) {
            signal[j] = species.Of(std::size_t(j), r) + seg.first[std::size_t(r)];
            offset[j] = offsets[j][std::size_t(r)];
        }
        products.AddRowOffsets(signal.data(), offset.data(), &z[seg.start[std::size_t(r)] + 1],
                               zOffset[std::size_t(r)], seg.Count(r));
    }
    const std::vector<double> a = SolveAmplitudes(products);
    for (int r = 0; r < seg.Rows() && ResidualOfAmplitudesRead(u); ++r)
        for (int j = 0; j < m; ++j) {
            const float* sj = species.Of(std::size_t(j), r);
            const double aj = a[std::size_t(j)];
            for (int c = seg.start[std::size_t(r)] + 1, i = seg.first[std::size_t(r)];
                 c <= seg.start[std::size_t(r) + 1]; ++c, ++i)
                z[std::size_t(c)] -= aj * sj[i];
        }
    return a;
}

// The amplitudes of the species against the data less the held baseline, neither centred (no
// radially invariant noise, no baseline solved): the sums of SolveSegmentAmplitudes on those
// rows, without the target laid out first.
std::vector<double> SolveSegmentAmplitudesOnData(const ScanSegments& seg,
                                                 const SegmentSpecies& species,
                                                 double heldBaseline) {
    const int m = static_cast<int>(species.slots.size());
    AmplitudeProducts products(m);
    std::vector<const float*> signal(m);
    for (int r = 0; r < seg.Rows(); ++r) {
        const int first = seg.first[std::size_t(r)];
        for (int j = 0; j < m; ++j)
            signal[j] = species.Of(std::size_t(j), r) + first;
        products.AddDataRow(signal.data(), S::signal[seg.scans[std::size_t(r)]] + first,
                            heldBaseline, seg.Count(r));
    }
    return SolveAmplitudes(products);
}

// Each scan's radially invariant offset and the baseline.
struct SegmentNoise {
    std::vector<double> ri;
    double baseline = 0.0;
};

// The noise from the means of the residual z: the constant goes to the baseline when it is
// solved, else each scan keeps its own offset.
SegmentNoise SolveSegmentNoise(const ScanSegments& seg, const LinearUnknowns& u, const double* z,
                               double heldBaseline) {
    SegmentNoise noise;
    std::vector<double>& ri = noise.ri;
    ri.assign(std::size_t(seg.Rows()), 0.0);
    auto zValue = [&](int, int, int c) { return z[std::size_t(c)]; };
    double grand = 0.0;
    if (u.riNoise && u.baseline) {
        // both means in one pass, each summed in point order
        for (int r = 0; r < seg.Rows(); ++r) {
            double row = 0.0;
            for (int c = seg.start[std::size_t(r)] + 1; c <= seg.start[std::size_t(r) + 1]; ++c) {
                row += z[std::size_t(c)];
                grand += z[std::size_t(c)];
            }
            ri[std::size_t(r)] = row;
        }
        grand /= seg.Total();
        for (int r = 0; r < seg.Rows(); ++r) {
            const int n = seg.Count(r);
            ri[std::size_t(r)] = n > 0 ? ri[std::size_t(r)] / n : 0.0;
        }
    } else if (u.baseline) {
        grand = SegmentGrandMean(seg, zValue);
    } else if (u.riNoise) {
        SegmentRowMeans(seg, zValue, ri);
    }
    noise.baseline = u.baseline ? grand : heldBaseline;
    if (u.riNoise && u.baseline)
        for (double& v : ri)
            v -= grand;
    return noise;
}

// The residual sum of squares, in a register over each row, in point order.
double SegmentResidual(const ScanSegments& seg, const double* z, const SegmentNoise& noise,
                       double heldBaseline) {
    double rss = 0.0;
    for (int r = 0; r < seg.Rows(); ++r) {
        const double offset = noise.ri[std::size_t(r)], shift = noise.baseline - heldBaseline;
        double sum = rss;
        for (int c = seg.start[std::size_t(r)] + 1; c <= seg.start[std::size_t(r) + 1]; ++c) {
            const double d = z[std::size_t(c)] - offset - shift;
            sum += d * d;
        }
        rss = sum;
    }
    return rss;
}

void StoreSegmentNoise(const ScanSegments& seg, const LinearUnknowns& u,
                       const SegmentNoise& noise) {
    if (u.riNoise && S::riNoise) {
        for (int k = 1; k <= S::scanCount; ++k)
            S::riNoise[k] = 0.0f;
        for (int r = 0; r < seg.Rows(); ++r)
            S::riNoise[seg.scans[std::size_t(r)]] = static_cast<float>(noise.ri[std::size_t(r)]);
    }
    if (u.baseline)
        StoreBaseline(noise.baseline);
}

// The fit on every point of the scan: the species, the scan's offset and the baseline, each
// point adding the species in order.
void StoreFitOnScanRadii(const ScanSegments& seg, const SegmentSpecies& species,
                         const std::vector<double>& a, const SegmentNoise& noise) {
    std::vector<double> value;
    for (int r = 0; r < seg.Rows(); ++r) {
        const int k = seg.scans[std::size_t(r)];
        const float offset = static_cast<float>(noise.ri[std::size_t(r)] + noise.baseline);
        float* fit = S::fit[k];
        if (species.slots.empty()) {
            for (int i = 1; i <= S::pointCount[k]; ++i)
                fit[i] = 0.0f + offset;
            continue;
        }
        // the first species onto a sum of 0, as the others onto the sum so far
        if (species.slots.size() == 2) {
            // both species point by point, in the same order: no row of sums in between
            AddTwoSpecies(species.Of(0, r), species.Of(1, r), a[0], a[1], offset, fit,
                          S::pointCount[k]);
            continue;
        }
        value.resize(std::size_t(S::pointCount[k]) + 1);
        for (std::size_t j = 0; j < species.slots.size(); ++j) {
            const float* sj = species.Of(j, r);
            const double aj = a[j];
            if (j == 0)
                for (int i = 1; i <= S::pointCount[k]; ++i)
                    value[std::size_t(i)] = 0.0 + aj * sj[i];
            else
                for (int i = 1; i <= S::pointCount[k]; ++i)
                    value[std::size_t(i)] += aj * sj[i];
        }
        for (int i = 1; i <= S::pointCount[k]; ++i)
            fit[i] = static_cast<float>(value[std::size_t(i)]) + offset;
    }
}

} // namespace

// Without time-invariant noise the species rows lie on the scans' own radii: amplitudes, the
// radially invariant noise and the baseline are solved against the data as recorded, over each
// scan's fit range. Data resampled onto a finer grid would miss where the signal bends sharply
// within a scan's point spacing (the pile-up at the bottom), and that miss would drive the
// amplitudes. The rows of all scans are laid end to end; the radially invariant noise is
// eliminated by centring each scan's segment, the baseline alone by the grand mean.
double SolveOnScanRadii(const LinearUnknowns& u, const std::vector<int>& scans) {
    if (scans.empty())
        return -1.0;
    const ScanSegments seg = LayScansEndToEnd(scans);
    if (seg.Total() < 1)
        return -1.0;
    const SegmentSpecies species = SpeciesOnSegments(seg);
    const double heldBaseline = u.baseline ? 0.0 : M::baseline;
    if (u.amplitudes && !ResidualOfAmplitudesRead(u)) {
        // nothing centred and nothing reads the target afterwards: the amplitudes straight
        // from the data
        const std::vector<double> a = SolveSegmentAmplitudesOnData(seg, species, heldBaseline);
        StoreAmplitudes(species.slots, a);
        const SegmentNoise noise = SolveSegmentNoise(seg, u, nullptr, heldBaseline);
        StoreSegmentNoise(seg, u, noise);
        StoreFitOnScanRadii(seg, species, a, noise);
        return 0.0;
    }
    const SegmentValues z = GatherSegmentTarget(seg, u, species, heldBaseline);
    std::vector<double> a(species.slots.size(), 1.0);
    if (u.amplitudes) {
        a = SolveSegmentAmplitudes(seg, u, species, z.get());
        StoreAmplitudes(species.slots, a);
    }
    const SegmentNoise noise = SolveSegmentNoise(seg, u, z.get(), heldBaseline);
    const double rss = u.residual ? SegmentResidual(seg, z.get(), noise, heldBaseline) : 0.0;
    StoreSegmentNoise(seg, u, noise);
    StoreFitOnScanRadii(seg, species, a, noise);
    return rss;
}
