// Control of the nonlinear fit: the optimiser choice.
#pragma once

struct FitControl {
    // The optimiser: exactly one is set.
    static inline bool simplex = true;
    static inline bool simulatedAnnealing = false;
    static inline bool marquardtLevenberg = false;
    // Bounds within which the fits may move meniscus and bottom, cm; 0 = not set.
    static inline float meniscusMin = 5.8f;
    static inline float meniscusMax = 6.6f;
    static inline float bottomMin = 7.1f;
    static inline float bottomMax = 7.3f;
    static inline float& minMeniscus = meniscusMin;
    static inline float& maxMeniscus = meniscusMax;
    static inline float& minBottom = bottomMin;
    static inline float& maxBottom = bottomMax;
    static inline float tolerance = 0.01f; // relative convergence tolerance of the fits
    static inline bool fitInProgress = false;

    static void ResetToDefaults() {
        simplex = true;
        simulatedAnnealing = false;
        marquardtLevenberg = false;
        meniscusMin = 5.8f;
        meniscusMax = 6.6f;
        bottomMin = 7.1f;
        bottomMax = 7.3f;
        tolerance = 0.01f;
        fitInProgress = false;
    }
};
