// Step-size rules shared by the fixed-grid loops: refusing a step whose relative change is too
// large, growing one whose change is small, and forming the Crank-Nicolson matrices.
#include "lamm/lamm_ideal.h"

// The next step aims at the coarse change limit: dt_pred = (target / change) dt, blended with
// dt / q (refusal) or dt q (growth) by the weight w; a step that would barely change is halved
// (doubled), and the result stays within [0.1, 10] times the old step, dt_max and 1e-15 s.
// countTiny counts a step pinned at 1e-15 s as a refusal.
double CLammIdeal::LimitStep(double step, double old, bool countTiny)
{
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

double CLammIdeal::ShrinkStep(double change, bool countTiny)
{
    const double old = dt;
    const double predicted = change == 0.0 ? 0.0 : (toleranceTarget / change) * old;
    const double shrunk = old / timeStepFactorA;
    double step = shrunk + (predicted - shrunk) * timeStepFactorB;
    if (step >= 0.8 * old && step <= 1.2 * old)
        step *= 0.5;
    return LimitStep(step, old, countTiny);
}

double CLammIdeal::GrowStep(double change, bool countTiny)
{
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

// Rows 1..last of A = M - (dt/2) K and B = M + (dt/2) K, cut at row last.
void CLammIdeal::FormCrankNicolson(double step, int last)
{
    const double half = 0.5 * step;
    for (int i = 1; i <= last; ++i) {
        La[i] = Ma[i] - half * Ka[i];
        Lb[i] = Mb[i] - half * Kb[i];
        Lc[i] = Mc[i] - half * Kc[i];
        Ba[i] = Ma[i] + half * Ka[i];
        Bb[i] = Mb[i] + half * Kb[i];
        Bc[i] = Mc[i] + half * Kc[i];
    }
    La[1] = Ba[1] = 0.0;
    Lc[last] = Bc[last] = 0.0;
}
