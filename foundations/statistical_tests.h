// Statistics that judge fits: the runs test of residual signs and the F distribution with its
// quantile, through the regularized incomplete beta function.
#pragma once

// Z of the runs test over the scans scanList[first..last]: data[j] and fit[j] are 1-based point
// arrays of scan j, compared from firstPoint[j] to lastPoint[j]. 0 without scans or variation.
float RunsTestZ(float** data, float** fit, int first, int last, const int* scanList,
                const int* firstPoint, const int* lastPoint);

// Upper tail probability Q(F; nu1, nu2) of the F distribution.
double FProbabilityTail(double F, double nu1, double nu2);
// The ratio F whose upper tail probability is 1 - P.
double FCriticalRatio(double P, double nu1, double nu2);

double betai(double a, double b, double x);
double betacf(double a, double b, double x);
double LogGamma(double x);

// Brent's root search; messages in the error box when f(x1), f(x2) do not bracket a root or the
// iterations run out (the current estimate is returned).
double statzbrent(double (*f)(double), double x1, double x2, double tol);
