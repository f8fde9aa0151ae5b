// Light-scattering files as scans of the store: time order with every per-scan entry moved
// together, the solution constants and model switches the load sets, a bad file that leaves the
// store empty, and the mean function written back in the program's own format.
#include "app/load_all_data.h"
#include "foundations/ccurve.h"
#include "foundations/error_box_log.h"
#include "foundations/nr_arrays.h"
#include "plat/msgbox.hpp"
#include "plat/testing.hpp"
#include "scandata/dls_data_set.h"
#include "scandata/dls_file.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/display_options.h"
#include "state/dls_data.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/preference_switches.h"
#include "support/dls_file_generator.h"
#include "support/reset_all_state.h"
#include "support/scan_set_generator.h"
#include "support/temp_folder.h"

#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using S = ScanStore;
using P = ScanPaths;
using M = ModelParameters;

class DlsDataSet : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAllState();
        TakeErrorBoxes();
    }
    void TearDown() override { ResetAllState(); }

    std::string Write(const std::string& name, const DlsFileContent& content) {
        dir.write(name, DlsFileText(content));
        return name;
    }
    void Load(const std::vector<std::string>& names) {
        std::string selection = SelectionBuffer(dir.path(), names);
        LoadDlsData(nullptr, selection.c_str());
    }
    // Loads two functions whose values are a and b at every lag.
    void LoadConstantPair(double a, double b) {
        DlsFileContent first = DecayFile(6, 1e-3, 10.0);
        DlsFileContent second = first;
        first.values.assign(6, a);
        second.values.assign(6, b);
        second.time = 20.0;
        first.temperature = 20.0;
        second.temperature = 25.0;
        Load({Write("a.dlsdat1", first), Write("b.dlsdat1", second)});
        ASSERT_EQ(S::scanCount, 2);
    }

    TempFolder dir;
    plat::test::Script script;
};

TEST_F(DlsDataSet, FilesInReverseTimeOrderAreStoredInTimeOrder) {
    // Different lengths, so that any entry left behind by the reordering shows.
    Load({Write("late.dlsdat", DecayFile(12, 1e-3, 300.0)),
          Write("mid.dlsdat", DecayFile(10, 1e-4, 200.0)),
          Write("early.dlsdat", DecayFile(8, 1e-5, 100.0))});
    ASSERT_EQ(S::scanCount, 3);
    const struct {
        const char* name;
        int points;
        double time;
        double tau;
    } expected[] = {{"early.dlsdat", 8, 100.0, 1e-5},
                    {"mid.dlsdat", 10, 200.0, 1e-4},
                    {"late.dlsdat", 12, 300.0, 1e-3}};
    for (int i = 1; i <= 3; ++i) {
        const auto& e = expected[i - 1];
        EXPECT_STREQ(S::scanFileName[i], e.name);
        EXPECT_EQ(S::scanOrder[i], i);
        EXPECT_EQ(S::pointCount[i], e.points) << e.name;
        EXPECT_EQ(S::dlsRecords[i].pointCount, e.points) << e.name;
        EXPECT_EQ(S::dlsRecords[i].time, e.time) << e.name;
        int n = S::pointCount[i];
        // The lags stand as log10 s in the radius array, g(1) in the signal.
        EXPECT_NEAR(S::radius[i][1], -6.0f, 1e-5);
        EXPECT_NEAR(S::radius[i][n], -6.0f + (n - 1) / 8.0f, 1e-5);
        double lag = std::pow(10.0, S::radius[i][n]);
        EXPECT_NEAR(S::signal[i][n], std::exp(-lag / e.tau), 1e-4) << e.name;
        for (int k = 1; k <= n; ++k) {
            EXPECT_EQ(S::residuals[i][k], S::signal[i][k]);
            EXPECT_EQ(S::fit[i][k], 0.0f);
            EXPECT_EQ(S::work[i][k], 0.0f);
        }
        // The curves travel with their arrays.
        const CCurve* curve = S::scanCurves[i].c[kSignalCurve];
        ASSERT_NE(curve, nullptr);
        EXPECT_EQ(curve->Count(), static_cast<std::uint32_t>(n));
        EXPECT_EQ(curve->x->data, S::radius[i] + 1);
        EXPECT_EQ(curve->y->data, S::signal[i] + 1);
        EXPECT_EQ(S::scanCurves[i].c[kResidualsCurve]->y->data, S::residuals[i] + 1);
    }
    EXPECT_TRUE(gDlsData);
    EXPECT_GT(S::gridCount, 0);
}

