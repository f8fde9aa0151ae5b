// The pace of the live refresh of the plots while a fit runs: at most once per interval of
// preference 15, and only while one of the four update switches (preferences 2 to 5) is on.
#pragma once

// True when a switch is on and the refresh is due: the first since start, or the interval has
// passed since the last one.
bool LiveRefreshDue();
// Notes that the plots were refreshed now.
void NoteLiveRefresh();
