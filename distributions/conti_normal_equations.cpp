// Normal equations of the distribution fit: raw inner products of float kernel rows summed in
// double, corrected by the centring means; tiles of four rows by four columns share one pass
// over the points. The result is the same for every thread count (checked bit for bit in the
// distribution tests).
#include "distributions/conti_normal_equations.h"

#include "foundations/key_polling.h"
#include "foundations/rows_in_lanes.h"
#include "foundations/vector_unit.h"
#include "lamm/kept_thread_pool.h"
#include "state/run_switches.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <immintrin.h>
#include <utility>

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

// AddWithRow built for AVX-512, AVX2 and any x86-64, chosen at run time; the products of two
// floats are exact in double, so fused or not the sums are the same.
[[gnu::target("avx512f,avx512vl,fma")]] void AddWithRowAvx512(const float* const* x, const float* y,
                                                              double* const* sum, const int* from,
                                                              int count, int hi) {
    if (count < 2) {
        if (count == 1)
            AddWithRowOf<1>(x, y, sum, from, hi);
        return;
    }
    // y widened once for every set of rows, from the earliest point any of them reads
    int lo = hi + 1;
    for (int k = 0; k < count; ++k)
        lo = std::min(lo, from[k]);
    thread_local std::vector<double> widened;
    if (widened.size() < static_cast<std::size_t>(hi) + 1)
        widened.resize(static_cast<std::size_t>(hi) + 1);
    double* yw = widened.data();
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

[[gnu::target("avx2")]] void AddWithRowAvx2(const float* const* x, const float* y,
                                            double* const* sum, const int* from, int count,
                                            int hi) {
    AddWithRow(x, y, sum, from, count, hi);
}

void AddWithRowPlain(const float* const* x, const float* y, double* const* sum, const int* from,
                     int count, int hi) {
    AddWithRow(x, y, sum, from, count, hi);
}

// One scan's kernel: col[q] the row of column q and from[q] its first point not zero at or
// after lo (hi + 1 for none).
// With the AVX-512 build, pairs holds the columns widened to double once per scan, column pair
// m (columns 2m and 2m + 1) from firstPair on, groups of four points from lo: pair by pair,
// group by group, the four values of the even column then those of the odd one.
struct ScanColumns {
    const float* const* col;
    const int* from;
    int lo, hi;
    const double* pairs = nullptr;
    int firstPair = 0, groups = 0;
};

// The blocks of a share from which its columns are widened for the eight-lane tiles.
constexpr int kBlocksToWiden = 6;

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
[[gnu::target("avx512f,avx512vl")]] void WidenColumns(const ScanColumns& k, int first, int last,
                                                      double* pairs) {
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

// The last cell a row sums in lanes: those within the full groups of four columns counted from
// the row; the (at most three) after it go point by point.
inline int LaneEnd(int n, int p) {
    return p - 1 + 4 * ((n - p + 1) / 4);
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

// AddScanToBlocks built for AVX-512 (its 32 vector registers hold a tile of 4 x 4 cells), for
// AVX2 and for any x86-64, chosen at run time (by a plain check rather than an indirect
// function, whose resolver runs before the sanitizers are set up). All add the same products
// in the same order. The product of two floats is exact in double, so where the compiler fuses
// a multiplication and an addition the sum is rounded just as without: the same bits.
[[gnu::target("avx512f,avx512vl")]] void AddScanToBlocksAvx512(const ScanColumns& k, int n,
                                                               const int* first, const int* last,
                                                               int count, double* const* rowSum) {
    AddScanToBlocks(k, n, first, last, count, rowSum);
}

[[gnu::target("avx2")]] void AddScanToBlocksAvx2(const ScanColumns& k, int n, const int* first,
                                                 const int* last, int count,
                                                 double* const* rowSum) {
    AddScanToBlocks(k, n, first, last, count, rowSum);
}

void AddScanToBlocksPlain(const ScanColumns& k, int n, const int* first, const int* last, int count,
                          double* const* rowSum) {
    AddScanToBlocks(k, n, first, last, count, rowSum);
}

// Rows go in blocks of four consecutive ones; block b (0-based) belongs to share k when it is
// the k-th of its round of count blocks, the rounds alternating in direction so that the shares
// of the triangle are about equal.
int BlockShare(int block, int count) {
    const int round = block / count, at = block % count;
    return (round % 2 == 0 ? at : count - 1 - at) + 1;
}

// The shares of the blocks of four rows (BlockShare's numbering) for count shares of about
// equal work: each block's products are counted over its cells and the scans from where the
// later of the block's rows and the column begins, and the blocks, the largest first, go to the
// share with the least so far (the first of equal ones). Which share sums a cell changes no sum.
std::vector<int> BalancedBlockShares(int n, const ContiDataSet& set, const int* firstNonzero,
                                     int count) {
    const int blocks = (n + 3) / 4, S = set.Scans();
    if (count <= 1)
        return std::vector<int>(static_cast<std::size_t>(blocks), 1); // one share sums them all
    std::vector<double> work(std::size_t(blocks), 0.0);
    for (int s = 0; s < S; ++s) {
        const int* from = firstNonzero + static_cast<std::size_t>(s) * (n + 1);
        for (int b = 0; b < blocks; ++b) {
            int rows = set.last + 1;
            for (int p = 4 * b + 1; p <= std::min(n, 4 * b + 4); ++p)
                rows = std::min(rows, from[p]);
            // counted in integers (the same count as in double, where every partial sum of
            // whole numbers this small is exact), which the compiler takes in vectors
            long long sum = 0;
            for (int q = 4 * b + 1; q <= n; ++q)
                sum += set.last + 1 - std::max(rows, from[q]);
            work[std::size_t(b)] += 4.0 * double(sum);
        }
    }
    std::vector<int> order(static_cast<std::size_t>(blocks)),
        shares(static_cast<std::size_t>(blocks), 1);
    for (int b = 0; b < blocks; ++b)
        order[std::size_t(b)] = b;
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return work[std::size_t(a)] > work[std::size_t(b)]; });
    std::vector<double> load(std::size_t(count), 0.0);
    for (int b : order) {
        const auto least = std::min_element(load.begin(), load.end());
        *least += work[std::size_t(b)];
        shares[std::size_t(b)] = static_cast<int>(least - load.begin()) + 1;
    }
    return shares;
}

// The means of the data and yy, the data's centred norm.
void SetDataTerms(const ContiDataSet& set, const ContiDataRow& data, ContiNormalEquations& out) {
    out.dataMeans = set.Means(data);
    double yy = 0.0;
    for (int s = 0; s < set.Scans(); ++s) {
        const float* y = data(s);
        for (int i = set.first; i <= set.last; ++i)
            yy += double(y[i]) * double(y[i]);
    }
    out.rawYy = yy;
    out.yy = CentredProduct(yy, out.dataMeans, out.dataMeans, set.Noise());
    out.values = set.Values();
    out.noiseParameters = set.NoiseParameters();
}

// Only while noise is eliminated can a column with signal have a vanishing centred norm; a
// column that is zero everywhere (raw norm 0) is left as it was.
void MarkHeldColumns(int n, const ContiDataSet& set, ContiNormalEquations& out) {
    if (set.timeInvariant || set.radiallyInvariant)
        for (int p = 1; p <= n; ++p)
            out.held[p] = out.A(p, p) < kHeldColumnRatio * out.rawNorm[p] ? 1 : 0;
}

// What the update reads of every scan: the columns, the data and where each column begins.
struct CellScans {
    const ContiColumnRow* column;
    const ContiDataRow* data;
    const int* firstNonzero; // [s * (n + 1) + p]
    int S, n, lo, hi;
};

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

[[gnu::target("avx2")]] double AddCellOverScansAvx2(const CellScans& k, int p, int q) {
    return AddCellOverScans(k, p, q);
}
double AddCellOverScansPlain(const CellScans& k, int p, int q) {
    return AddCellOverScans(k, p, q);
}
[[gnu::target("avx2")]] double AddDataOverScansAvx2(const CellScans& k, int p) {
    return AddDataOverScans(k, p);
}
double AddDataOverScansPlain(const CellScans& k, int p) {
    return AddDataOverScans(k, p);
}

// ContiFirstNonzero for any x86-64.
[[gnu::always_inline]] inline int FirstNonzero(const float* x, int lo, int hi) {
    int i = lo;
    for (; i + 15 <= hi; i += 16) {
        // Zero of either sign: no bit but the sign's set.
        std::uint32_t bits[16], any = 0;
        std::memcpy(bits, x + i, sizeof bits);
        for (int u = 0; u < 16; ++u)
            any |= bits[u] & 0x7fffffffu;
        if (any)
            break;
    }
    while (i <= hi && x[i] == 0.0f)
        ++i;
    return i;
}

// FirstNonzero with sixteen values tested at once: the same point.
[[gnu::target("avx512f,avx512vl"), gnu::always_inline]] inline int
FirstNonzeroAvx512(const float* x, int lo, int hi) {
    const __m512i magnitude = _mm512_set1_epi32(0x7fffffff);
    int i = lo;
    for (; i + 15 <= hi; i += 16) {
        const __mmask16 any = _mm512_test_epi32_mask(_mm512_loadu_si512(x + i), magnitude);
        if (any != 0)
            return i + __builtin_ctz(any);
    }
    while (i <= hi && x[i] == 0.0f)
        ++i;
    return i;
}

[[gnu::target("avx512f,avx512vl")]] int ContiFirstNonzeroAvx512(const float* x, int lo, int hi) {
    return FirstNonzeroAvx512(x, lo, hi);
}

// FirstNonzero with eight values tested at once: the same point.
[[gnu::target("avx2"), gnu::always_inline]] inline int FirstNonzeroAvx2(const float* x, int lo,
                                                                        int hi) {
    const __m256i magnitude = _mm256_set1_epi32(0x7fffffff);
    int i = lo;
    for (; i + 7 <= hi; i += 8) {
        const __m256i v = _mm256_and_si256(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x + i)), magnitude);
        const __m256i zero = _mm256_cmpeq_epi32(v, _mm256_setzero_si256());
        const unsigned nonzero =
            ~static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(zero))) & 0xffu;
        if (nonzero != 0)
            return i + __builtin_ctz(nonzero);
    }
    while (i <= hi && x[i] == 0.0f)
        ++i;
    return i;
}

