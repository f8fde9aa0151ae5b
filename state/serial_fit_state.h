// The state of a batch fit over many data sets.
#pragma once

#include <string>
#include <vector>

// Monte-Carlo statistics of the integrated range: weight-average s and integrated c, each as
// mean, standard deviation and the 15.87% and 84.13% quantiles of the replicates.
struct MonteCarloStatistics {
    float savg = 0, sstd = 0, slow = 0, sup = 0;
    float cavg = 0, cstd = 0, clow = 0, cup = 0;
};

struct SerialFitState {
    // A batch fit runs: repaint requests and immediate redraws are dropped meanwhile.
    static inline bool serializing = false;
    // The user's answer to "restore previous params if available?": while it and serializing
    // are set, each set's saved analysis is restored without a question.
    static inline bool restorePrevious = false;
    // Monte-Carlo statistics of the integration ranges are wanted.
    static inline bool monteCarlo = false;
    // A key was pressed during a fit of the batch.
    static inline bool stopRequested = false;
    // 0, or the code of the numerical failure met in the current set (AnalysisFailure of
    // foundations/analysis_failure.h); while serializing ReportAnalysisFailure stores it instead
    // of showing its box.
    static inline int errorCode = 0;
    // The Monte-Carlo statistics of the current set, written by ReportMonteCarloStatistics
    // while serializing.
    static inline MonteCarloStatistics mcStatistics{};

    // The series chosen in the plotting program: the series file is "listOfLists.txt" (true) or
    // "toBeProcessed.txt" (false).
    static inline bool listOfListsMode = false;
    // The series read, numbered from 1 ([0] unused): the scan list file to load, the name, and
    // the rmsd, meniscus (cm) and f/f0 after the series' analysis (0 until it was analysed).
    static inline int seriesCount = 0;
    static inline std::vector<std::string> seriesListPaths{""};
    static inline std::vector<std::string> seriesNames{""};
    static inline std::vector<float> seriesRmsd{0.0f};
    static inline std::vector<float> seriesMeniscus{0.0f};
    static inline std::vector<float> seriesFf0{0.0f};

    static void ResetToDefaults() {
        serializing = restorePrevious = monteCarlo = stopRequested = false;
        errorCode = 0;
        mcStatistics = MonteCarloStatistics{};
        listOfListsMode = false;
        seriesCount = 0;
        seriesListPaths = seriesNames = {""};
        seriesRmsd = seriesMeniscus = seriesFf0 = {0.0f};
    }
};
