// The display colour of each scan: a fixed table by position, or a ramp over the series.
#pragma once

#include "plat/geometry.hpp"

// Colour of the scan at display position k (1-based, as in ScanStore::scanOrder).
COLORREF ScanColour(int k);
// Blue-green-yellow-red ramp at f = i / n, clamped to [0, 1]; black at 0, dark red at 1.
COLORREF ColourFromFraction(int i, int n);
