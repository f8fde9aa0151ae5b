// The first step of Romberg quadrature, trapezoidal refinement; the extrapolation to zero step is
// dpolint (foundations/resampling.h).
#pragma once

// Stage 1 returns (b - a)(f(a) + f(b))/2; stage n >= 2 adds the 2^(n-2) new midpoints to the
// remembered estimate and halves the step. The estimate is one module variable: call the stages
// in order 1, 2, 3, ... for one integral at a time.
double trapzd(double (*f)(double), double a, double b, int stage);
