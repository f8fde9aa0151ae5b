// The tiles of the distribution fit's normal equations: raw inner products of float kernel
// rows summed in double in lanes, and their processor twins. The sums do not depend on how the
// cells are grouped into tiles (checked bit for bit in the distribution tests).
#include "distributions/conti_normal_equations_tiles.h"

#include "foundations/rows_in_lanes.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <immintrin.h>
#include <vector>

using namespace conti_tiles;

namespace {

using V4 = double __attribute__((vector_size(32)));
using F4 = float __attribute__((vector_size(16)));

// Four floats from v, widened to double (through a reference: vectors are not passed by value),
// lane by lane: the compiler makes that one conversion, where it splits a converted vector.
[[gnu::always_inline]] inline void Load4(const float* v, V4& out) {
    F4 f;
    std::memcpy(&f, v, sizeof f);
    for (int u = 0; u < 4; ++u)
        out[u] = f[u];
}

// A kernel column is zero on the points that its boundary has not reached yet (the depleted
// part of the cell): a product with such a point adds an exact zero to a sum, which leaves the
// sum as it is, so the sums below start at the first point where a product can differ from
// zero and keep the bits of the sums over every point.

// The cells of R rows x[0..R-1] with C columns y[0..C-1] in lanes: each cell keeps four sums
// (points i mod 4 from lo, the points past the last group of four added to the first), added
// in a fixed order at the end to its running sum sum[r][c]. The products before point from
// are zero: the lanes start at the group of four that holds it. How cells are grouped into
// tiles does not change a cell's sums, so the tiles may follow the rows of any thread.
template <int R, int C>
[[gnu::always_inline]] inline void AddLaneTile(const float* const* x, const float* const* y,
                                               int from, int lo, int hi, double* const* sum) {
    V4 acc[R][C] = {};
    int i = lo + (std::max(from, lo) - lo) / 4 * 4;
    for (; i + 3 <= hi; i += 4) {
        V4 xi[R];
        for (int r = 0; r < R; ++r)
            Load4(x[r] + i, xi[r]);
        for (int c = 0; c < C; ++c) {
            V4 yi;
            Load4(y[c] + i, yi);
            for (int r = 0; r < R; ++r)
                acc[r][c] += xi[r] * yi;
        }
    }
    for (; i <= hi; ++i)
        for (int r = 0; r < R; ++r) {
            const double xi = x[r][i];
            for (int c = 0; c < C; ++c)
                acc[r][c][0] += xi * y[c][i];
        }
    for (int r = 0; r < R; ++r)
        for (int c = 0; c < C; ++c)
            sum[r][c] += (acc[r][c][0] + acc[r][c][1]) + (acc[r][c][2] + acc[r][c][3]);
}

// Cells summed point by point, each in one sum: the products x[u][i] y[u][i] from point from[u]
// on added to sum[u] for u < W, side by side (from the earliest) so that the sums do not wait
// on one another.
template <int W>
[[gnu::always_inline]] inline void AddPointwiseOf(const float* const* x, const float* const* y,
                                                  double* const* sum, const int* from, int hi) {
    double t[W];
    int i = from[0];
    for (int u = 0; u < W; ++u) {
        t[u] = *sum[u];
        i = std::min(i, from[u]);
    }
    for (; i <= hi; ++i)
        for (int u = 0; u < W; ++u)
            t[u] += double(x[u][i]) * y[u][i];
    for (int u = 0; u < W; ++u)
        *sum[u] = t[u];
}

// The products of rows x[u] with the one row y from point from[u] on added to sum[u], each in one
// sum point by point as AddPointwiseOf adds them, for u < W: y's value is read once a point for
// all of them.
template <int W>
[[gnu::always_inline]] inline void AddWithRowOf(const float* const* x, const float* y,
                                                double* const* sum, const int* from, int hi) {
    double t[W];
    int i = from[0];
    for (int u = 0; u < W; ++u) {
        t[u] = *sum[u];
        i = std::min(i, from[u]);
    }
    for (; i <= hi; ++i) {
        const double yi = y[i];
        for (int u = 0; u < W; ++u)
            t[u] += double(x[u][i]) * yi;
    }
    for (int u = 0; u < W; ++u)
        *sum[u] = t[u];
}

// Points i..i + 7 of eight rows x turned into lanes, their products with yw added to acc (rows
// 0..3, 4..7), point by point.
[[gnu::target("avx512f,avx512vl,fma"), gnu::always_inline]] inline void
AddTurnedEight(const float* const* x, const double* yw, int i, __m256d* acc) {
    __m256d t[16];
    TurnEightRowsAvx2(x, i, t);
    for (int k = 0; k < 8; ++k) {
        const __m256d yk = _mm256_broadcast_sd(yw + i + k);
        for (int h = 0; h < 2; ++h)
            acc[h] = _mm256_fmadd_pd(t[8 * h + k], yk, acc[h]);
    }
}

// AddWithRowOf for lanes (2..8 G) rows with the rows turned into the lanes of vectors eight
// points at a time, G sets of eight rows: each sum still takes its products point by point, one
// lane per row, and y's value (widened to double before, yw[i] for y[i]) is read once a point for
// all of them; the 2 G sums in registers do not wait on one another. A set starts at the
// earliest first point of its rows; the points before it, zeros of all its rows, are left out
// while another set goes alone. The lanes past the rows repeat the last one into sums that are
// dropped. The products of two floats are exact in double: fused, the same bits. For code built
// for AVX-512 (AVX2 and FMA).
template <int G>
[[gnu::target("avx512f,avx512vl,fma"), gnu::always_inline]] inline void
AddWithRowTurned(const float* const* rows, const double* yw, double* const* sums, const int* from,
                 int lanes, int hi) {
    // the set whose rows start first goes first
    int at[G], set[G];
    for (int g = 0; g < G; ++g) {
        at[g] = hi + 1;
        set[g] = g;
        for (int u = 8 * g; u < 8 * g + 8; ++u)
            at[g] = std::min(at[g], from[std::min(u, lanes - 1)]);
    }
    if (G == 2 && at[1] < at[0]) {
        std::swap(at[0], at[1]);
        set[0] = 1, set[1] = 0;
    }
    const float* x[G][8];
    double start[G][8];
    for (int g = 0; g < G; ++g)
        for (int u = 0; u < 8; ++u) {
            const int r = std::min(8 * set[g] + u, lanes - 1);
            x[g][u] = rows[r];
            start[g][u] = *sums[r];
        }
    __m256d acc[G][2];
    for (int g = 0; g < G; ++g)
        for (int h = 0; h < 2; ++h)
            acc[g][h] = _mm256_loadu_pd(start[g] + 4 * h);
    int i = at[0];
    if (G == 2)
        for (; i + 7 <= hi && i + 7 < at[1]; i += 8)
            AddTurnedEight(x[0], yw, i, acc[0]);
    for (; i + 7 <= hi; i += 8)
        for (int g = 0; g < G; ++g)
            AddTurnedEight(x[g], yw, i, acc[g]);
    for (; i <= hi; ++i) {
        const __m256d yi = _mm256_broadcast_sd(yw + i);
        for (int g = 0; g < G; ++g)
            for (int h = 0; h < 2; ++h) {
                const __m256d c = _mm256_setr_pd(x[g][4 * h][i], x[g][4 * h + 1][i],
                                                 x[g][4 * h + 2][i], x[g][4 * h + 3][i]);
                acc[g][h] = _mm256_fmadd_pd(c, yi, acc[g][h]);
            }
    }
    double end[G][8];
    for (int g = 0; g < G; ++g)
        for (int h = 0; h < 2; ++h)
            _mm256_storeu_pd(end[g] + 4 * h, acc[g][h]);
    for (int g = 0; g < G; ++g)
        for (int u = 0; u < 8 && 8 * set[g] + u < lanes; ++u)
            *sums[8 * set[g] + u] = end[g][u];
}

[[gnu::always_inline]] inline void AddWithRow(const float* const* x, const float* y,
                                              double* const* sum, const int* from, int count,
                                              int hi) {
    int k = 0;
    for (; k + 8 <= count; k += 8)
        AddWithRowOf<8>(x + k, y, sum + k, from + k, hi);
    for (; k + 4 <= count; k += 4)
        AddWithRowOf<4>(x + k, y, sum + k, from + k, hi);
    for (; k < count; ++k)
        AddWithRowOf<1>(x + k, y, sum + k, from + k, hi);
}

} // namespace