[[gnu::target("avx2")]] int ContiFirstNonzeroAvx2(const float* x, int lo, int hi) {
    return FirstNonzeroAvx2(x, lo, hi);
}

int FirstNonzeroPlain(const float* x, int lo, int hi) {
    return FirstNonzero(x, lo, hi);
}

// Where each of the w columns p.. begins on each scan (into firstNonzero[s * (n + 1) + q], found
// by first) and their means. Both only compare and add, so the AVX-512 build gives the same
// values.
[[gnu::always_inline]] inline void ColumnStartsAndMeans(int (*first)(const float*, int, int),
                                                        const ContiColumnRow& column,
                                                        const ContiDataSet& set, int n, int p,
                                                        int w, int* firstNonzero, NoiseMeans* out) {
    const int S = set.Scans();
    for (int s = 0; s < S; ++s)
        for (int q = p; q < p + w; ++q)
            firstNonzero[static_cast<std::size_t>(s) * (n + 1) + q] =
                first(column(q, s), set.first, set.last);
    ComputeNoiseMeansOfBlocks(
        [&](int u, int s) { return column(p + u, s); },
        [&](int u, int s) {
            return firstNonzero[static_cast<std::size_t>(s) * (n + 1) + p + u] - set.first;
        },
        w, S, set.first, set.Points(), out);
}

