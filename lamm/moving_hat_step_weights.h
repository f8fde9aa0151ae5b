// The weights of one conservative Crank-Nicolson step of the moving-hat grid.
#pragma once

#include <cmath>

// The step over [tau, tau + h] of a grid period in the conservative form
// d/dt (M E^2 c) = (A + 2 k M + dM/dt) E^2 c with A = -(D / E^2) K - Tr, k the frame rate (1/s)
// and D in cm^2/s, scaled by 1 / E(tau)^2: the left matrix E(tau + h)^2 (M - h/2 (A + 2 k M +
// dM/dt)) at the end of the step, the right one M + h/2 (A + 2 k M + dM/dt) at its start. An
// entry takes M, dM/dt, K and Tr of its position; the added terms are the frame's dilution and
// the motion of the end nodes, so the amount E^2 M c is the same at both ends of every step.
struct CMovingHatStepWeights {
    CMovingHatStepWeights(double D, double k, double tau, double h) {
        const double gain = std::exp(2.0 * k * h);
        const double d0 = D / std::exp(2.0 * k * tau), d1 = D / std::exp(2.0 * k * (tau + h));
        half = 0.5 * h;
        leftM = gain * (1.0 - k * h), leftRate = gain * half;
        leftK = leftRate * d1, leftTr = leftRate;
        rightM = 1.0 + k * h, rightK = half * d0;
    }
    double Left(double m, double mRate, double kk, double tr) const {
        return leftM * m - leftRate * mRate + leftK * kk + leftTr * tr;
    }
    double Right(double m, double mRate, double kk, double tr) const {
        return rightM * m + half * mRate - rightK * kk - half * tr;
    }
    double half, leftM, leftRate, leftK, leftTr, rightM, rightK;
};
