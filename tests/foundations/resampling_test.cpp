// Resampling between grids: interpolation inside, each end rule (one-step extrapolation, start and
// end levels), the refusals, accumulation, and Neville's interpolation of polynomials.
#include "foundations/resampling.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

// 1-based arrays held in std::vector with an unused element 0.
std::vector<float> Grid(float start, float step, int n) {
    std::vector<float> v(n + 1, 0.0f);
    for (int i = 1; i <= n; ++i)
        v[i] = start + step * static_cast<float>(i - 1);
    return v;
}

std::vector<float> Twice(const std::vector<float>& x) {
    std::vector<float> y(x.size());
    for (std::size_t i = 1; i < x.size(); ++i)
        y[i] = 2.0f * x[i];
    return y;
}

} // namespace

TEST(Resample, EndRules) {
    struct Case {
        const char* name;
        int m;                       // source xs = 1..m, ys = 2 xs
        std::vector<float> x;        // target abscissae
        std::vector<float> expected; // target values
    };
    const float keep = -99.0f;
    const Case cases[] = {
        {"half step before the source",
         10,
         {0.5f, 1.5f, 2.5f, 3.5f, 4.5f, 5.5f},
         {1, 3, 5, 7, 9, 11}},
        {"far before, start level = mean of first ten",
         11,
         {-5, -4, -1, 0, 1, 2, 3, 4},
         {11, 11, 11, 11, 2, 4, 6, 8}},
        {"far before, start level = first value",
         10,
         {-5, -4, -1, 0, 1, 2, 3, 4},
         {2, 2, 2, 2, 2, 4, 6, 8}},
        {"half step past the end",
         10,
         {2, 3, 4, 5, 6, 8, 10, 10.5f},
         {4, 6, 8, 10, 12, 16, 20, 21}},
        {"far past the end, end level = last value",
         10,
         {2, 3, 4, 5, 6, 8, 10, 12, 15},
         {4, 6, 8, 10, 12, 16, 20, 20, 20}},
        {"far past the end, end level = mean of last ten",
         11,
         {2, 3, 4, 5, 6, 8, 11, 15},
         {4, 6, 8, 10, 12, 16, 22, 13}},
        {"starts on the first source point", 10, {1, 1.5f, 2, 2.5f, 3, 3.5f}, {2, 3, 4, 5, 6, 7}},
        {"fifth target beyond fifth-last source",
         10,
         {4, 5, 6, 7, 8, 9},
         {keep, keep, keep, keep, keep, keep}},
        {"four target points", 10, {2, 3, 4, 5}, {keep, keep, keep, keep}},
        {"four source points",
         4,
         {1, 1.5f, 2, 2.5f, 3, 3.5f},
         {keep, keep, keep, keep, keep, keep}},
        {"target wholly after the source",
         10,
         {20, 21, 22, 23, 24},
         {keep, keep, keep, keep, keep}},
    };
    for (const Case& c : cases) {
        auto xs = Grid(1.0f, 1.0f, c.m);
        auto ys = Twice(xs);
        int n = static_cast<int>(c.x.size());
        std::vector<float> x(1, 0.0f);
        x.insert(x.end(), c.x.begin(), c.x.end());
        std::vector<float> y(n + 1, keep);
        ResampleCurve(n, x.data(), y.data(), c.m, xs.data(), ys.data());
        for (int i = 1; i <= n; ++i)
            EXPECT_NEAR(y[i], c.expected[i - 1], 1e-5f) << c.name << " at x = " << x[i];
    }
}

TEST(Resample, PrecisionVariantsAgreeAndAddingAccumulates) {
    auto xsF = Grid(1, 1, 10), ysF = Twice(xsF), x = Grid(1.25f, 0.75f, 12);
    std::vector<double> xsD(xsF.begin(), xsF.end()), ysD(ysF.begin(), ysF.end());
    std::vector<double> xD(x.begin(), x.end());
    std::vector<float> yF(13, 0.0f), yFD(13, 0.0f), added(13, 1.0f);
    std::vector<double> yTD(13, 0.0), yDD(13, 0.0);
    ResampleCurve(12, x.data(), yF.data(), 10, xsF.data(), ysF.data());
    ResampleCurveFromDouble(12, x.data(), yFD.data(), 10, xsD.data(), ysD.data());
    ResampleCurveToDouble(12, xD.data(), yTD.data(), 10, xsF.data(), ysF.data());
    ResampleCurveDouble(12, xD.data(), yDD.data(), 10, xsD.data(), ysD.data());
    AddResampledCurveFromDouble(12, x.data(), added.data(), 10, xsD.data(), ysD.data());
    AddResampledCurveFromDouble(12, x.data(), added.data(), 10, xsD.data(), ysD.data());
    for (int i = 1; i <= 12; ++i) {
        EXPECT_NEAR(yF[i], 2 * x[i], 1e-5);
        EXPECT_NEAR(yFD[i], yF[i], 1e-5);
        EXPECT_NEAR(yTD[i], yF[i], 1e-5);
        EXPECT_NEAR(yDD[i], yF[i], 1e-5);
        EXPECT_NEAR(added[i], 1.0f + 2 * yF[i], 1e-4);
    }
}

