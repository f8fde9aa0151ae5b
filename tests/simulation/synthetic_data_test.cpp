// Synthetic data: the scans a velocity run would record, written as files the program's own loader
// reads back, with noise of the asked standard deviation that repeats for the same seed.
#include "app/load_all_data.h"
#include "foundations/random_numbers.h"
#include "scandata/initial_data.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/synthetic_data.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/run_switches.h"
#include "support/main_window_fixture.h"
#include "support/scan_read_back.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using S = ScanStore;
using M = ModelParameters;

// A cell of 6.2 to 7.2 cm and one species of loading 0.8, generated into folder.
bool Generate(MainWindowFixture& f, const SyntheticDataSettings& set, const std::string& folder) {
    M::meniscus = 6.2f;
    M::bottom = 7.2f;
    M::speciesOn[1] = 1;
    M::concentration[1] = 0.8f;
    PackFitParameters();
    gSimulateOnly = true;
    bool written = GenerateSyntheticData(f.window.get(), set, (folder + "/0000x.RA0").c_str());
    gSimulateOnly = false;
    return written;
}

std::vector<std::string> ScanNames(int count) {
    std::vector<std::string> names;
    for (int i = 1; i <= count; ++i) {
        char name[20];
        std::snprintf(name, sizeof name, "%05d.ra0", i);
        names.push_back(name);
    }
    return names;
}

// Standard deviation of signal - fit over every point of every scan.
double NoiseDeviation() {
    double sum = 0.0, sum2 = 0.0;
    long n = 0;
    for (int i = 1; i <= S::scanCount; ++i)
        for (int k = 1; k <= S::pointCount[i]; ++k) {
            double d = double(S::signal[i][k]) - S::fit[i][k];
            sum += d;
            sum2 += d * d;
            ++n;
        }
    double mean = sum / n;
    return std::sqrt(sum2 / n - mean * mean);
}

TEST(SyntheticData, ScansOfTheRunWithTheirTimesRadiiAndNoise) {
    struct Case {
        const char* name;
        float acceleration, noise;
        double addedTime; // s the acceleration phase adds to every scan
    };
    const std::vector<Case> cases = {
        {"no acceleration phase", -1.0f, 0.01f, 0.0},
        {"200 rpm/s to 50,000 rpm", 200.0f, 0.005f, 250.0},
        {"no noise", -1.0f, 0.0f, 0.0},
    };
    for (const Case& c : cases) {
        MainWindowFixture f;
        SeedGaussRandom(11);
        SyntheticDataSettings set;
        set.acceleration = c.acceleration;
        set.noise = c.noise;
        ASSERT_TRUE(Generate(f, set, f.data.path())) << c.name;
        ASSERT_EQ(S::scanCount, 50) << c.name;
        EXPECT_TRUE(ScanDataKind::absorbance && !ScanDataKind::interference) << c.name;
        EXPECT_EQ(S::pointCount[1], 1001) << c.name; // radii summed in single precision
        EXPECT_EQ(InitialData::pointCount, 1001) << c.name;
        EXPECT_FLOAT_EQ(InitialData::signal[1], 0.8f) << c.name;
        EXPECT_FLOAT_EQ(S::leftFitLimit, 6.21f) << c.name;
        EXPECT_FLOAT_EQ(S::rightFitLimit, 7.05f) << c.name; // clear of the pile-up
        const double w2 = std::pow(50000.0 * M_PI / 30.0, 2);
        for (int i : {1, 50}) {
            const ScanHeader& h = S::header[i];
            EXPECT_NEAR(h.time, 300.0 * i + c.addedTime, 1e-9) << c.name;
            EXPECT_NEAR(h.omega2t, w2 * (300.0 * i + c.addedTime / 3.0), 1e-6 * h.omega2t)
                << c.name;
        }
        if (c.noise == 0.0f) {
            for (int k = 1; k <= S::pointCount[7]; ++k)
                EXPECT_EQ(S::signal[7][k], S::fit[7][k]) << c.name;
        } else {
            EXPECT_NEAR(NoiseDeviation(), c.noise, 0.03 * c.noise) << c.name;
        }
    }
    EXPECT_NEAR(std::pow(50000.0 * M_PI / 30.0, 2) * 300.0, 8.2247e9, 1e5);
}

