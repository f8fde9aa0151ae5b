// Dense linear systems on 1-based matrices: LU with partial pivoting, Cholesky, solvers that fall
// back from Cholesky to LU, and non-negative least squares on normal equations.
#pragma once

// LU decomposition in place (Crout, implicit scaling); indx records the interchanges, d their
// parity. A zero row is reported as "Singular matrix in routine ludcmp" (false returned); a zero
// pivot is replaced by a tiny value so that singular matrices still decompose.
bool ludcmp(float** a, int n, int* indx, float* d);
bool dludcmp(double** a, int n, int* indx, double* d);
void lubksb(float** a, int n, const int* indx, float* b);
void dlubksb(double** a, int n, const int* indx, double* b);

// Solves a x = b; b receives x. With onCopy the matrix is left intact, else it is destroyed.
void LUSolve(float** a, float* b, int n, bool onCopy);
void DLUSolve(double** a, double* b, int n, bool onCopy);

// Cholesky factor below the diagonal of a and on p; false when a is not positive definite. Only
// the diagonal and the upper triangle are read. Both are CholeskyFactor/CholeskySubstitute of
// dense_solver.h, summed from the diagonal.
bool choldc(float** a, int n, float* p);
bool dcholdc(double** a, int n, double* p);
void cholsl(float** a, int n, const float* p, const float* b, float* x);
void dcholsl(double** a, int n, const double* p, const double* b, double* x);

// Float Cholesky solve on a copy; b receives x. False when LU had to be used instead.
bool CholeskySolve(float** a, float* b, int n);
// a and b unchanged, x receives the solution, p the Cholesky diagonal. False when LU was used.
bool DCholeskySolve(double** a, const double* b, int n, double* x, double* p);
// As DCholeskySolve after removing the all-zero rows (and their columns), whose x is 0.
bool DCholeskySolveReduced(double** a, const double* b, int n, double* x, double* p);

// Active-set solution of the normal equations a x = b with x >= 0 by SolveNonNegative
// (dense_solver.h), in double; b receives x. Returns false when the iteration limit stopped it
// (b then holds the last feasible x). a is left intact.
bool NormalEquationsNNLS(float** a, float* b, int n, bool onCopy);

// Non-negative least squares min |A x - y|, x >= 0, for the design matrix A[1..rows][1..n];
// x[1..n] receives the solution of SolveNonNegative on its normal equations. Shows "matrix not
// positive definite in NNLS" when a sub-problem needed a ridge and "max #iteration exceeded in
// NNLS" with the iterations done when the iteration limit stopped it (false).
bool NNLS(double** design, int rows, int n, const double* y, double* x);
