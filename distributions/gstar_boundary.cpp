// A g*(s*) distribution is the apparent-s distribution of boundaries that do not diffuse, so the
// boundary it stands for is the sum of non-diffusing boundaries weighted by g*(s*) over the
// trapezoid cell of each s*; a single spike gives one sharp boundary (checked in the tests).
#include "distributions/gstar_boundary.h"

#include "distributions/boundary_analysis_run.h"
#include "foundations/show_error.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/non_diffusing_boundary.h"
#include "state/lamm_grid.h"
#include "state/model_parameters.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

using S = ScanStore;

constexpr double kMaxGStarS = 1e6;

bool Refuse(const char* what, int row) {
    char text[300];
    if (row > 0)
        std::snprintf(text, sizeof text,
                      "The g*(s) table cannot be used for a boundary model: %s (row %d).", what,
                      row);
    else
        std::snprintf(text, sizeof text, "The g*(s) table cannot be used for a boundary model: %s.",
                      what);
    ShowError(text, 0);
    return false;
}

} // namespace

bool GStarToDirectBoundary(float** table, int columns, int rows) {
    if (!table || columns < 2 || rows < 2)
        return Refuse("it needs at least 2 rows of s* and g*(s*)", 0);
    if (S::scanCount < 1 || !S::radius || !S::fit || !S::header || !S::pointCount)
        return Refuse("no scans are loaded", 0);
    const float* s = table[1];
    const float* g = table[2];
    for (int l = 1; l <= rows; ++l) {
        if (!std::isfinite(s[l]) || !std::isfinite(g[l]) || std::fabs(s[l]) > kMaxGStarS)
            return Refuse("s* must be finite and within 1e6 S", l);
        if (l > 1 && !(s[l] > s[l - 1]))
            return Refuse("s* must ascend", l);
    }
    if (!(ModelParameters::meniscus > 0.0f))
        return Refuse("set the meniscus first", 0);
    if (s[1] < 0.0f && !(ModelParameters::bottom > 0.0f))
        return Refuse("set the bottom first: negative s* float from it", 0);
    // Loading of each row: g* times its trapezoid cell.
    std::vector<double> loading(std::size_t(rows) + 1, 0.0);
    for (int l = 1; l <= rows; ++l) {
        const double left = l > 1 ? double(s[l]) - s[l - 1] : 0.0;
        const double right = l < rows ? double(s[l + 1]) - s[l] : 0.0;
        loading[std::size_t(l)] = 0.5 * (left + right) * g[l];
    }
    std::vector<std::vector<float>> fits(std::size_t(S::scanCount) + 1);
    const double savedW2s = LammGrid::omega2S;
    for (int k = 1; k <= S::scanCount; ++k) {
        const int n = S::pointCount[k];
        if (!S::radius[k] || !S::fit[k] || n < 1)
            continue;
        const double w2t = ScanW2t(k);
        std::vector<double> sum(std::size_t(n) + 1, 0.0);
        std::vector<float> one(std::size_t(n) + 1, 0.0f);
        for (int l = 1; l <= rows; ++l) {
            if (loading[std::size_t(l)] == 0.0)
                continue;
            LammGrid::omega2S = double(s[l]) * 1e-13 * w2t;
            NonDiffusingBoundary(1.0, 1.0, S::radius[k], one.data(), n);
            for (int i = 1; i <= n; ++i)
                sum[std::size_t(i)] += loading[std::size_t(l)] * one[std::size_t(i)];
        }
        fits[std::size_t(k)].assign(std::size_t(n) + 1, 0.0f);
        for (int i = 1; i <= n; ++i) {
            const auto v = static_cast<float>(sum[std::size_t(i)]);
            if (!std::isfinite(v)) {
                LammGrid::omega2S = savedW2s;
                return Refuse("the boundary model is not finite for the scans loaded", 0);
            }
            fits[std::size_t(k)][std::size_t(i)] = v;
        }
    }
    LammGrid::omega2S = savedW2s;
    for (int k = 1; k <= S::scanCount; ++k) {
        if (fits[std::size_t(k)].empty())
            continue;
        for (int i = 1; i <= S::pointCount[k]; ++i) {
            S::fit[k][i] = fits[std::size_t(k)][std::size_t(i)];
            if (S::residuals && S::residuals[k] && S::signal && S::signal[k])
                S::residuals[k][i] = S::signal[k][i] - S::fit[k][i];
        }
    }
    S::resultAvailable = true;
    return true;
}
