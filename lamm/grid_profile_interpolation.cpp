// The output interpolation of the Lamm solvers and its kept cells.
#include "lamm/grid_profile_interpolation.h"

#include "foundations/vector_unit.h"

#include <algorithm>
#include <cstring>
#include <immintrin.h>

bool GridProfileInterpolation::Matches(const double* gr, int gn, const float* x, int n,
                                       bool gridKept, bool radiiKept) const {
    // the same bits give the same cells
    return static_cast<int>(grid_.size()) == gn + 1 && static_cast<int>(radii_.size()) == n + 1 &&
           ((gridKept && gr == gridAt_) ||
            std::memcmp(gr + 1, grid_.data() + 1, sizeof(double) * gn) == 0) &&
           ((radiiKept && x == radiiAt_) ||
            std::memcmp(x + 1, radii_.data() + 1, sizeof(float) * n) == 0);
}

void GridProfileInterpolation::Prepare(const double* gr, int gn, const float* x, int n) {
    grid_.assign(gr, gr + gn + 1);
    gridAt_ = gr;
    radii_.assign(x, x + n + 1);
    cell_.assign(n + 1, 0);
    weight_.assign(n + 1, 0.0);
    int j = 2;
    for (int i = 1; i <= n; ++i) {
        const double xi = x[i];
        if (xi <= gr[1]) {
            cell_[i] = 0;
            continue;
        }
        if (xi >= gr[gn]) {
            cell_[i] = -1;
            continue;
        }
        while (gr[j] < xi)
            ++j;
        if (gr[j - 1] > xi) // radii not ascending: search again from the start
            for (j = 2; gr[j] < xi; ++j) {
            }
        cell_[i] = j;
        weight_[i] = (xi - gr[j - 1]) / (gr[j] - gr[j - 1]);
    }
    int from = 1, to = n;
    while (from <= n && cell_[from] == 0)
        ++from;
    while (to >= from && cell_[to] == -1)
        --to;
    bool inside = true;
    for (int i = from; i <= to; ++i)
        inside = inside && cell_[i] > 0;
    insideFrom_ = inside ? from : 0;
    insideTo_ = to;
    // groups of eight inside radii whose cells lie within eight of the group's first, read from
    // eight nodes that all lie on the grid
    int groups = 0, near = 0;
    groupFirst_.clear();
    groupSpread_.clear();
    for (int i = insideFrom_; insideFrom_ > 0 && i + 7 <= to; i += 8) {
        ++groups;
        // radii out of order may give cells below the first, far apart as unsigned distances
        bool inReach = cell_[i] + 7 <= gn;
        unsigned long long spread = 0;
        for (int l = 0; l < 8; ++l) {
            const unsigned apart = static_cast<unsigned>(cell_[i + l] - cell_[i]);
            inReach = inReach && apart <= 7u;
            spread |= static_cast<unsigned long long>(apart & 7u) << (8 * l);
        }
        near += inReach;
        groupFirst_.push_back(inReach ? cell_[i] : -1);
        groupSpread_.push_back(spread);
    }
    nearCells_ = groups > 0 && 2 * near >= groups;
}