// AddWithRow built for AVX-512, AVX2 and any x86-64, chosen at run time; the products of two
// floats are exact in double, so fused or not the sums are the same.
[[gnu::target("avx512f,avx512vl,fma")]] void
conti_tiles::AddWithRowAvx512(const float* const* x, const float* y, double* const* sum,
                              const int* from, int count, int hi, double* widened) {
    if (count < 2) {
        if (count == 1)
            AddWithRowOf<1>(x, y, sum, from, hi);
        return;
    }
    // y widened once for every set of rows, from the earliest point any of them reads
    int lo = hi + 1;
    for (int k = 0; k < count; ++k)
        lo = std::min(lo, from[k]);
    double* yw = widened;
    for (int i = lo; i <= hi; ++i)
        yw[i] = y[i];
    // the rows sixteen at a time in lanes (what is left of them, two or more, in eight)
    int k = 0;
    for (; count - k > 8; k += 16)
        AddWithRowTurned<2>(x + k, yw, sum + k, from + k, std::min(16, count - k), hi);
    if (count - k >= 2)
        AddWithRowTurned<1>(x + k, yw, sum + k, from + k, count - k, hi);
    else if (count - k == 1)
        AddWithRowOf<1>(x + k, y, sum + k, from + k, hi);
}

[[gnu::target("avx2")]] void conti_tiles::AddWithRowAvx2(const float* const* x, const float* y,
                                                         double* const* sum, const int* from,
                                                         int count, int hi, double*) {
    AddWithRow(x, y, sum, from, count, hi);
}

