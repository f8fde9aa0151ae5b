// The peaks of a distribution: the grid range each local maximum owns, and its area, share of
// the total and weight-average abscissa.
#pragma once

#include <vector>

struct DistributionPeak {
    int index = 0;                 // grid index of the maximum
    int first = 0, last = 0;       // grid range of the peak
    float low = 0.0f, high = 0.0f; // its abscissae
    double area = 0.0;             // integral of c over the range (the peak's signal)
    double percent = 0.0;          // area as a percentage of the whole distribution
    double weightAverage = 0.0;    // int x c / int c over the range
};

// The peak whose maximum sits at grid index `index` of c over x[1..n] (ascending). From the
// maximum the range widens to either side up to the nearest local minimum lower than
// fraction x the peak's height, or to where c has fallen to a thousandth of that height, or to
// the grid's end: dips that stay above that level do not split a peak. index outside 1..n gives
// an empty peak.
DistributionPeak FindPeakRange(const float* x, const float* c, int n, int index, double fraction);

// Up to maxPeaks local maxima of c (each above its two neighbours on either side), highest
// first, each with its range found at fraction.
std::vector<DistributionPeak> FindAllPeaks(const float* x, const float* c, int n, int maxPeaks,
                                           double fraction);

// The same two on the current distribution (ContiState::sValues, ContiState::distribution).
// FindDistributionPeaks gives false, the outputs untouched, when no distribution is held or the
// index is off the grid; each output may be null.
bool FindDistributionPeaks(int index, float fraction, float* low, float* high, float* area,
                           float* percent, float* weightAverage);
std::vector<DistributionPeak> FindCurrentDistributionPeaks(int maxPeaks, double fraction);
