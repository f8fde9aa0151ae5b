// Thresholds of the data checks made when scans are loaded and before Run and Fit.
#pragma once

#include "scandata/scan_data_kind.h"

struct LoadFilters {
    // Run and Fit refuse data that rise more steeply than maxGradient (signal units per cm) over
    // four successive points inside the fit range, while gradientCheck is on.
    static inline bool gradientCheck = true;
    static inline float maxGradient = 500.0f;
    // Isolated points that stand out by more than spikeLevel (spikeLevelFluorescence for
    // fluorescence data) are left out while the files are read.
    // The reader's own settings, under the names of the loading options.
    static inline bool& spikeFilter = ScanReaderOptions::dropSpikes;
    static inline float& spikeLevel = ScanReaderOptions::spikeLevel;
    static inline float& spikeLevelFluorescence = ScanReaderOptions::spikeLevelFluorescence;

    static void ResetToDefaults() {
        gradientCheck = true;
        maxGradient = 500.0f;
    }
};
