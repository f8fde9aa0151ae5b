// The realtime update's rules: how many files one reload takes, how the distribution range
// follows its tail, the temperature warning, and the probe of consecutively numbered files.
#include "equilibrium/realtime_files.h"
#include "scandata/scan_store_alloc.h"
#include "state/eq_test_state.h"
#include "state/realtime_state.h"
#include "support/reset_all_state.h"
#include "support/store_builder.h"
#include "support/temp_folder.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using R = RealtimeState;

class RealtimeFiles : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
    void TearDown() override { ResetAllState(); }
};

TEST_F(RealtimeFiles, EveryNthFileKeepsAReloadWithinMaxFiles) {
    struct Case {
        int base, last, maxFiles, expected;
    };
    // 39 / 20 = 1.95 needs floating division; a refit without new files and a maxFiles of 0 or
    // less divided by zero or gave a stride of 0 or below.
    const std::vector<Case> cases = {{1, 40, 20, 2},  {1, 21, 20, 1},    {1, 41, 20, 2},
                                     {1, 42, 20, 3},  {5, 5, 20, 1},     {1, 40, 0, 39},
                                     {1, 40, -3, 39}, {1, 1000, 1000, 1}};
    for (const Case& c : cases)
        EXPECT_EQ(RealtimeFileStride(c.base, c.last, c.maxFiles), c.expected)
            << c.base << ".." << c.last << " by " << c.maxFiles;
}

TEST_F(RealtimeFiles, DistributionRangeFollowsTheAreaInItsLastInterval) {
    struct Case {
        double tail, total;
        float factor;
    };
    const std::vector<Case> cases = {{0.05, 1.0, 1.5f},  {0.0005, 1.0, 0.9f}, {0.001, 1.0, 1.0f},
                                     {0.03, 1.0, 1.0f},  {0.01, 1.0, 1.0f},   {0.3, 0.0, 1.0f},
                                     {-0.05, -1.0, 1.5f}};
    for (const Case& c : cases)
        EXPECT_EQ(DistributionRangeFactor(c.tail, c.total), c.factor) << c.tail << "/" << c.total;
}

TEST_F(RealtimeFiles, TemperatureWarningFromOneDegreeOn) {
    for (auto [later, warned] : {std::pair{20.9f, false}, {21.0f, true}, {19.0f, true}}) {
        FillStore(
            {EvenScan(6.9f, 0.01f, 10, 100, nullptr), EvenScan(6.9f, 0.01f, 10, 200, nullptr)});
        ScanStore::header[1].temperature = 20.0f;
        ScanStore::header[2].temperature = later;
        EXPECT_EQ(TemperatureFluctuates(), warned) << later;
    }
}

TEST_F(RealtimeFiles, ProbeFollowsConsecutiveNumbersAndListsThemForTheLoader) {
    TempFolder folder;
    for (int n : {1, 2, 3, 4, 5, 7}) {
        char name[32];
        std::snprintf(name, sizeof name, "%05d.RA1", n);
        folder.write(name, "x");
    }
    R::directory = folder.path() + "/";
    R::extension = ".RA1";
    R::baseNumber = R::previousLast = 2;
    EXPECT_TRUE(ProbeNewScanFiles());
    // The gap at 6 ends the probe.
    EXPECT_EQ(R::lastNumber, 5);
    EXPECT_EQ(R::previousLast, 5);
    using namespace std::string_literals;
    EXPECT_EQ(BuildRealtimeFileList(), folder.path() + "\0"s + "00002.RA1\0"s + "00003.RA1\0"s +
                                           "00004.RA1\0"s + "00005.RA1\0"s + "\0"s);
    EXPECT_FALSE(ProbeNewScanFiles());
}

// In the equilibrium test every extension's files go into one list: two cells of 510 files each
// wrote 1020 entries into a table of 1000.
TEST_F(RealtimeFiles, EquilibriumProbeListsEveryCellBeyondTheTableSize) {
    TempFolder folder;
    for (const char* extension : {".RA1", ".RA2"})
        for (int n = 1; n <= 510; ++n) {
            char name[32];
            std::snprintf(name, sizeof name, "%05d%s", n, extension);
            folder.write(name, "x");
        }
    R::directory = folder.path() + "/";
    R::equilibriumTestMode = true;
    R::allCells = true; // the other six cells have no files
    EqTestState::extensions = {".RA1"};
    EqTestState::firstNumber = {1};
    R::previousLast = 0;
    EXPECT_TRUE(ProbeNewScanFiles());
    EXPECT_EQ(R::lastNumber, 1020);
    const std::string list = BuildRealtimeFileList();
    int names = 0;
    for (std::size_t at = list.find('\0'); at + 1 < list.size() && list[at + 1] != '\0';
         at = list.find('\0', at + 1))
        ++names;
    EXPECT_EQ(names, 1020);
    EXPECT_NE(list.find("00510.RA2"), std::string::npos);
}

} // namespace
