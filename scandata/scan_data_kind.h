// Program-wide switches saying what kind of scans is loaded, and the options of the scan reader.
#pragma once

#include <cstdint>

// The reader sets one of the first four from the type letter of the last file read.
struct ScanDataKind {
    static inline bool intensity = false;
    static inline bool absorbance = false;
    static inline bool interference = false;
    static inline bool fluorescence = false;
    static inline bool electrophoresis = false; // set by the electrophoresis load command

    static void ResetToDefaults();
};

struct ScanReaderOptions {
    static inline bool dropSpikes = true;
    static inline bool nColumnsMode = false;
    static inline std::int32_t nColumns = 2;
    static inline float spikeThreshold = 0.4f; // set by the reader per file
    static inline float spikeLevel = 0.4f;     // absorbance scans
    static inline float spikeLevelFluorescence = 100.0f;

    static void ResetToDefaults();
};
