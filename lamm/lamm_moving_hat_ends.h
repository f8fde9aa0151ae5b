// The eight matrix positions of the moving-hat grid whose entries involve the end nodes.
#pragma once

// Row and diagonal of one position: (1,1), (1,2), (2,1), (2,2), (N-1,N-1), (N-1,N), (N,N-1),
// (N,N) in this order, p = 0..7. The end nodes x_1 and x_N move in the reference frame, so only
// these entries change within a grid period.
struct EndPosition {
    int row;
    int diagonal; // -1 sub, 0 main, +1 super

    int Column() const { return row + diagonal; }
};

inline EndPosition EndPositionOf(int p, int n) {
    static const EndPosition kFirst[4] = {{1, 0}, {1, 1}, {2, -1}, {2, 0}};
    static const EndPosition kLast[4] = {{0, 0}, {0, 1}, {1, -1}, {1, 0}};
    if (p < 4)
        return kFirst[p];
    const EndPosition e = kLast[p - 4];
    return {n - 1 + e.row, e.diagonal};
}

// The entry of a tridiagonal matrix held as sub (a), main (b) and super (c) diagonals.
inline double& EndEntry(double* a, double* b, double* c, EndPosition e) {
    return e.diagonal < 0 ? a[e.row] : (e.diagonal > 0 ? c[e.row] : b[e.row]);
}

// Time into the grid period, taken as the period itself when it ends there up to rounding. The
// end radii at the period's end must be the same numbers in the step that reaches it, the amount
// check and the grid shift: x_N - x_(N-1) is a small difference, and an end radius one rounding
// apart would let the shift's amount balance create or lose material at every period.
inline double PeriodPhase(double tau, double period) {
    return tau != period && tau - period < 1e-10 && period - tau < 1e-10 ? period : tau;
}

// Rates of change of the eight end entries of the mass matrix on the reference grid x (1-based,
// n nodes) while the end radii move with dx/dt = -k x. Their column sums are the rates of the
// end node volumes, which keep a step conservative.
inline void MovingEndMassRates(const double* x, int n, double k, double* rate8) {
    const double a = x[1], c = x[2];
    const double va = -k * a;
    rate8[0] = va * (c - 3.0 * a) / 6.0;
    rate8[1] = rate8[2] = va * -a / 6.0;
    rate8[3] = va * -(a + c) / 6.0;
    const double p = x[n - 1], q = x[n];
    const double vq = -k * q;
    rate8[4] = vq * (p + q) / 6.0;
    rate8[5] = rate8[6] = vq * q / 6.0;
    rate8[7] = vq * (3.0 * q - p) / 6.0;
}