TEST(SyntheticData, FilesReadBackThroughTheLoader) {
    MainWindowFixture f;
    SyntheticDataSettings set;
    set.scanCount = 12;
    set.noise = 0.01f;
    ASSERT_TRUE(Generate(f, set, f.data.path()));
    std::vector<std::vector<float>> generated;
    std::vector<double> times;
    for (int i = 1; i <= S::scanCount; ++i) {
        generated.emplace_back(S::signal[i] + 1, S::signal[i] + S::pointCount[i] + 1);
        times.push_back(S::header[i].time);
    }
    ScanReadBack first = ReadScanBack(f.data.file("00001.ra0"));
    ASSERT_TRUE(first.ok);
    EXPECT_STREQ(first.header.description, "[T OK]synthetic");
    EXPECT_EQ(first.header.dataType, 'R');
    EXPECT_FLOAT_EQ(first.header.rotorSpeed, 50000.0f);

    FreeAllData();
    // The boundary is in the data now; the reader's spike filter is not what is checked here.
    ScanReaderOptions::dropSpikes = false;
    const std::string selection = SelectionBuffer(f.data.path(), ScanNames(12));
    LoadAllData(f.window.get(), selection.c_str());
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    ASSERT_EQ(S::scanCount, 12);
    for (int i = 1; i <= 12; ++i) {
        const int s = S::scanOrder[i];
        ASSERT_EQ(S::pointCount[s], 1001);
        EXPECT_NEAR(S::header[s].time, times[std::size_t(i - 1)], 1.0);
        for (int k = 1; k <= 1001; ++k)
            // The file keeps six significant digits of the model and the noise.
            ASSERT_NEAR(S::signal[s][k], generated[std::size_t(i - 1)][std::size_t(k - 1)],
                        1e-6 + 5e-6 * std::fabs(generated[std::size_t(i - 1)][std::size_t(k - 1)]))
                << "scan " << i << " point " << k;
    }
}

TEST(SyntheticData, VelocityScansWithTheRightLimitOnTheirRadii) {
    struct Case {
        const char* name;
        bool series;
        float right; // before
    };
    for (const Case& c : {Case{"single", false, 0.0f}, Case{"series, limit unset", true, 0.0f},
                          Case{"series, limit beyond the data", true, 7.18f}}) {
        MainWindowFixture f;
        S::equilibriumData = true;
        ModelChoice::generatingSeries = c.series;
        S::rightFitLimit = c.right;
        SyntheticDataSettings set;
        set.dr = 0.35f; // the radii end at 6.9 cm, before the default limit of 7.05 cm
        set.scanCount = 2;
        ASSERT_TRUE(Generate(f, set, f.data.path())) << c.name;
        EXPECT_TRUE(f.script.done()) << c.name << f.script.logText(); // no box
        EXPECT_FLOAT_EQ(S::rightFitLimit, S::radius[1][S::pointCount[1]]) << c.name;
        EXPECT_FALSE(S::equilibriumData) << c.name;
    }
}

TEST(SyntheticData, NoResultOfTheEngineWritesNoFiles) {
    struct Case {
        const char* name;
        std::function<void(MainWindowFixture&)> set;
    };
    const std::vector<Case> cases = {
        {"a model the engine does not evaluate",
         [](MainWindowFixture&) {
             // the rectangular cell is solved in a uniform solvent only
             ModelChoice::linearLamm = true;
             ModelChoice::inhomogeneousSolvent = true;
         }},
        {"a key pressed while it computes",
         [](MainWindowFixture& f) { plat::test::key(f.window.get(), 'A', 'a'); }},
    };
    for (const Case& c : cases) {
        MainWindowFixture f;
        c.set(f);
        SyntheticDataSettings set;
        set.scanCount = 5;
        EXPECT_FALSE(Generate(f, set, f.data.path())) << c.name;
        EXPECT_EQ(S::scanCount, 5) << c.name; // the scans stay to be looked at
        EXPECT_TRUE(ReadTextFile(f.data.file("00001.ra0")).empty()) << c.name;
    }
}

TEST(SyntheticData, TheSameSeedGivesTheSameFiles) {
    MainWindowFixture f;
    TempFolder a, b, c;
    SyntheticDataSettings set;
    set.scanCount = 3;
    set.dr = 0.01f;
    for (auto [folder, seed] : {std::pair{&a, 5}, {&b, 5}, {&c, 6}}) {
        SeedGaussRandom(seed);
        ASSERT_TRUE(Generate(f, set, folder->path()));
    }
    for (const std::string& name : ScanNames(3)) {
        const std::string bytes = ReadTextFile(a.file(name));
        ASSERT_FALSE(bytes.empty()) << name;
        EXPECT_EQ(bytes, ReadTextFile(b.file(name))) << name;
        EXPECT_NE(bytes, ReadTextFile(c.file(name))) << name;
    }
}

TEST(SyntheticData, NothingChangesWithoutScansOrGridStep) {
    MainWindowFixture f;
    f.LoadScans(3, 50);
    ASSERT_EQ(S::scanCount, 3);
    struct Case {
        const char* name;
        int scans;
        float dr;
    };
    for (const Case& c : {Case{"no scans", 0, 0.001f}, Case{"zero step", 5, 0.0f},
                          Case{"negative step", 5, -0.001f}, Case{"step below float", 5, 1e-9f}}) {
        SyntheticDataSettings set;
        set.scanCount = c.scans;
        set.dr = c.dr;
        EXPECT_FALSE(Generate(f, set, f.data.path())) << c.name;
        EXPECT_EQ(S::scanCount, 3) << c.name;
    }
    EXPECT_TRUE(ReadTextFile(f.data.file("00001.ra0")).empty());
}

TEST(SyntheticData, AnUnwritableFolderIsSaidAndNotTakenForSuccess) {
    MainWindowFixture f;
    SyntheticDataSettings set;
    set.scanCount = 2;
    set.dr = 0.01f;
    f.script.expectBox().caption("Error").textHas("Attention: could not open");
    EXPECT_FALSE(Generate(f, set, f.data.path() + "/missing"));
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_EQ(S::scanCount, 2); // the scans stay in the store
}

} // namespace
