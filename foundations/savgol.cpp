// Savitzky-Golay coefficients and the smoothing members of CVector built on them.
#include "foundations/savgol.h"

#include "foundations/cvector.h"
#include "foundations/linear_solvers.h"
#include "foundations/nr_arrays.h"
#include "foundations/resampling.h"
#include "foundations/show_error.h"

#include <cmath>
#include <cstdio>
#include <vector>

// The window's polynomial fit is linear in the data, so the smoothing weights are row ld+1 of the
// inverse of the normal matrix (sums of powers of the offsets), found by one LU solve with a unit
// right-hand side. Checked against the tabulated 5-point quadratic weights 17, 12, -3 over 35.
void savgol(float* c, int np, int nl, int nr, int ld, int m) {
    if (np < nl + nr + 1 || nl < 0 || nr < 0 || ld > m || nl + nr < m) {
        nrerror("bad args in savgol");
        return;
    }
    int* indx = ivector(1, m + 1);
    float** a = matrix(1, m + 1, 1, m + 1);
    float* b = vector(1, m + 1);
    for (int ipj = 0; ipj <= 2 * m; ++ipj) {
        float sum = ipj == 0 ? 1.0f : 0.0f;
        for (int k = 1; k <= nr; ++k)
            sum += static_cast<float>(std::pow(static_cast<double>(k), ipj));
        for (int k = 1; k <= nl; ++k)
            sum += static_cast<float>(std::pow(static_cast<double>(-k), ipj));
        int mm =
            static_cast<int>(FloatMin(static_cast<float>(ipj), static_cast<float>(2 * m - ipj)));
        for (int imj = -mm; imj <= mm; imj += 2)
            a[1 + (ipj + imj) / 2][1 + (ipj - imj) / 2] = sum;
    }
    float d = 0.0f;
    if (ludcmp(a, m + 1, indx, &d)) {
        for (int j = 1; j <= m + 1; ++j)
            b[j] = 0.0f;
        b[ld + 1] = 1.0f;
        lubksb(a, m + 1, indx, b);
        for (int kk = 1; kk <= np; ++kk)
            c[kk] = 0.0f;
        for (int k = -nl; k <= nr; ++k) {
            float sum = b[1];
            float fac = 1.0f;
            for (int mm = 1; mm <= m; ++mm)
                sum += b[mm + 1] * (fac *= static_cast<float>(k));
            c[((np - k) % np) + 1] = sum;
        }
    }
    free_vector(b, 1, m + 1);
    free_matrix(a, 1, m + 1, 1, m + 1);
    free_ivector(indx, 1, m + 1);
}

namespace {

// Weights of a window of l points left and r right: a plain mean for order 1 (at the ends too),
// Savitzky-Golay otherwise.
void WindowWeights(std::vector<float>& c, int l, int r, int m) {
    int np = l + r + 1;
    c.assign(np + 1, 0.0f);
    if (m == 1) {
        for (int k = 1; k <= np; ++k)
            c[k] = 1.0f / static_cast<float>(np);
    } else {
        savgol(c.data(), np, l, r, 0, m);
    }
}

float Apply(const float* v, int i, const std::vector<float>& c, int l, int r) {
    int np = l + r + 1;
    float sum = v[i] * c[1];
    for (int k = 1; k <= l; ++k)
        sum += v[i - k] * c[k + 1];
    for (int k = 1; k <= r; ++k)
        sum += v[i + k] * c[np - k + 1];
    return sum;
}

} // namespace

// The ends are smoothed with windows shortened on the outer side, so every point is smoothed and
// the data keep their length; all results are taken from the unsmoothed values.
bool CVector::SavGolSmooth(int nl, int nr, int m) {
    int np = nl + nr + 1;
    if (np < 2)
        return false;
    int n = static_cast<int>(length);
    if (!data || n < np) {
        char text[160];
        std::snprintf(text, sizeof text, "window for smoothing too big!\n%d+%d+1<%d", nl, nr, n);
        ShowError(text, 0);
        return false;
    }
    std::vector<float> result(n);
    std::vector<float> c;
    for (int i = 0; i < nl; ++i) {
        WindowWeights(c, i, nr, m);
        result[i] = Apply(data, i, c, i, nr);
    }
    WindowWeights(c, nl, nr, m);
    for (int i = nl; i <= n - nr - 1; ++i)
        result[i] = Apply(data, i, c, nl, nr);
    for (int i = n - nr; i < n; ++i) {
        int r = n - 1 - i;
        WindowWeights(c, nl, r, m);
        result[i] = Apply(data, i, c, nl, r);
    }
    for (int i = 0; i < n; ++i)
        data[i] = result[i];
    return true;
}

// Irregular abscissae are smoothed by resampling onto an even grid over [min x, max x], smoothing
// there and resampling back onto x.
bool CVector::SmoothOnRegularGrid(int gridPoints, const CVector& x, int nl, int nr, int m) {
    if (x.length != length)
        return false;
    if (gridPoints < 2 || length == 0 || !data)
        return true;
    int n = static_cast<int>(length);
    float xmin = x.Min();
    float xmax = x.Max();
    float* grid = vector(1, gridPoints);
    float* gridValues = vector(1, gridPoints);
    float* xs = vector(1, n);
    for (int i = 1; i <= gridPoints; ++i)
        grid[i] =
            xmin + (xmax - xmin) / static_cast<float>(gridPoints - 1) * static_cast<float>(i - 1);
    for (int i = 1; i <= n; ++i)
        xs[i] = x.At(i - 1);
    ResampleCurve(gridPoints, grid, gridValues, n, xs, data - 1);
    {
        CVector smoothed;
        smoothed.Attach(gridValues, static_cast<std::uint32_t>(gridPoints), 1);
        smoothed.SavGolSmooth(nl, nr, m);
    }
    ResampleCurve(n, xs, data - 1, gridPoints, grid, gridValues);
    free_vector(xs, 1, n);
    free_vector(gridValues, 1, gridPoints);
    free_vector(grid, 1, gridPoints);
    return true;
}
