// Elimination of systematic noise from a block of rows (scans) x points: time-invariant offsets
// (one per point), radially invariant offsets (one per row) and a baseline (one for every value).
// The projection onto the complement of these terms is a centring by means: point means for the
// time-invariant noise, row means for the radially invariant noise, both with the grand mean added
// back for the pair (double centring), the grand mean alone for the baseline. The separable least
// squares of the discrete models and the normal equations of the distributions both use it;
// checked against explicit dense solves with the noise columns in the foundations tests.
#pragma once

#include "foundations/dense_matrix.h"

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

// Means of the block whose row r (0-based) has its values at row(r)[first .. first + points - 1];
// summed in double in row order.
template <typename RowOf> NoiseMeans ComputeNoiseMeans(RowOf row, int rows, int first, int points) {
    NoiseMeans m;
    m.row.assign(rows, 0.0);
    m.point.assign(points, 0.0);
    if (rows == 0 || points == 0)
        return m;
    for (int r = 0; r < rows; ++r) {
        const auto* x = row(r);
        double sum = 0.0;
        for (int j = 0; j < points; ++j) {
            sum += x[first + j];
            m.point[j] += x[first + j];
        }
        m.row[r] = sum / points;
        m.grand += sum;
    }
    for (double& p : m.point)
        p /= rows;
    m.grand /= double(rows) * points;
    return m;
}

// Projects the block x (rows x points, 1-based) onto the complement of the noise terms, in place.
void CentreBlock(CDenseMatrix& x, const NoiseTerms& terms);

// <P x, P y> from the raw sum of x y over a rows x points block and the means of x and y, without
// forming the projections (what the large normal equations need).
double CentredProduct(double rawSum, const NoiseMeans& x, const NoiseMeans& y,
                      const NoiseTerms& terms);

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
