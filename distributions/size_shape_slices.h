// The held size-and-shape distribution seen one f/f0 value at a time: for each row of the f/f0
// grid, the amount of material of that shape and its c-weighted molar mass, D, Stokes radius and s.
#pragma once

#include <vector>

struct SizeShapeSlices {
    int count = 0;                     // rows: the f/f0 grid points
    std::vector<float> ff0;            // [1..count]
    std::vector<float> M, c, D, Rh, s; // [1..count]; c = integral over s at that f/f0
};

// Empty (count 0) when no size-and-shape result is held; a row without material has zero averages.
SizeShapeSlices SizeShapeSlicesOfHeld();
