// "Serialize Fit by Cell or dir#" through the menu on generated c(s) sets of known s and loading:
// the report files of every set read back field by field, a failing set noted and passed, the
// user's stop, an unwritable folder, out of memory in a set, and the exits that process nothing.
#include "app/batch_series.h"
#include "app/experiment_file.h"
#include "app/txla_window.h"
#include "display/marker_lines.h"
#include "display/plot_hit_tests.h"
#include "fitting/param_files.h"
#include "foundations/text_lines.h"
#include "plat/app.hpp"
#include "plat/testing.hpp"
#include "scandata/list_file.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/plot_interaction_state.h"
#include "state/preference_switches.h"
#include "state/scan_store.h"
#include "state/serial_fit_state.h"
#include "state/window_services.h"
#include "support/batch_data_sets.h"
#include "support/main_window_fixture.h"
#include "support/write_faults.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <new>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using plat::test::Script;

// Three sets: s 3, 5 and 7 S with loadings 0.3, 0.5 and 0.7.
const BatchSetCase kSets[3] = {{6, 150, 3.0, 1.25, 0.3, 0.005, 11},
                               {6, 150, 5.0, 1.25, 0.5, 0.005, 12},
                               {6, 150, 7.0, 1.25, 0.7, 0.005, 13}};

std::vector<std::vector<double>> ReadRows(const std::string& path, int skipLines = 0) {
    std::ifstream in(path);
    std::vector<std::vector<double>> rows;
    std::string line;
    for (int k = 0; k < skipLines && std::getline(in, line); ++k) {
    }
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::vector<double> row;
        double v;
        while (fields >> v)
            row.push_back(v);
        rows.push_back(row);
    }
    return rows;
}

std::string FirstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

// Loads the scans at paths, chooses c(s) with the batch settings and runs it once.
void LoadFirstSet(MainWindowFixture& f, const std::vector<std::string>& paths) {
    f.script.expectFileOpen().answer(paths);
    f.script.expectInput().prompt("load every n'th file:").answer("1");
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(200), 0);
    ASSERT_EQ(ScanStore::scanCount, static_cast<int>(paths.size()));
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(275), 0);
    SetBatchCsParameters();
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(213), 0);
    ASSERT_NE(ContiState::distribution, nullptr) << f.script.logText();
}

// The questions up to the bounds, then run only (or fit each set), no restore, one range 1.5 .. 9
// S (for a distribution model), no Monte Carlo.
void ScriptOpening(Script& s, bool cell, bool folder, int first, int last, bool restore,
                   bool fitEach = false, bool distribution = true) {
    s.expectBox().caption("SERIALIZE FIT").textHas("time stamp check").answer(IDYES);
    s.expectBox().text("incremental cell number?").answer(cell ? IDYES : IDNO);
    s.expectBox().text("incremental highest subdirectory?").answer(folder ? IDYES : IDNO);
    if (folder)
        s.expectBox().text("load xpfile with incremental name (xp1.xp, xp2.xp...)?").answer(IDNO);
    const char* lo = cell ? "minimum cell number value" : "minimum subdir value";
    const char* hi = cell ? "maximum cell number value" : "maximum subdir value";
    s.expectInput().caption("SERIALIZE FIT").prompt(lo).answer(std::to_string(first));
    s.expectInput().prompt(hi).answer(std::to_string(last));
    s.expectBox().text("fit each set?").answer(fitEach ? IDYES : IDNO);
    s.expectBox().text("restore previous params if available?").answer(restore ? IDYES : IDNO);
    if (!distribution)
        return;
    s.expectBox().text("with automatic integration?").answer(IDYES);
    s.expectInput().prompt("s min for integration").answer("1.5");
    s.expectInput().prompt("s max for integration").answer("9");
    s.expectBox().text("another integration range?").answer(IDNO);
    s.expectBox().text("with Monte-Carlo error analysis?").answer(IDNO);
}

