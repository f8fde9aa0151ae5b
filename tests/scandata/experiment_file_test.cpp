// Experiment files: the scans named in line 3 (a folder starting with '_' lies beside the file),
// the values taken by position, and the files refused with their boxes.
#include "app/experiment_file.h"
#include "foundations/error_box_log.h"
#include "plat/msgbox.hpp"
#include "plat/testing.hpp"
#include "scandata/scan_store_alloc.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/reset_all_state.h"
#include "support/scan_set_generator.h"
#include "support/temp_folder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using S = ScanStore;

const char* const kValues[] = {"0.998230 (fBufferDensity)",
                               "0.001002 (fBufferViscosity)",
                               "0.730000 (VBAR)",
                               "5.920000 (Meniscus)",
                               "7.180000 (Bottom)",
                               "5.950000 (MAXMENISCUS)",
                               "5.890000 (MINMENISCUS)",
                               "7.200000 (MAXBOTTOM)",
                               "7.160000 (MINBOTTOM)",
                               "6.000000 (FitLeftLim)",
                               "7.000000 (FitRightLim)",
                               "1.000000 (WeightExperiment)",
                               "0.000000 (ExperimentalNoise)",
                               "1.000000 (blocalFitTimeIndepNoise)",
                               "1.000000 (blocalFitRINoise)",
                               "1.000000 (blocalAutoVaryBaseline)",
                               "2.000000 (blocalVaryBottom)",
                               "0.900000 (blocalVaryMeniscus)"};

class ExperimentFile : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAllState();
        TakeErrorBoxes();
        options.count = 3;
        options.points = 1200;
    }
    void TearDown() override { ResetAllState(); }

    // An experiment file in dir naming the scans of folder (written as given) with the first
    // valueCount values.
    std::string WriteXp(const std::string& folderText, const std::vector<std::string>& names,
                        int valueCount = 18,
                        const std::string& first = "0 (ExperimentType: SEDVELOCITY)") {
        std::string text = first + "\r\ndemo experiment\r\n\"" + folderText + "\" \"";
        for (const std::string& n : names)
            text += " " + n;
        text += "\"\r\n";
        for (int k = 0; k < valueCount; ++k)
            text += std::string(kValues[k]) + "\r\n";
        std::string path = dir.file("demo.xp");
        WriteTextFile(path, text);
        return path;
    }

    ScanSetOptions options;
    TempFolder dir;
    plat::test::Script script;
};

TEST_F(ExperimentFile, RelativeFolderLoadsTheScansAndTakesEveryValue) {
    std::filesystem::create_directory(dir.file("_run1"));
    std::vector<std::string> names = WriteScanSet(dir.file("_run1"), options);
    ReadXpExperiment(nullptr, WriteXp("_run1", names).c_str());
    ASSERT_EQ(S::scanCount, 3);
    EXPECT_EQ(ScanPaths::gDataDir, dir.file("_run1") + "/");
    EXPECT_EQ(S::fileStride, 1);
    EXPECT_FLOAT_EQ(S::density, 0.99823f);
    EXPECT_FLOAT_EQ(S::viscosity, 1.0f);
    EXPECT_FLOAT_EQ(S::vbarRho, 0.99823f * 0.73f);
    EXPECT_FLOAT_EQ(ModelParameters::meniscus, 5.92f);
    EXPECT_FLOAT_EQ(ModelParameters::fitValues[14], 7.18f);
    EXPECT_FLOAT_EQ(FitControl::maxMeniscus, 5.95f);
    EXPECT_FLOAT_EQ(FitControl::minBottom, 7.16f);
    EXPECT_NEAR(S::leftFitLimit, 6.0f, 1e-6);
    EXPECT_NEAR(S::rightFitLimit, 7.0f, 1e-6);
    EXPECT_TRUE(ModelChoice::fitTINoise);
    EXPECT_TRUE(ModelChoice::fitRINoise);
    EXPECT_EQ(ModelParameters::baselineFloat, 1);
    EXPECT_EQ(ModelParameters::bottomFloat, 1);
    EXPECT_EQ(ModelParameters::meniscusFloat, 0); // 0.9 rounds down
}

TEST_F(ExperimentFile, EndingAfterMinBottomKeepsTheLoadersFitLimits) {
    std::string folder = dir.file("Lauf März 3");
    std::filesystem::create_directory(folder);
    std::vector<std::string> names = WriteScanSet(folder, options);
    const std::string path = WriteXp(folder, names, 9);
    script.expectBox().caption("ERROR").text(
        "line 13 of " + path +
        " is missing: the file ends before it, and the values from it on are not read");
    ReadXpExperiment(nullptr, path.c_str());
    EXPECT_TRUE(script.done()) << script.logText();
    ASSERT_EQ(S::scanCount, 3);
    EXPECT_FLOAT_EQ(FitControl::minBottom, 7.16f);
    // The loader's limits: bottom - 0.15, since bottom was still unset while loading.
    float right = S::rightFitLimit;
    EXPECT_GT(right, 6.5f);
    EXPECT_LT(right, 7.0f);
}

TEST_F(ExperimentFile, RefusedFilesChangeNothing) {
    std::vector<std::string> names = WriteScanSet(dir.path(), options);
    struct Case {
        std::string path;
        std::string message;
    } cases[] = {
        {WriteXp(dir.path(), names, 18, "3 (ExperimentType: SEDEQUILIBRIUM)"),
         "can only load xp files from sedimentation velocity"},
        {dir.file("none.xp"), "could not open " + dir.file("none.xp")},
    };
    for (const Case& c : cases) {
        script.expectBox().caption("ERROR").text(c.message).answer(IDOK);
        ReadXpExperiment(nullptr, c.path.c_str());
        EXPECT_EQ(S::scanCount, 0) << c.message;
    }
    // An older file: the folder without quotes.
    WriteTextFile(dir.file("old.xp"), "0\ntitle\n" + dir.path() + " 00001.RA1\n");
    script.expectBox()
        .caption("ERROR")
        .text("old XP-file format (use newer version of mirovan)")
        .answer(IDOK);
    ReadXpExperiment(nullptr, dir.file("old.xp").c_str());
    EXPECT_EQ(S::scanCount, 0);
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_FLOAT_EQ(S::density, 1.0f);
}

} // namespace
