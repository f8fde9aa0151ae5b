// The two commands around the outside hydrodynamic programs, through the menu on the headless
// backend: the s-value extracted from boundary-element model output with its plot, and the
// structure run with its run folder, input file, scripts, process start and result box.
#include "app/hydropro_command.h"
#include "app/txla_window.h"
#include "foundations/error_box_log.h"
#include "foundations/text_lines.h"
#include "plat/testing.hpp"
#include "plotting/aux_plots.h"
#include "plotting/win_plot.h"
#include "state/scan_store.h"
#include "support/main_window_fixture.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
constexpr const char* kBest = "read BEST/BEMINE";
constexpr const char* kParameters = "HYDROPRO parameters";

class HydroToolsCommands : public ::testing::Test, public MainWindowFixture {
  protected:
    void Run(int id) {
        plat::test::command(window.get(), id);
        script.pumpUntilIdle();
    }
    void AskMassAndVbar(const char* mass, const char* vbar) {
        script.expectInput().caption(kBest).prompt("molar mass (Da)").answer(mass);
        script.expectInput().caption(kBest).prompt("partial-specific volume (ml/g)").answer(vbar);
    }
    std::string ErrorBoxText() {
        const auto boxes = TakeErrorBoxes();
        return boxes.empty() ? std::string() : boxes.back().text;
    }
};

std::string BestOutput() {
    // D = 6e-7 + 2e-5 / N: extrapolated D 6e-7, s 6.6782 S at 100 kDa and vbar 0.73.
    std::string text;
    for (const char* n : {"1000", "4000", "2000"}) {
        const double d = 6e-7 + 2e-5 / std::atof(n);
        char line[200];
        std::snprintf(line, sizeof line,
                      "model\nNumber of Surface Patches    %s\nDTT(EXACT) = %.6E\n", n, d);
        text += line;
    }
    return text;
}

TEST_F(HydroToolsCommands, BestOutputGivesTheSValueAndItsPlot) {
    const std::string path = data.write("tdat", BestOutput());
    AskMassAndVbar("100000", "0.73");
    script.expectFileOpen()
        .title("select filename of BEMINE output")
        .answer(std::vector<std::string>{path});
    script.expectBox()
        .caption(kBest)
        .textHas("found 3 D-values:\n4000 triangles - D = 6.050000e-07\n2000 triangles")
        .answer(IDYES);
    SendMessage(window.get(), WM_COMMAND, WPARAM(885), 0);
    EXPECT_TRUE(script.done()) << script.logText();
    const std::string report = script.log().back().text;
    EXPECT_NE(report.find("extrapolation to 1/N = 0 gives D = 6.000000e-07 cm^2/sec"),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("an s-value of 6.678"), std::string::npos) << report;
    ASSERT_NE(AuxPlots::auxPlot, nullptr);
    ASSERT_EQ(AuxPlots::pointCount, 3);
    EXPECT_FLOAT_EQ(AuxPlots::temperatureTimes[1], 1.0f / 4000) << "1/N of the largest model";
    EXPECT_FLOAT_EQ(AuxPlots::temperatures[1], 6.05f) << "D in 1e-7 cm^2/s";
    EXPECT_FLOAT_EQ(AuxPlots::lineX[1], 0.0f);
    EXPECT_FLOAT_EQ(AuxPlots::lineY[1], 6.0f);
    EXPECT_FLOAT_EQ(AuxPlots::lineX[3], 1.1f / 1000);
    Paint();
    EXPECT_TRUE(AuxPlots::shown);
    const std::string png = data.file("best_extrapolation.png");
    ASSERT_TRUE(plat::test::windowPng(*window, png));
    if (const char* keep = std::getenv("TARNIX_KEEP_PNG"))
        plat::test::windowPng(*window, std::string(keep) + "/best_extrapolation.png");
}

