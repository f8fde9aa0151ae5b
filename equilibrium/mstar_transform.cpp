// The M* transformation of one equilibrium data set.
#include "equilibrium/mstar_transform.h"

#include "equilibrium/polyfit.h"
#include "foundations/cvector.h"
#include "foundations/physical_constants.h"
#include "foundations/resampling.h"
#include "foundations/show_error.h"
#include "foundations/straight_line_fit.h"
#include "scandata/scan_store_alloc.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

namespace {

using MS = MStarState;
constexpr int kGrid = 100;
constexpr float kPadStep = 0.001f; // cm between added points

void OrderError() {
    ShowError("Error: extrapolation order higher than number of data points", 0);
}

std::vector<float> Zeros(int n) {
    return std::vector<float>(static_cast<std::size_t>(n) + 1, 0.0f);
}

// The points of (x, y) whose x lies in [lo, hi], as doubles for the fit.
void PointsIn(const std::vector<float>& x, const std::vector<float>& y, int n, float lo, float hi,
              std::vector<double>& px, std::vector<double>& py) {
    px.assign(1, 0.0);
    py.assign(1, 0.0);
    for (int i = 1; i <= n; ++i)
        if (x[static_cast<std::size_t>(i)] >= lo && x[static_cast<std::size_t>(i)] <= hi) {
            px.push_back(x[static_cast<std::size_t>(i)]);
            py.push_back(y[static_cast<std::size_t>(i)]);
        }
}

void Grid(std::vector<float>& grid, float from, float to) {
    grid.assign(kGrid + 1, 0.0f);
    for (int i = 1; i <= kGrid; ++i)
        grid[static_cast<std::size_t>(i)] = from + static_cast<float>(i - 1) * (to - from) / 99.0f;
}

// The first index whose successor lies beyond the meniscus.
int FirstBeyondMeniscus(const std::vector<float>& r, int n, float m) {
    for (int i = 1; i < n; ++i)
        if (r[static_cast<std::size_t>(i + 1)] > m)
            return i;
    return n;
}

// The index of the radius nearest x (the first of equals).
int NearestIndex(const std::vector<float>& r, int n, float x) {
    int best = 1;
    for (int i = 2; i <= n; ++i)
        if (std::fabs(r[static_cast<std::size_t>(i)] - x) <
            std::fabs(r[static_cast<std::size_t>(best)] - x))
            best = i;
    return best;
}

// The first index with a positive c(M) fit value, 0 when there is none.
int FirstPositiveFit(const MStarSet& set) {
    for (int i = 1; i <= set.pointCount && i < static_cast<int>(set.cmFit.size()); ++i)
        if (set.cmFit[static_cast<std::size_t>(i)] > 0.0f)
            return i;
    return 0;
}

// A 1-based float vector smoothed in place through a view.
void SavGol(std::vector<float>& v, int n, int halfWidth) {
    if (halfWidth < 1 || n < 2 * halfWidth + 1)
        return;
    CVector view;
    view.Attach(v.data(), static_cast<std::uint32_t>(n), 1);
    view.SavGolSmooth(halfWidth, halfWidth, 1);
}

} // namespace

double MStarKFactor(float rpm) {
    double rt = ScanStore::gasConstantTemperature;
    if (!(rt > 0.0))
        rt = PhysicalConstants::gasConstant * 293.15;
    const double omega = rpm * 2.0 * PhysicalConstants::pi / 60.0;
    return (1.0 - ScanStore::vbarRho) * omega * omega / (2.0 * rt);
}

