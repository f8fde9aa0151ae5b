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

    // Row j of the left-hand matrix.
    TridiagRow Form(int j) const {
        const bool lower = j > 1, upper = j < last;
        return {lower ? Ma[j] - left * Ka[j] : 0.0, Mb[j] - left * Kb[j],
                upper ? Mc[j] - left * Kc[j] : 0.0};
    }
    // TwistedFactorRowsAt of the left-hand matrix's rows lo..hi (1 <= lo, hi <= last) with the
    // pivots taken from continuants (ContinuantPivots): the rows' diagonals and coupling
    // products are formed in vectors before its recurrences, the factors from its reciprocal
    // pivots after them. The factors differ from TwistedFactorRowsAt's in the last bits; where
    // the continuants leave their range the rows are factorised by TwistedFactorRowsAt, whose
    // status is returned.
    TridiagStatus FactorLeft(double* invBet, double* scaled, double* back, TwistedMeeting& meet,
                             int lo, int k, int hi) const;
    // Rows lo..hi of the right-hand matrix into Ba, Bb, Bc, each multiplied by invBet[j] (the
    // reciprocal pivots of a two-ended factorisation) when invBet is given; in vectors.
    void FormRight(const double* invBet, int lo, int hi) const;
};
