// Screens of the equilibrium analysis that take over the main window's plots; their owners set
// these switches, the painting and the marker lines read them.
#pragma once

#include "state/mstar_state.h"
#include "state/realtime_state.h"

struct ScreenModes {
    // The test of attained equilibrium built its plots.
    static inline bool& eqTestPlotShown = RealtimeState::eqTestPlotShown;

    static void ResetToDefaults() { eqTestPlotShown = false; }
};

// The M* screen of one or of several data sets is shown.
inline bool MStarScreenActive() {
    return MStarState::mStarMode || MStarState::multipleSets;
}