void PrepareMStarSet(MStarSet& set, const float* radius, const float* signal, int n, int firstFit,
                     int lastFit, float meniscus, float bottom, const float* fit) {
    set.previousPointCount = set.pointCount;
    int p = 0, q = 0;
    if (n >= 1 && radius[1] > meniscus)
        while (radius[1] - static_cast<float>(++p) * kPadStep > meniscus) {
        }
    if (n >= 1 && radius[n] < bottom)
        while (radius[n] + static_cast<float>(++q) * kPadStep < bottom) {
        }
    const int total = n + p + q;
    set.pointCount = total;
    set.meniscusPad = p;
    set.bottomPad = q;
    set.radius = Zeros(total);
    set.signal = Zeros(total);
    for (int i = 1; i <= p; ++i)
        set.radius[static_cast<std::size_t>(i)] =
            radius[1] - static_cast<float>(p - i + 1) * kPadStep;
    for (int i = 1; i <= n; ++i) {
        set.radius[static_cast<std::size_t>(p + i)] = radius[i];
        set.signal[static_cast<std::size_t>(p + i)] = signal[i];
    }
    for (int i = 1; i <= q; ++i)
        set.radius[static_cast<std::size_t>(p + n + i)] =
            radius[n] + static_cast<float>(i) * kPadStep;
    set.workRadius = set.radius;
    set.cmFit = Zeros(fit ? total : 0);
    if (fit)
        for (int i = 1; i <= n; ++i)
            if (radius[i] >= meniscus && radius[i] <= bottom)
                set.cmFit[static_cast<std::size_t>(p + i)] = fit[i];
    set.workSignal = Zeros(total);
    for (int i = 1; i <= total; ++i) {
        const float r = set.radius[static_cast<std::size_t>(i)];
        if (r > meniscus && r < bottom)
            set.workSignal[static_cast<std::size_t>(i)] = set.signal[static_cast<std::size_t>(i)];
    }
    // Unset fit indices mean the first and the last point; both are shifted by the points put in
    // front, so the range covers the same data whatever was added behind.
    set.firstIndex = p + (firstFit > 0 ? firstFit : 1);
    set.lastIndex = p + (lastFit > 0 && lastFit <= n ? lastFit : n);
    for (auto* v : {&set.rSquared, &set.r, &set.lnC, &set.lnCSmoothed, &set.lnCLinearFit,
                    &set.cMinusBaseline, &set.cMinusBaselineSmoothed, &set.mstar, &set.mappDlnc,
                    &set.mappDcdr, &set.lnCFromCM, &set.mstarFromCM, &set.mappFromCM})
        v->assign(static_cast<std::size_t>(total) + 1, 0.0f);
}

