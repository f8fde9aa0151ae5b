// The inhomogeneous-solvent settings' start-up values.
#include "simulation/inhomogeneous_solvent.h"

void InhomogeneousSolvent::ResetToDefaults() {
    compressibleSolvent = true;
    sedimentingCosolute = dynamicGradient = addWaterCompressibility = false;
    waterCompressibilityBox = false;
    nonidealCosolute = cesiumChloride = plotCosoluteData = saveCosoluteData = false;
    compressibility = 0.0004591;
    bufferDensity = 0.99823f;
    bufferViscosity = 0.001002f;
    relativeViscosity = 1.0f;
    solvatedVbar = 0.0f;
    macromoleculeVbar = 0.73f;
    loadingConcentration = 1.5;
    apparentS = 0.2;
    apparentD = 3e-6;
    gridSize = 50;
    densityCoefficients.clear();
    viscosityCoefficients.clear();
    dFile.clear(), sFile.clear(), densityFile.clear(), viscosityFile.clear();
    convertedToStandard = false;
    savedVbarEntry = 0.73f;
    savedFirstEntry = 1.0f;
    truncationNoteShown = cosoluteNoteShown = compressibleNoteShown = false;
}
