// Elimination of systematic noise from a block of rows (scans) x points: time-invariant offsets
// (one per point), radially invariant offsets (one per row) and a baseline (one for every value).
// The projection onto the complement of these terms is a centring by means: point means for the
// time-invariant noise, row means for the radially invariant noise, both with the grand mean added
// back for the pair (double centring), the grand mean alone for the baseline. The separable least
// squares of the discrete models and the normal equations of the distributions both use it;
// checked against explicit dense solves with the noise columns in the foundations tests.
#pragma once

#include "foundations/dense_matrix.h"

#include <type_traits>
#include <vector>

// The noise terms being eliminated.
struct NoiseTerms {
    bool timeInvariant = false;     // b_j, one per point
    bool radiallyInvariant = false; // beta_i, one per row
    bool baseline = false;          // B, one for every value
    bool Any() const { return timeInvariant || radiallyInvariant || baseline; }
};

// The means of a block: per row over the points, per point over the rows, and overall.
struct NoiseMeans {
    std::vector<double> row;   // [0..rows-1]
    std::vector<double> point; // [0..points-1]
    double grand = 0.0;
};

// The sums s[u] of eight rows of floats x[u] over the points from..points - 1, each added point
// by point in double from zero, as eight plain loops add them; with AVX2 a lane per row, eight
// points at a time turned into the lanes.
void RowSumsOfEightFloats(const float* const* x, int from, int points, double* s);

// The same sums as eight plain loops add them, for rows of any type.
template <typename Value>
inline void RowSumsOfEightInOrder(const Value* const* x, int from, int points, double* s) {
    double t[8] = {};
    for (int j = from; j < points; ++j)
        for (int u = 0; u < 8; ++u)
            t[u] += x[u][j];
    for (int u = 0; u < 8; ++u)
        s[u] = t[u];
}

// RowSumsOfEightFloats for two sets of eight rows x[h] at once, set h from point from[h]: the
// same sums, the sixteen side by side (the set that begins first alone until the other begins),
// so that they do not wait on one another.
void RowSumsOfSixteenFloats(const float* const (*x)[8], const int* from, int points,
                            double (*s)[8]);

// RowSumsOfEightFloats for rows of any type.
template <typename Value>
inline void RowSumsOfEight(const Value* const* x, int from, int points, double* s) {
    if constexpr (std::is_same_v<Value, float>)
        RowSumsOfEightFloats(x, from, points, s);
    else
        RowSumsOfEightInOrder(x, from, points, s);
}

// The row sums of W blocks over one row, side by side, with each point's values added to the
// blocks' point sums (the helper of ComputeNoiseMeansOfBlocks). The values before point from are
// zeros of every block: they would add nothing and are skipped. The row sums go point by point
// in one pass; the point sums, each its own, in a pass of their own that the compiler can take in
// vectors.
template <int W, typename Value>
void AddRowToNoiseMeans(const Value* const* x, int points, NoiseMeans* m, int r, int from = 0) {
    double s[W] = {};
    if constexpr (W == 8) {
        RowSumsOfEight(x, from, points, s);
    } else {
        for (int j = from; j < points; ++j)
            for (int u = 0; u < W; ++u)
                s[u] += x[u][j];
    }
    for (int u = 0; u < W; ++u) {
        double* pt = m[u].point.data();
        const Value* xu = x[u];
        for (int j = from; j < points; ++j)
            pt[j] += xu[j];
    }
    for (int u = 0; u < W; ++u) {
        m[u].row[r] = s[u] / points;
        m[u].grand += s[u];
    }
}

// The row sums of the rows x[0..count-1] (rows r..r + count - 1, count <= 8) of one block, side
// by side, with their values added to the block's point sums in row order: the same sums, each
// in the same order, as count calls of AddRowToNoiseMeans<1>. x holds eight rows, those past
// count any of the block's (their sums are dropped). The values before point from are zeros of
// every row.
template <typename Value>
void AddRowsToNoiseMeans(const Value* const* x, int count, int points, NoiseMeans& m, int r,
                         int from, const double* s) {
    double* pt = m.point.data();
    if (count == 8) {
        for (int j = from; j < points; ++j) {
            double v = pt[j];
            for (int u = 0; u < 8; ++u)
                v += x[u][j];
            pt[j] = v;
        }
    } else {
        for (int u = 0; u < count; ++u)
            for (int j = from; j < points; ++j)
                pt[j] += x[u][j];
    }
    for (int u = 0; u < count; ++u) {
        m.row[r + u] = s[u] / points;
        m.grand += s[u];
    }
}

