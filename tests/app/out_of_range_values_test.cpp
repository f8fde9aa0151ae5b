// Numbers beyond what a record can hold: every reader either refuses the file with its own
// message or takes only finite values in the range of its fields; nothing becomes infinity.
#include "app/experiment_file.h"
#include "foundations/error_box_log.h"
#include "foundations/nr_arrays.h"
#include "plat/msgbox.hpp"
#include "plat/testing.hpp"
#include "plotting/win_plot.h"
#include "scandata/dls_file.h"
#include "scandata/rotor_speed_profile.h"
#include "scandata/scan_store_alloc.h"
#include "scandata/scan_text.h"
#include "simulation/lamm_preferences.h"
#include "state/dls_data.h"
#include "state/fit_control.h"
#include "state/lamm_grid.h"
#include "state/model_parameters.h"
#include "state/startup_paths.h"
#include "support/main_window_fixture.h"
#include "support/reset_all_state.h"
#include "support/scan_set_generator.h"
#include "support/temp_folder.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

namespace {

class OutOfRangeValues : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAllState();
        TakeErrorBoxes();
    }
    void TearDown() override { ResetAllState(); }
    TempFolder dir;
    plat::test::Script script;
};

TEST_F(OutOfRangeValues, ReadersTakeOnlyValuesTheirRecordsCanHold) {
    // Scan text: the averaging mean of values near the float limit stays finite (also through
    // the electrophoresis transform); header times beyond it are refused.
    const std::string head = "[T OK]s\nR 1 20.0 50000 3600 9.4127e+10 280 2\n";
    const std::string big = "  6.000 3.0e38 3.0e38\n  6.001 3.2e38 3.2e38\n  6.100 0.5 0\n";
    for (bool electrophoresis : {false, true}) {
        ScanTextOptions options;
        options.averagingWidth = 0.005f;
        options.electrophoresis = electrophoresis;
        ScanHeader header;
        ScanTextResult rows;
        ASSERT_EQ(ParseScanText(head + big, options, header, rows), ScanTextError::None);
        for (float v : rows.value)
            EXPECT_TRUE(std::isfinite(v)) << "electrophoresis " << electrophoresis;
        EXPECT_NEAR(rows.value[0], electrophoresis ? std::log10(1000.0 / 3.1e38) : 3.1e38,
                    electrophoresis ? 1e-3 : 1e33);
    }
    for (const char* header :
         {"R 1 20.0 50000 1e300 9.4e10 280 2\n", "R 1 20.0 50000 3600 1e300 280 2\n",
          "R 1 20.0 50000 3600 -1e39 280 2\n"}) {
        ScanHeader parsed;
        ScanTextResult rows;
        EXPECT_EQ(ParseScanText(std::string("[T OK]s\n") + header + "  6.0 0.5 0\n",
                                ScanTextOptions{}, parsed, rows),
                  ScanTextError::NumberTooLarge)
            << header;
    }

    // Rotor speed profile: a step beyond the float range makes the file unreadable; a repair
    // that would move a step beyond it is no repair, and no "_fixed" file is written.
    std::string steps = dir.write("speedsteps.txt", "0 1e39 200\n100 20000 200\n");
    CRotorSpeedProfile profile;
    script.expectBox().caption("Error").answer(IDOK);
    EXPECT_FALSE(profile.LoadFile(steps.c_str()));
    EXPECT_FALSE(profile.valid);
    std::vector<ErrorBoxEntry> boxes = TakeErrorBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "\n\aAttention: could not read from " + steps);
    steps = dir.write("speedsteps.txt", "3e38 1e30 1e-30\n3.1e38 2e30 1e-30\n");
    script.expectBox().caption("Error").answer(IDOK);
    profile.LoadFile(steps.c_str());
    for (int k = 1; k <= profile.stepCount; ++k)
        EXPECT_TRUE(std::isfinite(profile.stepStart[k])) << k;
    EXPECT_FALSE(std::filesystem::exists(steps + "_fixed"));
    boxes = TakeErrorBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "ERROR: rotor speed profile " + steps + " could not be fixed");

    // Experiment file: a 400-digit meniscus does not read, so it and the values after it keep
    // what the load gave them; the box names its line.
    ScanSetOptions set;
    set.count = 3;
    set.points = 600;
    std::vector<std::string> names = WriteScanSet(dir.path(), set);
    std::string xp = "0 (ExperimentType: SEDVELOCITY)\ndemo\n\"" + dir.path() + "\" \"";
    for (const std::string& n : names)
        xp += " " + n;
    xp += "\"\n0.998 (density)\n0.001002 (viscosity)\n0.73 (vbar)\n" + std::string(400, '9') +
          " (Meniscus)\n7.18 (Bottom)\n";
    script.expectBox().caption("ERROR").textHas("line 7 of ").answer(IDOK);
    ReadXpExperiment(nullptr, dir.write("demo.xp", xp).c_str());
    ASSERT_EQ(ScanStore::scanCount, 3);
    EXPECT_TRUE(std::isfinite(ModelParameters::meniscus));
    EXPECT_LT(ModelParameters::meniscus, 10.0f);
    EXPECT_FLOAT_EQ(ScanStore::vbar, 0.73f);

    // Light-scattering file: a header field or a value beyond the float range is refused and the
    // record is left as it was.
    for (const char* text : {"t\nA 20 1e300 1.00 1.333 0.01002 90 6.328e-07\n 1e-6 0.5\n",
                             "t\nA 20 0 1.00 1.333 0.01002 1e39 6.328e-07\n 1e-6 0.5\n",
                             "t\nA 20 0 1.00 1.333 0.01002 90 6.328e-07\n 1e-6 1e300\n"}) {
        DlsRecord record;
        std::strcpy(record.title, "before");
        int count = -1;
        float* lags = nullptr;
        float* values = nullptr;
        EXPECT_FALSE(ReadDlsGeneric(dir.write("bad.dlsdat", text).c_str(), &record, &count, &lags,
                                    &values, true))
            << text;
        EXPECT_STREQ(record.title, "before");
        EXPECT_EQ(count, -1);
    }

    // Lamm settings: NaN and infinity in any slot, a tolerance of 0, negative or NaN, a minimum
    // grid above the maximum and a truncation level whose power overflows keep the options.
    std::snprintf(gLammPreferencesPath, kPathBufferSize, "%s",
                  dir.file("tarnixlammparams.ini").c_str());
    float before[kLammOptionSlots];
    GetLammEqParameters(before);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Bad {
        int slot;
        float value;
    };
    for (Bad bad :
         {Bad{kSlotAutoChangeS, nan}, Bad{kSlotBackDiffusionLevel, inf},
          Bad{kSlotPointsPerSigma, inf}, Bad{kSlotSGrid, nan}, Bad{kSlotTolerance, 0.0f},
          Bad{kSlotTolerance, -1.0f}, Bad{kSlotTolerance, nan}, Bad{kSlotMinGridSize, 90000.0f},
          Bad{kSlotAutoChangeSOptimized, -inf}, Bad{kSlotLogTruncationLevel, 400.0f},
          Bad{kSlotLogTruncationLevel, -400.0f}, Bad{kSlotScanVelocity, nan},
          Bad{kSlotRadialRange, inf}, Bad{kSlotMaxDcOverC, inf}}) {
        float values[kLammPreferenceLines] = {};
        std::memcpy(values, before, sizeof before);
        values[bad.slot] = bad.value;
        std::string text;
        for (float v : values) {
            char line[64];
            std::snprintf(line, sizeof line, "%f\n", double(v));
            text += line;
        }
        WriteTextFile(gLammPreferencesPath, text);
        // A "nan" or "inf" line reads as no number, so such a file may be ignored as too short;
        // either way no option changes.
        ReadLammEqParameterPreferences(nullptr);
        float after[kLammOptionSlots];
        GetLammEqParameters(after);
        for (int k = 0; k < kLammOptionSlots; ++k)
            EXPECT_FLOAT_EQ(after[k], before[k]) << "slot " << bad.slot << " changed slot " << k;
        // The same values handed over directly.
        SetLammEqParameters(values);
        GetLammEqParameters(after);
        for (int k = 0; k < kLammOptionSlots; ++k)
            EXPECT_FLOAT_EQ(after[k], before[k]) << "slot " << bad.slot << " set slot " << k;
        EXPECT_GT(FitControl::tolerance, 0.0f);
        EXPECT_TRUE(std::isfinite(LammGrid::truncationLevel) && LammGrid::truncationLevel > 0.0);
    }
}

} // namespace

namespace {

// Values that no integer holds, from a dialog or a record, are converted without overflow (the
// sanitizer build checks each conversion): the data mark size and the light-scattering time.
TEST(OutOfRangeConversions, HugeValuesBecomeIntegersWithinRange) {
    ResetAllState();
    {
        MainWindowFixture f{700, 500};
        ScanSetOptions o;
        o.count = 3;
        o.points = 60;
        f.Load(o);
        f.script.expectInput().title("DATA MARK SIZE").answer("1e30");
        f.window->CmDataMarkSize();
        EXPECT_TRUE(f.script.done()) << f.script.logText();
        EXPECT_EQ(ScanStore::dataPlot->markSize, 1000000);
    }
    ResetAllState();

    TempFolder dir;
    DlsRecord record;
    record.time = 1e30;
    float lags[3] = {0.0f, -6.0f, -5.0f};
    float values[3] = {0.0f, 0.5f, 0.4f};
    std::string path = dir.file("out.dlsdat");
    ASSERT_TRUE(WriteDlsData(path.c_str(), 2, lags, values, "t", record));
    EXPECT_NE(ReadTextFile(path).find(" 9000000000000000000 "), std::string::npos)
        << ReadTextFile(path);
}

} // namespace
