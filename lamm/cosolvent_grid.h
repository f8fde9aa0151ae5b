// Work arrays of the sedimenting cosolvent on its own fixed, uniform radial grid.
#pragma once

#include "lamm/tridiagonal.h"

#include <vector>

// Twenty-two vectors of n + 1 doubles in one block (element 0 unused), and with
// concentration-dependent coefficients fourteen more for the triple-integral tables.
struct CCosolventGrid {
    int n = 0;
    double h = 0.0;     // uniform spacing, cm
    double rpm = 0.0;   // rotor speed of the last assembly
    bool ready = false; // set up for the current run
    std::vector<double> block, tables;
    double *r = nullptr, *c = nullptr, *predicted = nullptr, *old = nullptr, *rhs = nullptr;
    double *Ma = nullptr, *Mb = nullptr, *Mc = nullptr; // mass
    double *Aa = nullptr, *Ab = nullptr, *Ac = nullptr; // transport
    double *La = nullptr, *Lb = nullptr, *Lc = nullptr; // M - dt/2 A
    double *Ra = nullptr, *Rb = nullptr, *Rc = nullptr; // M + dt/2 A
    // stored factors of L: 1 / pivot, the scaled coupling and the back-substitution factor, of
    // the two-ended factorisation (meeting at meet) or, on three rows, of the one-ended one
    double *invBet = nullptr, *aScaled = nullptr, *gam = nullptr;
    bool twisted = false;
    TwistedMeeting meet;
    double *sNode = nullptr, *dNode = nullptr; // S and cm^2/s at the nodes
    // Td(i; j, k) = integral r phi_i' phi_j' phi_k, Ts(i; j, k) = w^2 1e-13 integral
    // r^2 phi_i' phi_j phi_k, for the seven (j, k) pairs of row i (see kTriplePairs)
    double* td[7] = {};
    double* ts[7] = {};
};
