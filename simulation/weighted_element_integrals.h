// Element integrals of the rectangular cells and the external loading cell: hat functions of the
// simulation grid weighted by the cell's cross-section w(r).
#pragma once

#include "simulation/romberg_helpers.h"

// The cross-section w(r) of the cell chosen: 1, or for the external loading cell 1 down to the
// narrowing section's start r0 and falling linearly within it.
struct CellGeometry {
    bool narrowing = false;
    double narrowingStart = 0.0373; // r0, cm
    double Weight(double r) const;
};

// Pair functions take (j, i): j the node whose coefficient the entry multiplies (the column), i
// the test function (the row). Indices outside 1..n give 0.
// 2A: w hat_j hat_i dr (mass); 2B: w hat_j' hat_i' dr (diffusion); 2C: w r hat_j hat_i' dr,
// with electrophoresis w hat_j hat_i' dr; 1: w hat_i dr (amount).
double FeElemRomberg2A(const CellGeometry& w, int j, int i);
double FeElemRomberg2B(const CellGeometry& w, int j, int i);
double FeElemRomberg2C(const CellGeometry& w, int j, int i);
double FeElemRomberg1(const CellGeometry& w, int i);
// The same four by numerical integration, whatever the geometry.
double FeElemRomberg2D(const CellGeometry& w, int j, int i);
double FeElemRomberg2E(const CellGeometry& w, int j, int i);
double FeElemRomberg2F(const CellGeometry& w, int j, int i);
double FeElemRomberg1B(const CellGeometry& w, int i);

// Closed forms on the uniform grid of a rectangular cell (w = 1).
double RectElementMass(int j, int i);
double RectElementDiff(int j, int i);
double RectElementSed(int j, int i);
double RectElementDrift(int j, int i);
double RectElementSingle(int i);

// The external loading cell: closed forms where an element lies above the narrowing section,
// numerical integrals on it.
double ExternalCellElementMass(const CellGeometry& w, int j, int i);
double ExternalCellElementDiff(const CellGeometry& w, int j, int i);
double ExternalCellElementSed(const CellGeometry& w, int j, int i);
double ExternalCellElementSingle(const CellGeometry& w, int i);

// One of the cells these integrals describe is chosen: the rectangular cell of the linear Lamm
// equation, electrophoresis, the third rectangular geometry or the external loading cell. Only
// the fixed-grid solver carries their cross-sections.
bool SpecialCellGeometryChosen();

// w(r) of the geometry switched on: the narrowing cross-section of the external loading cell,
// 1 for the rectangular cells (and without a special cell).
CellGeometry ChosenCellGeometry();
// The radius r0 (cm) where the external loading cell's narrowing starts above the oil in it, from
// ModelParameters::oilVolume and the last grid radius.
double ExternalCellNarrowingStart();
