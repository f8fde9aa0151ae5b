// The passes over a solved step: the out-of-range test gives the same verdict as |v| <= 1e100
// for every kind of value, wherever the value sits in the pass; the largest value and relative
// change are those of a plain loop.
#include "foundations/subnormal_flush.h"
#include "foundations/vector_unit.h"
#include "lamm/step_change_kernels.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <random>
#include <vector>

TEST(StepChangeKernels, OutOfRangeAsTheComparisonSaysForEveryKindOfValue) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double values[] = {0.0,
                             -0.0,
                             1.0,
                             -3.5e-310,
                             1e100,
                             -1e100,
                             1.0e100 * (1 + 1e-15),
                             -std::nextafter(1e100, inf),
                             1e300,
                             inf,
                             -inf,
                             nan,
                             -nan,
                             std::numeric_limits<double>::denorm_min()};
    for (double value : values) {
        const bool beyond = !(std::fabs(value) <= 1e100);
        for (int at : {1, 2, 7, 9}) {
            std::vector<double> v(11, 0.5);
            v[at] = value;
            EXPECT_EQ(AnyBeyond1e100(v.data(), 1, 9), beyond) << value << " at " << at;
            // outside the pass it does not count
            EXPECT_FALSE(AnyBeyond1e100(v.data(), at + 1, 10)) << value << " at " << at;
        }
    }
    EXPECT_FALSE(AnyBeyond1e100(nullptr, 1, 0));
}

// The largest value and the largest own relative change of every range length (the vector
// body and its tail) agree bit for bit with a plain loop, with the ratios divided here or given;
// rows at or below the threshold never count, but say when they gained more than it.
TEST(StepChangeKernels, LargestOwnChangeAsThePlainLoopForEveryRangeLength) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> level(-0.05, 1.0);
    const int n = 40;
    std::vector<double> u(n + 1), v(n + 1), ratio(n + 1);
    for (int i = 0; i <= n; ++i) {
        u[i] = level(random);
        v[i] = i % 5 == 0 ? 0.0 : level(random);
        ratio[i] = std::fabs((u[i] - v[i]) / (v[i] != 0.0 ? v[i] : 1.0));
    }
    for (double threshold : {0.0, 0.3, 0.9, 2.0}) {
        for (int lo = 1; lo <= 5; ++lo) {
            for (int hi = lo - 1; hi <= n; ++hi) {
                double largest = -1.79769313486231570815e308, own = 0.0;
                bool gaining = false;
                for (int i = lo; i <= hi; ++i) {
                    largest = std::max(largest, u[i]);
                    if (v[i] > threshold)
                        own = std::max(own, std::fabs((u[i] - v[i]) / v[i]));
                    else
                        gaining |= u[i] - v[i] > threshold;
                }
                EXPECT_EQ(LargestOf(u.data(), lo, hi), largest) << lo << ".." << hi;
                const double* const ratios[] = {nullptr, ratio.data()};
                for (const double* given : ratios) {
                    bool emptyGaining = !gaining;
                    EXPECT_EQ(LargestOwnChange(u.data(), v.data(), given, threshold, lo, hi,
                                               emptyGaining),
                              own)
                        << threshold << " " << lo << ".." << hi;
                    EXPECT_EQ(emptyGaining, gaining) << threshold << " " << lo << ".." << hi;
                }
            }
        }
    }
}

