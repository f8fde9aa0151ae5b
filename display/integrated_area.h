// The stretch of the distribution curve between two abscissae, drawn over the distribution plot.
#pragma once

class TXLAWindow;

// The points of the current distribution between the smaller and the larger of s1 and s2 (the
// ends interpolated) into 1-based x and c; false when the range holds no stretch of the grid.
bool DistributionStretch(float s1, float s2, float* x, float* c, int capacity, int* count);

// Draws the distribution between s1 and s2 (S) straight into the window, with style and colour
// the plot's quick-curve drawing takes. Nothing when s1 = s2, without a distribution plot, with
// light-scattering data loaded or with a boundary analysis chosen.
void DrawIntegratedArea(TXLAWindow* window, float s1, float s2, int style, int colour);
