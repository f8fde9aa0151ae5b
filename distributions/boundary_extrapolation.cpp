// The boundary analyses reduce each scan (or each scan's ls-g*(s)) to apparent sedimentation
// coefficients at fixed boundary fractions; diffusion spreads them as sqrt(t) while
// sedimentation moves them as t, so the apparent s of a fraction is linear in 1/sqrt(t) and its
// intercept is free of diffusion. Checked on generated boundaries of known s in the tests.
#include "distributions/boundary_extrapolation.h"

#include "foundations/savgol.h"
#include "foundations/straight_line_fit.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

double Median(std::vector<double> v) {
    if (v.empty())
        return 0.0;
    const std::size_t mid = v.size() / 2;
    std::nth_element(v.begin(), v.begin() + std::ptrdiff_t(mid), v.end());
    double m = v[mid];
    if (v.size() % 2 == 0)
        m = 0.5 * (m + *std::max_element(v.begin(), v.begin() + std::ptrdiff_t(mid)));
    return m;
}

} // namespace

std::vector<double> BoundaryFractions(int n) {
    std::vector<double> f;
    for (int k = 1; k <= n; ++k)
        f.push_back((k - 0.5) / n);
    return f;
}

BoundaryLevels ScanBoundaryLevels(const BoundaryScan& scan, double baseline, bool floating) {
    BoundaryLevels levels;
    levels.baseline = baseline;
    const std::size_t n = scan.y.size();
    if (n < 5)
        return levels;
    const std::size_t count = std::max<std::size_t>(1, n / 20);
    std::vector<double> end;
    if (floating)
        end.assign(scan.y.begin(), scan.y.begin() + std::ptrdiff_t(count));
    else
        end.assign(scan.y.end() - std::ptrdiff_t(count), scan.y.end());
    levels.plateau = Median(end);
    // Second differences: a boundary's slope, which covers much of a scan of several species,
    // cancels in them (in first differences it made the noise of 0.003 read as 0.004). For
    // normal noise the median |y[i+1] - 2 y[i] + y[i-1]| is 0.6745 sqrt(6) sigma.
    std::vector<double> steps;
    for (std::size_t i = 1; i + 1 < n; ++i)
        steps.push_back(std::fabs(scan.y[i + 1] - 2.0 * scan.y[i] + scan.y[i - 1]));
    levels.noise = Median(steps) / (0.6745 * std::sqrt(6.0));
    const double height = levels.plateau - levels.baseline;
    levels.usable = std::isfinite(height) && height > 0.0 && height >= 3.0 * levels.noise;
    // A plateau that still rises (or falls) across its region holds part of the boundary: the
    // boundary has reached the end of the fitting range, and every level would come out low.
    if (levels.usable && count >= 4) {
        const std::size_t half = count / 2;
        const double inner = Median({end.begin(), end.begin() + std::ptrdiff_t(half)});
        const double outer = Median({end.end() - std::ptrdiff_t(half), end.end()});
        const double drift = floating ? inner - outer : outer - inner;
        const double allowed = 0.005 * height + 3.0 * levels.noise / std::sqrt(double(half));
        if (std::fabs(drift) > allowed)
            levels.usable = false;
    }
    // The boundary must have left the meniscus (the bottom): the signal where the range starts is
    // back at the baseline. Before that the reflecting edge squeezes the boundary's tail. Both
    // sides are medians of many points, so the noise allowance is that of a median: the
    // allowance of a single point let noisy early scans in whose baseline region still held the
    // tail.
    if (levels.usable) {
        const std::vector<double> start =
            floating ? std::vector<double>(scan.y.end() - std::ptrdiff_t(count), scan.y.end())
                     : std::vector<double>(scan.y.begin(), scan.y.begin() + std::ptrdiff_t(count));
        if (Median(start) - levels.baseline >
            0.01 * height + 3.0 * levels.noise / std::sqrt(double(count)))
            levels.usable = false;
    }
    return levels;
}

std::vector<double> SmoothedSignal(const std::vector<double>& y) {
    const int n = static_cast<int>(y.size());
    if (n < 5)
        return y;
    float c[6];
    savgol(c, 5, 2, 2, 0, 2);
    // Wrap-around order: c[1] centre, c[2], c[3] one and two left, c[5], c[4] one and two right.
    const double w[5] = {c[3], c[2], c[1], c[5], c[4]};
    std::vector<double> out = y;
    for (int i = 2; i + 2 < n; ++i) {
        double v = 0.0;
        for (int j = -2; j <= 2; ++j)
            v += w[j + 2] * y[std::size_t(i + j)];
        out[std::size_t(i)] = v;
    }
    return out;
}

