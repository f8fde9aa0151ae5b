// The batch over series chosen in the plotting program: the series files it reads (scan-number
// lists assembled from the files there, lists of lists, malformed lines), the command through the
// menu with a stand-in program whose series file appears while the batch waits, and the
// exchange files read back field by field.
#include "app/batch_fit_common.h"
#include "app/batch_series.h"
#include "app/txla_window.h"
#include "plat/testing.hpp"
#include "scandata/list_file.h"
#include "scandata/scan_data_kind.h"
#include "state/conti_state.h"
#include "state/model_parameters.h"
#include "state/scan_store.h"
#include "state/serial_fit_state.h"
#include "support/batch_data_sets.h"
#include "support/main_window_fixture.h"
#include "support/temp_folder.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using SF = SerialFitState;

// The thread standing in for the other program waits in steps of 5 ms for the program to move the
// old series file aside: at most two minutes, which a loaded machine's fits before it can take.
constexpr int kWaitSteps = 24000;

// The scan names of a list file (after its stride line and folder).
std::vector<std::string> ListedNames(const std::string& path) {
    std::vector<std::string> lines = SplitLines(ReadTextFile(path));
    return lines.size() < 2 ? std::vector<std::string>{}
                            : std::vector<std::string>(lines.begin() + 2, lines.end());
}

std::vector<std::string> Numbered(const std::string& prefix, const std::vector<int>& numbers,
                                  const std::string& ext) {
    std::vector<std::string> names;
    for (int n : numbers) {
        char name[80];
        std::snprintf(name, sizeof name, "%s%05d.%s", prefix.c_str(), n, ext.c_str());
        names.push_back(name);
    }
    return names;
}

} // namespace

