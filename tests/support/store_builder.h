// Fills the scan store straight from arrays, for tests of what works on loaded scans.
#pragma once

#include <string>
#include <vector>

struct StoreScan {
    std::vector<float> radius;
    std::vector<float> signal;
    double timeS = 0.0;
    std::string name = "00001.RA1";
};

// Empties the store, then holds these scans (signal copied into residuals, fit 0) in time
// order; no grid is built.
void FillStore(const std::vector<StoreScan>& scans);
// Radii from first in steps of step, n points, with values f(r).
StoreScan EvenScan(float first, float step, int n, double timeS, float (*f)(float));