// The report files of set k (0-based) of kSets in folder with extension ext.
void ExpectSetReport(const std::string& folder, const std::string& ext, int k) {
    SCOPED_TRACE(folder + " " + ext);
    const auto dist = ReadRows(folder + "/distribution." + ext);
    ASSERT_EQ(static_cast<int>(dist.size()), 40);
    double peak = 0, peakS = 0;
    for (const auto& row : dist) {
        ASSERT_EQ(row.size(), 2u);
        if (row[1] > peak)
            peak = row[1], peakS = row[0];
    }
    EXPECT_NEAR(dist.front()[0], 0.5, 1e-6);
    EXPECT_NEAR(dist.back()[0], 10.0, 1e-5);
    EXPECT_NEAR(peakS, kSets[k].sS, 0.5) << "the set's own distribution";
    EXPECT_EQ(ReadTextFile(folder + "/ff0." + ext), "1.250000e+00 \n");
    EXPECT_EQ(FirstLine(folder + "/integrals." + ext), "smin, smax, c, sw, ctot");
    const auto integrals = ReadRows(folder + "/integrals." + ext, 1);
    ASSERT_EQ(integrals.size(), 1u);
    ASSERT_EQ(integrals[0].size(), 5u);
    EXPECT_DOUBLE_EQ(integrals[0][0], 1.5);
    EXPECT_DOUBLE_EQ(integrals[0][1], 9.0);
    EXPECT_NEAR(integrals[0][2], kSets[k].loading, 0.03 * kSets[k].loading);
    EXPECT_NEAR(integrals[0][3], kSets[k].sS, 0.03 * kSets[k].sS);
    EXPECT_GE(integrals[0][4], integrals[0][2] * 0.999);
    const std::string xp = folder + "/data_" + ext + ".xp";
    const auto xpLines = TextLines(ReadTextFile(xp));
    ASSERT_GT(xpLines.size(), 3u);
    EXPECT_EQ(xpLines[0], "0 (ExperimentType: SEDVELOCITY)");
    EXPECT_EQ(xpLines[2].rfind("\"" + folder + "\" \" 00001." + ext + " 00002." + ext, 0), 0u)
        << "the set's own folder and scans: " << xpLines[2];
    EXPECT_NE(ReadTextFile(xp).find("\n6 (NFILES)\n"), std::string::npos);
    // The model files beside it: the configuration names the experiment and the parameter file.
    const std::string model = folder + "/from_tarnix_series_" + ext + ".mirovan";
    const auto config = TextLines(ReadTextFile(model));
    ASSERT_EQ(config.size(), 50u);
    EXPECT_EQ(config[0], "experiments:");
    EXPECT_EQ(config[1], "1 1 " + xp);
    EXPECT_EQ(config[23], "model:");
    EXPECT_EQ(config[26], model + "_PAR");
    EXPECT_EQ(config[49], "20 20 20 20 20 0 0");
    const auto par = TextLines(ReadTextFile(model + "_PAR"));
    ASSERT_EQ(par.size(), 82u);
    EXPECT_EQ(par[0], "1000 (hybrid discrete - c(s) model) ");
    EXPECT_EQ(par[3], "0.500000 (MCDsmin1)");
    EXPECT_EQ(par[4], "10.000000 (MCDsmax1)");
    EXPECT_EQ(par[6], "1.250000 (ff0 c(s) #1)");
    EXPECT_EQ(par[27], "0 (exist #1)") << "no species without the discrete-component model";
}

} // namespace

TEST(BatchByCell, EveryCellOfTheFolderFittedAndReported) {
    std::vector<std::vector<GeneratedScan>> sets;
    for (const BatchSetCase& c : kSets)
        sets.push_back(BatchSetScans(c));
    MainWindowFixture f;
    std::vector<std::string> first;
    for (int k = 0; k < 3; ++k) {
        auto paths = WriteBatchSet(f.data.path(), "RA" + std::to_string(k + 1), sets[k]);
        if (k == 0)
            first = paths;
    }
    LoadFirstSet(f, first);
    // Cells 1 to 4: cell 4 has no files and is passed over.
    ScriptOpening(f.script, true, false, 1, 4, false);
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(593), 0);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    for (int k = 0; k < 3; ++k)
        ExpectSetReport(f.data.path(), "RA" + std::to_string(k + 1), k);
    EXPECT_FALSE(fs::exists(f.data.file("distribution.RA4")));
    EXPECT_FALSE(fs::exists(f.data.file("error.txt")));
    EXPECT_FALSE(SerialFitState::serializing);
    EXPECT_FALSE(SerialFitState::restorePrevious);
    EXPECT_TRUE(gCheckTimestamps) << "switched on again";
}

