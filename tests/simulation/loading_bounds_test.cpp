// The bounds on a species' scan values over whole rows: one value out of bounds, not a number or
// infinite anywhere in the row (in the vector body or the tail) makes the row unsound, with every
// vector unit.
#include "foundations/vector_unit.h"
#include "simulation/run_end_tests.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace {

struct BoundsCase {
    const char* name;
    double loading;
    float bad; // placed at each position in turn
};

TEST(LoadingBounds, WholeRowFailsOnAnyValueOutside) {
    const float inf = std::numeric_limits<float>::infinity();
    const BoundsCase cases[] = {
        {"not a number", 1.0, std::nanf("")},
        {"infinite", 1.0, inf},
        {"far below zero", 1.0, -1.5f},
        {"far above the loading", 1.0, 2e12f},
        {"negative loading, wrong side", -1.0, 1.5f},
        {"infinite with a huge loading", 1e30, -inf},
    };
    // under the widest vector unit and the plain loop, over rows that end in the first vectors,
    // at a whole number of them, and in a tail after several
    for (const VectorUnit unit : {DetectedVectorUnit(), VectorUnit::Plain})
        for (const BoundsCase& c : cases) {
            CVectorUnitCap cap(unit);
            const LoadingBounds bounds(c.loading);
            const float good = c.loading < 0.0 ? -0.5f : 0.5f;
            for (const std::size_t n : {std::size_t(1), std::size_t(8), std::size_t(16),
                                        std::size_t(21), std::size_t(37)}) {
                std::vector<float> row(n, good);
                EXPECT_TRUE(bounds.HoldAll(row.data(), n)) << c.name << ", n " << n;
                for (std::size_t at = 0; at < n; ++at) {
                    row[at] = c.bad;
                    EXPECT_FALSE(bounds.HoldAll(row.data(), n)) << c.name << " at " << at;
                    EXPECT_FALSE(bounds.Hold(c.bad) && std::fabs(c.bad) <= 3.4e38f) << c.name;
                    row[at] = good;
                }
            }
        }
}

} // namespace
