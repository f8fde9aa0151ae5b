// Defaults of the model parameters and the copies between the fields and the packed fit vector.
#include "state/model_parameters.h"

#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/scan_store.h"

#include <vector>

void ModelParameters::ResetToDefaults() {
    meniscus = bottom = baseline = 0.0f;
    meniscusFloat = bottomFloat = baselineFloat = 0;
    fitBaseline = false;
    for (int s = 1; s <= maxSpecies; ++s) {
        concentration[s] = 0.5f;
        speciesS[s] = 4.0f;
        // The program starts in the M-and-s form (ModelChoice::equilibriumMs).
        speciesDOrM[s] = 50000.0f;
        speciesExponent[s] = 0.0f;
        concentrationFloat[s] = speciesSFloat[s] = speciesDOrMFloat[s] = 0;
        speciesExponentFloat[s] = 0;
        speciesOn[s] = s == 1 ? 1 : 0;
        speciesLoading[s] = 0.0f;
    }
    experimentalInitialDistribution = false;
    constantInitialDistribution = true;
    blocalVaryMeniscusWarned = false;
    userMeniscusBottomLimits = false;
    variationLimitsSet = false;
    zoneLayerThickness = 0.1f;
    startTimeOn = false;
    startTime = 0.0f;
    fitT0 = false;
    electrophoresisLength = 0.4f;
    oilVolume = 0.01f;
    autoGridSize = true;
    pointsPerSigma = 5.0f;
    maxGridSize = 2000;
    minGridSize = 75;
    assocS1 = 1.0f;
    assocS2 = 2.0f;
    assocD1 = assocD2 = 0.0f;
    assocLogK = 0.0f;
    assocKsOn = false;
    logKs = logKd = -8.0f;
    nonidealPositive = true;
    tabulatedNonideality = tabulatedCsCl = false;
    oligoS1 = oligoS2 = oligoS3 = oligoD1 = oligoD2 = oligoD3 = 0.0f;
    oligoLogK3 = 0.0f;
    assocLogKFloat = logKsFloat = logKdFloat = oligoLogK3Float = 0;
    for (int k = 0; k <= kFitSlots; ++k) {
        fitValues[k] = 0.0f;
        fitFloat[k] = 0;
    }
    PackFitParameters();
}

