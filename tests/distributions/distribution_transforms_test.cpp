// Transforms of a held distribution: s20,w under standard conditions is the identity and in a
// more viscous buffer a pure scaling that keeps the area; the radius and molar-mass abscissae
// keep the area of every range; the integral form ends at the total; no distribution is said;
// only a differential distribution over s is mapped to another abscissa.
#include "distributions/conti_run.h"
#include "distributions/distribution_transforms.h"
#include "foundations/hydrodynamics.h"
#include "foundations/nr_arrays.h"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "support/reset_all_state.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

constexpr int kPoints = 400;

// A normal-shaped c(s) of area 1 around 5 S (sd 0.5) on 0.02 .. 10 S, with a second result of
// half its height.
void HoldNormalDistribution(bool withSecond = false) {
    FreeDistributionArrays();
    ContiState::gridPoints = kPoints;
    ContiState::sValues = vector(1, kPoints);
    ContiState::mValues = vector(1, kPoints);
    ContiState::distribution = vector(1, kPoints);
    if (withSecond)
        ContiState::secondDistribution = vector(1, kPoints);
    for (int p = 1; p <= kPoints; ++p) {
        const double s = 0.025 * p;
        const double c =
            std::exp(-0.5 * std::pow((s - 5.0) / 0.5, 2)) / (0.5 * std::sqrt(2 * M_PI));
        ContiState::sValues[p] = float(s);
        ContiState::mValues[p] = float(1000.0 * p);
        ContiState::distribution[p] = float(c);
        if (withSecond)
            ContiState::secondDistribution[p] = float(0.5 * c);
    }
    ContiState::heldAbscissa = HeldAbscissa::S; // as a computed c(s)
}

// The message of the refusal of a transform of the held distribution; empty when it is made.
std::string RefusalText(DistributionTransform kind) {
    return TransformRefusalText(TransformHeldDistribution(nullptr, kind));
}

double HeldArea(const float* values) {
    double area = 0.0;
    for (int p = 2; p <= ContiState::gridPoints; ++p)
        area += 0.5 * (values[p] + values[p - 1]) *
                (double(ContiState::sValues[p]) - ContiState::sValues[p - 1]);
    return area;
}

class DistributionTransforms : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAllState();
        ScanStore::vbar = 0.73f;
    }
    void TearDown() override { ResetAllState(); }
    void Buffer(float density, float viscosity) {
        ScanStore::density = density;
        ScanStore::viscosity = viscosity;
        ScanStore::vbarRho = ScanStore::vbar * density;
    }
};

} // namespace

