// The experiment file writer: the questions it asks outside batches and series, and the lines
// the answers give.
#include "app/experiment_file.h"
#include "scandata/scan_store_alloc.h"
#include "state/model_choice.h"
#include "state/serial_fit_state.h"
#include "support/main_window_fixture.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using S = ScanStore;
constexpr const char* kTitle = "make MIROVAN xp file";

bool Has(const std::string& text, const std::string& line) {
    return text.find("\n" + line + "\n") != std::string::npos || text.rfind(line + "\n", 0) == 0;
}

TEST(ExperimentFileWriter, AnswersGiveTheSolventCellAndRotorLines) {
    struct Case {
        const char* name;
        std::function<void()> set;
        std::vector<std::pair<std::string, std::string>> answers;
        std::vector<std::string> lines;
        int ppMultiLines;
    };
    const std::vector<Case> cases = {
        {"velocity data",
         [] {},
         {{"buffer density (g/ml)", "1.01"},
          {"buffer viscosity (cPoise)", "0.02004"},
          {"partial-specific volume (ml/g)", "0.75"},
          {"optical pathlength (cm)", "1.1"},
          {"rotor type (4 or 8)", "8.0"}},
         {"0 (ExperimentType: SEDVELOCITY)", "1.010000 (fBufferDensity)",
          "0.002004 (fBufferViscosity)", "0.750000 (VBAR)", "2 (Centerpiece)", "3 (NFILES)",
          "1.100000 (pathlength)", "8 (rotor type:  EIGHTHOLE)"},
         1},
        {"equilibrium data",
         [] { S::equilibriumData = true; },
         {{"buffer density (g/ml)", "1.0"},
          {"buffer viscosity (cPoise)", "0.01002"},
          {"partial-specific volume (ml/g)", "0.73"},
          {"centerpiece (2 or 6)", "5"},
          {"optical pathlength (cm)", "1.2"},
          {"rotor type (4 or 8)", "6"}},
         {"4 (ExperimentType: MULTISEDEQ)", "0.005000 (ExperimentalNoise)", "2 (Centerpiece)",
          "4 (rotor type:  FOURHOLE)"},
         3},
        {"batch: nothing asked",
         [] { SerialFitState::serializing = true; },
         {},
         {"1.000000 (fBufferDensity)", "0.001002 (fBufferViscosity)", "4 (rotor type:  FOURHOLE)"},
         1},
    };
    for (const Case& c : cases) {
        MainWindowFixture f;
        f.LoadScans(3, 20);
        c.set();
        for (const auto& [prompt, answer] : c.answers)
            f.script.expectInput().title(kTitle).prompt(prompt).answer(answer);
        const std::string path = f.data.file("data.xp");
        EXPECT_TRUE(WriteMirovanXpFile(f.window.get(), path.c_str())) << c.name;
        EXPECT_TRUE(f.script.done()) << c.name << f.script.logText();
        const std::string text = ReadTextFile(path);
        for (const std::string& line : c.lines)
            EXPECT_TRUE(Has(text, line)) << c.name << ": " << line;
        for (int i = 1; i <= 3; ++i)
            EXPECT_EQ(
                Has(text, "0.000000e+00 (ppMultiLocalExtraConcs[" + std::to_string(i) + "][3])"),
                i <= c.ppMultiLines)
                << c.name << " " << i;
        EXPECT_TRUE(Has(text, "1 (bITCUnmixedNeck)")) << c.name;
        SerialFitState::serializing = false;
    }
}

TEST(ExperimentFileWriter, NoScansOrNoFileWritesNothing) {
    MainWindowFixture f;
    EXPECT_FALSE(WriteMirovanXpFile(f.window.get(), f.data.file("a.xp").c_str()));
    EXPECT_TRUE(ReadTextFile(f.data.file("a.xp")).empty());
    f.LoadScans(3, 20);
    const std::string path = f.data.file("missing/a.xp");
    f.script.expectBox().caption("ERROR").text("could not open " + path);
    EXPECT_FALSE(WriteMirovanXpFile(f.window.get(), path.c_str()));
    EXPECT_TRUE(f.script.done()) << f.script.logText();
}

} // namespace
