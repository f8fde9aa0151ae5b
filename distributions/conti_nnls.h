// The non-negative solution of a distribution's normal equations, with its batch error code.
#pragma once

#include "distributions/conti_errors.h"
#include "foundations/dense_solver.h"

#include <vector>

// SolveNonNegative (dense_solver.h) on A (1-based, b[1..n]); x[1..n] receives the solution.
// Returns kContiOk, kNnlsIterations when the iteration cap stopped it (x is then the last
// feasible point) or kNnlsNotPositiveDefinite when a passive sub-matrix failed its Cholesky
// factorization (the solution then continues with a small ridge on the diagonal). No box is
// shown: the caller reports the code.
inline int ContiNNLS(const CDenseMatrix& A, const std::vector<double>& b, std::vector<double>& x) {
    const NnlsResult r = SolveNonNegative(A, b, x);
    if (r.ridged || r.failed)
        return kNnlsNotPositiveDefinite;
    return r.converged ? kContiOk : kNnlsIterations;
}
