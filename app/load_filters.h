// Thresholds of the data checks made when scans are loaded and before Run and Fit.
#pragma once

struct LoadFilters {
    // Run and Fit refuse data that rise more steeply than maxGradient (signal units per cm) over
    // four successive points inside the fit range, while gradientCheck is on.
    static inline bool gradientCheck = true;
    static inline float maxGradient = 500.0f;

    static void ResetToDefaults() {
        gradientCheck = true;
        maxGradient = 500.0f;
    }
};
