// Moving values from one ascending abscissa grid onto another: piecewise linear resampling with
// a fixed treatment of the ends, plain linear resampling and Neville's polynomial interpolation.
#pragma once

// Target x[1..n], y[1..n]; source xs[1..m], ys[1..m]; both grids ascending. Target points the
// rules do not reach keep their y. Nothing happens with fewer than 5 points on either grid or
// when the grids do not overlap enough.
void ResampleCurve(int n, const float* x, float* y, int m, const float* xs, const float* ys);
void ResampleCurveFromDouble(int n, const float* x, float* y, int m, const double* xs,
                             const double* ys);
void AddResampledCurveFromDouble(int n, const float* x, float* y, int m, const double* xs,
                                 const double* ys);
void ResampleCurveToDouble(int n, const double* x, double* y, int m, const float* xs,
                           const float* ys);
void ResampleCurveDouble(int n, const double* x, double* y, int m, const double* xs,
                         const double* ys);

// Linear interpolation inside [xs[1], xs[m]] only; points outside keep their values.
void ResampleLinear(int n, const double* x, double* y, int m, const double* xs, const double* ys);

// Value y at x of the polynomial through xa[1..n], ya[1..n], with the error estimate dy (the last
// correction), in single or double precision. Two coinciding abscissae report "Error in routine
// polint".
void polint(const float* xa, const float* ya, int n, float x, float* y, float* dy);
void dpolint(const double* xa, const double* ya, int n, double x, double* y, double* dy);
