// Adding scans to the loaded set: tables grown, all scans in time order, the new folder as the
// data folder; a file that does not read empties the store; one box for differing tags.
#include "app/add_more_files.h"
#include "app/load_all_data.h"
#include "foundations/error_box_log.h"
#include "plat/msgbox.hpp"
#include "plat/testing.hpp"
#include "scandata/scan_store_alloc.h"
#include "support/reset_all_state.h"
#include "support/scan_set_generator.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace {

using S = ScanStore;

class AddMoreFilesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAllState();
        TakeErrorBoxes();
        options.points = 200;
    }
    void TearDown() override { ResetAllState(); }

    // Scans 1..count of a set in folder, the i-th recorded at 600 i + 250 + offset seconds.
    std::vector<std::string> WriteSet(const TempFolder& folder, int count, long offset,
                                      bool tagged = true) {
        std::vector<std::string> names;
        for (int i = 1; i <= count; ++i) {
            ScanSetOptions o = options;
            o.tagged = tagged;
            GeneratedScan s = SetScan(o, i);
            s.timeS += offset;
            std::string name = "0000" + std::to_string(i) + ".RA1";
            WriteTextFile(folder.file(name), s.Text());
            names.push_back(name);
        }
        return names;
    }

    ScanSetOptions options;
    TempFolder first, second;
    plat::test::Script script;
};

TEST_F(AddMoreFilesTest, ThreeFromAnotherFolderJoinFiveInTimeOrder) {
    std::vector<std::string> loaded = WriteSet(first, 5, 0);
    LoadAllData(nullptr, SelectionBuffer(first.path(), loaded).c_str());
    ASSERT_EQ(S::scanCount, 5);
    // Recorded 300 s after scans 1..3 of the first set: they fall between the old ones.
    std::vector<std::string> added = WriteSet(second, 3, 300);
    AddMoreFiles(nullptr, SelectionBuffer(second.path(), added).c_str());
    ASSERT_EQ(S::scanCount, 8);
    EXPECT_STREQ(S::scanFileName[6], "00001.RA1");
    std::vector<int> order(S::scanOrder + 1, S::scanOrder + 9);
    EXPECT_EQ(order, (std::vector<int>{1, 6, 2, 7, 3, 8, 4, 5}));
    EXPECT_EQ(ScanPaths::gDataDir, second.path() + "/");
    EXPECT_EQ(ScanPaths::gDataPath, second.file("~tmppars.RA1"));
    EXPECT_GT(S::gridCount, 0);
    EXPECT_TRUE(script.done()) << script.logText();
}

TEST_F(AddMoreFilesTest, OneFullPathAddsOneScan) {
    std::vector<std::string> loaded = WriteSet(first, 2, 0);
    LoadAllData(nullptr, SelectionBuffer(first.path(), loaded).c_str());
    std::vector<std::string> added = WriteSet(second, 1, 30);
    std::string one = second.file(added[0]);
    one.push_back('\0');
    one.push_back('\0');
    AddMoreFiles(nullptr, one.c_str());
    EXPECT_EQ(S::scanCount, 3);
}

// A missing file used to empty the store; the addition is refused and the scans stay.
TEST_F(AddMoreFilesTest, MissingFileKeepsTheStore) {
    std::vector<std::string> loaded = WriteSet(first, 2, 0);
    LoadAllData(nullptr, SelectionBuffer(first.path(), loaded).c_str());
    float* const radius = S::radius[1];
    script.expectBox()
        .caption("LOAD ERROR")
        .text(second.file("gone.RA1") + "\nthere is no file of this name: the file is not loaded")
        .answer(IDOK);
    std::string selection = SelectionBuffer(second.path(), {"gone.RA1"});
    AddMoreFiles(nullptr, selection.c_str());
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_EQ(S::scanCount, 2);
    EXPECT_EQ(S::radius[1], radius);
}

TEST_F(AddMoreFilesTest, DifferingTagsGiveOneBoxAndTheScansStay) {
    std::vector<std::string> loaded = WriteSet(first, 2, 0);
    LoadAllData(nullptr, SelectionBuffer(first.path(), loaded).c_str());
    std::vector<std::string> added = WriteSet(second, 3, 30, false);
    script.expectBox()
        .caption("LOAD ERROR")
        .textHas("time stamp correction discrepancy with previous data!")
        .answer(IDOK);
    AddMoreFiles(nullptr, SelectionBuffer(second.path(), added).c_str());
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_EQ(S::scanCount, 5);
}

TEST_F(AddMoreFilesTest, NothingLoadedIsTheOrdinaryLoadWithItsStride) {
    std::vector<std::string> names = WriteSet(first, 5, 0);
    S::fileStride = 2;
    AddMoreFiles(nullptr, SelectionBuffer(first.path(), names).c_str());
    EXPECT_EQ(S::scanCount, 3);
}

} // namespace
