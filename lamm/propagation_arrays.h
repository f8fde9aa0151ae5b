// Work state of the propagation loop with concentration-dependent coefficients.
#pragma once

#include <vector>

// Per-node element integrals, coefficients and profiles of the predictor-corrector loop; the
// mixture keeps one profile per component, the oligomer schemes a table of c_total, s, D.
struct CPropagationArrays {
    int n = 0;
    int components = 0; // mixture species, 0 for one species
    // seven triple integrals of row i for the (j, a) pairs (i-1,i-1), (i,i-1), (i-1,i), (i,i),
    // (i+1,i), (i,i+1), (i+1,i+1): E diffusion, F sedimentation times w^2 1e-13; index 7 i + p
    std::vector<double> E, F;
    std::vector<double> cNew, sNode, dNode; // 1..n
    // mixture, index k (n + 1) + i for component k = 1..components
    std::vector<double> ck, ckOld, ckNew, wck, wckOld, wckNew, skNode, dkNode;
    // association constants in use
    double s1 = 0, s2 = 0, s4 = 0, D1 = 0, D2 = 0, D4 = 0;
    double K = 0, K2 = 0, K3 = 0, Ka = 0, Kb = 0;
    // oligomer table: rows of x, c_total(x), s(x), D(x)
    bool tableOn = false;
    int tableRows = 1000;
    double xMin = 1e-5, xMax = 100.0, tableRatio = 1.0;
    int lastRow = 1;
    std::vector<double> table; // 4 (rows + 1), row i at 4 i
    double lastChange = 1.0;
    double lastPredictorDt = 0.0;
};
