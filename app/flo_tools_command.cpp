// "FloTools" (915, Alt+F): every fluorescence detection correction in one dialog, written back
// into DetectionCorrections with the check marks of the single-question commands.
#include "app/flo_tool_box.h"
#include "app/txla_window.h"
#include "scandata/nonlinear_detection.h"
#include "state/fluorophore.h"

#include <cmath>

namespace {

using D = DetectionCorrections;

constexpr double kLowestKs = 1e-8;

bool On(std::uint32_t state) {
    return state != 0;
}

float Value(const char* text) {
    return float(FloToolNumber(text));
}

} // namespace

void TXLAWindow::CmFloTools() {
    if (!ProceedWithoutFluorescence("FloTools"))
        return;
    FloToolRecord& r = floToolTransfer;
    FillFloToolTransfer(r);
    RegisterFloToolDialog();
    if (FloToolBox(this, r).Execute() != IDOK)
        return;

    D::depletionOn = On(r.depletionOn);
    CheckMark(925, D::depletionOn);
    D::depletionS = Value(r.depletionS);
    D::depletionD = Value(r.depletionD) * 1e-7f;
    D::depletionAmplitude = Value(r.depletionAmplitude);
    const double ks = FloToolNumber(r.depletionKs);
    D::depletionLogKs = float(ks > kLowestKs ? std::log10(ks) : std::log10(kLowestKs));
    D::depletionFitS = On(r.depletionFitS);
    D::depletionFitD = On(r.depletionFitD);
    D::depletionFitAmplitude = On(r.depletionFitAmplitude);
    D::depletionFitKs = On(r.depletionFitKs);

    D::gradientFit = On(r.gradientFit);
    D::gradientFactor = Value(r.gradientFactor);
    D::gradientOn = On(r.gradientOn);
    SetCorrectionChecks(905, 907, D::gradientOn);

    D::linearDriftOn = On(r.linearDriftOn);
    D::linearDriftFit = D::linearDriftOn && On(r.linearDriftFit);
    D::linearDrift = Value(r.linearDrift) * 0.01f;

    D::exponentialOn = On(r.exponentialOn);
    D::exponentialRate = Value(r.exponentialRate);
    D::limitingLevel = Value(r.limitingLevel) * 0.01f;
    D::exponentialRateFit = D::exponentialOn && On(r.exponentialRateFit);
    D::limitingLevelFit = D::exponentialOn && On(r.limitingLevelFit);
    D::driftOn = D::exponentialOn || D::linearDriftOn;
    SetCorrectionChecks(909, 910, D::driftOn);

    D::shadowFit = On(r.shadowFit);
    D::coneRadius = Value(r.coneRadius);
    D::shadowOn = On(r.shadowOn);
    SetCorrectionChecks(913, 914, D::shadowOn);

    D::convolutionFit = On(r.convolutionFit);
    D::convolutionWidth = Value(r.convolutionWidth);
    D::convolutionRange = Value(r.convolutionRange);
    D::convolutionOn = On(r.convolutionOn);
    SetCorrectionChecks(911, 912, D::convolutionOn);

    // Nonlinear detection: switching on or off takes effect alone; the power, baseline and
    // show switch are taken when the dialog is confirmed with the switch left as it was.
    const bool nonlinearWanted = On(r.nonlinearOn);
    if (D::nonlinearOn && !nonlinearWanted) {
        SwitchOffNonlinearDetection();
    } else if (!D::nonlinearOn && nonlinearWanted) {
        D::nonlinearOn = true;
        SetCorrectionChecks(906, 908, true);
    } else {
        const float power = D::nonlinearPower, baseline = D::nonlinearBaseline;
        const bool show = D::nonlinearShowTransformed;
        D::nonlinearPowerFit = On(r.nonlinearPowerFit);
        D::nonlinearShowTransformed = On(r.showTransformed);
        D::nonlinearBaseline = Value(r.nonlinearBaseline);
        D::nonlinearPower = UsableNonlinearPower(Value(r.nonlinearPower));
        // The marks show whether the correction is in force.
        SetCorrectionChecks(906, 908, D::nonlinearOn);
        if (power != D::nonlinearPower || baseline != D::nonlinearBaseline ||
            show != D::nonlinearShowTransformed)
            ApplyNonlinearDetection(D::nonlinearPower, D::nonlinearBaseline,
                                    D::nonlinearShowTransformed);
    }
    Invalidate(true);
}
