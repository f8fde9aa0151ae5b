// The state of the continuous distribution analysis.
#pragma once

struct ContiState {
    // Regularization: exactly one of the three is set.
    static inline bool maxEntRegularization = true;
    static inline bool secondDerivativeRegularization = false;
    static inline bool showBothRegularizations = false;
    static inline bool suppressBaselineCorrelation = true;
    static inline bool multiThreading = true;  // normal equations and Monte Carlo in threads

    static void ResetToDefaults() {
        maxEntRegularization = true;
        secondDerivativeRegularization = false;
        showBothRegularizations = false;
        suppressBaselineCorrelation = true;
        multiThreading = true;
    }
};

// The shell's name of the second-derivative switch.
inline bool& gSecondDerivativeRegularization = ContiState::secondDerivativeRegularization;

// Threads for the distribution normal equations and Monte Carlo (at least 1).
inline int gDistributionThreadCount = 2;
