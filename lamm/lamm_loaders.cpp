// The loaders of the Lamm solver object: each stores one group and records its validity.
#include "lamm/lamm_ideal.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kGasConstant = 8.31451e7;                  // erg / (mol K)
constexpr double kInverseAvogadro = 1.6605392767355127e-24; // mol
constexpr int kSmallestGrid = 10;
constexpr int kLargestGrid = 100000;

bool InsideF(float v, double lo, double hi) {
    return v >= static_cast<float>(lo) && v <= static_cast<float>(hi);
}

int ClampGridSize(int n) {
    return std::clamp(n, kSmallestGrid, kLargestGrid);
}

} // namespace

// Degenerate geometry (bottom at or inside the meniscus, non-finite values) is refused here, so
// the grid spacing of the solvers is always positive.
void CLammIdeal::LoadSedParameters(double sS, double dCm2s, double meniscusCm, double bottomCm,
                                   double loading, float fitLimit1, float fitLimit2) {
    s = sS, D = dCm2s, meniscus = meniscusCm, bottom = bottomCm, c0 = loading;
    lowerFitLimit = fitLimit1;
    upperFitLimit = fitLimit2;
    if (upperFitLimit < lowerFitLimit)
        std::swap(upperFitLimit, lowerFitLimit);
    geometryError = 0;
    const bool finite = std::isfinite(s) && std::isfinite(D) && std::isfinite(meniscus) &&
                        std::isfinite(bottom) && std::isfinite(c0);
    bool invalid = !finite || bottom <= meniscus || meniscus <= 0.0 || bottom <= 0.0 ||
                   !InsideF(lowerFitLimit, meniscus, bottom) ||
                   !InsideF(upperFitLimit, meniscus, bottom);
    upperFitLimitInside = InsideF(upperFitLimit, meniscus, bottom);
    if (meniscus <= 0.0 || bottom <= 0.0)
        geometryError = 1;
    if (c0 < 0.0) {
        geometryError = 2;
        invalid = true;
    }
    if (D < 0.0) {
        geometryError = 3;
        invalid = true;
    }
    geometryValid = !invalid;
}

void CLammIdeal::SetIdealModel() {
    idealModel = true;
    modelSet = true;
}

// Grid sizes are held to [10, 100000] and "max dc/c" must be a usable positive number: a zero
// step control would never advance time, an absurd grid size would exhaust memory.
void CLammIdeal::LoadDiscretization(
    int lowerLimit, int upperLimit, float ptsPerSigma, bool rapidAssociation, double bdLevel,
    bool shutOffBD, bool optimizeGridSpacing, bool autoDynamicGrid, float ff0, bool rampSpeed,
    bool fixTimestepOption, int massCheckOption, double tsControlValue, double sGrid,
    bool autoSGrid, bool continuationOption, bool autoAlgorithm, double maxDcOverCCopyValue,
    double fineLimit, double coarseLimit, double maxDcOverCValue, int defaultGrid,
    int allocatedGrid, bool movingHat, bool claverie, float truncLevel, double truncThreshold,
    bool dynTruncate, double factorB, double factorA, double normS, double normSOptimized) {
    if (lowerLimit > 0)
        lowerGridLimit = ClampGridSize(lowerLimit);
    if (upperLimit > 0)
        upperGridLimit = ClampGridSize(upperLimit);
    if (upperGridLimit < lowerGridLimit)
        std::swap(upperGridLimit, lowerGridLimit);
    if (ptsPerSigma > 0.0f && std::isfinite(ptsPerSigma))
        pointsPerSigma = ptsPerSigma;
    rapidAssociationGrid = rapidAssociation;
    if (bdLevel > 0.0)
        backDiffusionLevel = bdLevel;
    shutOffBackDiffusionOption = shutOffBD;
    optimizeSpacing = optimizeGridSpacing;
    autoDynamicGridSize = autoDynamicGrid;
    frictionalRatio = ff0;
    rampRotorSpeed = rampSpeed;
    fixTimestep = fixTimestepOption;
    massCheck = massCheckOption;
    timeStepControlValue = tsControlValue;
    sGridValue = sGrid;
    automaticSGrid = autoSGrid;
    continuation = continuationOption;
    automaticAlgorithm = autoAlgorithm;
    maxDcOverCCopy = maxDcOverCCopyValue;
    fineChangeLimit = fineLimit;
    coarseChangeLimit = coarseLimit;
    maxDcOverC = maxDcOverCValue;
    defaultGridSize = ClampGridSize(defaultGrid);
    allocatedGridSize = allocatedGrid;
    movingHatAlgorithm = movingHat && !claverie;
    claverieAlgorithm = claverie;
    truncationLevel = truncLevel;
    truncationThreshold = truncThreshold;
    dynamicallyTruncateGrid = dynTruncate;
    timeStepFactorB = factorB;
    timeStepFactorA = factorA;
    normalizedS = normS;
    normalizedSOptimized = normSOptimized;
    const bool usableStepControl = std::isfinite(maxDcOverC) && maxDcOverC >= 1e-3;
    const bool usableFactors =
        timeStepFactorA > 0.0 && std::isfinite(timeStepFactorA) && std::isfinite(timeStepFactorB);
    discretizationLoaded = !(ff0 <= 0.0f && D > 0.0) && usableStepControl && usableFactors;
}