void conti_tiles::AddWithRowPlain(const float* const* x, const float* y, double* const* sum,
                                  const int* from, int count, int hi, double*) {
    AddWithRow(x, y, sum, from, count, hi);
}

namespace {

// Where the four values of column q in group g of the widened columns begin.
inline const double* WidenedAt(const ScanColumns& k, int q, int g) {
    const std::size_t pair = static_cast<std::size_t>(q / 2 - k.firstPair);
    return k.pairs + (pair * static_cast<std::size_t>(k.groups) + static_cast<std::size_t>(g)) * 8 +
           (q % 2) * 4;
}

// The first group of four points of column q that a tile can read: a tile starts at the group
// holding the earliest first value of its four columns (q's group of four from 0 mod 4) or,
// where q is a row, of its block's four rows (from 1 mod 4), whichever is later; before the
// earlier of the two nothing of q is read.
inline int FirstGroupRead(const ScanColumns& k, int q, int first, int last) {
    int earliest = k.hi + 1;
    for (int j = std::max(first, q / 4 * 4); j <= std::min(last, q / 4 * 4 + 3); ++j)
        earliest = std::min(earliest, k.from[j]);
    for (int j = std::max(first, (q - 1) / 4 * 4 + 1); j <= std::min(last, (q - 1) / 4 * 4 + 4);
         ++j)
        earliest = std::min(earliest, k.from[j]);
    return (std::max(earliest, k.lo) - k.lo) / 4;
}

// Widens columns first..last of one scan into the pairs of k, each pair from the first group a
// tile can read of either column: eight floats to eight doubles and one store a group. (The
// conversion's header leaves its result undefined before it writes it, which the compiler warns
// of.)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
} // namespace

