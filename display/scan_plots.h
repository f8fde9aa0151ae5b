// Redrawing the data and residual plots of the loaded scans, and the on-plot noise buttons.
#pragma once

// Redraws the data plot when it exists, first clearing it when clear is set.
void RedrawDataPlot(bool clear);
// Recomputes every scan's residuals inside its fit range and records the residual plot.
void UpdateResiduals(bool rescale);
// Rebuilds the data and residual plots from the store.
void SetPlotAxisTitles();
// Deletes the store's data and residual plots and clears the pointers.
void DeleteScanPlots();
void ShowNoiseButtons(int which);
void HideNoiseButtons();