bool ExtrapolateSignalToMeniscus(MStarSet& set, const MStarFrame& f) {
    const int n = set.pointCount;
    const float m = f.meniscus, b = f.baseline;
    Grid(set.meniscusGrid, m, MS::meniscusFitRange[2]);
    if (set.meniscusExtrapolation.size() != kGrid + 1)
        set.meniscusExtrapolation.assign(kGrid + 1, 0.0f);
    const int fi = std::clamp(set.firstIndex, 1, std::max(n, 1));
    const float rf = set.workRadius[static_cast<std::size_t>(fi)];
    const float cf = set.signal[static_cast<std::size_t>(fi)];
    float a0 = set.meniscusSignal;
    if (MS::useCMSmoothing) {
        // The fit's first two positive points give the line to the meniscus; inside the fitting
        // limits the data take over again.
        const int j = FirstPositiveFit(set);
        if (j < 1 || j >= n)
            return false;
        const auto jj = static_cast<std::size_t>(j);
        const double r0 = set.workRadius[jj], r1 = set.workRadius[jj + 1];
        const double c0 = set.cmFit[jj], c1 = set.cmFit[jj + 1];
        const double atM = r1 != r0 ? c0 + (m - r0) * (c1 - c0) / (r1 - r0) : c0;
        a0 = std::max(static_cast<float>(atM) - b, 0.0f);
        for (int i = 1; i <= n; ++i) {
            const auto k = static_cast<std::size_t>(i);
            const float r = set.workRadius[k];
            float c = 0.0f;
            if (r >= m && r <= f.left)
                c = set.cmFit[k];
            else if (r > f.left && r <= f.bottom)
                c = set.signal[k];
            set.workSignal[k] = std::max(c, 0.0f);
        }
        set.meniscusSignal = a0;
        return true;
    }
    if (MS::meniscusSignalFixed) {
        a0 = std::max(a0, 0.0f);
        ResampleCurve(kGrid, set.meniscusGrid.data(), set.meniscusExtrapolation.data(), n,
                      set.radius.data(), set.signal.data());
        for (int i = 1; i <= kGrid; ++i) {
            const float r = set.meniscusGrid[static_cast<std::size_t>(i)];
            if (r >= m && r <= f.left && rf != m)
                set.meniscusExtrapolation[static_cast<std::size_t>(i)] =
                    (a0 + b) + (r - m) * (cf - a0 - b) / (rf - m);
        }
    } else {
        std::vector<double> px, py;
        PointsIn(set.workRadius, set.signal, n, MS::meniscusFitRange[1], MS::meniscusFitRange[2],
                 px, py);
        const int count = static_cast<int>(px.size()) - 1;
        if (count <= MS::meniscusExtrapolationOrder) {
            OrderError();
            return false;
        }
        if (!polyfit(MS::meniscusExtrapolationOrder, px.data(), py.data(), count,
                     set.meniscusGrid.data(), set.meniscusExtrapolation.data(), kGrid))
            return false;
        a0 = std::max(set.meniscusExtrapolation[1] - b, 0.0f);
    }
    for (int i = 1; i <= n; ++i) {
        const float r = set.workRadius[static_cast<std::size_t>(i)];
        float c = 0.0f;
        if (r >= m && r <= f.left)
            c = rf != m ? (a0 + b) + (r - m) * (cf - a0 - b) / (rf - m) : a0 + b;
        else if (r > f.left && r <= f.bottom)
            c = set.signal[static_cast<std::size_t>(i)];
        set.workSignal[static_cast<std::size_t>(i)] = std::max(c, 0.0f);
    }
    set.meniscusSignal = a0;
    return true;
}

namespace {

// The integral of (c - b - A0) r dr runs from the meniscus: a rectangle up to the first point
// beyond it (or its share of the interval, as the frame says), trapezoids after. For a single
// ideal species c - b = A0 exp(KM(r^2 - m^2)) this makes M* equal M at every radius, which the
// tests check. M* is kept where inside(r) holds, else 0.
template <class Inside>
void MStarOf(const MStarSet& set, const MStarFrame& f, const std::vector<float>& c,
             std::vector<float>& out, Inside inside) {
    const int n = set.pointCount;
    const float m = f.meniscus, b = f.baseline, a0 = set.meniscusSignal;
    const double k = set.kFactor;
    const auto& r = set.workRadius;
    std::vector<double> e(static_cast<std::size_t>(n) + 1, 0.0);
    const int j0 = FirstBeyondMeniscus(r, n, m);
    auto above = [&](int i) { return double(c[static_cast<std::size_t>(i)]) - b - a0; };
    auto rad = [&](int i) { return double(r[static_cast<std::size_t>(i)]); };
    if (j0 < n) {
        double piece = above(j0 + 1) * rad(j0 + 1) * (rad(j0 + 1) - m);
        if (f.shareOfFirstInterval && rad(j0 + 1) > rad(j0))
            piece *= (rad(j0 + 1) - m) / (rad(j0 + 1) - rad(j0));
        e[static_cast<std::size_t>(j0 + 1)] = piece;
    }
    for (int j = j0 + 1; j <= n - 1; ++j)
        e[static_cast<std::size_t>(j + 1)] =
            0.5 * (above(j) * rad(j) + above(j + 1) * rad(j + 1)) * (rad(j + 1) - rad(j));
    double integral = 0.0;
    out = Zeros(n);
    for (int i = 1; i <= n; ++i) {
        integral += e[static_cast<std::size_t>(i)];
        const double ri = rad(i);
        double value = 0.0;
        if (!inside(ri) || (integral == 0.0 && a0 == 0.0))
            value = 0.0;
        else
            value = above(i) / (k * a0 * (ri * ri - double(m) * m) + 2.0 * k * integral);
        if (value < 0.0)
            MS::negativeMStarSeen = true;
        out[static_cast<std::size_t>(i)] = static_cast<float>(value * 0.001);
    }
}

} // namespace