[[gnu::target("avx512f,avx512vl")]] void conti_tiles::WidenColumns(const ScanColumns& k, int first,
                                                                   int last, double* pairs) {
    using F8 = float __attribute__((vector_size(32)));
    const F4 none = {};
    for (int m = first / 2; m <= last / 2; ++m) {
        const int a = 2 * m, b = 2 * m + 1;
        const bool hasA = a >= first, hasB = b <= last;
        int g = k.groups;
        if (hasA)
            g = std::min(g, FirstGroupRead(k, a, first, last));
        if (hasB)
            g = std::min(g, FirstGroupRead(k, b, first, last));
        const float* x = hasA ? k.col[a] + k.lo : nullptr;
        const float* y = hasB ? k.col[b] + k.lo : nullptr;
        const int groups = k.groups; // (read once: the stores below might alias k)
        double* to = pairs + static_cast<std::size_t>(m - k.firstPair) * groups * 8;
        for (; g < groups; ++g) {
            F4 fa = none, fb = none;
            if (hasA)
                std::memcpy(&fa, x + 4 * g, sizeof fa);
            if (hasB)
                std::memcpy(&fb, y + 4 * g, sizeof fb);
            const F8 both = __builtin_shufflevector(fa, fb, 0, 1, 2, 3, 4, 5, 6, 7);
            __m256 packed;
            std::memcpy(&packed, &both, sizeof packed);
            _mm512_storeu_pd(to + 8 * g, _mm512_cvtps_pd(packed));
        }
    }
}

namespace {
#pragma GCC diagnostic pop

// Four doubles from v in both halves of an eight-lane register, loaded so (the load broadcasts
// them, with no shuffle beside the multiplications). The lanes the load leaves to it are
// undefined to the compiler, which warns of them where nothing is left.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
[[gnu::target("avx512f,avx512vl"), gnu::always_inline]] inline __m512d Broadcast4(const double* v) {
    return _mm512_broadcast_f64x4(_mm256_loadu_pd(v));
}
#pragma GCC diagnostic pop

// The tile of the four rows row[0..3] with the four columns q..q + 3 (q even) in eight-lane
// registers: one holds the four lanes of a row's cell with column q + 2h in its low half and
// those with column q + 2h + 1 in its high half, so each lane sums the same products in the same
// order as in AddLaneTile<4, 4>, and the points past the last group of four go to the first lane
// of each half as there. The widened values are the floats exactly, their products exact in
// double: fused or not, the same bits.
[[gnu::target("avx512f,avx512vl")]] void AddPairTile(const ScanColumns& k, const int* row, int q,
                                                     int from, double* const* sum) {
    using V8 = double __attribute__((vector_size(64)));
    const int start = (std::max(from, k.lo) - k.lo) / 4;
    V8 acc[4][2] = {};
    const double* x[4];
    for (int r = 0; r < 4; ++r)
        x[r] = WidenedAt(k, row[r], 0);
    const double* y0 = WidenedAt(k, q, 0);
    const double* y1 = WidenedAt(k, q + 2, 0);
    for (int g = start; g < k.groups; ++g) {
        V8 low, high;
        std::memcpy(&low, y0 + 8 * g, sizeof low);
        std::memcpy(&high, y1 + 8 * g, sizeof high);
        for (int r = 0; r < 4; ++r) {
            const V8 xi = Broadcast4(x[r] + 8 * g);
            acc[r][0] += xi * low;
            acc[r][1] += xi * high;
        }
    }
    double lanes[4][2][8];
    std::memcpy(lanes, acc, sizeof lanes);
    for (int i = k.lo + 4 * std::max(start, k.groups); i <= k.hi; ++i)
        for (int r = 0; r < 4; ++r) {
            const double xi = k.col[row[r]][i];
            for (int c = 0; c < 4; ++c)
                lanes[r][c / 2][(c % 2) * 4] += xi * k.col[q + c][i];
        }
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            const double* a = lanes[r][c / 2] + (c % 2) * 4;
            sum[r][c] += (a[0] + a[1]) + (a[2] + a[3]);
        }
}

