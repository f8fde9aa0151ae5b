// The radial fit limits brought into line with the data and the cell, and the per-scan and grid
// index ranges inside them.
#pragma once

// Raises the left limit to every scan's first radius and into meniscus + 0.01 .. bottom, then
// recomputes the fit ranges and the grid range statistics.
void ApplyLeftFitLimit();
// Lowers the right limit to every scan's last radius (with a box per scan that lowers it) and
// into meniscus .. bottom - 0.01, then recomputes the fit ranges and statistics.
void ApplyRightFitLimit();
// Applies each of the two limits that is set (a limit of 0 is unset), left first.
void ApplySetFitLimits();
// Where an unset right limit starts: 0.15 cm before the bottom, clear of the material piled up
// there in a velocity run.
float DefaultRightFitLimit();
// The first and last point of scan j's fit range (0 in the store means the whole scan).
void FitRange(int j, int& first, int& last);
// Unless the user set them: bounds of a fitted meniscus (+- 0.02 cm) and bottom (+- 0.05 cm; both
// +- 0.1 cm for fluorescence data), kept outside the fit limits by 0.001 cm.
void SetDefaultMeniscusBottomLimits();
// Root-mean-square of signal minus fit over the fit index ranges of all loaded scans, without
// the first scan in scan order while it is the initial distribution; also kept as the rmsd shown
// (FitControl::displayedRmsd).
float CalcFitRmsd();
