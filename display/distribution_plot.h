// The distribution plot below the scans and its redraw functions.
#pragma once

#include <vector>

class TXLAWindow;

// Removes the plot and its curves, and gives the scan plots their full height back (laid out
// anew when relayout is set).
void ClearDistribution(bool relayout = true);
// Builds the plot of the current distribution (and the second result when held) over the grid.
void CreateDistributionPlot();
// Builds the plot and makes room for it below the scan plots.
void ShowDistribution(TXLAWindow* window);
// Shows a running fit's trial distribution c over x (points 1..n) in the plot's place, full
// scale, without touching the stored distribution: later trials and the result never read it.
void ShowTrialDistribution(TXLAWindow* window, const std::vector<float>& x,
                           const std::vector<float>& c);
// After the fit: the stored distribution's plot again (none without one) if a trial was shown.
void EndTrialDistribution(TXLAWindow* window);
// x range [s1, s2], y from 0 to the largest value in that range rounded up to a whole number
// (the value itself below 1); clears the zoom and select requests of the band, keeps the range.
// The range is also kept for the realtime update, which redraws each refit in it.
void RedrawDistribution(TXLAWindow* window, float s1, float s2);
// The whole grid range, kept as RedrawDistribution keeps it.
void FullscaleDistribution(TXLAWindow* window);
// Labels of the plot after a transform: a null label leaves the axis as it is.
void LabelDistributionAxes(const char* xLabel, const char* yLabel);
