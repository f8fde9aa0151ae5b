// The output interpolation of the Lamm solvers and its kept cells.
#include "lamm/grid_profile_interpolation.h"

#include <cstring>

bool GridProfileInterpolation::Matches(const double* gr, int gn, const float* x, int n) const {
    // the same bits give the same cells
    return static_cast<int>(grid_.size()) == gn + 1 && static_cast<int>(radii_.size()) == n + 1 &&
           std::memcmp(gr + 1, grid_.data() + 1, sizeof(double) * gn) == 0 &&
           std::memcmp(x + 1, radii_.data() + 1, sizeof(float) * n) == 0;
}

void GridProfileInterpolation::Prepare(const double* gr, int gn, const float* x, int n) {
    grid_.assign(gr, gr + gn + 1);
    radii_.assign(x, x + n + 1);
    cell_.assign(n + 1, 0);
    weight_.assign(n + 1, 0.0);
    int j = 2;
    for (int i = 1; i <= n; ++i) {
        const double xi = x[i];
        if (xi <= gr[1]) {
            cell_[i] = 0;
            continue;
        }
        if (xi >= gr[gn]) {
            cell_[i] = -1;
            continue;
        }
        while (gr[j] < xi)
            ++j;
        if (gr[j - 1] > xi) // radii not ascending: search again from the start
            for (j = 2; gr[j] < xi; ++j) {
            }
        cell_[i] = j;
        weight_[i] = (xi - gr[j - 1]) / (gr[j] - gr[j - 1]);
    }
}

void GridProfileInterpolation::Interpolate(const double* gr, const double* gv, int gn,
                                           const float* x, float* y, int n) {
    if (n <= 0 || gn < 1)
        return;
    if (!Matches(gr, gn, x, n))
        Prepare(gr, gn, x, n);
    const int* cell = cell_.data();
    const double* weight = weight_.data();
    for (int i = 1; i <= n; ++i) {
        const int j = cell[i];
        if (j > 0)
            y[i] = static_cast<float>(gv[j - 1] + weight[i] * (gv[j] - gv[j - 1]));
        else
            y[i] = static_cast<float>(j == 0 ? gv[1] : gv[gn]);
    }
}
