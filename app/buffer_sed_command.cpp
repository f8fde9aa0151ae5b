// "Corrections for Buffer Sedimentation" (552): the buffer-mismatch correction switched on and off
// with its dialog, the species slot it takes in the discrete models, and the subtraction of the
// simulated buffer signal from the scans (576).
#include "app/buffer_sed_box.h"
#include "app/txla_window.h"
#include "foundations/c_locale.h"
#include "foundations/sounds.h"
#include "scandata/common_grid.h"
#include "scandata/noise_subtraction.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "scandata/slot_grid_arrays.h"
#include "simulation/buffer_sedimentation_model.h"
#include "state/buffer_sedimentation.h"
#include "state/dls_data.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/preference_switches.h"
#include "state/realtime_state.h"
#include "state/scan_order.h"

#include <cmath>
#include <cstdlib>

namespace {

using B = BufferSedimentation;
using C = ModelChoice;
using M = ModelParameters;
constexpr int kBufferSlot = 4;
constexpr const char* kSubtractionAdvice =
    "This operation subtracts the current estimate of the buffer mismatch from the raw data.\nThis "
    "is for presentation purpose and inspection after finalizing the analysis.\nIf the data are "
    "subject to further analysis a bias may be introduced from the current estimate of the buffer "
    "mismatch";

bool Checked(std::uint32_t state) {
    return state != 0;
}

bool DistributionModel() {
    return C::contiMode;
}

bool BothNoisesFitted() {
    return C::fitTINoise && C::fitRINoise;
}

// The models and data the correction cannot be combined with.
bool Incompatible() {
    return ScanStore::equilibriumData || gDlsData || C::inhomogeneousSolvent ||
           M::experimentalInitialDistribution || C::lsGStar || C::lsgDiscrete || C::csDiscreteSD ||
           C::csDiscreteMs || C::csMsTable || C::csWithBaselineEstimates || C::gStarFamily ||
           C::lsgExtrapolation || C::zoneCentrifugation || C::zoneCs || C::zoneLsGs ||
           C::externalLoadingCell || C::electrophoresis || C::electrophoresisLsG ||
           C::cvElectrophoresis;
}

} // namespace

void TXLAWindow::SwitchOffBufferSedimentation() {
    CheckMark(552, false);
    if (!DistributionModel()) {
        M::speciesIncluded[kBufferSlot] = 0;
        M::concentrationFloat[kBufferSlot] = 0;
        M::speciesDOrMFloat[kBufferSlot] = 0;
        M::speciesSFloat[kBufferSlot] = 0;
        PackFitParameters();
    }
}

bool TXLAWindow::CheckBufferSedCompatibility() {
    if (Incompatible()) {
        MessageBox("buffer sedimentation model is incompatible with this model\nswitching buffer "
                   "sedimentation off",
                   "Attention", MB_OK);
        SwitchOffBufferSedimentation();
        B::on = false;
        return false;
    }
    if (!ScanDataKind::interference && !B::interferenceNoteShown) {
        MessageBox("Note: buffer sedimentation model is intended only for interference data",
                   "Attention", MB_OK);
        B::interferenceNoteShown = true;
    }
    if (!DistributionModel()) {
        UnpackFitParameters();
        if (M::speciesDOrM[kBufferSlot] != 0.0f || M::speciesS[kBufferSlot] != 0.0f) {
            MessageBox("Note: Component 4 of non-interacting model cannot be used with buffer "
                       "sedimentation model.\nSwitching off Component 4.",
                       "Attention", MB_OK);
            M::speciesDOrM[kBufferSlot] = M::speciesS[kBufferSlot] = 0.0f;
        }
        M::speciesIncluded[kBufferSlot] = 1;
        M::concentrationFloat[kBufferSlot] = B::floatSignal ? 1 : 0;
        M::speciesDOrMFloat[kBufferSlot] = M::speciesSFloat[kBufferSlot] = 0;
        PackFitParameters();
    } else if (!BothNoisesFitted()) {
        B::floatSignal = true;
    }
    return true;
}

bool TXLAWindow::KeepBufferSedimentationForModel() {
    if (!B::on)
        return true;
    if (Incompatible())
        return CheckBufferSedCompatibility();
    if (DistributionModel()) {
        if (!BothNoisesFitted())
            B::floatSignal = true;
        return true;
    }
    // Switched on in a distribution model, the correction has not taken slot 4 yet.
    const bool slotTaken = M::speciesIncluded[kBufferSlot] && M::speciesS[kBufferSlot] == 0.0f &&
                           M::speciesDOrM[kBufferSlot] == 0.0f;
    return slotTaken || CheckBufferSedCompatibility();
}

void TXLAWindow::SetBufferSedComponentFlags() {
    if (!DistributionModel()) {
        if (C::linearAmplitudes)
            for (int k = 1; k < kBufferSlot; ++k)
                if (M::speciesIncluded[k])
                    M::concentrationFloat[k] = 1;
        M::concentrationFloat[kBufferSlot] = B::floatSignal ? 1 : 0;
    }
    PackFitParameters();
    AllocCommonGridScanArrays();
}