// The six cells of rows p..p + 2 with columns p..p + 2 on or above the diagonal (p the first row
// of a block of four) from the widened columns, each in four lanes with the products and the
// order of AddLaneTile, the products before point from being zero. The cells (p + u, p + c) are
// at sum[u][c - u].
[[gnu::target("avx512f,avx512vl")]] void AddDiagonalCells(const ScanColumns& k, int p, int from,
                                                          double* const* sum) {
    const int start = (std::max(from, k.lo) - k.lo) / 4;
    constexpr int cells[6][2] = {{0, 0}, {0, 1}, {0, 2}, {1, 1}, {1, 2}, {2, 2}};
    V4 acc[6] = {};
    const double* c[3];
    for (int u = 0; u < 3; ++u)
        c[u] = WidenedAt(k, p + u, 0);
    for (int g = start; g < k.groups; ++g) {
        V4 v[3];
        for (int u = 0; u < 3; ++u)
            std::memcpy(&v[u], c[u] + 8 * g, sizeof v[u]);
        for (int e = 0; e < 6; ++e)
            acc[e] += v[cells[e][0]] * v[cells[e][1]];
    }
    for (int i = k.lo + 4 * std::max(start, k.groups); i <= k.hi; ++i)
        for (int e = 0; e < 6; ++e)
            acc[e][0] += double(k.col[p + cells[e][0]][i]) * k.col[p + cells[e][1]][i];
    for (int e = 0; e < 6; ++e) {
        const int u = cells[e][0], at = cells[e][1] - u;
        sum[u][at] += (acc[e][0] + acc[e][1]) + (acc[e][2] + acc[e][3]);
    }
}

template <int R>
[[gnu::always_inline]] inline void AddTileOfRows(int C, const float* const* x, const ScanColumns& k,
                                                 int q, int from, double* const* sum) {
    const float* const* y = k.col + q;
    switch (C) {
    case 4:
        AddLaneTile<R, 4>(x, y, from, k.lo, k.hi, sum);
        break;
    case 3:
        AddLaneTile<R, 3>(x, y, from, k.lo, k.hi, sum);
        break;
    case 2:
        AddLaneTile<R, 2>(x, y, from, k.lo, k.hi, sum);
        break;
    default:
        AddLaneTile<R, 1>(x, y, from, k.lo, k.hi, sum);
        break;
    }
}

// AddTileOfRows for R rows (1-4) given at run time.
[[gnu::always_inline]] inline void AddTileOfAnyRows(int R, int C, const float* const* x,
                                                    const ScanColumns& k, int q, int from,
                                                    double* const* sum) {
    switch (R) {
    case 4:
        AddTileOfRows<4>(C, x, k, q, from, sum);
        break;
    case 3:
        AddTileOfRows<3>(C, x, k, q, from, sum);
        break;
    case 2:
        AddTileOfRows<2>(C, x, k, q, from, sum);
        break;
    default:
        AddTileOfRows<1>(C, x, k, q, from, sum);
        break;
    }
}

// The lane cells of rows x[0..R-1] (R <= 4) with the columns from q on, up to last; cells of row
// r at rowSum[r][column - row], row[r] the row's number. A tile's products are zero before the
// later of its rows' earliest start and its columns' earliest start.
[[gnu::always_inline]] inline void AddLaneRange(int R, const float* const* x, const int* row,
                                                double* const* rowSum, const ScanColumns& k, int q,
                                                int last) {
    int rowsFrom = k.hi + 1;
    for (int r = 0; r < R; ++r)
        rowsFrom = std::min(rowsFrom, k.from[row[r]]);
    for (; q <= last; q += 4) {
        const int C = std::min(4, last - q + 1);
        double* sum[4];
        for (int r = 0; r < R; ++r)
            sum[r] = rowSum[r] + (q - row[r]);
        int columnsFrom = k.hi + 1;
        for (int c = 0; c < C; ++c)
            columnsFrom = std::min(columnsFrom, k.from[q + c]);
        const int from = std::max(rowsFrom, columnsFrom);
        if (R == 4 && C == 4 && k.pairs != nullptr && q % 2 == 0) {
            AddPairTile(k, row, q, from, sum);
            continue;
        }
        AddTileOfAnyRows(R, C, x, k, q, from, sum);
    }
}

