// The c(s) case of the distribution benches: 50 scans of 1000 points, 300 s apart from 600 s, and
// the c(s) choice over 0-15 S in 100 points with f/f0 1.25, TI and RI noise, on the given threads.
#pragma once

#include "distributions/conti_run.h"
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/preference_switches.h"
#include "support/conti_data_store.h"

#include <thread>

inline ContiStoreCase FiftyScans() {
    ContiStoreCase c;
    c.scans = 50;
    c.points = 1000;
    c.firstTimeS = 600.0;
    c.intervalS = 300.0;
    return c;
}

// The two species of the case: 0.3 at 3.5 S and 0.6 at 7 S, f/f0 1.25, noise 0.005 (seed 5).
inline void FillTwoSpecies(ContiDataStore& store) {
    store.Fill({{3.5, 1.25, 0.3}, {7.0, 1.25, 0.6}}, {}, {}, 0.005, 5);
}

// The threads a bench row asks for; 0 asks for every core.
inline int BenchThreads(long long asked) {
    return asked > 0 ? static_cast<int>(asked)
                     : static_cast<int>(std::thread::hardware_concurrency());
}

inline void ChooseCs(int threads) {
    ModelChoice::nonInteractingSpecies = false;
    ModelChoice::contiMode = ModelChoice::contiCs = true;
    ModelChoice::fitTINoise = ModelChoice::fitRINoise = true;
    ContiState::rangeMin = 0.0f;
    ContiState::rangeMax = 15.0f;
    ContiState::resolution = 100.0f;
    ContiState::confidenceLevel = 0.68f;
    ContiState::ff0 = 1.25f;
    ContiState::calledFromFit = true; // the data stay as they are between iterations
    ContiState::multiThreading = threads > 1;
    gDistributionThreadCount = threads;
    gLammThreadCount = threads;
}

// A bench row's data and choice: the two species in the store, c(s) chosen on the threads the
// row asks for. The store lives as long as this does.
struct TwoSpeciesCsRow {
    ContiDataStore store{FiftyScans()};
    int threads;
    explicit TwoSpeciesCsRow(long long askedThreads) : threads(BenchThreads(askedThreads)) {
        FillTwoSpecies(store);
        ChooseCs(threads);
    }
};