bool TXLAWindow::EditBufferSedParameters() {
    const bool massForm = C::equilibriumMs;
    BufferSedRecord& r = bufferSedTransfer;
    FillBufferSedTransfer(r, massForm);
    RegisterBufferSedDialogs();
    paintSuspended = true;
    const int result = TBufferSedBox(this, massForm, r).Execute();
    paintSuspended = false;
    if (result != IDOK)
        return false;
    B::on = Checked(r.on);
    if (massForm)
        B::sampleMb = NumberInCLocale(r.sampleD);
    else
        B::sampleD = std::abs(NumberInCLocale(r.sampleD));
    B::floatSampleD = Checked(r.floatSampleD);
    B::floatSampleS = Checked(r.floatSampleS);
    B::floatSignal = Checked(r.floatSignal);
    B::floatMeniscusDifference = Checked(r.floatMeniscusDifference);
    B::floatRelativeConcentration = Checked(r.floatRelativeConcentration);
    B::floatReferenceD = Checked(r.floatReferenceD);
    B::floatReferenceS = Checked(r.floatReferenceS);
    B::sampleS = NumberInCLocale(r.sampleS);
    B::meniscusMismatch = Checked(r.meniscusMismatch);
    B::meniscusDifference = NumberInCLocale(r.meniscusDifference);
    B::relativeConcentration = NumberInCLocale(r.relativeConcentration);
    B::differentReference = Checked(r.differentReference);
    B::referenceS = NumberInCLocale(r.referenceS);
    if (massForm)
        B::referenceMb = NumberInCLocale(r.referenceD);
    else
        B::referenceD = std::abs(NumberInCLocale(r.referenceD));

    const double signal = NumberInCLocale(r.signal);
    B::excessInReference = signal < 0.0;
    B::excessInSample = !B::excessInReference;
    B::signal = std::abs(signal);
    B::signalSign = B::excessInReference ? -1.0 : 1.0;
    if (!B::meniscusMismatch)
        B::floatMeniscusDifference = B::floatRelativeConcentration = false;
    if (!B::differentReference)
        B::floatReferenceD = B::floatReferenceS = false;
    if (ScanStore::scanCount < 1) {
        ScanStore::gasConstantTimesT = float(8.314e7 * 293.0);
        ::MessageBox(nullptr, "assuming t = 20 'C", "", MB_OK);
    }
    const double rt = ScanStore::gasConstantTimesT;
    if (!massForm) {
        B::sampleMb = B::sampleD > 0.0 ? 1e-6 * B::sampleS * rt / B::sampleD : 0.0;
        B::referenceMb = B::referenceD > 0.0 ? 1e-6 * B::referenceS * rt / B::referenceD : 0.0;
    } else {
        // D from the Svedberg relation; s takes the sign of the buoyant mass.
        B::sampleD = B::sampleMb != 0.0 ? 1e-6 * std::abs(B::sampleS) * rt / std::abs(B::sampleMb)
                                        : B::sampleD;
        B::referenceD = B::referenceMb != 0.0
                            ? 1e-6 * std::abs(B::referenceS) * rt / std::abs(B::referenceMb)
                            : B::referenceD;
        if ((B::sampleMb < 0.0 && B::sampleS > 0.0) || (B::sampleS < 0.0 && B::sampleMb > 0.0))
            B::sampleS = -B::sampleS;
    }
    if (DistributionModel() && !B::floatSignal && !BothNoisesFitted()) {
        MessageBox("fixed buffer concentration in c(s) only implemented with TI and RI noise - "
                   "floating c now",
                   "Attention", MB_OK);
        B::floatSignal = true;
    }
    return true;
}

void TXLAWindow::CmBufferSedimentation() {
    if (C::csFf0 || C::csFf0Discrete) {
        PlayInfoSound();
        MessageBox("c(s,ff0) model does not work in buffer mismatch mode", "ERROR", MB_OK);
        return;
    }
    const bool wasOn = B::on;
    const bool floatSignalBefore = B::floatSignal;
    const bool mismatchBefore = B::meniscusMismatch;
    if (!EditBufferSedParameters())
        return;
    bool compatible = true;
    if (!wasOn && B::on)
        compatible = CheckBufferSedCompatibility();
    if (compatible && (B::floatSignal != floatSignalBefore || (!wasOn && B::on)) && B::on)
        SetBufferSedComponentFlags();
    if (wasOn && !B::on)
        SwitchOffBufferSedimentation();
    CheckMark(552, B::on);
    if (B::on && B::meniscusMismatch != mismatchBefore)
        CmFullRange();
}

void TXLAWindow::CmSubtractBufferMismatch() {
    if (ScanStore::scanCount < 1 || !B::on)
        return;
    if (gWizardMessages && !RealtimeState::realtimeMode)
        MessageBox(kSubtractionAdvice, "ATTENTION", MB_OK);
    if (!CheckBufferSedCompatibility())
        return;
    B::subtractFromData = true;
    const BufferSignal signal = ComputeBufferSignal(B::signal);
    B::subtractFromData = false;
    // A singular system (said in its box) or a key press leaves the scans as they were: the
    // correction then stays on, since the buffer's signal is still in the data.
    if (!BufferSignalSolved(this, signal))
        return;
    for (int pos = 1; pos <= ScanStore::scanCount; ++pos) {
        const int scan = ScanAtPosition(pos);
        AddBufferSignal(signal, pos, ScanStore::radius[scan], ScanStore::pointCount[scan],
                        ScanStore::signal[scan], -1.0);
    }
    B::on = false;
    SwitchOffBufferSedimentation();
    BuildCommonRadialGrid();
    ComputeTimeInvariantNoise();
    CmFullRange();
}
