// The common radial grid of all scans and the alignment of interference scans on it.
#pragma once

#include <cstdint>

// Sets up the grid (own, or shared with interference scans of identical radii), its means and
// zeroed noise arrays, then re-applies the fit limits and remakes the species arrays.
void BuildCommonRadialGrid();
// Brings the grid's signal and its means to the scans' present values, on the grid there is:
// the grid, its noise arrays and the species arrays stay as they are. Nothing without a grid.
void RefreshCommonGridSignal();
// Shifts scans by whole fringes to the first scan's value at radius, then adds offset.
void AlignScansAtRadius(float offset, float radius);
// Removes whole-fringe jumps inside each scan's fit range, judged from residuals or data.
void RemoveFringeJumps(float threshold, bool judgeFromResiduals);
// Removes each scan's mean offset against the first scan over the grid region [low, high).
void EliminateJitter(float low, float high);

// The distribution's s grid at the data folder's "sdist" file.
void SaveVectorFile(const float* values, std::int32_t count);
// A new 1-based array and its count, or null with count unchanged when the file is empty or
// missing.
float* LoadVectorFile(std::int32_t* count);
