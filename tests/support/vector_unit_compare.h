// Results of a narrower vector unit against the widest's: the same bits where both fuse
// multiply-adds (AVX2 and AVX-512), within rounding where the plain unit rounds each product.
#pragma once

#include "foundations/vector_unit.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

inline void ExpectSameBitsOrWithinRounding(const std::vector<double>& narrow,
                                           const std::vector<double>& widest, VectorUnit unit) {
    ASSERT_EQ(narrow.size(), widest.size());
    if (unit >= VectorUnit::Avx2) {
        EXPECT_EQ(std::memcmp(narrow.data(), widest.data(), widest.size() * sizeof(double)), 0)
            << "AVX2 against the widest unit";
        return;
    }
    double scale = 0.0, worst = 0.0;
    for (std::size_t i = 0; i < widest.size(); ++i) {
        scale = std::max(scale, std::fabs(widest[i]));
        worst = std::max(worst, std::fabs(narrow[i] - widest[i]));
    }
    EXPECT_LE(worst, 1e-9 * scale) << "plain against the widest unit: " << worst << " of " << scale;
}
