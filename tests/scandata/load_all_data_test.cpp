// Loading selections of generated scan files: time order, defaults from scan 1, limits of the
// selection, mixed kinds, rotor speed steps, and bad files that leave the store empty.
#include "app/load_all_data.h"
#include "foundations/error_box_log.h"
#include "plat/msgbox.hpp"
#include "plat/testing.hpp"
#include "scandata/rotor_speed_profile.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "state/model_parameters.h"
#include "support/reset_all_state.h"
#include "support/scan_set_generator.h"
#include "support/temp_folder.h"

#include <cmath>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using S = ScanStore;
using P = ModelParameters;

class LoadAllDataTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAllState();
        TakeErrorBoxes();
    }
    void TearDown() override { ResetAllState(); }

    void Load(const std::vector<std::string>& names) {
        std::string selection = SelectionBuffer(dir.path(), names);
        LoadAllData(nullptr, selection.c_str());
    }
    std::string Write(const std::string& name, const GeneratedScan& scan) {
        WriteTextFile(dir.file(name), scan.Text());
        return name;
    }

    TempFolder dir;
    plat::test::Script script;
};

TEST_F(LoadAllDataTest, GeneratedSetLoadsInTimeOrderWithDefaultsFromScanOne) {
    ScanSetOptions options;
    options.count = 4;
    options.points = 300;
    std::vector<std::string> names = WriteScanSet(dir.path(), options);
    // Reorder the recorded times: 1800, 600, 1200, 600 (a tie keeps load order).
    const long times[] = {1800, 600, 1200, 600};
    for (int i = 0; i < 4; ++i) {
        GeneratedScan s = SetScan(options, i + 1);
        s.timeS = times[i];
        Write(names[static_cast<std::size_t>(i)], s);
    }
    Load(names);
    ASSERT_EQ(S::scanCount, 4);
    EXPECT_TRUE(script.done());
    const int order[] = {0, 2, 4, 3, 1};
    for (int o = 1; o <= 4; ++o)
        EXPECT_EQ(S::scanOrder[o], order[o]) << o;
    EXPECT_STREQ(S::scanFileName[2], "00002.RA1");
    EXPECT_EQ(S::pointCount[1], 300);
    // Meniscus and bottom from scan 1's first and last radius.
    EXPECT_FLOAT_EQ(P::meniscus, S::radius[1][1]);
    EXPECT_FLOAT_EQ(P::bottom, S::radius[1][300]);
    EXPECT_FLOAT_EQ(P::fitValues[13], P::meniscus);
    // The default left limit meniscus + 0.005 is raised to meniscus + 0.01 when applied.
    EXPECT_NEAR(S::leftFitLimit, P::meniscus + 0.01f, 1e-6);
    EXPECT_NEAR(S::rightFitLimit, P::bottom - 0.15f, 1e-6);
    for (int k = 1; k <= 4; ++k) {
        EXPECT_GE(S::radius[k][S::firstFitIndex[k]], S::leftFitLimit);
        EXPECT_LT(S::radius[k][S::firstFitIndex[k] - 1], S::leftFitLimit);
        EXPECT_LE(S::radius[k][S::lastFitIndex[k]], S::rightFitLimit);
        EXPECT_EQ(S::residuals[k][5], S::signal[k][5]);
        EXPECT_EQ(S::fit[k][5], 0.0f);
    }
    // The common grid: one step above the mean first radius, means of the scans.
    EXPECT_TRUE(S::gridSignalAllocated);
    EXPECT_NEAR(S::gridRadius[1], S::radius[1][1] + 0.001f, 1e-5);
    for (int g = 10; g < S::gridCount - 10; g += 37) {
        float mean = 0.0f;
        for (int k = 1; k <= 4; ++k)
            mean += S::gridSignal[k][g];
        EXPECT_NEAR(S::gridMeanSignal[g], mean / 4.0f, 1e-5);
    }
    EXPECT_EQ(ScanPaths::gDataPath, dir.path() + "/~tmppars.RA1");
    EXPECT_EQ(ScanPaths::gSDistPath, dir.path() + "/sdist.RA1");
    EXPECT_EQ(ScanPaths::gNotesPath, dir.path() + "/notes.RA1");
    EXPECT_NEAR(S::absoluteTemperature, 293.15f, 1e-4);
    EXPECT_EQ(P::baselineFloat, 1);
    EXPECT_EQ(S::signalScale, 1.0);
}

