// Statistics: closed forms of the incomplete beta and F distribution, quantiles found by
// bracketing (also beyond the old [1, 2] search range), Brent's search, and the runs test.
#include "foundations/error_box_log.h"
#include "foundations/statistical_tests.h"
#include "scandata/scan_store_alloc.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <tuple>
#include <vector>

TEST(LogGamma, MatchesTheStandardLibrary) {
    for (double x : {0.5, 1.0, 2.5, 7.0, 33.3, 170.0})
        EXPECT_NEAR(LogGamma(x), std::lgamma(x), 1e-9 * std::max(1.0, std::fabs(std::lgamma(x))))
            << x;
}

TEST(Betai, ClosedForms) {
    struct Case {
        double a, b, x, expected;
    };
    const Case cases[] = {
        {2, 3, 0.0, 0.0},
        {2, 3, 1.0, 1.0},
        {1, 1, 0.3, 0.3},                            // uniform
        {2, 1, 0.6, 0.36},                           // x^a
        {1, 3, 0.2, 1 - std::pow(0.8, 3)},           // 1 - (1 - x)^b
        {0.5, 0.5, 0.25, 2 / M_PI * std::asin(0.5)}, // arcsine law
    };
    for (const Case& c : cases)
        EXPECT_NEAR(betai(c.a, c.b, c.x), c.expected, 1e-6) << c.a << "," << c.b << "," << c.x;
}

TEST(FProbabilityTail, HalfAtOneForEqualDegreesOfFreedom) {
    for (double nu : {1.0, 2.0, 7.0, 100.0, 1000.0})
        EXPECT_NEAR(FProbabilityTail(1.0, nu, nu), 0.5, 1e-7) << nu;
    // F(2, 2): Q = 1 / (1 + F)
    EXPECT_NEAR(FProbabilityTail(3.0, 2, 2), 0.25, 1e-7);
    EXPECT_EQ(FProbabilityTail(3.0, 0, 0), 0.0);
}

TEST(FCriticalRatio, FindsQuantilesInsideAndOutsideTheFirstBracket) {
    struct Case {
        double P, nu1, nu2;
        double expected; // closed form where one exists, else < 0 (only Q is checked)
    };
    const Case cases[] = {
        {0.683, 10, 1000, -1}, {0.75, 2, 2, 3.0}, // Q = 1/(1 + F) = 0.25
        {0.99, 2, 2, 99.0}, // far above 2: used to fail with an unbracketed search
        {0.95, 3, 4, -1},      {0.3, 2, 2, 3.0 / 7.0}, // below 1
    };
    TakeErrorBoxes();
    for (const Case& c : cases) {
        double F = FCriticalRatio(c.P, c.nu1, c.nu2);
        EXPECT_NEAR(FProbabilityTail(F, c.nu1, c.nu2), 1 - c.P, 1e-6) << c.P;
        if (c.expected > 0) {
            EXPECT_NEAR(F, c.expected, 1e-5 * c.expected) << c.P;
        }
    }
    double F = FCriticalRatio(0.683, 10, 1000);
    EXPECT_GT(F, 1.0);
    EXPECT_LT(F, 2.0);
    EXPECT_TRUE(TakeErrorBoxes().empty());
}

namespace {
double Cubic(double x) {
    return x * x * x - 2.0 * x - 5.0;
}
double Positive(double x) {
    return x * x + 1.0;
}
} // namespace

TEST(Statzbrent, FindsARootAndReportsAMissingBracket) {
    TakeErrorBoxes();
    // The search stops within 6e-8 relative of the root.
    EXPECT_NEAR(statzbrent(Cubic, 2.0, 3.0, 1e-12), 2.0945514815423265, 3e-7);
    EXPECT_TRUE(TakeErrorBoxes().empty());
    statzbrent(Positive, 0.0, 1.0, 1e-7);
    auto boxes = TakeErrorBoxes();
    ASSERT_GE(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Root must be bracketed in statzbrent");
    EXPECT_FALSE(boxes[0].fatal);
}

TEST(RunsTestZ, CountsRunsOfResidualSigns) {
    ScanStore::ResetToDefaults();
    std::vector<float> fit1(11, 0.0f), fit2(11, 0.0f);
    std::vector<float> alternating{0, 1, -1, 1, -1, 1, -1, 1, -1, 1, -1};
    std::vector<float> positive{0, 1, 2, 1, 2, 1, 2, 1, 2, 1, 2};
    float* data[] = {nullptr, alternating.data(), positive.data()};
    float* fit[] = {nullptr, fit1.data(), fit2.data()};
    int list[] = {0, 1, 2};
    int firstPoint[] = {0, 1, 1}, lastPoint[] = {0, 10, 10};

    EXPECT_EQ(RunsTestZ(data, fit, 1, 1, list, firstPoint, lastPoint), 0.0f); // no scans
    ScanStore::scanCount = 2;
    // Alternating signs: 10 runs, n1 = n2 = 5, mu = 6, sigma^2 = 2*25*40/(100*9).
    float expected = static_cast<float>((10 - 6 + 0.5) / std::sqrt(2000.0 / 900.0));
    EXPECT_NEAR(RunsTestZ(data, fit, 1, 1, list, firstPoint, lastPoint), expected, 1e-5f);
    EXPECT_EQ(RunsTestZ(data, fit, 2, 2, list, firstPoint, lastPoint), 0.0f); // sigma 0
    ScanStore::ResetToDefaults();
}

// A NaN argument used to run the continued fraction to its iteration limit and answer NaN behind
// the box "a or b too big, or MAXIT too small in betacf"; it now answers NaN without a box.
TEST(Betai, NaNAnswersNaNWithoutABox) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    TakeErrorBoxes();
    for (const auto& [a, b, x] :
         {std::tuple{nan, 3.0, 0.5}, std::tuple{2.0, nan, 0.5}, std::tuple{2.0, 3.0, nan}}) {
        EXPECT_TRUE(std::isnan(betai(a, b, x)));
    }
    EXPECT_TRUE(std::isnan(FProbabilityTail(nan, 3.0, 10.0)));
    EXPECT_TRUE(TakeErrorBoxes().empty());
}
