// The plot of the size-and-shape distribution: a map of c over s and f/f0.
#pragma once

// True when the chosen model is a size-and-shape model and its result is held: the distribution
// plot then shows the map instead of a curve.
bool SizeShapePlotWanted();
// Builds the map in the distribution plot's place: one coloured square per grid point at
// (s, f/f0), its colour scaled to the largest c, with the projections on both axes.
void CreateSizeShapePlot();
// The map over s in [s1, s2] and the whole f/f0 range.
void RedrawSizeShapePlot(float s1, float s2);
