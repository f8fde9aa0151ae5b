// The experimental initial distribution: a measured profile the Lamm solutions start from in
// place of a uniform loading, and the scan store's part in it (the first scan as the profile).
#pragma once

#include <vector>

// A measured concentration profile at its time, for one species: the signal above the baseline,
// never negative, times the species' share of it.
struct CInitialProfile {
    std::vector<float> radius, signal; // 1-based, ascending radii
    double timeS = 0.0;
    double baseline = 0.0;
    double share = 1.0;
};

// The profile on the radii r[1..n] into c[1..n]: resampled (ends held at the mean of their last
// values), the baseline subtracted, negative values set to 0, times the share.
void SampleInitialProfile(const CInitialProfile& profile, int n, const double* r, double* c);

// Before an evaluation with the experimental initial distribution: the initial-data set, or, when
// it is empty, a copy of the first scan in scan order. Scan 1 is the initial state (not
// simulated, its model its data) when the initial data carry its time. Sets
// LammGrid::firstScanIsInitial and LammGrid::firstSimulatedScan; without the experimental initial
// distribution both say that every scan is simulated. False when there is no profile to start
// from.
bool PrepareExperimentalInitialProfile();
// The initial-data set as the profile of one species (baseline of the model, the given share).
CInitialProfile ExperimentalInitialProfile(double share);
