// Seeded mutations of the plotting program's series files ("toBeProcessed.txt" and
// "listOfLists.txt"): the reader never crashes or hangs, and what it takes into the series table
// stays within the table.
#include "app/batch_series.h"
#include "foundations/error_box_log.h"
#include "state/serial_fit_state.h"
#include "support/fuzz_inputs.h"
#include "support/reset_all_state.h"
#include "support/temp_folder.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <random>
#include <string>

namespace {

using SF = SerialFitState;

TEST(SeriesListFuzz, SeriesFilesOfBothModes) {
    const unsigned seed = FuzzSeed(20261218u);
    std::mt19937 rng(seed);
    FuzzFolder dir;
    gSeriesFolder = dir.file("");
    for (int n : {1, 2, 3, 5, 20}) {
        char name[40];
        std::snprintf(name, sizeof name, "run_%05d.RA1", n);
        WriteTextFile(dir.file(name), "x");
    }
    const std::string series = "run_ RA1 1 20 2\nrun_ RA1 2 5 1\r\nNone RA1 1 3 1\n";
    const std::string lists = dir.file("list.RA1") + "\n/b/list.RA2\n\n";
    const int inputs = FuzzInputCount(2000);
    for (int i = 0; i < inputs; ++i) {
        ResetAllState();
        gSeriesFolder = dir.file("");
        SF::listOfListsMode = i % 2 == 1;
        WriteTextFile(dir.file(SF::listOfListsMode ? "listOfLists.txt" : "toBeProcessed.txt"),
                      MutateText(SF::listOfListsMode ? lists : series, rng));
        if (ReadSeriesListOfLists(nullptr))
            ASSERT_EQ(SF::seriesListPaths.size(), std::size_t(SF::seriesCount) + 1)
                << "seed " << seed << " input " << i;
        TakeErrorBoxes();
    }
    ResetAllState();
}

} // namespace
