// The dense solver of the program: Cholesky factorization and substitution, the Cholesky solve of
// a symmetric system restricted to an index subset with a ridge, and the non-negative solution of
// normal equations. The routines of linear_solvers.h and the distribution solvers call these.
#pragma once

#include "foundations/analysis_failure.h"
#include "foundations/dense_matrix.h"

#include <functional>
#include <vector>

// The order in which each inner product of the factorization is summed. The classic routines
// (choldc, cholsl and the solvers on them) sum from the diagonal back to the first column, the
// subset solve from the first column on; each caller keeps its order, so results do not move by
// a rounding when a caller changes solver.
enum class CholeskySumOrder { FromDiagonal, FromFirstColumn };

// Cholesky factor of the symmetric matrix whose diagonal and upper triangle are rows[i][j], j >= i
// (1-based row pointers): L goes below the diagonal, its diagonal into diag[1..n]; the upper
// triangle is left as it was. False when a pivot is not positive and finite.
template <typename T> bool CholeskyFactor(T* const* rows, int n, T* diag, CholeskySumOrder order);
// Solves L L' x = b with the factor of CholeskyFactor (b and x may be the same array).
template <typename T>
void CholeskySubstitute(T* const* rows, int n, const T* diag, const T* b, T* x,
                        CholeskySumOrder order);

// Cholesky solution of the sub-system of the symmetric A on the indices idx (1-based, in
// increasing order), with ridge added to its diagonal; z[idx[k]] receives the solution, the
// other z are untouched. Only the lower triangle of A is read. False when a pivot is not
// positive and finite (z is then untouched). factor is the caller's work space for the m x m
// factor: grown when too small, never cleared, so one kept over a series of solves is not
// made again.
bool CholeskySolveSubset(const CDenseMatrix& A, const std::vector<double>& b,
                         const std::vector<int>& idx, double ridge, std::vector<double>& z,
                         std::vector<double>& factor);

// How a non-negative solve ended: None, NnlsNotPositiveDefinite when a passive block needed the
// ridge (or even the ridge did not make it definite), else NnlsIterations when a cap stopped it.
struct NnlsResult {
    AnalysisFailure failure = AnalysisFailure::None;
    int iterations = 0;     // outer iterations (variables that entered the passive set)
    bool abandoned = false; // stopped where it stood at abandon's word (x is then of no use)
};

// Minimises x'Ax - 2 b'x subject to x >= 0 for a symmetric positive semi-definite A (1-based,
// b[1..n]); x[1..n] receives the solution (the last feasible point when a cap or a failure
// stopped it). Lawson and Hanson's active-set method: the passive set grows by the variable with
// the largest gradient above 1e-10 max|b| (so the answer does not depend on the scale of A and
// b), each passive solve that leaves the feasible region is cut back to its boundary; a passive
// block that is not positive definite is solved again with the ridge 1e-12 trace(A)/n. Both the
// outer and the inner iterations are capped at 3n. Checked against the optimality conditions and
// explicit dense solves in the foundations tests.
// abandon (optional), asked before each outer iteration, ends the solve where it stands once it
// says true: for a caller that learned meanwhile it will not read x.
NnlsResult SolveNonNegative(const CDenseMatrix& A, const std::vector<double>& b,
                            std::vector<double>& x, const std::function<bool()>& abandon = {});
