// Resampling between abscissa grids and Neville's polynomial interpolation.
#include "foundations/resampling.h"

#include "foundations/nr_arrays.h"

#include <cmath>
#include <type_traits>
#include <vector>

namespace {

// One pass over both grids with two advancing indices, O(n + m), no allocation. Inside the source
// the values interpolate linearly; a target reaching at most one source step beyond an end is
// extrapolated through the two end points, one reaching further gets the mean of the last ten
// source values (or the end value for short sources), so noisy ends do not fan out. The edge
// tables of the resampling tests check each branch.
// Whether the target grid is the source grid, value by value, strictly ascending, with at least
// nine points (fewer do not overlap enough, as the walk below says); tested without branches.
template <typename T> bool SameAscendingGrid(int n, const T* x, int m, const T* xs) {
    if (n != m || m < 9)
        return false;
    int differs = !(x[m] == xs[m]);
    for (int i = 1; i < m; ++i)
        differs |= !(x[i] == xs[i]) | !(xs[i] < xs[i + 1]);
    return differs == 0;
}

template <typename TX, typename TY, typename SX, typename SY, bool Add>
void Resample(int n, const TX* x, TY* y, int m, const SX* xs, const SY* ys) {
    if (n < 5 || m < 5)
        return;
    if (x[n] < xs[1] || xs[m] < x[1] || xs[m - 4] < x[5])
        return;
    using V = decltype(TY() + SY());
    auto put = [&](int i, V value) {
        if constexpr (Add)
            y[i] += static_cast<TY>(value);
        else
            y[i] = static_cast<TY>(value);
    };
    auto segment = [&](int i, int j) -> V {
        return static_cast<V>(ys[j - 1] +
                              (x[i] - xs[j - 1]) * (ys[j] - ys[j - 1]) / (xs[j] - xs[j - 1]));
    };
    auto firstAbove = [&](TX value) {
        int j = 1;
        while (j < m && !(xs[j] > value))
            ++j;
        return j;
    };

    // On the source's own grid the walk takes the first point as it is, each other through the
    // segment to the next point and the last through the segment before it: the same values in
    // one pass without a walk.
    if constexpr (std::is_same_v<TX, SX>) {
        if (SameAscendingGrid(n, x, m, xs)) {
            put(1, static_cast<V>(ys[1]));
            for (int i = 2; i < m; ++i)
                put(i, segment(i, i + 1));
            put(m, segment(m, m));
            return;
        }
    }

    int i = 1;
    int j = 1;
    if (x[1] == xs[1]) {
        put(1, static_cast<V>(ys[1]));
        i = 2;
        j = firstAbove(x[2]);
    } else if (x[1] > xs[1]) {
        while (j < m && xs[j] < x[1])
            ++j;
    } else {
        if (x[1] >= 2 * xs[1] - xs[2]) {
            for (; i <= n && x[i] < xs[1]; ++i)
                put(i, segment(i, 2));
        } else {
            V level = static_cast<V>(ys[1]);
            if (m >= 11) {
                V sum = 0;
                for (int k = 1; k <= 10; ++k)
                    sum += static_cast<V>(ys[k]);
                level = sum * static_cast<V>(0.1);
            }
            for (; i <= n && x[i] < xs[1]; ++i)
                put(i, level);
        }
        if (i > n)
            return;
        j = firstAbove(x[i]);
    }
    if (j < 2)
        j = 2;

    while (i <= n && j < m) {
        for (; i <= n && x[i] < xs[j]; ++i)
            put(i, segment(i, j));
        if (i > n)
            break;
        const int before = j;
        while (xs[j] <= x[i] && j < m)
            ++j;
        // a target or source abscissa that is not a number orders against nothing: its point
        // takes the segment's value, not a number, and the walk goes on
        if (j == before && j < m) {
            put(i, segment(i, j));
            ++i;
        }
    }
    for (; i <= n && x[i] <= xs[m]; ++i)
        put(i, segment(i, m));
    if (i > n)
        return;
    const SX reach = 2 * xs[m] - xs[m - 1];
    if (x[n] <= reach) {
        for (; i <= n && x[i] < reach; ++i)
            put(i, segment(i, m));
    } else {
        V level = static_cast<V>(ys[m]);
        if (m > 10) {
            V sum = 0;
            for (int k = m - 9; k <= m; ++k)
                sum += static_cast<V>(ys[k]);
            level = sum * static_cast<V>(0.1);
        }
        for (; i <= n; ++i)
            put(i, level);
    }
}

} // namespace

