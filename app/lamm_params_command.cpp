// "Lamm Equation Parameters" (611): the numerical options of the Lamm solution in their dialog,
// applied on OK and offered for the settings file when they changed.
#include "app/lamm_params_box.h"
#include "app/txla_window.h"
#include "foundations/c_locale.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "scandata/scan_time_origin.h"
#include "simulation/lamm_arrays.h"
#include "simulation/lamm_preferences.h"
#include "state/dls_data.h"
#include "state/fit_control.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

using G = LammGrid;
using M = ModelParameters;
using C = ModelChoice;

// The integer part of a typed number, at most INT_MAX.
int Integer(const char* text) {
    const double v = std::trunc(NumberInCLocale(text));
    return v >= double(INT_MAX) ? INT_MAX : v <= double(INT_MIN) ? INT_MIN : int(v);
}

bool Checked(std::uint32_t state) {
    return state != 0;
}

bool SameOptions(const float a[kLammOptionSlots], const float b[kLammOptionSlots]) {
    return std::memcmp(a, b, sizeof(float) * kLammOptionSlots) == 0;
}

} // namespace

void TXLAWindow::CmLammEquationParameters() {
    const int gridSizeBefore = G::gridSize;
    const double maxDcOverCBefore = G::maxDcOverC;
    const bool movingHatBefore = C::movingHatAlgorithm;
    const bool automaticBefore = C::automaticAlgorithm;
    const bool fixedStepBefore = C::fixedTimeStep;
    const bool initialLocked = ScanDataKind::intensity || C::zoneCentrifugation;
    if (initialLocked) {
        M::experimentalInitialDistribution = false;
        M::constantInitialDistribution = true;
    }
    float before[kLammOptionSlots];
    GetLammEqParameters(before);

    LammPBoxRecord& r = lammTransfer;
    FillLammTransfer(r);
    RegisterLammParamsDialog();
    paintSuspended = true;
    const int result = LammPBox(this, r).Execute();
    paintSuspended = false;
    if (result != IDOK)
        return;

    G::truncationLevel = std::pow(10.0, NumberInCLocale(r.logTruncationLevel));
    G::autoChangeS = float(NumberInCLocale(r.autoChangeS));
    G::autoChangeSOptimized = float(NumberInCLocale(r.autoChangeSOptimized));
    G::truncateGrid = Checked(r.truncateGrid);
    if (C::inhomogeneousSolvent)
        MessageBox("make sure Lamm equation option 'dyanmically trucate grid' \nis not used when "
                   "macromolecular flotation near meniscus can occur",
                   nullptr, MB_OK);
    G::shutOffBackDiffusion = Checked(r.shutOffBackDiffusion);
    G::backDiffusionLevel = NumberInCLocale(r.backDiffusionLevel);
    M::autoGridSize = Checked(r.autoGridSize);
    G::defaultGridSize = G::gridSize = Integer(r.defaultGridSize);
    if (G::gridSize != gridSizeBefore)
        EnsureLammArrays(G::gridSize);
    M::maxGridSize = Integer(r.maxGridSize);
    M::minGridSize = Integer(r.minGridSize);
    M::pointsPerSigma = float(NumberInCLocale(r.pointsPerSigma));

    ScanStore::rampRotorSpeed = Checked(r.rampRotorSpeed);
    ScanStore::timesFromW2t = !ScanStore::rampRotorSpeed;
    ApplyScanTimeOrigin(ScanStore::timesFromW2t);

    ScanStore::checkAcceleration = Checked(r.checkAcceleration);
    G::optimizeGridSpacing = Checked(r.optimizeGridSpacing);
    C::automaticAlgorithm = Checked(r.automaticAlgorithm);
    C::fixedTimeStep = Checked(r.fixedTimeStep);
    C::claverieAlgorithm = Checked(r.claverie);
    C::movingHatAlgorithm = !C::claverieAlgorithm;
    // The next run allocates the arrays of the other algorithm.
    if (C::movingHatAlgorithm != movingHatBefore && G::arraysAllocated)
        FreeLammArrays();

    G::automaticSGrid = Checked(r.automaticSGrid);
    G::sGrid = NumberInCLocale(r.sGrid);
    FitControl::tolerance = float(0.01 * NumberInCLocale(r.tolerance));
    G::maxDcOverC = NumberInCLocale(r.maxDcOverC);
    if (G::maxDcOverC != maxDcOverCBefore) {
        G::dcOverCLimit = G::maxDcOverC;
        G::dcOverCLow = 0.05 * G::maxDcOverC;
        G::dcOverCMid = 0.2 * G::maxDcOverC;
    }

    G::simulateTimeResolution = Checked(r.timeResolution);
    if (G::simulateTimeResolution && ScanDataKind::fluorescence) {
        G::simulateTimeResolution = false;
        MessageBox("scan time correction for fluorescence data not yet implemented, switching off",
                   nullptr, MB_OK);
    }
    G::simulateRadialResolution = Checked(r.radialResolution);
    G::scanVelocity = float(NumberInCLocale(r.scanVelocity));
    G::radialConvolutionRange = float(NumberInCLocale(r.radialRange));

    M::experimentalInitialDistribution = !initialLocked && Checked(r.experimentalInitial);
    M::constantInitialDistribution = !M::experimentalInitialDistribution;
    if (M::experimentalInitialDistribution) {
        if (ScanStore::rampRotorSpeed)
            SwitchOffRotorRamp();
        if (ScanStore::timesFromW2t)
            TimesFromW2tOff();
    }

    // The fixed step belongs to the moving hat algorithm: leaving it for the Claverie algorithm
    // switches it off and shows the dialog again.
    if (movingHatBefore && !automaticBefore && fixedStepBefore && !C::movingHatAlgorithm &&
        C::fixedTimeStep) {
        C::fixedTimeStep = false;
        MessageBox("switching off fixed dt - confirm", nullptr, MB_OK);
        CmLammEquationParameters();
    }

    float after[kLammOptionSlots];
    GetLammEqParameters(after);
    if (!SameOptions(before, after) &&
        MessageBox("save new parameters as default? (reset defaults by deleting the file "
                   "'tarnixlammparams.ini' and restarting TARNIX)",
                   "LAMM EQUATION PARAMETERS", MB_YESNO) == IDYES)
        SaveLammEqParameterPreferences(this);
}
