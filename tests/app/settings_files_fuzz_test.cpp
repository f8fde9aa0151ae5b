// Seeded mutations of the files the program reads its settings and saved analyses from:
// "tarnixparams.ini", "tarnix.ini", "tarnixlammparams.ini", "~tmppars" and experiment files.
// No reader may crash or overrun; what they take leaves every setting finite and usable.
#include "app/experiment_file.h"
#include "app/last_data_folder.h"
#include "app/preferences_file.h"
#include "fitting/param_files.h"
#include "foundations/cvector.h"
#include "foundations/error_box_log.h"
#include "foundations/numeric_text_files.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/lamm_preferences.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/lamm_grid.h"
#include "state/model_parameters.h"
#include "state/preference_switches.h"
#include "state/startup_paths.h"
#include "support/fuzz_inputs.h"
#include "support/reset_all_state.h"
#include "support/scan_set_generator.h"
#include "support/temp_folder.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

class SettingsFilesFuzz : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAllState();
        std::strcpy(savedLamm, gLammPreferencesPath);
        std::strcpy(savedLast, gLastFolderFilePath);
    }
    void TearDown() override {
        std::strcpy(gLammPreferencesPath, savedLamm);
        std::strcpy(gLastFolderFilePath, savedLast);
        TakeErrorBoxes();
        ResetAllState();
    }
    FuzzFolder dir;
    char savedLamm[kPathBufferSize] = {};
    char savedLast[kPathBufferSize] = {};
};

TEST_F(SettingsFilesFuzz, PreferencesAndLastFolder) {
    const unsigned seed = FuzzSeed(20261212u);
    std::mt19937 rng(seed);
    const std::string preferences = FormatPreferences();
    const std::string path = dir.file("tarnixparams.ini");
    std::snprintf(gLastFolderFilePath, kPathBufferSize, "%s", dir.file("tarnix.ini").c_str());
    const int inputs = FuzzInputCount(20000);
    for (int i = 0; i < inputs; ++i) {
        WriteTextFile(path, MutateText(preferences, rng));
        CVector entries;
        entries.Read(path.c_str());
        if (entries.length > 0)
            ApplyPreferenceEntries(entries.data, int(entries.length),
                                   [&](const char*) { return i % 2 == 0; });
        ASSERT_TRUE(std::isfinite(gMaxUpdateInterval) && gMaxUpdateInterval > 0.0f)
            << "seed " << seed << " input " << i;
        ASSERT_TRUE(std::isfinite(ScanStore::radialResolution));
        ASSERT_TRUE(std::isfinite(gTimestampThreshold));
        ASSERT_TRUE(gLammThreadCount >= 1 && gLammThreadCount <= kMaxThreadCount);
        ASSERT_TRUE(gDistributionThreadCount >= 1 && gDistributionThreadCount <= kMaxThreadCount);

        WriteTextFile(gLastFolderFilePath, MutateText("/data/run1/00001.RA1", rng));
        // An exact-size heap buffer, so a write past its end is caught by the address checker.
        std::vector<char> folder(kLastDataFolderSize, 'x');
        folder[0] = '\0';
        ReadLastDataFolder(nullptr, folder.data());
        ASSERT_LT(std::strlen(folder.data()), std::size_t(kLastDataFolderSize));
    }
}

// The preferences as the window reads them at its start: line by line, each value whole and
// within the range its command holds it to, or named and left to its default.
TEST_F(SettingsFilesFuzz, PreferencesText) {
    const unsigned seed = FuzzSeed(20261217u);
    std::mt19937 rng(seed);
    const std::string preferences = FormatPreferences();
    const int inputs = FuzzInputCount(20000);
    for (int i = 0; i < inputs; ++i) {
        const PreferenceText read = ReadPreferenceText(MutateText(preferences, rng));
        ASSERT_TRUE(read.entries.size() <= kMostSettingsLines && !read.tooLong)
            << "seed " << seed << " input " << i;
        std::size_t refused = 0;
        for (float v : read.entries)
            refused += std::isnan(v) ? 1 : 0;
        ASSERT_EQ(refused, read.refused.size()) << "seed " << seed << " input " << i;
        ASSERT_TRUE(read.notRead.empty() || read.entries.empty()) << "seed " << seed;
        if (read.entries.size() > 1 && !std::isnan(read.entries[1])) {
            ASSERT_TRUE(read.entries[1] >= 0.001f && read.entries[1] <= kMaxRadialResolutionCm)
                << "seed " << seed << " input " << i;
        }
        if (!read.entries.empty())
            ApplyPreferenceEntries(read.entries.data(), int(read.entries.size()),
                                   [&](const char*) { return i % 2 == 0; });
        ASSERT_TRUE(std::isfinite(gMaxUpdateInterval) && gMaxUpdateInterval > 0.0f)
            << "seed " << seed << " input " << i;
        ASSERT_TRUE(ScanStore::radialResolution >= 0.001f &&
                    ScanStore::radialResolution <= kMaxRadialResolutionCm);
        ASSERT_TRUE(std::isfinite(gTimestampThreshold));
        ASSERT_TRUE(gLammThreadCount >= 1 && gLammThreadCount <= kMaxThreadCount);
        ASSERT_TRUE(gDistributionThreadCount >= 1 && gDistributionThreadCount <= kMaxThreadCount);
    }
}

