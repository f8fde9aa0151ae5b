// Savitzky-Golay smoothing: tabulated coefficients, polynomial exactness, shortened end windows,
// refusal of windows larger than the data, and smoothing on an irregular abscissa.
#include "foundations/cvector.h"
#include "foundations/error_box_log.h"
#include "foundations/savgol.h"

#include <gtest/gtest.h>
#include <vector>

namespace {
CVector Owning(const std::vector<float>& v) {
    return CVector(static_cast<std::uint32_t>(v.size()), v.data(), 1);
}
} // namespace

TEST(Savgol, TabulatedQuadraticWeights) {
    float c[6];
    savgol(c, 5, 2, 2, 0, 2);
    const float expected[] = {0, 17.0f / 35, 12.0f / 35, -3.0f / 35, -3.0f / 35, 12.0f / 35};
    for (int k = 1; k <= 5; ++k)
        EXPECT_NEAR(c[k], expected[k], 1e-6f) << "c[" << k << "]";
}

TEST(Savgol, FirstDerivativeWeightsDifferentiateALine) {
    // Applied to y = 3 k the derivative weights must give 3 for any window.
    float c[8];
    savgol(c, 7, 2, 4, 1, 2);
    float sum = c[1] * 0.0f;
    for (int k = 1; k <= 2; ++k)
        sum += c[k + 1] * (-3.0f * k);
    for (int k = 1; k <= 4; ++k)
        sum += c[7 - k + 1] * (3.0f * k);
    EXPECT_NEAR(sum, 3.0f, 1e-4f);
}

TEST(SavGolSmooth, MovingAverageShortensTheEndWindows) {
    CVector v = Owning({1, 2, 3, 4, 5, 6});
    ASSERT_TRUE(v.SavGolSmooth(2, 2, 1));
    const float expected[] = {2, 2.5f, 3, 4, 4.5f, 5};
    for (int i = 0; i < 6; ++i)
        EXPECT_FLOAT_EQ(v.At(i), expected[i]) << i;
}

TEST(SavGolSmooth, QuadraticsPassUnchanged) {
    std::vector<float> q;
    for (int i = 0; i < 12; ++i)
        q.push_back(0.5f * i * i - 3.0f * i + 2.0f);
    CVector v = Owning(q);
    ASSERT_TRUE(v.SavGolSmooth(2, 2, 2));
    for (int i = 0; i < 12; ++i)
        EXPECT_NEAR(v.At(i), q[i], 2e-4f) << i;
}

TEST(SavGolSmooth, RefusesWindowsLargerThanTheData) {
    TakeErrorBoxes();
    CVector v = Owning({1, 5, 2, 8, 3});
    EXPECT_FALSE(v.SavGolSmooth(3, 3, 2));
    auto boxes = TakeErrorBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "window for smoothing too big!\n3+3+1<5");
    EXPECT_EQ(v.At(1), 5.0f);
    EXPECT_FALSE(v.SavGolSmooth(0, 0, 1));
}

TEST(SmoothOnRegularGrid, SmoothsOnEvenGridAndReturnsToX) {
    // A straight line on an irregular abscissa survives the round trip through the grid (order 2,
    // so the shortened end windows stay unbiased).
    std::vector<float> xs, ys;
    for (int i = 0; i < 40; ++i) {
        float x = 1.0f + 0.1f * i + 0.03f * (i % 3);
        xs.push_back(x);
        ys.push_back(2.0f * x + 1.0f);
    }
    CVector x = Owning(xs), y = Owning(ys);
    ASSERT_TRUE(y.SmoothOnRegularGrid(1000, x, 3, 3, 2));
    for (int i = 0; i < 40; ++i)
        EXPECT_NEAR(y.At(i), ys[i], 2e-3f) << "x = " << xs[i];

    CVector shorter = Owning({1, 2, 3});
    CVector before(y);
    EXPECT_FALSE(y.SmoothOnRegularGrid(1000, shorter, 3, 3, 1));
    EXPECT_TRUE(y == before);
}