std::vector<double> PlateauFractionsOfLoading(const std::vector<double>& s, double w2t) {
    const int n = static_cast<int>(s.size());
    auto nearestS = [&](int k) {
        for (int d = 0; d < n; ++d) {
            if (k - d >= 0 && std::isfinite(s[std::size_t(k - d)]))
                return s[std::size_t(k - d)];
            if (k + d < n && std::isfinite(s[std::size_t(k + d)]))
                return s[std::size_t(k + d)];
        }
        return kNaN;
    };
    std::vector<double> share(std::size_t(n), 0.0);
    double total = 0.0;
    for (int k = 0; k < n; ++k) {
        share[std::size_t(k)] = std::exp(-2.0 * nearestS(k) * 1e-13 * w2t);
        total += share[std::size_t(k)];
    }
    if (!(total > 0.0) || !std::isfinite(total))
        return BoundaryFractions(n);
    // Fraction k stands at the middle of its own share of the plateau.
    std::vector<double> f(std::size_t(n), 0.0);
    double below = 0.0;
    for (int k = 0; k < n; ++k) {
        f[std::size_t(k)] = (below + 0.5 * share[std::size_t(k)]) / total;
        below += share[std::size_t(k)];
    }
    return f;
}

std::vector<double> ApparentSAtFractions(const std::vector<double>& r, const std::vector<double>& y,
                                         const BoundaryLevels& levels,
                                         const std::vector<double>& fractions, double edgeCm,
                                         double w2t, bool floating) {
    std::vector<double> s(fractions.size(), kNaN);
    const int n = static_cast<int>(std::min(r.size(), y.size()));
    if (n < 2 || !(w2t > 0.0) || !(edgeCm > 0.0))
        return s;
    // Walk from the cleared side: from the first point outward, or from the last one inward.
    auto at = [&](int i) { return floating ? n - 1 - i : i; };
    for (std::size_t k = 0; k < fractions.size(); ++k) {
        const double level = levels.baseline + fractions[k] * (levels.plateau - levels.baseline);
        if (y[std::size_t(at(0))] >= level)
            continue;
        for (int i = 1; i < n; ++i) {
            const double y1 = y[std::size_t(at(i))];
            if (y1 < level)
                continue;
            const double y0 = y[std::size_t(at(i - 1))];
            const double r0 = r[std::size_t(at(i - 1))], r1 = r[std::size_t(at(i))];
            const double radius = r0 + (level - y0) / (y1 - y0) * (r1 - r0);
            if (radius > 0.0)
                s[k] = std::log(radius / edgeCm) / w2t * 1e13;
            break;
        }
    }
    return s;
}

std::vector<double> SAtAreaFractions(const std::vector<double>& s, const std::vector<double>& a,
                                     const std::vector<double>& fractions) {
    const std::size_t n = std::min(s.size(), a.size());
    std::vector<double> out(fractions.size(), kNaN);
    double total = 0.0;
    for (std::size_t p = 0; p < n; ++p)
        total += std::max(0.0, a[p]);
    if (!(total > 0.0) || !std::isfinite(total))
        return out;
    auto edge = [&](std::size_t p) { // lower edge of cell p; p = n gives the upper end
        if (n == 1)
            return p == 0 ? s[0] - 0.5 : s[0] + 0.5;
        if (p == 0)
            return s[0] - 0.5 * (s[1] - s[0]);
        if (p == n)
            return s[n - 1] + 0.5 * (s[n - 1] - s[n - 2]);
        return 0.5 * (s[p - 1] + s[p]);
    };
    for (std::size_t k = 0; k < fractions.size(); ++k) {
        const double target = fractions[k] * total;
        double below = 0.0;
        for (std::size_t p = 0; p < n; ++p) {
            const double share = std::max(0.0, a[p]);
            if (share > 0.0 && below + share >= target) {
                out[k] = edge(p) + (target - below) / share * (edge(p + 1) - edge(p));
                break;
            }
            below += share;
        }
    }
    return out;
}

BoundaryExtrapolation ExtrapolateToInfiniteTime(const std::vector<double>& fractions,
                                                const std::vector<std::vector<double>>& apparentS,
                                                const std::vector<double>& timesS) {
    BoundaryExtrapolation e;
    e.fractions = fractions;
    e.apparentS = apparentS;
    for (double t : timesS)
        e.abscissa.push_back(1.0 / std::sqrt(t));
    e.abscissa.push_back(0.0);
    const std::size_t m = timesS.size();
    for (std::size_t k = 0; k < fractions.size(); ++k) {
        const std::vector<double>& row = apparentS[k];
        std::vector<double> xs, ys;
        for (std::size_t i = 0; i < m && i < row.size(); ++i)
            if (std::isfinite(row[i])) {
                xs.push_back(e.abscissa[i]);
                ys.push_back(row[i]);
            }
        // The fit sums about the means: the abscissae of a run differ little, so raw sums cancel.
        double intercept = kNaN, slope = kNaN;
        if (xs.size() >= 2) {
            const StraightLineFit line = FitStraightLine(xs, ys);
            if (line.ok) {
                slope = line.slope;
                intercept = line.intercept;
            }
        }
        e.s.push_back(intercept);
        e.slope.push_back(slope);
        std::vector<double> line;
        for (double x : e.abscissa)
            line.push_back(intercept + slope * x);
        e.fittedLines.push_back(line);
    }
    return e;
}
