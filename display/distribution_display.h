// What the main window's display needs of the distribution analysis and buffer sedimentation.
#pragma once

#include "plat/metafile.hpp"

// A distribution or boundary model is on, its plot exists, no equilibrium-test plot holds the
// screen and the "f(M) vs M" display does not hold the distribution area.
bool DistributionPlotShown();
// Draws the distribution plot anew and returns its picture (owned by the plot), or null.
HMETAFILE RepaintDistributionPlot();
// The reference meniscus is drawn: buffer sedimentation with its meniscus difference.
bool BufferSedimentationReferenceShown();
double BufferSedimentationDifference();
