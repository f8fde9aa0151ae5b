// Sorting equilibrium scans to disk: one file per cell, wavelength and speed named by speed and
// wavelength, the experiment file of each group, intensity as absorbance, the blank's wavelength
// window, and the questions on attained equilibrium.
#include "app/txla_window.h"
#include "equilibrium/eq_data_sorting.h"
#include "foundations/nr_arrays.h"
#include "plat/testing.hpp"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_file.h"
#include "scandata/scan_store_alloc.h"
#include "support/main_window_fixture.h"
#include "support/store_builder.h"
#include "support/temp_folder.h"

#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

using S = ScanStore;

struct EqScan {
    const char* name;
    int cell;
    float wavelength;
    float rpm;
    double timeS;
    float level; // signal = level + 0.1 x (r - 6)
};

float Ramp(float r) {
    return 0.1f * (r - 6.0f);
}

class EqSorting : public ::testing::Test {
  protected:
    void Fill(const std::vector<EqScan>& scans) {
        std::vector<StoreScan> store;
        for (const EqScan& e : scans) {
            StoreScan s = EvenScan(6.0f, 0.01f, 40, e.timeS, Ramp);
            for (float& v : s.signal)
                v += e.level;
            s.name = e.name;
            store.push_back(s);
        }
        FillStore(store);
        for (std::size_t k = 0; k < scans.size(); ++k) {
            ScanHeader& h = S::header[k + 1];
            h.cell = scans[k].cell;
            h.wavelength = scans[k].wavelength;
            h.rotorSpeed = scans[k].rpm;
            h.dataType = 'R';
            std::snprintf(h.description, sizeof h.description, "eq scan");
        }
        ScanDataKind::absorbance = true;
    }
    void Accept(const char* text, int answer = IDYES) {
        f.script.expectBox().caption("EQ Test").text(text).answer(answer);
    }
    void Sort(const std::string& blank = "", bool makeXp = true) {
        SortEqDataToDisk(f.window.get(), out.file("eq.ra1"), blank, 5.0f, makeXp, 1.0f, 0.73f, 1.0f,
                         1.0f, 0.0f);
        EXPECT_TRUE(f.script.done()) << f.script.logText();
    }
    std::vector<float> Values(const std::string& name) {
        ScanHeader h;
        std::int32_t n = 0;
        float *r = nullptr, *v = nullptr;
        if (ReadScanFile(out.file(name).c_str(), &h, &n, &r, &v, nullptr, nullptr, 0.0f) != 1)
            return {};
        std::vector<float> values(v + 1, v + n + 1);
        free_vector(r, 1, n);
        free_vector(v, 1, n);
        return values;
    }

    MainWindowFixture f;
    TempFolder out;
};

TEST_F(EqSorting, OneFilePerSpeedAndAnExperimentFileListingThem) {
    Fill({{"00001.RA2", 2, 280, 10000, 3600, 0.2f}, {"00002.RA2", 2, 280, 15000, 7200, 0.4f}});
    Accept("accept EQ scan at 280 nm and 10000 rpm to be included? (no time-course available)");
    Accept("accept EQ scan at 280 nm and 15000 rpm to be included? (no time-course available)");
    Sort();
    EXPECT_NEAR(Values("eq10k_280.RA2").at(0), 0.2f, 1e-6f);
    EXPECT_NEAR(Values("eq15k_280.RA2").at(0), 0.4f, 1e-6f);
    std::string xp = ReadTextFile(out.file("cell2_280.xp"));
    std::string expectedStart =
        "4 (ExperimentType: MULTISEDEQ)\n(exported xp file from TARNIX)\n\"" + out.path() +
        "/\" \" eq10k_280.RA2 eq15k_280.RA2\"\n" +
        "1.000000 (fBufferDensity)\n0.001002 (fBufferViscosity)\n";
    EXPECT_EQ(xp.substr(0, expectedStart.size()), expectedStart);
    EXPECT_NE(xp.find("\n2 (NFILES)\n"), std::string::npos);
    EXPECT_NE(xp.find("\n8 (rotor type:  EIGHTHOLE)\n"), std::string::npos);
    EXPECT_NE(xp.find("\n0 (blocalFitRINoise)\n"), std::string::npos);
    EXPECT_NE(xp.find("0.000000e+00 (ppMultiLocalExtraConcs[2][3])\n"), std::string::npos);
    EXPECT_EQ(xp.substr(xp.size() - 17), "-1 (Temperature)\n");
    // The loaded scans are not changed.
    EXPECT_EQ(S::header[1].dataType, 'R');
}