TEST(BatchByCell, FolderModeNotesAFailingSetAndGoesOn) {
    // Folders 1 to 3 beside each other; folder 2 holds a saved analysis of a model that Run does
    // not evaluate, folder 3 one of c(s): with "restore previous" set 2 fails with its code and
    // set 3 is analysed again.
    std::vector<std::vector<GeneratedScan>> sets;
    for (const BatchSetCase& c : kSets)
        sets.push_back(BatchSetScans(c));
    MainWindowFixture f;
    std::vector<std::string> first;
    for (int k = 0; k < 3; ++k) {
        auto paths = WriteBatchSet(f.data.file(std::to_string(k + 1)), "RA1", sets[k]);
        if (k == 0)
            first = paths;
    }
    LoadFirstSet(f, first);
    ScanPaths::gDataPath = f.data.file("3/~tmppars.RA1");
    ASSERT_TRUE(TmpSaveBestParams(f.window.get(), 0));
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(280), 0); // linear Lamm equation
    ModelChoice::zoneCentrifugation = true; // a zone in the rectangular cell is not evaluated
    ScanPaths::gDataPath = f.data.file("2/~tmppars.RA1");
    ASSERT_TRUE(TmpSaveBestParams(f.window.get(), 0));
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(275), 0);
    SetBatchCsParameters();
    ScanPaths::gDataPath = f.data.file("1/~tmppars.RA1");
    ASSERT_TRUE(f.script.done()) << f.script.logText();

    ScriptOpening(f.script, false, true, 1, 3, true);
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(593), 0);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    ExpectSetReport(f.data.file("1"), "RA1", 0);
    ExpectSetReport(f.data.file("3"), "RA1", 2);
    EXPECT_FALSE(fs::exists(f.data.file("1/error.txt")));
    EXPECT_EQ(ReadTextFile(f.data.file("2/error.txt")), "error occured (invalid error code)");
    EXPECT_FALSE(fs::exists(f.data.file("2/distribution.RA1")));
    EXPECT_EQ(FirstLine(f.data.file("2/data_RA1.xp")), "0 (ExperimentType: SEDVELOCITY)");
    EXPECT_EQ(SerialFitState::errorCode, 0) << "set 3 ran clean";
    // The experiment file of set 2 loads set 2 back, not the first set's folder.
    f.script.onUnexpected(plat::test::Unexpected::Cancel); // no earlier analysis restored
    ReadXpExperiment(f.window.get(), f.data.file("2/data_RA1.xp").c_str());
    EXPECT_EQ(ScanStore::scanCount, 6);
    EXPECT_EQ(ScanPaths::gDataDir, f.data.file("2") + "/");
}

TEST(BatchByCell, AKeyAsksToStopAndYesEndsTheWholeBatch) {
    // The key stops the Run of set 1 (it leaves no distribution); "stop series?" No goes on with
    // sets 2 and 3, Yes ends the batch there, with the count of sets done, and nothing more is
    // written. A key pressed while the Run computes past its last poll, as for an engine that does
    // not poll, was dropped by the Run's end, and the series went on through every set.
    static void (*show)(TXLAWindow*) = nullptr;
    static bool unpolled = false;
    std::vector<std::vector<GeneratedScan>> sets;
    for (const BatchSetCase& c : kSets)
        sets.push_back(BatchSetScans(c));
    for (const auto& [stop, polled] : {std::pair{false, true}, {true, true}, {true, false}}) {
        SCOPED_TRACE(std::string(stop ? "Yes" : "No") + (polled ? "" : ", a key not polled"));
        MainWindowFixture f;
        std::vector<std::string> first;
        for (int k = 0; k < 3; ++k) {
            auto paths = WriteBatchSet(f.data.file(std::to_string(k + 1)), "RA1", sets[k]);
            if (k == 0)
                first = paths;
        }
        LoadFirstSet(f, first);
        ScriptOpening(f.script, false, true, 1, 3, false);
        if (polled)
            plat::test::key(f.window.get(), 'A', 'a');
        f.script.expectBox().text("stop series?").answer(stop ? IDYES : IDNO);
        if (stop)
            f.script.expectBox()
                .caption("SERIALIZE FIT")
                .text("series stopped - sets done: 0")
                .answer(IDOK);
        unpolled = !polled;
        show = std::exchange(WindowServices::table.showDistribution, [](TXLAWindow* w) {
            show(w);
            if (SerialFitState::serializing && std::exchange(unpolled, false))
                plat::test::key(w, 'A', 'a');
        });
        SendMessage(f.window.get(), WM_COMMAND, WPARAM(593), 0);
        WindowServices::table.showDistribution = show;
        EXPECT_FALSE(unpolled);
        EXPECT_TRUE(f.script.done()) << f.script.logText();
        EXPECT_FALSE(fs::exists(f.data.file("1/distribution.RA1")));
        EXPECT_EQ(fs::exists(f.data.file("1/data_RA1.xp")), !stop);
        if (stop) {
            for (const char* k : {"2", "3"})
                EXPECT_EQ(FolderEntries(f.data.file(k)).size(), 6u) << "untouched " << k;
        } else {
            ExpectSetReport(f.data.file("2"), "RA1", 1);
            ExpectSetReport(f.data.file("3"), "RA1", 2);
        }
        EXPECT_FALSE(SerialFitState::serializing);
        EXPECT_TRUE(gCheckTimestamps);
    }
}

