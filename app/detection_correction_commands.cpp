// The six commands that switch the fluorescence detection corrections on and off and ask for
// their values, one question at a time (the "Fluorescence Tools" popup and their second ids).
#include "app/txla_window.h"
#include "foundations/input_boxes.h"
#include "scandata/nonlinear_detection.h"
#include "scandata/scan_data_kind.h"
#include "state/fluorophore.h"

#include <cmath>

namespace {

using D = DetectionCorrections;

constexpr const char* kFluorescenceQuestion =
    "this is intended for fluorescence data - proceed anyway?";

// Lowest ks the depletion keeps; entries at or below it are stored as its logarithm.
constexpr float kLowestKs = 1e-8f;

} // namespace

bool TXLAWindow::ProceedWithoutFluorescence(const char* caption) {
    return ScanDataKind::fluorescence || AskYesNo(kFluorescenceQuestion, caption);
}

void TXLAWindow::AskFloat(float& value, const char* prompt, const char* caption) {
    InputFloatForWindow(this, &value, value, true, prompt, caption);
}

bool TXLAWindow::AskFitFlag(bool& flag, const char* prompt, const char* caption) {
    flag = AskYesNo(prompt, caption);
    return flag;
}

void TXLAWindow::SetCorrectionChecks(int first, int second, bool on) {
    CheckMark(first, on);
    CheckMark(second, on);
}

// Transformed data in the store go back to the recorded ones before the switch goes off, so
// that nothing transformed is later taken, saved or fitted as recorded.
void TXLAWindow::SwitchOffNonlinearDetection() {
    if (D::nonlinearOn && NonlinearDetection::shown) {
        D::nonlinearShowTransformed = false;
        ApplyNonlinearDetection(NonlinearDetection::appliedPower,
                                NonlinearDetection::appliedBaseline, false);
    }
    D::nonlinearOn = false;
    D::nonlinearShowTransformed = false;
    D::nonlinearPowerFit = false;
    SetCorrectionChecks(906, 908, false);
    Invalidate(true);
}

void TXLAWindow::CmSignalRadialConvolution() {
    constexpr const char* kCaption = "Signal Radial Convolution";
    if (!ProceedWithoutFluorescence(kCaption) || !AskYesNo("use radial convolution?", kCaption)) {
        D::convolutionOn = false;
        D::convolutionFit = false;
        SetCorrectionChecks(911, 912, false);
        return;
    }
    D::convolutionOn = true;
    SetCorrectionChecks(911, 912, true);
    AskFloat(D::convolutionWidth, "characteristic width (cm)", kCaption);
    AskFitFlag(D::convolutionFit, "fit characteristic convolution width?", kCaption);
    AskFloat(D::convolutionRange, "consider dist factor", kCaption);
}

void TXLAWindow::CmJohnstonOgstonDepletion() {
    constexpr const char* kCaption = "Johnston Ogston Signal Depletion";
    if (!ProceedWithoutFluorescence(kCaption) ||
        !AskYesNo("account for Johnston Ogston anomaly of moving signal depletion?", kCaption)) {
        D::depletionOn = D::depletionFitS = D::depletionFitD = D::depletionFitAmplitude = false;
        CheckMark(925, false);
        return;
    }
    D::depletionOn = true;
    CheckMark(925, true);
    AskFloat(D::depletionS, "s-value of depletion (S)", kCaption);
    AskFitFlag(D::depletionFitS, "fit s-value?", kCaption);
    float d = D::depletionD * 1e7f;
    if (InputFloatForWindow(this, &d, d, true, "D-value of depletion (F)", kCaption))
        D::depletionD = d * 1e-7f;
    AskFitFlag(D::depletionFitD, "fit D-value?", kCaption);
    AskFloat(D::depletionAmplitude, "amplitude of depletion (S)", kCaption);
    AskFitFlag(D::depletionFitAmplitude, "fit amplitude?", kCaption);
    float ks = std::pow(10.0f, D::depletionLogKs);
    if (InputFloatForWindow(this, &ks, ks, true, "ks-value", kCaption))
        D::depletionLogKs = ks > kLowestKs ? std::log10(ks) : std::log10(kLowestKs);
    AskFitFlag(D::depletionFitKs, "fit ks-value?", kCaption);
}

