// Conversions between client pixels, per-mille button units, the 1400 x 1000 logical plot space
// and the data plot's radius axis.
#pragma once

class CWINPlot;

// floor(1000 v / extent); 0 for an empty extent.
int PixelToPerMille(int v, int extent);
// Pixel to logical: trunc(x 1.4 1000 / clientWidth), trunc(y 1000 / clientHeight); 0 when the
// client size is not positive.
int PixelToLogicalX(int x, float clientWidth);
int PixelToLogicalY(int y, float clientHeight);
// Logical to pixel: floor(X clientWidth / 1400), floor(Y clientHeight / 1000).
int LogicalToPixelX(int x, float clientWidth);
int LogicalToPixelY(int y, float clientHeight);
// Radius to the plot's logical x: trunc(v xScale + xOffset), log10(v) on a log axis, where
// v <= 0 lands at the plot's left edge less its outside margin.
int DataToLogicalX(const CWINPlot& plot, float v);
// A signal value to the plot's logical y, the same rule on the y axis (v <= 0 on a log axis lands
// below the plot's bottom edge by its outside margin).
int DataToLogicalY(const CWINPlot& plot, float v);
// Logical x back to a radius.
float LogicalToDataX(const CWINPlot& plot, int x);
// Logical y back to a value of the plot's y axis.
float LogicalToDataY(const CWINPlot& plot, int y);
// The pixel column of a radius on the data plot.
int MarkerColumn(const CWINPlot& plot, float v, float clientWidth);
