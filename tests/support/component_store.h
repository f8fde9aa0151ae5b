// A scan store on one shared radial grid (as interference scans of identical radii give it), with
// species signals written into ComponentScans the way the model evaluation leaves them.
#pragma once

#include <functional>
#include <vector>

struct ComponentStoreCase {
    int scans = 6;
    int points = 80;
    float firstRadius = 6.0f, step = 0.015f;
    double firstTimeS = 300.0, intervalS = 240.0;
    float meniscus = 5.95f, bottom = 7.3f;
    // Fit limits: radii of these 1-based points (0 keeps the whole scan).
    int firstFitPoint = 0, lastFitPoint = 0;
};

// Species signal of slot s at scan position o (time order), radius r.
using SpeciesSignal = std::function<float(int s, int o, double timeS, float r)>;

// Fills the store (after ResetAllState) with signal 0, builds the shared grid and applies the
// fit limits; the scans are in time order, so storage index = scan-order position.
void MakeComponentStore(const ComponentStoreCase& c);
// Radii of the shared grid, 1-based.
const float* GridRadii();
// Writes species slot s (marked included, carried loading 1) into ComponentScans for every scan.
void WriteSpecies(int s, const SpeciesSignal& signal);
// Sets every scan's signal to f(position, radius index).
void SetSignal(const std::function<float(int o, int i)>& f);
// Sum of squares of signal - fit over the scans' fit ranges (double).
double ScanResidualSumOfSquares();