// A series over the three sets of folders 1 to 3 that fits each set: c(s) with the meniscus
// floated, the distributions shown meanwhile passed to atShow; or one discrete species with s and
// c floated from 4 S and 0.5, each solve passed to atShow. A key pressed first when asked; "stop
// series?" answered as given.
void RunFittingSeries(MainWindowFixture& f, int questionAnswer, void (*atShow)(TXLAWindow*),
                      bool keyFirst = false, bool discrete = false) {
    std::vector<std::string> first;
    for (int k = 0; k < 3; ++k) {
        auto paths =
            WriteBatchSet(f.data.file(std::to_string(k + 1)), "RA1", BatchSetScans(kSets[k]));
        if (k == 0)
            first = paths;
    }
    LoadFirstSet(f, first);
    if (discrete) {
        SendMessage(f.window.get(), WM_COMMAND, WPARAM(198), 0);
        ModelParameters::speciesS[1] = 4.0f;
        ModelParameters::concentration[1] = 0.5f;
        ModelParameters::speciesSFloat[1] = ModelParameters::concentrationFloat[1] = 1;
        PackFitParameters();
    } else {
        ModelParameters::meniscusFloat = 1;
    }
    ScriptOpening(f.script, false, true, 1, 3, false, true, !discrete);
    f.script.expectBox().text("stop series?").answer(questionAnswer);
    if (questionAnswer == IDYES)
        f.script.expectBox().text("series stopped - sets done: 0").answer(IDOK);
    static void (*show)(TXLAWindow*) = nullptr;
    static CComputeObserver* (*observer)(TXLAWindow*) = nullptr;
    static void (*at)(TXLAWindow*) = nullptr;
    static bool atSolves = false;
    at = atShow;
    atSolves = discrete;
    show = std::exchange(WindowServices::table.showDistribution, [](TXLAWindow* w) {
        show(w);
        if (!atSolves)
            at(w);
    });
    observer = std::exchange(WindowServices::table.computeObserver, [](TXLAWindow* w) {
        if (atSolves)
            at(w);
        return observer(w);
    });
    if (keyFirst)
        plat::test::key(f.window.get(), 'A', 'a'); // polled by set 1's Run
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(593), 0);
    WindowServices::table.showDistribution = show;
    WindowServices::table.computeObserver = observer;
    EXPECT_TRUE(f.script.done()) << f.script.logText();
}

// A key that stops set 1's Run in a series that fits each set (one species of 3 S): the set's Fit
// runs after the stopped Run, then "stop series?" is asked. The question came before the Fit,
// which ran only on No: Yes left the set unfitted and its "~tmppars" unwritten.
TEST(BatchByCell, AKeyThatStopsASetsRunAsksAfterItsFit) {
    static int fitSolvesWhileStopping = 0;
    static float sAtSet2 = 0.0f;
    for (const int answer : {IDYES, IDNO}) {
        SCOPED_TRACE(answer == IDYES ? "Yes" : "No");
        MainWindowFixture f;
        fitSolvesWhileStopping = 0;
        sAtSet2 = 0.0f;
        RunFittingSeries(
            f, answer,
            [](TXLAWindow* w) {
                fitSolvesWhileStopping += w->fitBusy && SerialFitState::stopRequested;
                if (sAtSet2 == 0.0f && ScanPaths::gDataPath.find("/2/") != std::string::npos)
                    sAtSet2 = ModelParameters::speciesS[1];
            },
            true, true);
        EXPECT_GT(fitSolvesWhileStopping, 0) << "the Fit ran before the question";
        EXPECT_TRUE(fs::exists(f.data.file("1/~tmppars.RA1")));
        EXPECT_EQ(fs::exists(f.data.file("1/data_RA1.xp")), answer == IDNO);
        if (answer == IDYES)
            EXPECT_NEAR(ModelParameters::speciesS[1], kSets[0].sS, 0.2) << "set 1 fitted";
        else
            EXPECT_NEAR(sAtSet2, kSets[0].sS, 0.2) << "set 2 starts where set 1 was fitted";
    }
}

