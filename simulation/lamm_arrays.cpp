// The simulation grid's memory blocks: zero-filled heap blocks owned here, handed out to
// LammGrid as 1-based array names that never own.
#include "simulation/lamm_arrays.h"

#include "simulation/radial_grid.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"

#include <cstddef>
#include <memory>
#include <new>

namespace {

using Block = std::unique_ptr<double[]>;

struct LammBlocks {
    Block main[17];
    Block step, reaction, movingGrid, nonideal;
    std::unique_ptr<float[]> profileX, profileY;
};
LammBlocks gBlocks;

struct SecondBlocks {
    Block arrays, extra;
};
SecondBlocks gSecond;

constexpr int kMainArrays = 16;
constexpr int kStepArrays = 4;
constexpr int kReactionArrays = 34;
constexpr int kMovingGridArrays = 17;
constexpr int kNonidealArrays = 17;

// Zero-filled block of count arrays of n + 1 doubles; null when the memory is not there. The
// size is formed in size_t so that no grid size can wrap it.
Block NewBlock(int arrays, int n) {
    const std::size_t count = std::size_t(arrays) * (std::size_t(n) + 1);
    return Block(new (std::nothrow) double[count]());
}

// Carves a block into consecutive arrays names[1..arrays]; names[0] stays unused.
void Carve(const Block& block, double** names, int arrays, int n) {
    for (int k = 0; k < arrays; ++k)
        names[k + 1] = block ? block.get() + std::size_t(k) * (std::size_t(n) + 1) : nullptr;
}

bool AllPresent(double* const* names, int first, int last) {
    for (int k = first; k <= last; ++k)
        if (names[k] == nullptr)
            return false;
    return true;
}

bool AnyNonidealSwitch() {
    return ModelChoice::monomerDimer || ModelChoice::monomerTrimer ||
           ModelChoice::associationVariantA || ModelChoice::associationVariantB;
}

void EmptyNames(double** names, int count) {
    for (int k = 0; k < count; ++k)
        names[k] = nullptr;
}

void MakeProfileVectors(int n) {
    if (!gBlocks.profileX)
        gBlocks.profileX.reset(new (std::nothrow) float[std::size_t(n) + 1]());
    if (!gBlocks.profileY)
        gBlocks.profileY.reset(new (std::nothrow) float[std::size_t(n) + 1]());
    LammGrid::profileX = gBlocks.profileX.get();
    LammGrid::profileY = gBlocks.profileY.get();
}

} // namespace

bool AllocLammArrays() {
    return AllocLammArraysFor(ChosenGridAlgorithm());
}

bool AllocLammArraysFor(GridAlgorithm algorithm) {
    const bool movingGrid = algorithm == GridAlgorithm::MovingHat;
    if (LammGrid::arraysAllocated) {
        BuildRadialGridFor(algorithm);
        return true;
    }
    const int n = LammGrid::gridSize;
    // A grid of fewer than two points has no element, and a huge one is a corrupt option.
    if (n < 2 || n > kMaxLammGridSize) {
        FreeLammArrays();
        return false;
    }
    for (int k = 1; k <= kMainArrays; ++k) {
        gBlocks.main[k] = NewBlock(1, n);
        LammGrid::mainArray[k] = gBlocks.main[k].get();
    }
    gBlocks.step = NewBlock(kStepArrays, n);
    Carve(gBlocks.step, LammGrid::stepArray, kStepArrays, n);
    if (ModelChoice::reactingSystem) {
        gBlocks.reaction = NewBlock(kReactionArrays, n);
        Carve(gBlocks.reaction, LammGrid::reactionArray, kReactionArrays, n);
    }
    if (movingGrid) {
        gBlocks.movingGrid = NewBlock(kMovingGridArrays, n);
        Carve(gBlocks.movingGrid, LammGrid::movingGridArray, kMovingGridArrays, n);
        LammGrid::movingGridArray[18] = LammGrid::mainArray[13];
        LammGrid::movingGridArray[19] = LammGrid::mainArray[7];
        LammGrid::movingGridArray[20] = LammGrid::mainArray[12];
    } else {
        EmptyNames(LammGrid::movingGridArray, 21);
    }
    if (AnyNonidealSwitch() || ModelChoice::singleSpecies || ModelChoice::contiSpeciesVariant) {
        gBlocks.nonideal = NewBlock(kNonidealArrays, n);
        Carve(gBlocks.nonideal, LammGrid::nonidealArray, kNonidealArrays, n);
    }
    LammGrid::allocatedGridSize = n;
    LammGrid::arraysAllocated = 1;

    bool ok = AllPresent(LammGrid::mainArray, 1, kMainArrays) &&
              AllPresent(LammGrid::stepArray, 1, kStepArrays);
    if (movingGrid)
        ok = ok && AllPresent(LammGrid::movingGridArray, 1, 20);
    if (ModelChoice::reactingSystem)
        ok = ok && AllPresent(LammGrid::reactionArray, 1, 4) && LammGrid::reactionArray[27];
    if (AnyNonidealSwitch())
        ok = ok && AllPresent(LammGrid::nonidealArray, 1, kNonidealArrays);
    if (!ok) {
        FreeLammArrays();
        return false;
    }
    BuildRadialGridFor(algorithm);
    if (LammGrid::profileCurves && movingGrid)
        MakeProfileVectors(n);
    return true;
}

