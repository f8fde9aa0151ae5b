// The replicate distributions of the last Monte-Carlo run and the limit curves drawn from them.
#pragma once

#include <vector>

struct MonteCarloState {
    // Replicate distribution values, each [1..n] over ContiState::sValues (index 0 unused).
    static inline std::vector<std::vector<float>> replicates;
    // Lower and upper limits per grid point at the displayed confidence level, [1..n]; empty
    // while no limit table is held.
    static inline std::vector<float> lower, upper;

    static void Clear() {
        replicates.clear();
        lower.clear();
        upper.clear();
    }
    static void ResetToDefaults() { Clear(); }
};
