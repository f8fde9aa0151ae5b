// Element integrals of the rectangular cells and the external loading cell: hat functions of the
// simulation grid weighted by the cell's cross-section w(r).
#pragma once

#include "simulation/romberg_helpers.h"

// Pair functions take (j, i): j the node whose coefficient the entry multiplies (the column), i
// the test function (the row). Indices outside 1..n give 0.
double FeElemRomberg2A(int j, int i);  // w hat_j hat_i dr (mass)
double FeElemRomberg2B(int j, int i);  // w hat_j' hat_i' dr (diffusion)
double FeElemRomberg2C(int j, int i);  // w r hat_j hat_i' dr, electrophoresis w hat_j hat_i' dr
double FeElemRomberg1(int i);          // w hat_i dr (amount)
// The same four by numerical integration, whatever the geometry.
double FeElemRomberg2D(int j, int i);
double FeElemRomberg2E(int j, int i);
double FeElemRomberg2F(int j, int i);
double FeElemRomberg1B(int i);

// Closed forms on the uniform grid of a rectangular cell (w = 1).
double RectElementMass(int j, int i);
double RectElementDiff(int j, int i);
double RectElementSed(int j, int i);
double RectElementDrift(int j, int i);
double RectElementSingle(int i);

// The external loading cell: closed forms where an element lies above the narrowing section,
// numerical integrals on it.
double ExternalCellElementMass(int j, int i);
double ExternalCellElementDiff(int j, int i);
double ExternalCellElementSed(int j, int i);
double ExternalCellElementSingle(int i);

// One of the cells these integrals describe is chosen: the rectangular cell of the linear Lamm
// equation, electrophoresis, the third rectangular geometry or the external loading cell. Only
// the fixed-grid solver carries their cross-sections.
bool SpecialCellGeometryChosen();

// Chooses w(r) for the geometry switched on: 1 for the rectangular cells, the narrowing cross-
// section of the external loading cell (after PrepareExternalCellGeometry); unchanged otherwise.
void SelectWeightFunction();
// Height of the oil in the narrowing section and the radius r0 where the narrowing starts above
// it, from ModelParameters::oilVolume and the last grid radius.
void PrepareExternalCellGeometry();
double ExternalCellWeight(double r);
double ExternalCellNarrowingStart();  // r0, cm
