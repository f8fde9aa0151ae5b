// The Lamm equation numerical options and their settings file.
#include "simulation/lamm_preferences.h"

#include "foundations/cvector.h"
#include "foundations/numeric_text_files.h"
#include "scandata/scan_store_alloc.h"
#include "state/fit_control.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/startup_paths.h"
#include "state/window_services.h"

#include <cmath>
#include <cstdio>

namespace {

float Flag(bool on) {
    return on ? 1.0f : 0.0f;
}
bool On(float v) {
    return v > 0.0f;
}

// Integer slots are truncated toward zero; a value that is no usable grid size keeps the old one
// (a grid of 0 or 1 point has no spacing, and a huge one cannot be allocated).
void SetGridSize(int& option, float v) {
    if (std::isfinite(v) && v >= 10.0f && v <= 100000.0f)
        option = static_cast<int>(v);
}

// A slot without a guard of its own takes only a finite value; NaN or infinity keeps the option.
template <typename T> void SetFinite(T& option, float v) {
    if (std::isfinite(v))
        option = v;
}

void Trace(TXLAWindow* window, const char* text) {
    if (window != nullptr)
        WindowServices::DebugLog(window, text);
}

} // namespace

void GetLammEqParameters(float v[kLammOptionSlots]) {
    v[kSlotAutoChangeS] = LammGrid::autoChangeS;
    v[kSlotShutOffBackDiffusion] = Flag(LammGrid::shutOffBackDiffusion);
    v[kSlotBackDiffusionLevel] = static_cast<float>(LammGrid::backDiffusionLevel);
    v[kSlotAutoGridSize] = Flag(ModelParameters::autoGridSize);
    v[kSlotDefaultGridSize] = static_cast<float>(LammGrid::defaultGridSize);
    v[kSlotPointsPerSigma] = ModelParameters::pointsPerSigma;
    v[kSlotMaxGridSize] = static_cast<float>(ModelParameters::maxGridSize);
    v[kSlotMinGridSize] = static_cast<float>(ModelParameters::minGridSize);
    v[kSlotTimesFromW2t] = Flag(ScanStore::timesFromW2t);
    v[kSlotAutomaticAlgorithm] = Flag(ModelChoice::automaticAlgorithm);
    v[kSlotFixedTimeStep] = Flag(ModelChoice::fixedTimeStep);
    v[kSlotClaverie] = Flag(ModelChoice::claverieAlgorithm);
    v[kSlotMovingHat] = Flag(ModelChoice::movingHatAlgorithm);
    v[kSlotAutomaticSGrid] = Flag(LammGrid::automaticSGrid);
    v[kSlotSGrid] = static_cast<float>(LammGrid::sGrid);
    v[kSlotTolerance] = FitControl::tolerance;
    v[kSlotMaxDcOverC] = static_cast<float>(LammGrid::maxDcOverC);
    v[kSlotAutoChangeSOptimized] = LammGrid::autoChangeSOptimized;
    v[kSlotOptimizeGridSpacing] = Flag(LammGrid::optimizeGridSpacing);
    v[kSlotExperimentalInitial] = Flag(ModelParameters::experimentalInitialDistribution);
    v[kSlotTruncateGrid] = Flag(LammGrid::truncateGrid);
    v[kSlotLogTruncationLevel] = static_cast<float>(std::log10(LammGrid::truncationLevel));
    v[kSlotTimeResolution] = Flag(LammGrid::simulateTimeResolution);
    v[kSlotRadialResolution] = Flag(LammGrid::simulateRadialResolution);
    v[kSlotScanVelocity] = LammGrid::scanVelocity;
    v[kSlotRadialRange] = LammGrid::radialConvolutionRange;
    v[kSlotCheckAcceleration] = Flag(ScanStore::checkAcceleration);
}

