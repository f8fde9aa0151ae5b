// Raw-data corrections of the loaded scans: each against its formula (so a sign or scale slip
// shows), the grid and fit ranges after radial changes, region exclusion with its views, blank
// subtraction, the light-scattering refusals and the commands' questions, including that
// nothing on disk changes when the user declines to save.
#include "app/load_all_data.h"
#include "foundations/ccurve.h"
#include "foundations/cvector.h"
#include "foundations/random_numbers.h"
#include "plat/testing.hpp"
#include "scandata/raw_data_corrections.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_file_list.h"
#include "scandata/scan_store_alloc.h"
#include "state/dls_data.h"
#include "state/model_parameters.h"
#include "support/main_window_fixture.h"
#include "support/scan_set_generator.h"
#include "support/temp_folder.h"

#include <cmath>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>

namespace {

using S = ScanStore;

// Every scan file of a folder with its bytes, to show that nothing was written. (The fixture
// keeps its per-scan rms file there too; the display rewrites it on every redraw.)
std::map<std::string, std::string> FolderContents(const std::string& folder) {
    std::map<std::string, std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        if (e.path().filename() != "ScanRms.dat")
            out[e.path().filename().string()] = ReadTextFile(e.path().string());
    return out;
}

// Linear interpolation of y(x) at r inside the ascending x.
float Interpolate(const std::vector<float>& x, const std::vector<float>& y, float r) {
    std::size_t k = 1;
    while (k + 1 < x.size() && x[k] < r)
        ++k;
    return y[k - 1] + (y[k] - y[k - 1]) * (r - x[k - 1]) / (x[k] - x[k - 1]);
}

class Corrections : public ::testing::Test {
  protected:
    void SetUp() override {
        options.count = 3;
        options.points = 60;
        Load();
    }
    void TearDown() override { gDlsData = false; }
    void Load() {
        names = WriteScanSet(f.data.path(), options);
        std::string selection = SelectionBuffer(f.data.path(), names);
        LoadAllData(f.window.get(), selection.c_str());
        ASSERT_EQ(S::scanCount, options.count);
        MakeTmpScanFileList(0);
        Remember();
    }
    void Remember() {
        radius.assign(S::scanCount + 1, {});
        signal.assign(S::scanCount + 1, {});
        for (int i = 1; i <= S::scanCount; ++i) {
            radius[i].assign(S::radius[i] + 1, S::radius[i] + S::pointCount[i] + 1);
            signal[i].assign(S::signal[i] + 1, S::signal[i] + S::pointCount[i] + 1);
        }
    }
    void Command(int id) {
        plat::test::command(f.window.get(), id);
        f.script.pumpUntilIdle();
    }
    // Every point of every scan against the expected value from its old radius and signal.
    void ExpectSignals(const std::function<float(float r, float v)>& expected, float tol,
                       const char* what) {
        for (int i = 1; i <= S::scanCount; ++i)
            for (int k = 1; k <= S::pointCount[i]; ++k)
                ASSERT_NEAR(S::signal[i][k], expected(radius[i][k - 1], signal[i][k - 1]), tol)
                    << what << " scan " << i << " point " << k;
    }