TEST_F(HydroToolsCommands, BestRefusalsSayWhy) {
    struct Case {
        const char* name;
        std::string file; // empty: the dialog is cancelled
        std::string says;
    };
    const Case cases[] = {
        {"dialog cancelled", "", "no diffusion data found in tdat"},
        {"damaged models only",
         "Number of Surface Patches  abc\nDTT(EXACT) = 6E-07\nNumber of Surface Patches 100\n"
         "DTT(EXACT) = nan\n",
         "no diffusion data found in "},
        {"one number of triangles",
         "Number of Surface Patches 100\nDTT(EXACT) = 6E-07\nNumber of Surface Patches 100\n"
         "DTT(EXACT) = 7E-07\n",
         "do not differ in their number of triangles"},
        {"empty file", "-", "could not read "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TakeErrorBoxes();
        AskMassAndVbar("100000", "0.73");
        if (c.file.empty()) {
            script.expectFileOpen().answer(IDCANCEL);
        } else {
            const std::string path = data.write("out.txt", c.file == "-" ? "" : c.file);
            script.expectFileOpen().answer(std::vector<std::string>{path});
        }
        script.expectBox().caption("Error").textHas(c.says).answer(IDOK);
        Run(885);
        EXPECT_TRUE(script.done()) << script.logText();
        EXPECT_EQ(AuxPlots::auxPlot, nullptr);
    }
    // A molar mass of 0 ends the command without a word.
    AskMassAndVbar("0", "0.73");
    Run(885);
    EXPECT_TRUE(script.done()) << script.logText();
}

// The structure run. The program is a stand-in script in the program folder that writes the
// result file named by the input's second line.
class HydroProRun : public HydroToolsCommands {
  protected:
    void SetUp() override {
        program = folder.file("hydropro7cmsd.exe");
        WriteTextFile(program, "#!/bin/sh\nname=$(sed -n 2p hydropro.dat)\n"
                               "printf 'results\\n*** few minibeads\\nSedimentation coefficient:   "
                               "1.912E-13  sec\\n' > \"$name.res\"\n");
        fs::permissions(program, fs::perms::owner_all);
        structure = data.write("lyso.ent", "ATOM      1  N   LYS A   1\n");
    }
    // The questions up to the structure file.
    void ScriptToStructure() {
        script.expectBox().caption("HYDROPRO").answer(IDYES);
        script.expectBox()
            .caption("ATTENTION")
            .textHas("Please select the pdb structure file.")
            .answer(IDOK);
        script.expectFileOpen()
            .title("please select the pdb file")
            .answer(std::vector<std::string>{structure});
        script.expectBox().caption("no HYDROPRO file").textHas("user guide").answer(IDNO);
        script.expectBox().caption("no HYDROPRO file").textHas("paper").answer(IDNO);
    }
    void Parameter(const char* prompt, const char* answer) {
        script.expectBox().caption("ATTENTION").answer(IDOK);
        script.expectInput().caption(kParameters).prompt(prompt).answer(answer);
    }
    std::string program, structure;
};

TEST_F(HydroProRun, WritesItsFilesRunsTheProgramAndFindsNoResultsHeadless) {
    // Two earlier runs of the structure keep their folders.
    const std::string runs = folder.file("HydroPro");
    fs::create_directories(runs + "/lyso");
    fs::create_directories(runs + "/lyso_");
    const std::string run = runs + "/lyso__";
    ScriptToStructure();
    Parameter("AER (Angstroms)", "3.0");
    Parameter("NSIG", "6.7");
    Parameter("SIGMIN", "1.5");
    script.expectInput().caption(kParameters).prompt("SIGMAX").answer("2.5");
    Parameter("temperature (K)", "277.15");
    Parameter("solvent density (g/ml)", "1.001");
    Parameter("solvent viscosity (Poise)", "0.0157");
    Parameter("molecular weight (Da)", "14300");
    Parameter("partial-specific volume (ml/g)", "0.72");
    script.expectBox()
        .caption("ATTENTION")
        .textHas("Results files will be saved in folder " + run + " .")
        .answer(IDOK);
    // The headless backend starts nothing, so no result file appears.
    script.expectBox().caption("ERROR").text("ERROR - no results file created").answer(IDOK);
    Run(876);
    EXPECT_TRUE(script.done()) << script.logText();

    EXPECT_TRUE(fs::exists(run + "/hydropro7cmsd.exe"));
    EXPECT_EQ(ReadTextFile(run + "/lyso.pdb"), ReadTextFile(structure))
        << "the structure under the name the input gives";
    const std::vector<std::string> input = TextLines(ReadTextFile(run + "/hydropro.dat"));
    const std::vector<std::string> expected = {"lyso",
                                               "lyso",
                                               "lyso.pdb",
                                               "3.00,\t\t!AER, radius of atomic elements",
                                               "6,\t\t!NSIG",
                                               "1.50,\t\t!NSIG",
                                               "2.50,\t\t!NSIG",
                                               "277.1,\t\t!Temperature (K)",
                                               "0.01570,\t\t!Solvent viscosity (Poise)",
                                               "14300.0,\t\t!Mw (Da)",
                                               "0.7200,\t\t!vbar (ml/g)",
                                               "1.00100,\t\t!Solvent density (g/ml)",
                                               "0,",
                                               "0,",
                                               "0,",
                                               "0,",
                                               "*                   "};
    EXPECT_EQ(input, expected);
    EXPECT_EQ(TextLines(ReadTextFile(run + "/hydropro.bat"))[1], "hydropro7cmsd.exe");
    const auto& started = plat::test::processes();
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].argv, (std::vector<std::string>{"sh", run + "/hydropro.sh"}));
    EXPECT_EQ(started[0].workingDir, run);
    EXPECT_TRUE(started[0].wait);
    EXPECT_NE(fs::current_path().string(), run) << "the program's own folder stays";
    const auto opened = std::find_if(script.log().begin(), script.log().end(), [](const auto& r) {
        return r.kind == plat::test::PromptKind::FileOpen;
    });
    ASSERT_NE(opened, script.log().end());
    EXPECT_EQ(opened->text, "*.pdb") << "files ending in .pdb, not files named pdb.<x>";

    // The script as started, run here with the stand-in program, leaves the result file that
    // the command reads: the error line and the sedimentation coefficient.
    ASSERT_EQ(std::system(("cd '" + run + "' && sh hydropro.sh > /dev/null").c_str()), 0);
    script.expectBox()
        .caption("HYDROPRO RESULTS")
        .textHas("Error Messages:\n*** few minibeads\n\n\nSedimentation coefficient:   1.912E-13 "
                 " sec\n\n(Compare experimental s-values")
        .answer(IDOK);
    ShowHydroProResults(window.get(), run, "lyso");
    EXPECT_TRUE(script.done()) << script.logText();
    ASSERT_EQ(started.size(), 2u);
    EXPECT_EQ(started[1].argv.back(), run + "/lyso.res") << "opened in the text editor";
}

