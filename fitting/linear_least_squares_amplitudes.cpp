// The species amplitudes of the separable least squares: their products summed row by row in
// registers, the scaled normal equations solved, the loadings stored.
#include "fitting/linear_least_squares_amplitudes.h"

#include "foundations/dense_matrix.h"
#include "foundations/linear_solvers.h"
#include "state/buffer_sedimentation.h"

#include <bit>
#include <cmath>
#include <cstdint>
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
            if (shared)
                AddPointsOf<M, true>(raw, cross, gram, x, off, z, n);
            else
                AddPointsOf<M, false>(raw, cross, gram, x, off, z, n);
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
