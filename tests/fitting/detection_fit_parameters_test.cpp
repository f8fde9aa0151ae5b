// The detection values a fit varies: only those whose fit flag and correction are both on, in the
// fixed order, and every trial kept in the range the detector allows.
#include "fitting/detection_fit_parameters.h"
#include "fitting/fit_driver.h"
#include "state/fluorophore.h"
#include "support/reset_all_state.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

using D = DetectionCorrections;
using P = DetectionParameter;

class DetectionFitParameters : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
    void TearDown() override { ResetAllState(); }
};

} // namespace

TEST_F(DetectionFitParameters, FloatsFlaggedValuesOfCorrectionsInForceInOrder) {
    EXPECT_TRUE(FloatedDetectionParameters().empty());
    // Fit flags without their corrections float nothing.
    D::nonlinearPowerFit = D::shadowFit = D::depletionFitD = D::limitingLevelFit = true;
    EXPECT_TRUE(FloatedDetectionParameters().empty());
    D::nonlinearOn = D::shadowOn = D::depletionOn = D::exponentialOn = true;
    EXPECT_EQ(FloatedDetectionParameters(),
              (std::vector<P>{P::ConeRadius, P::LimitingLevel, P::NonlinearPower, P::DepletionD}));
    // They come after the packed slots in the fit's free list.
    const std::vector<int> slots = FreeFitSlots();
    ASSERT_GE(slots.size(), 4u);
    EXPECT_EQ(std::vector<int>(slots.end() - 4, slots.end()),
              (std::vector<int>{2000, 2002, 2006, 2008}));
}

TEST_F(DetectionFitParameters, TrialsAreKeptInTheirRanges) {
    struct Case {
        P parameter;
        double trial, stored;
    } cases[] = {
        {P::ConeRadius, 0.001, 0.01},      {P::ConeRadius, 3.0, 1.0},
        {P::ConeRadius, 0.2, 0.2},         {P::GradientFactor, 0.1, 0.5},
        {P::GradientFactor, 5.0, 2.0},     {P::ConvolutionWidth, -0.3, 0.01},
        {P::ConvolutionWidth, 1.0, 1.0},   {P::ConvolutionWidth, 0.0, 0.0},
        {P::ConvolutionWidth, 0.05, 0.05}, {P::ExponentialRate, -2.0, 0.0},
        {P::LimitingLevel, -0.1, 0.0},     {P::NonlinearPower, 0.0, 0.01},
        {P::NonlinearPower, -1.5, 0.01},   {P::NonlinearPower, 1.7, 1.7},
        {P::LinearDrift, -0.04, -0.04},    {P::DepletionLogKs, -5.0, -5.0},
    };
    for (const Case& c : cases) {
        WriteDetectionParameter(c.parameter, c.trial);
        EXPECT_FLOAT_EQ(float(ReadDetectionParameter(c.parameter)), float(c.stored))
            << "parameter " << int(c.parameter) << " trial " << c.trial;
    }
    // A trial that is not a number leaves the value.
    WriteDetectionParameter(P::GradientFactor, 1.2);
    WriteDetectionParameter(P::GradientFactor, std::nan(""));
    EXPECT_FLOAT_EQ(D::gradientFactor, 1.2f);
}
