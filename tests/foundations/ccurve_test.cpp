// CCurve: ownership, nearest-point and window queries, the peak search, sorting, interpolation.
#include "foundations/ccurve.h"

#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

// An owning curve built from two lists.
std::unique_ptr<CCurve> MakeCurve(const std::vector<float>& xs, const std::vector<float>& ys) {
    return std::make_unique<CCurve>(xs.data(), ys.data(), static_cast<std::uint32_t>(xs.size()), 0,
                                    0);
}

std::vector<float> Ramp(int n) {
    std::vector<float> v(n);
    for (int i = 0; i < n; ++i)
        v[i] = static_cast<float>(i + 1);
    return v;
}

} // namespace

TEST(CCurve, WrapperLeavesVectorsAliveAndCountsLiveCurves) {
    int before = gLiveCurveCount;
    CVector x(2, 1), y(2, 1);
    {
        CCurve c(&x, &y);
        EXPECT_EQ(gLiveCurveCount, before + 1);
        EXPECT_EQ(c.owns, 0u);
    }
    EXPECT_EQ(gLiveCurveCount, before);
    x.data[0] = 1.0f; // still alive
    auto owning = MakeCurve({1, 2}, {3, 4});
    EXPECT_EQ(owning->owns, 1u);
    EXPECT_EQ(owning->y->At(1), 4.0f);
}

TEST(CCurve, FindsPeaksHighestFirst) {
    struct Case {
        const char* name;
        std::vector<float> y;
        int maxPeaks, halfWindow;
        std::vector<int> numbers; // point numbers, counted from 1
    };
    const Case cases[] = {
        {"two peaks", {0, 1, 3, 1, 0, 2, 5, 2, 0}, 10, 2, {7, 3}},
        {"only the highest", {0, 1, 3, 1, 0, 2, 5, 2, 0}, 1, 2, {7}},
        {"plateau", {1, 2, 2, 1}, 10, 1, {}},
        {"near the ends", {5, 0, 0, 0, 5}, 10, 1, {}},
        {"equal heights keep x order", {0, 4, 0, 4, 0}, 10, 1, {2, 4}},
        {"window wider than the curve", {0, 1, 0}, 10, 2, {}},
        {"no peaks requested", {0, 1, 0}, 0, 1, {}},
    };
    for (const Case& c : cases) {
        auto curve = MakeCurve(Ramp(static_cast<int>(c.y.size())), c.y);
        float px[12], py[12];
        int pi[12];
        int n = curve->FindPeaks(px, py, pi, c.maxPeaks, c.halfWindow);
        ASSERT_EQ(n, static_cast<int>(c.numbers.size())) << c.name;
        for (int k = 0; k < n; ++k) {
            EXPECT_EQ(pi[k + 1], c.numbers[k]) << c.name;
            EXPECT_EQ(px[k + 1], static_cast<float>(c.numbers[k])) << c.name;
            EXPECT_EQ(py[k + 1], c.y[c.numbers[k] - 1]) << c.name;
        }
    }
    auto curve = MakeCurve(Ramp(9), {0, 1, 3, 1, 0, 2, 5, 2, 0});
    float px[3], py[3];
    EXPECT_EQ(curve->FindPeaks(px, py, nullptr, 2, 2), 2);
    EXPECT_EQ(curve->FindPeaks(nullptr, py, nullptr, 2, 2), 0);
}

TEST(CCurve, WindowExtremaStopAtTheFirstAbscissaBeyondTheWindow) {
    auto c = MakeCurve({1, 2, 3, 4, 5}, {10, 30, 20, 40, 99});
    EXPECT_EQ(c->MaxYInWindow(2, 4, 0, 100), 40.0f);
    EXPECT_EQ(c->MinYInWindow(2, 4, 0, 100), 20.0f);
    EXPECT_EQ(c->MaxYInWindow(2, 4, 0, 3), 30.0f);   // hi is exclusive
    EXPECT_EQ(c->MaxYInWindow(2, 4, -7, -1), 40.0f); // hi compared unsigned
    EXPECT_EQ(c->MaxYInWindow(7, 9, 0, 100), 0.0f);
    EXPECT_EQ(c->MaxYInRange(0, 10), 99.0f);
    EXPECT_EQ(c->MinYInRange(0, 10), 10.0f);
    EXPECT_FLOAT_EQ(c->MeanYInRange(2, 3), 25.0f);
    EXPECT_EQ(c->XAtMaxY(), 5.0f);

    auto unordered = MakeCurve({1, 9, 2}, {1, 2, 50});
    EXPECT_EQ(unordered->MaxYInWindow(0, 5, 0, 3), 1.0f); // stops at x = 9
}

TEST(CCurve, NearestIndexKeepsTheLowerIndexOnTies) {
    auto c = MakeCurve({1, 2, 3, 4}, {5, 6, 7, 8});
    EXPECT_EQ(c->IndexNearestX(2.5f), 1);
    EXPECT_EQ(c->IndexNearestX(-100.0f), 0);
    EXPECT_EQ(c->IndexNearestX(3.9f), 3);
    float xo = 0, yo = 0;
    EXPECT_EQ(c->NearestIndexInY(7.2f, &xo, &yo), 2);
    EXPECT_EQ(xo, 3.0f);
    EXPECT_EQ(c->NearestPoint(4.1f, 7.9f, &xo, &yo), 3);
    EXPECT_EQ(yo, 8.0f);
}

TEST(CCurve, InterpolatesAndExtrapolatesLinearly) {
    auto c = MakeCurve({0, 1, 2, 4}, {0, 10, 20, 0});
    struct Case {
        float x, y;
    };
    for (Case k : {Case{0.5f, 5.0f}, Case{1.0f, 10.0f}, Case{3.0f, 10.0f}, Case{-1.0f, -10.0f},
                   Case{5.0f, -10.0f}, Case{1.9f, 19.0f}})
        EXPECT_NEAR(c->InterpolateY(k.x), k.y, 1e-5f) << k.x;
}

TEST(CCurve, SortByXMovesPointsTogetherAndIsStable) {
    auto c = MakeCurve({3, 1, 2, 1}, {30, 10, 20, 11});
    c->SortByX();
    std::vector<float> xs(c->x->data, c->x->data + 4), ys(c->y->data, c->y->data + 4);
    EXPECT_EQ(xs, (std::vector<float>{1, 1, 2, 3}));
    EXPECT_EQ(ys, (std::vector<float>{10, 11, 20, 30}));
}

TEST(CCurve, Determinants) {
    float r1[] = {0, 2, 1, 3}, r2[] = {0, 0, 4, 1}, r3[] = {0, 5, 2, 6};
    float* rows[] = {nullptr, r1, r2, r3};
    EXPECT_EQ(Det2(rows), 8.0f);
    EXPECT_EQ(Det3(rows), 2 * (24 - 2) - 1 * (0 - 5) + 3 * (0 - 20));
}