    MainWindowFixture f;
    ScanSetOptions options;
    std::vector<std::string> names;
    std::vector<std::vector<float>> radius, signal;
};

TEST_F(Corrections, PointwiseCorrectionsFollowTheirFormulas) {
    struct Case {
        const char* name;
        std::function<void()> apply;
        std::function<float(float, float)> expected;
    } cases[] = {
        {"invert", [] { InvertRawData(-1.0f); }, [](float, float v) { return -v; }},
        {"scale without noise", [] { ScaleScanSignals(0.0f, 2.5f); },
         [](float, float v) { return 2.5f * v; }},
        {"constant", [] { SubtractConstantFromScans(0.125f); },
         [](float, float v) { return v - 0.125f; }},
        // The fit holds 0.01 x radius, so adding or subtracting it is a known slope.
        {"add simulated", [] { AddSimulatedScans(1.0f); },
         [](float r, float v) { return v + 0.01f * r; }},
        {"subtract simulated", [] { AddSimulatedScans(-1.0f); },
         [](float r, float v) { return v - 0.01f * r; }},
    };
    for (const Case& c : cases) {
        Remember();
        for (int i = 1; i <= S::scanCount; ++i)
            for (int k = 1; k <= S::pointCount[i]; ++k)
                S::fit[i][k] = 0.01f * S::radius[i][k];
        S::dataChanged = false;
        c.apply();
        ExpectSignals(c.expected, 1e-6f, c.name);
        EXPECT_TRUE(S::dataChanged) << c.name;
        // The grid follows the corrected data (the corrections are affine, so they commute
        // with the linear interpolation onto the grid).
        ASSERT_NE(S::gridSignal, nullptr) << c.name;
        for (int g = 5; g <= 50; g += 15) {
            float r = S::gridRadius[g];
            EXPECT_NEAR(S::gridSignal[1][g], c.expected(r, Interpolate(radius[1], signal[1], r)),
                        1e-5f)
                << c.name << " grid point " << g;
        }
    }
}

// A deviate sequence the test knows: sigma x (-3, -2, ..., 3, -3, ...).
int gDeviates = 0;
double CountingDeviate(float sigma) {
    return sigma * (gDeviates++ % 7 - 3);
}

TEST_F(Corrections, NoiseIsAddedAfterScalingAndNegativeMagnitudeChangesNothing) {
    gDeviates = 0;
    ScaleScanSignals(-0.001f, 3.0f, CountingDeviate);
    EXPECT_EQ(gDeviates, 0);
    ExpectSignals([](float, float v) { return v; }, 0.0f, "negative noise");
    ScaleScanSignals(0.01f, 2.0f, CountingDeviate);
    int j = 0;
    for (int i = 1; i <= S::scanCount; ++i)
        for (int k = 1; k <= S::pointCount[i]; ++k, ++j)
            ASSERT_FLOAT_EQ(S::signal[i][k],
                            static_cast<float>(2.0f * signal[i][k - 1] + 0.01f * (j % 7 - 3)))
                << i << " " << k;
}

TEST_F(Corrections, GaussianNoiseHasTheAskedSpread) {
    options.points = 1000;
    Load();
    ScaleScanSignals(0.01f, 1.0f);
    double sum = 0.0, squares = 0.0;
    int n = 0;
    for (int i = 1; i <= S::scanCount; ++i)
        for (int k = 1; k <= S::pointCount[i]; ++k, ++n) {
            double d = S::signal[i][k] - signal[i][k - 1];
            sum += d;
            squares += d * d;
        }
    double mean = sum / n, sd = std::sqrt(squares / n - mean * mean);
    // Six standard errors: 0.01 / sqrt(3000) for the mean, 0.01 / sqrt(6000) for the spread.
    EXPECT_NEAR(mean, 0.0, 6 * 0.01 / std::sqrt(3000.0));
    EXPECT_NEAR(sd, 0.01, 6 * 0.01 / std::sqrt(6000.0));
}

TEST_F(Corrections, RecalibrationMapsTheObservedMarksOntoTheReferenceRadii) {
    f.script.expectBox().caption("RECALIBRATE RADIUS").textHas("counterbalance image").answer(IDOK);
    f.script.expectInput()
        .caption("RECALIBRATE RADIUS")
        .prompt("left transition grey-black was at")
        .answer("5.9");
    f.script.expectInput().prompt("right transition grey-black was at").answer("7.1");
    f.script.expectBox().caption("").text("save new data?").answer(IDNO);
    Command(549);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    // 5.85 -> 5.9 and 7.15 -> 7.1: r' = 5.9 + (r - 5.85) x 1.2 / 1.3.
    for (int i = 1; i <= S::scanCount; ++i)
        for (int k = 1; k <= S::pointCount[i]; k += 7)
            EXPECT_NEAR(S::radius[i][k], 5.9 + (radius[i][k - 1] - 5.85) * 1.2 / 1.3, 2e-6);
}

TEST_F(Corrections, MirrorExchangesTheReferenceRadiiAndRebuildsTheGrid) {
    ModelParameters::meniscus = 5.8f;
    ModelParameters::bottom = 7.3f;
    // Limits inside the mirrored radii (6.991 .. 7.05), so no box lowers them.
    S::leftFitLimit = 7.02f;
    S::rightFitLimit = 7.04f;
    MirrorRawData(7.15f, 5.85f, true);
    for (int i = 1; i <= S::scanCount; ++i) {
        int n = S::pointCount[i];
        for (int k = 1; k <= n; ++k) {
            // Point k is the old point n + 1 - k, reflected about the middle of 5.85 and 7.15.
            ASSERT_NEAR(S::radius[i][k], 13.0f - radius[i][n - k], 1e-5f);
            ASSERT_EQ(S::signal[i][k], -signal[i][n - k]);
        }
        EXPECT_GT(S::radius[i][2], S::radius[i][1]);
    }
    // The grid lies on the mirrored radii, and the fit ranges inside them.
    EXPECT_NEAR(S::gridRadius[1], 13.0f - radius[1].back() + 0.001f, 2e-4f);
    for (int i = 1; i <= S::scanCount; ++i) {
        EXPECT_LE(S::firstFitIndex[i], S::lastFitIndex[i]);
        EXPECT_GE(S::radius[i][S::firstFitIndex[i]], S::leftFitLimit - 1e-4f);
        EXPECT_LE(S::radius[i][S::lastFitIndex[i]], S::rightFitLimit + 1e-4f);
    }
}

TEST_F(Corrections, TimeOffsetReachesTheFilesNotTheAnalysisTimes) {
    double time1 = S::header[1].time, w2t1 = S::header[1].omega2t;
    AddTimeOffset(100.0f, 2.5e9f);
    EXPECT_EQ(S::header[1].time, time1);
    EXPECT_EQ(S::header[1].originalTime, time1 + 100.0);
    EXPECT_EQ(S::header[1].omega2t, w2t1 + 2.5e9);
    TempFolder out;
    f.script.expectBox().textHas("wavelenth/speed").answer(IDNO);
    f.script.expectFileSave().answer(std::vector<std::string>{out.file("x.rxx")});
    f.window->CmSaveRawDataSet();
    std::string selection = SelectionBuffer(out.path(), {"x" + names[0], "x" + names[1]});
    LoadAllData(f.window.get(), selection.c_str());
    ASSERT_EQ(S::scanCount, 2);
    EXPECT_EQ(S::header[1].time, time1 + 100.0);
    EXPECT_NEAR(S::header[1].omega2t, w2t1 + 2.5e9, 1e-4 * w2t1);
}

TEST_F(Corrections, ExcludingARegionCutsEveryScanAndReattachesItsViews) {
    float lo = radius[1][10], hi = radius[1][19];
    ExcludeRadialRegion(lo, hi);
    for (int i = 1; i <= S::scanCount; ++i) {
        int n = S::pointCount[i];
        ASSERT_EQ(n, 50);
        for (int k = 1; k <= n; ++k)
            ASSERT_TRUE(S::radius[i][k] < lo || S::radius[i][k] > hi);
        EXPECT_EQ(S::radius[i][11], radius[i][20]);
        EXPECT_EQ(S::signal[i][11], signal[i][20]);
        EXPECT_EQ(S::fit[i][n], 0.0f);
        CVector* view = S::scanVectors[i].v[kRadiusVector];
        EXPECT_EQ(view->length, static_cast<std::uint32_t>(n));
        EXPECT_EQ(S::scanCurves[i].c[kSignalCurve]->Count(), static_cast<std::uint32_t>(n));
        EXPECT_EQ(view->data, S::radius[i] + 1);
    }
    EXPECT_EQ(S::gridCount > 0, true);
}

TEST_F(Corrections, ExcludingBetweenPointsOrOutsideScanOneLeavesTheArrays) {
    float* before = S::radius[1];
    struct Case {
        const char* name;
        float lo, hi;
    } cases[] = {
        {"between two points", radius[1][5] + 0.0002f, radius[1][5] + 0.0008f},
        {"reversed", radius[1][20], radius[1][10]},
        {"below scan 1", radius[1][0] - 0.01f, radius[1][10]},
        {"beyond scan 1", radius[1][10], radius[1].back() + 0.01f},
    };
    for (const Case& c : cases) {
        ExcludeRadialRegion(c.lo, c.hi);
        EXPECT_EQ(S::pointCount[1], 60) << c.name;
        EXPECT_EQ(S::radius[1], before) << c.name;
    }
}

TEST_F(Corrections, BlankIsInterpolatedOntoEachScanAndKindsStay) {
    // An interference blank, linear in r, on radii of its own: interpolation is exact.
    GeneratedScan blank = ExampleInterference();
    blank.radius.clear();
    blank.value.clear();
    for (int k = 0; k <= 60; ++k) {
        blank.radius.push_back(5.9 + 0.0025 * k);
        blank.value.push_back(0.5 * (5.9 + 0.0025 * k) - 2.0);
    }
    std::string path = f.data.write("blank.IP1", blank.Text());
    SubtractBlankScan(path);
    ExpectSignals([](float r, float v) { return v - (0.5f * r - 2.0f); }, 2e-5f, "blank");
    EXPECT_TRUE(ScanDataKind::absorbance);
    EXPECT_FALSE(ScanDataKind::interference);
}

TEST_F(Corrections, UnreadableBlankChangesNothing) {
    f.script.expectBox().caption("Error").text("LOAD ERROR").answer(IDOK);
    SubtractBlankScan(f.data.file("missing.RA1"));
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    ExpectSignals([](float, float v) { return v; }, 0.0f, "missing blank");
}

TEST_F(Corrections, LightScatteringDataAreRefusedByTheSignalCorrections) {
    gDlsData = true;
    std::pair<const char*, std::function<void()>> routines[] = {
        {"invert", [] { InvertRawData(-1.0f); }},
        {"recalibrate", [] { RecalibrateRadius(2.0f, 1.0f); }},
        {"simulated", [] { AddSimulatedScans(1.0f); }},
        {"mirror", [] { MirrorRawData(5.85f, 7.15f, true); }},
        {"blank", [this] { SubtractBlankScan(f.data.file(names[0])); }},
    };
    for (auto& [name, run] : routines) {
        f.script.expectBox().caption("ERROR").text("not implemented for DLS data").answer(IDOK);
        run();
        EXPECT_TRUE(f.script.done()) << name;
    }
    gDlsData = false;
    ExpectSignals([](float, float v) { return v; }, 0.0f, "refused");
    EXPECT_EQ(S::radius[1][1], radius[1][0]);
}

TEST_F(Corrections, DecliningToSaveLeavesTheDiskAsItWas) {
    std::map<std::string, std::string> before = FolderContents(f.data.path());
    f.script.expectInput().caption("SUBTRACT CONSTANT").answer("0.25");
    f.script.expectBox().caption("").text("save data?").answer(IDNO);
    Command(634);
    f.script.expectBox().text("save new data?").answer(IDNO);
    Command(535);
    f.script.expectInput().caption("SCALE SIGNAL").answer("2");
    f.script.expectInput().caption("ADD NOISE TO DATA").answer("0");
    f.script.expectBox().text("save data?").answer(IDNO);
    Command(551);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    ExpectSignals([](float, float v) { return -2.0f * (v - 0.25f); }, 1e-5f, "three commands");
    EXPECT_EQ(FolderContents(f.data.path()), before);
}

TEST_F(Corrections, CancelledBlankDialogStillOffersToSave) {
    f.script.expectFileOpen().title("select blank scan to be subtracted").cancel();
    f.script.expectBox().caption("").text("save data?").answer(IDNO);
    Command(283);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
}

TEST_F(Corrections, DecliningTheRegionQuestionExcludesNothing) {
    f.script.expectBox().caption("exclude data from scans").answer(IDNO);
    Command(581);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_EQ(S::pointCount[1], 60);
}

TEST_F(Corrections, AlignedCopiesAreNamedByTheResultRule) {
    TempFolder out;
    ASSERT_TRUE(SaveAlignedScans(out.file("a0000x.rxx")));
    std::string text = ReadTextFile(out.file("a0001.RA1"));
    EXPECT_EQ(text.substr(0, text.find('\n')), "[T OK]aligned 00001.RA1");
}

TEST_F(Corrections, SetNColumnsRefusesFewerThanTwoColumns) {
    f.script.expectInput().caption("SET N COLUMNS").answer("1");
    f.script.expectInput().caption("SET N COLUMNS").answer("4.7");
    Command(265);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_TRUE(ScanReaderOptions::nColumnsMode);
    EXPECT_EQ(ScanReaderOptions::nColumns, 4);
    Command(265);
    EXPECT_FALSE(ScanReaderOptions::nColumnsMode);
}

} // namespace
