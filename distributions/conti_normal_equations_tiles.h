// The tiles of the distribution fit's normal equations (conti_normal_equations_tiles.cpp): the
// sums of products of a scan's kernel columns, four rows by four columns in one pass over the
// points, and their processor twins, chosen at run time by the build of the equations.
#pragma once

#include "distributions/conti_normal_equations.h"

namespace conti_tiles {

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

// The last cell a row sums in lanes: those within the full groups of four columns counted from
// the row; the (at most three) after it go point by point.
inline int LaneEnd(int n, int p) {
    return p - 1 + 4 * ((n - p + 1) / 4);
}

// What the update reads of every scan: the columns, the data and where each column begins.
struct CellScans {
    const ContiColumnRow* column;
    const ContiDataRow* data;
    const int* firstNonzero; // [s * (n + 1) + p]
    int S, n, lo, hi;
};

// The products of rows x[0..count-1] with the one row y from point from[u] on, added to
// sum[u], for AVX-512, AVX2 and any x86-64. widened: room for hi + 1 doubles, where the AVX-512
// build widens y (the others leave it alone).
[[gnu::target("avx512f,avx512vl,fma")]] void AddWithRowAvx512(const float* const* x, const float* y,
                                                              double* const* sum, const int* from,
                                                              int count, int hi, double* widened);
[[gnu::target("avx2")]] void AddWithRowAvx2(const float* const* x, const float* y,
                                            double* const* sum, const int* from, int count, int hi,
                                            double* widened);
void AddWithRowPlain(const float* const* x, const float* y, double* const* sum, const int* from,
                     int count, int hi, double* widened);
// Columns first..last of one scan widened into pairs for the eight-lane tiles.
[[gnu::target("avx512f,avx512vl")]] void WidenColumns(const ScanColumns& k, int first, int last,
                                                      double* pairs);
// One scan's products added to the lane cells of the blocks first[b]..last[b], b < count.
[[gnu::target("avx512f,avx512vl")]] void AddScanToBlocksAvx512(const ScanColumns& k, int n,
                                                               const int* first, const int* last,
                                                               int count, double* const* rowSum);
[[gnu::target("avx2")]] void AddScanToBlocksAvx2(const ScanColumns& k, int n, const int* first,
                                                 const int* last, int count, double* const* rowSum);
void AddScanToBlocksPlain(const ScanColumns& k, int n, const int* first, const int* last, int count,
                          double* const* rowSum);
// The raw sums of cell (p, q) and of column p with the data over the scans, as the whole build
// adds them.
[[gnu::target("avx2")]] double AddCellOverScansAvx2(const CellScans& k, int p, int q);
double AddCellOverScansPlain(const CellScans& k, int p, int q);
[[gnu::target("avx2")]] double AddDataOverScansAvx2(const CellScans& k, int p);
double AddDataOverScansPlain(const CellScans& k, int p);

} // namespace conti_tiles
