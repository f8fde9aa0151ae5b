// The nonlinear detection transform: the law and its inverse, the two versions of the loaded
// scans and what the store shows, and the store staying the authority after edits.
#include "scandata/nonlinear_detection.h"
#include "scandata/scan_store_alloc.h"
#include "state/fluorophore.h"
#include "support/store_builder.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

using N = NonlinearDetection;
using S = ScanStore;

// Two scans of 6 points, signal 0.1 .. 3.6 (some at or below a baseline of 0.5), fit 0.9 x signal.
std::vector<std::vector<float>> LoadTwoScans() {
    std::vector<StoreScan> scans;
    for (int k = 0; k < 2; ++k) {
        StoreScan s;
        s.timeS = 600.0 * (k + 1);
        for (int i = 0; i < 6; ++i) {
            s.radius.push_back(6.0f + 0.1f * float(i));
            s.signal.push_back(0.1f + 0.7f * float(i) + 0.1f * float(k));
        }
        scans.push_back(s);
    }
    FillStore(scans);
    std::vector<std::vector<float>> original(3);
    for (int k = 1; k <= 2; ++k) {
        S::firstFitIndex[k] = 1;
        S::lastFitIndex[k] = S::pointCount[k];
        for (int i = 1; i <= 6; ++i)
            S::fit[k][i] = 0.9f * S::signal[k][i];
        original[k].assign(S::signal[k], S::signal[k] + 7);
    }
    return original;
}

class NonlinearDetectionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        DetectionCorrections::ResetToDefaults();
        DetectionCorrections::nonlinearOn = true;
        FreeAllData();
    }
    void TearDown() override {
        FreeAllData();
        DetectionCorrections::ResetToDefaults();
    }
};

} // namespace

TEST(NonlinearDetectionLaw, FollowsThePowerAboveTheBaselineAndRoundTrips) {
    struct Case {
        double y, p, b, expected;
    } cases[] = {
        {3.0, 2.0, 1.0, 5.0},  // (3 - 1)^2 + 1
        {10.0, 0.5, 1.0, 4.0}, // sqrt(9) + 1
        {1.0, 2.0, 1.0, 1.0},  // at the baseline: unchanged
        {0.2, 2.0, 1.0, 0.2},  // below: unchanged
        {2.5, 1.0, 0.0, 2.5},  // power 1, baseline 0: identity
        {NAN, 2.0, 0.0, NAN},  // unordered: passes
    };
    for (const Case& c : cases) {
        const double got = NonlinearDetectionLaw(c.y, c.p, c.b);
        if (std::isnan(c.expected))
            EXPECT_TRUE(std::isnan(got));
        else
            EXPECT_DOUBLE_EQ(got, c.expected) << c.y << " " << c.p << " " << c.b;
    }
    for (double p : {0.3, 0.8, 1.0, 1.7, 3.0})
        for (double b : {-0.2, 0.0, 0.4})
            for (double y : {-1.0, 0.4, 0.41, 1.0, 2.5, 9.0}) {
                const double there = NonlinearDetectionLaw(y, p, b);
                EXPECT_NEAR(InverseNonlinearDetectionLaw(there, p, b), y, 1e-6)
                    << y << " " << p << " " << b;
            }
}

TEST_F(NonlinearDetectionTest, WithoutScansOrSwitchEveryOperationRefusesAndAllocatesNothing) {
    EXPECT_FALSE(ApplyNonlinearDetection(2.0, 0.0, true));
    EXPECT_FALSE(ReapplyNonlinearDetection(true));
    EXPECT_FALSE(InvertNonlinearDetection());
    EXPECT_FALSE(AllocNonlinearDetectionCopies());
    EXPECT_TRUE(N::untransformedSignal.empty());
    LoadTwoScans();
    DetectionCorrections::nonlinearOn = false;
    EXPECT_FALSE(ApplyNonlinearDetection(2.0, 0.0, true));
    EXPECT_FALSE(ApplyNonlinearDetectionForFit(2.0, 0.0, true));
    EXPECT_TRUE(N::untransformedSignal.empty());
    EXPECT_EQ(S::signal[1][6], 3.6f);
}