// Every vector unit the machine offers gives the plain loop's largest change and gaining rows
// bit for bit: rows with and without material of their own, gaining and losing, mixed inside
// the blocks of 16 and their tail, the largest change early, late or in a block that only then
// rises.
TEST(StepChangeKernels, LargestOwnChangeAsThePlainLoopOnEveryVectorUnit) {
    std::mt19937 random(5);
    std::uniform_real_distribution<double> level(0.0, 1.0);
    const int n = 70;
    for (const VectorUnit unit : {VectorUnit::Plain, VectorUnit::Avx2, VectorUnit::Avx512}) {
        const CVectorUnitCap cap(unit);
        for (int trial = 0; trial < 40; ++trial) {
            std::vector<double> u(n + 1), v(n + 1);
            for (int i = 0; i <= n; ++i) {
                const double x = level(random);
                v[i] = x < 0.2 ? 0.0 : x < 0.3 ? 1e-3 * x : x;
                u[i] = v[i] + (level(random) - 0.5) * (trial % 3 == 0 ? 0.2 : 1e-3) * (i + 1);
            }
            for (const double threshold : {0.0, 1e-4, 0.05}) {
                for (const int lo : {1, 3}) {
                    for (const int hi : {15, 16, 33, 47, 64, n}) {
                        double own = 0.0;
                        bool gaining = false;
                        for (int i = lo; i <= hi; ++i) {
                            if (v[i] > threshold)
                                own = std::max(own, std::fabs((u[i] - v[i]) / v[i]));
                            else
                                gaining |= u[i] - v[i] > threshold;
                        }
                        bool found = !gaining;
                        EXPECT_EQ(
                            LargestOwnChange(u.data(), v.data(), nullptr, threshold, lo, hi, found),
                            own)
                            << int(unit) << " " << trial << " " << threshold << " " << lo << ".."
                            << hi;
                        EXPECT_EQ(found, gaining) << int(unit) << " " << trial;
                    }
                }
            }
        }
    }
}

// The largest own change skips the rows that cannot raise it; whichever order the changes come in
// (rising along the range, a last bit apart) and at the ends of the range of doubles, it is the
// largest of all the rows' ratios, bit for bit.
TEST(StepChangeKernels, LargestOwnChangeFindsTheLargestInAnyOrderAndScale) {
    constexpr double tiny = std::numeric_limits<double>::denorm_min();
    constexpr double most = std::numeric_limits<double>::max();
    struct Case {
        const char* name;
        double (*old)(int);
        double (*now)(int);
    };
    const Case cases[] = {
        {"rising", [](int i) { return 1.0; }, [](int i) { return 1.0 + 0.01 * i; }},
        {"last bit apart", [](int i) { return 3.0; },
         [](int i) { return 3.375 + std::ldexp(double(i % 7), -51); }},
        // the largest so far times a huge old value is beyond the range of doubles
        {"huge rows", [](int i) { return i % 3 == 0 ? 0.9 * most : 1.0; },
         [](int i) { return i % 3 == 0 ? 0.5 * most : 1.0 + 0.1 * i; }},
        {"subnormal changes", [](int i) { return 1e-300 + 1e-310 * i; },
         [](int i) { return 1e-300 + 1e-310 * i + tiny * (i % 5); }},
    };
    const int n = 37;
    for (const Case& c : cases) {
        std::vector<double> u(n + 1), v(n + 1);
        for (int i = 0; i <= n; ++i) {
            v[i] = c.old(i);
            u[i] = c.now(i);
        }
        for (int lo = 0; lo <= 4; ++lo) {
            for (int hi = lo; hi <= n; ++hi) {
                double own = 0.0;
                for (int i = lo; i <= hi; ++i)
                    own = std::max(own, std::fabs((u[i] - v[i]) / v[i]));
                bool gaining = true;
                EXPECT_EQ(LargestOwnChange(u.data(), v.data(), nullptr, 0.0, lo, hi, gaining), own)
                    << c.name << " " << lo << ".." << hi;
                EXPECT_FALSE(gaining) << c.name;
            }
        }
    }
}