TEST_F(HydroProRun, CancelledParameterOrMissingProgram) {
    // A cancelled parameter ends the command with the run folder and the copies made, and no
    // input file.
    ScriptToStructure();
    Parameter("AER (Angstroms)", "3.2");
    script.expectBox().caption("ATTENTION").answer(IDOK);
    script.expectInput().caption(kParameters).prompt("NSIG").answer(IDCANCEL);
    Run(876);
    EXPECT_TRUE(script.done()) << script.logText();
    const std::string run = folder.file("HydroPro/lyso");
    EXPECT_TRUE(fs::exists(run + "/lyso.pdb"));
    EXPECT_FALSE(fs::exists(run + "/hydropro.dat"));
    EXPECT_TRUE(plat::test::processes().empty());

    // Without the program anywhere: the box says so, the locate dialog is cancelled, and the
    // download question opens the web page on Yes.
    fs::remove(program);
    const char* path = std::getenv("PATH");
    const std::string savedPath = path ? path : "";
    setenv("PATH", data.path().c_str(), 1);
    script.expectBox()
        .caption("ERROR")
        .text("Could not find HydroPro file \"hydropro7cmsd.exe\" in folder " + folder.path() +
              "/.\nPlease locate this file!")
        .answer(IDOK);
    script.expectFileOpen().title("please locate the file \"hydropro7cmsd.exe\"").answer(IDCANCEL);
    script.expectBox().caption("no HYDROPRO file").textHas("Download").answer(IDYES);
    Run(876);
    EXPECT_TRUE(script.done()) << script.logText();
    ASSERT_EQ(plat::test::processes().size(), 1u);
    EXPECT_EQ(plat::test::processes()[0].argv[0], "xdg-open");

    // On the PATH it is found.
    WriteTextFile(data.file("hydropro7cmsd"), "");
    EXPECT_EQ(FindHydroProProgram(), data.file("hydropro7cmsd"));
    setenv("PATH", savedPath.c_str(), 1);
}

} // namespace
