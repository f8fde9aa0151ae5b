// The non-negative solution of a distribution's normal equations, with its failure.
#pragma once

#include "foundations/dense_solver.h"

#include <vector>

// SolveNonNegative (dense_solver.h) on A (1-based, b[1..n]); x[1..n] receives the solution.
// Returns None, NnlsIterations when the iteration cap stopped it (x is then the last feasible
// point) or NnlsNotPositiveDefinite when a passive sub-matrix failed its Cholesky factorization
// (the solution then continues with a small ridge on the diagonal). No box is shown: the caller
// reports the failure.
inline AnalysisFailure ContiNNLS(const CDenseMatrix& A, const std::vector<double>& b,
                                 std::vector<double>& x) {
    return SolveNonNegative(A, b, x).failure;
}