// A key a box's loop hands the window while set 1's Fit ends (its report, a solver's box in the
// final Run, the notice): neither counted nor left queued, and the series went on through every
// set. It stops the series as a key left queued then does.
TEST(BatchByCell, AKeyHandedOnByABoxWhileAFitEndsAsksToStop) {
    static bool pressed = false;
    MainWindowFixture f;
    pressed = false;
    RunFittingSeries(f, IDYES, [](TXLAWindow* w) {
        if (!w->fitBusy || FitControl::fitInProgress || std::exchange(pressed, true))
            return;
        plat::test::key(w, 'A', 'a');
        while (plat::PumpOnce(false)) {
        }
    });
    EXPECT_TRUE(pressed);
    EXPECT_FALSE(fs::exists(f.data.file("2/distribution.RA1")));
}

// Out of memory in set 2's Run, by cell (folders 1 to 3), by list files (list.001 to list.003)
// and over the plotting program's series of those lists: the series stayed on for the rest of the
// session, the time-stamp check off (by cell), and the left fit limit taken with the mouse did not
// follow it. The series now ends there as its own end does, and the box names the set.
TEST(BatchByCell, OutOfMemoryInASetEndsTheSeriesAsItsEndDoes) {
    enum class Batch { ByCell, ByList, Series };
    static std::string set2;
    std::vector<std::vector<GeneratedScan>> sets;
    for (const BatchSetCase& c : kSets)
        sets.push_back(BatchSetScans(c));
    for (const Batch batch : {Batch::ByCell, Batch::ByList, Batch::Series}) {
        SCOPED_TRACE(static_cast<int>(batch));
        MainWindowFixture f(900, 650);
        std::vector<std::string> first, lists{""};
        for (int k = 0; k < 3; ++k) {
            const std::string n = std::to_string(k + 1);
            const std::string folder = batch == Batch::ByCell ? f.data.file(n) : f.data.path();
            auto paths = WriteBatchSet(folder, batch == Batch::ByCell ? "RA1" : "RA" + n, sets[k]);
            if (k == 0)
                first = paths;
            if (k == 1)
                set2 = paths[0];
            std::vector<std::string> list{f.data.path()};
            for (const std::string& path : paths)
                list.push_back(fs::path(path).filename().string());
            if (batch != Batch::ByCell)
                lists.push_back(f.data.write("list.00" + n, ListText(1, list)));
        }
        LoadFirstSet(f, first);
        f.Paint();
        auto& s = f.script;
        if (batch == Batch::ByCell) {
            ScriptOpening(s, false, true, 1, 3, false);
        } else {
            s.expectBox().textHas("fit each set?").answer(IDNO);
            s.expectBox().text("restore previous params if available?").answer(IDNO);
        }
        if (batch == Batch::ByList) {
            s.expectBox().text("overwrite FitRightLim?").answer(IDNO);
            s.expectBox().text("VIZRA dfr and c(s)?").answer(IDNO);
            s.expectBox().text("with automatic integration?").answer(IDNO);
        }
        s.expectBox().caption("Error").text("Not enough memory to complete the command.\n"
                                            "SEDIMENTATION ANALYSIS -> " +
                                            set2 + "...\nseries stopped - sets done: 1");
        static WindowServiceTable kept;
        kept = WindowServices::table;
        WindowServices::table.showDistribution = [](TXLAWindow* w) {
            if (ScanStore::fileNames[0] == set2)
                throw std::bad_alloc();
            kept.showDistribution(w);
        };
        if (batch == Batch::Series) {
            SerialFitState::seriesCount = 3;
            SerialFitState::seriesListPaths = SerialFitState::seriesNames = lists;
            SerialFitState::seriesRmsd = SerialFitState::seriesMeniscus =
                SerialFitState::seriesFf0 = std::vector<float>(4);
            RunSerialFitSeries(f.window.get());
        } else {
            SendMessage(f.window.get(), WM_COMMAND, WPARAM(batch == Batch::ByCell ? 593 : 904), 0);
        }
        WindowServices::table = kept;
        EXPECT_TRUE(s.done()) << s.logText();
        EXPECT_FALSE(SerialFitState::serializing || SerialFitState::restorePrevious);
        EXPECT_TRUE(gCheckTimestamps);
        f.Paint();
        const int x = DataPlotColumn(f.window.get(), ScanStore::leftFitLimit);
        int y = int(f.window->clientHeight) / 2;
        while (y > 0 && !InsideDataPlotBand(f.window.get(), x, y))
            --y;
        plat::test::mouse(f.window.get(), WM_LBUTTONDOWN, x, y, MK_LBUTTON);
        plat::test::mouse(f.window.get(), WM_MOUSEMOVE, x + 40, y, MK_LBUTTON);
        s.pumpUntilIdle();
        EXPECT_EQ(MarkerDragState::releaseX, x + 40) << "the limit follows the mouse";
    }
}

