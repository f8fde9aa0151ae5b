// A saved analysis restored while a distribution is held: a file with another grid size used to
// set ContiState::gridPoints under arrays sized by the old grid, so saving, integrating and the
// prior display read past their end. The held distribution is now dropped; one of the same size
// stays.
#include "distributions/distribution_files.h"
#include "distributions/integrate_distribution.h"
#include "fitting/param_files.h"
#include "foundations/nr_arrays.h"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "support/reset_all_state.h"
#include "support/temp_folder.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace {

constexpr int kHeld = 50;

void HoldDistribution() {
    ContiState::gridPoints = kHeld;
    ContiState::sValues = vector(1, kHeld);
    ContiState::mValues = vector(1, kHeld);
    ContiState::distribution = vector(1, kHeld);
    ContiState::priorValues = dvector(1, kHeld);
    ContiState::priorAbscissa = vector(1, kHeld);
    for (int p = 1; p <= kHeld; ++p) {
        ContiState::sValues[p] = ContiState::priorAbscissa[p] = float(p);
        ContiState::mValues[p] = 1000.0f * p;
        ContiState::distribution[p] = 1.0f;
        ContiState::priorValues[p] = 1.0;
    }
    ContiState::priorInUse = true;
}

TEST(RestoredGrid, AnotherGridDropsTheHeldDistributionTheSameGridKeepsIt) {
    for (int savedGrid : {kHeld, 4 * kHeld, 10}) {
        SCOPED_TRACE(savedGrid);
        ResetAllState();
        TempFolder folder;
        ScanPaths::gDataPath = folder.file("~tmppars.ra1");
        ContiState::gridPoints = savedGrid;
        ASSERT_TRUE(TmpSaveBestParams(nullptr, 0));
        std::vector<float> values;
        ASSERT_TRUE(ReadParameterValues(ScanPaths::gDataPath.c_str(), values));

        HoldDistribution();
        ASSERT_TRUE(RestoreAllValues(values));
        EXPECT_EQ(ContiState::gridPoints, savedGrid);
        const bool kept = savedGrid == kHeld;
        EXPECT_EQ(ContiState::sValues != nullptr, kept);
        EXPECT_EQ(ContiState::priorValues != nullptr, kept);
        // Every reader of the arrays stays inside them (AddressSanitizer watches).
        const std::string text = DistributionText();
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), kept ? kHeld : 0);
        EXPECT_EQ(SaveDistributionFile(folder.file("dist.txt")), kept);
        float area = -1.0f;
        IntegrateDistribution(0.0f, 1e6f, &area, nullptr, nullptr, nullptr);
        EXPECT_FLOAT_EQ(area, kept ? float(kHeld - 1) : -1.0f);

        if (kept) {
            free_dvector(ContiState::priorValues, 1, kHeld);
            free_vector(ContiState::priorAbscissa, 1, kHeld);
            ContiState::priorValues = nullptr;
            ContiState::priorAbscissa = nullptr;
        }
        ResetAllState(); // frees the distribution arrays
    }
}

} // namespace
