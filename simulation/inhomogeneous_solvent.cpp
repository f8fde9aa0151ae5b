// The inhomogeneous-solvent settings' start-up values.
#include "simulation/inhomogeneous_solvent.h"

#include "state/startup_paths.h"

namespace {

std::string ChosenOr(const std::string& chosen, const char* startup) {
    return chosen.empty() ? std::string(startup) : chosen;
}

} // namespace

std::string InhomogeneousSolvent::DFileInUse() {
    return ChosenOr(dFile, gTablePaths.dNonId);
}

std::string InhomogeneousSolvent::SFileInUse() {
    return ChosenOr(sFile, gTablePaths.sNonId);
}

std::string InhomogeneousSolvent::DensityFileInUse() {
    return ChosenOr(densityFile, gTablePaths.density);
}

std::string InhomogeneousSolvent::ViscosityFileInUse() {
    return ChosenOr(viscosityFile, gTablePaths.viscosity);
}

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