// A block of rows all with material of their own and changes below the largest so far is passed
// over whole. The range's first row grows fourfold, so later rows gain or lose far less than it
// relative to their values; one row planted at every position of the range, in every unit, is
// still found, whether it changes more than the first row, about as much, is an empty row that
// gained more than the threshold (yet by less than the largest change times its value) or one
// that lost (which counts for nothing).
TEST(StepChangeKernels, LargestOwnChangeFindsARowPlantedInAPassedOverBlock) {
    const int n = 83, lo = 3;
    enum Plant { Larger, AsLarge, Gaining, Losing };
    for (const VectorUnit unit : {VectorUnit::Plain, VectorUnit::Avx2, VectorUnit::Avx512}) {
        const CVectorUnitCap cap(unit);
        for (const Plant plant : {Larger, AsLarge, Gaining, Losing})
            for (int at = lo; at <= n; ++at) {
                std::vector<double> u(n + 1), v(n + 1);
                for (int i = 0; i <= n; ++i) {
                    v[i] = 1.0 + 0.01 * i;
                    u[i] = v[i] * (1.0 - 0.02 / (i + 1));
                }
                u[lo] = 4.0 * v[lo];
                const double threshold = 0.5;
                if (plant == Larger || plant == AsLarge)
                    u[at] = v[at] * (plant == Larger ? 5.0 : 4.0);
                else
                    v[at] = 0.25, u[at] = plant == Gaining ? 0.9 : 0.0;
                double own = 0.0;
                bool gaining = false;
                for (int i = lo; i <= n; ++i) {
                    if (v[i] > threshold)
                        own = std::max(own, std::fabs((u[i] - v[i]) / v[i]));
                    else
                        gaining |= u[i] - v[i] > threshold;
                }
                bool found = !gaining;
                EXPECT_EQ(LargestOwnChange(u.data(), v.data(), nullptr, threshold, lo, n, found),
                          own)
                    << int(unit) << " plant " << plant << " at " << at;
                EXPECT_EQ(found, plant == Gaining)
                    << int(unit) << " plant " << plant << " at " << at;
            }
    }
}

// The one-pass test and largest value agree with the two passes for every pair of ranges the
// solver asks (the test's rows starting below, at or above the largest value's) and wherever a
// value out of range sits, inside the four-lane body or outside it.
TEST(StepChangeKernels, OnePassOutOfRangeAndLargestAsTheTwoPasses) {
    std::mt19937 random(11);
    std::uniform_real_distribution<double> level(-0.05, 1.0);
    const int n = 23;
    std::vector<double> v(n + 1);
    for (double& x : v)
        x = level(random);
    v[0] = 7.0; // read only where a range starts at 0
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (int from = 0; from <= 4; ++from) {
        for (int lo = 0; lo <= 4; ++lo) {
            for (int hi = std::max(from, lo) - 1; hi <= n; ++hi) {
                for (int bad = -1; bad <= n; ++bad) {
                    std::vector<double> w = v;
                    if (bad >= 0)
                        w[bad] = bad % 2 == 0 ? nan : -2e100;
                    double largest = 0.0;
                    const bool beyond = AnyBeyond1e100OrLargest(w.data(), from, lo, hi, largest);
                    ASSERT_EQ(beyond, AnyBeyond1e100(w.data(), from, hi))
                        << from << " " << lo << ".." << hi << " bad " << bad;
                    if (!beyond) {
                        ASSERT_EQ(largest, LargestOf(w.data(), lo, hi))
                            << from << " " << lo << ".." << hi << " bad " << bad;
                    }
                }
            }
        }
    }
}

// Ranges long enough for the vectors' four parts and their tail: a value out of range or the
// largest value in any row of a part, of the tail or of the rows after it is found.
TEST(StepChangeKernels, WideRangesFindWhatTheirEveryRowHolds) {
    const int n = 77;
    for (int hi : {31, 32, 39, 40, 63, 64, 71, n}) {
        for (int at = 1; at <= hi; ++at) {
            for (const double value : {3e100, 2.0}) {
                std::vector<double> w(n + 1);
                for (int i = 0; i <= n; ++i)
                    w[i] = 0.5 + 0.001 * ((i * 37) % 41);
                w[at] = value;
                double largest = 0.0;
                const bool beyond = AnyBeyond1e100OrLargest(w.data(), 1, 1, hi, largest);
                ASSERT_EQ(beyond, value > 1e100) << hi << " at " << at;
                if (!beyond) {
                    ASSERT_EQ(largest, 2.0) << hi << " at " << at;
                }
            }
        }
    }
}

// The mean-of-three test gives the plain loop's verdict on every vector unit, for every range
// length and every row the low mean sits in, at levels just above, at and below that mean.
TEST(StepChangeKernels, AnyMeanOfThreeBelowAsThePlainLoop) {
    const int n = 21;
    for (const VectorUnit unit : {VectorUnit::Plain, VectorUnit::Avx2, VectorUnit::Avx512}) {
        const CVectorUnitCap cap(unit);
        for (int lo = 2; lo <= 4; ++lo)
            for (int hi = lo - 1; hi <= n; ++hi)
                for (int at = 0; at <= n; ++at) {
                    std::vector<double> v(n + 1, 1.0);
                    v[at] = 0.1;
                    const double low = (v[at] + 1.0 + 1.0) / 3.0;
                    for (const double level : {std::nextafter(low, 0.0), low, 0.75, 1.0, 1.5}) {
                        bool below = false;
                        for (int i = lo; i <= hi; ++i)
                            below |= (v[i] + v[i - 1] + v[i - 2]) / 3.0 < level;
                        EXPECT_EQ(AnyMeanOfThreeBelow(v.data(), lo, hi, level), below)
                            << int(unit) << " " << lo << ".." << hi << " low at " << at;
                    }
                }
    }
}