namespace {

using M = ModelParameters;

// One slot of the packed vector: the field it mirrors, its float flag (null: the packed flag is
// the only one), and the models it belongs to. Pack and unpack both walk this table, so the two
// directions cannot drift apart.
enum class Family { Discrete, Distribution, Both };

struct SlotEntry {
    int slot;
    Family family;
    float* value;
    std::int32_t* flag;
    float scale = 1.0f; // packed value = field x scale
};

constexpr float kWaterViscosityPoise = 0.01002f;
// The time offset's float flag is the switch fitT0.
std::int32_t gTimeOffsetFlag = 0;

std::vector<SlotEntry> BuildSlotMap() {
    std::vector<SlotEntry> map;
    for (int k = 1; k <= M::maxSpecies; ++k) {
        map.push_back({k, Family::Discrete, &M::speciesDOrM[k], &M::speciesDOrMFloat[k]});
        map.push_back({M::maxSpecies + k, Family::Discrete, &M::speciesS[k], &M::speciesSFloat[k]});
        map.push_back({2 * M::maxSpecies + k, Family::Discrete, &M::concentration[k],
                       &M::concentrationFloat[k]});
        map.push_back({kSlotSpeciesExponent1 + k - 1, Family::Discrete, &M::speciesExponent[k],
                       &M::speciesExponentFloat[k]});
    }
    map.push_back({kSlotMeniscus, Family::Both, &M::meniscus, &M::meniscusFloat});
    map.push_back({kSlotBottom, Family::Both, &M::bottom, &M::bottomFloat});
    map.push_back({kSlotBaseline, Family::Both, &M::baseline, &M::baselineFloat});
    map.push_back({kSlotTimeOffset, Family::Both, &M::timeOffset, &gTimeOffsetFlag});
    map.push_back(
        {kSlotElectrophoresisLength, Family::Discrete, &M::electrophoresisLength, nullptr});
    map.push_back({kSlotAssocLogK, Family::Discrete, &M::assocLogK, &M::assocLogKFloat});
    map.push_back({kSlotLogKs, Family::Discrete, &M::logKs, &M::logKsFloat});
    map.push_back({kSlotLogKd, Family::Discrete, &M::logKd, &M::logKdFloat});
    map.push_back({kSlotSecondLogK, Family::Discrete, &M::oligoLogK3, &M::oligoLogK3Float});
    map.push_back({kSlotRangeMin, Family::Distribution, &ContiState::rangeMin, nullptr});
    map.push_back(
        {kSlotConfidenceLevel, Family::Distribution, &ContiState::confidenceLevel, nullptr});
    map.push_back({kSlotVbar, Family::Distribution, &ScanStore::vbar, &ContiState::vbarFloat});
    map.push_back({kSlotResolution, Family::Distribution, &ContiState::resolution, nullptr});
    map.push_back({kSlotRangeMax, Family::Distribution, &ContiState::rangeMax, nullptr});
    map.push_back(
        {kSlotFrictionalRatio, Family::Distribution, &ContiState::ff0, &ContiState::ff0Float});
    map.push_back({kSlotDensity, Family::Distribution, &ScanStore::density, nullptr});
    map.push_back({kSlotSecondFrictionalRatio, Family::Distribution, &ContiState::bimodalFf0,
                   &ContiState::bimodalFf0Float});
    map.push_back({kSlotViscosity, Family::Distribution, &ScanStore::viscosity, nullptr,
                   kWaterViscosityPoise});
    return map;
}

const std::vector<SlotEntry>& SlotMap() {
    static const std::vector<SlotEntry> map = BuildSlotMap();
    return map;
}

bool InCurrentFamily(Family f) {
    if (f == Family::Both)
        return true;
    return (f == Family::Distribution) == ModelChoice::contiMode;
}

void Unpack(const SlotEntry& e) {
    const float packed = M::fitValues[e.slot];
    // A converted value comes back only when it was changed, so an unchanged one stays exact.
    if (e.scale == 1.0f)
        *e.value = packed;
    else if (packed != *e.value * e.scale)
        *e.value = packed / e.scale;
    if (e.flag)
        *e.flag = M::fitFloat[e.slot];
}

} // namespace

void PackFitParameters() {
    gTimeOffsetFlag = M::fitT0 ? 1 : 0;
    for (const SlotEntry& e : SlotMap()) {
        if (!InCurrentFamily(e.family))
            continue;
        M::fitValues[e.slot] = *e.value * e.scale;
        if (e.flag)
            M::fitFloat[e.slot] = *e.flag;
    }
}

void UnpackFitParameters() {
    gTimeOffsetFlag = M::fitT0 ? 1 : 0;
    for (const SlotEntry& e : SlotMap())
        if (InCurrentFamily(e.family))
            Unpack(e);
    // A negative diffusion coefficient cannot be simulated; D = 0 stays, the evaluation reads it
    // as a species that does not diffuse. Molar masses are copied as they are: the M-and-s
    // conversion reads a non-positive one as "no value".
    // With cumulants slot 2 holds a variance, kept from going negative like a D, and slots 3
    // and 4 the higher cumulants, which may be of either sign.
    if (!ModelChoice::contiMode && !ModelChoice::equilibriumMs)
        for (int k = 1; k <= (ModelChoice::dlsCumulants ? 2 : M::maxSpecies); ++k)
            if (M::speciesDOrM[k] < 0.0f)
                M::speciesDOrM[k] = 1e-10f;
    M::fitT0 = gTimeOffsetFlag != 0;
    if (ModelChoice::contiMode)
        ScanStore::vbarRho = ScanStore::vbar * ScanStore::density;
}

void UnpackSpeciesSlots() {
    for (const SlotEntry& e : SlotMap())
        if (e.family == Family::Discrete && e.slot <= 3 * M::maxSpecies)
            Unpack(e);
}

void FixAllFitParameters() {
    for (std::int32_t& flag : ModelParameters::fitFloat)
        flag = 0;
}
