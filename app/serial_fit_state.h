// The state of a batch fit over many data sets.
#pragma once

struct SerialFitState {
    // A batch fit runs: repaint requests and immediate redraws are dropped meanwhile.
    static inline bool serializing = false;

    static void ResetToDefaults() { serializing = false; }
};
