// Loaders of the solvent options and of the sedimenting cosolvent with its coefficient tables.
#include "lamm/lamm_ideal.h"

void CLammIdeal::LoadSolventOptions(bool inhomogeneous, bool solventSwitchValue, bool compressible,
                                    bool linearGradientValue, double kappaValue,
                                    float vbarSecondValue, float viscosityValue, float densityValue,
                                    float vbarValue, float buoyancyValue, float rho0Value,
                                    float viscosityPaS, float viscosityRatioValue,
                                    float furtherValue, double densityAtMeniscus,
                                    double densityAtBottom, double viscosityAtMeniscus,
                                    double viscosityAtBottom) {
    inhomogeneousSolvent = inhomogeneous, solventSwitch = solventSwitchValue;
    compressibleSolvent = compressible, linearGradient = linearGradientValue;
    kappa = kappaValue, vbarSecond = vbarSecondValue;
    viscosity = viscosityValue, density = densityValue, vbar = vbarValue;
    vbarRho = buoyancyValue, rho0 = rho0Value, solventViscosityValue = viscosityPaS;
    viscosityRatio = viscosityRatioValue, furtherSolventValue = furtherValue;
    densityMeniscus = densityAtMeniscus, densityBottom = densityAtBottom;
    viscosityMeniscus = viscosityAtMeniscus, viscosityBottom = viscosityAtBottom;
}

namespace {

std::vector<double> CopyArray(const double* array, int length) {
    if (array == nullptr || length <= 0)
        return {};
    return std::vector<double>(array, array + length + 1);
}

} // namespace

// Paths and arrays are copied into the object (paths of any length), so a worker's copy never
// depends on the caller's buffers.
void CLammIdeal::LoadSolventGradient(bool inhomogeneous, bool gradient, bool gradientCompressible,
                                     double s2, double d2, bool secondComponent, int n2,
                                     bool cleanUp, bool concentrationDependent, double loading,
                                     bool fileSwitch, bool plotSwitch, double kappaValue,
                                     const char* folder, bool builtIn, const char* sFile,
                                     const char* dFile, const double* array1, int length1,
                                     const double* array2, int length2) {
    inhomogeneousSolvent = inhomogeneous;
    cosolventGradient = gradient;
    cosolventCompressible = gradientCompressible;
    cosolventS = s2, cosolventD = d2;
    secondComponentOn = secondComponent;
    cosolventGridCount = n2;
    cosolventCleanUp = cleanUp;
    cosolventConcentrationDependent = concentrationDependent;
    cosolventLoading = loading;
    cosolventFileSwitch = fileSwitch, cosolventPlotSwitch = plotSwitch;
    kappa = kappaValue;
    builtInCoefficients = builtIn;
    if (folder != nullptr)
        outputFolder = folder;
    if (sFile != nullptr)
        sCoefficientFile = sFile;
    if (dFile != nullptr)
        dCoefficientFile = dFile;
    cosolventArray1 = CopyArray(array1, length1);
    cosolventArray2 = CopyArray(array2, length2);
    if (concentrationDependent)
        LoadCosolventCoefficients();
}
