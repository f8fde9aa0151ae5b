// The distribution kernel's storage: a kernel made again, larger, smaller or the same, holds
// zeros and no solved column, whichever number of threads cleared it.
#include "simulation/conti_kernel.h"

#include <gtest/gtest.h>
#include <vector>

TEST(ContiKernelStorage, AKernelMadeAgainHoldsNothingOfTheOneBefore) {
    struct Shape {
        int gridPoints, scans, points;
    };
    const std::vector<float> radii(402, 6.5f);
    const Shape shapes[] = {{100, 50, 400}, {3, 2, 5}, {100, 50, 400}, {120, 51, 401}, {1, 1, 1}};
    for (int threads : {1, 3, 8}) {
        ContiKernel kernel;
        unsigned long generation = kernel.Generation();
        for (const Shape& s : shapes) {
            kernel.Allocate(s.gridPoints, s.scans, radii.data(), s.points, threads);
            EXPECT_EQ(kernel.Generation(), ++generation);
            EXPECT_FALSE(kernel.Complete());
            for (int p = 1; p <= s.gridPoints; ++p) {
                EXPECT_FALSE(kernel.Solved(p));
                for (int k = 1; k <= s.scans; ++k)
                    for (int i = 1; i <= s.points; ++i)
                        ASSERT_EQ(kernel.Row(p, k)[i], 0.0f)
                            << threads << " threads, column " << p << ", scan " << k;
            }
            // What this model leaves behind for the next allocation to clear.
            for (int p = 1; p <= s.gridPoints; ++p) {
                kernel.SetSolved(p, true);
                for (int k = 1; k <= s.scans; ++k)
                    for (int i = 0; i <= s.points; ++i)
                        kernel.Row(p, k)[i] = 1.0f + p;
            }
            EXPECT_TRUE(kernel.Complete());
        }
    }
}