void ComputeMStarValues(MStarSet& set, const MStarFrame& f) {
    MStarOf(set, f, set.workSignal, set.mstar,
            [&](double r) { return r >= f.left && r <= f.right; });
    if (MS::useCMSmoothing && static_cast<int>(set.cmFit.size()) > set.pointCount)
        MStarOf(set, f, set.cmFit, set.mstarFromCM,
                [&](double r) { return r > f.meniscus && r < f.bottom; });
}

void ComputeLnC(MStarSet& set, const MStarFrame& f) {
    const int n = set.pointCount;
    for (int i = 1; i <= n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const float r = set.workRadius[k], c = set.workSignal[k];
        set.rSquared[k] = r * r;
        set.r[k] = r;
        const bool inside = r >= f.left && r <= f.right && c > f.baseline;
        set.lnC[k] = inside ? std::log(c - f.baseline) : 0.0f;
        set.cMinusBaseline[k] = inside ? c - f.baseline : 0.0f;
    }
    if (MS::useCMSmoothing && static_cast<int>(set.cmFit.size()) > n) {
        set.lnCFromCM = Zeros(n);
        for (int i = 1; i <= n; ++i) {
            const auto k = static_cast<std::size_t>(i);
            if (set.cmFit[k] > f.baseline)
                set.lnCFromCM[k] = std::log(set.cmFit[k] - f.baseline);
        }
    }
    set.lnCSmoothed = set.lnC;
    set.cMinusBaselineSmoothed = set.cMinusBaseline;
    const int w = MS::lnCSmoothHalfWidth;
    if (w < 1 || n < 2)
        return;
    CVector rSquared, radius, lnC, c;
    rSquared.Attach(set.rSquared.data(), static_cast<std::uint32_t>(n), 1);
    radius.Attach(set.r.data(), static_cast<std::uint32_t>(n), 1);
    lnC.Attach(set.lnCSmoothed.data(), static_cast<std::uint32_t>(n), 1);
    c.Attach(set.cMinusBaselineSmoothed.data(), static_cast<std::uint32_t>(n), 1);
    lnC.SmoothOnRegularGrid(1000, rSquared, w, w, MS::lnCSmoothOrder);
    c.SmoothOnRegularGrid(1000, radius, w, w, MS::lnCSmoothOrder);
}

void FitLnCLine(MStarSet& set) {
    const int first = std::max(set.firstIndex, 1);
    const int last = std::min(set.lastIndex - 1, set.pointCount);
    std::vector<double> x, y;
    for (int i = first; i <= last; ++i) {
        x.push_back(set.rSquared[static_cast<std::size_t>(i)]);
        y.push_back(set.lnC[static_cast<std::size_t>(i)]);
    }
    if (x.size() < 2)
        return;
    // Radii that do not spread fix no slope: the line is then the level of their mean.
    const StraightLineFit line = FitStraightLine(x, y);
    const double slope = line.ok ? line.slope : 0.0;
    const double intercept =
        line.ok ? line.intercept
                : std::accumulate(y.begin(), y.end(), 0.0) / static_cast<double>(y.size());
    for (int i = 1; i <= set.pointCount; ++i)
        set.lnCLinearFit[static_cast<std::size_t>(i)] =
            static_cast<float>(slope * set.rSquared[static_cast<std::size_t>(i)] + intercept);
    set.mwLinearFit = static_cast<float>(slope * 0.001 / set.kFactor);
}

