// The species amplitudes of the separable least squares: their products summed row by row in
// registers, the scaled normal equations solved, the loadings stored.
#include "fitting/linear_least_squares_amplitudes.h"

#include "foundations/dense_matrix.h"
#include "foundations/linear_solvers.h"
#include "foundations/vector_unit.h"
#include "state/buffer_sedimentation.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <immintrin.h>
#include <type_traits>

namespace {

using M = ModelParameters;

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

// No offsets: the signals and the target as they are (v - 0 is v, so the sums are those of
// offsets of zero).
struct Uncentred {
    double Of(int, int) const { return 0.0; }
};

// The target as recorded less a held value, point by point: the values a row of them would hold.
struct DataLessHeld {
    const float* data;
    double held;
    double operator[](int q) const { return double(data[q]) - held; }
};

// A target read from point `from` on.
template <class Target> struct Shifted {
    const Target& z;
    int from;
    double operator[](int q) const { return z[from + q]; }
};

// The points of one row added to the sums of M species in registers, each sum adding its points
// in order. Uncentred, each signal's square goes to its raw norm and its diagonal product alike;
// where the two sums are equal on entry (shared) the one sum stands for both.
template <int M, bool kShared, class Offsets, class Target>
void AddPointsOf(double* raw, double* cross, double (*gram)[M], const float* const* x,
                 const Offsets& off, const Target& z, int n) {
    constexpr bool kUncentred = std::is_same_v<Offsets, Uncentred>;
    static_assert(!kShared || kUncentred);
    for (int q = 0; q < n; ++q) {
        double v[M], c[M];
        const double cz = kUncentred ? z[q] : z[q] - off.Of(-1, q);
        for (int s = 0; s < M; ++s) {
            v[s] = x[s][q];
            c[s] = kUncentred ? v[s] : v[s] - off.Of(s, q);
        }
        for (int s = 0; s < M; ++s) {
            raw[s] += v[s] * v[s];
            cross[s] += c[s] * cz;
            for (int t = kShared ? s + 1 : s; t < M; ++t)
                gram[s][t] += c[s] * c[t];
        }
    }
    if constexpr (kShared)
        for (int s = 0; s < M; ++s)
            gram[s][s] = raw[s];
}

// Four targets from point q on, as the scalar loop reads them.
[[gnu::target("avx2")]] inline __m256d FourTargets(const DataLessHeld& z, int q) {
    return _mm256_sub_pd(_mm256_cvtps_pd(_mm_loadu_ps(z.data + q)), _mm256_set1_pd(z.held));
}
[[gnu::target("avx2")]] inline __m256d FourTargets(const double* z, int q) {
    return _mm256_loadu_pd(z + q);
}

// One point's products of [v0 v1 v0 v1] added to the sums: with [v0 v1 z z] (raw[0], raw[1],
// cross[0], cross[1]) and, in lane 0 of mixed, with [v1 ...] (gram[0][1]).
[[gnu::target("avx2"), gnu::always_inline]] inline void AddPair(__m256d& sums, __m256d& mixed,
                                                                __m256d pair, __m256d target) {
    sums = _mm256_add_pd(sums, _mm256_mul_pd(pair, _mm256_blend_pd(pair, target, 0b1100)));
    mixed = _mm256_add_pd(mixed, _mm256_mul_pd(pair, _mm256_permute_pd(pair, 0b0101)));
}

// AddPointsOf<2, true> for signals without offsets, four points a pass. Each sum still adds its
// points one at a time and in order, but the lanes of one register carry raw[0], raw[1],
// cross[0] and cross[1] (the product of [v0 v1 v0 v1] and [v0 v1 z z]) and lane 0 of a second
// carries gram[0][1]: two additions a point where the scalar loop has five. The products are
// those of the scalar loop (no fused multiply-add), so are the sums.
template <class Target>
[[gnu::target("avx2")]] void AddTwoSharedPointsAvx2(double* raw, double* cross, double (*gram)[2],
                                                    const float* const* x, const Target& z, int n) {
    __m256d sums = _mm256_setr_pd(raw[0], raw[1], cross[0], cross[1]);
    __m256d mixed = _mm256_set_pd(0.0, 0.0, 0.0, gram[0][1]);
    int q = 0;
    for (; q + 4 <= n; q += 4) {
        const __m256d a = _mm256_cvtps_pd(_mm_loadu_ps(x[0] + q));
        const __m256d b = _mm256_cvtps_pd(_mm_loadu_ps(x[1] + q));
        const __m256d t = FourTargets(z, q);
        const __m256d even = _mm256_unpacklo_pd(a, b); // a0 b0 a2 b2
        const __m256d odd = _mm256_unpackhi_pd(a, b);  // a1 b1 a3 b3
        AddPair(sums, mixed, _mm256_permute4x64_pd(even, 0x44), _mm256_permute4x64_pd(t, 0x00));
        AddPair(sums, mixed, _mm256_permute4x64_pd(odd, 0x44), _mm256_permute4x64_pd(t, 0x55));
        AddPair(sums, mixed, _mm256_permute4x64_pd(even, 0xEE), _mm256_permute4x64_pd(t, 0xAA));
        AddPair(sums, mixed, _mm256_permute4x64_pd(odd, 0xEE), _mm256_permute4x64_pd(t, 0xFF));
    }
    alignas(32) double lanes[4];
    _mm256_store_pd(lanes, sums);
    raw[0] = lanes[0], raw[1] = lanes[1], cross[0] = lanes[2], cross[1] = lanes[3];
    gram[0][1] = _mm256_cvtsd_f64(mixed);
    const float* const rest[2] = {x[0] + q, x[1] + q};
    if (q < n)
        AddPointsOf<2, true>(raw, cross, gram, rest, Uncentred{}, Shifted<Target>{z, q}, n - q);
    else
        gram[0][0] = raw[0], gram[1][1] = raw[1];
}

// AddPointsOf<M, true> in lanes where there is a variant for M and the processor: false where
// there is none.
template <int M, class Target>
bool AddSharedPointsInLanes(double* raw, double* cross, double (*gram)[M], const float* const* x,
                            const Target& z, int n) {
    if constexpr (M == 2) {
        if (UsableVectorUnit() >= VectorUnit::Avx2) {
            AddTwoSharedPointsAvx2(raw, cross, gram, x, z, n);
            return true;
        }
    }
    return false;
}

// The sums of AddRow for M species, held in registers over the row: independent chains, each
// adding its points in order.
template <int M, class Offsets, class Target>
void AddRowOf(AmplitudeProducts& pr, const float* const* x, const Offsets& off, const Target& z,
              int n) {
    const int m = M > 0 ? M : pr.m;
    if constexpr (M > 0) {
        double raw[M], cross[M], gram[M][M];
        bool shared = std::is_same_v<Offsets, Uncentred>;
        for (int s = 0; s < m; ++s) {
            raw[s] = pr.rawNorm[s];
            cross[s] = pr.cross[s];
            for (int t = s; t < m; ++t)
                gram[s][t] = pr.gram[std::size_t(s) * m + t];
            shared = shared && raw[s] == gram[s][s];
        }
        if constexpr (std::is_same_v<Offsets, Uncentred>) {
            if (!shared)
                AddPointsOf<M, false>(raw, cross, gram, x, off, z, n);
            else if (!AddSharedPointsInLanes<M>(raw, cross, gram, x, z, n))
                AddPointsOf<M, true>(raw, cross, gram, x, off, z, n);
        } else {
            AddPointsOf<M, false>(raw, cross, gram, x, off, z, n);
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

template <class Offsets, class Target>
void AddRowFor(AmplitudeProducts& pr, const float* const* x, const Offsets& off, const Target& z,
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

} // namespace

void AmplitudeProducts::AddRow(const float* const* x, const double* const* off, const double* z,
                               const double* zOff, int n) {
    AddRowFor(*this, x, PointOffsets{off, zOff}, z, n);
}

void AmplitudeProducts::AddRowOffsets(const float* const* x, const double* off, const double* z,
                                      double zOff, int n) {
    // offsets of +0 (the row is not centred) leave every value as it is
    auto positiveZero = [](double v) { return std::bit_cast<std::uint64_t>(v) == 0; };
    bool uncentred = positiveZero(zOff);
    for (int s = 0; s < m; ++s)
        uncentred = uncentred && positiveZero(off[s]);
    if (uncentred)
        AddRowFor(*this, x, Uncentred{}, z, n);
    else
        AddRowFor(*this, x, RowOffsets{off, zOff}, z, n);
}

void AmplitudeProducts::AddDataRow(const float* const* x, const float* data, double held, int n) {
    AddRowFor(*this, x, Uncentred{}, DataLessHeld{data, held}, n);
}

namespace {

// The loading a species' signal was computed with: its amplitude multiplies it.
double CarriedLoading(int s) {
    return M::speciesLoading[s] != 0.0f ? M::speciesLoading[s] : 1.0;
}

} // namespace

// The scaling to a unit diagonal lets the reduced Cholesky solve drop a signal whose centred norm
// is lost in rounding; checked against a dense solve over every unknown in the fit test.
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

void StoreAmplitudes(const std::vector<int>& slots, const std::vector<double>& a) {
    const int bufferSlot = BufferSedimentation::on ? M::maxSpecies : 0;
    double total = 0.0;
    int firstSlot = 0;
    std::vector<double> loading(M::maxSpecies + 1, 0.0);
    for (std::size_t i = 0; i < slots.size(); ++i) {
        const int s = slots[i];
        loading[s] = a[i] * CarriedLoading(s);
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