TEST_F(DlsDataSet, OneFileLoadsAsOneScanWithTheFoldersPaths) {
    struct Case {
        bool oldNames;
        std::string notes;
        std::string analysis;
    } cases[] = {
        {false, "notes.dlsdat2", "~tmppars.dlsdat2"},
        {true, "single.not", "single.~p"},
    };
    std::string path = dir.write("single.dlsdat2", DlsFileText(DecayFile(16, 1e-4, 5.0)));
    for (const Case& c : cases) {
        gOldFilenameConvention = c.oldNames;
        std::string selection = path + '\0' + '\0';
        LoadDlsData(nullptr, selection.c_str());
        ASSERT_EQ(S::scanCount, 1);
        EXPECT_STREQ(S::scanFileName[1], "single.dlsdat2");
        EXPECT_EQ(P::gLoadSelection, path);
        EXPECT_EQ(P::gDataDir, dir.path() + "/");
        EXPECT_EQ(P::gNotesPath, dir.file(c.notes));
        EXPECT_EQ(P::gDataPath, dir.file(c.analysis));
    }
}

TEST_F(DlsDataSet, SolutionConstantsLimitsAndSwitches) {
    ScanDataKind::absorbance = true;
    ModelChoice::equilibriumModel = true;
    ModelChoice::fitTINoise = ModelChoice::fitRINoise = true;
    ContiState::timeDependentSAndM = true;
    ContiState::ordinaryAnalysisMode = false;
    M::meniscusFloat = M::bottomFloat = 1;
    M::baselineFloat = 0;
    DlsFileContent warm = DecayFile(24, 1e-4, 60.0);
    DlsFileContent cool = DecayFile(24, 1e-4, 30.0);
    warm.temperature = 25.9; // held as 25
    cool.temperature = 20.0;
    warm.viscosity = 0.00890;
    cool.viscosity = 0.01002;
    Load({Write("warm.dlsdat", warm), Write("cool.dlsdat", cool)});
    ASSERT_EQ(S::scanCount, 2);

    EXPECT_NEAR(S::absoluteTemperature, 295.65f, 1e-3);
    EXPECT_NEAR(S::gasConstantTemperature, 295.65 * 8.31451e7, 1e5);
    EXPECT_NEAR(S::viscosity, 99.80039920159682 * (0.00890 + 0.01002) / 2, 1e-5);
    // Meniscus and bottom span the first selected file's lags, fixed; the baseline floats.
    EXPECT_NEAR(M::meniscus, -6.0f, 1e-5);
    EXPECT_NEAR(M::bottom, -6.0f + 23 / 8.0f, 1e-5);
    EXPECT_EQ(M::fitValues[13], M::meniscus);
    EXPECT_EQ(M::fitValues[14], M::bottom);
    EXPECT_EQ(S::leftFitLimit, M::meniscus);
    EXPECT_EQ(S::rightFitLimit, M::bottom);
    EXPECT_EQ(M::meniscusFloat, 0);
    EXPECT_EQ(M::bottomFloat, 0);
    EXPECT_EQ(M::fitFloat[13], 0);
    EXPECT_EQ(M::fitFloat[14], 0);
    EXPECT_EQ(M::baselineFloat, 1);
    EXPECT_EQ(M::fitFloat[15], 1);
    EXPECT_FALSE(ScanDataKind::absorbance);
    EXPECT_FALSE(ScanDataKind::interference);
    EXPECT_FALSE(ModelChoice::equilibriumModel);
    EXPECT_FALSE(ModelChoice::fitTINoise);
    EXPECT_FALSE(ModelChoice::fitRINoise);
    EXPECT_FALSE(ContiState::timeDependentSAndM);
    EXPECT_TRUE(ContiState::ordinaryAnalysisMode);
    EXPECT_FALSE(S::resultAvailable);
    // Identical lags: the grid is the first function's lags and the signals themselves.
    EXPECT_FALSE(S::gridSignalAllocated);
    EXPECT_EQ(S::gridRadius, S::radius[1]);
    EXPECT_EQ(S::gridFirstFit, 1);
    EXPECT_EQ(S::gridLastFit, 24);
}

TEST_F(DlsDataSet, FitLimitsInsideTheLagsStay) {
    struct Case {
        const char* name;
        float left, right;
        float expectedLeft, expectedRight;
    } cases[] = {
        {"inside", -5.0f, -4.0f, -5.0f, -4.0f},
        {"left beyond the bottom", -2.0f, -1.5f, -6.0f, -3.125f},
        {"right below the meniscus", -7.0f, -6.5f, -6.0f, -3.125f},
        {"right unset", -5.0f, 0.0f, -6.0f, -3.125f},
    };
    std::vector<std::string> names = {Write("x.dlsdat", DecayFile(24, 1e-4, 1.0))};
    for (const Case& c : cases) {
        S::leftFitLimit = c.left;
        S::rightFitLimit = c.right;
        Load(names);
        ASSERT_EQ(S::scanCount, 1);
        EXPECT_NEAR(S::leftFitLimit, c.expectedLeft, 1e-5) << c.name;
        EXPECT_NEAR(S::rightFitLimit, c.expectedRight, 1e-5) << c.name;
    }
}

