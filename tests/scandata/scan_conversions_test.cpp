// Conversions of the loaded scans into new files: the average against hand-computed means,
// intensity as absorbance with a worked number, the pseudo-absorbance pair, six-channel cuts and
// the rotor-stretch shift against its formula; what the commands write when the user declines.
#include "app/load_all_data.h"
#include "foundations/nr_arrays.h"
#include "plat/testing.hpp"
#include "scandata/scan_conversions.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_file.h"
#include "scandata/scan_file_list.h"
#include "scandata/scan_store_alloc.h"
#include "support/main_window_fixture.h"
#include "support/scan_read_back.h"
#include "support/scan_set_generator.h"
#include "support/temp_folder.h"

#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

using S = ScanStore;

// Opaque points are written as 10.0, which the reader's spike filter would drop: read with it off.
ScanReadBack Read(const std::string& path) {
    return ReadScanBack(path, true);
}

// Scans on radii 6.000, 6.001, ... with values a + b r, for means anyone can compute.
GeneratedScan LinearScan(double a, double b, long timeS, int points) {
    GeneratedScan s;
    s.timeS = timeS;
    s.omega2t = timeS * std::pow(50000 * M_PI / 30, 2);
    for (int k = 0; k < points; ++k) {
        double r = 6.0 + 0.001 * k;
        s.radius.push_back(r);
        s.value.push_back(a + b * r);
        s.third.push_back(0.005);
    }
    return s;
}

class Conversions : public ::testing::Test {
  protected:
    void LoadFiles(const std::vector<std::pair<std::string, GeneratedScan>>& files) {
        std::vector<std::string> names;
        for (const auto& [name, scan] : files) {
            WriteTextFile(f.data.file(name), scan.Text());
            names.push_back(name);
        }
        std::string selection = SelectionBuffer(f.data.path(), names);
        LoadAllData(f.window.get(), selection.c_str());
        ASSERT_EQ(S::scanCount, static_cast<int>(files.size()));
        MakeTmpScanFileList(0);
    }
    void Command(int id) {
        plat::test::command(f.window.get(), id);
        f.script.pumpUntilIdle();
    }
    // Two intensity scans, the second with an opaque point (sample intensity 0).
    void LoadIntensity(const char* second = "00002.RI1", char type = 'I') {
        GeneratedScan a = ExampleIntensity(), b = ExampleIntensity();
        a.type = b.type = type;
        b.timeS += 600;
        b.third[2] = 0.0; // the file's third column is the sample's intensity
        LoadFiles({{"00001.RI1", a}, {second, b}});
    }

    MainWindowFixture f;
};

TEST_F(Conversions, AverageIsThePointwiseMeanOnTheGrid) {
    LoadFiles({{"00001.RA1", LinearScan(0.1, 0.0, 1000, 50)},
               {"00002.RA1", LinearScan(-1.0, 0.25, 1600, 50)},
               {"00003.RA1", LinearScan(0.4, 0.05, 2200, 50)}});
    TempFolder out;
    ASSERT_TRUE(WriteAverageScan(out.file("average.RA1")));
    ScanReadBack avg = Read(out.file("average.RA1"));
    ASSERT_TRUE(avg.ok);
    EXPECT_STREQ(avg.header.description, "[T OK]averaged");
    ASSERT_EQ(static_cast<int>(avg.value.size()), S::gridCount);
    // Mean of (0.1, -1 + 0.25 r, 0.4 + 0.05 r) = -0.5/3 + 0.1 r, inside the scans' radii (the
    // grid's last points lie beyond them and hold the end value).
    for (std::size_t k = 0; avg.radius[k] <= 6.049f; ++k)
        EXPECT_NEAR(avg.value[k], -0.5 / 3 + 0.1 * avg.radius[k], 2e-5) << k;
}

// A cancelled dialog once reloaded a default "average" file: the loaded scans were dropped.
TEST_F(Conversions, CancelledAverageKeepsTheLoadedScans) {
    LoadFiles({{"00001.RA1", LinearScan(0.1, 0.0, 1000, 50)},
               {"00002.RA1", LinearScan(0.2, 0.0, 1600, 50)}});
    WriteTextFile(f.data.file("average.RA1"), LinearScan(9.0, 0.0, 500, 50).Text());
    std::vector<std::string> list = S::fileNames;
    f.script.expectFileSave().title("select filename for averaged scan").cancel();
    Command(917);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_EQ(S::scanCount, 2);
    EXPECT_EQ(S::fileNames, list);
}

TEST_F(Conversions, AverageWithoutScansAsksToLoad) {
    f.script.expectBox().caption("AVERAGE SCANS").text("please load scans first").answer(IDOK);
    Command(917);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
}

