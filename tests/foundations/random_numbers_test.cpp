// Random numbers: the reproducible ran1 sequence and its recurrence, moments of the clock-seeded
// deviates, and the permutations used to thin plots.
#include "foundations/random_numbers.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <numeric>
#include <vector>

TEST(Ran1, SameNegativeSeedRepeatsTheSequence) {
    auto draw = [](int seed, int count) {
        std::vector<float> v;
        for (int k = 0; k < count; ++k)
            v.push_back(ran1(&seed));
        return v;
    };
    auto first = draw(-3, 50);
    auto second = draw(-3, 50);
    EXPECT_EQ(first, second);
    EXPECT_EQ(draw(0, 20), draw(-1, 20)); // seed 0 starts as seed 1
    EXPECT_NE(draw(-3, 20), draw(-4, 20));
    for (float u : first) {
        EXPECT_GT(u, 0.0f);
        EXPECT_LE(u, 0.99999988f);
    }
}

TEST(Ran1, AdvancesTheMinimalStandardRecurrence) {
    // After the 40 warm-up steps from seed 1 and one draw, the caller's seed holds the 41st value
    // of x -> 16807 x mod (2^31 - 1).
    long long x = 1;
    for (int k = 0; k < 41; ++k)
        x = 16807 * x % 2147483647;
    int seed = -1;
    ran1(&seed);
    EXPECT_EQ(seed, x);
}

TEST(Ran1, MomentsOfAUniformDeviate) {
    int seed = -11;
    const int n = 100000;
    double sum = 0, sum2 = 0;
    for (int k = 0; k < n; ++k) {
        double u = ran1(&seed);
        sum += u;
        sum2 += u * u;
    }
    EXPECT_NEAR(sum / n, 0.5, 0.005);
    EXPECT_NEAR(sum2 / n - (sum / n) * (sum / n), 1.0 / 12, 0.002);
}

TEST(UniformRandom, StaysInItsInterval) {
    EXPECT_EQ(UniformRandom(2.5f, 2.5f), 2.5);
    double sum = 0;
    const int n = 50000;
    for (int k = 0; k < n; ++k) {
        double u = UniformRandom(-1.0f, 3.0f);
        ASSERT_GE(u, -1.0);
        ASSERT_LT(u, 3.0);
        sum += u;
    }
    EXPECT_NEAR(sum / n, 1.0, 0.05); // standard error 0.005
}

TEST(GaussRandom, MeanAndStandardDeviation) {
    for (auto gauss :
         {+[](float s) { return GaussRandom(s); }, +[](float s) { return GaussRandomD(s); }}) {
        const int n = 40000;
        double sum = 0, sum2 = 0;
        for (int k = 0; k < n; ++k) {
            double g = gauss(2.0f);
            sum += g;
            sum2 += g * g;
        }
        double mean = sum / n;
        EXPECT_NEAR(mean, 0.0, 0.05);                              // standard error 0.01
        EXPECT_NEAR(std::sqrt(sum2 / n - mean * mean), 2.0, 0.05); // standard error 0.007
        EXPECT_EQ(gauss(0.0f), 0.0);
    }
}

TEST(RandomSubset, ReordersAPermutation) {
    std::vector<int> a(11);
    std::iota(a.begin(), a.end(), 0);
    auto original = a;
    EXPECT_TRUE(RandomSubset(a.data(), 1, 10, 0.0f));
    EXPECT_EQ(a, original);
    EXPECT_TRUE(RandomSubset(a.data(), 3, 10, 5.0f));
    EXPECT_EQ(a[1], 1);
    EXPECT_EQ(a[2], 2);
    std::vector<int> sorted(a.begin() + 1, a.end());
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, std::vector<int>(original.begin() + 1, original.end()));
    EXPECT_FALSE(RandomSubset(nullptr, 1, 10, 0.1f));
    EXPECT_FALSE(RandomSubset(a.data(), 0, 10, 0.1f));
    EXPECT_FALSE(RandomSubset(a.data(), 11, 10, 0.1f));
}

TEST(RandomSubsetOfSize, IsAPermutationWithAFixedPrefix) {
    struct Case {
        int lo, n;
        float fraction;
    };
    for (Case c : {Case{1, 10, 0.8f}, Case{4, 30, 0.5f}, Case{5, 5, 0.8f}, Case{1, 1000, 0.1f}}) {
        std::vector<int> a(c.n + 1, -1);
        ASSERT_TRUE(RandomSubsetOfSize(a.data(), c.lo, c.n, c.fraction));
        for (int p = 1; p < c.lo; ++p)
            EXPECT_EQ(a[p], p);
        std::vector<int> sorted(a.begin() + 1, a.end());
        std::sort(sorted.begin(), sorted.end());
        std::vector<int> expected(c.n);
        std::iota(expected.begin(), expected.end(), 1);
        EXPECT_EQ(sorted, expected) << "lo " << c.lo << " n " << c.n;
    }
    EXPECT_FALSE(RandomSubsetOfSize(nullptr, 1, 10, 0.8f));
}