void ResampleCurve(int n, const float* x, float* y, int m, const float* xs, const float* ys) {
    Resample<float, float, float, float, false>(n, x, y, m, xs, ys);
}

void ResampleCurveFromDouble(int n, const float* x, float* y, int m, const double* xs,
                             const double* ys) {
    Resample<float, float, double, double, false>(n, x, y, m, xs, ys);
}

void AddResampledCurveFromDouble(int n, const float* x, float* y, int m, const double* xs,
                                 const double* ys) {
    Resample<float, float, double, double, true>(n, x, y, m, xs, ys);
}

void ResampleCurveToDouble(int n, const double* x, double* y, int m, const float* xs,
                           const float* ys) {
    Resample<double, double, float, float, false>(n, x, y, m, xs, ys);
}

void ResampleCurveDouble(int n, const double* x, double* y, int m, const double* xs,
                         const double* ys) {
    Resample<double, double, double, double, false>(n, x, y, m, xs, ys);
}

// Plain linear interpolation without end treatment or minimum size; the interval walk is the one
// of the resampling family.
void ResampleLinear(int n, const double* x, double* y, int m, const double* xs, const double* ys) {
    if (n < 1 || m < 2 || x[n] < xs[1] || xs[m] < x[1])
        return;
    int j = 2;
    while (j < m && !(xs[j] > x[1]))
        ++j;
    int i = 1;
    while (i <= n && x[i] < xs[j - 1])
        ++i;
    auto segment = [&](int k, int s) {
        return ys[s - 1] + (x[k] - xs[s - 1]) * (ys[s] - ys[s - 1]) / (xs[s] - xs[s - 1]);
    };
    while (i <= n && j < m) {
        for (; i <= n && x[i] < xs[j]; ++i)
            y[i] = segment(i, j);
        if (i > n)
            break;
        const int before = j;
        while (xs[j] <= x[i] && j < m)
            ++j;
        // as in the walk above: an abscissa that is not a number gives its point not a number
        if (j == before && j < m) {
            y[i] = segment(i, j);
            ++i;
        }
    }
    for (; i <= n && x[i] <= xs[m]; ++i)
        y[i] = segment(i, m);
}

namespace {

// Neville's tableau from the nearest tabulated point, taking at each column the correction that
// keeps the path near the centre; the last correction is the error estimate. Two equal abscissae
// are a library error: *y holds the estimate reached so far. Checked on polynomials, which it
// reproduces exactly.
template <typename T> void Neville(const T* xa, const T* ya, int n, T x, T* y, T* dy) {
    int ns = 1;
    T dif = std::fabs(x - xa[1]);
    std::vector<T> c(std::size_t(n) + 1), d(std::size_t(n) + 1);
    for (int i = 1; i <= n; ++i) {
        const T dift = std::fabs(x - xa[i]);
        if (dift < dif) {
            ns = i;
            dif = dift;
        }
        c[std::size_t(i)] = ya[i];
        d[std::size_t(i)] = ya[i];
    }
    *y = ya[ns--];
    *dy = T(0);
    for (int m = 1; m < n; ++m) {
        for (int i = 1; i <= n - m; ++i) {
            const T ho = xa[i] - x;
            const T hp = xa[i + m] - x;
            const T w = c[std::size_t(i) + 1] - d[std::size_t(i)];
            const T den = ho - hp;
            if (den == T(0)) {
                nrerror("Error in routine polint");
                return;
            }
            const T factor = w / den;
            d[std::size_t(i)] = hp * factor;
            c[std::size_t(i)] = ho * factor;
        }
        *dy = 2 * ns < n - m ? c[std::size_t(ns) + 1] : d[std::size_t(ns--)];
        *y += *dy;
    }
}

} // namespace

void polint(const float* xa, const float* ya, int n, float x, float* y, float* dy) {
    Neville(xa, ya, n, x, y, dy);
}

void dpolint(const double* xa, const double* ya, int n, double x, double* y, double* dy) {
    Neville(xa, ya, n, x, y, dy);
}
