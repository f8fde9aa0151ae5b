// The runs test, the F distribution and its quantile.
#include "foundations/statistical_tests.h"

#include "foundations/brent_root.h"
#include "foundations/nr_arrays.h"
#include "foundations/show_error.h"
#include "state/scan_store.h"

#include <cmath>
#include <limits>

// Wald-Wolfowitz runs test: the number of sign runs of the residuals against its expectation
// under randomness, normalised (with a continuity correction of +0.5). Each scan starts a new run.
float RunsTestZ(float** data, float** fit, int first, int last, const int* scanList,
                const int* firstPoint, const int* lastPoint) {
    if (ScanStore::scanCount == 0)
        return 0.0f;
    float n1 = 0.0f, n2 = 0.0f;
    int runs = 0;
    for (int pos = first; pos <= last; ++pos) {
        int j = scanList[pos];
        ++runs;
        float sign = 0.0f;
        for (int i = firstPoint[j]; i <= lastPoint[j]; ++i) {
            float r = data[j][i] - fit[j][i];
            if (r > 0.0f)
                n1 += 1.0f;
            else
                n2 += 1.0f;
            if (i == firstPoint[j]) {
                sign = r > 0.0f ? 1.0f : -1.0f;
            } else if (sign * r < 0.0f) {
                sign = -sign;
                ++runs;
            }
        }
    }
    double n = static_cast<double>(n1) + n2;
    if (n == 0.0 || n == 1.0)
        return 0.0f;
    double p = 2.0 * n1 * n2;
    auto mu = static_cast<float>(p / n + 1.0);
    auto sigma = static_cast<float>(std::sqrt(p * (p - n1 - n2) / (n * n * (n - 1.0))));
    if (sigma == 0.0f)
        return 0.0f;
    return static_cast<float>(std::fabs(runs - mu + 0.5) / sigma);
}

// Lanczos series with gamma = 5, six terms: |error| < 2e-10 for x > 0.
double LogGamma(double x) {
    static const double cof[6] = {76.18009172947146,  -86.50532032941678,   24.01409824083091,
                                  -1.231739572450155, 0.001208650973866179, -5.395239384953e-06};
    double y = x;
    double tmp = x + 5.5;
    tmp -= (x + 0.5) * std::log(tmp);
    double ser = 1.000000000190015;
    for (double c : cof)
        ser += c / ++y;
    return -tmp + std::log(2.5066282746310007 * ser / x);
}

// Continued fraction of the incomplete beta function by the modified Lentz method; converges
// quickly for x < (a + 1) / (a + b + 2), which betai arranges by symmetry.
double betacf(double a, double b, double x) {
    constexpr int kMaxIterations = 10000;
    constexpr double kEps = 3.0e-7, kFpMin = 1.0e-30;
    double qab = a + b, qap = a + 1.0, qam = a - 1.0;
    double c = 1.0;
    double d = 1.0 - qab * x / qap;
    if (std::fabs(d) < kFpMin)
        d = kFpMin;
    d = 1.0 / d;
    double h = d;
    // One Lentz step for the partial numerator aa: returns the factor that updates h.
    auto step = [&](double aa) {
        d = 1.0 + aa * d;
        if (std::fabs(d) < kFpMin)
            d = kFpMin;
        c = 1.0 + aa / c;
        if (std::fabs(c) < kFpMin)
            c = kFpMin;
        d = 1.0 / d;
        return d * c;
    };
    for (int m = 1; m <= kMaxIterations; ++m) {
        int m2 = 2 * m;
        h *= step(m * (b - m) * x / ((qam + m2) * (a + m2)));
        double del = step(-(a + m) * (qab + m) * x / ((a + m2) * (qap + m2)));
        h *= del;
        if (std::fabs(del - 1.0) < kEps)
            return h;
    }
    nrerror("a or b too big, or MAXIT too small in betacf");
    return h;
}

double betai(double a, double b, double x) {
    // A NaN has no probability: it answers NaN, not the continued fraction's failure box.
    if (std::isnan(a) || std::isnan(b) || std::isnan(x))
        return std::numeric_limits<double>::quiet_NaN();
    if (x < 0.0 || x > 1.0) {
        nrerror("Bad x in routine betai");
        x = x < 0.0 ? 0.0 : 1.0;
    }
    double bt = 0.0;
    if (x != 0.0 && x != 1.0)
        bt = std::exp(LogGamma(a + b) - LogGamma(a) - LogGamma(b) + a * std::log(x) +
                      b * std::log(1.0 - x));
    if (x < (a + 1.0) / (a + b + 2.0))
        return bt * betacf(a, b, x) / a;
    return 1.0 - bt * betacf(b, a, 1.0 - x) / b;
}

double FProbabilityTail(double F, double nu1, double nu2) {
    if (nu1 == 0.0 && nu2 == 0.0)
        return 0.0;
    return betai(nu2 / 2.0, nu1 / 2.0, nu2 / (nu2 + nu1 * F));
}

namespace {

// The root of a search, with a box when the bracket did not hold a sign change or the iterations
// ran out (the last estimate is returned either way).
double ReportedRoot(const BrentResult& r) {
    if (!r.bracketed)
        ShowError("Root must be bracketed in statzbrent", 0);
    if (!r.converged)
        ShowError("Maximum number of iterations exceeded in statzbrent", 0);
    return r.root;
}

} // namespace

// The tail probability falls with F, so the bracket [1, 2] is widened (doubling upward, halving
// downward) until the residual changes sign; a critical ratio beyond 2 (few degrees of freedom,
// high confidence) is then found instead of failing the search.
double FCriticalRatio(double P, double nu1, double nu2) {
    const double targetTail = 1.0 - P;
    const auto residual = [nu1, nu2, targetTail](double F) {
        return FProbabilityTail(F, nu1, nu2) - targetTail;
    };
    double lo = 1.0, hi = 2.0;
    while (residual(hi) > 0.0 && hi < 1e12) {
        lo = hi;
        hi *= 2.0;
    }
    while (residual(lo) < 0.0 && lo > 1e-12) {
        hi = lo;
        lo *= 0.5;
    }
    return ReportedRoot(BrentRoot(residual, lo, hi, 1e-7, 100));
}

double statzbrent(double (*f)(double), double x1, double x2, double tol) {
    return ReportedRoot(BrentRoot(f, x1, x2, tol, 100));
}