void SetLammEqParameters(const float v[kLammOptionSlots]) {
    SetFinite(LammGrid::autoChangeS, v[kSlotAutoChangeS]);
    LammGrid::shutOffBackDiffusion = On(v[kSlotShutOffBackDiffusion]);
    SetFinite(LammGrid::backDiffusionLevel, v[kSlotBackDiffusionLevel]);
    ModelParameters::autoGridSize = On(v[kSlotAutoGridSize]);
    SetGridSize(LammGrid::defaultGridSize, v[kSlotDefaultGridSize]);
    if (v[kSlotPointsPerSigma] > 0.0f && std::isfinite(v[kSlotPointsPerSigma]))
        ModelParameters::pointsPerSigma = v[kSlotPointsPerSigma];
    // The two limits are taken together, and only when the minimum is not above the maximum.
    int maxGrid = ModelParameters::maxGridSize;
    int minGrid = ModelParameters::minGridSize;
    SetGridSize(maxGrid, v[kSlotMaxGridSize]);
    SetGridSize(minGrid, v[kSlotMinGridSize]);
    if (minGrid <= maxGrid) {
        ModelParameters::maxGridSize = maxGrid;
        ModelParameters::minGridSize = minGrid;
    }
    ScanStore::timesFromW2t = On(v[kSlotTimesFromW2t]);
    ScanStore::rampRotorSpeed = !ScanStore::timesFromW2t;
    ModelChoice::automaticAlgorithm = On(v[kSlotAutomaticAlgorithm]);
    ModelChoice::fixedTimeStep = On(v[kSlotFixedTimeStep]);
    // Exactly one algorithm is chosen; a file that names both or neither keeps the Claverie slot.
    ModelChoice::claverieAlgorithm = On(v[kSlotClaverie]);
    ModelChoice::movingHatAlgorithm = On(v[kSlotMovingHat]);
    if (ModelChoice::claverieAlgorithm == ModelChoice::movingHatAlgorithm)
        ModelChoice::movingHatAlgorithm = !ModelChoice::claverieAlgorithm;
    LammGrid::automaticSGrid = On(v[kSlotAutomaticSGrid]);
    SetFinite(LammGrid::sGrid, v[kSlotSGrid]);
    // A tolerance of 0 or less (or NaN) could never be met.
    if (v[kSlotTolerance] > 0.0f && std::isfinite(v[kSlotTolerance]))
        FitControl::tolerance = v[kSlotTolerance];
    // A max dc/c of 0 would give steps of no length: the time loops would never end.
    if (v[kSlotMaxDcOverC] >= 0.001f && std::isfinite(v[kSlotMaxDcOverC]))
        LammGrid::maxDcOverC = v[kSlotMaxDcOverC];
    SetFinite(LammGrid::autoChangeSOptimized, v[kSlotAutoChangeSOptimized]);
    LammGrid::optimizeGridSpacing = On(v[kSlotOptimizeGridSpacing]);
    ModelParameters::experimentalInitialDistribution = On(v[kSlotExperimentalInitial]);
    ModelParameters::constantInitialDistribution =
        !ModelParameters::experimentalInitialDistribution;
    LammGrid::truncateGrid = On(v[kSlotTruncateGrid]);
    // The level is a power of ten: one that overflows or vanishes keeps the level as it was.
    const double level = std::pow(10.0, double(v[kSlotLogTruncationLevel]));
    if (std::isfinite(level) && level > 0.0)
        LammGrid::truncationLevel = level;
    LammGrid::simulateTimeResolution = On(v[kSlotTimeResolution]);
    LammGrid::simulateRadialResolution = On(v[kSlotRadialResolution]);
    SetFinite(LammGrid::scanVelocity, v[kSlotScanVelocity]);
    SetFinite(LammGrid::radialConvolutionRange, v[kSlotRadialRange]);
    ScanStore::checkAcceleration = On(v[kSlotCheckAcceleration]);
}

// Only the first number of each line counts; the grid size in force, the derived step-control
// values and the scan times are left as they are.
bool ReadLammEqParameterPreferences(TXLAWindow* window) {
    Trace(window, "\nEnter ReadLammEqParameterPreferences");
    std::FILE* probe = std::fopen(gLammPreferencesPath, "r");
    if (probe == nullptr)
        return false;
    std::fclose(probe);
    CVector values;
    if (!ReadSettingsVector(values, gLammPreferencesPath, kMostSettingsLines) ||
        values.length < static_cast<unsigned>(kLammPreferenceMinimum))
        return false;
    SetLammEqParameters(values.data);
    Trace(window, " --> done.");
    return true;
}

bool SaveLammEqParameterPreferences(TXLAWindow* window) {
    Trace(window, "\nEnter SaveLammEqParameterPreferences");
    CVector values(kLammPreferenceLines, 1);
    for (int k = 0; k < kLammPreferenceLines; ++k)
        values.data[k] = 0.0f;
    GetLammEqParameters(values.data);
    const bool written = values.Write(gLammPreferencesPath);
    Trace(window, " --> done.");
    return written;
}