// On the source's own grid (strictly ascending, nine points or more) the first point is taken as
// it is, each other through the segment to the next point and the last through the segment before
// it, bit for bit as the walk gives them; a grid one point off, with a repeated point, or too
// short is walked as before (the one-off point lies between its neighbours' values).
TEST(Resample, OnItsOwnGridEachPointAsTheWalkTakesIt) {
    struct Case {
        const char* name;
        int m;
        int change; // 0: the same grid, 1: one target point moved, 2: a source point repeated
    } cases[] = {{"same grid", 40, 0},
                 {"same grid of nine", 9, 0},
                 {"same grid of eight", 8, 0},
                 {"one point moved", 40, 1},
                 {"a point repeated", 40, 2}};
    for (const Case& c : cases) {
        std::vector<float> xs = Grid(6.0f, 0.0125f, c.m), ys(std::size_t(c.m) + 1);
        for (int i = 1; i <= c.m; ++i)
            ys[i] = 0.3f + 0.2f * std::sin(0.7f * static_cast<float>(i)) * static_cast<float>(i);
        if (c.change == 2)
            xs[5] = xs[4];
        std::vector<float> x = xs, y(std::size_t(c.m) + 1, -9.0f);
        if (c.change == 1)
            x[20] = 0.5f * (xs[20] + xs[21]);
        ResampleCurve(c.m, x.data(), y.data(), c.m, xs.data(), ys.data());
        auto segment = [&](int i, int j) {
            return ys[j - 1] + (x[i] - xs[j - 1]) * (ys[j] - ys[j - 1]) / (xs[j] - xs[j - 1]);
        };
        if (c.m < 9) {
            EXPECT_EQ(y, std::vector<float>(std::size_t(c.m) + 1, -9.0f)) << c.name;
            continue;
        }
        EXPECT_EQ(y[1], ys[1]) << c.name;
        for (int i = 2; i < c.m; ++i) {
            const int j = c.change == 2 && i == 4 ? 6 : i + 1; // the walk skips the repeated point
            EXPECT_EQ(y[i], c.change == 2 && i == 5 ? segment(5, 6) : segment(i, j))
                << c.name << " " << i;
        }
        EXPECT_EQ(y[c.m], segment(c.m, c.m)) << c.name;
    }
}

TEST(ResampleLinear, InterpolatesInsideAndKeepsOutside) {
    std::vector<double> xs{0, 0, 1, 2, 4}, ys{0, 0, 10, 20, 0};
    std::vector<double> x{0, -1, 0.5, 3, 4, 5}, y(6, -7.0);
    ResampleLinear(5, x.data(), y.data(), 4, xs.data(), ys.data());
    std::vector<double> expected{-7, -7, 5, 10, 0, -7};
    for (int i = 1; i <= 5; ++i)
        EXPECT_NEAR(y[i], expected[i], 1e-12) << "x = " << x[i];
}

TEST(Polint, ReproducesPolynomials) {
    // Through three points of y = x^2 - 2x + 3 the interpolant is exact; the error estimate is
    // the last correction of the tableau, of the size of the quadratic's contribution.
    float xa[] = {0, 0.0f, 1.0f, 3.0f}, ya[] = {0, 3.0f, 2.0f, 6.0f};
    for (float x : {-1.0f, 0.5f, 2.0f, 4.0f}) {
        float y = 0, dy = 0;
        polint(xa, ya, 3, x, &y, &dy);
        EXPECT_NEAR(y, x * x - 2 * x + 3, 1e-5f) << x;
    }
    float xl[] = {0, 1.0f, 2.0f}, yl[] = {0, 5.0f, 7.0f};
    float y = 0, dy = 0;
    polint(xl, yl, 2, 1.5f, &y, &dy);
    EXPECT_FLOAT_EQ(y, 6.0f);
    EXPECT_FLOAT_EQ(std::abs(dy), 1.0f);
}

// An abscissa that is not a number, in the target or in the source, gives its point (and, for a
// source, the points from the one before it on) not a number; the walk does not stay on it.
TEST(Resample, AbscissaNotANumberGivesNotANumber) {
    const double nan = std::nan("");
    for (int at : {2, 5, 9}) {
        std::vector<double> xs(11), ys(11);
        for (int k = 1; k <= 10; ++k)
            xs[k] = k, ys[k] = 2.0 * k;
        std::vector<double> x(11), y(11, -7.0);
        for (int k = 1; k <= 10; ++k)
            x[k] = k + 0.25;
        x[at] = nan;
        ResampleCurveDouble(10, x.data(), y.data(), 10, xs.data(), ys.data());
        EXPECT_TRUE(std::isnan(y[at])) << at;
        EXPECT_DOUBLE_EQ(y[at == 2 ? 3 : 1], 2.0 * x[at == 2 ? 3 : 1]) << at;
        std::vector<double> z(11, -7.0);
        ResampleLinear(10, x.data(), z.data(), 10, xs.data(), ys.data());
        EXPECT_TRUE(std::isnan(z[at])) << at;

        std::vector<float> xf(11), yf(11, -7.0f);
        for (int k = 1; k <= 10; ++k)
            xf[k] = static_cast<float>(x[k]);
        AddResampledCurveFromDouble(10, xf.data(), yf.data(), 10, xs.data(), ys.data());
        EXPECT_TRUE(std::isnan(yf[at])) << at;

        xs[at] = nan;
        x[at] = at + 0.25;
        ResampleCurveDouble(10, x.data(), y.data(), 10, xs.data(), ys.data());
        EXPECT_TRUE(std::isnan(y[at])) << at;
    }
}