void CLammIdeal::LoadOutputParameters(CComputeObserver* progressObserver, bool profilesShown,
                                      ScanHeader* scanHeaders, float** target, const float* radii,
                                      int radiusCount, float** scanRadii, const int* scanCounts,
                                      bool simulatingOnly, const int* order, int count,
                                      int equation, bool quietFitting, bool quietComputing,
                                      bool timeResolution, float velocityCmMin,
                                      bool radialResolution, float radialRangeCm, bool absorbance) {
    observer = progressObserver, liveProfiles = profilesShown;
    headers = scanHeaders, outputTarget = target;
    bool valid = target != nullptr && scanHeaders != nullptr;
    outputRadii = radii, outputRadiusCount = radiusCount;
    perScanRadiusVectors = scanRadii, perScanCounts = scanCounts;
    perScanRadii = radii == nullptr || radiusCount <= 0;
    if (perScanRadii && (scanRadii == nullptr || scanCounts == nullptr))
        valid = false;
    simulatingWithoutFitting = simulatingOnly;
    scanCount = std::max(count, 0);
    ownedScanOrder.clear();
    scanOrder = order;
    if (order == nullptr && scanCount >= 1) {
        ownedScanOrder.resize(scanCount + 1);
        for (int i = 0; i <= scanCount; ++i)
            ownedScanOrder[i] = i;
        scanOrder = ownedScanOrder.data();
    }
    equationNumber = equation;
    quietWhileFitting = quietFitting;
    quietWhileComputing = quietComputing;
    simulateTimeResolution = timeResolution;
    simulateRadialResolution = radialResolution;
    if (velocityCmMin > 0.0f)
        scanVelocity = velocityCmMin;
    else
        simulateTimeResolution = false;
    if (radialRangeCm > 0.0f)
        radialRange = radialRangeCm;
    else
        simulateRadialResolution = false;
    absorbanceData = absorbance;
    if (!absorbance)
        simulateTimeResolution = simulateRadialResolution = false;
    RebuildAccumulation();
    outputLoaded = valid && scanCount > 0;
    if (convolutionOn) {
        ClassifyConvolutionRadii();
        BuildConvolutionTable();
    }
}

// The object's own matrix collects the profiles only when they are to be added to the caller's
// rows; its size follows the radii per scan or the shared grid.
// Only the size is set here; the matrix is made, zeroed, when a solution first writes to it and
// is cleared in place after: a list loads each of its objects several times, and its template
// never solves, so the matrix of 50 scans of 1000 points was made and zeroed three times a run.
void CLammIdeal::RebuildAccumulation() {
    int cols = 0;
    if (perScanRadii) {
        for (int pos = 1; pos <= scanCount; ++pos)
            cols = std::max(cols, OutputCountFor(pos));
    } else if (accumulate) {
        cols = outputRadiusCount;
    }
    accumulationRows = accumulationCols = 0;
    scanRowsWritten = false;
    if (cols > 0 && scanCount > 0) {
        accumulationRows = scanCount;
        accumulationCols = cols;
    }
    if (accumulation.size() != AccumulationSize()) {
        accumulation.clear();
        accumulationClear = true;
    } else {
        ClearAccumulation();
    }
}

