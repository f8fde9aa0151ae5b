// Quick plots: one extra curve over a plot already on the screen, recorded in the plot's scale.
// Arrays are 1-based x[1..n], y[1..n]; the caller plays the returned picture and deletes it.
#pragma once

#include "plat/gdi.hpp"
#include "plat/metafile.hpp"

class CWINPlot;
class CCurve;

class TWindow;

HMETAFILE QuickPlotCurve(CWINPlot* plot, CCurve* curve, COLORREF colour, int style, int size);
// Plays a quick plot over the plots already in the window, on the logical page the window paints
// them on (the client's own pixels would put the curve beside the plot's axes), and deletes it.
void PlayOverThePlots(TWindow* window, HMETAFILE picture);
// Views the arrays in place; like every view it sets values below 1e-30 in magnitude to 0 in them.
HMETAFILE QuickPlot(CWINPlot* plot, float* x, float* y, int n, COLORREF colour, int style,
                    int size);
HMETAFILE QuickPlotDouble(CWINPlot* plot, const double* x, const double* y, int n, COLORREF colour,
                          int style, int size);
HMETAFILE QuickPlotMixed(CWINPlot* plot, float* x, const double* y, int n, COLORREF colour,
                         int style, int size);
// y scaled so that its largest value becomes target.
HMETAFILE QuickPlotNormalized(CWINPlot* plot, float* x, const double* y, int n, double target,
                              COLORREF colour, int style, int size);
HMETAFILE QuickPlotNormalizedFloat(CWINPlot* plot, float* x, const float* y, int n, double target,
                                   COLORREF colour, int style, int size);
// Points max(first, 1) .. of x and y, at most n of them and last - first + 1.
HMETAFILE QuickPlotRange(CWINPlot* plot, float* x, float* y, int n, int first, int last,
                         COLORREF colour, int style, int size);
// One colour per point from the 1-based rows of colours (red, green, blue in columns 1..3).
HMETAFILE QuickPlotCurve2(CWINPlot* plot, float* x, float* y, int n, int** colours, int style,
                          int size);
