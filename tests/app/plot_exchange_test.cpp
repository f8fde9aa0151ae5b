// The files and command lines the plot commands hand to the outside plotting programs, through
// the menu with stand-in programs, each file read back field by field.
#include "app/batch_fit_common.h"
#include "app/external_plot_programs.h"
#include "app/txla_window.h"
#include "plat/testing.hpp"
#include "plotting/win_plot.h"
#include "scandata/scan_header.h"
#include "state/conti_state.h"
#include "state/dls_data.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/scan_store.h"
#include "state/startup_paths.h"
#include "support/batch_data_sets.h"
#include "support/dls_file_generator.h"
#include "support/main_window_fixture.h"
#include "support/temp_folder.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using S = ScanStore;

std::string E(double v) {
    char text[40];
    std::snprintf(text, sizeof text, "%e", v);
    return text;
}

void Command(MainWindowFixture& f, int id) {
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(id), 0);
}

// An executable stand-in at the program-folder path.
void StandIn(MainWindowFixture& f, const std::string& relative) {
    fs::create_directories(fs::path(f.folder.file(relative)).parent_path());
    WriteTextFile(f.folder.file(relative), "#!/bin/sh\n");
    fs::permissions(f.folder.file(relative), fs::perms::owner_all);
}

// Loads a generated c(s) set of the given number of scans; with run, fits it.
void LoadSet(MainWindowFixture& f, int scans, bool run) {
    BatchSetCase c;
    c.scans = scans;
    const auto paths = WriteBatchSet(f.data.path(), "RA1", BatchSetScans(c));
    f.script.expectFileOpen().answer(paths);
    f.script.expectInput().prompt("load every n'th file:").answer("1");
    Command(f, 200);
    ASSERT_EQ(S::scanCount, scans);
    Command(f, 275);
    SetBatchCsParameters();
    if (run) {
        Command(f, 213);
        ASSERT_TRUE(DistributionAvailable());
    }
    // The start-up check makes the temp folder; the fixture does not run it.
    std::snprintf(gTempFolder, kPathBufferSize, "%s/temp/", f.folder.path().c_str());
    fs::create_directories(gTempFolder);
}

// Each "<n>.<ext>" file holds radius and value of the n-th scan in display order, and the
// times file the scan times.
void ExpectScanFiles(float** values, const char* ext) {
    for (int n = 1; n <= S::scanCount; ++n) {
        const int k = S::scanOrder[n];
        const auto lines =
            SplitLines(ReadTextFile(std::string(gTempFolder) + std::to_string(n) + "." + ext));
        ASSERT_EQ(int(lines.size()), S::pointCount[k]) << n;
        for (int i = 1; i <= S::pointCount[k]; ++i)
            EXPECT_EQ(lines[i - 1], E(S::radius[k][i]) + " " + E(values[k][i])) << n << " " << i;
    }
}

} // namespace

TEST(PlotExchange, DataFitAndResidualsGoToTheAuxiliaryProgram) {
    MainWindowFixture f;
    LoadSet(f, 30, true);
    StandIn(f, "bin/dravonndf");
    DetectExternalPlotPrograms(f.window.get());
    auto& s = f.script;
    s.expectBox().caption("PLOT 3D").text("show data within fitting limits?").answer(IDYES);
    s.expectBox()
        .caption("PLOT 3D")
        .text("radial axis range from meniscus to bottom?")
        .answer(IDYES);
    s.expectBox().caption("PLOT FIT").text("auto y-axis limits?").answer(IDYES);
    s.expectInput()
        .title("PLOT FIT")
        .prompt("#of scans to plot (constant time interval)")
        .answer("50");
    plat::test::clearRecords();
    Command(f, 880);
    EXPECT_TRUE(s.done()) << s.logText();
    ASSERT_EQ(plat::test::processes().size(), 1u);
    const std::vector<std::string> expected = {f.folder.file("bin/dravonndf"),
                                               "4113",
                                               gTempFolder,
                                               "30",
                                               "1",
                                               E(S::leftFitLimit),
                                               E(S::rightFitLimit),
                                               E(0),
                                               E(0),
                                               E(ModelParameters::meniscus),
                                               E(ModelParameters::bottom),
                                               E(30)};
    EXPECT_EQ(plat::test::processes()[0].argv, expected);
    ExpectScanFiles(S::signal, "dat");
    ExpectScanFiles(S::fit, "fit");
    const auto times = SplitLines(ReadTextFile(std::string(gTempFolder) + "times.dat"));
    ASSERT_EQ(times.size(), 30u);
    for (int n = 1; n <= 30; ++n)
        EXPECT_EQ(times[n - 1], E(S::header[S::scanOrder[n]].time));
}

