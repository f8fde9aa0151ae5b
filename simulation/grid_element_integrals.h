// Element integrals of linear hat functions on the simulation grid: the moving-frame reference
// grid (LammGrid::movingRadius), the active part of the static grid (LammGrid::radius, nodes
// 1..N) and the uniform static grid (element width (b - m)/(n - 1) whatever the node spacing).
#pragma once

// Every function returns the exact integral, or 0 for an index outside the grid or indices that
// share no element, so assembly may ask for (i, i - 1) in row 1 and (i, i + 1) in row n. In a
// pair (i, j) i is the test function, j the trial function; ' is the radial derivative, and v is
// the frame velocity shape r - rho_1 hat_1 - rho_n hat_n of the moving grid.

// Moving-frame reference grid
double FeElemGrid1(int i);         // hat_i r
double FeElemGrid1B(int i);        // the same
double FeElemGrid2B(int i, int j); // hat_i hat_j r (mass)
double FeElemGrid2C(int i, int j); // the same
double FeElemGrid2D(int i, int j); // hat_i' hat_j' r (diffusion)
double FeElemGrid2E(int i, int j); // hat_i' hat_j r^2 (sedimentation)
// FeElemGrid2D and FeElemGrid2E with the back-diffusion shut-off: the last row gains the flux
// through the bottom, so material is not held back there.
double FeElemGrid2Stiff(int i, int j);
double FeElemGrid2Sed(int i, int j);
double FeElemGrid2A(int i, int j);                   // -hat_i hat_j' v r (frame)
double FeElemGrid2F(int i, int j);                   // the same
double FeElemGrid2Net(int i, int j);                 // FeElemGrid2A - FeElemGrid2Sed
double FeElemTriGrid2B(int i, int j, int k);         // hat_i hat_j hat_k r
double FeElemTriGrid2(int i, int j, int k);          // hat_i' hat_j hat_k r^2
double FETripleIntegral(int i, int j, int k);        // hat_i' hat_j' hat_k r
double FETripleIntegralProduct(int i, int j, int k); // hat_i' (hat_j hat_k)' r
double FeElemTriGrid2A(int i, int j, int k);         // -hat_i (hat_j hat_k)' v r
double FeElemTriGrid2Frame(int i, int j, int k);     // -hat_i hat_j' hat_k v r
// Sum of hat_i r times c[i] over nodes 1..n of the reference grid with the end radii in force
// (HatGridAmount on LammGrid::movingRadius, which must hold n nodes): the four end nodes' volumes
// (1, 2, n - 1, n) from the grid, the interior's from volumes[3..n-2], which the ends do not move.
double ReferenceGridAmount(const double* volumes, const double* c, int n);

// Active part r_1..r_N of the static grid (N capped at the grid size); hat N is the last hat
double FeElemGrid1R(int i, int N);        // hat_i r
double FeElemGrid3A(int i, int j, int N); // hat_i hat_j r
double FeElemGrid3B(int i, int j, int N); // hat_i' hat_j' r
double FeElemGrid3C(int i, int j, int N); // hat_i' hat_j r^2

// Uniform static grid: the elements of node i are [r_i - h, r_i] and [r_i, r_i + h]
double FeElemUniform2(int i, int j);           // hat_i hat_j r
double FeElemUniformTriD(int i, int j, int k); // hat_i' hat_j' hat_k r
double FeElemUniformTriS(int i, int j, int k); // hat_i' hat_j hat_k r^2
double FeElemUniformTriM(int i, int j, int k); // hat_i hat_j hat_k r
// The element width of the uniform functions: the cell's length over the grid's n - 1 elements.
double UniformElementWidth();
