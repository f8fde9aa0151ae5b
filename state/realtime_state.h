// Switches of the realtime update mode and the test of attained equilibrium, and the realtime
// update's record of the data folder it follows.
#pragma once

#include <ctime>
#include <string>
#include <vector>

struct RealtimeState {
    static inline bool realtimeMode = false;
    static inline bool& realtimeOn = realtimeMode;
    static inline bool stopRequested = false;
    static inline bool equilibriumTestMode = false;
    static inline bool& eqTestMode = equilibriumTestMode;
    static inline bool eqTestPlotShown = false; // the three test plots exist

    static inline bool stopping = false;    // the stop is being carried out: ticks are ignored
    static inline bool tickRunning = false; // a tick is being handled: nested ticks are ignored
    static inline bool refitNeeded = false; // reload and run at the next tick without new files
    static inline bool fixedRange = false;  // the distribution range is not adjusted
    static inline bool temperatureWarned = false;
    static inline bool allCells = false;          // equilibrium test: follow the other cells too
    static inline bool distributionDrawn = false; // drawn since the start
    static inline float distributionFrom = 0.0f;  // and the range it was drawn in last
    static inline float distributionTo = 0.0f;
    static constexpr int fileTableSize = 1000;
    static inline std::vector<std::string> fileTable; // probed paths, [1..] once started
    static inline int maxFiles = 20;                  // kept between starts
    static inline int baseNumber = 0;
    static inline int lastNumber = 0;
    static inline int previousLast = 0;
    static constexpr unsigned timerId = 13;
    static constexpr unsigned interval = 60000; // ms
    static inline std::string drive, directory, extension;
    static inline std::time_t lastChanged = 0;
    static inline std::string statusLine1, statusLine2;
    static inline float rangeMaximum = 0.0f;

    static void ResetToDefaults() {
        realtimeMode = stopRequested = equilibriumTestMode = eqTestPlotShown = false;
        stopping = tickRunning = refitNeeded = fixedRange = temperatureWarned = false;
        allCells = distributionDrawn = false;
        distributionFrom = distributionTo = 0.0f;
        fileTable.clear();
        maxFiles = 20;
        baseNumber = lastNumber = previousLast = 0;
        drive.clear();
        directory.clear();
        extension.clear();
        lastChanged = 0;
        statusLine1.clear();
        statusLine2.clear();
        rangeMaximum = 0.0f;
    }
};
