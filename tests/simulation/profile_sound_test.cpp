// Which grid profiles count as a solution: a dip beside a pile-up and a steep pile are, a
// runaway oscillation is not, whichever way it grew.
#include "simulation/run_end_tests.h"

#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace {

TEST(ProfileSound, PilesAndDipsAreSolutionsRunawaysAreNot) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* what;
        std::vector<double> c; // c[1..]
        double scale;
        bool sound;
    };
    const Case cases[] = {
        {"plateau", {0, 1, 1, 1, 1}, 1.0, true},
        {"dip beside a pile at the bottom", {0, 1, 1, -1.5, 40}, 1.0, true},
        {"a pile of 1e5 times the loading", {0, 0, 0, 0.1, 1e5}, 1.0, true},
        {"undershoot beyond half the profile", {0, 1, -0.8, 1, 1}, 1.0, false},
        {"oscillation grown both ways", {0, 1, 3.5e13, -1.7e13, 1}, 1.0, false},
        {"grown far beyond the loading", {0, 1, 5e29, 2e29, 1}, 1.0, false},
        {"a small loading grown both ways", {0, 1e-3, 2e13, -1e13, 1e-3}, 1e-3, false},
        {"not a number", {0, 1, nan, 1, 1}, 1.0, false},
    };
    for (const Case& k : cases)
        EXPECT_EQ(ProfileSound(k.c.data(), int(k.c.size()) - 1, k.scale), k.sound) << k.what;
}

} // namespace
