// Seeded mutations of the data files through their readers: scan files, rotor speed profiles,
// list files and light-scattering files. No reader may crash or read outside its input; what it
// accepts holds only finite numbers, and what it refuses leaves the caller's outputs untouched.
#include "foundations/error_box_log.h"
#include "foundations/nr_arrays.h"
#include "scandata/dls_file.h"
#include "scandata/list_file.h"
#include "scandata/rotor_speed_profile.h"
#include "scandata/scan_file.h"
#include "state/dls_data.h"
#include "support/fuzz_inputs.h"
#include "support/reset_all_state.h"
#include "support/scan_set_generator.h"
#include "support/temp_folder.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

bool AllFinite(const float* v, long lo, long hi) {
    for (long i = lo; i <= hi; ++i)
        if (!std::isfinite(v[i]))
            return false;
    return true;
}

class DataFilesFuzz : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
    void TearDown() override {
        TakeErrorBoxes();
        ResetAllState();
    }
    FuzzFolder dir;
};

TEST_F(DataFilesFuzz, ScanFiles) {
    const unsigned seed = FuzzSeed(20261207u);
    std::mt19937 rng(seed);
    const std::vector<std::string> seeds = {ExampleAbsorbance().Text(),
                                            ExampleInterference().Text(), ExampleIntensity().Text(),
                                            ExampleFluorescence().Text()};
    const std::string path = dir.file("fuzz.RA1");
    int accepted = 0;
    const int inputs = FuzzInputCount(20000);
    for (int i = 0; i < inputs; ++i) {
        WriteTextFile(path, MutateText(seeds[i % seeds.size()], rng));
        ScanHeader header;
        std::strcpy(header.description, "untouched");
        header.time = -7.0;
        std::int32_t n = -1;
        float* radius = nullptr;
        float* value = nullptr;
        float* third = nullptr;
        int ok = ReadScanFile(path.c_str(), &header, &n, &radius, &value, &third, nullptr,
                              i % 3 == 0 ? 0.005f : 0.0f);
        if (!ok) {
            ASSERT_STREQ(header.description, "untouched") << "seed " << seed << " input " << i;
            ASSERT_EQ(header.time, -7.0);
            ASSERT_EQ(n, -1);
            ASSERT_TRUE(radius == nullptr && value == nullptr && third == nullptr);
            continue;
        }
        ++accepted;
        ASSERT_GT(n, 0);
        ASSERT_TRUE(AllFinite(radius, 1, n) && AllFinite(value, 1, n))
            << "seed " << seed << " input " << i;
        ASSERT_TRUE(std::isfinite(header.time) && std::isfinite(header.omega2t) &&
                    std::isfinite(header.accelerationTime) && std::isfinite(header.rotorSpeed));
        if (third) {
            ASSERT_TRUE(AllFinite(third, 1, n));
            free_vector(third, 1, n);
        }
        free_vector(radius, 1, n);
        free_vector(value, 1, n);
    }
    EXPECT_GT(accepted, inputs / 4) << "seed " << seed;
}

TEST_F(DataFilesFuzz, RotorSpeedProfiles) {
    const unsigned seed = FuzzSeed(20261208u);
    std::mt19937 rng(seed);
    const std::string base = "0 10000 200\n300 20000 200\n900 30000 100\n";
    const std::string path = dir.file("speedsteps.txt");
    const int inputs = FuzzInputCount(20000);
    for (int i = 0; i < inputs; ++i) {
        WriteTextFile(path, MutateText(base, rng));
        CRotorSpeedProfile profile;
        bool valid = profile.LoadFile(path.c_str());
        ASSERT_EQ(valid, profile.valid);
        if (valid) {
            ASSERT_TRUE(AllFinite(profile.stepStart, 1, profile.stepCount) &&
                        AllFinite(profile.stepSpeed, 1, profile.stepCount) &&
                        AllFinite(profile.stepAcceleration, 1, profile.stepCount))
                << "seed " << seed << " input " << i;
        }
        if (i % 64 == 0)
            TakeErrorBoxes();
    }
}

TEST_F(DataFilesFuzz, ListFiles) {
    const unsigned seed = FuzzSeed(20261209u);
    std::mt19937 rng(seed);
    const std::vector<std::string> seeds = {
        ListText(3, {"/data/run1", "00001.RA1", "00002.RA1", "00003.RA1"}),
        "/data/run1\n00001_RA1\n% comment\n00002_RA1 % note\n"};
    const std::string path = dir.file("list.RA1");
    const int inputs = FuzzInputCount(20000);
    for (int i = 0; i < inputs; ++i) {
        WriteTextFile(path, MutateText(seeds[i % seeds.size()], rng));
        ListFileText out;
        out.stride = -5;
        ListReadResult result = ReadListFileText(path, 4096, out);
        if (result != ListReadResult::Ok) {
            ASSERT_EQ(out.stride, -5) << "seed " << seed << " input " << i;
            ASSERT_TRUE(out.strings.empty());
            continue;
        }
        ASSERT_GE(out.stride, 1) << "seed " << seed << " input " << i;
        for (const std::string& s : out.strings)
            ASSERT_FALSE(s.empty());
    }
}

TEST_F(DataFilesFuzz, LightScatteringFiles) {
    const unsigned seed = FuzzSeed(20261210u);
    std::mt19937 rng(seed);
    const std::string base = "title\nA 20.000000 120 1.00 1.333000 0.010020 90.000000 "
                             "6.328000e-07\n 1e-6 0.95\n 2e-6 0.90\n 4e-6 0.80\n 8e-6 0.6\n";
    const std::string path = dir.file("fuzz.dlsdat");
    const int inputs = FuzzInputCount(20000);
    for (int i = 0; i < inputs; ++i) {
        WriteTextFile(path, MutateText(base, rng));
        DlsRecord record;
        std::strcpy(record.title, "untouched");
        int count = -1;
        float* lags = nullptr;
        float* values = nullptr;
        if (!ReadDlsGeneric(path.c_str(), &record, &count, &lags, &values, i % 2 == 0)) {
            ASSERT_STREQ(record.title, "untouched") << "seed " << seed << " input " << i;
            ASSERT_TRUE(count == -1 && lags == nullptr && values == nullptr);
            continue;
        }
        ASSERT_GT(count, 0);
        ASSERT_TRUE(AllFinite(lags, 1, count) && AllFinite(values, 1, count))
            << "seed " << seed << " input " << i;
        ASSERT_TRUE(std::isfinite(record.time) && std::isfinite(record.temperature) &&
                    std::isfinite(record.countRate) && std::isfinite(record.refractiveIndex) &&
                    std::isfinite(record.viscosity) && std::isfinite(record.angle) &&
                    std::isfinite(record.wavelength));
        free_vector(lags, 1, count);
        free_vector(values, 1, count);
    }
}

} // namespace
