// Sorting and merging: carried sorts, index tables, merged duplicate keys; long random inputs
// exercise the partitioning and the explicit stack.
#include "foundations/sorting.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <vector>

TEST(Sorting, RandomInputsOfManySizes) {
    const unsigned seed = 7;
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> value(0, 50); // many equal keys
    for (int n : {1, 2, 6, 7, 8, 13, 100, 1000, 20000}) {
        std::vector<float> keys(n + 1), carried(n + 1);
        for (int i = 1; i <= n; ++i) {
            keys[i] = static_cast<float>(value(rng));
            carried[i] = keys[i] * 10.0f + 0.5f;
        }
        std::vector<int> indx(n + 1);
        indexx(n, keys.data(), indx.data());
        for (int i = 2; i <= n; ++i)
            ASSERT_LE(keys[indx[i - 1]], keys[indx[i]]) << "n " << n << " seed " << seed;
        std::vector<int> seen(indx.begin() + 1, indx.end());
        std::sort(seen.begin(), seen.end());
        for (int i = 0; i < n; ++i)
            ASSERT_EQ(seen[i], i + 1);

        sort2(n, keys.data(), carried.data());
        for (int i = 1; i <= n; ++i) {
            if (i > 1) {
                ASSERT_LE(keys[i - 1], keys[i]);
            }
            ASSERT_EQ(carried[i], keys[i] * 10.0f + 0.5f);
        }
    }
}

TEST(SortMergeXY, KeepsTheLargestWeightPerKey) {
    std::vector<float> a{0, 2, 1, 2}, b{0, 4, 4, 3}, w{0, 5, 7, 9};
    std::vector<float> keysA(4), weightsA(4), keysB(4), weightsB(4);
    int countA = 0, countB = 0;
    EXPECT_TRUE(SortMergeXY(3, a.data(), b.data(), w.data(), &countA, keysA.data(), weightsA.data(),
                            &countB, weightsB.data(), keysB.data()));
    ASSERT_EQ(countA, 2);
    EXPECT_EQ(keysA[1], 1.0f);
    EXPECT_EQ(weightsA[1], 7.0f);
    EXPECT_EQ(keysA[2], 2.0f);
    EXPECT_EQ(weightsA[2], 9.0f);
    ASSERT_EQ(countB, 2);
    EXPECT_EQ(keysB[1], 3.0f);
    EXPECT_EQ(weightsB[1], 9.0f);
    EXPECT_EQ(keysB[2], 4.0f);
    EXPECT_EQ(weightsB[2], 7.0f);
    EXPECT_EQ(a, (std::vector<float>{0, 2, 1, 2}));

    float one[] = {0, 6}, bw[] = {0, 8}, ww[] = {0, 9};
    float ka[2], wa[2], kb[2], wb[2];
    SortMergeXY(1, one, bw, ww, &countA, ka, wa, &countB, wb, kb);
    EXPECT_EQ(countA, 1);
    EXPECT_EQ(ka[1], 6.0f);
    EXPECT_EQ(kb[1], 8.0f);
    EXPECT_EQ(wb[1], 9.0f);
}

TEST(SortByIndex, RearrangesCompanions) {
    std::vector<float> a{0, 3, 1, 2}, b{0, 30, 10, 20}, c{0, -3, -1, -2};
    SortByIndex(3, a.data(), b.data(), c.data());
    EXPECT_EQ(a, (std::vector<float>{0, 1, 2, 3}));
    EXPECT_EQ(b, (std::vector<float>{0, 10, 20, 30}));
    EXPECT_EQ(c, (std::vector<float>{0, -1, -2, -3}));
}
