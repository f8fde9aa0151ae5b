// The least-squares polynomial of the M* extrapolations.
#pragma once

// Fits a polynomial of the given order to x[1..n], y[1..n] and evaluates it at xOut[1..nOut]
// into yOut and, with a grid given, at each xGrid[1..nGrid] inside [low, high] into yGrid (0
// outside). A negative order clears yOut only. A singular fit shows "error in polyfit" and
// leaves the outputs as they were; the result is then false.
bool polyfit(int order, const double* x, const double* y, int n, const float* xOut, float* yOut,
             int nOut, const float* xGrid = nullptr, float* yGrid = nullptr, int nGrid = 0,
             float low = 0.0f, float high = 0.0f);
