// "Sort Fluorescence Data To Disk" (903) through the menu: the loaded scans alone, the whole
// folder with list files, and a damaged file that ends the sort with a message.
#include "plat/files.hpp"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "support/main_window_fixture.h"
#include "support/store_builder.h"

#include <gtest/gtest.h>
#include <string>

namespace {

constexpr const char* kCaption = "SORT FLUORESCENCE AUC DATA";

std::string ScanText(int cell, long timeS, int gain) {
    GeneratedScan s = ExampleFluorescence();
    s.description = "run Voltage: 610 Gain: " + std::to_string(gain) + " Range: 1";
    s.cell = cell;
    s.timeS = timeS;
    return s.Text();
}

// Two scans of the data folder in the store as loaded fluorescence data, headers as the files
// say (gain 2 for A00001, 3 for A00002).
void LoadTwo(MainWindowFixture& f) {
    f.data.write("A00001.FI1", ScanText(1, 600, 2));
    f.data.write("A00002.FI1", ScanText(1, 1200, 3));
    StoreScan a = EvenScan(6.0f, 0.1f, 5, 600, nullptr);
    a.name = "A00001.FI1";
    StoreScan b = EvenScan(6.0f, 0.1f, 5, 1200, nullptr);
    b.name = "A00002.FI1";
    FillStore({a, b});
    for (int k = 1; k <= 2; ++k) {
        ScanStore::header[k].voltage = 610.0f;
        ScanStore::header[k].range = 1;
        ScanStore::header[k].gain = k + 1;
    }
    ScanPaths::gLoadSelection = f.data.path(); // the folder the scans were loaded from
    ScanDataKind::fluorescence = true;
}

} // namespace

TEST(SortFluorescence, WithoutFluorescenceDataAsksForData) {
    MainWindowFixture f;
    f.script.expectBox()
        .caption("Sort Fluorescence AUC data")
        .text("please load data")
        .answer(IDOK);
    Send(f, 903);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
}

TEST(SortFluorescence, LoadedScansAreCopiedUnderTheirSettings) {
    MainWindowFixture f;
    LoadTwo(f);
    f.script.expectBox().caption(kCaption).text("sort all data in this folder?").answer(IDNO);
    Send(f, 903);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_TRUE(plat::FileReadable(f.data.file("sorted/00001.FI1_A_PMV610_r1_g2")));
    EXPECT_TRUE(plat::FileReadable(f.data.file("sorted/00002.FI1_A_PMV610_r1_g3")));
}

TEST(SortFluorescence, FolderSortWritesListsAndADamagedFileIsReported) {
    MainWindowFixture f;
    LoadTwo(f);
    f.script.expectBox().caption(kCaption).text("sort all data in this folder?").answer(IDYES);
    f.script.expectBox().caption(kCaption).text("make list files?").answer(IDYES);
    f.script.expectInput().caption(kCaption).prompt("t min [sec]").answer("0");
    f.script.expectInput().caption(kCaption).prompt("t max [sec]").answer("5000");
    f.script.expectInput().caption(kCaption).prompt("target # of scans").answer("10");
    f.script.expectInput()
        .caption(kCaption)
        .prompt("exclude fluorescence reference in cell#")
        .answer("4");
    f.script.expectBox()
        .caption(kCaption)
        .text("exclude files with signal below thresold in [rmin rmax] interval?")
        .answer(IDNO);
    Send(f, 903);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_EQ(ReadTextFile(f.data.file("sorted/list.FI1_A_PMV610_r1_g3")),
              "newformat n=1\n" + f.data.file("sorted") + "\n00002.FI1_A_PMV610_r1_g3\n");

    f.data.write("A00003.FI1", std::string(2000, 'x') + "\n");
    f.script.expectBox().caption(kCaption).text("sort all data in this folder?").answer(IDYES);
    f.script.expectBox().caption(kCaption).text("make list files?").answer(IDNO);
    f.script.expectBox()
        .caption(kCaption)
        .text("exclude files with signal below thresold in [rmin rmax] interval?")
        .answer(IDNO);
    f.script.expectBox()
        .caption(kCaption)
        .text("could not read " + f.data.file("A00003.FI1"))
        .answer(IDOK);
    Send(f, 903);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
}