namespace {

// Radii i..n from their cells: inside the grid the value of the cell's line, outside the end
// value on that side.
template <bool kAddZero>
[[gnu::always_inline]] inline void InterpolateFrom(const int* cell, const double* weight,
                                                   const double* gv, int gn, float* y, int i,
                                                   int n) {
    for (; i <= n; ++i) {
        const int j = cell[i];
        float value;
        if (j > 0)
            value = static_cast<float>(gv[j - 1] + weight[i] * (gv[j] - gv[j - 1]));
        else
            value = static_cast<float>(j == 0 ? gv[1] : gv[gn]);
        y[i] = kAddZero ? value + 0.0f : value;
    }
}

// Four radii at a time: the two nodes of each radius's cell lie side by side, so one load of
// two doubles per radius and two interleaves give the four lower and the four upper values (a
// gather of each, on some processors, costs several times that). The same operations in the
// same order (no fused multiply-add), so the same values as one at a time. Inside cells are 2 or
// above, so a cell taken as at least 2 reads nodes of the grid for the radii outside it too,
// whose values are then the end values.
template <bool kAddZero>
[[gnu::target("avx2")]] void InterpolateAvx2(const int* cell, const double* weight,
                                             const double* gv, int gn, float* y, int n) {
    const __m256d below = _mm256_set1_pd(gv[1]), above = _mm256_set1_pd(gv[gn]);
    const __m128i zero = _mm_setzero_si128();
    const double* pair = gv - 1; // pair + node: the nodes node - 1 and node
    int i = 1;
    for (; i + 3 <= n; i += 4) {
        const __m128i j = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cell + i));
        const int n0 = std::max(cell[i], 2), n1 = std::max(cell[i + 1], 2);
        const int n2 = std::max(cell[i + 2], 2), n3 = std::max(cell[i + 3], 2);
        // a = (r0 | r2) and b = (r1 | r3), each lane pair a radius's lower and upper node
        const __m256d a = _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_loadu_pd(pair + n0)),
                                               _mm_loadu_pd(pair + n2), 1);
        const __m256d b = _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_loadu_pd(pair + n1)),
                                               _mm_loadu_pd(pair + n3), 1);
        const __m256d lower = _mm256_unpacklo_pd(a, b);
        const __m256d upper = _mm256_unpackhi_pd(a, b);
        const __m256d w = _mm256_loadu_pd(weight + i);
        const __m256d inside = _mm256_add_pd(lower, _mm256_mul_pd(w, _mm256_sub_pd(upper, lower)));
        const __m256d atBelow =
            _mm256_castsi256_pd(_mm256_cvtepi32_epi64(_mm_cmpeq_epi32(j, zero)));
        const __m256d isInside =
            _mm256_castsi256_pd(_mm256_cvtepi32_epi64(_mm_cmpgt_epi32(j, zero)));
        const __m256d outside = _mm256_blendv_pd(above, below, atBelow);
        __m128 values = _mm256_cvtpd_ps(_mm256_blendv_pd(outside, inside, isInside));
        if (kAddZero)
            values = _mm_add_ps(values, _mm_setzero_ps());
        _mm_storeu_ps(y + i, values);
    }
    InterpolateFrom<kAddZero>(cell, weight, gv, gn, y, i, n);
}

// Four radii i..i + 3 inside the grid, as above without the tests for the ends.
template <bool kAddZero>
[[gnu::target("avx2"), gnu::always_inline]] inline void
FourInside(const int* cell, const double* weight, const double* pair, float* y, int i) {
    const __m256d a = _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_loadu_pd(pair + cell[i])),
                                           _mm_loadu_pd(pair + cell[i + 2]), 1);
    const __m256d b = _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_loadu_pd(pair + cell[i + 1])),
                                           _mm_loadu_pd(pair + cell[i + 3]), 1);
    const __m256d lower = _mm256_unpacklo_pd(a, b);
    const __m256d upper = _mm256_unpackhi_pd(a, b);
    const __m256d w = _mm256_loadu_pd(weight + i);
    __m128 values =
        _mm256_cvtpd_ps(_mm256_add_pd(lower, _mm256_mul_pd(w, _mm256_sub_pd(upper, lower))));
    if (kAddZero)
        values = _mm_add_ps(values, _mm_setzero_ps());
    _mm_storeu_ps(y + i, values);
}

// The radii from..to inside the grid, four at a time.
template <bool kAddZero>
[[gnu::target("avx2")]] void InterpolateInsideAvx2(const int* cell, const double* weight,
                                                   const double* gv, int gn, float* y, int from,
                                                   int to) {
    int i = from;
    for (; i + 3 <= to; i += 4)
        FourInside<kAddZero>(cell, weight, gv - 1, y, i);
    InterpolateFrom<kAddZero>(cell, weight, gv, gn, y, i, to);
}

