// Integrals and averages of a distribution over a range of its abscissa.
#pragma once

struct DistributionIntegral {
    double area = 0.0;          // integral of c over the range
    double weightAverage = 0.0; // int x c / int c
    double total = 0.0;         // integral of c over the whole grid
    double stdDev = 0.0;        // sqrt(int (x - xw)^2 c / int c)
    double numberAverage = 0.0; // int c / int (c / x)
    double zAverage = 0.0;      // int x^2 c / int x c
};

// Trapezoid integrals of the piecewise linear c(x) over [lo, hi] clipped to x[1..n] (ascending),
// the end values interpolated. Averages of an empty or zero range are 0.
DistributionIntegral IntegrateCurve(const float* x, const float* c, int n, double lo, double hi);

// The same for the current distribution (ContiState::sValues, ContiState::distribution); each
// output may be null. Nothing is written when no distribution is held. For a size-and-shape
// result it also leaves Mw, Mz, fw, R and their moments over [lo, hi] in SizeShapeState.
void IntegrateDistribution(float lo, float hi, float* area, float* weightAverage, float* total,
                           float* stdDev, float* numberAverage = nullptr,
                           float* zAverage = nullptr);
