// Total concentration of a distribution between its scans. The distribution's own model is known
// at the scan times only; in between the boundary moves smoothly, so a linear interpolation in
// time (from the uniform loading at the start) is as close as the scans allow. Checked against
// the model at the scan times and the loading at the start in the distribution tests.
#include "simulation/distribution_totals.h"

#include "state/conti_state.h"
#include "state/lamm_grid.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace {

struct Totals {
    double loading = 0.0;
    std::vector<double> times;             // ascending
    std::vector<double> radii;             // [1..points], ascending
    std::vector<std::vector<double>> rows; // rows[k][1..points], k in time order
};
Totals gTotals;
unsigned long gTotalsGeneration = 0;
std::vector<double> gNodeTotals; // the storage of ContiState::totalConcentration

// Linear interpolation of row[1..m] over radii at r, the end values beyond the ends.
double AtRadius(const std::vector<double>& radii, const std::vector<double>& row, double r) {
    const int m = static_cast<int>(radii.size()) - 1;
    if (r <= radii[1])
        return row[1];
    if (r >= radii[m])
        return row[m];
    const int hi =
        static_cast<int>(std::upper_bound(radii.begin() + 1, radii.end(), r) - radii.begin());
    const int lo = hi - 1;
    const double f = (r - radii[lo]) / (radii[hi] - radii[lo]);
    return row[lo] + f * (row[hi] - row[lo]);
}

} // namespace

void KeepDistributionTotals(double loading, const std::vector<double>& timesS,
                            const std::vector<double>& radii,
                            std::vector<std::vector<double>> rows) {
    ++gTotalsGeneration;
    gTotals = Totals{};
    if (timesS.empty() || timesS.size() != rows.size() || radii.size() < 2)
        return;
    std::vector<std::size_t> order(timesS.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return timesS[a] < timesS[b]; });
    gTotals.loading = loading;
    gTotals.radii = radii;
    for (std::size_t k : order) {
        gTotals.times.push_back(timesS[k]);
        gTotals.rows.push_back(std::move(rows[k]));
    }
}

void ClearDistributionTotals() {
    ++gTotalsGeneration;
    gTotals = Totals{};
}

unsigned long DistributionTotalsGeneration() {
    return gTotalsGeneration;
}

bool DistributionTotalsHeld() {
    return !gTotals.rows.empty();
}

void TotalConcentrationAt(double timeS, const double* r, int n, double* out) {
    if (!DistributionTotalsHeld()) {
        std::fill(out + 1, out + n + 1, 0.0);
        return;
    }
    const std::vector<double>& t = gTotals.times;
    const int last = static_cast<int>(t.size()) - 1;
    // Bracket: from (t0, row0) to (t1, row1); row -1 stands for the uniform loading at time 0.
    int k1 = static_cast<int>(std::upper_bound(t.begin(), t.end(), timeS) - t.begin());
    if (k1 > last) {
        for (int i = 1; i <= n; ++i)
            out[i] = AtRadius(gTotals.radii, gTotals.rows[last], r[i]);
        return;
    }
    const int k0 = k1 - 1;
    const double t0 = k0 >= 0 ? t[k0] : 0.0;
    const double f = t[k1] > t0 ? std::clamp((timeS - t0) / (t[k1] - t0), 0.0, 1.0) : 1.0;
    for (int i = 1; i <= n; ++i) {
        const double v0 =
            k0 >= 0 ? AtRadius(gTotals.radii, gTotals.rows[k0], r[i]) : gTotals.loading;
        const double v1 = AtRadius(gTotals.radii, gTotals.rows[k1], r[i]);
        out[i] = v0 + f * (v1 - v0);
    }
}

void WriteTotalConcentrationScans(double t) {
    const int n = LammGrid::allocatedGridSize;
    if (n < 1 || !LammGrid::radius)
        return;
    gNodeTotals.assign(n + 1, 0.0);
    TotalConcentrationAt(t, LammGrid::radius, n, gNodeTotals.data());
    ContiState::totalConcentration = gNodeTotals.data();
}
