// The simulation grid record's start-up values.
#include "state/lamm_grid.h"

void LammGrid::ResetToDefaults() {
    gridSize = defaultGridSize = 1000;
    allocatedGridSize = 0;
    maxDcOverC = dcOverCLimit = 1.0;
    dcOverCLow = 0.1;
    dcOverCMid = 0.5;
    stepFactor = 2.0;
    stepBlend = 1.0;
    equilibriumThreshold = 1e-6;
    maxDt = 1000.0;
    autoChangeS = 5.0f;
    autoChangeSOptimized = 60.0f;
    optimizeGridSpacing = shutOffBackDiffusion = truncateGrid = automaticSGrid = true;
    backDiffusionLevel = 1e-4;
    truncationLevel = 1e-6;
    sGrid = 0.0;
    simulateTimeResolution = simulateRadialResolution = false;
    scanVelocity = 2.43f;
    radialConvolutionRange = 0.008f;
    profileCurves = finalProfileToLastScan = false;
    singularMatrix = discretizationError = signalBeyondFloat = 0;
    simErrorShown = modelNoticeShown = false;
    faxenApproximation = timeCourseRestart = false;
    s = 5.0;
    d = 0.0;
    rotorSpeed = maxRotorSpeed = 10000.0;
    accelerationTime = accelerationRate = 0.0;
    accelerating = false;
    maxDtAcceleration = 1.0;
    time = totalAmount = 0.0;
    initialDt = 1.0;
    stepCount = 0;
    progressObserver = nullptr;
    currentSpecies = 1;
    loadingFraction = 1.0f;
    backDiffusionShutOff = false;
    frictionalRatio = boundaryWidth = 0.0f;
    firstScanIsInitial = nonDiffusing = activeRegionOff = lastResortMode = false;
    equilibriumReached = reactionDisplay = false;
    firstSimulatedScan = 1;
    omega2S = gridStartRadius = 0.0;
    movingGridCount = uniformGridCount = 0;
    growingGrid = growingGridBuilt = false;
    growthStartRadius = uniformStep = refineRadius = refineStep = refineFactor = 0.0;
    refineIndex = 0;
}