[[gnu::target("avx512f,avx512vl"), gnu::flatten]] void
ColumnStartsAndMeansAvx512(const ContiColumnRow& column, const ContiDataSet& set, int n, int p,
                           int w, int* firstNonzero, NoiseMeans* out) {
    ColumnStartsAndMeans(ContiFirstNonzeroAvx512, column, set, n, p, w, firstNonzero, out);
}

[[gnu::target("avx2"), gnu::flatten]] void ColumnStartsAndMeansAvx2(const ContiColumnRow& column,
                                                                    const ContiDataSet& set, int n,
                                                                    int p, int w, int* firstNonzero,
                                                                    NoiseMeans* out) {
    ColumnStartsAndMeans(ContiFirstNonzeroAvx2, column, set, n, p, w, firstNonzero, out);
}

void ColumnStartsAndMeansPlain(const ContiColumnRow& column, const ContiDataSet& set, int n, int p,
                               int w, int* firstNonzero, NoiseMeans* out) {
    ColumnStartsAndMeans(FirstNonzeroPlain, column, set, n, p, w, firstNonzero, out);
}

using ColumnStartsAndMeansFunction = void (*)(const ContiColumnRow&, const ContiDataSet&, int, int,
                                              int, int*, NoiseMeans*);
ColumnStartsAndMeansFunction ColumnStartsAndMeansForThisMachine() {
    return UsableAvx512() ? ColumnStartsAndMeansAvx512
           : UsableAvx2() ? ColumnStartsAndMeansAvx2
                          : ColumnStartsAndMeansPlain;
}

} // namespace

