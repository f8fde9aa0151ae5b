// The stretch under the range band: while the right button sweeps an integration range the
// curve is redrawn in the band's colour between the band's edges, and in black where the band
// has been.
#include "display/integrated_area.h"

#include "display/plot_replays.h"
#include "plat/window_dc.hpp"
#include "plotting/quick_plots.h"
#include "state/conti_state.h"
#include "state/dls_data.h"
#include "state/model_choice.h"
#include "state/window_services.h"

#include <algorithm>
#include <vector>

namespace {

float Interpolated(const float* x, const float* c, int n, float at) {
    int i = 1;
    while (i < n - 1 && x[i + 1] < at)
        ++i;
    const float span = x[i + 1] - x[i];
    const float f = span > 0.0f ? (at - x[i]) / span : 0.0f;
    return c[i] + f * (c[i + 1] - c[i]);
}

} // namespace

bool DistributionStretch(float s1, float s2, float* x, float* c, int capacity, int* count) {
    const int n = ContiState::gridPoints;
    const float* grid = ContiState::sValues;
    const float* values = ContiState::distribution;
    *count = 0;
    if (!grid || !values || n < 2)
        return false;
    const float lo = std::max(std::min(s1, s2), grid[1]);
    const float hi = std::min(std::max(s1, s2), grid[n]);
    if (!(hi > lo))
        return false;
    int k = 0;
    auto put = [&](float at, float v) {
        if (k < capacity) {
            ++k;
            x[k] = at;
            c[k] = v;
        }
    };
    put(lo, Interpolated(grid, values, n, lo));
    for (int i = 1; i <= n; ++i)
        if (grid[i] > lo && grid[i] < hi)
            put(grid[i], values[i]);
    put(hi, Interpolated(grid, values, n, hi));
    *count = k;
    return k >= 2;
}

void DrawIntegratedArea(TXLAWindow* window, float s1, float s2, int style, int colour) {
    CWINPlot* plot = ContiState::distributionPlot;
    if (s1 == s2 || !plot || !window || gDlsData || ModelChoice::gStarFamily)
        return;
    const int capacity = ContiState::gridPoints + 2;
    std::vector<float> x(std::size_t(capacity) + 1, 0.0f), c(x);
    int count = 0;
    if (!DistributionStretch(s1, s2, x.data(), c.data(), capacity, &count))
        return;
    TClientDC dc(WindowServices::PlatformWindow(window));
    SetReplayMapping(dc, window);
    PlayOverlay(dc, QuickPlot(plot, x.data(), c.data(), count, COLORREF(colour), style, 0));
}
