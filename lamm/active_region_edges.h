// The ends of the active region [L, U] of a profile c[1..n] after a Crank-Nicolson step on it,
// shared by the Lamm solver objects and the module-wide fixed-grid solver.
#pragma once

enum class LowerEdge { Kept, Ramped, Failed };

// The mean of c[L-1 .. L+3] (L > 3): at least 10 level fails the step; an oscillation about it
// at the edge becomes a rising ramp of the same amount over those five nodes.
LowerEdge SettleLowerEdge(double* c, int L, double level);

// Above U the plateau level; after a failed step the old profile back from L - 2 (from node 1
// while L < 4) to U.
void FinishActiveStep(double* c, const double* cOld, int L, int U, int n, bool failed,
                      double plateauLevel);