TEST(BatchSeries, SeriesFilesReadIntoTheTable) {
    struct Case {
        const char* name;
        bool listOfLists;
        std::string file;
        bool read;
        int series;
        std::vector<std::string> boxes; // the error boxes shown (their bell is not shown)
    };
    TempFolder data;
    // run_ 1..20 of RA1 except 5 and 7; RA2 only 1..3 and 20; RA3 only number 2.
    for (int n = 1; n <= 20; ++n)
        if (n != 5 && n != 7)
            data.write(Numbered("run_", {n}, "RA1")[0], "x");
    for (int n : {1, 2, 3, 20})
        data.write(Numbered("run_", {n}, "RA2")[0], "x");
    data.write(Numbered("run_", {2}, "RA3")[0], "x");
    const std::string two = "run_ RA1 1 20 2\nrun_ RA2 1 20 2\n";
    const Case cases[] = {
        {"two series and a last empty line", false, two + "\n", true, 2, {}},
        {"the last series without a line end",
         false,
         "run_ RA1 1 20 2\nrun_ RA2 1 20 2",
         true,
         2,
         {}},
        {"CR LF line ends", false, "run_ RA1 1 20 2\r\nrun_ RA2 1 20 2\r\n", true, 2, {}},
        {"a series with one file ends the table before it",
         false,
         two + "run_ RA3 1 5 1\nrun_ RA1 1 3 1\n",
         true,
         2,
         {"problem creating list RA3: only 1 files found",
          "problem creating list #3: run_ RA3 1 5 1"}},
        {"step 0 never ends",
         false,
         "run_ RA1 1 20 0\n",
         false,
         0,
         {"parsing error of " + data.path() + "/toBeProcessed.txt"}},
        {"a range running backwards",
         false,
         "run_ RA1 20 1 1\n",
         false,
         0,
         {"parsing error of " + data.path() + "/toBeProcessed.txt"}},
        {"four fields",
         false,
         "run_ RA1 1 20\n",
         false,
         0,
         {"parsing error of " + data.path() + "/toBeProcessed.txt"}},
        {"a mistyped last number past the numbering",
         false,
         "run_ RA1 1 2000000000 1\n",
         false,
         0,
         {"parsing error of " + data.path() + "/toBeProcessed.txt"}},
        {"an over-long field",
         false,
         std::string(300, 'x') + " RA1 1 20 2\n",
         false,
         0,
         {"parsing error of " + data.path() + "/toBeProcessed.txt"}},
        {"two paths on a line of lists",
         true,
         "/a/list.RA1 /b/list.RA1\n",
         false,
         0,
         {"parsing error of " + data.path() + "/listOfLists.txt"}},
        {"lists of lists", true, "/a/list.RA1\n/b/list.RA2\n\n", true, 2, {}},
        {"an empty file", false, "", false, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MainWindowFixture f;
        gSeriesFolder = data.path() + "/";
        SF::listOfListsMode = c.listOfLists;
        data.write(c.listOfLists ? "listOfLists.txt" : "toBeProcessed.txt", c.file);
        for (const std::string& box : c.boxes)
            f.script.expectBox().caption("Error").text(box).answer(IDOK);
        EXPECT_EQ(ReadSeriesListOfLists(f.window.get()), c.read);
        EXPECT_TRUE(f.script.done()) << f.script.logText();
        if (!c.read)
            continue;
        ASSERT_EQ(SF::seriesCount, c.series);
        if (c.listOfLists) {
            EXPECT_EQ(SF::seriesListPaths[2], "/b/list.RA2");
            EXPECT_EQ(SF::seriesNames[2], "/b/list.RA2");
            continue;
        }
        EXPECT_EQ(SF::seriesNames[1], "run_RA1");
        EXPECT_EQ(SF::seriesNames[2], "run_RA2");
        // Every second number, the next one after a missing number, and the last one always.
        EXPECT_EQ(ListedNames(SF::seriesListPaths[1]),
                  Numbered("run_", {1, 3, 6, 8, 10, 12, 14, 16, 18, 20}, "RA1"));
        EXPECT_EQ(ListedNames(SF::seriesListPaths[2]), Numbered("run_", {1, 3, 20}, "RA2"));
        EXPECT_EQ(SplitLines(ReadTextFile(SF::seriesListPaths[1]))[1], data.path());
        EXPECT_EQ(SF::seriesRmsd[2], 0.0f) << "not analysed yet";
    }
}

TEST(BatchSeries, WithoutTheProgramTheCommandSaysWhereItLooked) {
    const std::vector<GeneratedScan> scans = BatchSetScans({});
    MainWindowFixture f;
    const auto paths = WriteBatchSet(f.data.path(), "RA1", scans);
    f.script.expectFileOpen().answer(paths);
    f.script.expectInput().prompt("load every n'th file:").answer("1");
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(200), 0);
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(275), 0);
    f.script.expectBox().caption("SERIALIZE FIT").textHas("part of the series").answer(IDYES);
    f.script.expectBox()
        .caption("SERIALIZE FIT")
        .text("sorry, could not find VIZRA file at " + f.folder.path() + "/VIZRA/VIZRA")
        .answer(IDOK);
    plat::test::clearRecords();
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(923), 0);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_TRUE(plat::test::processes().empty());
    EXPECT_FALSE(fs::exists(f.data.file("distFinis.txt")));
}