TEST(BatchByCell, AnUnwritableFolderStopsTheBatchKeepingWhatWasWritten) {
    std::vector<std::vector<GeneratedScan>> sets;
    for (const BatchSetCase& c : kSets)
        sets.push_back(BatchSetScans(c));
    MainWindowFixture f;
    std::vector<std::string> first;
    for (int k = 0; k < 3; ++k) {
        auto paths = WriteBatchSet(f.data.file(std::to_string(k + 1)), "RA1", sets[k]);
        if (k == 0)
            first = paths;
    }
    // The child runs as a user without rights: the other folders are opened to everyone.
    for (const std::string& dir : {f.data.path(), f.data.file("1"), f.data.file("3")})
        fs::permissions(dir, fs::perms::all);
    fs::permissions(f.folder.path(), fs::perms::all);
    LoadFirstSet(f, first);
    f.script.onUnexpected(plat::test::Unexpected::Cancel);
    const std::string folder2 = f.data.file("2");
    const bool stopped = ChildReportsFailure(WriteFault::ReadOnlyFolder, folder2, [&] {
        ScriptOpening(f.script, false, true, 1, 3, false);
        f.script.expectBox()
            .caption("SERIALIZE FIT")
            .text("could not write " + folder2 + "/distribution.RA1\nseries stopped - sets done: 1")
            .answer(IDOK);
        SendMessage(f.window.get(), WM_COMMAND, WPARAM(593), 0);
        return f.script.done() && fs::exists(f.data.file("1/distribution.RA1")) &&
               fs::exists(f.data.file("1/data_RA1.xp")) && FolderEntries(folder2).size() == 6 &&
               !fs::exists(f.data.file("3/distribution.RA1")) && !SerialFitState::serializing;
    });
    EXPECT_TRUE(stopped);
}

TEST(BatchByCell, ExitsBeforeAnySetWriteNothing) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> answers; // prompt, answer
    };
    const Case cases[] = {
        {"nothing to serialize",
         {{"incremental cell number?", "No"},
          {"incremental highest subdirectory?", "No"},
          {"nothing to serialize", "OK"}}},
        {"cancelled bound",
         {{"incremental cell number?", "Yes"},
          {"incremental highest subdirectory?", "No"},
          {"minimum cell number value", "2"},
          {"maximum cell number value", "Cancel"}}},
        {"minimum above maximum",
         {{"incremental cell number?", "Yes"},
          {"incremental highest subdirectory?", "No"},
          {"minimum cell number value", "5"},
          {"maximum cell number value", "3"},
          {"fit each set?", "No"},
          {"restore previous params if available?", "No"},
          {"with automatic integration?", "No"}}},
    };
    const std::vector<GeneratedScan> scans = BatchSetScans(kSets[0]);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MainWindowFixture f;
        LoadFirstSet(f, WriteBatchSet(f.data.path(), "RA1", scans));
        const auto before = FolderEntries(f.data.path());
        f.script.expectBox().textHas("time stamp check").answer(IDYES);
        for (const auto& [prompt, answer] : c.answers) {
            const bool input = prompt.find("value") != std::string::npos;
            if (input && answer == "Cancel")
                f.script.expectInput().prompt(prompt).answer(IDCANCEL);
            else if (input)
                f.script.expectInput().prompt(prompt).answer(answer);
            else
                f.script.expectBox().text(prompt).answer(answer == "Yes"  ? IDYES
                                                         : answer == "No" ? IDNO
                                                                          : IDOK);
        }
        SendMessage(f.window.get(), WM_COMMAND, WPARAM(593), 0);
        EXPECT_TRUE(f.script.done()) << f.script.logText();
        EXPECT_EQ(FolderEntries(f.data.path()), before);
        EXPECT_TRUE(gCheckTimestamps) << "the time-stamp check is the user's again";
        EXPECT_FALSE(SerialFitState::serializing);
    }
}

