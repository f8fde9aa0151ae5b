// State of the fixed-grid Lamm solution shared by its step loop and its matrix assembly.
#pragma once

#include "simulation/bottom_pellet.h"

#include <vector>

struct FixedGridState {
    int n = 0;
    double s = 0.0, D = 0.0; // S, cm^2/s
    double sw = 0.0;         // s omega^2 (1/s), or the drift s 1e-4 in electrophoresis
    bool weighted = false;   // one of the special cell geometries
    bool shutOff = false;    // back-diffusion shut off: the bottom row is open
    // M and K (M dc/dt = K c) as sub (a), main (b) and super (c) diagonals; the Crank-Nicolson
    // matrices A = M - dt/2 K (factored) and B = M + dt/2 K
    std::vector<double> Ma, Mb, Mc, Ka, Kb, Kc, La, Lb, Lc, Ba, Bb, Bc;
    std::vector<double> aScaled, invBet, gam, cOld;
    int L = 1, R = 1;        // active region
    int Rasm = 0, Rfull = 0; // right end of the last assembly, size of the last full one
    bool refactor = true;
    double lastDt = 0.0;
    bool lastDamped = false; // the factors are those of an implicit Euler step
    int dampedStepsLeft = 0; // implicit Euler steps still to take at the start
    double level = 0.0;      // depletion level
    double plateau = 0.0, plateauTime = 0.0, plateauRate = 0.0, initialPlateau = 0.0;
    CBottomPellet pellet; // of the run in progress
};

// Active-region bookkeeping of one run.
struct FixedGridRegion {
    bool active = false, leftTracking = false, rightTracking = false;
    int leftCap = 1, margin = 1;
    int floorHits = 0;
    double maxStep = 1000.0;
    double ringingStep = 0.0; // s: shorter steps are not refused for negative values
};

// Rows of M and K for all n rows (weighted geometries) or rows 1..N of a matrix cut at N.
void AssembleLammMatricesStatic(FixedGridState& f, int N);
void AssembleLammMatricesActive(FixedGridState& f, int N);
void AssembleLammMatricesWeighted(FixedGridState& f);
// The assembly the model asks for after a change of the rotor speed.
void ReassembleForRotorSpeed(FixedGridState& f, int rows);
// The amount in the sector, a pellet at the bottom included.
double TotalAmountFixedGrid(const FixedGridState& f);
// Sum of node volume times concentration, and the last node's volume.
void FixedGridAmount(const FixedGridState& f, double& amount, double& lastVolume);
double TotalAmountWeighted(const FixedGridState& f);
