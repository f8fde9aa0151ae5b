// How many time steps a species takes on a fixed grid the user set, and the notice when that
// makes the run slow.
#pragma once

#include <vector>

class TXLAWindow;

// Point steps (time steps times grid points) beyond which a run counts as slow: a few tenths of
// a second for one solution, minutes for a fit.
inline constexpr double kSlowPointSteps = 5e7;
// Two significant digits: an estimate, not a count.
double TwoSignificantDigits(double v);
// The notice of a slow run; within a fit the model's notices are then done with.
void ShowSlowRunNotice(TXLAWindow* window, const char* text);

// About how many steps the fixed grid takes under the step limit maxDcOverC for a species of
// s (S) and D (cm^2/s) at rpm until lastTime (s), whatever its number of points once they resolve
// the boundary: where the boundary's trailing edge falls to nothing, c ~ exp(-x^2 / 4 D t), its
// relative change runs at about 3 v / sqrt(D t) for a boundary moving at v, and the step control
// holds the change of a step near a fifth of maxDcOverC. 0 when no boundary moves or spreads.
double FixedGridStepEstimate(double sS, double dCm2s, double rpm, double meniscus, double bottom,
                             double lastTime, double maxDcOverC);

// Before the species of the given slots are solved on a fixed grid the user chose (fixed-grid
// algorithm, automatic grid size off, steps under "max dc/c"): when the slowest of them would
// take so many steps, each over every point of the grid, that the run is slow, a box says so
// and why. Once per fit, like the model's other notices.
void SayWhenTheFixedGridIsSlow(TXLAWindow* window, const std::vector<int>& slots);
