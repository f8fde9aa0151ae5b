// The radial fit limits brought into line with the data and the cell, and the per-scan and grid
// index ranges inside them.
#pragma once

// Raises the left limit to every scan's first radius and into meniscus + 0.01 .. bottom, then
// recomputes the fit ranges and the grid range statistics.
void ApplyLeftFitLimit();
// Lowers the right limit to every scan's last radius (with a box per scan that lowers it) and
// into meniscus .. bottom - 0.01, then recomputes the fit ranges and statistics.
void ApplyRightFitLimit();
// Before the defaults of a load: a meniscus, bottom or fit limit kept from an earlier data set
// that lies more than 0.1 cm outside the radii of the scans now loaded (or a meniscus at or
// beyond their end, a bottom at or before their start) is set to 0, unset, so that the new data
// get their own. So is a meniscus more than 0.1 cm after the start of data that begin more than
// 0.1 cm before the earliest data it was kept with, and the left limit with it.
void UnsetValuesOutsideData();
// Applies each of the two limits that is set (a limit of 0 is unset), left first.
void ApplySetFitLimits();
// After a fit or an entry that may have moved the meniscus or bottom: when either differs from
// the value before, both limits are brought into line with the new cell (left first).
void ApplyFitLimitsForMovedEnds(float meniscusBefore, float bottomBefore);
// Sets both limits back to the values given, when either differs, and applies them (left first),
// with the meniscus and bottom they were set for in place.
void RestoreFitLimits(float left, float right);
// Where an unset right limit starts: 0.15 cm before the bottom, clear of the material piled up
// there in a velocity run.
float DefaultRightFitLimit();
// The first and last point of scan j's fit range (0 in the store means the whole scan).
void FitRange(int j, int& first, int& last);
// The points of scan j whose residuals are shown and counted in the rmsd: its fit range while
// both limits are set, else the whole scan.
void ShownFitRange(int j, int& first, int& last);
// Unless the user set them: bounds of a fitted meniscus (+- 0.02 cm) and bottom (+- 0.05 cm; both
// +- 0.1 cm for fluorescence data), kept outside the fit limits by 0.001 cm.
void SetDefaultMeniscusBottomLimits();
// Root-mean-square of signal minus fit over the shown fit ranges of all loaded scans, without
// the first scan in scan order while it is the initial distribution; also kept as the rmsd shown
// (FitControl::displayedRmsd).
float CalcFitRmsd();
