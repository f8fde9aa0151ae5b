// The shared loading of Lamm solver templates from the program-wide records.
#include "simulation/lamm_template.h"

#include "lamm/lamm_ideal.h"
#include "scandata/rotor_speed_profile.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/inhomogeneous_solvent.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/fluorophore.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/scan_order.h"
#include "state/startup_paths.h"

#include <string>

namespace {

// The fluorescence corrections that are on, as every equation gets them.
void LoadDetectionCorrections(CLammIdeal& o) {
    using DC = DetectionCorrections;
    if (DC::magnificationOn)
        o.SetRadialMagnification(true, DC::magnificationFactor);
    if (DC::driftOn)
        o.SetSignalDrift(true, DC::linearDriftOn, DC::linearDriftRate, DC::exponentialDriftOn,
                         DC::exponentialDriftRate, DC::driftPlateau);
    if (DC::coneOn)
        o.SetExcitationCone(true, DC::coneRadius);
    if (DC::convolutionOn)
        o.SetRadialConvolution(true, DC::convolutionWidth, DC::convolutionCutoff);
}

// The numerical options of the Lamm solution; the frictional ratio is a placeholder that the
// species properties replace.
void LoadNumericalOptions(CLammIdeal& o) {
    using G = LammGrid;
    using M = ModelParameters;
    o.LoadDiscretization(
        M::minGridSize, M::maxGridSize, M::pointsPerSigma, false, G::backDiffusionLevel,
        G::shutOffBackDiffusion, G::optimizeGridSpacing, M::autoGridSize, 1.0f,
        ScanStore::rampRotorSpeed, ModelChoice::fixedTimeStep, G::profileCurves ? 1 : 0,
        G::equilibriumThreshold, G::sGrid, G::automaticSGrid, G::finalProfileToLastScan,
        ModelChoice::automaticAlgorithm, G::dcOverCLimit, G::dcOverCLow, G::dcOverCMid,
        G::maxDcOverC, G::defaultGridSize, G::allocatedGridSize, ModelChoice::movingHatAlgorithm,
        ModelChoice::claverieAlgorithm, kDepletedEndLevel, G::truncationLevel, G::truncateGrid,
        G::stepBlend, G::stepFactor, G::autoChangeS, G::autoChangeSOptimized);
}

// The solvent the species sees: a compressible solvent, or a cosolute that sediments on its own
// grid and changes density and viscosity as it goes. The species' s and D are then at standard
// conditions (water), and the solver scales them node by node.
void LoadInhomogeneousSolvent(CLammIdeal& o) {
    using IS = InhomogeneousSolvent;
    o.LoadSolventOptions(true, true, IS::compressibleSolvent, false, IS::compressibility,
                         IS::macromoleculeVbar, ScanStore::viscosity, ScanStore::density,
                         ScanStore::vbar, ScanStore::vbarRho, IS::bufferDensity,
                         IS::bufferViscosity, IS::relativeViscosity, 0.7287f, 1.0, 1.0, 1.0, 1.0);
    if (!IS::dynamicGradient)
        return;
    const std::string sFile = IS::SFileInUse();
    const std::string dFile = IS::DFileInUse();
    // The viscosity polynomial comes first, then the density polynomial.
    o.LoadSolventGradient(
        true, true, IS::addWaterCompressibility, IS::apparentS, IS::apparentD, true, IS::gridSize,
        ModelChoice::zoneCentrifugation, IS::nonidealCosolute, IS::loadingConcentration,
        IS::saveCosoluteData, IS::plotCosoluteData, IS::compressibility, gTempFolder,
        IS::cesiumChloride, sFile.c_str(), dFile.c_str(),
        IS::viscosityCoefficients.empty() ? nullptr : IS::viscosityCoefficients.data(),
        IS::Count(IS::viscosityCoefficients),
        IS::densityCoefficients.empty() ? nullptr : IS::densityCoefficients.data(),
        IS::Count(IS::densityCoefficients));
}

// Temperature of the species, deg C: the store's absolute temperature once data are loaded.
double SpeciesTemperature() {
    if (ScanStore::absoluteTemperature > 0.0f)
        return ScanStore::absoluteTemperature - 273.15;
    if (ScanStore::header == nullptr)
        return 20.0;
    return ScanStore::header[ScanAtPosition(1)].temperature;
}

// First radius of the earliest scan: where the scanner starts.
float FirstScanRadius() {
    const int first = ScanAtPosition(1);
    if (ScanStore::radius != nullptr && ScanStore::radius[first] != nullptr &&
        ScanStore::pointCount != nullptr && ScanStore::pointCount[first] > 0)
        return ScanStore::radius[first][1];
    return ScanStore::gridRadius != nullptr ? ScanStore::gridRadius[1] : 0.0f;
}

} // namespace

void LoadLammTemplate(CLammIdeal& o, CComputeObserver* observer, double sS, double dCm2s,
                      double loading, const LammTemplateOutput& out) {
    o.SetIdealModel();
    o.LoadSedParameters(sS, dCm2s, ModelParameters::meniscus, ModelParameters::bottom, loading,
                        ScanStore::leftFitLimit, ScanStore::rightFitLimit);
    if (!ScanStore::checkAcceleration)
        o.DisableAccelerationCheck();
    LoadDetectionCorrections(o);
    o.LoadOutputParameters(observer, out.liveProfiles, ScanStore::header, out.rows, out.radii,
                           out.radiusCount, out.scanRadii, out.scanCounts, out.simulatingOnly,
                           ScanStore::scanOrder, ScanStore::scanCount, out.equation,
                           FitControl::fitInProgress, ContiState::quietComputing,
                           LammGrid::simulateTimeResolution, LammGrid::scanVelocity,
                           LammGrid::simulateRadialResolution, LammGrid::radialConvolutionRange,
                           ScanDataKind::absorbance);
    LoadNumericalOptions(o);
    if (ModelChoice::zoneCentrifugation)
        o.SetZoneLoading(true, ModelParameters::zoneLayerThickness, ModelChoice::zoneInverted);
    o.LoadSpeciesProperties(SpeciesTemperature(), ScanStore::vbar, ScanStore::density,
                            ScanStore::viscosity);
    if (ModelParameters::startTimeOn)
        o.SetSedimentationTimeOffset(ModelParameters::startTime);
    if (ScanStore::speedProfileInForce && ScanStore::speedProfile != nullptr)
        o.LoadRotorSpeedProfile(*ScanStore::speedProfile);
    if (ModelChoice::inhomogeneousSolvent)
        LoadInhomogeneousSolvent(o);
    if (ScanDataKind::absorbance && LammGrid::simulateTimeResolution &&
        LammGrid::scanVelocity > 0.0f)
        o.SetStartOffset(FirstScanRadius());
}