// Forward differences: d ln c / d r^2 / K, or (1/2)(1/(c r)) dc/dr / K on the smoothed c; the
// chosen one is then box-averaged.
void ComputeApparentMw(MStarSet& set) {
    const int n = set.pointCount;
    const double scale = 0.001 / set.kFactor;
    for (int i = 1; i < n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const double dr2 = double(set.rSquared[k + 1]) - set.rSquared[k];
        set.mappDlnc[k] =
            dr2 != 0.0
                ? static_cast<float>(scale * (set.lnCSmoothed[k + 1] - set.lnCSmoothed[k]) / dr2)
                : 0.0f;
        const double s0 = set.cMinusBaselineSmoothed[k], s1 = set.cMinusBaselineSmoothed[k + 1];
        const double r0 = set.workRadius[k], r1 = set.workRadius[k + 1];
        set.mappDcdr[k] = (s1 + s0 != 0.0 && r1 != r0)
                              ? static_cast<float>(scale * 0.5 * ((s1 - s0) / (r1 - r0)) /
                                                   (0.5 * (s1 + s0) * 0.5 * (r1 + r0)))
                              : 0.0f;
    }
    if (MS::useCMSmoothing && static_cast<int>(set.lnCFromCM.size()) > n) {
        set.mappFromCM = Zeros(n);
        for (int i = 1; i < n; ++i) {
            const auto k = static_cast<std::size_t>(i);
            const double dr2 = double(set.rSquared[k + 1]) - set.rSquared[k];
            if (dr2 != 0.0)
                set.mappFromCM[k] =
                    static_cast<float>(scale * (set.lnCFromCM[k + 1] - set.lnCFromCM[k]) / dr2);
        }
        if (n >= 2)
            set.mappFromCM[static_cast<std::size_t>(n)] =
                set.mappFromCM[static_cast<std::size_t>(n - 1)];
    }
    if (n >= 2) {
        set.mappDlnc[static_cast<std::size_t>(n)] = set.mappDlnc[static_cast<std::size_t>(n - 1)];
        set.mappDcdr[static_cast<std::size_t>(n)] = set.mappDcdr[static_cast<std::size_t>(n - 1)];
    }
    SavGol(MS::useDerivativeFormula ? set.mappDcdr : set.mappDlnc, n, MS::mappSmoothHalfWidth);
}

bool ExtrapolateMStarToBottom(MStarSet& set, const MStarFrame& f) {
    Grid(set.bottomGrid, MS::bottomFitRange[1], f.bottom);
    if (set.bottomExtrapolation.size() != kGrid + 1)
        set.bottomExtrapolation.assign(kGrid + 1, 0.0f);
    if (MS::useCMSmoothing) {
        // The c(M)-based M* is 0 at the bottom itself: the line through the two points before
        // the nearest one carries it there.
        const int j = NearestIndex(set.workRadius, set.pointCount, f.bottom);
        if (j < 3 || static_cast<int>(set.mstarFromCM.size()) <= j)
            return false;
        const auto a = static_cast<std::size_t>(j - 2), c = static_cast<std::size_t>(j - 1);
        const double r0 = set.workRadius[a], r1 = set.workRadius[c];
        const double y0 = set.mstarFromCM[a], y1 = set.mstarFromCM[c];
        set.mwAverage =
            static_cast<float>(r1 != r0 ? y0 + (f.bottom - r0) * (y1 - y0) / (r1 - r0) : y1);
        return true;
    }
    std::vector<double> px, py;
    PointsIn(set.workRadius, set.mstar, set.pointCount, MS::bottomFitRange[1],
             MS::bottomFitRange[2], px, py);
    const int count = static_cast<int>(px.size()) - 1;
    if (count <= MS::bottomExtrapolationOrder) {
        OrderError();
        return false;
    }
    if (!polyfit(MS::bottomExtrapolationOrder, px.data(), py.data(), count, set.bottomGrid.data(),
                 set.bottomExtrapolation.data(), kGrid))
        return false;
    set.mwAverage = set.bottomExtrapolation[kGrid];
    return true;
}

bool CMFitUsable(const MStarSet& set) {
    const int j = FirstPositiveFit(set);
    return j >= 1 && j < set.pointCount && set.bottomIndex >= 3;
}

