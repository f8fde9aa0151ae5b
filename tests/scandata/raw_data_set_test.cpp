// Writing the loaded scans back as a data set: copies and speed/wavelength names re-read
// byte-exact with their file times, intensity columns kept in file order, one edited scan, the
// light-scattering refusal and the "Save Raw Data Set" command's dialogs.
#include "app/load_all_data.h"
#include "foundations/error_box_log.h"
#include "foundations/nr_arrays.h"
#include "plat/files.hpp"
#include "plat/testing.hpp"
#include "scandata/raw_data_set.h"
#include "scandata/scan_file.h"
#include "scandata/scan_file_list.h"
#include "scandata/scan_store_alloc.h"
#include "state/dls_data.h"
#include "support/main_window_fixture.h"
#include "support/scan_set_generator.h"
#include "support/temp_folder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using S = ScanStore;

class RawDataSet : public ::testing::Test {
  protected:
    void SetUp() override {
        TakeErrorBoxes();
        options.count = 3;
        options.points = 40;
        names = WriteScanSet(f.data.path(), options);
        std::string selection = SelectionBuffer(f.data.path(), names);
        LoadAllData(f.window.get(), selection.c_str());
        ASSERT_EQ(S::scanCount, 3);
        MakeTmpScanFileList(0);
    }
    void Command(int id) {
        plat::test::command(f.window.get(), id);
        f.script.pumpUntilIdle();
    }
    std::string Original(int k) const { return ReadTextFile(f.data.file(names[k])); }
    static plat::FileTimes Times(const std::string& path) {
        plat::FileTimes t;
        plat::GetFileTimes(path, t);
        return t;
    }

    MainWindowFixture f;
    TempFolder out;
    ScanSetOptions options;
    std::vector<std::string> names;
};

TEST_F(RawDataSet, CopyCommandWritesEachScanUnderThePrefixByteExactWithItsFileTimes) {
    f.script.expectBox().caption("").textHas("wavelenth/speed information").answer(IDNO);
    f.script.expectFileSave()
        .title("save raw data in new directory")
        .answer(std::vector<std::string>{out.file("x.rxx")});
    Command(263);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    for (int k = 0; k < 3; ++k) {
        std::string copy = out.file("x" + names[k]);
        EXPECT_EQ(ReadTextFile(copy), Original(k)) << copy;
        EXPECT_EQ(Times(copy).write, Times(f.data.file(names[k])).write) << copy;
    }
    EXPECT_EQ(ScanPaths::gDataPath, out.file("~tmppars.RA1"));
    EXPECT_TRUE(TakeErrorBoxes().empty());
}

TEST_F(RawDataSet, SpeedWavelengthCommandNamesFilesBySpeedWavelengthAndNumber) {
    f.script.expectBox().textHas("wavelenth/speed").answer(IDYES);
    f.script.expectFileSave()
        .title("select directory ")
        .answer(std::vector<std::string>{out.file("20k280_001.ra1")});
    Command(263);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    for (int k = 0; k < 3; ++k) {
        std::string saved = out.file("50k280_000" + std::to_string(k + 1) + ".RA1");
        EXPECT_EQ(ReadTextFile(saved), Original(k)) << saved;
    }
}

TEST_F(RawDataSet, CancelledDialogWritesNothing) {
    f.script.expectBox().textHas("wavelenth/speed").answer(IDNO);
    f.script.expectFileSave().cancel();
    Command(263);
    EXPECT_TRUE(std::filesystem::is_empty(out.path()));
    EXPECT_FALSE(f.window->paintSuspended);
}

TEST(RawDataSetNames, SpeedWavelengthNames) {
    struct Case {
        const char* file;
        float rpm;
        char type;
        float wavelength;
        const char* expected;
    } cases[] = {
        {"00012.RA1", 42000.0f, 'R', 280.0f, "42k280_0012"},
        {"00012.RA1", 59999.0f, 'R', 280.0f, "59k280_0012"},
        {"00012.RA1", 42000.0f, 'W', 0.28f, "42k0280_0012"},
        {"00007.RA2", 3000.0f, 'R', 95.0f, "3k095_0007"},
        // A corrected name: the number sits at characters 9 to 11.
        {"tcorr_00012.RA1", 42000.0f, 'R', 280.0f, "tcorr_42k280_012"},
        // Names shorter than the number's place give what is there, never more.
        {"a.R", 42000.0f, 'R', 280.0f, "42k280_aR"},
        {"", 42000.0f, 'R', 280.0f, "42k280_ "},
    };
    for (const Case& c : cases) {
        ScanHeader h;
        h.rotorSpeed = c.rpm;
        h.dataType = c.type;
        h.wavelength = c.wavelength;
        EXPECT_EQ(SpeedWavelengthName(c.file, h), c.expected) << c.file;
    }
}

