// The fluorophore record and the detection-correction settings.
#include "state/fluorophore.h"

#include <cmath>

CFluorophore::CFluorophore()
    : bleachingRate(2, 0.0f), bleachingPlateau(2, 1.0f), amplitudes(2, 1.0f),
      recoveryTimes(1, 0.0f), recoveryLevels(2, std::vector<float>(1, 0.0f)), fitRecovery(1, 0) {}

void CFluorophore::CopyTo(CFluorophore& target) const {
    target = *this;
}

double CFluorophore::SignalFraction(double t, int w) const {
    if (w < 1 || w >= static_cast<int>(bleachingRate.size()))
        return 1.0;
    double since = t;
    double level = 1.0;
    for (int m = 1; m <= recoveryTimeCount && m < static_cast<int>(recoveryTimes.size()); ++m) {
        if (recoveryTimes[m] >= t)
            continue;
        since = t - recoveryTimes[m];
        const std::vector<float>& levels = recoveryLevels[w];
        level = m < static_cast<int>(levels.size()) ? levels[m] : 1.0;
    }
    const double plateau = bleachingPlateau[w];
    const double value =
        ((1.0 - plateau) * std::exp(-since * std::fabs(bleachingRate[w]) / 3600.0) + plateau) *
        level;
    return value > 0.0 ? value : 0.0;
}

void DetectionCorrections::ResetToDefaults() {
    convolutionFit = false, convolutionOn = false, convolutionWidth = 0.0f;
    convolutionCutoff = 2.0f;
    depletionOn = depletionFitS = depletionFitD = depletionFitAmplitude = depletionFitKs = false;
    depletionS = 3.0f, depletionD = 3.0e-7f, depletionAmplitude = 0.5f, depletionLogKs = -3.0f;
    shadowFit = false, coneOn = false, coneRadius = 0.0f;
    driftOn = false, driftMode = 0, linearDriftOn = false, linearDriftFit = false;
    linearDriftRate = 0.0f;
    exponentialDriftOn = false, exponentialRateFit = false, exponentialDriftRate = 0.0f;
    limitingLevelFit = false, driftPlateau = 1.0f;
    gradientFit = false, magnificationOn = false, magnificationFactor = 1.0f;
    nonlinearDetectionOn = false, nonlinearPowerFit = false, nonlinearPower = 1.0f;
    nonlinearBaseline = 0.0f, nonlinearDomain = false;
}

DetectionCorrectionsSnapshot DetectionCorrectionsSnapshot::Take() {
    DetectionCorrectionsSnapshot v;
#define TARNIX_TAKE_FIELD(type, name) v.name = DetectionCorrections::name;
    TARNIX_DETECTION_CORRECTION_FIELDS(TARNIX_TAKE_FIELD)
#undef TARNIX_TAKE_FIELD
    return v;
}

void DetectionCorrectionsSnapshot::PutBack() const {
#define TARNIX_PUT_FIELD(type, name) DetectionCorrections::name = name;
    TARNIX_DETECTION_CORRECTION_FIELDS(TARNIX_PUT_FIELD)
#undef TARNIX_PUT_FIELD
}