TEST_F(Conversions, AveragedScanIsLoadedInPlaceOfTheScans) {
    LoadFiles({{"00001.RA1", LinearScan(0.1, 0.0, 1000, 50)},
               {"00002.RA1", LinearScan(0.3, 0.0, 1600, 50)},
               {"00003.RA1", LinearScan(0.8, 0.0, 2200, 50)}});
    TempFolder out;
    f.script.expectFileSave()
        .title("select filename for averaged scan")
        .answer(std::vector<std::string>{out.file("mean.RA1")});
    Command(917);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    ASSERT_EQ(S::scanCount, 1);
    EXPECT_EQ(S::fileNames, std::vector<std::string>{out.file("mean.RA1")});
    EXPECT_STREQ(S::scanFileName[1], "mean.RA1");
    EXPECT_NEAR(S::signal[1][10], 0.4f, 1e-6f);
}

TEST_F(Conversions, IntensityBecomesAbsorbanceLog10OfTheRatio) {
    LoadIntensity();
    ASSERT_TRUE(SaveIntensityAsAbsorbance());
    ScanReadBack a = Read(f.data.file("00001.Ra1"));
    ASSERT_TRUE(a.ok);
    EXPECT_EQ(a.header.dataType, 'R');
    // Row 1: reference 21000, sample 20500: log10(21000 / 20500) = 0.0104654.
    EXPECT_NEAR(a.value[0], 0.0104654, 1e-6);
    EXPECT_NEAR(a.value[2], std::log10(20990.0 / 11000.0), 1e-6);
    // The reference stays beside the absorbance as the third column.
    std::string text = ReadTextFile(f.data.file("00001.Ra1"));
    EXPECT_NE(text.find("   5.9500  1.04654e-02   2.10000e+04 \n"), std::string::npos) << text;
    ScanReadBack b = Read(f.data.file("00002.Ra1"));
    ASSERT_TRUE(b.ok);
    EXPECT_FLOAT_EQ(b.value[2], 10.0f);
    // The loaded scans stay intensity scans.
    EXPECT_EQ(S::header[1].dataType, 'I');
}

TEST_F(Conversions, IntensityConversionStopsAtTheFirstOtherExtension) {
    LoadIntensity("00002.RA1");
    ASSERT_TRUE(SaveIntensityAsAbsorbance());
    EXPECT_TRUE(Read(f.data.file("00001.Ra1")).ok);
    EXPECT_FALSE(std::filesystem::exists(f.data.file("00002.Ra1")));
    EXPECT_FALSE(std::filesystem::exists(f.data.file("00002.RAa")));
}

TEST_F(Conversions, PseudoAbsorbancePairTakesSampleAndReferenceSeparately) {
    LoadIntensity("00002.RI1", 'V');
    ASSERT_TRUE(SavePseudoAbsorbancePair());
    ScanReadBack sample = Read(f.data.file("S0001.Ra1"));
    ScanReadBack reference = Read(f.data.file("R0001.Ra1"));
    ASSERT_TRUE(sample.ok && reference.ok);
    EXPECT_NEAR(sample.value[0], std::log10(1000.0 / 20500.0), 1e-5);
    EXPECT_NEAR(reference.value[0], std::log10(1000.0 / 21000.0), 1e-5);
    EXPECT_FLOAT_EQ(Read(f.data.file("S0002.Ra1")).value[2], 10.0f);
    // A fractional wavelength keeps its three decimals.
    EXPECT_EQ(sample.header.dataType, 'W');
    EXPECT_FLOAT_EQ(sample.header.wavelength, 280.0f);
    EXPECT_EQ(S::header[1].dataType, 'V');
}

TEST_F(Conversions, SixChannelCutSharesTheBoundaryPoints) {
    GeneratedScan a = LinearScan(0.1, 0.0, 1000, 0), b = LinearScan(0.2, 0.0, 1600, 0);
    for (GeneratedScan* s : {&a, &b})
        for (int k = 0; k <= 100; ++k) {
            s->radius.push_back(5.9 + 0.013 * k);
            s->value.push_back(0.001 * k); // small steps: no spike filtering
            s->third.push_back(0.005);
        }
    LoadFiles({{"00001.RA1", a}, {"00002.RA1", b}});
    ASSERT_TRUE(CutSixChannelData(6.2f, 6.75f));
    ScanReadBack inner = Read(f.data.file("i00001.RA1"));
    ScanReadBack middle = Read(f.data.file("m00001.RA1"));
    ScanReadBack outer = Read(f.data.file("o00001.RA1"));
    ASSERT_TRUE(inner.ok && middle.ok && outer.ok);
    // First radius beyond 6.2 is 5.9 + 0.013 x 24 = 6.212 (point 24 from 0); beyond 6.75 is
    // point 66 (6.758).
    EXPECT_EQ(inner.value.size(), 24u + 1);
    EXPECT_NEAR(inner.value.back(), 0.024, 1e-7);
    EXPECT_NEAR(middle.value.front(), 0.024, 1e-7);
    EXPECT_NEAR(middle.value.back(), 0.066, 1e-7);
    EXPECT_NEAR(outer.value.front(), 0.066, 1e-7);
    EXPECT_NEAR(outer.value.back(), 0.100, 1e-7);
    EXPECT_STREQ(outer.header.description, "[T OK]inner section of 00001.RA1");
    EXPECT_TRUE(Read(f.data.file("o00002.RA1")).ok);
}

