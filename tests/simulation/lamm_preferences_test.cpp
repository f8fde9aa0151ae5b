// The Lamm equation options file "tarnixlammparams.ini": what it stores, what a short or
// commented file does, and which values are kept out because the solvers could not run on them.
#include "scandata/scan_store_alloc.h"
#include "simulation/lamm_preferences.h"
#include "state/fit_control.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/startup_paths.h"
#include "support/reset_all_state.h"
#include "support/temp_folder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

class LammPreferences : public ::testing::Test {
  protected:
    void SetUp() override { Reset(); }
    void TearDown() override { ResetAllState(); }
    // Every record back to its defaults, the settings file in the test's folder.
    void Reset() {
        ResetAllState();
        std::snprintf(gLammPreferencesPath, kPathBufferSize, "%s",
                      folder.file("tarnixlammparams.ini").c_str());
    }
    // A file of the given values, one per line, each line followed by tail.
    void WriteValues(const float* v, int count, const char* tail = "") {
        std::string text;
        for (int k = 0; k < count; ++k) {
            char line[80];
            std::snprintf(line, sizeof line, "%f%s\n", double(v[k]), tail);
            text += line;
        }
        WriteTextFile(gLammPreferencesPath, text);
    }

    TempFolder folder;
};

// Options away from their start-up values, in every kind of slot.
void ChangeEveryOption() {
    LammGrid::autoChangeS = 6.5f;
    LammGrid::shutOffBackDiffusion = false;
    LammGrid::backDiffusionLevel = 2e-3;
    ModelParameters::autoGridSize = false;
    LammGrid::defaultGridSize = 640;
    ModelParameters::pointsPerSigma = 8.5f;
    ModelParameters::maxGridSize = 3000;
    ModelParameters::minGridSize = 90;
    ScanStore::timesFromW2t = true;
    ModelChoice::automaticAlgorithm = false;
    ModelChoice::fixedTimeStep = true;
    ModelChoice::claverieAlgorithm = true;
    ModelChoice::movingHatAlgorithm = false;
    LammGrid::automaticSGrid = false;
    LammGrid::sGrid = 2.5;
    FitControl::tolerance = 0.005f;
    LammGrid::maxDcOverC = 0.25;
    LammGrid::autoChangeSOptimized = 45.0f;
    LammGrid::optimizeGridSpacing = false;
    ModelParameters::experimentalInitialDistribution = true;
    ModelParameters::constantInitialDistribution = false;
    LammGrid::truncateGrid = false;
    LammGrid::truncationLevel = 1e-4;
    LammGrid::simulateTimeResolution = true;
    LammGrid::simulateRadialResolution = true;
    LammGrid::scanVelocity = 3.5f;
    LammGrid::radialConvolutionRange = 0.012f;
    ScanStore::checkAcceleration = false;
}

} // namespace

// Saved and read back, every option returns; the file holds 31 lines of "%f" with the truncation
// level as its logarithm and the unused lines 0.
TEST_F(LammPreferences, SavedOptionsReadBack) {
    ChangeEveryOption();
    float expected[kLammOptionSlots];
    GetLammEqParameters(expected);
    ASSERT_TRUE(SaveLammEqParameterPreferences(nullptr));
    const std::string text = ReadTextFile(gLammPreferencesPath);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), kLammPreferenceLines);
    EXPECT_NE(text.find("\n-4.000000\n"), std::string::npos) << "log10 of the truncation level";
    EXPECT_NE(text.find("\n640.000000\n"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 36), "0.000000\n0.000000\n0.000000\n0.000000\n");

    Reset();
    ASSERT_TRUE(ReadLammEqParameterPreferences(nullptr));
    float read[kLammOptionSlots];
    GetLammEqParameters(read);
    for (int k = 0; k < kLammOptionSlots; ++k)
        EXPECT_NEAR(read[k], expected[k], 1e-6f * std::fabs(expected[k])) << "slot " << k;
    EXPECT_FALSE(ScanStore::rampRotorSpeed) << "ramp is the negation of times from wwt";
    EXPECT_FALSE(ModelParameters::constantInitialDistribution);
}

// 30 values are enough; 29 change nothing; text after the number on a line is not read.
TEST_F(LammPreferences, ShortFilesAndComments) {
    struct Case {
        const char* name;
        int count;
        const char* tail;
        bool applied;
    };
    const Case cases[] = {
        {"30 values", 30, "", true},
        {"29 values", 29, "", false},
        {"comments after the numbers", 31, "  # a note", true},
    };
    for (const Case& c : cases) {
        Reset();
        float v[kLammPreferenceLines] = {};
        GetLammEqParameters(v);
        v[kSlotDefaultGridSize] = 750.0f;
        v[kSlotLogTruncationLevel] = -5.0f;
        WriteValues(v, c.count, c.tail);
        EXPECT_EQ(ReadLammEqParameterPreferences(nullptr), c.applied) << c.name;
        EXPECT_EQ(LammGrid::defaultGridSize, c.applied ? 750 : 1000) << c.name;
        EXPECT_NEAR(LammGrid::truncationLevel, c.applied ? 1e-5 : 1e-6, 1e-9) << c.name;
    }
}

TEST_F(LammPreferences, MissingFileKeepsTheBuiltInValues) {
    EXPECT_FALSE(ReadLammEqParameterPreferences(nullptr));
    EXPECT_EQ(LammGrid::defaultGridSize, 1000);
    EXPECT_TRUE(ModelChoice::automaticAlgorithm);
    EXPECT_TRUE(ModelChoice::movingHatAlgorithm);
    EXPECT_FALSE(ModelChoice::claverieAlgorithm);
}

// A file may hold values with which no solution can run: a max dc/c of 0 makes every time step
// 0 (the time loop never ends), a grid of 0 or 1 point has no spacing and a huge one cannot be
// allocated, 0 points per sigma gives an empty automatic grid. Those options keep their values;
// both or neither algorithm keep one of them.
TEST_F(LammPreferences, UnusableValuesAreNotTaken) {
    struct Case {
        const char* name;
        int slot;
        float value;
        bool (*kept)();
    };
    const Case cases[] = {
        {"max dc/c 0", kSlotMaxDcOverC, 0.0f, [] { return LammGrid::maxDcOverC == 1.0; }},
        {"max dc/c negative", kSlotMaxDcOverC, -1.0f, [] { return LammGrid::maxDcOverC == 1.0; }},
        {"grid size 1", kSlotDefaultGridSize, 1.0f,
         [] { return LammGrid::defaultGridSize == 1000; }},
        {"grid size 1e12", kSlotDefaultGridSize, 1e12f,
         [] { return LammGrid::defaultGridSize == 1000; }},
        {"upper limit 0", kSlotMaxGridSize, 0.0f,
         [] { return ModelParameters::maxGridSize == 2000; }},
        {"lower limit 5", kSlotMinGridSize, 5.0f,
         [] { return ModelParameters::minGridSize == 75; }},
        {"points per sigma 0", kSlotPointsPerSigma, 0.0f,
         [] { return ModelParameters::pointsPerSigma == 5.0f; }},
        {"both algorithms", kSlotClaverie, 1.0f,
         [] { return ModelChoice::claverieAlgorithm && !ModelChoice::movingHatAlgorithm; }},
    };
    for (const Case& c : cases) {
        Reset();
        float v[kLammPreferenceLines] = {};
        GetLammEqParameters(v);
        v[c.slot] = c.value;
        WriteValues(v, kLammPreferenceLines);
        EXPECT_TRUE(ReadLammEqParameterPreferences(nullptr)) << c.name;
        EXPECT_TRUE(c.kept()) << c.name;
    }
}