// The lane cells of rows x[0..R-1] (numbers row[r], cells at sum[r][column - row[r]]) with the
// columns wantFrom[r]..wantTo[r] of each row, in shared tiles over the union of those columns
// (four at most at a time): a tile's cells that are not wanted are summed into scratch and
// dropped, the wanted ones start from their own sums. A cell's lane sums do not depend on the
// tile it is summed in, nor on the zeros before its start that a tile adds.
[[gnu::always_inline]] inline void AddWantedLaneCells(int R, const float* const* x, const int* row,
                                                      double* const* sum, const ScanColumns& k,
                                                      const int* wantFrom, const int* wantTo) {
    int q0 = 1 << 30, q1 = -1;
    for (int r = 0; r < R; ++r)
        if (wantFrom[r] <= wantTo[r]) {
            q0 = std::min(q0, wantFrom[r]);
            q1 = std::max(q1, wantTo[r]);
        }
    for (int q = q0; q <= q1; q += 4) {
        const int C = std::min(4, q1 - q + 1);
        const float* xs[4];
        int rs[4], rows = 0, rowsFrom = k.hi + 1, columnsFrom = k.hi + 1;
        double scratch[4][4];
        double* ss[4];
        for (int r = 0; r < R; ++r)
            if (wantFrom[r] <= std::min(wantTo[r], q + C - 1) && wantTo[r] >= q) {
                for (int c = 0; c < C; ++c)
                    scratch[rows][c] =
                        q + c >= wantFrom[r] && q + c <= wantTo[r] ? sum[r][q + c - row[r]] : 0.0;
                xs[rows] = x[r], rs[rows] = r, ss[rows] = scratch[rows];
                rowsFrom = std::min(rowsFrom, k.from[row[r]]);
                ++rows;
            }
        if (rows == 0)
            continue;
        for (int c = 0; c < C; ++c)
            columnsFrom = std::min(columnsFrom, k.from[q + c]);
        const int from = std::max(rowsFrom, columnsFrom);
        AddTileOfAnyRows(rows, C, xs, k, q, from, ss);
        for (int u = 0; u < rows; ++u) {
            const int r = rs[u];
            for (int c = 0; c < C; ++c)
                if (q + c >= wantFrom[r] && q + c <= wantTo[r])
                    sum[r][q + c - row[r]] = scratch[u][c];
        }
    }
}

// Adds one scan's products to the lane cells A(p, q >= p) of the rows of one block [p0, p1]
// (at most four rows), cell (p, q) at rowSum[p][q - p]; the rows of the block share the column
// loads where all of them are in lanes. The cells that go point by point are the share's, by
// column (ComputeRows).
[[gnu::always_inline]] inline void AddScanToBlock(const ScanColumns& k, int n, int p0, int p1,
                                                  double* const* rowSum) {
    const int R = p1 - p0 + 1;
    auto laneEnd = [n](int p) { return LaneEnd(n, p); };
    const float* x[4];
    int row[4];
    double* sum[4];
    int common = n;
    for (int r = 0; r < R; ++r) {
        row[r] = p0 + r;
        x[r] = k.col[row[r]];
        sum[r] = rowSum[row[r]];
        common = std::min(common, laneEnd(row[r]));
    }
    AddLaneRange(R, x, row, sum, k, p1, common);
    // The lane cells of each row left of the shared tiles (within the block) and right of them,
    // the rows' together.
    int leftFrom[4], leftTo[4], rightFrom[4], rightTo[4];
    for (int r = 0; r < R; ++r) {
        const int p = row[r], end = laneEnd(p);
        leftFrom[r] = p, leftTo[r] = std::min(p1 - 1, end);
        rightFrom[r] = std::max(common + 1, p1), rightTo[r] = end;
    }
    if (R == 4 && k.pairs != nullptr && leftTo[0] == p0 + 2 && leftTo[1] == p0 + 2 &&
        leftTo[2] == p0 + 2)
        AddDiagonalCells(k, p0, std::min({k.from[p0], k.from[p0 + 1], k.from[p0 + 2]}), sum);
    else
        AddWantedLaneCells(R, x, row, sum, k, leftFrom, leftTo);
    AddWantedLaneCells(R, x, row, sum, k, rightFrom, rightTo);
}

