// The floated detection-correction values and the ranges a trial is kept in.
#include "fitting/detection_fit_parameters.h"

#include "scandata/nonlinear_detection.h"
#include "state/fluorophore.h"

#include <algorithm>
#include <cmath>

namespace {

using D = DetectionCorrections;

float& Field(DetectionParameter k) {
    switch (k) {
    case DetectionParameter::ConeRadius:
        return D::coneRadius;
    case DetectionParameter::ExponentialRate:
        return D::exponentialRate;
    case DetectionParameter::LimitingLevel:
        return D::limitingLevel;
    case DetectionParameter::LinearDrift:
        return D::linearDrift;
    case DetectionParameter::ConvolutionWidth:
        return D::convolutionWidth;
    case DetectionParameter::GradientFactor:
        return D::gradientFactor;
    case DetectionParameter::NonlinearPower:
        return D::nonlinearPower;
    case DetectionParameter::DepletionS:
        return D::depletionS;
    case DetectionParameter::DepletionD:
        return D::depletionD;
    case DetectionParameter::DepletionAmplitude:
        return D::depletionAmplitude;
    case DetectionParameter::DepletionLogKs:
        return D::depletionLogKs;
    }
    return D::nonlinearPower;
}

bool Floated(DetectionParameter k) {
    switch (k) {
    case DetectionParameter::ConeRadius:
        return D::shadowFit && D::shadowOn;
    case DetectionParameter::ExponentialRate:
        return D::exponentialRateFit && D::exponentialOn;
    case DetectionParameter::LimitingLevel:
        return D::limitingLevelFit && D::exponentialOn;
    case DetectionParameter::LinearDrift:
        return D::linearDriftFit && D::linearDriftOn;
    case DetectionParameter::ConvolutionWidth:
        return D::convolutionFit && D::convolutionOn;
    case DetectionParameter::GradientFactor:
        return D::gradientFit && D::gradientOn;
    case DetectionParameter::NonlinearPower:
        return D::nonlinearPowerFit && D::nonlinearOn;
    case DetectionParameter::DepletionS:
        return D::depletionFitS && D::depletionOn;
    case DetectionParameter::DepletionD:
        return D::depletionFitD && D::depletionOn;
    case DetectionParameter::DepletionAmplitude:
        return D::depletionFitAmplitude && D::depletionOn;
    case DetectionParameter::DepletionLogKs:
        return D::depletionFitKs && D::depletionOn;
    }
    return false;
}

} // namespace

std::vector<DetectionParameter> FloatedDetectionParameters() {
    std::vector<DetectionParameter> floated;
    for (int i = 0; i <= static_cast<int>(DetectionParameter::DepletionLogKs); ++i)
        if (Floated(static_cast<DetectionParameter>(i)))
            floated.push_back(static_cast<DetectionParameter>(i));
    return floated;
}

double ReadDetectionParameter(DetectionParameter k) {
    return Field(k);
}

void WriteDetectionParameter(DetectionParameter k, double v) {
    float value = static_cast<float>(v);
    switch (k) {
    case DetectionParameter::ConeRadius:
        value = std::clamp(value, 0.01f, 1.0f);
        break;
    case DetectionParameter::GradientFactor:
        value = std::clamp(value, 0.5f, 2.0f);
        break;
    case DetectionParameter::ConvolutionWidth:
        if (value < 0.0f)
            value = 0.01f;
        else if (value >= 1.0f)
            value = 1.0f;
        break;
    case DetectionParameter::ExponentialRate:
    case DetectionParameter::LimitingLevel:
        if (value < 0.0f)
            value = 0.0f;
        break;
    case DetectionParameter::NonlinearPower:
        value = UsableNonlinearPower(value);
        break;
    default:
        break;
    }
    // A trial that is not a number leaves the value as it was.
    if (std::isfinite(value))
        Field(k) = value;
}
