// How many time steps a species takes on the moving hat's grid, and the notice when that makes
// the run slow.
#pragma once

#include <vector>

class TXLAWindow;

// The run of one species on the moving hat's grid whose steps are counted.
struct MovingHatRunShape {
    double sS = 0.0, dCm2s = 0.0; // S, cm^2/s
    double rpm = 0.0;
    double meniscus = 0.0, bottom = 0.0;
    double innerFit = 0.0, outerFit = 0.0; // the fitted data, cm
    double rampTime = 0.0;                 // s of a linear acceleration from rest, 0 without
    double lastTime = 0.0;                 // s, of the last scan
    int nodes = 0;
    double maxDcOverC = 1.0;
};

// About how many steps the moving hat takes. Its grid moves with the boundary, one element per
// grid period ln(b/m) / (s omega^2 (n - 1)), and each step is that period (a part "max dc/c" of
// it below 1). The run lasts until the boundary has crossed the column, the ramp's slow start
// included, and the node beyond the fitted data has fallen below the level at which the solver
// ends a run as depleted. Where diffusion holds a layer at the cell's end that reaches the fitted
// data above that level, the run goes on until the equilibrium test has seen the profile settled
// at full speed (eleven windows of 30 s); while the rotor speeds up such a layer is deeper, and a
// sedimenting run ends once the speed has drawn it back. A floating species whose fitted data
// begin inside the first element of its grid has no node between them and the meniscus to tell
// that it has gone: it piles up on the meniscus node, and the run goes on to the equilibrium
// test, or to the last scan where its layer is thinner than that element. Never beyond the last
// scan. 0 when no boundary moves.
double MovingHatStepEstimate(const MovingHatRunShape& run);

// Before the species of the given slots are solved where the moving hat may take them (the
// moving hat or the automatic algorithm): when the fastest of them would take so many steps,
// each over every point of the grid, that the run is slow, a box says so and why. Once per fit,
// like the model's other notices.
void SayWhenTheMovingHatIsSlow(TXLAWindow* window, const std::vector<int>& slots);
