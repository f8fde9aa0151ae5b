// The simulation arrays: the blocks each model switch asks for, zero-filled, re-sized and freed
// with every name emptied; grid sizes without an element are refused.
#include "simulation/lamm_arrays.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "support/cell_fixture.h"

#include <gtest/gtest.h>
#include <set>

namespace {

class LammArrays : public CellTest {};

void ExpectZero(double* const* names, int first, int last, int n) {
    for (int k = first; k <= last; ++k) {
        ASSERT_NE(names[k], nullptr) << k;
        for (int i = 0; i <= n; ++i)
            ASSERT_EQ(names[k][i], 0.0) << k << "," << i;
    }
}

bool AllEmpty(double* const* names, int count) {
    for (int k = 0; k < count; ++k)
        if (names[k])
            return false;
    return true;
}

} // namespace

TEST_F(LammArrays, EnsureWithoutArraysDoesNothing) {
    LammGrid::gridSize = 123;
    EXPECT_FALSE(EnsureLammArrays(500));
    EXPECT_EQ(LammGrid::gridSize, 123);
    EXPECT_EQ(LammGrid::arraysAllocated, 0);
}

TEST_F(LammArrays, MainAndStepArraysAreZeroAndDistinct) {
    ModelChoice::movingHatAlgorithm = false;
    LammGrid::gridSize = 64;
    ASSERT_TRUE(AllocLammArrays());
    EXPECT_EQ(LammGrid::allocatedGridSize, 64);
    EXPECT_EQ(LammGrid::arraysAllocated, 1);
    for (int k = 1; k <= 16; ++k)
        if (k != 3)
            ExpectZero(LammGrid::mainArray, k, k, 64);
    ExpectZero(LammGrid::stepArray, 1, 4, 64);
    EXPECT_EQ(LammGrid::concentration, LammGrid::mainArray[2]);
    EXPECT_EQ(LammGrid::radius, LammGrid::mainArray[3]);
    std::set<double*> names(LammGrid::mainArray + 1, LammGrid::mainArray + 17);
    names.insert(LammGrid::stepArray + 1, LammGrid::stepArray + 5);
    EXPECT_EQ(names.size(), 20u);
    EXPECT_TRUE(AllEmpty(LammGrid::movingGridArray, 21));
    EXPECT_TRUE(AllEmpty(LammGrid::reactionArray, 35));
    EXPECT_TRUE(AllEmpty(LammGrid::nonidealArray, 18));
    // consecutive step arrays of n + 1 doubles each
    EXPECT_EQ(LammGrid::stepArray[2] - LammGrid::stepArray[1], 65);
}

TEST_F(LammArrays, SwitchesChooseTheBlocks) {
    ModelChoice::movingHatAlgorithm = true;
    ModelChoice::reactingSystem = true;
    ModelChoice::monomerDimer = true;
    LammGrid::gridSize = 50;
    ASSERT_TRUE(AllocLammArrays());
    ExpectZero(LammGrid::movingGridArray, 1, 17, 50);
    EXPECT_EQ(LammGrid::movingGridArray[18], LammGrid::mainArray[13]);
    EXPECT_EQ(LammGrid::movingGridArray[19], LammGrid::mainArray[7]);
    EXPECT_EQ(LammGrid::movingGridArray[20], LammGrid::mainArray[12]);
    ExpectZero(LammGrid::reactionArray, 1, 34, 50);
    ExpectZero(LammGrid::nonidealArray, 1, 17, 50);

    ModelChoice::movingHatAlgorithm = false;
    ModelChoice::claverieAlgorithm = true;
    ModelChoice::reactingSystem = ModelChoice::monomerDimer = false;
    ASSERT_TRUE(EnsureLammArrays(50));
    EXPECT_TRUE(AllEmpty(LammGrid::movingGridArray, 21));
    EXPECT_TRUE(AllEmpty(LammGrid::reactionArray, 35));
    EXPECT_TRUE(AllEmpty(LammGrid::nonidealArray, 18));
}