TEST(BatchSeries, ListsChosenInThePlottingProgramFittedAndReported) {
    const BatchSetCase truth[3] = {{6, 150, 3.0, 1.25, 0.3, 0.005, 41},
                                   {6, 150, 5.0, 1.25, 0.5, 0.005, 42},
                                   {6, 150, 7.0, 1.25, 0.7, 0.005, 43}};
    std::vector<std::vector<GeneratedScan>> sets;
    for (const BatchSetCase& c : truth)
        sets.push_back(BatchSetScans(c));
    MainWindowFixture f;
    const std::string root = f.data.path() + "/";
    // A stand-in for the plotting program, found in the program folder.
    fs::create_directories(f.folder.file("VIZRA"));
    WriteTextFile(f.folder.file("VIZRA/VIZRA"), "#!/bin/sh\n");
    fs::permissions(f.folder.file("VIZRA/VIZRA"), fs::perms::owner_all);
    std::vector<std::string> lists;
    for (int k = 0; k < 3; ++k) {
        const std::string ext = "RA" + std::to_string(k + 1);
        WriteBatchSet(f.data.path(), ext, sets[k]);
        std::vector<std::string> strings{f.data.path()};
        for (int i = 1; i <= 6; ++i)
            strings.push_back(Numbered("", {i}, ext)[0]);
        lists.push_back(f.data.write("list." + ext, ListText(1, strings)));
    }
    f.script.expectFileOpen().answer(std::vector<std::string>{lists[0]});
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(200), 0);
    ASSERT_EQ(ScanStore::scanCount, 6);
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(275), 0);
    SetBatchCsParameters();
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(213), 0);
    ASSERT_TRUE(DistributionAvailable());
    // The series file of an earlier batch and one moved aside before it.
    f.data.write("listOfLists.txt", "old\n");
    f.data.write("listOfLists(1).txt", "older\n");

    // The program writes its series file once the old one has been moved aside.
    std::thread program([&] {
        for (int i = 0; i < kWaitSteps && !fs::exists(root + "listOfLists(2).txt"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        WriteTextFile(root + "listOfLists.tmp",
                      lists[0] + "\n" + lists[1] + "\n" + lists[2] + "\n\n");
        fs::rename(root + "listOfLists.tmp", root + "listOfLists.txt");
    });
    auto& s = f.script;
    s.expectBox().textHas("part of the series").answer(IDYES);
    s.expectBox()
        .text("look for existing series of lists? (otherwise they will be assembled by scan "
              "numbers)")
        .answer(IDYES);
    s.expectBox().textHas("now please work with VIZRA").answer(IDOK);
    s.expectBox().textHas("fit each set?").answer(IDNO);
    s.expectBox().text("restore previous params if available?").answer(IDNO);
    plat::test::clearRecords();
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(923), 0);
    program.join();
    EXPECT_TRUE(s.done()) << s.logText();
    EXPECT_EQ(ReadTextFile(root + "listOfLists(2).txt"), "old\n");

    ASSERT_EQ(plat::test::processes().size(), 1u);
    const std::vector<std::string>& argv = plat::test::processes()[0].argv;
    ASSERT_EQ(argv.size(), 4u);
    EXPECT_EQ(argv[0], f.folder.file("VIZRA/VIZRA"));
    EXPECT_EQ(argv[1], "--cofs");
    EXPECT_EQ(argv[2], "--watchlist");
    EXPECT_EQ(argv[3], f.data.path());

    const std::vector<std::string> finis = SplitLines(ReadTextFile(root + "distFinis.txt"));
    ASSERT_EQ(finis.size(), 3u);
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(lists[k]);
        char name[400];
        float rmsd = -1, meniscus = 0, ff0 = 0;
        ASSERT_EQ(
            std::sscanf(finis[k].c_str(), "%399[^\t]\t%f\t%f\t%f", name, &rmsd, &meniscus, &ff0), 4)
            << finis[k];
        EXPECT_EQ(name, lists[k]);
        EXPECT_GE(rmsd, 0.0f);
        EXPECT_FLOAT_EQ(meniscus, 6.0f);
        EXPECT_FLOAT_EQ(ff0, 1.25f);
        const std::string ext = "RA" + std::to_string(k + 1);
        // The distribution for the plotting program: the grid, then its end line.
        const std::vector<std::string> dist =
            SplitLines(ReadTextFile(root + "distlist." + ext + ".txt"));
        ASSERT_EQ(dist.size(), 41u);
        EXPECT_EQ(dist.back(), "-999.999 -999.999");
        double s0 = 0, c0 = 0;
        ASSERT_EQ(std::sscanf(dist[0].c_str(), "%lf %lf", &s0, &c0), 2);
        EXPECT_NEAR(s0, 0.5, 1e-6);
        // Data, fit and noise: three noise columns and three per scan, one row per fitted point.
        const std::vector<std::string> dfr =
            SplitLines(ReadTextFile(root + "dfrlist." + ext + ".txt"));
        ASSERT_FALSE(dfr.empty());
        std::istringstream row(dfr[0]);
        std::vector<double> values;
        for (double v; row >> v;)
            values.push_back(v);
        ASSERT_EQ(values.size(), 3u + 3u * 6u);
        EXPECT_NEAR(values[3], 6.05, 0.01) << "the first radius inside the fit limits";
        EXPECT_TRUE(fs::exists(root + "distribution." + ext));
        EXPECT_TRUE(fs::exists(root + "data_" + ext + ".xp"));
    }
    EXPECT_EQ(SF::seriesCount, 0) << "the table is emptied";
    EXPECT_FALSE(SF::serializing);
}

