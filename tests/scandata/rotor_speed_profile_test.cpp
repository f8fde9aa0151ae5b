// Rotor speed profiles: reading "speedsteps.txt", repairing overlapping steps into a "_fixed"
// file, checking scans against the steps, saving and rescaling.
#include "foundations/error_box_log.h"
#include "scandata/rotor_speed_profile.h"
#include "support/reset_all_state.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <vector>

namespace {

class RotorSpeedProfile : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAllState();
        TakeErrorBoxes();
    }
    TempFolder dir;
};

std::vector<ScanHeader> Headers(const std::vector<std::pair<double, float>>& scans) {
    std::vector<ScanHeader> h(scans.size() + 1);
    for (std::size_t i = 0; i < scans.size(); ++i) {
        h[i + 1].time = scans[i].first;
        h[i + 1].rotorSpeed = scans[i].second;
    }
    return h;
}

TEST_F(RotorSpeedProfile, ConstructedEmptyWithItsDefaultName) {
    CRotorSpeedProfile p;
    EXPECT_EQ(p.fileName, "speedsteps.txt");
    EXPECT_EQ(p.scanSpeedMode, 2);
    EXPECT_FALSE(p.valid);
    EXPECT_EQ(p.stepCount, 0);
    EXPECT_EQ(p.CheckScans(0, nullptr), 0);
}

TEST_F(RotorSpeedProfile, ReadsConsistentStepsWithoutBoxes) {
    std::string path = dir.file("speedsteps.txt");
    WriteTextFile(path,
                  "0.000000\t10000.000000\t200.000000\n600.000000\t20000.000000\t200.000000\n");
    CRotorSpeedProfile p;
    ASSERT_TRUE(p.LoadFile(path.c_str()));
    EXPECT_EQ(p.stepCount, 2);
    EXPECT_FLOAT_EQ(p.stepStart[2], 600.0f);
    EXPECT_FLOAT_EQ(p.stepSpeed[2], 20000.0f);
    EXPECT_FLOAT_EQ(p.GetFinalSpeed(), 20000.0f);
    EXPECT_TRUE(TakeErrorBoxes().empty());
    // Saving writes the same text back.
    std::string copy = dir.file("copy.txt");
    ASSERT_EQ(p.Save(copy.c_str()), 1);
    EXPECT_EQ(p.fileName, copy);
    EXPECT_EQ(ReadTextFile(copy), ReadTextFile(path));
}

TEST_F(RotorSpeedProfile, OverlappingStepsAreRepairedIntoAFixedFile) {
    std::string path = dir.file("speedsteps.txt");
    WriteTextFile(path, "0 10000 200\n30 20000 200\n");
    CRotorSpeedProfile p;
    ASSERT_TRUE(p.LoadFile(path.c_str()));
    EXPECT_FLOAT_EQ(p.stepStart[2], 50.0f); // step 1 ramps for 10000 / 200 = 50 s
    EXPECT_EQ(p.fileName, path + "_fixed");
    EXPECT_EQ(ReadTextFile(path + "_fixed"),
              "0.000000\t10000.000000\t200.000000\n50.000000\t20000.000000\t200.000000\n");
    std::vector<ErrorBoxEntry> boxes = TakeErrorBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "ERROR: rotor speed profile " + path + " fixed in " + path + "_fixed");
    EXPECT_FALSE(boxes[0].fatal);

    // Scans against the repaired steps: step 2 ramps from 50 s to 100 s.
    struct Case {
        const char* name;
        double t;
        float rpm;
        int expected;
        std::size_t boxes;
    };
    const Case cases[] = {
        {"after the ramp, within 10 rpm", 100.0, 19995.0f, 1, 0},
        {"15 rpm off the step", 100.0, 19985.0f, 0, 0},
        {"inside the ramp of step 2", 80.0, 20000.0f, 0, 1},
        {"in step 1 after its ramp", 45.0, 10000.0f, 0, 1},
        {"before the first step is not checked", 0.0, 5.0f, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<ScanHeader> h = Headers({{c.t, c.rpm}});
        EXPECT_EQ(p.CheckScans(1, h.data()), c.expected);
        EXPECT_EQ(TakeErrorBoxes().size(), c.boxes);
    }
    std::vector<ScanHeader> h = Headers({{80.0, 20000.0f}});
    p.CheckScans(1, h.data());
    EXPECT_EQ(TakeErrorBoxes()[0].text,
              "inconsistent file 1 (t = 80.000000, om = 20000.000000) with speed step 2");
}

