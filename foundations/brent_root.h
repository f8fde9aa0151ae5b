// Brent's root search on a bracketing interval, shared by the root finders of the program.
#pragma once

#include <cmath>

struct BrentResult {
    double root = 0.0;
    bool bracketed = true; // f(x1) and f(x2) did not have the same strict sign
    bool converged = true; // the interval shrank below the tolerance within the iterations
};

// Inverse quadratic interpolation where it stays inside the bracket and shrinks it fast enough,
// bisection otherwise, so convergence is guaranteed on a bracket and superlinear near a simple
// root. tol is the absolute tolerance on the root (plus 6e-8 relative). Checked on closed-form
// roots in the statistics tests.
template <typename F>
BrentResult BrentRoot(F f, double x1, double x2, double tol, int maxIterations) {
    BrentResult result;
    double a = x1, b = x2, c = x2, d = 0.0, e = 0.0;
    double fa = f(a), fb = f(b);
    if ((fa > 0.0 && fb > 0.0) || (fa < 0.0 && fb < 0.0))
        result.bracketed = false;
    double fc = fb;
    for (int iter = 1; iter <= maxIterations; ++iter) {
        if ((fb > 0.0 && fc > 0.0) || (fb < 0.0 && fc < 0.0)) {
            c = a;
            fc = fa;
            e = d = b - a;
        }
        if (std::fabs(fc) < std::fabs(fb)) {
            a = b;
            b = c;
            c = a;
            fa = fb;
            fb = fc;
            fc = fa;
        }
        double tol1 = 6e-8 * std::fabs(b) + 0.5 * tol;
        double xm = 0.5 * (c - b);
        if (std::fabs(xm) <= tol1 || fb == 0.0) {
            result.root = b;
            return result;
        }
        if (std::fabs(e) >= tol1 && std::fabs(fa) > std::fabs(fb)) {
            double s = fb / fa;
            double p, q;
            if (a == c) {
                p = 2.0 * xm * s;
                q = 1.0 - s;
            } else {
                q = fa / fc;
                double r = fb / fc;
                p = s * (2.0 * xm * q * (q - r) - (b - a) * (r - 1.0));
                q = (q - 1.0) * (r - 1.0) * (s - 1.0);
            }
            if (p > 0.0)
                q = -q;
            p = std::fabs(p);
            double min1 = 3.0 * xm * q - std::fabs(tol1 * q);
            double min2 = std::fabs(e * q);
            if (2.0 * p < (min1 < min2 ? min1 : min2)) {
                e = d;
                d = p / q;
            } else {
                d = xm;
                e = d;
            }
        } else {
            d = xm;
            e = d;
        }
        a = b;
        fa = fb;
        b += std::fabs(d) > tol1 ? d : (xm >= 0.0 ? std::fabs(tol1) : -std::fabs(tol1));
        fb = f(b);
    }
    result.root = b;
    result.converged = false;
    return result;
}
