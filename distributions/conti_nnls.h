// Non-negative solution of the normal equations of a distribution, in double precision.
#pragma once

#include "distributions/conti_matrix.h"

#include <vector>

// Minimises x'Ax - 2 b'x subject to x >= 0 for a symmetric positive semi-definite A (1-based,
// b[1..n]); x[1..n] receives the solution. Returns kContiOk, kNnlsIterations when the iteration
// cap stopped it (x is then the last feasible point) or kNnlsNotPositiveDefinite when a passive
// sub-matrix failed its Cholesky factorization (the solution then continues with a small ridge
// on the diagonal). No box is shown: the caller reports the code.
int ContiNNLS(const ContiMatrix& A, const std::vector<double>& b, std::vector<double>& x);

// Cholesky solution of the sub-system of A on the indices idx (0-based list of 1-based indices)
// with the ridge added to its diagonal; z[idx[k]] receives the solution. False when a pivot is
// not positive.
bool ContiSubsystemSolve(const ContiMatrix& A, const std::vector<double>& b,
                         const std::vector<int>& idx, double ridge, std::vector<double>& z);