// Fluorescence series: with the corrections put back and the shadow on, "always float bottom?"
// decides; without the question a bottom floating at the start floats in every series.
TEST(BatchSeries, FluorescenceSeriesFloatTheBottomAsAsked) {
    struct Case {
        const char* name;
        bool restore;       // "restore previous params if available?" (and put corrections back)
        int alwaysFloat;    // the answer to "always float bottom?", 0 when it is not asked
        bool floatingFirst; // the bottom floats in the analysis loaded at the start
        int floated;        // the series' bottom switch as exported
    };
    const Case cases[] = {
        {"shadow put back, always float", true, IDYES, false, 1},
        {"shadow put back, the series' own", true, IDNO, false, 0},
        {"not asked, floating at the start", false, 0, true, 1},
    };
    std::vector<GeneratedScan> scans = BatchSetScans({6, 150, 4.0, 1.25, 0.4, 0.005, 33});
    for (GeneratedScan& scan : scans) {
        scan.type = 'F';
        scan.description = "[T OK]fluorescence run Voltage: 600 Gain: 2 Range: 1";
        scan.third.assign(scan.radius.size(), 0.5);
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MainWindowFixture f;
        const std::string root = f.data.path() + "/";
        fs::create_directories(f.folder.file("VIZRA"));
        WriteTextFile(f.folder.file("VIZRA/VIZRA"), "#!/bin/sh\n");
        fs::permissions(f.folder.file("VIZRA/VIZRA"), fs::perms::owner_all);
        WriteBatchSet(f.data.path(), "FI1", scans);
        std::vector<std::string> strings{f.data.path()};
        for (int i = 1; i <= 6; ++i)
            strings.push_back(Numbered("", {i}, "FI1")[0]);
        const std::string list = f.data.write("list.FI1", ListText(1, strings));
        auto& s = f.script;
        s.onUnexpected(plat::test::Unexpected::Cancel); // a question missed fails below
        s.expectFileOpen().answer(std::vector<std::string>{list});
        SendMessage(f.window.get(), WM_COMMAND, WPARAM(200), 0);
        ASSERT_TRUE(ScanDataKind::fluorescence);
        SendMessage(f.window.get(), WM_COMMAND, WPARAM(275), 0);
        SetBatchCsParameters();
        ModelParameters::bottomFloat = c.floatingFirst;
        ModelParameters::fitFloat[kSlotBottom] = c.floatingFirst;
        s.expectBox().textHas("excitation shadow").answer(IDYES);
        s.expectInput().prompt("cone radius (cm)").answer("0.05");
        s.expectBox().text("fit cone radius?").answer(IDNO);
        SendMessage(f.window.get(), WM_COMMAND, WPARAM(914), 0);
        SendMessage(f.window.get(), WM_COMMAND, WPARAM(213), 0);
        ASSERT_TRUE(s.done()) << s.logText();

        f.data.write("listOfLists.txt", "old\n");
        std::thread program([&] {
            for (int i = 0; i < kWaitSteps && !fs::exists(root + "listOfLists(1).txt"); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            WriteTextFile(root + "listOfLists.tmp", list + "\n\n");
            fs::rename(root + "listOfLists.tmp", root + "listOfLists.txt");
        });
        s.expectBox().textHas("part of the series").answer(IDYES);
        s.expectBox().textHas("now please work with VIZRA").answer(IDOK);
        s.expectBox().textHas("fit each set?").answer(IDNO);
        s.expectBox()
            .text("restore previous params if available?")
            .answer(c.restore ? IDYES : IDNO);
        if (c.restore) {
            s.expectBox().text("overwrite FDS-related parameters?").answer(IDYES);
            s.expectBox().text("overwrite FitRightLim?").answer(IDNO);
        }
        if (c.alwaysFloat)
            s.expectBox()
                .caption("SERIALIZE FIT")
                .text("always float bottom?")
                .answer(c.alwaysFloat);
        SendMessage(f.window.get(), WM_COMMAND, WPARAM(923), 0);
        program.join();
        ASSERT_TRUE(s.done()) << s.logText();
        const std::string xp = ReadTextFile(root + "data_FI1.xp");
        EXPECT_NE(xp.find("\n" + std::to_string(c.floated) + " (blocalVaryBottom)"),
                  std::string::npos)
            << xp;
    }
}