TEST_F(DlsDataSet, UnreadableFileLeavesTheStoreEmpty) {
    std::vector<std::string> names = {Write("a.dlsdat", DecayFile(8, 1e-4, 1.0)),
                                      Write("b.dlsdat", DecayFile(8, 1e-4, 2.0))};
    Load(names);
    ASSERT_EQ(S::scanCount, 2);
    dir.write("bad.dlsdat", "title\nB 20 0 1 1 1 1 1\n 1e-6 0.5\n");
    names.insert(names.begin() + 1, "bad.dlsdat");
    script.expectBox().caption("LOAD ERROR").text(dir.file("bad.dlsdat")).answer(IDOK);
    Load(names);
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_EQ(S::scanCount, 0);
    EXPECT_EQ(S::dlsRecords, nullptr);
    EXPECT_EQ(S::radius, nullptr);
    EXPECT_EQ(S::gridRadius, nullptr);

    // A missing file likewise.
    script.expectBox().caption("LOAD ERROR").text(dir.file("gone.dlsdat")).answer(IDOK);
    Load({"a.dlsdat", "gone.dlsdat"});
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_EQ(S::scanCount, 0);
}

// Different lag grids give the store a grid of its own, which goes with the next load.
TEST_F(DlsDataSet, OwnLagGridIsFreedByTheNextLoad) {
    DlsFileContent shifted = DecayFile(16, 1e-4, 2.0);
    for (double& lag : shifted.lags)
        lag *= 1.5;
    Load({Write("a.dlsdat", DecayFile(16, 1e-4, 1.0)), Write("b.dlsdat", shifted)});
    ASSERT_EQ(S::scanCount, 2);
    EXPECT_TRUE(S::gridSignalAllocated);
    EXPECT_NE(S::gridRadius, S::radius[1]);
    Load({"a.dlsdat"});
    EXPECT_EQ(S::scanCount, 1);
    EXPECT_FALSE(S::gridSignalAllocated);
}

TEST_F(DlsDataSet, MeanFunctionIsWrittenAsIntensityCorrelation) {
    struct Case {
        const char* name;
        bool keepIntensity; // preference "always load intensity autocorrelation g(2)-1"
        double a, b;        // g(2)-1 of the two files
        float mean;         // g(2)-1 written
    } cases[] = {
        {"g(1) loaded: squared back before the mean", false, 0.25, 0.25, 0.25f},
        {"signed: 0.5 and -0.5 in g(1) cancel", false, 0.25, -0.25, 0.0f},
        {"g(2)-1 loaded: averaged as it is", true, 0.25, 0.09, 0.17f},
    };
    for (const Case& c : cases) {
        gAlwaysLoadG2 = c.keepIntensity;
        LoadConstantPair(c.a, c.b);
        std::string path = dir.file("mean.dlsdat");
        ASSERT_TRUE(SaveMeanDlsData(path.c_str())) << c.name;
        EXPECT_EQ(S::dlsRecords[1].temperature, 20.0f) << "record 1 gets its own back";
        EXPECT_FALSE(gDlsSquareBack);

        int count = 0;
        float* lags = nullptr;
        float* values = nullptr;
        DlsRecord record;
        ASSERT_TRUE(ReadDlsGeneric(path.c_str(), &record, &count, &lags, &values, true));
        EXPECT_EQ(count, S::gridCount) << c.name;
        EXPECT_STREQ(record.title, "averaged");
        EXPECT_EQ(record.temperature, 22.0f) << "mean 22.5 C, held truncated";
        EXPECT_EQ(record.time, 10.0);
        for (int k = 1; k <= count; ++k) {
            EXPECT_NEAR(values[k], c.mean, 1e-5) << c.name << " point " << k;
            EXPECT_NEAR(lags[k], S::gridRadius[k], 1e-5);
        }
        free_vector(lags, 1, count);
        free_vector(values, 1, count);
    }
}

TEST_F(DlsDataSet, NoMeanWithoutLightScatteringData) {
    std::string path = dir.file("mean.dlsdat");
    EXPECT_FALSE(SaveMeanDlsData(path.c_str()));
    ScanSetOptions options;
    options.count = 3;
    std::vector<std::string> names = WriteScanSet(dir.path(), options);
    std::string selection = SelectionBuffer(dir.path(), names);
    script.onUnexpected(plat::test::Unexpected::DefaultButton);
    LoadAllData(nullptr, selection.c_str());
    ASSERT_EQ(S::scanCount, 3);
    EXPECT_FALSE(SaveMeanDlsData(path.c_str()));
    EXPECT_FALSE(std::ifstream(path).good());
}

} // namespace
