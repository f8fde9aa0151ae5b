// Defaults of the model parameters and the copies between the fields and the packed fit vector.
#include "state/model_parameters.h"

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
        speciesLoading[s] = 0.0f;
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




void FixAllFitParameters()
{
    for (std::int32_t& flag : ModelParameters::fitFloat)
        flag = 0;
}
