// The sedimenting buffer in a continuous distribution: its signal takes the kernel column of
// grid point 1, so the weight the distribution gives that column is the buffer's signal.
#pragma once

#include <vector>

class TXLAWindow;

// What the buffer's column depends on; empty while the correction is off. A kernel made for
// other values must be made again.
std::vector<double> BufferKernelKey();

// The buffer's signal is the entered one, not fitted: its column enters the model with
// amplitude one.
bool BufferColumnFixed();

// Replaces column 1 of the kernel by the buffer's signal on the common grid: of unit amplitude
// while the signal is floated, of the entered signal otherwise. False, with the column marked
// unsolved, after a singular system (with its box) or a key press.
bool FillBufferKernelColumn(TXLAWindow* window);

// After a solution c[1..n] of a kernel with the buffer's column: a floated signal takes the
// column's weight, and the distribution's first point, which held the buffer and no species,
// reads 0 (it would otherwise add the buffer's signal to the species' loading).
void TakeBufferSignalFromDistribution(const std::vector<double>& c);
