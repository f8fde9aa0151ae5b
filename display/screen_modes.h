// Screens of the equilibrium analysis that take over the main window's plots; their owners set
// these switches, the painting and the marker lines read them.
#pragma once

#include "state/mstar_state.h"

struct ScreenModes {
    static inline bool eqTestPlotShown = false; // the test of attained equilibrium built its plot

    static void ResetToDefaults() { eqTestPlotShown = false; }
};

// The M* screen of one or of several data sets is shown.
inline bool MStarScreenActive() { return MStarState::mStarMode || MStarState::multipleSets; }
