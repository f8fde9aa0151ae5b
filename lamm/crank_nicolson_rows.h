// The rows of one step's matrices from the mass and transport rows: (M - left K) on the left,
// (M + right K) on the right (left = right = dt / 2 for Crank-Nicolson, left = dt and right = 0
// for a damped implicit Euler step), the first row without its lower and the last without its
// upper entry.
#pragma once

#include "lamm/tridiagonal.h"

struct CCrankNicolsonRows {
    const double *Ma, *Mb, *Mc, *Ka, *Kb, *Kc;
    double *Ba, *Bb, *Bc;
    double left, right;
    int last;

    // Writes row j of the right-hand matrix and gives row j of the left-hand one.
    TridiagRow Form(int j) const {
        const bool lower = j > 1, upper = j < last;
        Ba[j] = lower ? Ma[j] + right * Ka[j] : 0.0;
        Bb[j] = Mb[j] + right * Kb[j];
        Bc[j] = upper ? Mc[j] + right * Kc[j] : 0.0;
        return {lower ? Ma[j] - left * Ka[j] : 0.0, Mb[j] - left * Kb[j],
                upper ? Mc[j] - left * Kc[j] : 0.0};
    }
    // Scales right-hand row j by the reciprocal pivot of the left-hand one.
    void Pivot(int j, double invBet) const {
        Ba[j] *= invBet;
        Bb[j] *= invBet;
        Bc[j] *= invBet;
    }
};