void FreeLammArrays() {
    for (auto& block : gBlocks.main)
        block.reset();
    gBlocks.step.reset();
    gBlocks.reaction.reset();
    gBlocks.movingGrid.reset();
    gBlocks.nonideal.reset();
    EmptyNames(LammGrid::mainArray, 17);
    EmptyNames(LammGrid::stepArray, 5);
    EmptyNames(LammGrid::reactionArray, 35);
    EmptyNames(LammGrid::movingGridArray, 21);
    EmptyNames(LammGrid::nonidealArray, 18);
    LammGrid::arraysAllocated = 0;
    gBlocks.profileX.reset();
    gBlocks.profileY.reset();
    LammGrid::profileX = LammGrid::profileY = nullptr;
}

bool EnsureLammArrays(int n) {
    return EnsureLammArraysFor(n, ChosenGridAlgorithm());
}

bool EnsureLammArraysFor(int n, GridAlgorithm algorithm) {
    if (!LammGrid::arraysAllocated)
        return false;
    FreeLammArrays();
    LammGrid::gridSize = n;
    return AllocLammArraysFor(algorithm);
}

bool LammArraysAtGridSize() {
    if (!LammGrid::arraysAllocated && !AllocLammArrays())
        return false;
    if (LammGrid::allocatedGridSize != LammGrid::gridSize)
        EnsureLammArrays(LammGrid::gridSize);
    return LammGrid::arraysAllocated != 0;
}

bool AllocSecondLammBlock() {
    const int n2 = SecondLammBlock::pointCount;
    if (SecondLammBlock::allocated && SecondLammBlock::allocatedCount != n2)
        FreeSecondLammBlock();
    if (!SecondLammBlock::allocated) {
        if (n2 < 2 || n2 > kMaxLammGridSize)
            return false;
        gSecond.arrays = NewBlock(22, n2);
        Carve(gSecond.arrays, SecondLammBlock::array, 22, n2);
        bool ok = AllPresent(SecondLammBlock::array, 1, 22);
        if (SecondLammBlock::extraArrays) {
            gSecond.extra = NewBlock(14, n2);
            Carve(gSecond.extra, SecondLammBlock::extraArray, 14, n2);
            ok = ok && AllPresent(SecondLammBlock::extraArray, 1, 14);
        }
        if (!ok) {
            FreeSecondLammBlock();
            return false;
        }
    }
    const double m = ModelParameters::meniscus, b = ModelParameters::bottom;
    double* r = SecondLammBlock::array[1];
    for (int i = 1; i <= n2; ++i)
        r[i] = m + (i - 1) * (b - m) / (n2 - 1);
    SecondLammBlock::allocated = true;
    SecondLammBlock::allocatedCount = n2;
    return true;
}

void FreeSecondLammBlock() {
    gSecond.arrays.reset();
    gSecond.extra.reset();
    EmptyNames(SecondLammBlock::array, 23);
    EmptyNames(SecondLammBlock::extraArray, 15);
    SecondLammBlock::allocated = false;
    SecondLammBlock::allocatedCount = 0;
}
