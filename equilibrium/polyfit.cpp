// Least-squares polynomial by the normal equations.
#include "equilibrium/polyfit.h"

#include "foundations/dense_matrix.h"
#include "foundations/linear_solvers.h"
#include "foundations/show_error.h"

#include <cmath>
#include <vector>

// The powers are taken of u = x - x[1], which keeps the normal equations of the order 1 and 2
// fits near radii of 7 cm well conditioned; they are solved by Cholesky in double precision. The
// point count and the evaluated sums are single precision as the stored results are. Checked
// against known polynomials in the M* tests.
bool polyfit(int order, const double* x, const double* y, int n, const float* xOut, float* yOut,
             int nOut, const float* xGrid, float* yGrid, int nGrid, float low, float high) {
    if (order < 0) {
        for (int i = 1; i <= nOut; ++i)
            yOut[i] = 0.0f;
        return false;
    }
    const int m = order + 1;
    const double x1 = n >= 1 ? x[1] : 0.0;
    std::vector<double> s(static_cast<std::size_t>(2 * order + 2), 0.0);
    std::vector<double> t(static_cast<std::size_t>(m) + 1, 0.0);
    s[1] = static_cast<float>(n);
    for (int i = 1; i <= n; ++i) {
        const double u = x[i] - x1;
        double power = 1.0;
        for (int k = 1; k <= 2 * order + 1; ++k) {
            if (k > 1)
                s[static_cast<std::size_t>(k)] += power;
            if (k <= m)
                t[static_cast<std::size_t>(k)] += y[i] * power;
            power *= u;
        }
    }
    CDenseMatrix a(m);
    for (int j = 1; j <= m; ++j)
        for (int k = 1; k <= m; ++k)
            a(j, k) = s[static_cast<std::size_t>(j + k - 1)];
    std::vector<double*> rows = a.RowPointers();
    std::vector<double> p(static_cast<std::size_t>(m) + 1, 0.0);
    std::vector<double> coefficients(static_cast<std::size_t>(m) + 1, 0.0);
    if (n < 1 || !dcholdc(rows.data(), m, p.data())) {
        ShowError("error in polyfit", 0);
        return false;
    }
    dcholsl(rows.data(), m, p.data(), t.data(), coefficients.data());
    auto value = [&](float at) {
        const float u = static_cast<float>(at - x1);
        float sum = static_cast<float>(coefficients[1]);
        for (int k = 2; k <= m; ++k)
            sum += static_cast<float>(coefficients[static_cast<std::size_t>(k)] *
                                      std::pow(static_cast<double>(u), k - 1));
        return sum;
    };
    for (int i = 1; i <= nOut; ++i)
        yOut[i] = value(xOut[i]);
    if (xGrid && yGrid && nGrid > 0)
        for (int i = 1; i <= nGrid; ++i)
            yGrid[i] = (xGrid[i] >= low && xGrid[i] <= high) ? value(xGrid[i]) : 0.0f;
    return true;
}