bool ComputeMStarSet(MStarSet& set, const MStarFrame& f, double kFactor) {
    set.kFactor = kFactor;
    Grid(set.baselineGrid, f.meniscus, f.bottom);
    set.baselineLine.assign(kGrid + 1, f.baseline);
    set.meniscusIndex = NearestIndex(set.workRadius, set.pointCount, f.meniscus);
    set.bottomIndex = NearestIndex(set.workRadius, set.pointCount, f.bottom);
    if (MS::useCMSmoothing && !CMFitUsable(set))
        return false;
    ExtrapolateSignalToMeniscus(set, f);
    set.meniscusPointX[1] = f.meniscus;
    set.meniscusPointX[2] = 2.0f * f.bottom;
    set.meniscusPointY[1] = set.meniscusSignal + f.baseline;
    set.meniscusPointY[2] = 0.0f;
    ComputeMStarValues(set, f);
    ComputeLnC(set, f);
    FitLnCLine(set);
    ComputeApparentMw(set);
    ExtrapolateMStarToBottom(set, f);
    set.mwPointX[1] = f.bottom;
    set.mwPointY[1] = set.mwAverage;
    return true;
}

// Mass conservation in the sector cell. The data part ends at R, the last interval cut there,
// so the extrapolated part that starts at R does not count [R, r_j+1] a second time.
float EstimateLoadingSignal(const MStarSet& set, const MStarFrame& f) {
    const int n = set.pointCount;
    const float m = f.meniscus, B = f.bottom, R = f.right, b = f.baseline;
    const auto& r = set.workRadius;
    const auto& c = set.workSignal;
    auto piece = [&](double r0, double c0, double r1, double c1) {
        return (0.5 * (c0 + c1) - b) * 0.5 * (r0 + r1) * (r1 - r0);
    };
    double total = 0.0;
    for (int j = FirstBeyondMeniscus(r, n, m); j < n; ++j) {
        const auto k = static_cast<std::size_t>(j);
        if (r[k] >= R)
            break;
        if (r[k + 1] <= R) {
            total += piece(r[k], c[k], r[k + 1], c[k + 1]);
        } else {
            const double cr = c[k] + (c[k + 1] - c[k]) * (R - r[k]) / (r[k + 1] - r[k]);
            total += piece(r[k], c[k], R, cr);
            break;
        }
    }
    std::vector<double> px, py;
    PointsIn(set.workRadius, set.workSignal, n, MS::bottomFitRange[1], MS::bottomFitRange[2], px,
             py);
    const int count = static_cast<int>(px.size()) - 1;
    if (count <= MS::meniscusExtrapolationOrder) {
        OrderError();
        return 0.0f;
    }
    std::vector<float> gr, gc(kGrid + 1, 0.0f);
    Grid(gr, R, B);
    if (!polyfit(MS::meniscusExtrapolationOrder, px.data(), py.data(), count, gr.data(), gc.data(),
                 kGrid))
        return 0.0f;
    for (int i = 1; i < kGrid; ++i)
        total += piece(gr[static_cast<std::size_t>(i)], gc[static_cast<std::size_t>(i)],
                       gr[static_cast<std::size_t>(i + 1)], gc[static_cast<std::size_t>(i + 1)]);
    return static_cast<float>(total / ((double(B) * B - double(m) * m) * 0.5));
}

float HingePointMapp(const MStarSet& set, float s, float w, float baseline, float* hingeRadius,
                     float* firstRadius, float* lastRadius) {
    const int n = set.pointCount;
    const auto& r = set.workRadius;
    const auto& mapp = MS::useDerivativeFormula ? set.mappDcdr : set.mappDlnc;
    for (int i = 1; i < n; ++i) {
        int q = 1;
        while (i + q < n && r[static_cast<std::size_t>(i + q)] < r[static_cast<std::size_t>(i)] + w)
            ++q;
        double sum = 0.0, radius = 0.0, molar = 0.0;
        for (int k = i; k <= i + q; ++k) {
            sum += set.workSignal[static_cast<std::size_t>(k)];
            radius += r[static_cast<std::size_t>(k)];
            molar += mapp[static_cast<std::size_t>(k)];
        }
        if (sum / (q + 1) - baseline <= s)
            continue;
        if (hingeRadius)
            *hingeRadius = static_cast<float>(radius / (q + 1));
        if (firstRadius)
            *firstRadius = r[static_cast<std::size_t>(i)];
        if (lastRadius)
            *lastRadius = r[static_cast<std::size_t>(i + q)];
        return static_cast<float>(molar / (q + 1));
    }
    return 0.0f;
}