TEST(BatchByCell, MonteCarloStatisticsOfEachRange) {
    // Cell 1 alone with two ranges and 4 replicates: the set's "MCdata" folder is made and
    // "MCintegrals" holds per range its limits and the eight statistics of the replicates.
    const std::vector<GeneratedScan> scans = BatchSetScans(kSets[1]);
    MainWindowFixture f;
    LoadFirstSet(f, WriteBatchSet(f.data.path(), "RA1", scans));
    auto& s = f.script;
    s.expectBox().textHas("time stamp check").answer(IDYES);
    s.expectBox().text("incremental cell number?").answer(IDYES);
    s.expectBox().text("incremental highest subdirectory?").answer(IDNO);
    s.expectInput().prompt("minimum cell number value").answer("1");
    s.expectInput().prompt("maximum cell number value").answer("1.9");
    s.expectBox().text("fit each set?").answer(IDNO);
    s.expectBox().text("restore previous params if available?").answer(IDNO);
    s.expectBox().text("with automatic integration?").answer(IDYES);
    s.expectInput().prompt("s min for integration").answer("1.5");
    s.expectInput().prompt("s max for integration").answer("9");
    s.expectBox().text("another integration range?").answer(IDYES);
    s.expectInput().prompt("s min for integration").answer("4");
    s.expectInput().prompt("s max for integration").answer("6");
    s.expectBox().text("another integration range?").answer(IDNO);
    s.expectBox().text("with Monte-Carlo error analysis?").answer(IDYES);
    s.expectInput().prompt("# of MC iterations").answer("4.7");
    static int busyAsAFit = 0; // the replicates compute busy as a Fit, in a series too
    static CComputeObserver* (*observer)(TXLAWindow*) = nullptr;
    observer = std::exchange(WindowServices::table.computeObserver, [](TXLAWindow* w) {
        busyAsAFit += w->fitBusy;
        return observer(w);
    });
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(593), 0);
    WindowServices::table.computeObserver = observer;
    EXPECT_GT(busyAsAFit, 0);
    EXPECT_TRUE(s.done()) << s.logText();
    EXPECT_TRUE(SerialFitState::monteCarlo);
    EXPECT_TRUE(fs::is_directory(f.data.file("MCdata")));
    const std::string mc = f.data.file("MCintegrals.RA1");
    EXPECT_EQ(FirstLine(mc), "smin\tsmax\tsavg\tsstd\tslow\tsup\tcavg\tcstd\tclow\tcup (P = 0.68)");
    const auto rows = ReadRows(mc, 1);
    ASSERT_EQ(rows.size(), 2u);
    const double limits[2][2] = {{1.5, 9.0}, {4.0, 6.0}};
    for (int r = 0; r < 2; ++r) {
        ASSERT_EQ(rows[r].size(), 10u);
        EXPECT_DOUBLE_EQ(rows[r][0], limits[r][0]);
        EXPECT_DOUBLE_EQ(rows[r][1], limits[r][1]);
        EXPECT_NEAR(rows[r][2], 5.0, 0.3) << "mean s of the replicates";
        EXPECT_NEAR(rows[r][6], 0.5, 0.05) << "mean c of the replicates";
        EXPECT_LE(rows[r][4], rows[r][5]) << "lower below upper s limit";
        EXPECT_LE(rows[r][8], rows[r][9]) << "lower below upper c limit";
    }
    EXPECT_EQ(ReadRows(f.data.file("integrals.RA1"), 1).size(), 2u);
}

