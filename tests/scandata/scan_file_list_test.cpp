// The store's file list: read from a list file with its stride, rebuilt from the loaded scans in
// time order, renamed by cell and folder number, checked and written as "list_corr".
#include "app/load_all_data.h"
#include "foundations/error_box_log.h"
#include "plat/msgbox.hpp"
#include "plat/testing.hpp"
#include "scandata/scan_file_list.h"
#include "scandata/scan_store_alloc.h"
#include "support/reset_all_state.h"
#include "support/scan_set_generator.h"
#include "support/temp_folder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using S = ScanStore;

class ScanFileList : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAllState();
        TakeErrorBoxes();
    }
    void TearDown() override { ResetAllState(); }

    TempFolder dir;
    plat::test::Script script;
};

TEST_F(ScanFileList, ListFileWithStrideTwoTakesNamesOneThreeFive) {
    WriteTextFile(dir.file("list.RA1"),
                  "newformat n=2\n/data/run1\na.RA1\nb.RA1\nc.RA1\nd.RA1\ne.RA1\n");
    EXPECT_EQ(ReadListFile(dir.file("list.RA1")), 3);
    EXPECT_EQ(S::fileNames, (std::vector<std::string>{"/data/run1/a.RA1", "/data/run1/c.RA1",
                                                      "/data/run1/e.RA1"}));
    EXPECT_EQ(S::fileStride, 2);
    EXPECT_EQ(ScanPaths::gLoadSelection, "/data/run1");
    // Only a load makes the store count scans: no count without arrays.
    EXPECT_EQ(S::scanCount, 0);
}

TEST_F(ScanFileList, MoreThanThousandNamesAreRefusedAndTheListStays) {
    S::fileNames = {"/old/x.RA1"};
    std::string text = "newformat n=1\n/d\n";
    for (int i = 1; i <= 1001; ++i)
        text += "s" + std::to_string(i) + ".RA1\n";
    WriteTextFile(dir.file("list.RA1"), text);
    script.expectBox().text("too many scans selected").caption("LOAD ERROR").answer(IDOK);
    EXPECT_EQ(ReadListFile(dir.file("list.RA1")), 0);
    EXPECT_EQ(S::fileNames, std::vector<std::string>{"/old/x.RA1"});
    EXPECT_EQ(S::scanCount, 0);
    EXPECT_EQ(ReadListFile(dir.file("missing")), 0); // no box
}

TEST_F(ScanFileList, RebuiltInTimeOrderWithoutTheLeftOutScan) {
    ScanSetOptions options;
    options.count = 4;
    options.points = 200;
    std::vector<std::string> names = WriteScanSet(dir.path(), options);
    // Load in reverse name order: scan 1 of the store is the latest.
    std::vector<std::string> reversed(names.rbegin(), names.rend());
    LoadAllData(nullptr, SelectionBuffer(dir.path(), reversed).c_str());
    ASSERT_EQ(S::scanCount, 4);
    MakeTmpScanFileList(2); // store scan 2 is 00003.RA1
    EXPECT_EQ(S::fileNames, (std::vector<std::string>{dir.file("00001.RA1"), dir.file("00002.RA1"),
                                                      dir.file("00004.RA1")}));
    EXPECT_EQ(ScanPaths::gDataDir, dir.path() + "/");
    EXPECT_EQ(AllScanFilesExist(), 1);
    std::filesystem::remove(dir.file("00002.RA1"));
    EXPECT_EQ(AllScanFilesExist(), 0);
}

TEST_F(ScanFileList, CellAndFolderNumberRenameEveryEntry) {
    S::fileNames = {"/d/run1/a.RA1", "/d/run1/b.RA1"};
    SetCellInFileNames(9);
    EXPECT_EQ(S::fileNames[1], "/d/run1/b.RA1");
    SetCellInFileNames(3);
    EXPECT_EQ(S::fileNames, (std::vector<std::string>{"/d/run1/a.RA3", "/d/run1/b.RA3"}));
    SetFolderNumberInFileNames(3);
    EXPECT_EQ(S::fileNames, (std::vector<std::string>{"/d/3/a.RA3", "/d/3/b.RA3"}));
}

TEST_F(ScanFileList, ListCorrNamesTheEntriesAndReportsAnUnwritableFile) {
    ScanSetOptions options;
    options.count = 2;
    options.points = 100;
    std::vector<std::string> names = WriteScanSet(dir.path(), options);
    LoadAllData(nullptr, SelectionBuffer(dir.path(), names).c_str());
    S::fileNames = {dir.file("tcorr_00001.RA1"), dir.file("tcorr_00002.RA1")};
    EXPECT_TRUE(WriteListCorr());
    EXPECT_EQ(ReadTextFile(dir.file("list_corr.RA1")),
              "newformat n=1\n" + dir.path() + "\ntcorr_00001.RA1\ntcorr_00002.RA1\n");
    // A folder in the way makes the file unwritable, also for root.
    std::filesystem::remove(dir.file("list_corr.RA1"));
    std::filesystem::create_directory(dir.file("list_corr.RA1"));
    script.expectBox()
        .caption("Error")
        .textHas("Attention: could not open " + dir.file("list_corr.RA1"))
        .answer(IDOK);
    EXPECT_FALSE(WriteListCorr());
}

} // namespace