TEST_F(LammArrays, EnsureResizesZeroFilledAndRebuildsTheGrid) {
    ModelChoice::movingHatAlgorithm = false;
    ModelChoice::claverieAlgorithm = true;
    LammGrid::gridSize = 100;
    ASSERT_TRUE(AllocLammArrays());
    for (int i = 0; i <= 100; ++i)
        LammGrid::concentration[i] = 7.0;
    ASSERT_TRUE(EnsureLammArrays(250));
    EXPECT_EQ(LammGrid::gridSize, 250);
    EXPECT_EQ(LammGrid::allocatedGridSize, 250);
    ExpectZero(LammGrid::mainArray, 2, 2, 250);
    EXPECT_EQ(LammGrid::radius[1], 6.0);
    EXPECT_EQ(LammGrid::radius[250], double(7.2f));
    // a second allocation call keeps the arrays and only rebuilds the grid
    double* c = LammGrid::concentration;
    ASSERT_TRUE(AllocLammArrays());
    EXPECT_EQ(LammGrid::concentration, c);
}

// What the evaluations call before a run: arrays made when there are none, kept at their size,
// made again at a new size, and none left when the size has no element.
TEST_F(LammArrays, AtGridSizeAllocatesKeepsResizesOrRefuses) {
    ModelChoice::movingHatAlgorithm = false;
    LammGrid::gridSize = 80;
    ASSERT_TRUE(LammArraysAtGridSize());
    EXPECT_EQ(LammGrid::allocatedGridSize, 80);
    double* const c = LammGrid::concentration;
    ASSERT_TRUE(LammArraysAtGridSize());
    EXPECT_EQ(LammGrid::concentration, c);
    LammGrid::gridSize = 150;
    ASSERT_TRUE(LammArraysAtGridSize());
    EXPECT_EQ(LammGrid::allocatedGridSize, 150);
    ExpectZero(LammGrid::mainArray, 2, 2, 150);
    LammGrid::gridSize = 1;
    EXPECT_FALSE(LammArraysAtGridSize());
    EXPECT_EQ(LammGrid::arraysAllocated, 0);
}

TEST_F(LammArrays, GridSizesWithoutAnElementAreRefused) {
    for (int n : {-5, 0, 1, kMaxLammGridSize + 1}) {
        SCOPED_TRACE(n);
        LammGrid::gridSize = n;
        EXPECT_FALSE(AllocLammArrays());
        EXPECT_EQ(LammGrid::arraysAllocated, 0);
        EXPECT_TRUE(AllEmpty(LammGrid::mainArray, 17));
        EXPECT_EQ(LammGrid::radius, nullptr);
    }
}

TEST_F(LammArrays, FreeEmptiesEveryNameAndTheProfileVectors) {
    ModelChoice::movingHatAlgorithm = true;
    LammGrid::profileCurves = true;
    LammGrid::gridSize = 30;
    ASSERT_TRUE(AllocLammArrays());
    ASSERT_NE(LammGrid::profileX, nullptr);
    ASSERT_NE(LammGrid::profileY, nullptr);
    FreeLammArrays();
    EXPECT_EQ(LammGrid::arraysAllocated, 0);
    EXPECT_TRUE(AllEmpty(LammGrid::mainArray, 17));
    EXPECT_TRUE(AllEmpty(LammGrid::stepArray, 5));
    EXPECT_TRUE(AllEmpty(LammGrid::movingGridArray, 21));
    EXPECT_EQ(LammGrid::profileX, nullptr);
    EXPECT_EQ(LammGrid::profileY, nullptr);
    FreeLammArrays(); // freeing twice is harmless
}

TEST_F(LammArrays, SecondBlockHoldsAUniformGrid) {
    SecondLammBlock::pointCount = 25;
    ASSERT_TRUE(AllocSecondLammBlock());
    EXPECT_TRUE(SecondLammBlock::allocated);
    EXPECT_EQ(SecondLammBlock::allocatedCount, 25);
    const double* r = SecondLammBlock::array[1];
    EXPECT_NEAR(r[1], 6.0, 1e-12);
    EXPECT_NEAR(r[13], 6.6, 1e-6);
    EXPECT_NEAR(r[25], 7.2, 1e-6);
    ExpectZero(SecondLammBlock::array, 2, 22, 25);
    EXPECT_TRUE(AllEmpty(SecondLammBlock::extraArray, 15));

    SecondLammBlock::pointCount = 40;
    SecondLammBlock::extraArrays = true;
    ASSERT_TRUE(AllocSecondLammBlock());
    EXPECT_EQ(SecondLammBlock::allocatedCount, 40);
    ExpectZero(SecondLammBlock::extraArray, 1, 14, 40);
    FreeSecondLammBlock();
    EXPECT_FALSE(SecondLammBlock::allocated);
    EXPECT_TRUE(AllEmpty(SecondLammBlock::array, 23));
    EXPECT_TRUE(AllEmpty(SecondLammBlock::extraArray, 15));
}
