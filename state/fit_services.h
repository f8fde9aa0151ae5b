// Routines of the model-fitting layer that the model evaluation, which lies below it, calls.
// fitting/ fills the table (InstallFitServices: at start-up and in the tests' state reset); an
// empty entry does nothing.
#pragma once

struct FitServiceTable {
    // Completes ScanStore::fit once the species signals are in place: baseline, linear
    // amplitudes and systematic noise, by the switches ModelChoice::fitTINoise,
    // ModelChoice::linearBaseline, ModelChoice::linearAmplitudes and ModelChoice::fitRINoise.
    void (*updateLinearParameters)() = nullptr;
};

struct FitServices {
    static inline FitServiceTable table;

    static void UpdateLinearParameters() {
        if (table.updateLinearParameters)
            table.updateLinearParameters();
    }
};