void TXLAWindow::CmExcitationShadow() {
    constexpr const char* kCaption = "Signal Excitation Shadow";
    if (!ProceedWithoutFluorescence(kCaption) ||
        !AskYesNo("account for excitation shadow at bottom of cell??", kCaption)) {
        D::shadowOn = false;
        D::shadowFit = false;
        SetCorrectionChecks(913, 914, false);
        return;
    }
    D::shadowOn = true;
    SetCorrectionChecks(913, 914, true);
    AskFloat(D::coneRadius, "cone radius (cm)", kCaption);
    AskFitFlag(D::shadowFit, "fit cone radius?", kCaption);
}

void TXLAWindow::CmMagnificationDriftWithTime() {
    constexpr const char* kCaption = "Signal Amplitude Change With Time";
    D::driftOn = D::exponentialRateFit = D::limitingLevelFit = false;
    D::linearDriftFit = D::linearDriftOn = D::exponentialOn = false;
    SetCorrectionChecks(909, 910, false);
    if (!ProceedWithoutFluorescence(kCaption))
        return;
    if (AskYesNo("use linear temporal magnification drift?", kCaption)) {
        D::driftOn = D::linearDriftOn = true;
        float percent = D::linearDrift * 100.0f;
        if (InputFloatForWindow(this, &percent, percent, true, "(df/dt) [%%/h]", kCaption))
            D::linearDrift = percent * 0.01f;
        AskFitFlag(D::linearDriftFit, "fit temporal magnification drift?", kCaption);
    }
    if (AskYesNo("use exponential photophysics model?", kCaption)) {
        D::driftOn = D::exponentialOn = true;
        AskFloat(D::exponentialRate, "rate [per h]", kCaption);
        float percent = D::limitingLevel * 100.0f;
        if (InputFloatForWindow(this, &percent, percent, true, "limiting signal level [%%]",
                                kCaption))
            D::limitingLevel = percent * 0.01f;
        AskFitFlag(D::limitingLevelFit, "fit limiting signal level?", kCaption);
        AskFitFlag(D::exponentialRateFit, "fit temporal magnification drift?", kCaption);
    }
    if (D::driftOn)
        SetCorrectionChecks(909, 910, true);
}

void TXLAWindow::CmMagnificationRadialGradient() {
    constexpr const char* kCaption = "Signal Amplitude Change With Radius";
    if (!ProceedWithoutFluorescence(kCaption) ||
        !AskYesNo("use radial magnification gradient?", kCaption)) {
        D::gradientOn = false;
        D::gradientFit = false;
        SetCorrectionChecks(905, 907, false);
        return;
    }
    D::gradientOn = true;
    SetCorrectionChecks(905, 907, true);
    AskFloat(D::gradientFactor, "1+da/dr", kCaption);
    AskFitFlag(D::gradientFit, "fit radial magnification gradient?", kCaption);
}

void TXLAWindow::CmNonlinearDetection() {
    constexpr const char* kCaption = "Nonlinear Detection";
    if (!ProceedWithoutFluorescence(kCaption) ||
        !AskYesNo("account for nonlinear detection", kCaption)) {
        SwitchOffNonlinearDetection();
        return;
    }
    D::nonlinearOn = true;
    SetCorrectionChecks(906, 908, true);
    AskFloat(D::nonlinearPower, "power coeff d(log(a))/dc", kCaption);
    D::nonlinearPower = UsableNonlinearPower(D::nonlinearPower);
    AskFitFlag(D::nonlinearPowerFit, "fit power coefficient?", kCaption);
    AskFloat(D::nonlinearBaseline, "baseline for power law", kCaption);
    AskFitFlag(D::nonlinearShowTransformed, "want to show transformed data (YES) or original (NO)?",
               kCaption);
    ApplyNonlinearDetection(D::nonlinearPower, D::nonlinearBaseline, D::nonlinearShowTransformed);
    Invalidate(true);
}
