// Where the pointer is: in the data plot's band of rows, in the distribution plot, or on a data
// point of a scan in the data or residual plot.
#pragma once

class TXLAWindow;

// The data plot exists and is shown, and the client row y lies strictly inside its band.
bool InsideDataPlotBand(TXLAWindow* window, int x, int y);
// A distribution plot exists and the client row y lies below 0.95 of its top edge.
bool InsideDistributionPlot(TXLAWindow* window, int x, int y);
// A point of scan (storage index) on the data plot within the tolerances of the logical point
// (x, y); sets ScreenButtonSet::hitPoint to it, or to 0.
bool HitTestScanPoint(int scan, int x, int y, int toleranceX, int toleranceY);
// The same on the residual plot with the residuals. It sets ScreenButtonSet::hitPoint as well,
// so that its callers never read point 0 of the 1-based arrays.
bool HitTestResidualPoint(int scan, int x, int y, int toleranceX, int toleranceY);
// The place in scan order (1..scanCount) of the first scan with a point within the hit tolerance
// of the client pixel (px, py): on the data plot, then on the residual plot; 0 for none. A plot
// that does not exist is passed over.
int ScanUnderPixel(int px, int py, float clientWidth, float clientHeight);
