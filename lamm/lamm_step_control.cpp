// Step rules shared by the fixed-grid loops: refusing a step whose relative change is too large,
// growing one whose change is small, landing on scan times, forming the Crank-Nicolson matrices
// and clearing tiny values after a zone loading.
#include "lamm/lamm_ideal.h"

#include <algorithm>
#include <cmath>

// The next step aims at the coarse change limit: dt_pred = (target / change) dt, blended with
// dt / q (refusal) or dt q (growth) by the weight w; a step that would barely change is halved
// (doubled), and the result stays within [0.1, 10] times the old step, dt_max and 1e-15 s.
// countTiny counts a step pinned at 1e-15 s as a refusal.
double CLammIdeal::LimitStep(double step, double old, bool countTiny) {
    if (step > 10.0 * old)
        step = 10.0 * old;
    if (step > dtMax)
        step = dtMax;
    if (step < 1e-15) {
        step = 1e-15;
        if (countTiny)
            ++refusals;
    }
    if (step < 0.1 * old)
        step = 0.1 * old;
    return step;
}

double CLammIdeal::ShrinkStep(double change, bool countTiny) {
    const double old = dt;
    const double predicted = change == 0.0 ? 0.0 : (toleranceTarget / change) * old;
    const double shrunk = old / timeStepFactorA;
    double step = shrunk + (predicted - shrunk) * timeStepFactorB;
    if (step >= 0.8 * old && step <= 1.2 * old)
        step *= 0.5;
    return LimitStep(step, old, countTiny);
}

double CLammIdeal::GrowStep(double change, bool countTiny) {
    if (change == 0.0)
        return 10.0 * dt;
    if (change >= toleranceLow)
        return dt;
    const double old = dt;
    const double predicted = (toleranceTarget / change) * old;
    const double grown = old * timeStepFactorA;
    double step = grown + (predicted - grown) * timeStepFactorB;
    if (step >= 0.9 * old && step <= 1.1 * old)
        step *= 2.0;
    return LimitStep(step, old, countTiny);
}

// Rows 1..last of A = M - (dt/2) K and B = M + (dt/2) K, cut at row last; a damped step is
// the implicit Euler step A = M - dt K, B = M.
void CLammIdeal::FormCrankNicolson(double step, int last, bool damped) {
    const CCrankNicolsonRows rows = CrankNicolsonRows(step, last, damped);
    for (int i = 1; i <= last; ++i) {
        const TridiagRow row = rows.Form(i);
        La[i] = row.a;
        Lb[i] = row.b;
        Lc[i] = row.c;
    }
    rows.FormRight(nullptr, 1, last);
}

CCrankNicolsonRows CLammIdeal::CrankNicolsonRows(double step, int last, bool damped) const {
    const double left = damped ? step : 0.5 * step;
    const double right = damped ? 0.0 : 0.5 * step;
    return {Ma, Mb, Mc, Ka, Kb, Kc, Ba, Bb, Bc, left, right, last};
}

// Shortens the step to end on the pending scan time and clears the mark; true when it did.
bool CLammIdeal::CutStepAtScanTime() {
    if (!hitTime || t + dt <= targetTime)
        return false;
    dt = targetTime - t;
    hitTime = 0;
    return true;
}

// The step from t to the pending scan time, rounded up to a whole number of 2^-20 s: a step
// taken from the scan time sums its time with roundings that differ from scan to scan, and the
// rounded remainders of equal scan intervals come out equal, so their factorisations are kept.
// The step that lands sets the time to the scan time itself; it is at most a microsecond longer.
double CLammIdeal::StepToScanTime() const {
    constexpr double kTicksPerSecond = 1048576.0;
    const double remainder = targetTime - t;
    if (!(remainder > 0.0) || remainder >= 1e9)
        return remainder;
    return std::ceil(remainder * kTicksPerSecond) / kTicksPerSecond;
}

// Tiny and negative values of interior nodes in the first seconds after a zone or step
// loading go half to each neighbour (weighted by the radius ratio, so the amount stays) and the
// node becomes 0.
void CLammIdeal::SpreadTinyValues(double* v, const double* radii, int n) {
    for (int i = 2; i < n; ++i) {
        if (v[i] < 1e-10) {
            v[i - 1] += 0.5 * v[i] * radii[i] / radii[i - 1];
            v[i + 1] += 0.5 * v[i] * radii[i] / radii[i + 1];
            v[i] = 0.0;
        }
    }
}