TEST(BatchByCell, NumberedExperimentFilesLoadEachSet) {
    // Folders 1 to 3, each with its experiment file xp<n>.xp naming its scans; the noise
    // switches of the analysis set up at the start are kept for every set.
    std::vector<std::vector<GeneratedScan>> sets;
    for (const BatchSetCase& c : kSets)
        sets.push_back(BatchSetScans(c));
    MainWindowFixture f;
    std::vector<std::vector<std::string>> paths;
    for (int k = 0; k < 3; ++k)
        paths.push_back(WriteBatchSet(f.data.file(std::to_string(k + 1)), "RA1", sets[k]));
    for (int k = 2; k >= 0; --k) {
        LoadFirstSet(f, paths[k]);
        SerialFitState::serializing = true; // the experiment writer asks nothing
        const std::string xp =
            f.data.file(std::to_string(k + 1) + "/xp" + std::to_string(k + 1) + ".xp");
        ASSERT_TRUE(WriteMirovanXpFile(f.window.get(), xp.c_str()));
        SerialFitState::serializing = false;
    }
    ModelChoice::fitRINoise = true;
    auto& s = f.script;
    s.expectBox().textHas("time stamp check").answer(IDYES);
    s.expectBox().text("incremental cell number?").answer(IDNO);
    s.expectBox().text("incremental highest subdirectory?").answer(IDYES);
    s.expectBox().text("load xpfile with incremental name (xp1.xp, xp2.xp...)?").answer(IDYES);
    s.expectBox().text("restore TI & RI noise from current model?").answer(IDYES);
    s.expectInput().prompt("minimum subdir value").answer("1");
    s.expectInput().prompt("maximum subdir value").answer("3");
    s.expectBox().text("fit each set?").answer(IDNO);
    s.expectBox().text("restore previous params if available?").answer(IDNO);
    s.expectBox().text("with automatic integration?").answer(IDYES);
    s.expectInput().prompt("s min for integration").answer("1.5");
    s.expectInput().prompt("s max for integration").answer("9");
    s.expectBox().text("another integration range?").answer(IDNO);
    s.expectBox().text("with Monte-Carlo error analysis?").answer(IDNO);
    s.onUnexpected(plat::test::Unexpected::Fail);
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(593), 0);
    EXPECT_TRUE(s.done()) << s.logText();
    EXPECT_TRUE(ModelChoice::fitRINoise) << "kept from the start";
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(k + 1);
        const auto integrals = ReadRows(f.data.file(std::to_string(k + 1) + "/integrals.RA1"), 1);
        ASSERT_EQ(integrals.size(), 1u);
        ASSERT_EQ(integrals[0].size(), 5u);
        EXPECT_NEAR(integrals[0][3], kSets[k].sS, 0.05 * kSets[k].sS) << "the set's own scans";
    }
}

TEST(BatchByCell, ExperimentFilesNamingScansElsewhereAreHandedOnAsLoaded) {
    // The scans of set k lie in "scans<k>", its experiment file in folder "<k>": each set's
    // exported experiment file names the folder its scans were loaded from.
    std::vector<std::vector<GeneratedScan>> sets;
    for (const BatchSetCase& c : kSets)
        sets.push_back(BatchSetScans(c));
    MainWindowFixture f;
    std::vector<std::vector<std::string>> paths;
    for (int k = 0; k < 3; ++k) {
        paths.push_back(
            WriteBatchSet(f.data.file("scans" + std::to_string(k + 1)), "RA1", sets[k]));
        fs::create_directories(f.data.file(std::to_string(k + 1)));
    }
    for (int k = 2; k >= 0; --k) {
        LoadFirstSet(f, paths[k]);
        SerialFitState::serializing = true;
        const std::string xp =
            f.data.file(std::to_string(k + 1) + "/xp" + std::to_string(k + 1) + ".xp");
        ASSERT_TRUE(WriteMirovanXpFile(f.window.get(), xp.c_str()));
        SerialFitState::serializing = false;
    }
    auto& s = f.script;
    s.expectBox().textHas("time stamp check").answer(IDYES);
    s.expectBox().text("incremental cell number?").answer(IDNO);
    s.expectBox().text("incremental highest subdirectory?").answer(IDYES);
    s.expectBox().text("load xpfile with incremental name (xp1.xp, xp2.xp...)?").answer(IDYES);
    s.expectBox().text("restore TI & RI noise from current model?").answer(IDNO);
    s.expectInput().prompt("minimum subdir value").answer("1");
    s.expectInput().prompt("maximum subdir value").answer("3");
    s.expectBox().text("fit each set?").answer(IDNO);
    s.expectBox().text("restore previous params if available?").answer(IDNO);
    s.expectBox().text("with automatic integration?").answer(IDNO);
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(593), 0);
    EXPECT_TRUE(s.done()) << s.logText();
    for (int k = 1; k <= 3; ++k) {
        SCOPED_TRACE(k);
        const auto lines = TextLines(ReadTextFile(f.data.file(std::to_string(k) + "/data_RA1.xp")));
        ASSERT_GT(lines.size(), 3u);
        EXPECT_EQ(
            lines[2].rfind("\"" + f.data.file("scans" + std::to_string(k)) + "\" \" 00001.RA1", 0),
            0u)
            << lines[2];
    }
}