// One scan for the blocks first[b]..last[b], b < count.
[[gnu::always_inline]] inline void AddScanToBlocks(const ScanColumns& k, int n, const int* first,
                                                   const int* last, int count,
                                                   double* const* rowSum) {
    for (int b = 0; b < count; ++b)
        AddScanToBlock(k, n, first[b], last[b], rowSum);
}

} // namespace

// AddScanToBlocks built for AVX-512 (its 32 vector registers hold a tile of 4 x 4 cells), for
// AVX2 and for any x86-64, chosen at run time (by a plain check rather than an indirect
// function, whose resolver runs before the sanitizers are set up). All add the same products
// in the same order. The product of two floats is exact in double, so where the compiler fuses
// a multiplication and an addition the sum is rounded just as without: the same bits.
[[gnu::target("avx512f,avx512vl")]] void
conti_tiles::AddScanToBlocksAvx512(const ScanColumns& k, int n, const int* first, const int* last,
                                   int count, double* const* rowSum) {
    AddScanToBlocks(k, n, first, last, count, rowSum);
}

[[gnu::target("avx2")]] void conti_tiles::AddScanToBlocksAvx2(const ScanColumns& k, int n,
                                                              const int* first, const int* last,
                                                              int count, double* const* rowSum) {
    AddScanToBlocks(k, n, first, last, count, rowSum);
}

void conti_tiles::AddScanToBlocksPlain(const ScanColumns& k, int n, const int* first,
                                       const int* last, int count, double* const* rowSum) {
    AddScanToBlocks(k, n, first, last, count, rowSum);
}

namespace {

// The raw sum of cell (p, q >= p) over the scans in order, each scan's products added as the
// whole build adds them: in lanes, the scan's sum then added to the cell's, for q within the
// full groups of four columns counted from p; point by point onto the cell's sum otherwise.
// Products before the later of the two columns' first values are zero and left out, as there.
[[gnu::always_inline]] inline double AddCellOverScans(const CellScans& k, int p, int q) {
    const int laneEnd = p - 1 + 4 * ((k.n - p + 1) / 4);
    double sum = 0.0;
    double* cell = &sum;
    for (int s = 0; s < k.S; ++s) {
        const float* x = (*k.column)(p, s);
        const float* y = (*k.column)(q, s);
        const int* from = k.firstNonzero + static_cast<std::size_t>(s) * (k.n + 1);
        const int start = std::max(from[p], from[q]);
        if (q <= laneEnd)
            AddLaneTile<1, 1>(&x, &y, start, k.lo, k.hi, &cell);
        else
            AddPointwiseOf<1>(&x, &y, &cell, &start, k.hi);
    }
    return sum;
}

// The raw product of column p with the data over the scans, point by point as in the whole build.
[[gnu::always_inline]] inline double AddDataOverScans(const CellScans& k, int p) {
    double sum = 0.0;
    double* cell = &sum;
    for (int s = 0; s < k.S; ++s) {
        const float* x = (*k.column)(p, s);
        const float* y = (*k.data)(s);
        const int start = k.firstNonzero[static_cast<std::size_t>(s) * (k.n + 1) + p];
        AddPointwiseOf<1>(&x, &y, &cell, &start, k.hi);
    }
    return sum;
}

} // namespace

[[gnu::target("avx2")]] double conti_tiles::AddCellOverScansAvx2(const CellScans& k, int p, int q) {
    return AddCellOverScans(k, p, q);
}

double conti_tiles::AddCellOverScansPlain(const CellScans& k, int p, int q) {
    return AddCellOverScans(k, p, q);
}

[[gnu::target("avx2")]] double conti_tiles::AddDataOverScansAvx2(const CellScans& k, int p) {
    return AddDataOverScans(k, p);
}

double conti_tiles::AddDataOverScansPlain(const CellScans& k, int p) {
    return AddDataOverScans(k, p);
}
