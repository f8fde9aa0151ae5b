// The scan files of a simulated approach to equilibrium: every scan and the final profile come
// back through the scan reader as simulated; a folder that cannot take them leaves nothing.
#include "equilibrium/simulated_eq_scans.h"
#include "foundations/nr_arrays.h"
#include "scandata/scan_file.h"
#include "support/reset_all_state.h"
#include "support/temp_folder.h"

#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace {

class SimulatedEqScans : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAllState();
        const float loading[3] = {0, 0.6f, 0.4f}, s[3] = {0, 4.0f, 6.0f}, d[3] = {0, 6e-7f, 4e-7f};
        sim.Setup(nullptr, 2.0f, 7.2f, 6.9f, 7.15f, 6.92f, 2, loading, s, d, 0.73f, 20.0f,
                  15000.0f);
        ASSERT_TRUE(sim.Run());
    }
    void TearDown() override { ResetAllState(); }
    CApproachToEqSim sim;
    TempFolder folder;
};

// The file's values against the simulated ones, within the five digits the writer keeps.
void ExpectFile(const std::string& path, const CApproachToEqSim& sim,
                const std::vector<float>& values, double time) {
    ScanHeader header{};
    std::int32_t n = 0;
    float *radius = nullptr, *value = nullptr, *third = nullptr;
    bool tag = false;
    ASSERT_EQ(ReadScanFile(path.c_str(), &header, &n, &radius, &value, &third, &tag, 0.0f), 1)
        << path;
    EXPECT_EQ(n, sim.pointCount) << path;
    EXPECT_EQ(header.dataType, 'R') << path;
    EXPECT_FLOAT_EQ(header.rotorSpeed, 15000.0f) << path;
    EXPECT_DOUBLE_EQ(header.time, time) << path;
    EXPECT_NE(std::string(header.description).find(" simulated approach to equilibrium"),
              std::string::npos)
        << path;
    for (int j = 1; j <= std::min(n, sim.pointCount); ++j) {
        EXPECT_NEAR(radius[j], sim.radius[std::size_t(j)], 1e-4) << path << " point " << j;
        EXPECT_NEAR(value[j], values[std::size_t(j)], 1e-5 * std::fabs(values[std::size_t(j)]))
            << path << " point " << j;
    }
    free_vector(radius, 1, n);
    free_vector(value, 1, n);
    if (third)
        free_vector(third, 1, n);
}

TEST_F(SimulatedEqScans, EveryScanAndTheFinalProfileReadBack) {
    ASSERT_EQ(sim.scanCount, 4);
    const std::string dir = folder.path() + "/";
    ASSERT_TRUE(WriteSimulatedEqScans(sim, dir));
    for (int i = 1; i <= sim.scanCount; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "00%03d.R00", i);
        ExpectFile(dir + name, sim, sim.scans[std::size_t(i)], 1800.0 * i);
    }
    ExpectFile(dir + "eq.R00", sim, sim.equilibrium, 1800.0);
    // Only the finished files are left: no temporary one.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
        files += entry.is_regular_file();
    EXPECT_EQ(files, sim.scanCount + 1);
}

TEST_F(SimulatedEqScans, NothingToWriteOrNowhereToWriteIsAFailure) {
    EXPECT_FALSE(WriteSimulatedEqScans(sim, folder.path() + "/missing/"));
    EXPECT_FALSE(std::filesystem::exists(folder.path() + "/missing"));

    CApproachToEqSim empty;
    const float one[2] = {0, 1}, s[2] = {0, 4}, d[2] = {0, 6e-7f};
    empty.Setup(nullptr, 0.0f, 7.2f, 6.9f, 7.15f, 6.92f, 1, one, s, d, 0.73f, 20.0f, 15000.0f);
    EXPECT_FALSE(WriteSimulatedEqScans(empty, folder.path() + "/"));
    EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
}

} // namespace
