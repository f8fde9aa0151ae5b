// The two steps of Romberg quadrature: trapezoidal refinement and Neville extrapolation.
#pragma once

// Stage 1 returns (b - a)(f(a) + f(b))/2; stage n >= 2 adds the 2^(n-2) new midpoints to the
// remembered estimate and halves the step. The estimate is one module variable: call the stages
// in order 1, 2, 3, ... for one integral at a time.
double trapzd(double (*f)(double), double a, double b, int stage);

// Value *y at x of the polynomial through xa[1..n], ya[1..n], with the error estimate *dy (the
// last correction). Two coinciding abscissae report "Error in routine polint".
void dpolint(const double* xa, const double* ya, int n, double x, double* y, double* dy);
