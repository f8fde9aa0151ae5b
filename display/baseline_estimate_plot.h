// The full-screen diagnostic plot of the one-data-set M* analysis that estimates the baseline
// from the straight line of j/(r^2 - m^2) against the integral of j r dr over (r^2 - m^2).
#pragma once

class TXLAWindow;

// Builds the plot over the M* screen (freeing a shown one first), fits the line over the
// meniscus range and, when the line has a finite slope, sets the model's baseline.
void ShowBaselineEstimatePlot(TXLAWindow* window);
// Puts the data plot back and deletes the plot and its curves.
void FreeBaselineEstimatePlot();
