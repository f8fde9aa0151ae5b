// Linear interpolation of a grid profile onto output radii, with the cells and weights kept.
#pragma once

#include <vector>

// Interpolates the grid profile (gr, gv)[1..gn] onto the radii x[1..n]: one merge walk over
// both for ascending radii (a fresh search where they are not), radii outside the grid taking
// the end values. The cell and weight of every radius are kept and taken again while the grid
// and the radii are the same, so the scans of a run on a fixed grid pay the search and the
// divisions once; the values are those of a fresh walk, bit for bit.
class GridProfileInterpolation {
  public:
    // gridKept: the caller wrote nothing into gr since the last call, so a grid at the same
    // address is not compared again (only the radii are). addZero: each value is stored as
    // 0 + y, so a -0 is stored as 0. radiiKept: the same for the radii.
    void Interpolate(const double* gr, const double* gv, int gn, const float* x, float* y, int n,
                     bool gridKept = false, bool addZero = false, bool radiiKept = false);

  private:
    bool Matches(const double* gr, int gn, const float* x, int n, bool gridKept,
                 bool radiiKept) const;
    void Prepare(const double* gr, int gn, const float* x, int n);

    std::vector<double> grid_;       // the grid the cells were found on, [1..gn]
    const double* gridAt_ = nullptr; // where it was read
    std::vector<float> radii_;       // the radii they were found for, [1..n]
    const float* radiiAt_ = nullptr;
    std::vector<int> cell_; // upper node of each radius's cell; 0 below, -1 above the grid
    std::vector<double> weight_;
    // radii insideFrom_..insideTo_ lie inside the grid, those before below it and those after
    // above it (insideFrom_ = 0 when they lie otherwise)
    int insideFrom_ = 0, insideTo_ = 0;
    // most groups of eight inside radii have their cells within eight nodes of the group's first
    bool nearCells_ = false;
    // of each such group from insideFrom_ on: its first cell, or -1 where its cells lie farther
    // apart or reach past the grid's end, and the other cells' distances from it, a byte each
    std::vector<int> groupFirst_;
    std::vector<unsigned long long> groupSpread_;
};
