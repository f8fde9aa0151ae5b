// Thomas-algorithm kernels; they touch no object state so the solvers and tests share them.
#include "lamm/tridiagonal.h"

// The Thomas algorithm without pivoting is stable for the diagonally dominant Crank-Nicolson
// matrices of the Lamm solvers; a zero pivot is reported, never divided by. Checked against
// dense solutions in the kernel tests.
TridiagStatus ThomasSolve(const double* a, const double* b, const double* c, const double* r,
                          double* u, double* gam, int lo, int hi)
{
    if (b[lo] == 0.0)
        return kTridiagFirstPivotZero;
    double bet = b[lo];
    u[lo] = r[lo] / bet;
    for (int j = lo + 1; j <= hi; ++j) {
        gam[j] = c[j - 1] / bet;
        bet = b[j] - a[j] * gam[j];
        if (bet == 0.0)
            return kTridiagLaterPivotZero;
        u[j] = (r[j] - a[j] * u[j - 1]) / bet;
    }
    for (int j = hi - 1; j >= lo; --j)
        u[j] -= gam[j + 1] * u[j + 1];
    return kTridiagOk;
}

// Reciprocal pivots and the sub-diagonal divided by its pivot leave one multiply-subtract on the
// forward recurrence of every later solve, which is latency-bound; results differ from a
// division-based solve only in the last bits.
TridiagStatus ThomasFactor(const double* a, const double* b, const double* c, double* invBet,
                           double* aScaled, double* gam, int lo, int hi)
{
    if (b[lo] == 0.0)
        return kTridiagFirstPivotZero;
    double bet = b[lo];
    invBet[lo] = 1.0 / bet;
    aScaled[lo] = 0.0;
    for (int j = lo + 1; j <= hi; ++j) {
        gam[j] = c[j - 1] * invBet[j - 1];
        bet = b[j] - a[j] * gam[j];
        if (bet == 0.0)
            return kTridiagLaterPivotZero;
        invBet[j] = 1.0 / bet;
        aScaled[j] = a[j] * invBet[j];
    }
    return kTridiagOk;
}

void ThomasSubstitute(const double* aScaled, const double* invBet, const double* gam,
                      const double* r, double* u, int lo, int hi)
{
    double prev = r[lo] * invBet[lo];
    u[lo] = prev;
    for (int j = lo + 1; j <= hi; ++j) {
        prev = r[j] * invBet[j] - aScaled[j] * prev;
        u[j] = prev;
    }
    double next = u[hi];
    for (int j = hi - 1; j >= lo; --j) {
        next = u[j] - gam[j + 1] * next;
        u[j] = next;
    }
}

void TridiagProduct(const double* a, const double* b, const double* c, const double* v, double* out,
                    int lo, int hi)
{
    if (hi == lo) {
        out[lo] = b[lo] * v[lo];
        return;
    }
    out[lo] = b[lo] * v[lo] + c[lo] * v[lo + 1];
    for (int i = lo + 1; i < hi; ++i)
        out[i] = a[i] * v[i - 1] + b[i] * v[i] + c[i] * v[i + 1];
    out[hi] = a[hi] * v[hi - 1] + b[hi] * v[hi];
}

// The product terms do not depend on the recurrence, so they fill its latency: one pass over the
// rows instead of a product pass and a substitution pass.
void ThomasSubstituteProduct(const double* a, const double* b, const double* c, const double* v,
                             const double* aScaled, const double* invBet, const double* gam,
                             double* u, int first, int lo, int hi)
{
    if (hi == lo) {
        double r = b[lo] * v[lo];
        if (lo > first)
            r += a[lo] * v[lo - 1];
        u[lo] = r * invBet[lo];
        return;
    }
    double r = b[lo] * v[lo] + c[lo] * v[lo + 1];
    if (lo > first)
        r += a[lo] * v[lo - 1];
    double prev = r * invBet[lo];
    u[lo] = prev;
    for (int j = lo + 1; j < hi; ++j) {
        r = a[j] * v[j - 1] + b[j] * v[j] + c[j] * v[j + 1];
        prev = r * invBet[j] - aScaled[j] * prev;
        u[j] = prev;
    }
    r = a[hi] * v[hi - 1] + b[hi] * v[hi];
    prev = r * invBet[hi] - aScaled[hi] * prev;
    u[hi] = prev;
    double next = prev;
    for (int j = hi - 1; j >= lo; --j) {
        next = u[j] - gam[j + 1] * next;
        u[j] = next;
    }
}