TEST_F(EqSorting, DecliningAttainedEquilibriumWritesNothingForThatSpeed) {
    Fill({{"00001.RA1", 1, 280, 10000, 3600, 0.1f},
          {"00002.RA1", 1, 280, 10000, 7200, 0.2f},
          {"00003.RA1", 1, 280, 10000, 10800, 0.3f},
          {"00004.RA1", 1, 280, 20000, 14400, 0.5f}});
    Accept("was equilibrium attained at 280 nm and 10000 rpm?", IDNO);
    Accept("accept EQ scan at 280 nm and 20000 rpm to be included? (no time-course available)");
    Sort();
    EXPECT_FALSE(std::filesystem::exists(out.file("eq10k_280.RA1")));
    EXPECT_TRUE(std::filesystem::exists(out.file("eq20k_280.RA1")));
    std::string xp = ReadTextFile(out.file("cell1_280.xp"));
    EXPECT_EQ(xp.substr(0, 2), "3 ");
    EXPECT_NE(xp.find("\n1 (NFILES)\n"), std::string::npos);
}

TEST_F(EqSorting, AcceptedSeriesKeepsItsLatestScan) {
    Fill({{"00002.RA1", 1, 280, 10000, 7200, 0.2f},
          {"00003.RA1", 1, 280, 10000, 10800, 0.3f},
          {"00001.RA1", 1, 280, 10000, 3600, 0.1f}});
    Accept("was equilibrium attained at 280 nm and 10000 rpm?");
    Accept("accept EQ scan at 280 nm and 10000 rpm to be included? ");
    Sort("", false);
    EXPECT_NEAR(Values("eq10k_280.RA1").at(0), 0.3f, 1e-6f);
    EXPECT_FALSE(std::filesystem::exists(out.file("cell1_280.xp")));
}

TEST_F(EqSorting, BlankIsSubtractedOnlyWithinTheWavelengthWindow) {
    GeneratedScan blank;
    for (int k = 0; k < 60; ++k) {
        blank.radius.push_back(5.95 + 0.01 * k);
        blank.value.push_back(0.05);
        blank.third.push_back(0.0);
    }
    for (auto [wavelength, expected] : {std::pair{250.0, 0.2f}, {282.0, 0.15f}}) {
        Fill({{"00001.RA1", 1, 280, 10000, 3600, 0.2f}});
        blank.wavelength = wavelength;
        std::string path = out.write("blank.RA1", blank.Text());
        Accept("accept EQ scan at 280 nm and 10000 rpm to be included? (no time-course available)");
        Sort(path, false);
        EXPECT_NEAR(Values("eq10k_280.RA1").at(5), expected + Ramp(6.05f), 1e-5f) << wavelength;
        // Reading the blank leaves the loaded kind as it was.
        EXPECT_TRUE(ScanDataKind::absorbance);
    }
}

TEST_F(EqSorting, IntensityScansAreWrittenAsAbsorbance) {
    Fill({{"00001.RI1", 1, 280, 10000, 3600, 0.0f}});
    S::header[1].dataType = 'I';
    S::thirdColumn[1] = vector(1, 40);
    for (int k = 1; k <= 40; ++k) {
        S::signal[1][k] = 500.0f;
        S::thirdColumn[1][k] = 1000.0f;
    }
    S::signal[1][3] = 0.0f;
    Accept("accept EQ scan at 280 nm and 10000 rpm to be included? (no time-course available)");
    Sort("", false);
    std::string text = ReadTextFile(out.file("eq10k_280.Ra1"));
    EXPECT_EQ(text.substr(text.find('\n') + 1, 2), "R ");
    ScanReaderOptions::dropSpikes = false;
    std::vector<float> a = Values("eq10k_280.Ra1");
    ASSERT_EQ(a.size(), 40u);
    EXPECT_NEAR(a[0], std::log10(2.0), 1e-6);
    EXPECT_EQ(a[2], 10.0f);
    EXPECT_EQ(S::header[1].dataType, 'I');
}