TEST(PlotExchange, ThreeDPlotWithTheDisplayLimitsAndItsOwnYRange) {
    MainWindowFixture f;
    LoadSet(f, 6, false);
    StandIn(f, "bin/dravon3dst");
    DetectExternalPlotPrograms(f.window.get());
    const float x0 = S::dataPlot->xMin, x1 = S::dataPlot->xMax;
    auto& s = f.script;
    s.expectBox().text("show data within fitting limits?").answer(IDNO);
    s.expectBox().text("radial axis range from meniscus to bottom?").answer(IDNO);
    s.expectBox()
        .caption("PLOT 3D")
        .text("using current display limits in the TARNIX data plot")
        .answer(IDOK);
    s.expectBox().caption("PLOT 3D").text("use current y-axis limits?").answer(IDNO);
    s.expectInput().title("PLOT 3D").prompt("y-min").answer("-0.1");
    s.expectInput().title("PLOT 3D").prompt("y-max").answer("1.5");
    s.expectInput().title("PLOT 3D").prompt("#of scans to plot").answer("4");
    plat::test::clearRecords();
    Command(f, 878);
    EXPECT_TRUE(s.done()) << s.logText();
    ASSERT_EQ(plat::test::processes().size(), 1u);
    const std::vector<std::string> expected = {f.folder.file("bin/dravon3dst"),
                                               "4113",
                                               gTempFolder,
                                               "6",
                                               "1",
                                               E(x0),
                                               E(x1),
                                               E(-0.1f),
                                               E(1.5f),
                                               E(x0),
                                               E(x1),
                                               E(4)};
    EXPECT_EQ(plat::test::processes()[0].argv, expected);
    ExpectScanFiles(S::signal, "dat");
}

TEST(PlotExchange, ThePlottingProgramGetsTheTableAndTheDistribution) {
    MainWindowFixture f;
    StandIn(f, "VIZRA/VIZRA");
    LoadSet(f, 6, false);
    const std::string vizra = f.folder.file("VIZRA/VIZRA");
    const std::string table = std::string(gTempFolder) + "svdfrdata.dat";
    const std::string dist = std::string(gTempFolder) + "dist.txt";
    auto& s = f.script;

    // Before any fit the fit columns are the data raised by 0.001.
    plat::test::clearRecords();
    Command(f, 900);
    ASSERT_EQ(plat::test::processes().size(), 1u);
    EXPECT_EQ(plat::test::processes()[0].argv, (std::vector<std::string>{vizra, "--svdfr", table}));
    const auto rows = SplitLines(ReadTextFile(table));
    ASSERT_FALSE(rows.empty());
    double noise[3], scan[3];
    ASSERT_EQ(std::sscanf(rows[0].c_str(), "%lf %lf %lf %lf %lf %lf", &noise[0], &noise[1],
                          &noise[2], &scan[0], &scan[1], &scan[2]),
              6);
    EXPECT_NEAR(scan[2], scan[1] + 0.001, 1e-6);

    Command(f, 213);
    ASSERT_TRUE(DistributionAvailable());
    plat::test::clearRecords();
    Command(f, 899);
    ASSERT_EQ(plat::test::processes().size(), 1u);
    EXPECT_EQ(plat::test::processes()[0].argv, (std::vector<std::string>{vizra, "--cofs", dist}));
    const auto lines = SplitLines(ReadTextFile(dist));
    ASSERT_EQ(int(lines.size()), ContiState::gridPoints + 1);
    EXPECT_EQ(lines[0], E(ContiState::sValues[1]) + " " + E(ContiState::distribution[1]));
    EXPECT_EQ(lines.back(), "-999.999 -999.999");
    EXPECT_EQ(ReadTextFile(std::string(gTempFolder) + "lastcommand.txt"),
              vizra + " --cofs " + dist + "\n");

    // Ctrl+G asks for both.
    s.expectBox().caption("VIZRA").text("VIZRA for data, fit, and residuals?").answer(IDYES);
    s.expectBox().caption("VIZRA").text("VIZRA for c(s)?").answer(IDYES);
    plat::test::clearRecords();
    Command(f, 901);
    EXPECT_TRUE(s.done()) << s.logText();
    ASSERT_EQ(plat::test::processes().size(), 2u);
    EXPECT_EQ(plat::test::processes()[0].argv[1], "--svdfr");
    EXPECT_EQ(plat::test::processes()[1].argv[1], "--cofs");
}

