// The simulation grid record's start-up values.
#include "simulation/lamm_grid.h"

void LammGrid::ResetToDefaults()
{
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
    singularMatrix = discretizationError = 0;
    simErrorShown = false;
    faxenApproximation = timeCourseRestart = false;
}
