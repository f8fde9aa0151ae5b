// The left and right matrices of a diagonally dominant step on rows 1..n (index 0 unused), for
// comparing substitutions of the same system.
#pragma once

#include <cmath>
#include <vector>

struct StepTestMatrices {
    std::vector<double> la, lb, lc, a, b, c;
};

inline StepTestMatrices SmoothStepMatrices(int n) {
    StepTestMatrices m{std::vector<double>(n + 1), std::vector<double>(n + 1),
                       std::vector<double>(n + 1), std::vector<double>(n + 1),
                       std::vector<double>(n + 1), std::vector<double>(n + 1)};
    for (int i = 1; i <= n; ++i) {
        m.la[i] = i > 1 ? -1.0 - 0.02 * i : 0.0;
        m.lc[i] = i < n ? -0.6 + 0.01 * i : 0.0;
        m.lb[i] = 3.0 + 0.03 * i;
        m.a[i] = i > 1 ? 0.35 + 0.002 * i : 0.0;
        m.c[i] = i < n ? 0.25 - 0.003 * i : 0.0;
        m.b[i] = 1.5 + 0.01 * std::cos(i);
    }
    return m;
}