TEST(PlotExchange, NothingStartsWithoutTheProgramOrItsFiles) {
    MainWindowFixture f;
    LoadSet(f, 6, true);
    auto& s = f.script;
    const std::string where = f.folder.path() + "/VIZRA/VIZRA";
    s.expectBox()
        .caption("VIZRA")
        .text("Can't seem to find VIZRA script at " + where + " - Sorry!")
        .answer(IDOK);
    s.expectBox()
        .caption("VIZRA")
        .text("Can't seem to find VIZRA executable at " + where + " - Sorry!")
        .answer(IDOK);
    plat::test::clearRecords();
    Command(f, 900);
    Command(f, 899);
    EXPECT_TRUE(s.done()) << s.logText();
    EXPECT_TRUE(plat::test::processes().empty());

    // A temp folder that cannot take the files: said once, and the program is not shown stale
    // files of an earlier command.
    StandIn(f, "bin/dravonndf");
    DetectExternalPlotPrograms(f.window.get());
    const std::string saved = gTempFolder;
    std::snprintf(gTempFolder, kPathBufferSize, "%s", (f.folder.path() + "/missing/").c_str());
    s.expectBox()
        .caption("Error")
        .textHas("Attention: could not open " + f.folder.path() + "/missing/1.dat")
        .answer(IDOK);
    plat::test::clearRecords();
    Command(f, 880);
    std::snprintf(gTempFolder, kPathBufferSize, "%s", saved.c_str());
    EXPECT_TRUE(s.done()) << s.logText();
    EXPECT_TRUE(plat::test::processes().empty());
}

TEST(PlotExchange, MovieDistributionAndStructureCommandLines) {
    MainWindowFixture f;
    LoadSet(f, 6, true);
    for (const char* program : {"bin/dravon3dmo", "bin/dravonndfd", "bin/dravonbestpt"})
        StandIn(f, program);
    DetectExternalPlotPrograms(f.window.get());
    const float x0 = S::dataPlot->xMin, x1 = S::dataPlot->xMax;
    const float y0 = S::dataPlot->yMin, y1 = S::dataPlot->yMax;
    auto& s = f.script;
    auto displayLimits = [&] {
        s.expectBox().text("show data within fitting limits?").answer(IDNO);
        s.expectBox().text("radial axis range from meniscus to bottom?").answer(IDNO);
        s.expectBox().text("using current display limits in the TARNIX data plot").answer(IDOK);
    };
    const std::string movie = f.data.file("run.avi");
    displayLimits();
    s.expectBox().caption("PLOT 3D").text("use current y-axis limits?").answer(IDYES);
    s.expectFileSave()
        .title("select filename for movie file")
        .answer(std::vector<std::string>{movie});
    displayLimits();
    s.expectBox().caption("PLOT FIT").text("auto y-axis limits?").answer(IDNO);
    s.expectBox().caption("PLOT FIT").text("use current y-axis limits?").answer(IDYES);
    s.expectInput()
        .title("PLOT FIT")
        .prompt("#of scans to plot (constant time interval)")
        .answer("3");
    s.expectInput()
        .title("PLOT FIT")
        .prompt("minimum value for s-axis in distribution plot")
        .answer("1");
    s.expectInput()
        .title("PLOT FIT")
        .prompt("maximum value for s-axis in distribution plot")
        .answer("8");
    const std::string structure = f.data.write("model.bead", "x");
    s.expectFileOpen()
        .title("select filename for movie file")
        .answer(std::vector<std::string>{structure});
    plat::test::clearRecords();
    Command(f, 879);
    Command(f, 881);
    Command(f, 883);
    EXPECT_TRUE(s.done()) << s.logText();
    const auto& started = plat::test::processes();
    ASSERT_EQ(started.size(), 3u);
    EXPECT_EQ(started[0].argv,
              (std::vector<std::string>{f.folder.file("bin/dravon3dmo"), "4113", gTempFolder, movie,
                                        "6", "1", E(x0), E(x1), E(y0), E(y1), E(x0), E(x1), E(6)}));
    EXPECT_EQ(started[1].argv, (std::vector<std::string>{f.folder.file("bin/dravonndfd"), "4113",
                                                         gTempFolder, "6", "1", E(x0), E(x1), E(y0),
                                                         E(y1), E(x0), E(x1), E(3), E(1), E(8)}));
    EXPECT_EQ(started[2].argv,
              (std::vector<std::string>{f.folder.file("bin/dravonbestpt"), "4113", structure}));
    // The distribution for the auxiliary program has no end line.
    const auto dist = SplitLines(ReadTextFile(std::string(gTempFolder) + "dist.dat"));
    ASSERT_EQ(int(dist.size()), ContiState::gridPoints);
    EXPECT_EQ(dist.back(), E(ContiState::sValues[ContiState::gridPoints]) + " " +
                               E(ContiState::distribution[ContiState::gridPoints]));
}

