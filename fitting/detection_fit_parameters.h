// The detection-correction values a fit may vary: each one whose fit flag is set while its
// correction is on, kept after each step inside the range the detector allows.
#pragma once

#include <vector>

// In the order the fit varies them.
enum class DetectionParameter {
    ConeRadius,
    ExponentialRate,
    LimitingLevel,
    LinearDrift,
    ConvolutionWidth,
    GradientFactor,
    NonlinearPower,
    DepletionS,
    DepletionD,
    DepletionAmplitude,
    DepletionLogKs,
};

std::vector<DetectionParameter> FloatedDetectionParameters();

double ReadDetectionParameter(DetectionParameter k);
// Writes a trial value into DetectionCorrections, brought into its range: cone radius 0.01 to
// 1 cm, gradient factor 0.5 to 2, a negative convolution width 0.01 and one of 1 cm or more 1,
// a negative rate or limiting level 0, a power at or below 0 the smallest usable one.
void WriteDetectionParameter(DetectionParameter k, double v);