// The smallest mean of three is below a level exactly when the mean-of-three test says one is, on
// every vector unit, for every range length and every row the low mean sits in, with a row that is
// not a number beside it; an empty range, or one of such rows only, gives infinity.
TEST(StepChangeKernels, SmallestMeanOfThreeDecidesAsTheMeanOfThreeTest) {
    const int n = 21;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const VectorUnit unit : {VectorUnit::Plain, VectorUnit::Avx2, VectorUnit::Avx512}) {
        const CVectorUnitCap cap(unit);
        for (int lo = 2; lo <= 4; ++lo)
            for (int hi = lo - 1; hi <= n; ++hi)
                for (int at = 0; at <= n; ++at) {
                    std::vector<double> v(n + 1, 1.0);
                    v[at] = 0.1;
                    v[(at + 7) % (n + 1)] = at % 3 == 0 ? nan : 1.0;
                    const double low = (v[at] + 1.0 + 1.0) / 3.0;
                    const double least = SmallestMeanOfThree(v.data(), lo, hi);
                    for (const double level : {std::nextafter(low, 0.0), low, 0.75, 1.0, 1.5})
                        EXPECT_EQ(least < level, AnyMeanOfThreeBelow(v.data(), lo, hi, level))
                            << int(unit) << " " << lo << ".." << hi << " low at " << at;
                }
        const std::vector<double> none(8, nan);
        EXPECT_EQ(SmallestMeanOfThree(none.data(), 2, 7), std::numeric_limits<double>::infinity());
        EXPECT_EQ(SmallestMeanOfThree(none.data(), 5, 4), std::numeric_limits<double>::infinity());
    }
}

// The bound on a sum of three passes exactly the sums whose third is at most the level: the
// bound itself and every sum below it, not the next double above, nor a sum that is not a
// number; at levels where subnormals could tell the two tests apart it also holds with
// subnormals taken as zero, and levels without such a bound give not a number.
TEST(StepChangeKernels, SumOfThreeBoundPassesTheSumsWhoseMeanPasses) {
    const double inf = std::numeric_limits<double>::infinity();
    const double most = std::numeric_limits<double>::max();
    const double levels[] = {0x1p-960, 1e-250, 1e-12, 0.1,      1.0 / 3.0,
                             1.0,      2.0,    7.3e5, most / 2, most};
    for (const double level : levels)
        for (const bool flushed : {false, true}) {
            const double bound = LargestSumOfThreeWithMeanAtMost(level);
            ASSERT_FALSE(std::isnan(bound)) << level;
            std::unique_ptr<SubnormalsAsZero> mode;
            if (flushed)
                mode = std::make_unique<SubnormalsAsZero>();
            const double sums[] = {bound,
                                   std::nextafter(bound, inf),
                                   std::nextafter(bound, -inf),
                                   3.0 * level,
                                   0.5 * bound,
                                   -bound,
                                   0.0,
                                   std::numeric_limits<double>::denorm_min(),
                                   std::numeric_limits<double>::min(),
                                   2.0 * std::numeric_limits<double>::min(),
                                   inf,
                                   -inf,
                                   std::numeric_limits<double>::quiet_NaN()};
            for (const double sum : sums)
                EXPECT_EQ(sum <= bound, sum / 3.0 <= level)
                    << level << " sum " << sum << (flushed ? " flushed" : "");
        }
    for (const double level : {0.0, -1.0, 1e-300, inf, std::numeric_limits<double>::quiet_NaN()})
        EXPECT_TRUE(std::isnan(LargestSumOfThreeWithMeanAtMost(level))) << level;
}
