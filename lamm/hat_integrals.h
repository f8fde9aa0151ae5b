// Exact integrals of products of linear hat functions on a 1-based radial grid.
#pragma once

#include <vector>

// Every function takes the grid g[1..n] (strictly increasing) and node indices; indices outside
// 1..n, or nodes that share no element, give 0, so assembly may ask for (1, 0) and (n, n + 1).
// Pair integrals: i is the row (test function), j the column (trial function).

// integral of r phi_i phi_j (mass)
double HatMass(const double* g, int n, int i, int j);
// integral of r phi_i' phi_j' (stiffness)
double HatStiffness(const double* g, int n, int i, int j);
// integral of r^2 phi_i' phi_j (sedimentation)
double HatSedimentation(const double* g, int n, int i, int j);
// -integral of r w(r) phi_i phi_j' with w the node velocity field of the moving grid: w = r on
// the interior, falling linearly to 0 at the pinned end nodes 1 and n (frame term)
double HatFrame(const double* g, int n, int i, int j);
// Rows first..last of the mass M and of the transport k Sed - D Stiff (the pair integrals
// above) on g[1..n], as diagonals mass[0], out[0] (i, i-1), [1] (i, i) and [2] (i, i+1) indexed
// by the row: each element's terms formed once for the two rows that share it, with the pair
// functions' operations, so the same bits as k HatSedimentation - D HatStiffness row by row.
void HatRows(const double* g, int n, int first, int last, double k, double D, double* mass[3],
             double* out[3]);
// integral of r phi_i (node volume)
double HatNodeVolume(const double* g, int n, int i);
// Sum of node volume times c[i] over 1..n: the four end nodes (1, 2, n - 1, n) weigh by their
// volumes on g, the interior by volumes[3..n-2], which a moving grid's ends do not change. Summed
// in eight lanes in a fixed order, so the result is the same every time.
double HatGridAmount(const double* g, const double* volumes, const double* c, int n);
// The interior part of HatGridAmount (nodes 3..n-2) for c and, in the same pass, for c moved by
// one node (c[i + shift], shift -1 or 1), as a grid shift needs before and after it moves.
void HatInteriorAmounts(const double* volumes, const double* c, int n, int shift, double& here,
                        double& moved);
// HatGridAmount from its interior part.
double HatGridAmountFrom(const double* g, const double* c, int n, double interior);
// integral of r f(r) phi_i' phi_j', f interpolated linearly from f[1..n]
double HatWeightedStiffness(const double* g, const double* f, int n, int i, int j);
// integral of r^2 f(r) b(r) phi_i' phi_j, f and b interpolated linearly
double HatWeightedSedimentation(const double* g, const double* f, const double* b, int n, int i,
                                int j);
// The weights of the weighted transport rows on one grid, formed once per grid: per element its
// stiffness weights and the moments of its sedimentation integrals, and two element vectors the
// rows are formed through.
struct CHatWeightedElements {
    int n = 0;
    std::vector<double> grid;                   // g[1..n] the weights belong to
    std::vector<double> s0, s1, m0, m1, m2, m3; // per element 1..n-1
    std::vector<double> lower, upper;           // work, per element
    // Forms the weights of g[1..n], unless they are those of this grid already.
    void FormFor(const double* g, int n);
};

// Rows first..last of the weighted transport k Sed - D Stiff (the two integrals above) with the
// grid's weights, on the grid cut at node n (at most the weights' own n), as diagonals out[0]
// (i, i-1), out[1] (i, i) and out[2] (i, i+1) indexed by the row. Each element is integrated once,
// where the pair functions take every element four times; the rows agree with theirs to rounding.
void HatWeightedTransportRows(CHatWeightedElements& weights, const double* f, const double* b,
                              int n, int first, int last, double k, double D, double* out[3]);
// integral of r phi_i' phi_j' phi_k (triple diffusion) and r^2 phi_i' phi_j phi_k (triple
// sedimentation); all three nodes must share an element
double HatDiffusionTriple(const double* g, int n, int i, int j, int k);
double HatSedimentationTriple(const double* g, int n, int i, int j, int k);
// integral of r phi_i phi_j phi_k (triple mass)
double HatMassTriple(const double* g, int n, int i, int j, int k);
// -integral of r w(r) phi_i phi_j' phi_k with w the frame velocity of HatFrame (frame term with
// an interpolated factor)
double HatFrameTriple(const double* g, int n, int i, int j, int k);