bool EstimateBaseline(const MStarSet& set, float meniscus, int first, int last,
                      BaselineEstimate& out) {
    const int n = set.pointCount;
    const double m = meniscus;
    const auto& r = set.workRadius;
    const auto& j = set.workSignal;
    std::vector<double> J(static_cast<std::size_t>(n) + 1, 0.0);
    const int j0 = FirstBeyondMeniscus(r, n, meniscus);
    auto at = [](const std::vector<float>& v, int i) {
        return double(v[static_cast<std::size_t>(i)]);
    };
    if (j0 < n && at(r, j0 + 1) != at(r, j0))
        J[static_cast<std::size_t>(j0 + 1)] = ((at(r, j0 + 1) - m) / (at(r, j0 + 1) - at(r, j0))) *
                                              at(j, j0) * at(r, j0) * (at(r, j0 + 1) - m);
    for (int i = j0 + 1; i <= n - 1; ++i)
        J[static_cast<std::size_t>(i + 1)] =
            0.5 * (at(r, i + 1) * at(j, i + 1) + at(r, i) * at(j, i)) * (at(r, i + 1) - at(r, i));
    for (int i = 2; i <= n; ++i)
        J[static_cast<std::size_t>(i)] += J[static_cast<std::size_t>(i - 1)];
    out.p = Zeros(n);
    out.q = Zeros(n);
    for (int i = 1; i <= n; ++i) {
        const double d = at(r, i) * at(r, i) - m * m;
        // A point at the meniscus has no finite ratio: it is left at 0.
        if (d == 0.0)
            continue;
        out.q[static_cast<std::size_t>(i)] = static_cast<float>(at(j, i) / d);
        out.p[static_cast<std::size_t>(i)] = static_cast<float>(J[static_cast<std::size_t>(i)] / d);
    }
    first = std::max(first, 1);
    last = std::min(last, n);
    const float xB = last >= 1 ? out.p[static_cast<std::size_t>(last)] : 0.0f;
    Grid(out.gridX, 0.0f, xB);
    out.gridY.assign(kGrid + 1, 0.0f);
    const int count = last - first + 1;
    if (count <= 1) {
        OrderError();
        return false;
    }
    std::vector<double> px(1, 0.0), py(1, 0.0);
    for (int i = first; i <= last; ++i) {
        px.push_back(out.p[static_cast<std::size_t>(i)]);
        py.push_back(out.q[static_cast<std::size_t>(i)]);
    }
    if (!polyfit(1, px.data(), py.data(), count, out.gridX.data(), out.gridY.data(), kGrid))
        return false;
    const double intercept = out.gridY[1];
    const double dx = double(out.gridX[2]) - out.gridX[1];
    const double slope = dx != 0.0 ? (double(out.gridY[2]) - out.gridY[1]) / dx : 0.0;
    const double baseline = -2.0 * intercept / slope;
    // A flat or degenerate line has no baseline: its quotient is inf, NaN or rounding noise, and
    // written into the model it would spoil every later fit.
    const double rise = std::fabs(double(out.gridY[kGrid]) - intercept);
    const bool flat =
        !(rise > 1e-5 * std::max(std::fabs(intercept), std::fabs(double(out.gridY[kGrid]))));
    if (slope == 0.0 || flat || !std::isfinite(baseline)) {
        ShowError("no baseline estimate: the line through the meniscus range has no slope", 0);
        return false;
    }
    out.baseline = static_cast<float>(baseline);
    return true;
}