TEST_F(LoadAllDataTest, UserLimitsAreKeptAndStrideTakesEveryNthName) {
    ScanSetOptions options;
    options.count = 7;
    options.points = 400;
    std::vector<std::string> names = WriteScanSet(dir.path(), options);
    S::fileStride = 3;
    S::leftFitLimit = 6.0f;
    S::rightFitLimit = 6.2f;
    P::meniscus = 5.9f;
    P::bottom = 7.2f;
    Load(names);
    ASSERT_EQ(S::scanCount, 3);
    EXPECT_STREQ(S::scanFileName[1], "00001.RA1");
    EXPECT_STREQ(S::scanFileName[2], "00004.RA1");
    EXPECT_STREQ(S::scanFileName[3], "00007.RA1");
    EXPECT_FLOAT_EQ(S::leftFitLimit, 6.0f);
    EXPECT_FLOAT_EQ(S::rightFitLimit, 6.2f);
}

TEST_F(LoadAllDataTest, AThousandScansLoadAndOneMoreIsRefused) {
    ScanSetOptions options;
    options.count = 1001;
    options.points = 8;
    std::vector<std::string> names = WriteScanSet(dir.path(), options);
    std::vector<std::string> thousand(names.begin(), names.end() - 1);
    Load(thousand);
    EXPECT_EQ(S::scanCount, 1000);
    script.expectBox().caption("LOAD ERROR").text("too many scans selected").answer(IDOK);
    Load(names);
    EXPECT_TRUE(script.done());
    EXPECT_EQ(S::scanCount, 1000); // the loaded scans stay
}

TEST_F(LoadAllDataTest, InterferenceMixedWithOthersIsRefused) {
    GeneratedScan a = SetScan(ScanSetOptions{}, 1);
    GeneratedScan p = ExampleInterference();
    GeneratedScan i = ExampleIntensity();
    Write("00001.RA1", a);
    Write("00002.IP1", p);
    Write("00003.RI1", i);
    script.expectBox().caption("ERROR").text("mixed data types").answer(IDOK);
    Load({"00001.RA1", "00002.IP1"});
    EXPECT_TRUE(script.done());
    EXPECT_EQ(S::scanCount, 0);
    EXPECT_TRUE(S::mixedDataTypes);

    // RA with RI loads; the intensity scan's third column becomes its signal.
    script.expectBox().caption("Error").textHas("possible problem with right limit").answer(IDOK);
    Load({"00001.RA1", "00003.RI1"});
    EXPECT_EQ(S::scanCount, 2);
    EXPECT_FALSE(S::mixedDataTypes);
    EXPECT_FLOAT_EQ(S::signal[2][1], 20500.0f);
    EXPECT_FLOAT_EQ(S::thirdColumn[2][1], 21000.0f);
    EXPECT_TRUE(P::constantInitialDistribution);
}

TEST_F(LoadAllDataTest, InterferenceSetsSwitchOnTheNoiseFitsAndItsScale) {
    ScanSetOptions options;
    options.count = 3;
    options.type = 'P';
    options.extension = "IP1";
    options.points = 200;
    Load(WriteScanSet(dir.path(), options));
    ASSERT_EQ(S::scanCount, 3);
    EXPECT_TRUE(ScanDataKind::interference);
    EXPECT_EQ(S::signalScale, 3.3);
    EXPECT_FALSE(S::gridSignalAllocated); // identical radii share the grid
    EXPECT_EQ(S::thirdColumn[1], nullptr);
}

TEST_F(LoadAllDataTest, OneFileAsksForEquilibriumMode) {
    Write("00001.RA1", SetScan(ScanSetOptions{}, 1));
    std::string path = dir.file("00001.RA1");
    std::string selection = path + std::string(1, '\0') + std::string(1, '\0');
    script.expectBox().caption("ERROR").text("only one file selected").answer(IDOK);
    script.expectBox().caption("LOAD ERROR").text("switch to Equilibrium Data Mode?").answer(IDNO);
    LoadAllData(nullptr, selection.c_str());
    EXPECT_EQ(S::scanCount, 0);
    EXPECT_FALSE(S::equilibriumData);

    script.expectBox().caption("ERROR").text("only one file selected").answer(IDOK);
    script.expectBox().caption("LOAD ERROR").text("switch to Equilibrium Data Mode?").answer(IDYES);
    LoadAllData(nullptr, selection.c_str());
    EXPECT_TRUE(script.done());
    EXPECT_TRUE(S::equilibriumData);
    EXPECT_EQ(S::scanCount, 1);
    EXPECT_EQ(ScanPaths::gDataDir, dir.path() + "/");
}