TEST_F(EqSorting, CommandWithoutScansAsksToLoad) {
    f.script.expectBox().caption("Sort SE data").text("please load data first").answer(IDOK);
    plat::test::command(f.window.get(), 579);
    f.script.pumpUntilIdle();
    EXPECT_TRUE(f.script.done()) << f.script.logText();
}

TEST_F(EqSorting, CommandAsksItsQuestionsThenSorts) {
    Fill({{"00001.RA1", 1, 280, 10000, 3600, 0.2f}});
    f.script.expectFileSave()
        .title("select filename for sorted eq data")
        .answer(std::vector<std::string>{out.file("eq.ra1")});
    f.script.expectBox().caption("").text("make xp files?").answer(IDYES);
    for (const char* prompt :
         {"buffer density (g/ml)", "volume (ml/g)", "molar extinction coefficient A",
          "molar extinction coefficient B", "molar extinction coefficient C"})
        f.script.expectInput().caption("make MIROVAN xp file").promptHas(prompt).answer("1.5");
    Accept("accept EQ scan at 280 nm and 10000 rpm to be included? (no time-course available)");
    plat::test::command(f.window.get(), 579);
    f.script.pumpUntilIdle();
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    std::string xp = ReadTextFile(out.file("cell1_280.xp"));
    EXPECT_NE(xp.find("1.500000 (fBufferDensity)\n"), std::string::npos) << xp;
    EXPECT_NE(xp.find("1.500000 (xExtinctionCoeffC)\n"), std::string::npos);
}

TEST_F(EqSorting, TwoSpeedsOfOneThousandKeepTheirOwnFiles) {
    // Both speeds were written as eq12k_280.RA1: the second replaced the first and the
    // experiment file listed it twice.
    Fill({{"00001.RA1", 1, 280, 12000, 3600, 0.1f}, {"00002.RA1", 1, 280, 12001, 7200, 0.2f}});
    Accept("accept EQ scan at 280 nm and 12000 rpm to be included? (no time-course available)");
    Accept("accept EQ scan at 280 nm and 12001 rpm to be included? (no time-course available)");
    Sort();
    EXPECT_NEAR(Values("eq12k_280.RA1").at(0), 0.1f, 1e-6f);
    EXPECT_NEAR(Values("eq12001rpm_280.RA1").at(0), 0.2f, 1e-6f);
    std::string xp = ReadTextFile(out.file("cell1_280.xp"));
    EXPECT_NE(xp.find("\" eq12k_280.RA1 eq12001rpm_280.RA1\"\n"), std::string::npos);
    EXPECT_NE(xp.find("\n2 (NFILES)\n"), std::string::npos);
}

// The grouping walk is the one of the equilibrium test: a scan 5.1 nm from the first of its
// cell was counted as grouped yet belonged to no group, so it was never written; a speed that is
// no whole number opened one series per scan, each asked for and written again.
TEST_F(EqSorting, NearbyWavelengthsAndFractionalSpeedsAreEachWrittenOnce) {
    Fill({{"00001.RA1", 1, 279.5f, 12000, 3600, 0.1f},
          {"00002.RA1", 1, 284.6f, 12000, 3700, 0.2f},
          {"00003.RA2", 2, 280, 12000.5f, 3600, 0.3f},
          {"00004.RA2", 2, 280, 12000.5f, 7200, 0.3f},
          {"00005.RA2", 2, 280, 12000.5f, 10800, 0.4f}});
    Accept("accept EQ scan at 280 nm and 12000 rpm to be included? (no time-course available)");
    Accept("accept EQ scan at 285 nm and 12000 rpm to be included? (no time-course available)");
    Accept("was equilibrium attained at 280 nm and 12000 rpm?");
    Accept("accept EQ scan at 280 nm and 12000 rpm to be included? ");
    Sort("", false);
    EXPECT_NEAR(Values("eq12k_280.RA1").at(0), 0.1f, 1e-6f);
    EXPECT_NEAR(Values("eq12k_285.RA1").at(0), 0.2f, 1e-6f);
    // Cell 2's series is asked for and written once, from its latest scan.
    EXPECT_NEAR(Values("eq12k_280.RA2").at(0), 0.4f, 1e-6f);
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(out.path()))
        files += entry.is_regular_file();
    EXPECT_EQ(files, 3);
}