TEST(PlotExchange, LightScatteringRecordsGoToThePlottingProgramInBlocks) {
    MainWindowFixture f;
    StandIn(f, "VIZRA/VIZRA");
    f.data.write("a.dlsdat1", DlsFileText(DecayFile(20, 1e-4, 200.0)));
    f.data.write("b.dlsdat1", DlsFileText(DecayFile(20, 2e-4, 100.0)));
    f.script.expectFileOpen().answer(
        std::vector<std::string>{f.data.file("a.dlsdat1"), f.data.file("b.dlsdat1")});
    Command(f, 298);
    ASSERT_TRUE(gDlsData);
    ASSERT_EQ(S::scanCount, 2);
    ASSERT_LT(S::firstFitIndex[1], S::lastFitIndex[1]);
    std::snprintf(gTempFolder, kPathBufferSize, "%s/temp/", f.folder.path().c_str());
    fs::create_directories(gTempFolder);
    plat::test::clearRecords();
    Command(f, 900);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    const std::string file = std::string(gTempFolder) + "dlsdata.dat";
    ASSERT_EQ(plat::test::processes().size(), 1u);
    EXPECT_EQ(plat::test::processes()[0].argv,
              (std::vector<std::string>{f.folder.file("VIZRA/VIZRA"),
                                        S::dlsRecords[1].isFieldAcf ? "--dls" : "--idls", file}));
    // Per record: measured, fitted and residual rows, each block closed by its marker.
    const auto lines = SplitLines(ReadTextFile(file));
    std::size_t at = 0;
    for (int k = 1; k <= 2; ++k) {
        for (const char* marker : {"-666.666 -666.666", "-777.777 -777.777", "-888.888 -888.888"}) {
            for (int i = S::firstFitIndex[k]; i <= S::lastFitIndex[k]; ++i, ++at) {
                ASSERT_LT(at, lines.size());
                const float value = std::string(marker) == "-666.666 -666.666" ? S::signal[k][i]
                                    : std::string(marker) == "-777.777 -777.777"
                                        ? S::fit[k][i]
                                        : S::signal[k][i] - S::fit[k][i];
                EXPECT_EQ(lines[at], E(std::pow(10.0, double(S::radius[k][i]))) + "\t" + E(value))
                    << k << " " << i;
            }
            ASSERT_LT(at, lines.size());
            EXPECT_EQ(lines[at++], marker);
        }
        ASSERT_LT(at, lines.size());
        EXPECT_EQ(lines[at++], "-999.999 -999.999");
    }
    EXPECT_EQ(at, lines.size());
}

TEST(PlotExchange, EquilibriumScansGoToThePlottingProgramInBlocks) {
    MainWindowFixture f;
    StandIn(f, "VIZRA/VIZRA");
    LoadSet(f, 3, false);
    // Treated as equilibrium scans with no noise fitted and an even 0.01 taken out before.
    S::equilibriumData = true;
    ModelChoice::fitTINoise = ModelChoice::fitRINoise = false;
    ASSERT_NE(S::tiNoiseRemoved, nullptr);
    for (int g = 1; g <= S::gridCount; ++g)
        S::tiNoiseRemoved[g] = 0.01f;
    plat::test::clearRecords();
    Command(f, 900);
    S::equilibriumData = false;
    const std::string file = std::string(gTempFolder) + "SEdata.dat";
    ASSERT_EQ(plat::test::processes().size(), 1u);
    EXPECT_EQ(plat::test::processes()[0].argv,
              (std::vector<std::string>{f.folder.file("VIZRA/VIZRA"), "--sedfr", file}));
    auto F = [](double v) {
        char text[40];
        std::snprintf(text, sizeof text, "%f", v);
        return std::string(text);
    };
    const auto lines = SplitLines(ReadTextFile(file));
    std::size_t at = 0;
    for (int k = 1; k <= 3; ++k) {
        for (float** values : {S::signal, S::fit}) {
            for (int i = S::firstFitIndex[k]; i <= S::lastFitIndex[k]; ++i, ++at) {
                ASSERT_LT(at, lines.size());
                double r = 0, v = 0;
                ASSERT_EQ(std::sscanf(lines[at].c_str(), "%lf\t%lf", &r, &v), 2) << lines[at];
                EXPECT_EQ(F(r), F(S::radius[k][i])) << k << " " << i;
                EXPECT_NEAR(v, values[k][i] + 0.01, 2e-6) << k << " " << i;
            }
            ASSERT_LT(at, lines.size());
            EXPECT_EQ(lines[at++], values == S::signal ? "-666.666 -666.666" : "-777.777 -777.777");
        }
        ASSERT_LT(at, lines.size());
        EXPECT_EQ(lines[at++], "-999.999 -999.999");
    }
    const std::vector<std::string> noise(lines.begin() + std::ptrdiff_t(at), lines.end());
    EXPECT_EQ(noise, (std::vector<std::string>{"-1001 -1001", "0 nan", "-1010 -1010", "-1100 -1100",
                                               "0 nan", "-1110 -1110"}));
}
