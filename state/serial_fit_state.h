// The state of a batch fit over many data sets.
#pragma once

struct SerialFitState {
    // A batch fit runs: repaint requests and immediate redraws are dropped meanwhile.
    static inline bool serializing = false;
    // The user's answer to "restore previous params if available?": while it and serializing
    // are set, each set's saved analysis is restored without a question.
    static inline bool restorePrevious = false;
    // A key was pressed during a fit of the batch.
    static inline bool stopRequested = false;
    // 0, or the code of the numerical failure met in the current set (AnalysisFailure of
    // foundations/analysis_failure.h); while serializing ReportAnalysisFailure stores it instead
    // of showing its box.
    static inline int errorCode = 0;

    static void ResetToDefaults() {
        serializing = restorePrevious = stopRequested = false;
        errorCode = 0;
    }
};
