// The state of a batch fit over many data sets.
#pragma once

struct SerialFitState {
    // A batch fit runs: repaint requests and immediate redraws are dropped meanwhile.
    static inline bool serializing = false;
    // The user's answer to "restore previous params if available?": while it and serializing
    // are set, each set's saved analysis is restored without a question.
    static inline bool restorePrevious = false;

    static void ResetToDefaults() { serializing = restorePrevious = false; }
};