size_t CLammIdeal::AccumulationSize() const {
    return accumulationRows > 0 ? static_cast<size_t>(accumulationRows + 1) * (accumulationCols + 1)
                                : 0;
}

void CLammIdeal::ClearAccumulation() {
    if (perScanRadii && !accumulate) {
        // a solution again after one that wrote: the scans it does not reach read zero
        if (scanRowsWritten)
            ZeroCallerRows();
        scanRowsWritten = false;
        return;
    }
    if (accumulation.size() != AccumulationSize())
        accumulation.assign(AccumulationSize(), 0.0f);
    else if (!accumulationClear)
        std::fill(accumulation.begin(), accumulation.end(), 0.0f);
    accumulationClear = true;
}

void CLammIdeal::SetAccumulateOutput(bool on) {
    if (perScanRadii)
        return;
    accumulate = on;
    if (on && accumulationRows == 0)
        RebuildAccumulation();
}

void CLammIdeal::LoadSpeciesFromList(double sS, double dCm2s, float** target, const float* radii,
                                     int radiusCount, float** scanRadii, const int* scanCounts) {
    s = sS;
    D = dCm2s;
    outputTarget = target;
    if (radii != nullptr && radiusCount > 0) {
        outputRadii = radii, outputRadiusCount = radiusCount;
        perScanRadii = false;
    } else if (scanRadii != nullptr && scanCounts != nullptr) {
        perScanRadiusVectors = scanRadii, perScanCounts = scanCounts;
        perScanRadii = true;
    }
    // A list entry is one more equation of the template's kind: a negative or non-finite D
    // would make the grid and the kernel meaningless.
    if (!(D >= 0.0) || !std::isfinite(D) || !std::isfinite(s)) {
        geometryValid = false;
        geometryError = 3;
    }
    RebuildAccumulation();
    outputLoaded = outputTarget != nullptr && headers != nullptr && scanCount > 0;
    if (convolutionOn) {
        ClassifyConvolutionRadii();
        BuildConvolutionTable();
    }
}

// Molar mass from the Svedberg equation and the frictional ratio against the anhydrous sphere.
void CLammIdeal::LoadSpeciesProperties(double temperatureC, double vbarValue, double densityValue,
                                       double viscosityValue) {
    viscosity = static_cast<float>(viscosityValue);
    density = static_cast<float>(densityValue);
    vbar = static_cast<float>(vbarValue);
    vbarRho = static_cast<float>(vbarValue * densityValue);
    temperature = static_cast<float>(temperatureC);
    double molarMass = 0.0;
    if (D > 0.0)
        molarMass = (temperature + 273.15) * kGasConstant * s * 1e-13 / ((1.0 - vbarRho) * D);
    double f0 = 0.0;
    if (molarMass > 0.0 && vbar > 0.0) {
        const double volume = molarMass * vbar * 1e-6 * kInverseAvogadro;
        const double radius = std::cbrt(3.0 * volume / (4.0 * M_PI));
        f0 = viscosity * 0.018887255011800004 * radius * 1000.0;
    }
    if (f0 > 0.0 && s != 0.0)
        frictionalRatio =
            static_cast<float>((molarMass * (1.0 - vbarRho) * kInverseAvogadro / (1e-13 * s)) / f0);
    else
        frictionalRatio = 0.0f;
}

void CLammIdeal::SetZoneLoading(bool on, float widthCm, bool empty) {
    zoneLoading = on;
    zoneWidth = widthCm;
    emptyZone = empty;
}

void CLammIdeal::SetInitialStep(float widthCm, float factor) {
    zoneWidth = widthCm;
    stepFactor = factor;
    initialStep = widthCm > 0.0f && factor > 0.0f;
    if (widthCm > 0.0f && factor == 0.0f) {
        zoneLoading = true;
        emptyZone = true;
    }
}