TEST_F(NonlinearDetectionTest, ShowSwitchPutsEitherVersionIntoTheStore) {
    const auto original = LoadTwoScans();
    ASSERT_TRUE(ApplyNonlinearDetection(2.0, 0.5, true));
    EXPECT_TRUE(N::shown);
    for (int k = 1; k <= 2; ++k)
        for (int i = 1; i <= 6; ++i) {
            const float y = original[k][i];
            EXPECT_FLOAT_EQ(S::signal[k][i], float(NonlinearDetectionLaw(y, 2.0, 0.5)));
            EXPECT_FLOAT_EQ(S::fit[k][i], float(NonlinearDetectionLaw(0.9f * y, 2.0, 0.5)));
        }
    EXPECT_EQ(S::signal[1][1], original[1][1]); // 0.1 is below the baseline
    EXPECT_GT(N::transformedRmsd, N::untransformedRmsd);
    EXPECT_EQ(GetNonlinearDetectionRmsd(), N::untransformedRmsd);
    // Back to the recorded signal bit for bit, and the transformed copies are not recomputed.
    const std::vector<float> transformed = N::transformedSignal[2];
    ASSERT_TRUE(ApplyNonlinearDetection(2.0, 0.5, false));
    EXPECT_FALSE(N::shown);
    for (int k = 1; k <= 2; ++k)
        for (int i = 1; i <= 6; ++i)
            EXPECT_EQ(S::signal[k][i], original[k][i]);
    EXPECT_EQ(N::transformedSignal[2], transformed);
}

// Edits made while the transformed data are shown stay (read back through the inverse law), and
// a scan that lost a point is copied no further than its points.
TEST_F(NonlinearDetectionTest, EditsAndChangedPointCountsSurviveTheNextReapply) {
    const auto original = LoadTwoScans();
    DetectionCorrections::nonlinearShowTransformed = true;
    ASSERT_TRUE(ApplyNonlinearDetection(2.0, 0.0, true));
    S::signal[1][3] = 4.0f; // an edit in the transformed view
    S::pointCount[2] = 4;   // two points cut from scan 2
    S::lastFitIndex[2] = 4;
    S::signal[2][5] = -7.0f; // no longer a point of the scan
    ASSERT_TRUE(ReapplyNonlinearDetection(false));
    EXPECT_EQ(S::signal[1][3], 4.0f);
    EXPECT_NEAR(N::untransformedSignal[1][3], 2.0f, 1e-6);
    EXPECT_EQ(N::untransformedSignal[2].size(), 5u);
    EXPECT_EQ(S::signal[2][5], -7.0f);
    ASSERT_TRUE(ApplyNonlinearDetection(2.0, 0.0, false));
    EXPECT_NEAR(S::signal[1][3], 2.0f, 1e-6);
    EXPECT_NEAR(S::signal[2][4], original[2][4], 1e-6);
    EXPECT_EQ(S::signal[1][4], original[1][4]); // untouched points keep their recorded values
}

// A power of 0 or below would put every value above the baseline on b + 1, beyond recovery.
TEST_F(NonlinearDetectionTest, PowerAtOrBelowZeroIsTakenAsOneHundredth) {
    const auto original = LoadTwoScans();
    for (double p : {0.0, -2.0}) {
        ASSERT_TRUE(ApplyNonlinearDetection(p, 0.0, true));
        EXPECT_EQ(N::appliedPower, 0.01f);
        EXPECT_NE(S::signal[1][6], S::signal[1][5]);
        ASSERT_TRUE(InvertNonlinearDetection());
        EXPECT_NEAR(N::untransformedFit[1][6], 0.9f * original[1][6], 2e-4);
    }
    EXPECT_EQ(UsableNonlinearPower(NAN), 0.01f);
    EXPECT_EQ(UsableNonlinearPower(1.5f), 1.5f);
}

TEST_F(NonlinearDetectionTest, InvertTakesTheStoreFitAsTheModelOfTheShownVersion) {
    LoadTwoScans();
    ASSERT_TRUE(ApplyNonlinearDetection(2.0, 0.0, true));
    S::fit[1][2] = 9.0f; // the model's answer, transformed
    ASSERT_TRUE(InvertNonlinearDetection());
    EXPECT_EQ(N::transformedFit[1][2], 9.0f);
    EXPECT_NEAR(N::untransformedFit[1][2], 3.0f, 1e-6);
    ASSERT_TRUE(ApplyNonlinearDetection(2.0, 0.0, false));
    S::fit[1][2] = 2.0f; // now untransformed
    ASSERT_TRUE(InvertNonlinearDetection());
    EXPECT_EQ(N::untransformedFit[1][2], 2.0f);
    EXPECT_FLOAT_EQ(N::transformedFit[1][2], 4.0f);
}
