// The experiment file writer: the questions it asks outside batches and series, and the lines
// the answers give.
#include "app/experiment_file.h"
#include "foundations/text_lines.h"
#include "plat/testing.hpp"
#include "scandata/scan_store_alloc.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
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
          {"buffer viscosity (cPoise)", "2.004"},
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
          {"buffer viscosity (cPoise)", "1.002"},
          {"partial-specific volume (ml/g)", "0.73"},
          {"centerpiece (2 or 6)", "5"},
          {"optical pathlength (cm)", "1.2"},
          {"rotor type (4 or 8)", "6"}},
         {"4 (ExperimentType: MULTISEDEQ)", "0.005000 (ExperimentalNoise)", "2 (Centerpiece)",
          "4 (rotor type:  FOURHOLE)"},
         3},
        {"self-association model: its extinction coefficient",
         [] { ModelChoice::selfAssocMonomerDimer = true; },
         {{"buffer density (g/ml)", "1.0"},
          {"buffer viscosity (cPoise)", "1.002"},
          {"partial-specific volume (ml/g)", "0.73"},
          {"molar extinction coefficient", "2.5"},
          {"optical pathlength (cm)", "1.2"},
          {"rotor type (4 or 8)", "4"}},
         {"2.500000 (xExtinctionCoeffA)", "0.001002 (fBufferViscosity)"},
         1},
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
        ModelChoice::selfAssocMonomerDimer = false;
    }
}

TEST(ExperimentFileWriter, ViscosityIsAskedInCentipoiseAndKeptRelative) {
    // Water is 1.002 cP: the relative viscosity stays 1 and the file holds 0.001002 Pa s.
    MainWindowFixture f;
    f.LoadScans(3, 20);
    S::viscosity = 1.5f;
    f.script.expectInput().prompt("buffer density (g/ml)").answer("1.0");
    f.script.expectInput().prompt("buffer viscosity (cPoise)").answer("1.002");
    f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
    const std::string path = f.data.file("data.xp");
    ASSERT_TRUE(WriteMirovanXpFile(f.window.get(), path.c_str()));
    EXPECT_FLOAT_EQ(S::viscosity, 1.0f);
    EXPECT_TRUE(Has(ReadTextFile(path), "0.001002 (fBufferViscosity)"));
}

TEST(ExperimentFileWriter, EveryValueTheReaderTakesLoadsBack) {
    // The values of lines 4-21 written, overwritten, and read back through the experiment
    // reader; the keys stand on the lines the sibling program counts.
    MainWindowFixture f;
    f.LoadScans(3, 1000); // 5.95 .. 6.95 cm
    using MP = ModelParameters;
    using FC = FitControl;
    struct Value {
        const char* key;
        float* field;
        float written, scribbled;
    };
    S::density = 1.013f, S::viscosity = 1.25f, S::vbar = 0.741f;
    MP::meniscus = 5.93f, MP::bottom = 7.18f;
    const std::vector<Value> values = {
        {"MAXMENISCUS", &FC::meniscusMax, 5.97f, 6.3f},
        {"MINMENISCUS", &FC::meniscusMin, 5.9f, 5.0f},
        {"MAXBOTTOM", &FC::bottomMax, 7.25f, 7.4f},
        {"MINBOTTOM", &FC::bottomMin, 7.15f, 7.0f},
        {"Meniscus", &MP::meniscus, 5.93f, 6.0f},
        {"Bottom", &MP::bottom, 7.18f, 7.3f},
        {"FitLeftLim", &S::leftFitLimit, 6.05f, 6.5f},
        {"FitRightLim", &S::rightFitLimit, 6.9f, 6.6f},
        {"fBufferDensity", &S::density, 1.013f, 1.2f},
        {"VBAR", &S::vbar, 0.741f, 0.5f},
    };
    for (const Value& v : values)
        *v.field = v.written;
    ModelChoice::fitTINoise = true, ModelChoice::fitRINoise = false;
    MP::baselineFloat = 1, MP::bottomFloat = 0, MP::meniscusFloat = 1;
    SerialFitState::serializing = true;
    const std::string path = f.data.file("data.xp");
    ASSERT_TRUE(WriteMirovanXpFile(f.window.get(), path.c_str()));
    SerialFitState::serializing = false;
    const std::vector<std::string> lines = TextLines(ReadTextFile(path));
    ASSERT_EQ(lines.size(), 89u) << "45 lines, 3 extra-concentration lines, a tail of 41";
    const std::pair<int, const char*> keys[] = {{3, "(fBufferDensity)"},
                                                {4, "(fBufferViscosity)"},
                                                {13, "(FitRightLim)"},
                                                {16, "(blocalFitTimeIndepNoise)"},
                                                {20, "(blocalVaryMeniscus)"},
                                                {21, "(blocalVaryMeniscusWarned)"},
                                                {24, "(xExtinctionCoeffA)"},
                                                {28, "(Centerpiece)"},
                                                {33, "(NFILES)"},
                                                {38, "(rotor type:  FOURHOLE)"},
                                                {48, "(bContainsNoBackdiffusion)"},
                                                {67, "-1 (Temperature C)"},
                                                {88, "1 (bITCUnmixedNeck)"}};
    for (const auto& [line, key] : keys)
        EXPECT_NE(lines[line].find(key), std::string::npos) << line << ": " << lines[line];

    for (const Value& v : values)
        *v.field = v.scribbled;
    S::viscosity = 3.0f;
    ModelChoice::fitTINoise = false, ModelChoice::fitRINoise = true;
    MP::baselineFloat = 0, MP::bottomFloat = 1, MP::meniscusFloat = 0;
    f.script.onUnexpected(plat::test::Unexpected::Cancel); // no earlier analysis restored
    ReadXpExperiment(f.window.get(), path.c_str());
    ASSERT_EQ(S::scanCount, 3);
    for (const Value& v : values)
        EXPECT_NEAR(*v.field, v.written, 1e-6) << v.key;
    EXPECT_NEAR(S::viscosity, 1.25f, 1e-3) << "six decimals of Pa s";
    EXPECT_TRUE(ModelChoice::fitTINoise);
    EXPECT_FALSE(ModelChoice::fitRINoise);
    EXPECT_EQ(MP::baselineFloat, 1);
    EXPECT_EQ(MP::bottomFloat, 0);
    EXPECT_EQ(MP::meniscusFloat, 1);
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