// AddRowsToNoiseMeans with the row sums found here.
template <typename Value>
void AddRowsToNoiseMeans(const Value* const* x, int count, int points, NoiseMeans& m, int r,
                         int from) {
    double s[8];
    RowSumsOfEight(x, from, points, s);
    AddRowsToNoiseMeans(x, count, points, m, r, from, s);
}

// The means of count blocks at once, into out[0..count-1]: block u has its row r (0-based)
// at row(u, r)[first .. first + points - 1], of which the first zeros(u, r) values are known to
// be zero (sums start past them: adding zeros changes no sum). Each block's sums are formed in
// double in row order, alone or beside others alike (the sums of several blocks do not wait on
// one another).
template <typename RowOf, typename ZerosOf>
void ComputeNoiseMeansOfBlocks(RowOf row, ZerosOf zeros, int count, int rows, int first, int points,
                               NoiseMeans* out) {
    constexpr int W = 8;
    using Value = std::remove_cv_t<std::remove_pointer_t<decltype(row(0, 0))>>;
    for (int u0 = 0; u0 < count; u0 += W) {
        const int w = count - u0 < W ? count - u0 : W;
        NoiseMeans* m = out + u0;
        for (int u = 0; u < w; ++u) {
            m[u] = NoiseMeans{};
            m[u].row.assign(rows, 0.0);
            m[u].point.assign(points, 0.0);
        }
        if (rows == 0 || points == 0)
            continue;
        for (int r = 0; w == W && r < rows; ++r) {
            const Value* x[W];
            int common = points;
            for (int u = 0; u < W; ++u) {
                x[u] = row(u0 + u, r) + first;
                const int lead = zeros(u0 + u, r);
                common = common < lead ? common : lead;
            }
            AddRowToNoiseMeans<W>(x, points, m, r, common);
        }
        // Fewer blocks than W: each block's rows W at a time side by side instead (the last
        // ones with the last row again in the lanes left), so that its row sums do not wait on
        // one another either; of floats, two sets of W rows side by side.
        for (int u = 0; w < W && u < w; ++u)
            for (int r = 0; r < rows; r += 2 * W) {
                const Value* x[2][W];
                int here[2], common[2];
                for (int h = 0; h < 2; ++h) {
                    const int at = r + W * h, left = rows - at;
                    here[h] = left < 0 ? 0 : left < W ? left : W;
                    common[h] = points;
                    for (int i = 0; i < here[h]; ++i) {
                        x[h][i] = row(u0 + u, at + i) + first;
                        const int lead = zeros(u0 + u, at + i);
                        common[h] = common[h] < lead ? common[h] : lead;
                    }
                    for (int i = here[h]; here[h] > 0 && i < W; ++i)
                        x[h][i] = x[h][here[h] - 1];
                }
                double s[2][W];
                if constexpr (std::is_same_v<Value, float>) {
                    if (here[1] > 0)
                        RowSumsOfSixteenFloats(x, common, points, s);
                    else
                        RowSumsOfEight(x[0], common[0], points, s[0]);
                } else {
                    for (int h = 0; h < 2; ++h)
                        if (here[h] > 0)
                            RowSumsOfEight(x[h], common[h], points, s[h]);
                }
                for (int h = 0; h < 2; ++h)
                    if (here[h] > 0)
                        AddRowsToNoiseMeans(x[h], here[h], points, m[u], r + W * h, common[h],
                                            s[h]);
            }
        for (int u = 0; u < w; ++u) {
            for (double& p : m[u].point)
                p /= rows;
            m[u].grand /= double(rows) * points;
        }
    }
}

// The same with no zeros known.
template <typename RowOf>
void ComputeNoiseMeansOfBlocks(RowOf row, int count, int rows, int first, int points,
                               NoiseMeans* out) {
    ComputeNoiseMeansOfBlocks(
        row, [](int, int) { return 0; }, count, rows, first, points, out);
}