TEST_F(DistributionTransforms, S20wIsTheIdentityInWaterAndAScalingInAViscousBuffer) {
    struct Case {
        const char* name;
        float density, viscosity;
        double factor;
    };
    const Case cases[] = {
        {"water at 20 C", 0.99823f, 1.0f, 1.0},
        {"relative viscosity 1.1", 0.99823f, 1.1f, 1.1},
        {"denser buffer", 1.05f, 1.0f, (1.0 - 0.73 * 0.99823) / (1.0 - 0.73 * 1.05)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Buffer(c.density, c.viscosity);
        HoldNormalDistribution(true);
        const std::vector<float> before(ContiState::sValues + 1, ContiState::sValues + kPoints + 1);
        const double area = HeldArea(ContiState::distribution);
        ASSERT_EQ(TransformHeldDistribution(nullptr, DistributionTransform::S20w),
                  TransformRefusal::None);
        ASSERT_EQ(ContiState::gridPoints, kPoints);
        for (int p = 1; p <= kPoints; ++p)
            ASSERT_NEAR(ContiState::sValues[p] / before[p - 1], c.factor, 1e-6) << p;
        EXPECT_NEAR(HeldArea(ContiState::distribution), area, 1e-6);
        EXPECT_NEAR(HeldArea(ContiState::secondDistribution), 0.5 * area, 1e-6);
        EXPECT_NE(ContiState::distributionPlot, nullptr);
    }
}

TEST_F(DistributionTransforms, RadiusAndMolarMassKeepTheAreaOfEveryRange) {
    struct Case {
        const char* name;
        DistributionTransform kind;
        std::function<double(double)> map;
    };
    const Case cases[] = {
        {"molar mass", DistributionTransform::MolarMass,
         [](double s) { return CalculateM(float(s)); }},
        {"hydrodynamic radius", DistributionTransform::StokesRadius,
         [](double s) { return 1e9 * S20ToStokesRadius(float(SToS20wInBuffer(float(s))), 0.73f); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HoldNormalDistribution();
        ASSERT_EQ(TransformHeldDistribution(nullptr, c.kind), TransformRefusal::None);
        // The abscissae are the map of the old ones; the area between the images of 4 and 6 S
        // is that between 4 and 6 S (0.9545 of the normal curve).
        EXPECT_NEAR(ContiState::sValues[1] / c.map(0.025), 1.0, 1e-6);
        EXPECT_NEAR(ContiState::sValues[kPoints] / c.map(10.0), 1.0, 1e-6);
        EXPECT_NEAR(HeldArea(ContiState::distribution), 1.0, 1e-4);
        const double lo = c.map(4.0), hi = c.map(6.0);
        double part = 0.0;
        for (int p = 2; p <= kPoints; ++p)
            if (ContiState::sValues[p - 1] >= lo * (1 - 1e-6) &&
                ContiState::sValues[p] <= hi * (1 + 1e-6))
                part += 0.5 * (ContiState::distribution[p] + ContiState::distribution[p - 1]) *
                        (double(ContiState::sValues[p]) - ContiState::sValues[p - 1]);
        EXPECT_NEAR(part, std::erf(2.0 / std::sqrt(2.0)), 2e-4);
    }
}

TEST_F(DistributionTransforms, IntegralEndsAtTheTotalAndNegativeSIsLeftOutOfTheMass) {
    HoldNormalDistribution();
    const double total = HeldArea(ContiState::distribution);
    ASSERT_EQ(TransformHeldDistribution(nullptr, DistributionTransform::Integral),
              TransformRefusal::None);
    EXPECT_FLOAT_EQ(ContiState::distribution[1], 0.0f);
    EXPECT_NEAR(ContiState::distribution[kPoints], total, 1e-6);
    for (int p = 2; p <= kPoints; ++p)
        ASSERT_GE(ContiState::distribution[p], ContiState::distribution[p - 1]) << p;

    // Points below 0 S have no molar mass: they are left out, the rest transformed.
    HoldNormalDistribution();
    for (int p = 1; p <= 10; ++p)
        ContiState::sValues[p] = float(-0.25 + 0.025 * (p - 1));
    ASSERT_EQ(TransformHeldDistribution(nullptr, DistributionTransform::MolarMass),
              TransformRefusal::None);
    EXPECT_EQ(ContiState::gridPoints, kPoints - 10);
    EXPECT_GT(ContiState::sValues[1], 0.0f);
}

// On closed forms: the integral of c = x over uneven steps is x^2 / 2 exactly (a trapezoid rule),
// and a point at exactly 0 S is left out together with its mass, so the kept masses stay with
// their points.
TEST_F(DistributionTransforms, IntegralIsTheTrapezoidAndMassesStayWithTheirPoints) {
    const DistributionCurve line{{0.0, 1.0, 3.0, 4.0}, {0.0, 1.0, 3.0, 4.0}};
    const DistributionCurve integral = IntegralDistribution(line);
    for (std::size_t i = 0; i < line.x.size(); ++i)
        EXPECT_DOUBLE_EQ(integral.c[i], 0.5 * line.x[i] * line.x[i]) << line.x[i];

    HoldNormalDistribution();
    for (int p = 1; p <= 3; ++p)
        ContiState::sValues[p] = float(0.025 * (p - 3)); // the third at 0 S
    ASSERT_EQ(TransformHeldDistribution(nullptr, DistributionTransform::MolarMass),
              TransformRefusal::None);
    ASSERT_EQ(ContiState::gridPoints, kPoints - 3);
    for (int p = 1; p <= ContiState::gridPoints; ++p)
        ASSERT_EQ(ContiState::mValues[p], float(1000.0 * (p + 3))) << p;
}

TEST_F(DistributionTransforms, WithoutADistributionNothingChangesAndTheReasonIsGiven) {
    for (DistributionTransform kind :
         {DistributionTransform::S20w, DistributionTransform::StokesRadius,
          DistributionTransform::MolarMass, DistributionTransform::Integral}) {
        EXPECT_EQ(RefusalText(kind),
                  "There is no distribution to transform: Run the distribution model first.");
        EXPECT_EQ(ContiState::sValues, nullptr);
    }
    // Only negative sedimentation coefficients: nothing to give a molar mass, nothing changed.
    HoldNormalDistribution();
    for (int p = 1; p <= kPoints; ++p)
        ContiState::sValues[p] = -10.0f + 0.02f * p;
    const std::string why = RefusalText(DistributionTransform::MolarMass);
    EXPECT_NE(why.find("positive sedimentation coefficients"), std::string::npos) << why;
    EXPECT_EQ(ContiState::gridPoints, kPoints);
    EXPECT_FLOAT_EQ(ContiState::sValues[1], -9.98f);
}

// The maps take s: a distribution over M, log D or the radius, one transformed already or one in
// integral form is refused with nothing changed; the integral is made once, of any abscissa.
TEST_F(DistributionTransforms, OnlyADifferentialDistributionOverSIsMappedAgain) {
    const char* notOverS =
        "Only a differential distribution over s, as computed, can be transformed to another "
        "abscissa.";
    for (HeldAbscissa held : {HeldAbscissa::MolarMass, HeldAbscissa::LogD,
                              HeldAbscissa::StokesRadius, HeldAbscissa::S20w}) {
        for (DistributionTransform kind :
             {DistributionTransform::S20w, DistributionTransform::StokesRadius,
              DistributionTransform::MolarMass}) {
            HoldNormalDistribution();
            ContiState::heldAbscissa = held;
            EXPECT_EQ(RefusalText(kind), notOverS);
            EXPECT_FLOAT_EQ(ContiState::sValues[kPoints], 10.0f);
            EXPECT_EQ(ContiState::heldAbscissa, held);
        }
    }
    // s20,w, then its integral: both made; a second integral or a map of it is refused.
    HoldNormalDistribution();
    ASSERT_EQ(TransformHeldDistribution(nullptr, DistributionTransform::S20w),
              TransformRefusal::None);
    EXPECT_EQ(ContiState::heldAbscissa, HeldAbscissa::S20w);
    ASSERT_EQ(TransformHeldDistribution(nullptr, DistributionTransform::Integral),
              TransformRefusal::None);
    EXPECT_TRUE(ContiState::heldIntegral);
    EXPECT_EQ(RefusalText(DistributionTransform::Integral),
              "The distribution is in integral form already.");
    ContiState::heldAbscissa = HeldAbscissa::S;
    EXPECT_EQ(RefusalText(DistributionTransform::MolarMass), notOverS);
}
