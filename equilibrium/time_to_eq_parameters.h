// The inputs of the minimum-time-to-equilibrium planner, their preferences file and the
// completion of each species from its molar mass and either s or f/f0.
#pragma once

#include <string>

struct TimeToEqParameters {
    static inline bool preferencesSaved = false;
    static inline float finalSpeed = 15000.0f, initialSpeed = 0.0f;   // rpm
    static inline float simulationHorizon = 50000.0f;                 // s
    static inline float acceleration = 280.0f, deceleration = 280.0f; // rpm/s
    static inline float stepTime = 900.0f, overspeedTime = 30000.0f;  // s
    static inline float bottom = 7.2f, meniscus = 6.8f, rightLimit = 7.15f, leftLimit = 6.82f;
    static inline int speciesCount = 1;
    static inline float vbar1 = 0.0f, temperature = 4.0f, epsilon = 0.001f;
    static inline int parameterCount = 5;
    static inline float maxOverconcentration = 1.5f;
    static inline bool givenDistribution = false, fromLoadedData = false;
    static inline int repeats = 1;
    static inline bool saveScanFiles = true, saveMethodsFormat = true, justRunSpeedFile = false;
    static inline float density = 0.0f, viscosity = 0.0f; // g/ml, Pa s; 0: the scan store's
    static inline float s1 = 4.31f, M1 = 65000.0f, ff01 = 1.4f;
    static inline bool useFf01 = true, secondSpecies = false;
    static inline float fraction2 = 0.0f, s2 = 6.5f, M2 = 130000.0f, vbar2 = 0.0f, ff02 = 1.4f;
    static inline bool useFf02 = true;
    static inline float D1 = 0.0f, D2 = 0.0f; // cm^2/s
    static inline float bestValue = 0.0f, speedRoundingStep = 1.0f;
    static inline bool exponentialParameterization = true;
    static inline std::string outputPath;

    static void ResetToDefaults();
};

// The preferences file: 39 numbers, one "%f" per line. Load takes the first number of each line
// (blank lines passed over, the rest of a line not read, a count rounded down) and changes
// nothing unless 39 lines begin with a number as written, each one its setting can hold. A file
// that is there but not read (cannot be opened, a line that does not begin with a number, a
// value its setting cannot hold, too few values) says why in *refused (may be null); a missing
// file leaves it empty.
bool SaveTimeToEqParameterPreferences(const std::string& path);
bool LoadTimeToEqParameterPreferences(const std::string& path, std::string* refused = nullptr);
// Each species from its other value: s from M and f/f0 ("use ff0"), else f/f0 from M and s;
// then D from s and M.
void CompleteTimeToEqSpecies();
