// Time stamps: files whose modification times span 1.008333 times the recorded span are
// rewritten as "tcorr_" copies and reloaded from "list_corr"; a copy that cannot be written
// leaves the loaded data as they were (it used to reload from files that were never written).
#include "app/load_all_data.h"
#include "foundations/error_box_log.h"
#include "foundations/nr_arrays.h"
#include "plat/msgbox.hpp"
#include "plat/testing.hpp"
#include "scandata/scan_file.h"
#include "scandata/scan_store_alloc.h"
#include "scandata/time_stamps.h"
#include "support/reset_all_state.h"
#include "support/scan_set_generator.h"
#include "support/temp_folder.h"

#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

using S = ScanStore;

class TimeStamps : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAllState();
        TakeErrorBoxes();
        options.count = 7;
        options.points = 200;
        options.tagged = false;
    }
    void TearDown() override { ResetAllState(); }

    // Scans 600 s apart (3600 s from first to last), file times stretched by scale.
    std::vector<std::string> WriteSet(double scale) {
        options.fileTimeScale = scale;
        return WriteScanSet(dir.path(), options);
    }
    void Load(const std::vector<std::string>& names) {
        LoadAllData(nullptr, SelectionBuffer(dir.path(), names).c_str());
    }

    ScanSetOptions options;
    TempFolder dir;
    plat::test::Script script;
};

TEST_F(TimeStamps, StretchedFileTimesGiveTheFactorAndCorrectedCopies) {
    std::vector<std::string> names = WriteSet(1.008333333);
    script.expectBox()
        .caption("CHECK TIME STAMP")
        .text("save corrected files and reload?")
        .answer(IDYES);
    Load(names);
    EXPECT_TRUE(script.done()) << script.logText();
    ASSERT_EQ(S::scanCount, 7);
    // The store now holds the copies, with times scaled by the factor.
    EXPECT_STREQ(S::scanFileName[1], "tcorr_00001.RA1");
    std::string copy = ReadTextFile(dir.file("tcorr_00007.RA1"));
    EXPECT_EQ(copy.rfind("[TIMESTAMP CORRECTED 1.00833", 0), 0u) << copy.substr(0, 80);
    EXPECT_NEAR(S::header[S::scanOrder[7]].originalTime / S::header[S::scanOrder[1]].originalTime,
                SetScan(options, 7).timeS / double(SetScan(options, 1).timeS), 1e-3);
    EXPECT_TRUE(S::header[1].timeStampChecked);
    std::string list = ReadTextFile(dir.file("list_corr.RA1"));
    EXPECT_EQ(list.rfind("newformat n=1\n" + dir.path() + "\ntcorr_00001.RA1\n", 0), 0u) << list;
    std::string report = ReadTextFile(dir.file("timestampanalysis.RA1"));
    EXPECT_NE(
        report.find("--> correction factor (delta-file timestamp/delta-recorded time) = 1.00833"),
        std::string::npos)
        << report;
    // The originals are untouched.
    EXPECT_EQ(ReadTextFile(dir.file("00001.RA1")), SetScan(options, 1).Text());
}

TEST_F(TimeStamps, NoAnswerKeepsTheOriginalsLoaded) {
    std::vector<std::string> names = WriteSet(1.008333333);
    script.expectBox().text("save corrected files and reload?").answer(IDNO);
    Load(names);
    ASSERT_EQ(S::scanCount, 7);
    EXPECT_STREQ(S::scanFileName[1], "00001.RA1");
    EXPECT_FALSE(std::filesystem::exists(dir.file("tcorr_00001.RA1")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("list_corr.RA1")));
}

TEST_F(TimeStamps, UnwritableCopyReloadsNothingAndKeepsTheData) {
    std::vector<std::string> names = WriteSet(1.008333333);
    // A folder where the fourth copy would go: the write fails, also for root.
    std::filesystem::create_directory(dir.file("tcorr_00004.RA1"));
    script.expectBox().text("save corrected files and reload?").answer(IDYES);
    script.expectBox()
        .caption("Error")
        .textHas("Attention: could not open " + dir.file("tcorr_00004.RA1"))
        .answer(IDOK);
    Load(names);
    EXPECT_TRUE(script.done()) << script.logText();
    ASSERT_EQ(S::scanCount, 7);
    EXPECT_STREQ(S::scanFileName[1], "00001.RA1");
    EXPECT_DOUBLE_EQ(S::header[1].originalTime, double(SetScan(options, 1).timeS));
    EXPECT_FALSE(std::filesystem::exists(dir.file("tcorr_00001.RA1")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("list_corr.RA1")));
}

TEST_F(TimeStamps, FractionalWavelengthSurvivesTheCopy) {
    options.count = 3;
    std::vector<std::string> names = WriteSet(1.01);
    for (int i = 1; i <= 3; ++i) {
        GeneratedScan s = SetScan(options, i);
        s.type = 'W';
        s.wavelength = 0.28;
        WriteTextFile(dir.file(names[std::size_t(i - 1)]), s.Text());
        SetFileSeconds(dir.file(names[std::size_t(i - 1)]),
                       options.fileTimeBase + std::llround(1.01 * s.timeS));
    }
    script.expectBox().text("save corrected files and reload?").answer(IDYES);
    Load(names);
    ASSERT_EQ(S::scanCount, 3);
    EXPECT_FLOAT_EQ(S::header[1].wavelength, 0.28f);
    EXPECT_NE(ReadTextFile(dir.file("tcorr_00002.RA1")).find(" 0.280 2\n"), std::string::npos);
}

TEST_F(TimeStamps, ShortRecordedSpanAsksForAManualFactor) {
    options.count = 2;
    std::vector<std::string> names = WriteSet(1.0);
    GeneratedScan second = SetScan(options, 1);
    second.timeS += 30; // 30 s after the first
    WriteTextFile(dir.file(names[1]), second.Text());
    script.expectBox()
        .caption("CHECK TIME STAMP")
        .textHas("no time stamp information available")
        .answer(IDYES);
    script.expectInput().prompt("dilation factor").answer("1.0");
    Load(names);
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_EQ(S::scanCount, 2);
    EXPECT_FALSE(std::filesystem::exists(dir.file("tcorr_00001.RA1")));
}

TEST_F(TimeStamps, TaggedFirstAndLastScansAreNotAnalysed) {
    options.tagged = true;
    std::vector<std::string> names = WriteSet(1.5);
    Load(names);
    EXPECT_EQ(S::scanCount, 7);
    EXPECT_FALSE(std::filesystem::exists(dir.file("timestampanalysis.RA1")));
    bool mixed = true;
    EXPECT_TRUE(ReadTimeStampTag(&mixed));
    EXPECT_FALSE(mixed);
}

TEST_F(TimeStamps, AnalysisGivesDifferencesInTimeOrder) {
    options.tagged = true;
    std::vector<std::string> names = WriteSet(1.008333333);
    Load(names);
    double* recorded = nullptr;
    double* file = nullptr;
    bool failed = true;
    double factor = AnalyzeTimeStamps(false, &failed, &recorded, &file);
    EXPECT_FALSE(failed);
    EXPECT_NEAR(factor, 1.008333, 1e-6);
    EXPECT_DOUBLE_EQ(recorded[1], 0.0);
    EXPECT_DOUBLE_EQ(recorded[7], 3600.0);
    EXPECT_NEAR(file[7], 3630.0, 1.0);
    free_dvector(recorded, 1, 7);
    free_dvector(file, 1, 7);
}

} // namespace