TEST_F(Conversions, SixChannelCutOutsideScanOneWritesNothing) {
    LoadFiles({{"00001.RA1", LinearScan(0.1, 0.0, 1000, 50)},
               {"00002.RA1", LinearScan(0.2, 0.0, 1600, 50)}});
    auto before = std::distance(std::filesystem::directory_iterator(f.data.path()),
                                std::filesystem::directory_iterator());
    for (auto [cut1, cut2] : {std::pair{6.01f, 6.1f}, {6.03f, 6.02f}, {5.9f, 6.02f}})
        EXPECT_FALSE(CutSixChannelData(cut1, cut2));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(f.data.path()),
                            std::filesystem::directory_iterator()),
              before);
}

TEST(RotorStretch, ShiftGrowsWithTheSquareOfTheSpeed) {
    struct Case {
        double c, rpm, expected;
    } cases[] = {
        {9.59e-6, 50000, -0.023975},
        {8.62e-6, 60000, -0.031032},
        {9.59e-6, 0, 0.0},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(RotorStretchShift(c.c, c.rpm), c.expected, 1e-9) << c.rpm;
}

TEST_F(Conversions, UndoneStretchShiftsRadiiAndKeepsTheFieldAtTheMiddle) {
    LoadFiles({{"00001.RA1", LinearScan(0.1, 0.0, 1000, 50)},
               {"00002.RA1", LinearScan(0.2, 0.0, 1600, 50)}});
    TempFolder out;
    ASSERT_TRUE(UndoRotorStretch(9.59e-6, out.file("newscandata"), true));
    ScanReadBack s = Read(out.file("1000.RA1"));
    ASSERT_TRUE(s.ok);
    EXPECT_NEAR(s.radius[0], 6.0 - 0.023975, 1e-4);
    EXPECT_STREQ(s.header.description, "[T OK]synthetic scan, shift -0.024");
    double rMid = (6.0 + 6.049) / 2;
    EXPECT_NEAR(s.header.rotorSpeed, std::floor(std::sqrt(rMid / (rMid - 0.023975)) * 50000), 1.0);
    EXPECT_GT(s.header.rotorSpeed, 50090.0f);
    EXPECT_TRUE(Read(out.file("1600.RA1")).ok);
    // The loaded scans are not moved.
    EXPECT_FLOAT_EQ(S::radius[1][1], 6.0f);
    EXPECT_EQ(S::header[1].rotorSpeed, 50000.0f);
}

TEST_F(Conversions, UndoStretchAnsweredNoWritesNothing) {
    LoadFiles({{"00001.RA1", LinearScan(0.1, 0.0, 1000, 50)},
               {"00002.RA1", LinearScan(0.2, 0.0, 1600, 50)}});
    std::vector<std::string> list = S::fileNames;
    f.script.expectInput().caption("Undo Rotor Stretch").prompt("rotor (4 or 8)").answer("8");
    f.script.expectBox().caption("Undo Rotor Stretch").text("save new data?").answer(IDNO);
    f.script.expectBox().caption("Undo Rotor Stretch").text("maintain field?").answer(IDYES);
    Command(927);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_FALSE(std::filesystem::exists("1000.RA1"));
    EXPECT_FALSE(std::filesystem::exists(f.data.file("1000.RA1")));
    EXPECT_EQ(S::fileNames, list);
}

TEST_F(Conversions, UndoStretchSavesWhereTheUserChose) {
    LoadFiles({{"00001.RA1", LinearScan(0.1, 0.0, 1000, 50)},
               {"00002.RA1", LinearScan(0.2, 0.0, 1600, 50)}});
    std::vector<std::string> list = S::fileNames;
    TempFolder out;
    f.script.expectInput().prompt("rotor (4 or 8)").answer("4");
    f.script.expectBox().text("save new data?").answer(IDYES);
    f.script.expectFileSave()
        .title("select save path")
        .answer(std::vector<std::string>{out.file("newscandata")});
    f.script.expectBox().text("maintain field?").answer(IDNO);
    Command(927);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_TRUE(std::filesystem::is_directory(f.data.file("unstretch")));
    ScanReadBack s = Read(out.file("1000.RA1"));
    ASSERT_TRUE(s.ok);
    EXPECT_NEAR(s.radius[0], 6.0 - 8.62e-6 * 2500, 1e-4);
    EXPECT_EQ(s.header.rotorSpeed, 50000.0f);
    // The command's temporary list does not replace the loaded one.
    EXPECT_EQ(S::fileNames, list);
}

} // namespace