TEST_F(LoadAllDataTest, RadialAveragingOnlyAboveTheDefaultResolution) {
    GeneratedScan s = SetScan(ScanSetOptions{}, 1);
    Write("00001.RA1", s);
    Write("00002.RA1", SetScan(ScanSetOptions{}, 2));
    Load({"00001.RA1", "00002.RA1"});
    EXPECT_EQ(S::pointCount[1], static_cast<int>(s.radius.size()));
    S::radialResolution = 0.0025f;
    Load({"00001.RA1", "00002.RA1"});
    EXPECT_LT(S::pointCount[1], static_cast<int>(s.radius.size()) / 2 + 2);
}

TEST_F(LoadAllDataTest, TimesFromOmegaSquaredT) {
    S::timesFromW2t = true;
    ScanSetOptions options;
    options.count = 2;
    options.points = 50;
    Load(WriteScanSet(dir.path(), options));
    ASSERT_EQ(S::scanCount, 2);
    double omega = 50000 * 3.14159265358979 / 30;
    EXPECT_NEAR(S::header[1].time, S::header[1].omega2t / (omega * omega), 1e-3);
    EXPECT_EQ(S::header[1].originalTime, static_cast<double>(SetScan(options, 1).timeS));
}

TEST_F(LoadAllDataTest, SpeedStepsAreCheckedAndOverlapsRepaired) {
    // Scans at 10000 rpm, then 20000 rpm; the steps of the profile overlap: step 1 ramps for
    // 50 s, step 2 is written to start at 30 s.
    auto writeScans = [this](const std::vector<std::pair<long, long>>& timeAndRpm) {
        std::vector<std::string> names;
        for (std::size_t i = 0; i < timeAndRpm.size(); ++i) {
            GeneratedScan s = SetScan(ScanSetOptions{}, 1);
            s.timeS = timeAndRpm[i].first;
            s.rpm = timeAndRpm[i].second;
            names.push_back(Write("0000" + std::to_string(i + 1) + ".RA1", s));
        }
        return names;
    };
    std::vector<std::string> names = writeScans({{50, 10000}, {150, 20000}, {800, 20000}});
    std::string steps = dir.file("speedsteps.txt");
    WriteTextFile(steps, "0 10000 200\n30 20000 200\n");
    script.expectBox()
        .caption("Error")
        .text("ERROR: rotor speed profile " + steps + " fixed in " + steps + "_fixed")
        .answer(IDOK);
    Load(names);
    ASSERT_EQ(S::scanCount, 3);
    ASSERT_NE(S::speedProfile, nullptr);
    EXPECT_TRUE(S::speedProfileInForce);
    std::vector<ErrorBoxEntry> boxes = TakeErrorBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              "ERROR: rotor speed profile " + steps + " fixed in " + steps + "_fixed");
    EXPECT_EQ(ReadTextFile(steps + "_fixed"),
              "0.000000\t10000.000000\t200.000000\n50.000000\t20000.000000\t200.000000\n");

    // A consistent profile: no box.
    names = writeScans({{100, 10000}, {200, 10000}, {800, 20000}});
    WriteTextFile(steps, "0 10000 200\n600 20000 200\n");
    Load(names);
    EXPECT_TRUE(TakeErrorBoxes().empty());
    EXPECT_TRUE(S::speedProfileInForce);
    EXPECT_EQ(S::speedProfile->stepCount, 2);

    // A scan inside the ramp of its step: the profile's box, then the loader's; loading goes on.
    names = writeScans({{100, 10000}, {200, 10000}, {620, 20000}});
    script.expectBox()
        .caption("Error")
        .text("inconsistent file 3 (t = 620.000000, om = 20000.000000) with speed step 2")
        .answer(IDOK);
    script.expectBox()
        .caption("LOAD ERROR")
        .text("oops - speedsteps.txt rotor speed profile inconsistent with data")
        .answer(IDOK);
    Load(names);
    EXPECT_EQ(S::scanCount, 3);
    boxes = TakeErrorBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              "inconsistent file 3 (t = 620.000000, om = 20000.000000) with speed step 2");

    // Without the file: its box, then the inconsistency box.
    std::remove(steps.c_str());
    script.expectBox().caption("Error").text("\nAttention: could not open " + steps).answer(IDOK);
    script.expectBox()
        .caption("LOAD ERROR")
        .text("oops - speedsteps.txt rotor speed profile inconsistent with data")
        .answer(IDOK);
    Load(names);
    EXPECT_TRUE(script.done());
    EXPECT_EQ(S::scanCount, 3);
    EXPECT_FALSE(S::speedProfileInForce);
    ASSERT_EQ(TakeErrorBoxes().size(), 1u);

    // Equal speeds: no profile at all.
    names = writeScans({{100, 10000}, {200, 10000}, {300, 10005}});
    Load(names);
    EXPECT_EQ(S::speedProfile, nullptr);
    EXPECT_FALSE(S::speedProfileInForce);
}