void CLammIdeal::SetSedimentationTimeOffset(double offsetS) {
    sedimentationTimeOffset = offsetS;
}

void CLammIdeal::SetTimeOffset(double offsetS) {
    if (offsetS > 0.0) {
        startTimeOffsetOn = true;
        startTimeOffset = offsetS;
    }
}

void CLammIdeal::DisableAccelerationCheck() {
    checkAcceleration = false;
}

void CLammIdeal::LoadSelfAssociation(bool interacting, bool ideal, bool a, bool b, bool cSwitch,
                                     bool d, const float values1to5[5], float loading,
                                     bool nonideal, float logKsValue, float logKdValue,
                                     bool switch1, bool switch2, double scale,
                                     const float values7to14[8]) {
    interactingModel = interacting, idealModel = ideal;
    assocA = a, assocB = b, assocC = cSwitch, assocD = d;
    for (int i = 0; i < 5; ++i)
        assocValues[1 + i] = values1to5[i];
    for (int i = 0; i < 8; ++i)
        assocValues[7 + i] = values7to14[i];
    assocValues[1] = values7to14[0];
    assocValues[3] = values7to14[3];
    c0 = loading;
    concDependentSA = !ideal && (a || b || cSwitch || d);
    if (nonideal) {
        logKs = logKsValue, logKd = logKdValue;
        ks = std::pow(10.0f, logKs), kd = std::pow(10.0f, logKd);
        nonidealSwitch1 = switch1, nonidealSwitch2 = switch2;
        nonIdealityScale = scale;
        concDependentNI = true;
    } else {
        concDependentNI = false;
    }
    auto anyZero = [this](int from, int to) {
        for (int i = from; i <= to; ++i)
            if (assocValues[i] == 0.0f)
                return true;
        return c0 == 0.0;
    };
    selfAssociationLoaded = !(((a || b) && anyZero(7, 12)) || ((cSwitch || d) && anyZero(1, 4)) ||
                              ideal || !interacting);
    if (inhomogeneousSolvent)
        modelSet = selfAssociationLoaded = false;
    optimizeSpacing = autoDynamicGridSize = false;
}

void CLammIdeal::LoadNonIdeality(bool ideal, bool nonidealKsKdSwitch, bool interacting,
                                 bool dependence, bool rapidSA, int count, const double* v1,
                                 const double* v2, const double* v3, const double* v4,
                                 float logKsValue, float logKdValue, bool switch1, bool switch2,
                                 double scale, double sS, double dCm2s, double loading) {
    nonIdealityLoaded = false;
    idealModel = ideal, nonidealKsKd = nonidealKsKdSwitch, interactingModel = interacting;
    dependenceSwitch = dependence, rapidSelfAssociation = rapidSA;
    concDependentNI = !ideal && (concDependentSA || nonidealKsKd || dependence || rapidSA);
    if (count > 0) {
        if (v1 == nullptr || v2 == nullptr || v3 == nullptr)
            return;
        while (count > 0 && v1[count] == 0.0)
            --count;
        species1.assign(v1, v1 + count + 1);
        species2.assign(v2, v2 + count + 1);
        species3.assign(v3, v3 + count + 1);
        if (v4 != nullptr)
            species4.assign(v4, v4 + count + 1);
        else
            species4.assign(count + 1, 1.0);
    }
    speciesCount = std::max(count, 0);
    logKs = logKsValue, logKd = logKdValue;
    ks = std::pow(10.0f, logKs), kd = std::pow(10.0f, logKd);
    nonidealSwitch1 = switch1, nonidealSwitch2 = switch2;
    nonIdealityScale = scale;
    s = sS, D = dCm2s, c0 = loading;
    bool valid = !(dCm2s == 0.0 || ideal || !interacting || (rapidSA && speciesCount == 0));
    for (int i = 1; i <= speciesCount; ++i)
        if (species3[i] <= 0.0)
            valid = false;
    concDependentNI = nonIdealityLoaded = valid;
    optimizeSpacing = autoDynamicGridSize = false;
    if (rapidSA)
        rapidAssociationGrid = true;
}