TEST_F(SettingsFilesFuzz, LammSettings) {
    const unsigned seed = FuzzSeed(20261213u);
    std::mt19937 rng(seed);
    std::snprintf(gLammPreferencesPath, kPathBufferSize, "%s",
                  dir.file("tarnixlammparams.ini").c_str());
    ASSERT_TRUE(SaveLammEqParameterPreferences(nullptr));
    const std::string base = ReadTextFile(gLammPreferencesPath);
    const int inputs = FuzzInputCount(20000);
    for (int i = 0; i < inputs; ++i) {
        WriteTextFile(gLammPreferencesPath, MutateText(base, rng));
        ReadLammEqParameterPreferences(nullptr);
        float values[kLammOptionSlots];
        GetLammEqParameters(values);
        for (int k = 0; k < kLammOptionSlots; ++k)
            ASSERT_TRUE(std::isfinite(values[k]))
                << "slot " << k << " seed " << seed << " input " << i;
        ASSERT_GT(FitControl::tolerance, 0.0f);
        ASSERT_LE(ModelParameters::minGridSize, ModelParameters::maxGridSize);
        ASSERT_TRUE(std::isfinite(LammGrid::truncationLevel) && LammGrid::truncationLevel > 0.0);
    }
}

TEST_F(SettingsFilesFuzz, SavedAnalyses) {
    const unsigned seed = FuzzSeed(20261214u);
    std::mt19937 rng(seed);
    ScanPaths::gDataPath = dir.file("~tmppars.RA1");
    ASSERT_TRUE(TmpSaveBestParams(nullptr, 0));
    const std::string base = ReadTextFile(ScanPaths::gDataPath);
    const int inputs = FuzzInputCount(20000);
    for (int i = 0; i < inputs; ++i) {
        WriteTextFile(ScanPaths::gDataPath, MutateText(base, rng));
        std::vector<float> values;
        if (!ReadParameterValues(ScanPaths::gDataPath.c_str(), values)) {
            ASSERT_TRUE(values.empty()) << "seed " << seed << " input " << i;
            continue;
        }
        for (float v : values)
            ASSERT_TRUE(std::isfinite(v)) << "seed " << seed << " input " << i;
        if (ValidParameterValues(values)) {
            ASSERT_TRUE(RestoreAllValues(values));
        }
        ASSERT_TRUE(std::isfinite(ModelParameters::meniscus) &&
                    std::isfinite(ModelParameters::bottom));
    }
}

TEST_F(SettingsFilesFuzz, ExperimentFiles) {
    const unsigned seed = FuzzSeed(20261215u);
    std::mt19937 rng(seed);
    TempFolder data;
    ScanSetOptions set;
    set.count = 3;
    set.points = 100;
    std::vector<std::string> names = WriteScanSet(data.path(), set);
    std::string base = "0 (ExperimentType: SEDVELOCITY)\ndemo\n\"" + data.path() + "\" \"";
    for (const std::string& n : names)
        base += " " + n;
    base += "\"\n0.998230\n0.001002\n0.730000\n5.920000\n7.180000\n5.950000\n5.890000\n"
            "7.200000\n7.160000\n6.000000\n7.000000\n1.0\n0.0\n1.0\n1.0\n1.0\n2.0\n0.9\n";
    const std::string path = dir.file("demo.xp");
    // Each accepted input loads the scans, so this reader gets a tenth of the inputs.
    const int inputs = FuzzInputCount(20000) / 10;
    for (int i = 0; i < inputs; ++i) {
        WriteTextFile(path, MutateText(base, rng));
        ReadXpExperiment(nullptr, path.c_str());
        ASSERT_TRUE(std::isfinite(ModelParameters::meniscus) &&
                    std::isfinite(ModelParameters::bottom) && std::isfinite(ScanStore::density) &&
                    std::isfinite(ScanStore::viscosity) && std::isfinite(ScanStore::vbar) &&
                    std::isfinite(ScanStore::leftFitLimit) &&
                    std::isfinite(ScanStore::rightFitLimit))
            << "seed " << seed << " input " << i;
        if (i % 16 == 0)
            TakeErrorBoxes();
    }
}

} // namespace
