#include "state/live_refresh.h"

#include "plat/clock.hpp"
#include "state/preference_switches.h"

#include <cmath>

namespace {
bool gLiveRefreshStarted = false;
DWORD gLiveRefreshLastTick = 0;
} // namespace

bool LiveRefreshDue() {
    if (!gUpdateResidualsBitmap && !gUpdateResidualsPlot && !gUpdateDataPlot &&
        !gUpdateDistributionPlot)
        return false;
    if (!gLiveRefreshStarted)
        return true;
    // An interval of days or more (or a negative one) is taken as the longest or the shortest.
    const double ms = std::floor(gMaxUpdateInterval * 1000.0);
    const DWORD interval = !(ms > 0.0) ? 0 : ms >= 4.0e9 ? DWORD(4000000000u) : DWORD(ms);
    // Elapsed time, so a wrap of the tick count does not stop the refresh.
    return GetTickCount() - gLiveRefreshLastTick > interval;
}

void NoteLiveRefresh() {
    gLiveRefreshStarted = true;
    gLiveRefreshLastTick = GetTickCount();
}
