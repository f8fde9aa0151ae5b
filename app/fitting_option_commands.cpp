// Options of the fits and of the data loading: buoyancy, load filters, the initial-data
// polynomial, the sedimentation time offset and the simplex settings.
#include "app/load_filters.h"
#include "app/model_families.h"
#include "app/txla_window.h"
#include "foundations/input_boxes.h"
#include "foundations/sounds.h"
#include "scandata/initial_data.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/inhomogeneous_solvent.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_kind.h"
#include "state/model_parameters.h"

#include <cmath>

namespace {

using P = ModelParameters;

} // namespace

// Models that float vbar themselves keep it out of the fit vector's buoyancy slot.
bool ModelFloatsVbar() {
    return CurrentModelTraits().floatsVbar;
}

void TXLAWindow::CmSetVRho() {
    constexpr const char* kCaption = "PARTIAL SPECIFIC VOLUME";
    constexpr const char* kSolventCaption = "INHOMOGENEOUS SOLVENT";
    // The inhomogeneous-solvent model computes the buffer itself: its density is locked.
    const bool solventModel = ModelChoice::inhomogeneousSolvent;
    paintSuspended = true;
    float value = ScanStore::vbar;
    if (!solventModel) {
        if (InputFloatForWindow(this, &value, value, true, "partial spec. volume = ", kCaption))
            ScanStore::vbar = value;
        value = ScanStore::vbar20;
        if (InputFloatForWindow(this, &value, value, true,
                                "partial spec. volume at 20C = ", kCaption))
            ScanStore::vbar20 = value;
        value = ScanStore::density;
        if (InputFloatForWindow(this, &value, value, true, "buffer density = ", kCaption))
            ScanStore::density = value;
    } else {
        MessageBox("note: vbar at standard conditions and apparent vbar will be different \n(due "
                   "to different chemical composition of solvent, causing hydration or "
                   "preferential solvation)",
                   kSolventCaption, MB_OK);
        if (InputFloatForWindow(this, &value, value, true, "vbar (sequence) = ", kSolventCaption))
            ScanStore::vbar = value;
        value = InhomogeneousSolvent::macromoleculeVbar;
        if (InputFloatForWindow(this, &value, value, true, "apparent vbar = ", kSolventCaption))
            InhomogeneousSolvent::macromoleculeVbar = value;
        PlayErrorSound();
        MessageBox("buffer conditions cannot be changed - if this is necessary switch off "
                   "inhomogeneous solvent",
                   "Error", MB_OK);
    }
    ScanStore::vRho = ScanStore::vbar * ScanStore::density;
    if (ModelChoice::contiMode && !ModelChoice::lsgExtrapolation) {
        if (!ModelFloatsVbar())
            P::fitValues[kSlotVbar] = ScanStore::vbar;
        if (!solventModel)
            P::fitValues[kSlotDensity] = ScanStore::density;
    }
    FitControl::fitVbar =
        solventModel && MessageBox("fit for partial specific volume of macromolecule?",
                                   kSolventCaption, MB_YESNO) == IDYES;
    paintSuspended = false;
}

void TXLAWindow::CmFlagTooStrongGradients() {
    if (LoadFilters::gradientCheck) {
        LoadFilters::gradientCheck = false;
        CheckMark(868, false);
        return;
    }
    // A cancelled threshold leaves the check off: nothing was agreed to.
    float value = LoadFilters::maxGradient;
    if (!InputFloatForWindow(this, &value, value, true,
                             "maximum gradient allowed (signal/cm):", "EXCLUDE EXCESS GRADIENTS"))
        return;
    LoadFilters::maxGradient = value;
    LoadFilters::gradientCheck = true;
    CheckMark(868, true);
}

void TXLAWindow::CmDontLoadSpikes() {
    constexpr const char* kCaption = "EXCLUDE SPIKES";
    if (LoadFilters::spikeFilter) {
        LoadFilters::spikeFilter = false;
        CheckMark(247, false);
        return;
    }
    float level = LoadFilters::spikeLevel;
    if (!InputFloatForWindow(this, &level, level, true,
                             "level considered as spike when occuring isolated:", kCaption))
        return;
    LoadFilters::spikeLevel = level;
    float fluorescence = LoadFilters::spikeLevelFluorescence;
    if (InputFloatForWindow(this, &fluorescence, fluorescence, true,
                            "spike threshold for FDS:", kCaption))
        LoadFilters::spikeLevelFluorescence = fluorescence;
    LoadFilters::spikeFilter = true;
    CheckMark(247, true);
}

void TXLAWindow::CmSetPolynomOrder() {
    constexpr const char* kCaption = "INITIAL DATA";
    float value = float(InitialData::polynomialOrder);
    if (!InputFloatForWindow(this, &value, value, true, "polynom order = ", kCaption))
        return;
    // Orders are whole and not negative; an entry no int holds is refused.
    const float order = std::floor(value);
    if (!(order >= 0.0f && order < 1000.0f))
        return;
    InitialData::polynomialOrder = int(order);
    value = InitialData::extrapolationFactor;
    if (InputFloatForWindow(this, &value, value, true, "extrapolation distance factor", kCaption))
        InitialData::extrapolationFactor = value;
}

void TXLAWindow::CmFitT0() {
    if (P::fitT0) {
        P::fitT0 = false;
        P::fitFloat[kSlotTimeOffset] = 0;
        CheckMark(255, false);
        return;
    }
    if (!P::timeOffsetOn)
        CmSedimentationTimeOffset();
    P::fitT0 = true;
    P::fitFloat[kSlotTimeOffset] = 1;
    CheckMark(255, true);
}

void TXLAWindow::CmSedimentationTimeOffset() {
    P::timeOffsetOn = !P::timeOffsetOn;
    CheckMark(256, P::timeOffsetOn);
    if (!P::timeOffsetOn && P::fitT0) {
        // Without an offset there is nothing to fit.
        P::fitT0 = false;
        P::fitFloat[kSlotTimeOffset] = 0;
        CheckMark(255, false);
    }
    float offset = P::timeOffset;
    if (InputFloatForWindow(this, &offset, offset, true, "offset by (sec)",
                            "SET SIMULATION START TIME"))
        P::timeOffset = offset;
    P::fitValues[kSlotTimeOffset] = P::timeOffset;
}

void TXLAWindow::CmSimplexOptions() {
    constexpr const char* kCaption = "SIMPLEX OPTIONS";
    float value = float(FitControl::simplexTolerance);
    if (InputFloatForWindow(this, &value, value, true, "maximum relativ change < ", kCaption))
        FitControl::simplexTolerance = double(value);
    value = FitControl::simplexRandomization;
    if (InputFloatForWindow(this, &value, value, true, "%initial randomization in simplex",
                            kCaption))
        FitControl::simplexRandomization = value;
}

void TXLAWindow::CmToggle223() {
    ModelChoice::simulationSwitch223 = !ModelChoice::simulationSwitch223;
    CheckMark(223, ModelChoice::simulationSwitch223);
}
