// The record of the test of attained equilibrium: the series of loaded scans (one cell,
// wavelength and speed each), their comparison ranges and the curves the test plots show.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CWINPlot;

// One series slot. The comparison range belongs to the slot position: a rebuild of the series
// keeps it.
struct EqTestSlot {
    std::vector<int> members; // scan indices in time order, the latest last
    int firstIndex = 0;       // comparison range: point indices of the latest scan
    int lastIndex = 0;
    float lastPairRmsd = 0.0f;
    int included = 1;
    int atCurrentSpeed = 0;
    // The time course (hours before the latest scan, rmsd), the difference of the last two scans
    // (radius, difference) and the latest scan's relative profile (radius offset, signal).
    std::vector<float> timeX, timeY, pairX, pairY, profileX, profileY;
};

// A (cell, wavelength) pair of the excluded and accepted lists.
struct CellWavelength {
    std::int32_t cell = 0;
    float wavelength = 0.0f;
};

struct EqTestState {
    static constexpr int capacity = 500;
    static inline bool autoDefaultLimits = false; // realtime: new series without questions
    static inline bool collectOnly = false;
    static inline std::int32_t seriesTotal = 0;
    static inline std::vector<EqTestSlot> slots; // [1..capacity] once allocated
    static inline std::vector<std::string> extensions;
    static inline std::vector<int> firstNumber; // per extension
    static inline std::vector<CellWavelength> excluded;
    static inline std::vector<CellWavelength> accepted;
    static inline double maxSpeed = 0.0;
    static inline bool singleCell = true;
    static inline std::int32_t singleCellNumber = 0;
    static inline std::int32_t curveSeriesCount = 0;
    static inline CWINPlot* profilePlot = nullptr;
    static inline std::int32_t questionSeries = 0; // the series being asked about, else 0

    static void ResetToDefaults() {
        autoDefaultLimits = collectOnly = false;
        seriesTotal = curveSeriesCount = questionSeries = singleCellNumber = 0;
        slots.clear();
        extensions.clear();
        firstNumber.clear();
        excluded.clear();
        accepted.clear();
        maxSpeed = 0.0;
        singleCell = true;
        profilePlot = nullptr; // owned by the window's test plots, freed when the mode is left
    }
};