void ContiNEQJob::ComputeRows(int k, int count) const {
    const ContiDataSet& ds = *set;
    const int S = ds.Scans(), lo = ds.first, hi = ds.last;
    const NoiseTerms noise = ds.Noise();
    ContiNormalEquations& o = *out;
    // The blocks of this share and, for each of their rows, the running sums of its cells
    // A(p, q >= p) and of b(p). The scans are the outer loop: one scan's columns stay in the
    // core's cache while every block of the share is taken through them, instead of the whole
    // kernel being streamed once per block. Each cell adds its per-scan partial sums in scan
    // order, so the sums are the same for any number of shares.
    std::vector<int> first, last, rows;
    for (int b = 0; 4 * b + 1 <= n; ++b)
        if ((blockShares != nullptr ? blockShares[b] : BlockShare(b, count)) == k) {
            first.push_back(4 * b + 1);
            last.push_back(std::min(n, 4 * b + 4));
            for (int p = first.back(); p <= last.back(); ++p)
                rows.push_back(p);
        }
    if (rows.empty())
        return;
    std::vector<std::size_t> offset(n + 1, 0);
    std::size_t cellCount = 0;
    for (int p : rows) {
        offset[p] = cellCount;
        cellCount += static_cast<std::size_t>(n - p + 1);
    }
    std::vector<double> cells(cellCount, 0.0), sb(rows.size(), 0.0);
    std::vector<double*> rowSum(n + 1, nullptr);
    for (int p : rows)
        rowSum[p] = cells.data() + offset[p];
    std::vector<const float*> col(n + 1, nullptr), bx(rows.size());
    std::vector<int> from(n + 1, lo), bf(rows.size());
    std::vector<double*> bs(rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r)
        bs[r] = &sb[r];
    // The cells (p, q) past a row's lane cells, point by point: for each of the last columns q,
    // those of the rows that have it, which read q's values once a point for all of them.
    struct PointwiseColumn {
        int q;
        std::vector<int> rows;
        std::vector<double*> sums;
        std::vector<const float*> x;
        std::vector<int> from;
    };
    std::vector<PointwiseColumn> pointwise;
    for (int q = std::max(rows.front(), n - 2); q <= n; ++q) {
        PointwiseColumn c{q, {}, {}, {}, {}};
        for (int p : rows)
            if (p <= q && LaneEnd(n, p) < q) {
                c.rows.push_back(p);
                c.sums.push_back(rowSum[p] + (q - p));
            }
        c.x.resize(c.rows.size());
        c.from.resize(c.rows.size());
        if (!c.rows.empty())
            pointwise.push_back(std::move(c));
    }
    const bool avx512 = UsableAvx512(), avx2 = UsableAvx2();
    const auto addScan = avx512 ? AddScanToBlocksAvx512
                         : avx2 ? AddScanToBlocksAvx2
                                : AddScanToBlocksPlain;
    const auto addData = avx512 ? AddWithRowAvx512 : avx2 ? AddWithRowAvx2 : AddWithRowPlain;
    const int blocks = static_cast<int>(first.size());
    // With AVX-512 the share's columns are widened to double once per scan, for the tiles of
    // four rows by four columns, where the share has blocks enough to read each widened column
    // many times: a share of few blocks (many threads) spends more on the widening than its
    // tiles save.
    const int firstPair = rows.front() / 2, groups = (hi - lo + 1) / 4;
    const bool widen = avx512 && blocks >= kBlocksToWiden;
    // Kept by the thread from one build to the next: a block this large, freed, goes back to
    // the system and is faulted in again page by page. A tile reads only what WidenColumns
    // wrote in this build.
    thread_local std::vector<double> pairs;
    if (widen && pairs.size() < static_cast<std::size_t>(n / 2 - firstPair + 1) * groups * 8)
        pairs.resize(static_cast<std::size_t>(n / 2 - firstPair + 1) * groups * 8);
    for (int s = 0; s < S; ++s) {
        for (int q = rows.front(); q <= n; ++q) {
            col[q] = column(q, s);
            if (firstNonzero)
                from[q] = firstNonzero[static_cast<std::size_t>(s) * (n + 1) + q];
        }
        const float* y = data(s);
        for (std::size_t r = 0; r < rows.size(); ++r) {
            bx[r] = col[rows[r]];
            bf[r] = from[rows[r]];
        }
        addData(bx.data(), y, bs.data(), bf.data(), static_cast<int>(rows.size()), hi);
        ScanColumns scan{col.data(), from.data(), lo, hi};
        if (widen) {
            scan.pairs = pairs.data(), scan.firstPair = firstPair, scan.groups = groups;
            WidenColumns(scan, rows.front(), n, pairs.data());
        }
        addScan(scan, n, first.data(), last.data(), blocks, rowSum.data());
        for (PointwiseColumn& c : pointwise) {
            for (std::size_t u = 0; u < c.rows.size(); ++u) {
                c.x[u] = col[c.rows[u]];
                c.from[u] = std::max(from[c.rows[u]], from[c.q]);
            }
            addData(c.x.data(), col[c.q], c.sums.data(), c.from.data(),
                    static_cast<int>(c.rows.size()), hi);
        }
    }
    std::size_t r = 0;
    // four rows at a time share the loads of the columns' side-by-side means
    for (; meansSideBySide != nullptr && r + 4 <= rows.size(); r += 4) {
        const double* sums[4];
        const NoiseMeans* x[4];
        double* out[4];
        int from[4];
        double b[4];
        for (int i = 0; i < 4; ++i) {
            const int p = rows[r + i];
            sums[i] = rowSum[p];
            o.rawNorm[p] = sums[i][0];
            x[i] = &o.columnMeans[p], out[i] = o.A.Row(p) + p, from[i] = p;
        }
        CentredProductsWith(sb.data() + r, x, o.dataMeans, 4, noise, b);
        for (int i = 0; i < 4; ++i)
            o.b[rows[r + i]] = b[i];
        CentredProductsSideBySide4(sums, x, o.columnMeans.data(), *meansSideBySide, from, n, noise,
                                   out);
    }
    for (; r < rows.size(); ++r) {
        const int p = rows[r];
        const double* sum = rowSum[p];
        o.b[p] = CentredProduct(sb[r], o.columnMeans[p], o.dataMeans, noise);
        o.rawNorm[p] = sum[0];
        if (meansSideBySide != nullptr)
            CentredProductsSideBySide(sum, o.columnMeans[p], o.columnMeans.data() + p,
                                      *meansSideBySide, p, n - p + 1, noise, o.A.Row(p) + p);
        else
            CentredProducts(sum, o.columnMeans[p], o.columnMeans.data() + p, n - p + 1, noise,
                            o.A.Row(p) + p);
    }
}

