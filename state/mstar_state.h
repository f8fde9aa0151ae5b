// The M* screen modes of the equilibrium analysis.
#pragma once

struct MStarState {
    static inline bool mStarMode = false;    // the M* screen of one data set is shown
    static inline bool multipleSets = false; // the M* screen shows several data sets

    static void ResetToDefaults() { mStarMode = multipleSets = false; }
};
