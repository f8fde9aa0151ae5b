// The point-thinning mask of a plot: a random permutation refreshed a little on each drawing.
#include "foundations/random_numbers.h"
#include "plotting/win_plot.h"

void CWINPlot::UpdateThinMask(int first, int n) {
    if (!thinMask.empty() && thinMaskCount != n) {
        thinMask.clear();
        thinMaskCount = 0;
    }
    if (n <= 0)
        return;
    if (!thinMask.empty()) {
        RandomSubset(thinMask.data(), first + 1, n, 0.1f);
        return;
    }
    thinMask.assign(std::size_t(n) + 1, 0);
    thinMaskCount = n;
    RandomSubsetOfSize(thinMask.data(), first + 1, n, 0.8f);
}
