// The data and residual plots of the loaded scans: their layout, rebuild, redraw and residuals.
#pragma once

#include "plat/metafile.hpp"

class TXLAWindow;

// Horizontal bounds of both plots in window units (x 1.4 inside the plot); the vertical bounds
// are ScanStore::distPlotRect: data top, data bottom, residual top, residual bottom.
struct PlotLayout {
    static constexpr int left = 75;
    static constexpr int right = 975;
    static int DataTop();
    static int DataBottom();
    static int ResidualTop();
    static int ResidualBottom();
};

// The data plot, or the residual plot, over the whole height; then drawn.
void LayoutDataPlot();
void LayoutResidualPlot();
// Data plot in the upper panel, residual plot in the lower one (lowered by one unit per scan
// while the residuals bitmap is shown); then both drawn.
void LayoutDataAndResidualPlots();
// The pictures of the plots' last drawings, null without a plot.
HMETAFILE DataPlotHandle();
HMETAFILE ResidualPlotHandle();
// Redraws the data plot when it exists, rescaled first when rescale is set.
void RedrawDataPlot(bool rescale);
// Sets the data plot to the ranges and draws it when both are valid, else redraws it with its
// old ranges.
void ShowDataRange(float xMin, float xMax, float yMin, float yMax);
// Rebuilds both plots from the store: curves in display order, colours, styles and titles.
void SetPlotAxisTitles();
// Recomputes every scan's residuals inside its fit range and redraws the residual plot; writes
// "ScanRms.dat" when both fit limits are set.
void UpdateResiduals(bool rescale);
// Deletes the store's data and residual plots and clears the pointers.
void DeleteScanPlots();
