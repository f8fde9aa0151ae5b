// The speed-step file: its lines, its last line without an end, and a write that fails or has
// nothing to write leaves the previous file as it was.
#include "equilibrium/speed_step_file.h"
#include "plat/atomic_file.hpp"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

namespace {

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(SpeedStepFile, StepsAsLinesAndFailuresKeepThePreviousFile) {
    const std::string dir = ::testing::TempDir() + "speed_step_file";
    std::filesystem::create_directories(dir);
    const std::string path = dir + "/steps.txt";
    SpeedSteps steps;
    steps.start = {0.0f, 0.0f, 3600.0f, 7200.0f};
    steps.speed = {0.0f, 30000.0f, 22000.5f, 15000.0f};
    steps.rate = {0.0f, 200.0f, 50.0f, 50.0f};
    ASSERT_TRUE(WriteSpeedStepFile(steps, path));
    const std::string written = Read(path);
    EXPECT_EQ(written, "0.000000\t30000.000000\t200.000000\n"
                       "3600.000000\t22000.500000\t50.000000\n"
                       "7200.000000\t15000.000000\t50.000000");

    struct Case {
        const char* name;
        SpeedSteps steps;
        bool failCommit;
    };
    SpeedSteps ragged = steps;
    ragged.rate.pop_back();
    for (const Case& c :
         {Case{"no steps", SpeedSteps{}, false}, Case{"rates missing", ragged, false},
          Case{"disk full at the close", steps, true}}) {
        if (c.failCommit)
            plat::test::FailAtomicCommits(1);
        EXPECT_FALSE(WriteSpeedStepFile(c.steps, path)) << c.name;
        EXPECT_EQ(Read(path), written) << c.name;
    }
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        EXPECT_EQ(entry.path().filename(), "steps.txt") << "no temporary file left";
    std::filesystem::remove_all(dir);
}

} // namespace