// Two scans whose names share first character and number would write one file twice: the
// second would silently replace the first.
TEST_F(RawDataSet, SpeedWavelengthSaveRefusesNamesThatCollide) {
    std::snprintf(S::scanFileName[2], 260, "%s", "01001.RA1");
    f.script.expectBox().caption("Error").textHas(out.file("50k280_0001.RA1")).answer(IDOK);
    EXPECT_FALSE(SaveRawDataSet(out.file("z")));
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_TRUE(std::filesystem::is_empty(out.path()));
}

TEST_F(RawDataSet, UnwritableFolderIsReportedNotPassedOver) {
    f.script.expectBox()
        .caption("Error")
        .textHas("Attention: could not open " + out.file("missing/x00001.RA1"))
        .answer(IDOK);
    EXPECT_FALSE(CopyRawDataSet(out.file("missing/x.rxx")));
    EXPECT_TRUE(f.script.done()) << f.script.logText();
}

TEST_F(RawDataSet, LightScatteringDataAreRefusedWithoutQuestion) {
    gDlsData = true;
    f.script.expectFileSave()
        .title("save raw data in new directory")
        .answer(std::vector<std::string>{out.file("x.rxx")});
    f.script.expectBox().caption("ERROR").text("not implemented for DLS data").answer(IDOK);
    Command(263);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    f.script.expectBox().caption("ERROR").text("not implemented for DLS data").answer(IDOK);
    EXPECT_FALSE(SaveRawDataSet(out.file("x.rxx")));
    EXPECT_TRUE(std::filesystem::is_empty(out.path()));
    gDlsData = false;
}

TEST_F(RawDataSet, ModifiedScanLosesOnePointAndIsRenamed) {
    int s = S::scanOrder[2];
    int n = S::pointCount[s];
    std::string entry = S::fileNames[1];
    SaveModifiedScans(s, n, false);
    std::string renamed = f.data.file("00002_mod.RA1");
    EXPECT_EQ(S::fileNames[1], renamed);
    EXPECT_STREQ(S::scanFileName[s], "00002_mod.RA1");
    ScanHeader h;
    std::int32_t count = 0;
    float *r = nullptr, *v = nullptr;
    ASSERT_EQ(ReadScanFile(renamed.c_str(), &h, &count, &r, &v, nullptr, nullptr, 0.0f), 1);
    EXPECT_EQ(count, n - 1);
    EXPECT_STREQ(h.description, "[T OK]synthetic velocity scan 2_modified from 00002.RA1");
    EXPECT_FLOAT_EQ(r[count], S::radius[s][n - 1]);
    EXPECT_FLOAT_EQ(v[1], S::signal[s][1]);
    free_vector(r, 1, count);
    free_vector(v, 1, count);
    // The loaded scan keeps all its points.
    EXPECT_EQ(S::pointCount[s], n);
}

TEST_F(RawDataSet, ModifiedScanOutOfRangeWritesNothing) {
    for (auto [s, p] : {std::pair{0, 1}, {4, 1}, {1, 0}, {1, 41}})
        SaveModifiedScans(s, p, false);
    EXPECT_EQ(std::filesystem::directory_entry(f.data.file("00001_mod.RA1")).exists(), false);
    EXPECT_EQ(S::fileNames[0], f.data.file("00001.RA1"));
}

// The loader takes an intensity file's third column as the signal; a copy written as signal then
// reference would load with sample and reference exchanged.
TEST(RawDataSetIntensity, CopyReloadsWithTheSameSignalAndReference) {
    MainWindowFixture f;
    TempFolder out;
    std::vector<std::string> names = {"00001.RI1", "00002.RI1"};
    for (std::size_t k = 0; k < names.size(); ++k) {
        GeneratedScan scan = ExampleIntensity();
        scan.timeS += static_cast<long>(600 * k);
        WriteTextFile(f.data.file(names[k]), scan.Text());
    }
    std::string selection = SelectionBuffer(f.data.path(), names);
    LoadAllData(f.window.get(), selection.c_str());
    ASSERT_EQ(S::scanCount, 2);
    std::vector<float> signal(S::signal[1] + 1, S::signal[1] + 6);
    std::vector<float> reference(S::thirdColumn[1] + 1, S::thirdColumn[1] + 6);
    ASSERT_FLOAT_EQ(signal[0], 20500.0f);
    ASSERT_TRUE(CopyRawDataSet(out.file("c.rxx")));
    EXPECT_EQ(ReadTextFile(out.file("c00001.RI1")), ReadTextFile(f.data.file("00001.RI1")));
    std::string copies = SelectionBuffer(out.path(), {"c00001.RI1", "c00002.RI1"});
    LoadAllData(f.window.get(), copies.c_str());
    ASSERT_EQ(S::scanCount, 2);
    EXPECT_EQ(std::vector<float>(S::signal[1] + 1, S::signal[1] + 6), signal);
    EXPECT_EQ(std::vector<float>(S::thirdColumn[1] + 1, S::thirdColumn[1] + 6), reference);
}

} // namespace