void RunContiShares(int count, const std::function<void(int, int)>& share) {
    if (count <= 1) {
        share(1, 1);
        return;
    }
    RunOnKeptThreads(count, count - 1, [&](int k, bool) { share(k, count); });
}

int ContiFirstNonzero(const float* x, int lo, int hi) {
    return UsableAvx512() ? ContiFirstNonzeroAvx512(x, lo, hi)
           : UsableAvx2() ? ContiFirstNonzeroAvx2(x, lo, hi)
                          : FirstNonzeroPlain(x, lo, hi);
}

void ContiColumnStarts::Reset(int columns, const ContiDataSet& set) {
    n = columns;
    firstNonzero.assign(static_cast<std::size_t>(set.Scans()) * (n + 1), set.first);
    means.assign(std::size_t(n) + 1, NoiseMeans{});
    known.assign(std::size_t(n) + 1, 0);
}

void FindContiColumnStart(const ContiDataSet& set, const ContiColumnRow& column, int p,
                          ContiColumnStarts& starts) {
    const auto startsAndMeans = ColumnStartsAndMeansForThisMachine();
    startsAndMeans(column, set, starts.n, p, 1, starts.firstNonzero.data(),
                   starts.means.data() + p);
    starts.known[std::size_t(p)] = 1;
}