// The inside radii eight at a time where the group's cells lie within eight of its first: the
// lower and the upper values then come from two loads of eight nodes each, arranged by the cells'
// distances from the first (no load per radius), which Prepare keeps for every group. Groups whose
// cells lie farther apart or reach past the grid's end, and the radii after the last group, go
// four at a time. The same operations in the same order as one at a time (contraction is switched
// off where AVX-512 has the fused instructions).
// (The headers leave the lanes of a widening or permutation undefined before it writes them, which
// the compiler warns of.)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
template <bool kAddZero>
[[gnu::target("avx2,avx512f,avx512vl,avx512dq"), gnu::optimize("fp-contract=off")]] void
InterpolateInsideAvx512(const int* cell, const double* weight, const int* groupFirst,
                        const unsigned long long* groupSpread, const double* gv, int gn, float* y,
                        int from, int to) {
    int i = from;
    for (int g = 0; i + 7 <= to; i += 8, ++g) {
        const int first = groupFirst[g];
        if (first < 0) {
            FourInside<kAddZero>(cell, weight, gv - 1, y, i);
            FourInside<kAddZero>(cell, weight, gv - 1, y, i + 4);
            continue;
        }
        const __m512i at = _mm512_cvtepu8_epi64(
            _mm_loadl_epi64(reinterpret_cast<const __m128i*>(groupSpread + g)));
        // reads the nodes first - 1 .. first + 7
        const double* nodes = gv + first - 1;
        const __m512d lower = _mm512_permutexvar_pd(at, _mm512_loadu_pd(nodes));
        const __m512d upper = _mm512_permutexvar_pd(at, _mm512_loadu_pd(nodes + 1));
        const __m512d w = _mm512_loadu_pd(weight + i);
        __m256 values =
            _mm512_cvtpd_ps(_mm512_add_pd(lower, _mm512_mul_pd(w, _mm512_sub_pd(upper, lower))));
        if (kAddZero)
            values = _mm256_add_ps(values, _mm256_setzero_ps());
        _mm256_storeu_ps(y + i, values);
    }
    InterpolateInsideAvx2<kAddZero>(cell, weight, gv, gn, y, i, to);
}
#pragma GCC diagnostic pop

template <bool kAddZero>
void InterpolateAll(const int* cell, const double* weight, const double* gv, int gn, float* y,
                    int n, int insideFrom, int insideTo, bool nearCells, const int* groupFirst,
                    const unsigned long long* groupSpread) {
    const VectorUnit unit = UsableVectorUnit();
    if (unit == VectorUnit::Plain || gn < 2) {
        InterpolateFrom<kAddZero>(cell, weight, gv, gn, y, 1, n);
    } else if (insideFrom > 0) {
        InterpolateFrom<kAddZero>(cell, weight, gv, gn, y, 1, insideFrom - 1);
        if (unit == VectorUnit::Avx512 && nearCells)
            InterpolateInsideAvx512<kAddZero>(cell, weight, groupFirst, groupSpread, gv, gn, y,
                                              insideFrom, insideTo);
        else
            InterpolateInsideAvx2<kAddZero>(cell, weight, gv, gn, y, insideFrom, insideTo);
        InterpolateFrom<kAddZero>(cell, weight, gv, gn, y, insideTo + 1, n);
    } else {
        InterpolateAvx2<kAddZero>(cell, weight, gv, gn, y, n);
    }
}

} // namespace

void GridProfileInterpolation::Interpolate(const double* gr, const double* gv, int gn,
                                           const float* x, float* y, int n, bool gridKept,
                                           bool addZero, bool radiiKept) {
    if (n <= 0 || gn < 1) {
        // a grid or radii that may have changed unseen are compared again at the next call
        if (!gridKept)
            gridAt_ = nullptr;
        if (!radiiKept)
            radiiAt_ = nullptr;
        return;
    }
    if (!Matches(gr, gn, x, n, gridKept, radiiKept))
        Prepare(gr, gn, x, n);
    // a grid or radii with the same values at another address are the ones read from now on
    gridAt_ = gr;
    radiiAt_ = x;
    if (addZero)
        InterpolateAll<true>(cell_.data(), weight_.data(), gv, gn, y, n, insideFrom_, insideTo_,
                             nearCells_, groupFirst_.data(), groupSpread_.data());
    else
        InterpolateAll<false>(cell_.data(), weight_.data(), gv, gn, y, n, insideFrom_, insideTo_,
                              nearCells_, groupFirst_.data(), groupSpread_.data());
}