// Means of the block whose row r (0-based) has its values at row(r)[first .. first + points - 1];
// summed in double in row order.
template <typename RowOf> NoiseMeans ComputeNoiseMeans(RowOf row, int rows, int first, int points) {
    NoiseMeans m;
    ComputeNoiseMeansOfBlocks([&row](int, int r) { return row(r); }, 1, rows, first, points, &m);
    return m;
}

// What the centring takes from the value at row r, point j (0-based) of a block with means m:
// both means less the grand mean for the pair of noise terms, the point mean for the
// time-invariant noise, the row mean for the radially invariant noise, the grand mean for the
// baseline alone, nothing without noise terms. Rows of their own lengths (no point means) take
// it without the time-invariant noise.
inline double NoiseShift(const NoiseMeans& m, const NoiseTerms& terms, int r, int j) {
    if (!terms.Any())
        return 0.0;
    if (terms.timeInvariant && terms.radiallyInvariant)
        return m.row[r] + m.point[j] - m.grand;
    if (terms.timeInvariant)
        return m.point[j];
    if (terms.radiallyInvariant)
        return m.row[r];
    return m.grand;
}

// Projects the block x (rows x points, 1-based) onto the complement of the noise terms, in place.
void CentreBlock(CDenseMatrix& x, const NoiseTerms& terms);

// <P x, P y> from the raw sum of x y over a rows x points block and the means of x and y, without
// forming the projections (what the large normal equations need).
double CentredProduct(double rawSum, const NoiseMeans& x, const NoiseMeans& y,
                      const NoiseTerms& terms);
// CentredProduct of x with each of y[0..count-1], raw sums rawSum[0..count-1], into
// out[0..count-1]: the same values, the sums of several pairs formed side by side. With
// noisePart, noisePart[u] receives the part of pair u's product that the noise terms take, from
// the same sums of means: minus the centred product of a raw sum of zero, the same bits. (The
// functions below that take a noisePart give it alike.)
void CentredProducts(const double* rawSum, const NoiseMeans& x, const NoiseMeans* y, int count,
                     const NoiseTerms& terms, double* out, double* noisePart = nullptr);

// CentredProduct of each of x[0..count-1] with y, raw sums rawSum[0..count-1], into
// out[0..count-1]: the same values, the sums of several pairs formed side by side.
void CentredProductsWith(const double* rawSum, const NoiseMeans* const* x, const NoiseMeans& y,
                         int count, const NoiseTerms& terms, double* out);

// The point and row means of count blocks y[0..count-1] held side by side: point[j * count + u] =
// y[u].point[j], row[s * count + u] = y[u].row[s] (zero past the means a block has), and 32
// zeros after each.
struct NoiseMeansSideBySide {
    NoiseMeansSideBySide() = default;
    NoiseMeansSideBySide(const NoiseMeans* y, int count);
    // The same for new blocks, in the storage held (a large one is not faulted in again).
    void Assign(const NoiseMeans* y, int blocks);
    int count = 0;
    std::vector<double> point, row;
};
// CentredProducts of x with y[0..count-1], which are the blocks from..from + count - 1 of side:
// the same values, the sums of the pairs formed in vectors across the pairs.
void CentredProductsSideBySide(const double* rawSum, const NoiseMeans& x, const NoiseMeans* y,
                               const NoiseMeansSideBySide& side, int from, int count,
                               const NoiseTerms& terms, double* out, double* noisePart = nullptr);

// CentredProductsSideBySide of four rows x[i] with the blocks from[i]..end of side (y indexed by
// block): out[i][0..end - from[i]], the same values; the blocks past every from are read once
// for the four.
void CentredProductsSideBySide4(const double* const* rawSum, const NoiseMeans* const* x,
                                const NoiseMeans* y, const NoiseMeansSideBySide& side,
                                const int* from, int end, const NoiseTerms& terms,
                                double* const* out, double* const* noisePart = nullptr);

// The noise that the least-squares fit gives a residual whose means are r. The time-invariant
// part takes the point means (and with them the overall offset); the radially invariant part
// takes the row means, less the overall offset when the time-invariant noise or the baseline
// carries it; the baseline takes the grand mean unless the time-invariant noise carries it.
// Terms not eliminated are zero.
struct NoiseEstimate {
    std::vector<double> ti; // [0..points-1]
    std::vector<double> ri; // [0..rows-1]
    double baseline = 0.0;
};
NoiseEstimate NoiseFromMeans(const NoiseMeans& r, const NoiseTerms& terms);