struct BadFileCase {
    const char* name;
    std::string text; // empty with folder set: make a folder of that name
    bool folder;
};

TEST_F(LoadAllDataTest, BadFilesLeaveTheLoadedStoreWithTheirPathInABox) {
    std::string garbage;
    for (int i = 0; i < 2000; ++i)
        garbage.push_back(static_cast<char>((i * 131 + 7) & 0xff));
    const BadFileCase cases[] = {
        {"0-byte file", "", false},
        {"truncated header", "[T OK]x\nR 1 20.0 500", false},
        {"binary garbage", garbage, false},
        {"huge numbers", "[T OK]x\nR 1 20.0 50000 3600 9.4127e+10 280 2\n 6.0 1e300 0\n", false},
        {"folder named like a scan file", "", true},
    };
    ScanSetOptions options;
    options.count = 3;
    options.points = 100;
    std::vector<std::string> names = WriteScanSet(dir.path(), options);
    for (const BadFileCase& c : cases) {
        SCOPED_TRACE(c.name);
        Load(names); // a loaded store that the bad selection would replace
        ASSERT_EQ(S::scanCount, 3);
        const float* radius = S::radius[1];
        std::string bad = dir.file("00099.RA1");
        std::remove(bad.c_str());
        rmdir(bad.c_str());
        if (c.folder)
            mkdir(bad.c_str(), 0700);
        else
            WriteTextFile(bad, c.text);
        // the path, and the reason when the file was read
        script.expectBox().caption("LOAD ERROR").textHas(bad).answer(IDOK);
        Load({names[0], "00099.RA1", names[2]});
        EXPECT_TRUE(script.done());
        EXPECT_EQ(S::scanCount, 3);
        EXPECT_EQ(S::radius[1], radius);
    }
}

TEST_F(LoadAllDataTest, ElectrophoresisFilesLoadAsAbsorbance) {
    ScanDataKind::electrophoresis = true;
    S::timesFromW2t = true;
    S::fixedTimeStep = true;
    for (int i = 1; i <= 2; ++i) {
        std::string text =
            "[T OK]electrophoresis demo\nR 0 " + std::to_string(600 * i) + " 280 2 0\n";
        for (int k = 0; k < 20; ++k)
            text += "   " + std::to_string(0.1 + 0.01 * k) + "  1.00000e+01   1.00000e+00 \n";
        WriteTextFile(dir.file("0000" + std::to_string(i) + ".RA1"), text);
    }
    Load({"00001.RA1", "00002.RA1"});
    ASSERT_EQ(S::scanCount, 2);
    EXPECT_TRUE(ScanDataKind::absorbance);
    EXPECT_NEAR(S::signal[1][3], 2.0f, 1e-6); // log10(1000 / 10)
    EXPECT_EQ(S::header[2].time, 1200.0);     // not taken from omega2t in this mode
    EXPECT_FALSE(S::timesFromW2t);
    EXPECT_FALSE(S::fixedTimeStep);
}

TEST_F(LoadAllDataTest, EmptySelectionDoesNothing) {
    LoadAllData(nullptr, "\0\0");
    LoadAllData(nullptr, nullptr);
    EXPECT_EQ(S::scanCount, 0);
}

} // namespace