bool BuildContiNormalEquations(int n, const ContiDataSet& set, const ContiColumnRow& column,
                               const ContiDataRow& data, int threads, ContiNormalEquations& out,
                               ContiColumnStarts* starts) {
    out.A.Resize(n);
    out.b.assign(n + 1, 0.0);
    out.rawNorm.assign(n + 1, 0.0);
    out.held.assign(n + 1, 0);
    // The rows and the means both go in groups of four.
    const int count = std::clamp(threads, 1, std::max(1, (n + 3) / 4));
    // Eight columns at a time, the groups of eight dealt out in turn; with them, where each
    // column's values begin on each scan ([s * (n + 1) + p]). Groups whose columns were all
    // found before are taken as they are.
    const int S = set.Scans();
    std::vector<int>& firstNonzero = out.firstNonzero;
    const bool found = starts != nullptr && starts->n == n &&
                       starts->firstNonzero.size() == static_cast<std::size_t>(S) * (n + 1);
    std::vector<char> known(std::size_t(n) + 1, 0);
    if (found) {
        firstNonzero = std::move(starts->firstNonzero);
        out.columnMeans = std::move(starts->means);
        known = starts->known;
        starts->n = 0;
    } else {
        firstNonzero.assign(static_cast<std::size_t>(S) * (n + 1), set.first);
        out.columnMeans.assign(n + 1, NoiseMeans{});
    }
    const auto startsAndMeans = ColumnStartsAndMeansForThisMachine();
    std::vector<int> groups;
    for (int p = 1; p <= n; p += 8)
        if (!std::all_of(known.begin() + p, known.begin() + std::min(n, p + 7) + 1,
                         [](char k) { return k != 0; }))
            groups.push_back(p);
    const int groupShares = std::clamp(count, 1, std::max(1, int(groups.size())));
    if (!groups.empty())
        RunContiShares(groupShares, [&](int k, int m) {
            for (std::size_t g = std::size_t(k - 1); g < groups.size(); g += std::size_t(m)) {
                const int p = groups[g];
                startsAndMeans(column, set, n, p, std::min(8, n - p + 1), firstNonzero.data(),
                               out.columnMeans.data() + p);
            }
        });
    SetDataTerms(set, data, out);

    thread_local NoiseMeansSideBySide side; // its storage kept, as the widened columns'
    side.Assign(out.columnMeans.data(), n + 1);
    const std::vector<int> shares = BalancedBlockShares(n, set, firstNonzero.data(), count);
    ContiNEQJob job{n, &set, column, data, &out, firstNonzero.data(), &side, shares.data()};
    RunContiShares(count, [&job](int k, int m) { job.ComputeRows(k, m); });
    out.A.MirrorUpper();
    MarkHeldColumns(n, set, out);
    if (KeyPressed()) {
        gUserInterrupt.store(true);
        return false;
    }
    return true;
}

