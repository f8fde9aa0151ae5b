// Defaults of the model parameters, and the fit-range statistics the scan loaders call.
#include "fitting/model_parameters.h"

#include "scandata/scan_store.h"

#include <cmath>

void ModelParameters::ResetToDefaults()
{
    meniscus = bottom = baseline = 0.0f;
    meniscusFloat = bottomFloat = baselineFloat = 0;
    fitBaseline = false;
    for (int s = 1; s <= maxSpecies; ++s) {
        concentration[s] = 0.5f;
        speciesS[s] = 4.0f;
        // The program starts in the M-and-s form (ModelChoice::equilibriumMs).
        speciesDOrM[s] = 50000.0f;
        concentrationFloat[s] = speciesSFloat[s] = speciesDOrMFloat[s] = 0;
        speciesOn[s] = s == 1 ? 1 : 0;
    }
    experimentalInitialDistribution = false;
    constantInitialDistribution = true;
    blocalVaryMeniscusWarned = false;
    userMeniscusBottomLimits = false;
    variationLimitsSet = false;
    zoneLayerThickness = 0.0f;
    startTimeOn = false;
    startTime = 0.0f;
    fitT0 = false;
    electrophoresisLength = 0.4f;
    oilVolume = 0.01f;
    autoGridSize = true;
    pointsPerSigma = 5.0f;
    maxGridSize = 2000;
    minGridSize = 75;
    for (int k = 0; k <= kFitSlots; ++k) {
        fitValues[k] = 0.0f;
        fitFloat[k] = 0;
    }
    PackFitParameters();
}

void PackFitParameters()
{
    using M = ModelParameters;
    for (int k = 1; k <= M::maxSpecies; ++k) {
        M::fitValues[k] = M::speciesDOrM[k];
        M::fitFloat[k] = M::speciesDOrMFloat[k];
        M::fitValues[4 + k] = M::speciesS[k];
        M::fitFloat[4 + k] = M::speciesSFloat[k];
        M::fitValues[8 + k] = M::concentration[k];
        M::fitFloat[8 + k] = M::concentrationFloat[k];
    }
    M::fitValues[13] = M::meniscus;
    M::fitFloat[13] = M::meniscusFloat;
    M::fitValues[14] = M::bottom;
    M::fitFloat[14] = M::bottomFloat;
    M::fitValues[15] = M::baseline;
    M::fitFloat[15] = M::baselineFloat;
}

// A non-positive D or M is copied as it is: the M-and-s conversion reads it as "no value" and
// gives 0 again, so it cannot turn into a finite value on a round trip.
void UnpackFitParameters()
{
    using M = ModelParameters;
    for (int k = 1; k <= M::maxSpecies; ++k) {
        M::speciesDOrM[k] = M::fitValues[k];
        M::speciesDOrMFloat[k] = M::fitFloat[k];
        M::speciesS[k] = M::fitValues[4 + k];
        M::speciesSFloat[k] = M::fitFloat[4 + k];
        M::concentration[k] = M::fitValues[8 + k];
        M::concentrationFloat[k] = M::fitFloat[8 + k];
    }
    M::meniscus = M::fitValues[13];
    M::meniscusFloat = M::fitFloat[13];
    M::bottom = M::fitValues[14];
    M::bottomFloat = M::fitFloat[14];
    M::baseline = M::fitValues[15];
    M::baselineFloat = M::fitFloat[15];
}

void SetDefaultMeniscusBottomLimits()
{
    // The limits follow the fitting work; until then the user's or the initial values stand.
}

float CalcFitRmsd()
{
    double sum = 0.0;
    long count = 0;
    for (int k = 1; k <= ScanStore::scanCount; ++k) {
        if (!ScanStore::signal || !ScanStore::signal[k] || !ScanStore::fit[k])
            continue;
        for (int i = ScanStore::firstFitIndex[k]; i >= 1 && i <= ScanStore::lastFitIndex[k] &&
                                                  i <= ScanStore::pointCount[k];
             ++i) {
            double d = ScanStore::signal[k][i] - ScanStore::fit[k][i];
            sum += d * d;
            ++count;
        }
    }
    return count > 0 ? static_cast<float>(std::sqrt(sum / count)) : 0.0f;
}

void ComputeTimeInvariantNoise()
{
    const int n = ScanStore::gridCount;
    const int scans = ScanStore::scanCount;
    if (!ScanStore::gridMeanSignal || !ScanStore::gridSignal || n <= 0 || scans <= 0)
        return;
    for (int g = 1; g <= n; ++g) {
        double sum = 0.0;
        for (int k = 1; k <= scans; ++k)
            sum += ScanStore::gridSignal[k][g];
        ScanStore::gridMeanSignal[g] = static_cast<float>(sum / scans);
    }
    float sum = 0.0f;
    float count = 0.0f;
    for (int g = ScanStore::gridFirstFit; g >= 1 && g <= ScanStore::gridLastFit && g <= n; ++g) {
        sum += ScanStore::gridMeanSignal[g];
        count += 1.0f;
    }
    ScanStore::gridSignalSum = static_cast<float>(scans) * sum;
    ScanStore::gridValueCount = static_cast<float>(scans) * count;
}

void FixAllFitParameters()
{
    for (std::int32_t& flag : ModelParameters::fitFloat)
        flag = 0;
}