// A blank that cannot be read is reported and the sort goes on without it; the loaded scans stay.
TEST_F(EqSorting, AMissingBlankIsReportedAndTheSortGoesOnWithoutIt) {
    Fill({{"00001.RA1", 1, 280, 10000, 3600, 0.2f}});
    const float first = S::signal[1][1];
    f.script.expectBox().text("LOAD ERROR in blank").answer(IDOK);
    Accept("accept EQ scan at 280 nm and 10000 rpm to be included? (no time-course available)");
    Sort(out.file("no_such_blank.RA1"), false);
    EXPECT_NEAR(Values("eq10k_280.RA1").at(5), 0.2f + Ramp(6.05f), 1e-5f);
    EXPECT_EQ(S::scanCount, 1);
    EXPECT_EQ(S::signal[1][1], first);
    EXPECT_TRUE(ScanDataKind::absorbance);
}

// A deep folder and ten speeds make a name list of well over a thousand characters and paths
// beyond 260: every file is written and the experiment file lists every name whole.
TEST_F(EqSorting, LongFoldersAndManySpeedsKeepEveryName) {
    std::string folder = out.path();
    for (int level = 0; level < 5; ++level)
        folder += "/" + std::string(200, char('a' + level));
    ASSERT_TRUE(std::filesystem::create_directories(folder));
    std::vector<EqScan> scans;
    static const char* const names[10] = {"00001.RA1", "00002.RA1", "00003.RA1", "00004.RA1",
                                          "00005.RA1", "00006.RA1", "00007.RA1", "00008.RA1",
                                          "00009.RA1", "00010.RA1"};
    for (int k = 0; k < 10; ++k)
        scans.push_back({names[k], 1, 280, 10000.0f + 2000.0f * float(k), 3600.0 * (k + 1), 0.1f});
    Fill(scans);
    for (int k = 0; k < 10; ++k) {
        char text[200];
        std::snprintf(text, sizeof text,
                      "accept EQ scan at 280 nm and %d rpm to be included? (no time-course "
                      "available)",
                      10000 + 2000 * k);
        Accept(text);
    }
    SortEqDataToDisk(f.window.get(), folder + "/eq.ra1", "", 5.0f, true, 1.0f, 0.73f, 1.0f, 1.0f,
                     0.0f);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    std::string list = "\"" + folder + "/\" \"";
    for (int k = 0; k < 10; ++k) {
        const std::string name = "eq" + std::to_string(10 + 2 * k) + "k_280.RA1";
        EXPECT_TRUE(std::filesystem::exists(folder + "/" + name)) << name;
        list += " " + name;
    }
    list += "\"\n";
    ASSERT_GT(list.size(), 1000u);
    const std::string xp = ReadTextFile(folder + "/cell1_280.xp");
    EXPECT_NE(xp.find(list), std::string::npos) << xp.substr(0, 200);
    EXPECT_NE(xp.find("\n10 (NFILES)\n"), std::string::npos);
}

} // namespace

// Eleven speeds of one cell and wavelength: the eleventh has no room in the group. It used to be
// dropped without a word; the sort now says how many scans it leaves out and writes the others.
TEST_F(EqSorting, ScansBeyondTheSpeedLimitAreReportedNotDroppedSilently) {
    std::vector<EqScan> scans;
    static const char* names[] = {"00001.RA1", "00002.RA1", "00003.RA1", "00004.RA1",
                                  "00005.RA1", "00006.RA1", "00007.RA1", "00008.RA1",
                                  "00009.RA1", "00010.RA1", "00011.RA1"};
    for (int k = 0; k < 11; ++k)
        scans.push_back({names[k], 1, 280, 10000.0f + 1000.0f * float(k), 3600.0 * (k + 1), 0.1f});
    Fill(scans);
    f.script.expectBox()
        .caption("ATTENTION")
        .text("1 scans are not sorted: at most 200 groups of cell and wavelength with 10 speeds "
              "each are written")
        .answer(IDOK);
    for (int k = 0; k < 10; ++k) {
        char text[120];
        std::snprintf(text, sizeof text,
                      "accept EQ scan at 280 nm and %d rpm to be included? (no time-course "
                      "available)",
                      10000 + 1000 * k);
        Accept(text);
    }
    Sort("", false);
    EXPECT_TRUE(std::filesystem::exists(out.file("eq19k_280.RA1")));
    EXPECT_FALSE(std::filesystem::exists(out.file("eq20k_280.RA1")));
}
