// One-curve painters: record a curve in the scale of an existing plot as an overlay picture.
#pragma once

#include "plat/gdi.hpp"
#include "plat/metafile.hpp"

class CWINPlot;
class CCurve;

// Records points first .. last (counted from 1) of curve in colour, with symbol style and half-size
// size, in the plot's current scale; no frame, axes or texts. The picture belongs to the caller;
// null when last < first, for an empty curve, or when the recording cannot be closed.
HMETAFILE PaintCurvePlot(CWINPlot* plot, CCurve* curve, int first, int last, COLORREF colour,
                         int style, int size);

// The same with one colour per point: row k of the 1-based matrix colours (columns 1..3 red,
// green, blue) colours point k.
HMETAFILE PaintCurvePlot2(CWINPlot* plot, CCurve* curve, int first, int last, int** colours,
                          int style, int size);
