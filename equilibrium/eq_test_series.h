// The test of attained equilibrium on the loaded scans: the series of one cell, wavelength and
// speed, how much each earlier scan of a series still differs from its latest one, and the
// curves the three test plots show.
#pragma once

#include <cstdint>

// Rebuilds the series of EqTestState from the loaded scans, sorted by speed, with the series at
// the most recent speed marked and the file extensions the realtime update follows. Returns the
// number of series.
int BuildEqTestSeries();
// The rms difference of scan a from scan b over b's points first..last, apart from a constant
// offset; with record set the mean-free differences and radii are appended to the slot's
// last-pair curve.
float EqTestScanRmsd(int a, int b, int first, int last, int recordSlot = 0);
// Exchanges two series' members (nothing unless both lie in 1..seriesTotal).
void SwapEqTestSeries(int i, int j);
// The scan's (cell, wavelength) is on the excluded or accepted list (within 5 nm).
bool IsExcludedCellWavelength(int scan);
bool IsAcceptedCellWavelength(int scan);
// The file number of a loaded scan: its name part read as an integer (00012.RA1 is 12).
std::int32_t ScanFileNumber(int scan);
// Fresh slots (members, ranges and switches cleared) and empty excluded and accepted lists;
// the series count stays, so the caller can tell whether a rebuild changed it.
void ResetEqTestTables();
// Fills every series' curves: the time course, the difference of the last two scans and the
// relative profile of the latest scan over its comparison range.
void ComputeEqTestCurves();
