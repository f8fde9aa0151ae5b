// The check of the loaded scans for boundaries too steep to model, made before Run and Fit.
#pragma once

class TXLAWindow;

// true when the data may be used; false after the box "max gradient exceeded: ..." (the command
// must then stop). Only a run of four successive rising slopes above LoadFilters::maxGradient
// inside a scan's fit range counts; fluorescence data and unset limits always pass.
bool CheckScanGradients(TXLAWindow* window);
