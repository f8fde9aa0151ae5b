// Construction, destruction and the template copy of the Lamm solver object.
#include "lamm/lamm_ideal.h"

#include "state/diagnostics.h"

CLammIdeal::CLammIdeal() : logOn(gSolverDiagnostics) {}

// Every array the object owns is held by a std::vector, so destruction frees them all.
CLammIdeal::~CLammIdeal() = default;

// Settings are copied field by field; the finite-element arrays and output state are not, because
// each copy solves its own equation.
void CLammIdeal::CopySettingsFrom(const CLammIdeal& o) {
    // sedimentation parameters and their validity
    c0 = o.c0, bottom = o.bottom, meniscus = o.meniscus, s = o.s, D = o.D;
    geometryValid = o.geometryValid, upperFitLimitInside = o.upperFitLimitInside;
    geometryError = o.geometryError;
    upperFitLimit = o.upperFitLimit, lowerFitLimit = o.lowerFitLimit;
    // zone loading
    zoneLoading = o.zoneLoading, zoneWidth = o.zoneWidth, emptyZone = o.emptyZone;
    initialStep = o.initialStep, stepFactor = o.stepFactor;
    // output description: same target, radii and headers; the order is borrowed
    observer = o.observer, liveProfiles = o.liveProfiles;
    headers = o.headers, scanCount = o.scanCount;
    ownedScanOrder = o.ownedScanOrder;
    scanOrder = o.ownedScanOrder.empty() ? o.scanOrder : ownedScanOrder.data();
    equationNumber = o.equationNumber, threadNumber = o.threadNumber;
    outputTarget = o.outputTarget, outputRadii = o.outputRadii;
    outputRadiusCount = o.outputRadiusCount, perScanRadii = o.perScanRadii;
    accumulate = o.accumulate, perScanRadiusVectors = o.perScanRadiusVectors;
    perScanCounts = o.perScanCounts, simulatingWithoutFitting = o.simulatingWithoutFitting;
    quietWhileFitting = o.quietWhileFitting, quietWhileComputing = o.quietWhileComputing;
    simulateTimeResolution = o.simulateTimeResolution, scanVelocity = o.scanVelocity;
    simulateRadialResolution = o.simulateRadialResolution, radialRange = o.radialRange;
    absorbanceData = o.absorbanceData;
    // solvent options and species properties
    densityMeniscus = o.densityMeniscus, densityBottom = o.densityBottom;
    viscosityMeniscus = o.viscosityMeniscus, viscosityBottom = o.viscosityBottom;
    kappa = o.kappa, vbarSecond = o.vbarSecond, temperature = o.temperature;
    viscosity = o.viscosity, density = o.density, vbar = o.vbar, vbarRho = o.vbarRho;
    rho0 = o.rho0, solventViscosityValue = o.solventViscosityValue;
    viscosityRatio = o.viscosityRatio, furtherSolventValue = o.furtherSolventValue;
    frictionalRatio = o.frictionalRatio;
    // cosolvent and its tables, as the object's own copies
    cosolventS = o.cosolventS, cosolventD = o.cosolventD;
    cosolventGridCount = o.cosolventGridCount, cosolventCleanUp = o.cosolventCleanUp;
    cosolventConcentrationDependent = o.cosolventConcentrationDependent;
    cosolventLoading = o.cosolventLoading, cosolventFileSwitch = o.cosolventFileSwitch;
    cosolventPlotSwitch = o.cosolventPlotSwitch, secondComponentOn = o.secondComponentOn;
    outputFolder = o.outputFolder, builtInCoefficients = o.builtInCoefficients;
    sCoefficientFile = o.sCoefficientFile, dCoefficientFile = o.dCoefficientFile;
    sCoefficients = o.sCoefficients, dCoefficients = o.dCoefficients;
    cosolventArray1 = o.cosolventArray1, cosolventArray2 = o.cosolventArray2;
    // detection block, with the copy's own fluorophore and convolution table
    CopyDetectionFrom(o);
    // model and group switches
    interactingModel = o.interactingModel, idealModel = o.idealModel;
    assocA = o.assocA, assocB = o.assocB, assocC = o.assocC, assocD = o.assocD;
    nonidealKsKd = o.nonidealKsKd, dependenceSwitch = o.dependenceSwitch;
    inhomogeneousSolvent = o.inhomogeneousSolvent, solventSwitch = o.solventSwitch;
    compressibleSolvent = o.compressibleSolvent, linearGradient = o.linearGradient;
    cosolventGradient = o.cosolventGradient, cosolventCompressible = o.cosolventCompressible;
    modelSet = o.modelSet, discretizationLoaded = o.discretizationLoaded;
    // discretization
    massCheck = o.massCheck, sGridValue = o.sGridValue, automaticSGrid = o.automaticSGrid;
    continuation = o.continuation, automaticAlgorithm = o.automaticAlgorithm;
    maxDcOverCCopy = o.maxDcOverCCopy, fineChangeLimit = o.fineChangeLimit;
    coarseChangeLimit = o.coarseChangeLimit, maxDcOverC = o.maxDcOverC;
    defaultGridSize = o.defaultGridSize, movingHatAlgorithm = o.movingHatAlgorithm;
    claverieAlgorithm = o.claverieAlgorithm, timeStepFactorA = o.timeStepFactorA;
    normalizedS = o.normalizedS, normalizedSOptimized = o.normalizedSOptimized;
    timeStepFactorB = o.timeStepFactorB;
    lowerGridLimit = o.lowerGridLimit, upperGridLimit = o.upperGridLimit;
    pointsPerSigma = o.pointsPerSigma, rapidAssociationGrid = o.rapidAssociationGrid;
    heldList = o.heldList;
    backDiffusionLevel = o.backDiffusionLevel;
    shutOffBackDiffusionOption = o.shutOffBackDiffusionOption;
    optimizeSpacing = o.optimizeSpacing, autoDynamicGridSize = o.autoDynamicGridSize;
    rampRotorSpeed = o.rampRotorSpeed, fixTimestep = o.fixTimestep;
    checkAcceleration = o.checkAcceleration;
    timeStepControlValue = o.timeStepControlValue, allocatedGridSize = o.allocatedGridSize;
    truncationLevel = o.truncationLevel, truncationThreshold = o.truncationThreshold;
    dynamicallyTruncateGrid = o.dynamicallyTruncateGrid;
    fixedMaxStepOn = o.fixedMaxStepOn, fixedMaxStep = o.fixedMaxStep;
    // time offsets and diagnostics
    sedimentationTimeOffset = o.sedimentationTimeOffset;
    startTimeOffsetOn = o.startTimeOffsetOn, startTimeOffset = o.startTimeOffset;
    logOn = o.logOn;
    // non-ideality, with the object's own species vectors
    concDependentSA = o.concDependentSA, concDependentNI = o.concDependentNI;
    speciesCount = o.speciesCount;
    species1 = o.species1, species2 = o.species2, species3 = o.species3, species4 = o.species4;
    selfAssociationLoaded = o.selfAssociationLoaded, nonIdealityLoaded = o.nonIdealityLoaded;
    rapidSelfAssociation = o.rapidSelfAssociation;
    for (int i = 0; i < 17; ++i)
        assocValues[i] = o.assocValues[i];
    logKs = o.logKs, ks = o.ks, logKd = o.logKd, kd = o.kd;
    nonidealSwitch1 = o.nonidealSwitch1, nonidealSwitch2 = o.nonidealSwitch2;
    nonIdealityScale = o.nonIdealityScale;
    // speed schedule, with the object's own vectors
    if (o.profileLoaded && o.speedStepCount > 0) {
        profileLoaded = true;
        speedStepCount = o.speedStepCount;
        stepStart = o.stepStart, stepEnd = o.stepEnd;
        stepSpeed = o.stepSpeed, stepAcceleration = o.stepAcceleration;
        currentStep = o.currentStep, atStepSpeed = o.atStepSpeed;
        lastStepReached = o.lastStepReached, finalRotorSpeed = o.finalRotorSpeed;
    }
    keyPoll = o.keyPoll;
    RebuildAccumulation();
}