TEST_F(RotorSpeedProfile, StepWithoutAccelerationIsInconsistentNotDividedBy) {
    std::string path = dir.file("speedsteps.txt");
    WriteTextFile(path, "0 10000 0\n30 20000 200\n");
    CRotorSpeedProfile p;
    p.LoadFile(path.c_str());
    std::vector<ErrorBoxEntry> boxes = TakeErrorBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "ERROR: rotor speed profile " + path + " could not be fixed");
    EXPECT_FLOAT_EQ(p.stepStart[2], 30.0f);
    std::vector<ScanHeader> h = Headers({{20.0, 10000.0f}});
    EXPECT_EQ(p.CheckScans(1, h.data()), 0);
}

TEST_F(RotorSpeedProfile, EmptyAndMissingFiles) {
    std::string empty = dir.file("empty.txt");
    WriteTextFile(empty, "");
    CRotorSpeedProfile p;
    EXPECT_FALSE(p.LoadFile(empty.c_str()));
    EXPECT_EQ(p.stepCount, 1);
    EXPECT_EQ(p.stepSpeed[1], 0.0f);

    EXPECT_FALSE(p.LoadFile(dir.file("none.txt").c_str()));
    std::vector<ErrorBoxEntry> boxes = TakeErrorBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "\n\aAttention: could not open " + dir.file("none.txt"));
    EXPECT_EQ(p.stepCount, 0);
    EXPECT_EQ(p.CheckScans(0, nullptr), 0);
}

TEST_F(RotorSpeedProfile, ReadingStopsAtTheFirstLineWithoutThreeNumbers) {
    std::string path = dir.file("speedsteps.txt");
    WriteTextFile(path, "0 10000 200\n600 20000 200\nend of steps\n1200 30000 200\n");
    CRotorSpeedProfile p;
    ASSERT_TRUE(p.LoadFile(path.c_str()));
    EXPECT_EQ(p.stepCount, 4);
    EXPECT_EQ(p.stepSpeed[3], 0.0f);
    EXPECT_EQ(p.stepSpeed[4], 0.0f);
}

// A profile that could not be written once looked saved; now Save reports 0 and the repair
// tells the user the fixed file is missing.
TEST_F(RotorSpeedProfile, UnwritableFilesAreReported) {
    CRotorSpeedProfile p;
    float start[] = {0, 0, 30};
    float speed[] = {0, 10000, 20000};
    float acceleration[] = {0, 200, 200};
    ASSERT_TRUE(p.SetSteps(2, start, speed, acceleration));
    EXPECT_EQ(p.Save(dir.file("no/such/folder.txt").c_str()), 0);

    std::string path = dir.file("speedsteps.txt");
    WriteTextFile(path, "0 10000 200\n30 20000 200\n");
    // A folder where the repaired file should go: no one can write a file there.
    ASSERT_EQ(mkdir((path + "_fixed").c_str(), 0700), 0);
    CRotorSpeedProfile q;
    EXPECT_TRUE(q.LoadFile(path.c_str()));
    std::vector<ErrorBoxEntry> boxes = TakeErrorBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Attention: could not open " + path + "_fixed");
    EXPECT_EQ(q.fileName, path);
}

TEST_F(RotorSpeedProfile, SpeedChangeNeedsTenRpm) {
    const std::pair<float, int> cases[] = {{40009.0f, 0}, {40010.0f, 1}, {39990.0f, 1}};
    for (const auto& [second, expected] : cases) {
        std::vector<ScanHeader> h = Headers({{100, 40000.0f}, {200, second}});
        EXPECT_EQ(HasRotorSpeedChange(2, h.data()), expected) << second;
    }
    std::vector<ScanHeader> one = Headers({{100, 40000.0f}});
    EXPECT_EQ(HasRotorSpeedChange(1, one.data()), 0);
}

TEST_F(RotorSpeedProfile, RescaleSpeedsStretchesAndSaves) {
    CRotorSpeedProfile p;
    float start[] = {0, 0, 600};
    float speed[] = {0, 10000, 20000};
    float acceleration[] = {0, 200, 200};
    p.SetSteps(2, start, speed, acceleration);
    std::string path = dir.file("rescaled.txt");
    ASSERT_EQ(p.RescaleSpeeds(1000.0f, 1.0f, path.c_str()), 1);
    // om x sqrt(a / (a - b om^2 1e-6)): 10000 -> 10000 x sqrt(1000/900)
    EXPECT_FLOAT_EQ(p.stepSpeed[1], 10540.0f);
    EXPECT_FLOAT_EQ(p.stepSpeed[2], 25819.0f); // 20000 x sqrt(1000/600) = 25819.9
    EXPECT_EQ(p.fileName, path);
}

} // namespace
