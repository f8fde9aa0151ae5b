// Ordinary least squares of a straight line y = intercept + slope x.
#pragma once

#include <vector>

struct StraightLineFit {
    bool ok = false; // false with fewer than one point, or x values that do not spread
    double intercept = 0.0;
    double slope = 0.0;
    double residualSum = 0.0; // sum of squared residuals
};

// Fits the first n points of x and y (all of them when n is negative). One point gives the
// horizontal line through it.
StraightLineFit FitStraightLine(const std::vector<double>& x, const std::vector<double>& y,
                                int n = -1);
