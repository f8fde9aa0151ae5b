// The rotor speed schedule: a linear ramp from the scan headers or a loaded speed-step profile.
#include "foundations/show_error.h"
#include "lamm/lamm_ideal.h"
#include "scandata/rotor_speed_profile.h"
#include "scandata/scan_header.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

void CLammIdeal::LoadRotorSpeedProfile(const CRotorSpeedProfile& profile) {
    CheckRotorSpeeds(profile.stepCount, profile.stepStart, profile.stepSpeed,
                     profile.stepAcceleration, profile.scanSpeedMode);
}

// A step's ramp ends when its speed is reached, or 1 s before the next step starts. A step
// whose acceleration is zero, negative or not a number is taken as an instantaneous change:
// its ramp would otherwise never end and the run would go on at the previous speed.
void CLammIdeal::CheckRotorSpeeds(int count, const float* start, const float* speed,
                                  const float* accel, int mode) {
    if (count < 1 || start == nullptr || speed == nullptr || accel == nullptr)
        return;
    speedStepCount = count;
    stepStart.assign(count + 1, 0.0);
    stepEnd.assign(count + 1, 0.0);
    stepSpeed.assign(count + 1, 0.0);
    stepAcceleration.assign(count + 1, 0.0);
    for (int i = 1; i <= count; ++i) {
        stepStart[i] = start[i];
        stepSpeed[i] = speed[i];
        stepAcceleration[i] = accel[i];
    }
    for (int i = 1; i <= count; ++i) {
        const double a = stepAcceleration[i];
        const bool instantaneous = !(a > 0.0) || !std::isfinite(a);
        if (i == 1)
            stepEnd[1] = instantaneous ? stepStart[1] : stepSpeed[1] / a;
        else
            stepEnd[i] = instantaneous
                             ? stepStart[i]
                             : std::fabs(stepSpeed[i] - stepSpeed[i - 1]) / a + stepStart[i];
    }
    for (int i = 1; i < count; ++i)
        if (stepStart[i + 1] < stepEnd[i])
            stepEnd[i] = stepStart[i + 1] - 1.0;
    profileLoaded = true;
    checkAcceleration = false;
    finalRotorSpeed = stepSpeed[count];
    atStepSpeed = false;
    lastStepReached = false;
    currentStep = 1;
    if (mode <= 0)
        return;
    if (!geometryValid || headers == nullptr || scanOrder == nullptr) {
        ShowError("can't check rotor speeds - data not loaded", 0);
        return;
    }
    for (int pos = 1; pos <= scanCount; ++pos) {
        ScanHeader& h = headers[scanOrder[pos]];
        const double predicted = RotorSpeedAt(h.originalTime);
        if (mode == 1 && std::fabs(predicted - h.rotorSpeed) > 100.0) {
            char text[200];
            std::snprintf(text, sizeof text,
                          "\nrotor speed scan #%d is %f, incompatible with schedule at time %f "
                          "predicting %.0f",
                          pos, static_cast<double>(h.rotorSpeed), h.originalTime, predicted);
            ShowError(text, 0);
        } else if (mode == 2) {
            h.rotorSpeed = static_cast<float>(predicted);
        }
    }
}

// Piecewise linear speed: the step with the latest start at or before t decides.
double CLammIdeal::RotorSpeedAt(double time) const {
    if (speedStepCount < 1 || time < stepStart[1])
        return 0.0;
    int i = 1;
    for (int k = 2; k <= speedStepCount; ++k)
        if (stepStart[k] <= time)
            i = k;
    if (time > stepEnd[i])
        return stepSpeed[i];
    if (i == 1)
        return (time - stepStart[1]) * stepAcceleration[1];
    if (stepSpeed[i] <= stepSpeed[i - 1])
        return stepSpeed[i - 1] - (time - stepStart[i]) * stepAcceleration[i];
    return stepSpeed[i - 1] + (time - stepStart[i]) * stepAcceleration[i];
}

// The root mean square of the speeds at both ends of the step, so that omega^2, which drives
// sedimentation, is averaged over the step. Ramps shorter than 10 s count as instantaneous.
double CLammIdeal::EffectiveRotorSpeed(double time, double step) {
    if (!profileLoaded) {
        if (accelerationDuration < 10.0) {
            accelerationPhaseActive = false;
            return finalRotorSpeed;
        }
        if (time >= accelerationDuration) {
            accelerationPhaseActive = false;
            return finalRotorSpeed;
        }
        const double w0 = accelerationRate * time, w1 = accelerationRate * (time + step);
        return std::min(std::sqrt((w0 * w0 + w1 * w1) / 2.0), finalRotorSpeed);
    }
    const int i = std::clamp(currentStep, 1, speedStepCount);
    if (stepEnd[i] - stepStart[i] < 10.0)
        return stepSpeed[i];
    const double w0 = RotorSpeedAt(time), w1 = RotorSpeedAt(time + step);
    const double rms = std::sqrt((w0 * w0 + w1 * w1) / 2.0);
    if (i == 1 || stepSpeed[i - 1] < stepSpeed[i])
        return std::min(rms, stepSpeed[i]);
    return std::max(rms, stepSpeed[i]);
}

void CLammIdeal::AdvanceSpeedStep(double time) {
    if (!profileLoaded || lastStepReached)
        return;
    accelerationPhaseActive = false;
    atStepSpeed = true;
    for (int i = 1; i <= speedStepCount; ++i) {
        if (time >= stepStart[i]) {
            currentStep = i;
            accelerationPhaseActive = time < stepEnd[i];
            atStepSpeed = !accelerationPhaseActive;
        }
    }
    if (atStepSpeed && currentStep == speedStepCount)
        lastStepReached = true;
}