void UpdateContiNormalEquations(int n, const ContiDataSet& set, const ContiColumnRow& column,
                                const ContiDataRow& data, const std::vector<char>& changed,
                                int threads, ContiNormalEquations& eq) {
    const int S = set.Scans(), lo = set.first, hi = set.last;
    const NoiseTerms noise = set.Noise();
    const int count = std::clamp(threads, 1, std::max(1, (n + 3) / 4));
    // Where the changed columns' values begin on each scan (the others' are kept from the
    // build), and their means.
    std::vector<int>& firstNonzero = eq.firstNonzero;
    const std::size_t entries = static_cast<std::size_t>(S) * (n + 1);
    const bool kept = firstNonzero.size() == entries;
    if (!kept)
        firstNonzero.assign(entries, lo);
    RunContiShares(count, [&](int k, int m) {
        for (int p = k; p <= n; p += m) {
            if (kept && !changed[p])
                continue;
            for (int s = 0; s < S; ++s)
                firstNonzero[static_cast<std::size_t>(s) * (n + 1) + p] =
                    ContiFirstNonzero(column(p, s), lo, hi);
            if (changed[p])
                ComputeNoiseMeansOfBlocks(
                    [&](int, int s) { return column(p, s); },
                    [&](int, int s) {
                        return firstNonzero[static_cast<std::size_t>(s) * (n + 1) + p] - lo;
                    },
                    1, S, lo, set.Points(), &eq.columnMeans[p]);
        }
    });
    SetDataTerms(set, data, eq);
    // The cells (p, q >= p) of a changed column, each once.
    std::vector<std::pair<int, int>> cells;
    for (int p = 1; p <= n; ++p)
        for (int q = p; q <= n; ++q)
            if (changed[p] || changed[q])
                cells.emplace_back(p, q);
    std::vector<double> raw(cells.size(), 0.0), sb(n + 1, 0.0);
    const bool avx2 = UsableAvx2();
    const auto addCell = avx2 ? AddCellOverScansAvx2 : AddCellOverScansPlain;
    const auto addData = avx2 ? AddDataOverScansAvx2 : AddDataOverScansPlain;
    const CellScans scans{&column, &data, firstNonzero.data(), S, n, lo, hi};
    RunContiShares(count, [&](int k, int m) {
        for (std::size_t c = std::size_t(k - 1); c < cells.size(); c += std::size_t(m))
            raw[c] = addCell(scans, cells[c].first, cells[c].second);
        for (int p = k; p <= n; p += m)
            sb[p] = addData(scans, p);
    });
    for (std::size_t c = 0; c < cells.size(); ++c) {
        const auto [p, q] = cells[c];
        double& cell = eq.A(p, q);
        CentredProducts(&raw[c], eq.columnMeans[p], &eq.columnMeans[q], 1, noise, &cell);
        eq.A(q, p) = cell;
        if (p == q)
            eq.rawNorm[p] = raw[c];
    }
    for (int p = 1; p <= n; ++p)
        eq.b[p] = CentredProduct(sb[p], eq.columnMeans[p], eq.dataMeans, noise);
    MarkHeldColumns(n, set, eq);
}
