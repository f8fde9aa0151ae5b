// The radial fit limits brought into line with the data and the cell, and the per-scan and grid
// index ranges inside them.
#pragma once

// Raises the left limit to every scan's first radius and into meniscus + 0.01 .. bottom, then
// recomputes the fit ranges and the grid range statistics.
void ApplyLeftFitLimit();
// Lowers the right limit to every scan's last radius (with a box per scan that lowers it) and
// into meniscus .. bottom - 0.01, then recomputes the fit ranges and statistics.
void ApplyRightFitLimit();
// The first and last point of scan j's fit range (0 in the store means the whole scan).
void FitRange(int j, int& first, int& last);
// Sets the default variation limits of meniscus and bottom unless the user set them.
void SetDefaultMeniscusBottomLimits();
// Root-mean-square of signal minus fit over the fit index ranges of all loaded scans.
float CalcFitRmsd();
