// Residual of a dense least-squares fit by Gram-Schmidt.
#include "support/dense_residual.h"

#include <cmath>
#include <cstddef>

std::vector<double> DenseResidual(std::vector<std::vector<double>> columns, std::vector<double> v) {
    std::vector<std::vector<double>> q;
    auto dot = [](const std::vector<double>& x, const std::vector<double>& y) {
        double s = 0.0;
        for (std::size_t i = 0; i < x.size(); ++i)
            s += x[i] * y[i];
        return s;
    };
    auto removeFrom = [&](std::vector<double>& x) {
        for (int pass = 0; pass < 2; ++pass)
            for (const auto& e : q) {
                const double p = dot(e, x);
                for (std::size_t i = 0; i < x.size(); ++i)
                    x[i] -= p * e[i];
            }
    };
    for (auto& c : columns) {
        const double before = std::sqrt(dot(c, c));
        removeFrom(c);
        const double after = std::sqrt(dot(c, c));
        if (after > 1e-9 * before && after > 0.0) {
            for (double& x : c)
                x /= after;
            q.push_back(std::move(c));
        }
    }
    removeFrom(v);
    return v;
}
