// Control of the nonlinear fit: the optimiser choice.
#pragma once

struct FitControl {
    // The optimiser: exactly one is set.
    static inline bool simplex = true;
    static inline bool simulatedAnnealing = false;
    static inline bool marquardtLevenberg = false;

    static void ResetToDefaults() {
        simplex = true;
        simulatedAnnealing = false;
        marquardtLevenberg = false;
    }
};
