// The reacting system A + B <-> AB: loadings, signal increments and transport of the free species
// and the complex. Concentrations are molar units of the signal (loading / increment).
#pragma once

struct ReactionParameters {
    static inline float logK = 0.0f;
    static inline float K = 1.0f; // 10^logK, set by InitReactionSystem
    static inline float loadingA = 0.5f, loadingB = 0.5f;
    static inline float extinctionA = 1.0f, extinctionB = 1.0f;
    static inline float extinctionAB = 2.0f;               // extinctionA + extinctionB
    static inline float complexConcentration = 0.0f;       // of the loading mixture at equilibrium
    static inline float dA = 0.0f, dB = 0.0f, dAB = 0.0f;  // cm^2/s
    static inline float sA = 7.0f, sB = 7.0f, sAB = 11.0f; // S

    static void ResetToDefaults() {
        logK = 0.0f;
        K = 1.0f;
        loadingA = loadingB = 0.5f;
        extinctionA = extinctionB = 1.0f;
        extinctionAB = 2.0f;
        complexConcentration = 0.0f;
        dA = dB = dAB = 0.0f;
        sA = sB = 7.0f;
        sAB = 11.0f;
    }
};
