// The load commands driven as a user drives them: the menu command, the file dialog, an answer
// to each box, then the store, the list file, "tarnix.ini" and the caption checked. Drops of
// files, list files in both layouts, experiment files and bad input likewise.
#include "app/experiment_file.h"
#include "app/load_all_data.h"
#include "app/txla_window.h"
#include "foundations/error_box_log.h"
#include "plat/testing.hpp"
#include "scandata/scan_file.h"
#include "scandata/scan_store_alloc.h"
#include "state/model_choice.h"
#include "state/preference_switches.h"
#include "state/serial_fit_state.h"
#include "state/startup_paths.h"
#include "support/program_folder.h"
#include "support/reset_all_state.h"
#include "support/scan_set_generator.h"
#include "support/temp_folder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

namespace {

using S = ScanStore;
using plat::test::Script;

class LoadCommands : public ::testing::Test {
  protected:
    void SetUp() override {
        folder.WriteAcceptedPreferences();
        std::snprintf(gLastFolderFilePath, kPathBufferSize, "%s",
                      folder.file("tarnix.ini").c_str());
        window = std::make_unique<TXLAWindow>(nullptr, "Sedimentation Analysis");
        window->Create();
        TakeErrorBoxes();
        options.points = 200;
    }
    void TearDown() override {
        window.reset();
        ResetAllState();
    }
    void Command(int id) {
        plat::test::command(window.get(), id);
        script.pumpUntilIdle();
    }
    void Drop(const std::vector<std::string>& paths) {
        plat::test::drop(window.get(), paths);
        script.pumpUntilIdle();
    }
    std::vector<std::string> Paths(const std::string& dir, const std::vector<std::string>& names) {
        std::vector<std::string> out;
        for (const std::string& n : names)
            out.push_back(dir + "/" + n);
        return out;
    }
    std::vector<std::string> LoadedNames() const {
        std::vector<std::string> out;
        for (int i = 1; i <= S::scanCount; ++i)
            out.push_back(S::scanFileName[S::scanOrder[i]]);
        return out;
    }

    ProgramFolder folder;
    Script script;
    std::unique_ptr<TXLAWindow> window;
    TempFolder data;
    ScanSetOptions options;
};

TEST_F(LoadCommands, LoadNewFilesWithStrideThreeLoadsOneFourSevenTen) {
    std::vector<std::string> names = WriteScanSet(data.path(), options);
    script.expectFileOpen().title("select files to fit").answer(Paths(data.path(), names));
    script.expectInput().caption("LOAD FILES").prompt("load every n'th file:").answer("3.9");
    Command(200);
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_EQ(LoadedNames(),
              (std::vector<std::string>{"00001.RA1", "00004.RA1", "00007.RA1", "00010.RA1"}));
    std::string list = "newformat n=3\n" + data.path() + "\n";
    for (const std::string& n : names)
        list += n + "\n";
    EXPECT_EQ(ReadTextFile(data.file("list.RA1")), list);
    EXPECT_EQ(ReadTextFile(folder.file("tarnix.ini")), data.path() + "/");
    EXPECT_EQ(window->GetCaption(), "SEDIMENTATION ANALYSIS -> " + data.file("00001.RA1") + "...");
    EXPECT_FALSE(window->GetMenuModel()->IsGrayed(226));
}

// The list file of the data when their folder cannot take it: the data load and the box says that
// no list was written.
TEST_F(LoadCommands, AListFileThatCannotBeWrittenIsNamed) {
    std::vector<std::string> names = WriteScanSet(data.path(), options);
    std::filesystem::create_directory(data.file("list.RA1")); // in the way
    script.expectFileOpen().title("select files to fit").answer(Paths(data.path(), names));
    script.expectInput().caption("LOAD FILES").prompt("load every n'th file:").answer("1");
    script.expectBox()
        .caption("Error")
        .textHas("Attention: could not open " + data.file("list.RA1") +
                 "\nthe data are loaded, but no list file of them was written")
        .answer(IDOK);
    Command(200);
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_EQ(S::scanCount, static_cast<int>(names.size()));
}

TEST_F(LoadCommands, CancelledDialogChangesNothing) {
    script.expectFileOpen().cancel();
    Command(200);
    EXPECT_EQ(S::scanCount, 0);
    EXPECT_EQ(window->GetCaption(), "Sedimentation Analysis");
}

TEST_F(LoadCommands, ListFilesInAnyCaseAndBothLayouts) {
    options.count = 7;
    options.extension = "RA2";
    std::vector<std::string> names = WriteScanSet(data.path(), options);
    struct Case {
        const char* file;
        std::string text;
        std::vector<std::string> expected;
        bool asks; // the folder line, read in the older layout, names no folder that exists
    } cases[] = {
        {"LIST.RA2",
         "NewFormat n=3\n" + data.path() +
             "\n% all seven\n00001.RA2\n00002.RA2\n00003.RA2\n"
             "00004.RA2 % the good one\n00005.RA2\n00006.RA2\n00007.RA2",
         {"00001.RA2", "00004.RA2", "00007.RA2"},
         false},
        // The older layout reads every '_' as '.', the folder's own included.
        {"list_corr.IP1",
         data.path() + "\n00002_RA2\n00003_RA2\n",
         {"00002.RA2", "00003.RA2"},
         data.path().find('_') != std::string::npos},
    };
    for (const Case& c : cases) {
        WriteTextFile(data.file(c.file), c.text);
        script.expectFileOpen().answer(std::vector<std::string>{data.file(c.file)});
        if (c.asks)
            script.expectBox()
                .caption("LOAD ERROR")
                .textHas("could not find files in")
                .answer(IDYES);
        Command(200);
        EXPECT_TRUE(script.done()) << c.file << script.logText();
        EXPECT_EQ(LoadedNames(), c.expected) << c.file;
        // A list file is read, never rewritten.
        EXPECT_EQ(ReadTextFile(data.file(c.file)), c.text);
        EXPECT_FALSE(std::filesystem::exists(data.file("list.RA2")));
    }
}

TEST_F(LoadCommands, ListOfMovedFilesOffersTheListFilesFolder) {
    options.count = 3;
    std::vector<std::string> names = WriteScanSet(data.path(), options);
    std::string list = "newformat n=1\n/nowhere/run1\n00001.RA1\n00002.RA1\n00003.RA1\n";
    WriteTextFile(data.file("list.RA1"), list);
    std::string question =
        "could not find files in /nowhere/run1/00001.RA1 - use file from " + data.path() + "/ ?";
    script.expectFileOpen().answer(std::vector<std::string>{data.file("list.RA1")});
    script.expectBox().caption("LOAD ERROR").text(question).answer(IDYES);
    Command(200);
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_EQ(S::scanCount, 3);
    EXPECT_EQ(ReadTextFile(folder.file("tarnix.ini")), data.path() + "/");

    // No: the loader reports the first file that does not read, and the loaded scans stay.
    script.expectFileOpen().answer(std::vector<std::string>{data.file("list.RA1")});
    script.expectBox().text(question).answer(IDNO);
    script.expectBox()
        .caption("LOAD ERROR")
        .text("/nowhere/run1/00001.RA1\nthere is no file of this name: the file is not loaded")
        .answer(IDOK);
    Command(200);
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_EQ(S::scanCount, 3);
    EXPECT_EQ(ReadTextFile(data.file("list.RA1")), list);
}

// An empty list, one of its first line or folder only, and a stride of 0 or of eleven digits
// loaded nothing, or 2 and 1 scans, without a word: each is refused with its reason.
TEST_F(LoadCommands, ListsWithoutNamesOrWithAnImpossibleStrideAreRefusedWithTheReason) {
    options.count = 3;
    WriteScanSet(data.path(), options);
    const std::string names = data.path() + "\n00001.RA1\n00002.RA1\n00003.RA1\n";
    const struct {
        std::string text;
        const char* reason;
    } cases[] = {
        {"", "names no scan file"},
        {"newformat n=1\n", "names no scan file"},
        {"newformat n=1\n" + data.path() + "\n", "names no scan file"},
        {"newformat n=0\n" + names, "is not a whole number from 1 to 9999"},
        {"newformat n=99999999999\n" + names, "is not a whole number from 1 to 9999"},
        {"newformat n=two\n" + names, "is not a whole number from 1 to 9999"},
    };
    for (const auto& c : cases) {
        WriteTextFile(data.file("list.RA1"), c.text);
        script.expectFileOpen().answer(std::vector<std::string>{data.file("list.RA1")});
        script.expectBox().caption("LOAD ERROR").textHas(c.reason).answer(IDOK);
        Command(200);
        EXPECT_TRUE(script.done()) << c.text << script.logText();
        EXPECT_EQ(S::scanCount, 0) << c.text;
    }
}

// A scan file refused for its values had a box of its path only: the box now says why.
TEST_F(LoadCommands, AScanFileRefusedForItsValuesSaysWhy) {
    options.count = 3;
    WriteScanSet(data.path(), options);
    WriteTextFile(data.file("list.RA1"),
                  "newformat n=1\n" + data.path() + "\n00001.RA1\n00002.RA1\n00003.RA1\n");
    const struct {
        const char* value;
        const char* reason;
    } cases[] = {
        {"1e39", "a header field or data value is not a finite number in single precision"},
        {"nan", "a data row holds a radius or value that is not a number"},
        {"inf", "a data row holds a radius or value that is not a number"},
    };
    for (const auto& c : cases) {
        WriteTextFile(data.file("00002.RA1"), std::string("[T OK]s\nR 1 20.0 50000 3600 9.4e10 "
                                                          "280 2\n  6.0 0.5 0\n  6.1 ") +
                                                  c.value + " 0\n  6.2 0.5 0\n");
        script.expectFileOpen().answer(std::vector<std::string>{data.file("list.RA1")});
        script.expectBox()
            .caption("LOAD ERROR")
            .text(data.file("00002.RA1") + "\n" + c.reason + ": the file is not loaded")
            .answer(IDOK);
        Command(200);
        EXPECT_TRUE(script.done()) << c.value << script.logText();
        EXPECT_EQ(S::scanCount, 0) << c.value;
    }
}

TEST_F(LoadCommands, ListWithThousandsOfNamesIsRefusedClearly) {
    std::string text = "newformat n=1\n" + data.path() + "\n";
    for (int i = 1; i <= 5000; ++i)
        text += "scan" + std::to_string(i) + ".RA1\n";
    WriteTextFile(data.file("list.RA1"), text);
    script.expectFileOpen().answer(std::vector<std::string>{data.file("list.RA1")});
    script.expectBox().caption("LOAD ERROR").textHas("could not find files in").answer(IDNO);
    script.expectBox().caption("LOAD ERROR").text("too many scans selected").answer(IDOK);
    Command(200);
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_EQ(S::scanCount, 0);
    EXPECT_EQ(ReadTextFile(data.file("list.RA1")), text);

    // Longer than the selection buffer: refused before anything is loaded.
    std::string longer = text;
    while (longer.size() < 130000)
        longer += "another_scan_file_name.RA1\n";
    WriteTextFile(data.file("list.RA1"), longer);
    script.expectFileOpen().answer(std::vector<std::string>{data.file("list.RA1")});
    script.expectBox().caption("LOAD ERROR").textHas("too long").answer(IDOK);
    Command(200);
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_EQ(S::scanCount, 0);
}

TEST_F(LoadCommands, ExperimentFileOnlyWithItsLowerCaseExtension) {
    options.count = 2;
    std::string run = data.file("Lauf 1 – Zürich");
    std::filesystem::create_directory(run);
    std::vector<std::string> names = WriteScanSet(run, options);
    std::string xp = "0 (ExperimentType: SEDVELOCITY)\ntitle\n\"" + run + "\" \" " + names[0] +
                     " " + names[1] + "\"\n0.998230 (fBufferDensity)\n";
    WriteTextFile(data.file("exp.xp"), xp);
    script.expectFileOpen().answer(std::vector<std::string>{data.file("exp.xp")});
    script.expectBox().caption("ERROR").text(
        "line 5 of " + data.file("exp.xp") +
        " is missing: the file ends before it, and the values from it on are not read");
    Command(200);
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_EQ(S::scanCount, 2);
    EXPECT_FLOAT_EQ(S::density, 0.99823f);
    EXPECT_EQ(window->GetCaption(), "SEDIMENTATION ANALYSIS -> " + run + "/" + names[0] + "...");
    EXPECT_FALSE(std::filesystem::exists(run + "/list.RA1"));

    // "EXP.XP" is no experiment file: it is one scan file, which does not read.
    WriteTextFile(data.file("EXP.XP"), xp);
    script.expectFileOpen().answer(std::vector<std::string>{data.file("EXP.XP")});
    script.expectInput().caption("LOAD FILES").answer("1");
    script.expectBox().caption("LOAD ERROR").textHas("the file is not loaded").answer(IDOK);
    Command(200);
    EXPECT_TRUE(script.done()) << script.logText();

    script.expectFileOpen().answer(std::vector<std::string>{data.file("exp.xp")});
    WriteTextFile(data.file("exp.xp"), "3 (ExperimentType: SEDEQUILIBRIUM)\n");
    script.expectBox()
        .caption("ERROR")
        .text("can only load xp files from sedimentation velocity")
        .answer(IDOK);
    Command(200);
    EXPECT_TRUE(script.done()) << script.logText();
}

TEST_F(LoadCommands, AddMoreFilesMergesInTimeOrder) {
    options.count = 4;
    std::vector<std::string> names = WriteScanSet(data.path(), options);
    script.expectFileOpen().answer(Paths(data.path(), {names[0], names[2]}));
    script.expectInput().answer("1");
    Command(200);
    ASSERT_EQ(S::scanCount, 2);
    script.expectFileOpen()
        .title("select files to add to set 1")
        .answer(Paths(data.path(), {names[3], names[1]}));
    Command(226);
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_EQ(LoadedNames(),
              (std::vector<std::string>{"00001.RA1", "00002.RA1", "00003.RA1", "00004.RA1"}));
}

// Add More Files named only the first file that does not read: each has its box, and the
// addition is refused with the loaded scans as they were.
TEST_F(LoadCommands, AddMoreFilesNamesEachUnreadableFileAndKeepsTheLoadedScans) {
    options.count = 2;
    std::vector<std::string> names = WriteScanSet(data.path(), options);
    script.expectFileOpen().answer(Paths(data.path(), names));
    script.expectInput().answer("1");
    Command(200);
    ASSERT_EQ(S::scanCount, 2);
    TempFolder more; // the loaded scans as the program writes them, and two files that do not read
    for (int i = 1; i <= 2; ++i)
        ASSERT_EQ(ScanTimeStampTag(more.file(S::scanFileName[i]).c_str(), S::pointCount[i],
                                   S::radius[i], S::signal[i], nullptr, nullptr, true,
                                   S::header[i]),
                  1);
    more.write("empty.RA1", "");
    more.write("words.RA1", "not a scan\n");
    const std::vector<std::string> added = {names[0], "empty.RA1", names[1], "words.RA1"};
    script.expectFileOpen().answer(Paths(more.path(), added));
    for (const char* bad : {"empty.RA1", "words.RA1"})
        script.expectBox().caption("LOAD ERROR").textHas(more.file(bad)).answer(IDOK);
    Command(226);
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_EQ(LoadedNames(), names);
    script.expectFileOpen().answer(Paths(more.path(), names));
    Command(226);
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_EQ(S::scanCount, 4);
}

TEST_F(LoadCommands, DroppedFilesLoadWithTheirStride) {
    options.count = 7;
    std::vector<std::string> names = WriteScanSet(data.path(), options);
    script.expectInput().caption("LOAD FILES").prompt("load every n'th file:").answer("3");
    Drop(Paths(data.path(), names));
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_EQ(LoadedNames(), (std::vector<std::string>{"00001.RA1", "00004.RA1", "00007.RA1"}));
    EXPECT_EQ(window->GetCaption(), "SEDIMENTATION ANALYSIS -> " + data.file("00001.RA1") + "...");

    // With scans loaded the drop asks first; No keeps them.
    script.expectBox().caption("DROPPING FILES").text("erase currently loaded data?").answer(IDNO);
    Drop(Paths(data.path(), names));
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_EQ(S::scanCount, 3);
}

TEST_F(LoadCommands, DropsThatDoNothingOrAskToSwitch) {
    options.count = 2;
    options.extension = "RI1";
    std::vector<std::string> names = WriteScanSet(data.path(), options);
    Drop(Paths(data.path(), names)); // intensity families are not loaded by a drop
    Drop({data.file(names[0])});     // nor is a single scan
    EXPECT_EQ(S::scanCount, 0);
    WriteTextFile(data.file("~tmppars.RA1"), "parameters\n");
    script.expectBox()
        .caption("DROPPING FILES")
        .text("switch to parameter file " + data.file("~tmppars.RA1") + "?")
        .answer(IDNO);
    Drop({data.file("~tmppars.RA1")});
    EXPECT_TRUE(script.done()) << script.logText();
}

// A saved analysis with a line that is not a finite number was refused without a word, and the
// drop then opened the parameters dialog as if it had been restored.
TEST_F(LoadCommands, ASavedAnalysisThatIsRefusedSaysSo) {
    options.count = 3;
    WriteScanSet(data.path(), options);
    const std::string saved = data.file("~tmppars.RA1");
    const struct {
        const char* text;
        const char* reason;
    } cases[] = {
        {"1\nnan\n2\n", "one of its lines is not a finite number"},
        {"1\n1e39\n", "one of its lines is not a finite number"},
        {"1\n2\n", "it is missing, too short or of another layout"},
    };
    for (const auto& c : cases) {
        WriteTextFile(saved, c.text);
        script.expectBox()
            .caption("DROPPING FILES")
            .text("switch to parameter file " + saved + "?")
            .answer(IDYES);
        script.expectBox().caption("DROPPING FILES").textHas(saved).textHas(c.reason);
        Drop({saved});
        EXPECT_TRUE(script.done()) << c.text << script.logText(); // and no parameters dialog
    }
    // Loading the data offers no restore, but says why the file is not taken.
    WriteTextFile(data.file("list.RA1"),
                  "newformat n=1\n" + data.path() + "\n00001.RA1\n00002.RA1\n00003.RA1\n");
    WriteTextFile(saved, "1\nnan\n");
    script.expectFileOpen().answer(std::vector<std::string>{data.file("list.RA1")});
    script.expectBox().textHas(saved).textHas("one of its lines is not a finite number");
    Command(200);
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_EQ(S::scanCount, 3);
    TakeErrorBoxes();
}

TEST_F(LoadCommands, FloToolsItemFollowsTheKindOfTheLoadedScans) {
    for (int i = 1; i <= 2; ++i) {
        GeneratedScan s = ExampleFluorescence();
        s.timeS += 600 * i;
        WriteTextFile(data.file("0000" + std::to_string(i) + ".FI1"), s.Text());
    }
    script.expectFileOpen().answer(Paths(data.path(), {"00001.FI1", "00002.FI1"}));
    script.expectInput().answer("1");
    Command(200);
    ASSERT_EQ(S::scanCount, 2);
    const plat::MenuModel& menu = *window->GetMenuModel();
    ASSERT_TRUE(menu.Contains(915));
    std::vector<int> ids = menu.CommandIds();
    EXPECT_EQ(std::find(ids.begin(), ids.end(), 915) + 1, std::find(ids.begin(), ids.end(), 552));

    std::vector<std::string> names = WriteScanSet(data.path(), options);
    script.expectFileOpen().answer(Paths(data.path(), {names[0], names[1]}));
    script.expectInput().answer("1");
    Command(200);
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_FALSE(window->GetMenuModel()->Contains(915));
}

TEST_F(LoadCommands, EquilibriumDataLoadOneFileAndLeaveFitMAndSOn) {
    options.count = 1;
    std::vector<std::string> names = WriteScanSet(data.path(), options);
    script.expectFileOpen().title("select files in set 1 to fit").answer(Paths(data.path(), names));
    Command(515);
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_EQ(S::scanCount, 1);
    EXPECT_TRUE(S::equilibriumData);
    EXPECT_TRUE(ModelChoice::equilibriumMs);
    EXPECT_EQ(window->GetCaption(),
              "SEDIMENTATION EQUILIBRIUM ANALYSIS -> " + data.file("00001.RA1") + "...");
    EXPECT_EQ(ReadTextFile(data.file("list.RA1")),
              "newformat n=1\n" + data.file("00001.RA1") + "\n");

    // Cancelled, the mode stays on.
    script.expectFileOpen().cancel();
    Command(515);
    EXPECT_TRUE(ModelChoice::equilibriumMs);
    // Load New Files leaves equilibrium data behind.
    script.expectFileOpen().cancel();
    Command(200);
    EXPECT_FALSE(S::equilibriumData);
}

TEST_F(LoadCommands, RestoreTimeAndW2tFollowsTheFileTimesOfTheReference) {
    options.count = 3;
    options.fileTimeScale = 1.5; // file times disagree with the recorded ones
    std::vector<std::string> names = WriteScanSet(data.path(), options);
    script.expectFileOpen().answer(Paths(data.path(), names));
    script.expectInput().answer("1");
    Command(200);
    ASSERT_EQ(S::scanCount, 3);
    ScanHeader before = S::header[2];
    SetFileSeconds(data.file(names[2]), options.fileTimeBase + 3000);
    SetFileSeconds(data.file(names[1]), options.fileTimeBase + 2400);
    script.expectBox().caption("FIX TIME AND W2T").textHas("using #1 (").answer(IDNO);
    script.expectInput().caption("FIX TIME AND W2T").prompt("pick file #").answer("-2.7");
    script.expectBox()
        .caption("FIX TIME AND W2T")
        .textHas("using #2 (" + data.file(names[1]))
        .answer(IDYES);
    script.expectBox().text("save new data?").answer(IDNO);
    Command(922);
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_DOUBLE_EQ(S::header[2].originalTime, before.originalTime);
    EXPECT_DOUBLE_EQ(S::header[2].omega2t, before.omega2t);
    double omega = 50000 * 3.14159265358979323846 / 30;
    EXPECT_NEAR(S::header[3].originalTime - before.originalTime, 600.0, 1e-6);
    EXPECT_NEAR(S::header[3].omega2t - before.omega2t, 600.0 * omega * omega, 1.0);
}

TEST_F(LoadCommands, EditDataFilesOpensTheEditorAndReportsDialogErrors) {
    plat::test::clearRecords();
    WriteTextFile(data.file("00001.RA1"), SetScan(options, 1).Text());
    script.expectFileOpen()
        .title("Select File to Edit")
        .answer(std::vector<std::string>{data.file("00001.RA1")});
    Command(201);
    ASSERT_EQ(plat::test::processes().size(), 1u);
    // A deep path (beyond the old 260 characters) reaches the editor whole.
    std::string deep = data.path();
    for (int i = 0; i < 5; ++i) {
        deep += "/" + std::string(60, char('a' + i));
        std::filesystem::create_directory(deep);
    }
    deep += "/00001.RA1";
    WriteTextFile(deep, SetScan(options, 1).Text());
    script.expectFileOpen().answer(std::vector<std::string>{deep});
    Command(201);
    EXPECT_TRUE(script.done()) << script.logText();
    ASSERT_EQ(plat::test::processes().size(), 2u);
    const std::vector<std::string>& argv = plat::test::processes()[1].argv;
    EXPECT_NE(std::find(argv.begin(), argv.end(), deep), argv.end());
}

} // namespace

namespace {

// A scan whose rows are words is a damaged file: the reader refuses it and leaves the caller's
// header as it was, and a load that meets it leaves an empty store that the window shows as such
// (not the scans of the earlier load under the new folder's name).
TEST_F(LoadCommands, DamagedScanFileIsRefusedAndTheLoadedScansStay) {
    const std::string head = "[T OK]damaged\nR 1 20.0 50000 3600 9.4127e+10 280 2\n";
    for (const std::string& rows :
         {std::string("abc def ghi\n"), std::string("  6.0 0.5 0\n  x y z\n"),
          std::string("  6.0 value 0\n")}) {
        std::string path = data.write("damaged.RA1", head + rows);
        ScanHeader header;
        std::strcpy(header.description, "kept");
        header.time = 42.0;
        std::int32_t n = -1;
        float* radius = nullptr;
        float* value = nullptr;
        EXPECT_EQ(ReadScanFile(path.c_str(), &header, &n, &radius, &value, nullptr, nullptr, 0.0f),
                  0)
            << rows;
        EXPECT_STREQ(header.description, "kept");
        EXPECT_EQ(header.time, 42.0);
        EXPECT_EQ(n, -1);
    }

    // Scans loaded and a model run on them: a selection that does not load leaves both, and the
    // caption, as they were (the scans and the analysis were once gone from the window), and its
    // box says what failed.
    std::vector<std::string> names = WriteScanSet(data.path(), options);
    script.expectFileOpen().answer(Paths(data.path(), names));
    script.expectInput().caption("LOAD FILES").answer("1");
    Command(200);
    ASSERT_EQ(S::scanCount, 10);
    gWizardMessages = false;
    Command(213);
    ASSERT_TRUE(S::resultAvailable) << script.logText();
    const std::string caption = window->GetCaption();
    const float* radius = S::radius[1];
    const float fit = S::fit[1][50];

    TempFolder other;
    std::vector<std::string> second = WriteScanSet(other.path(), options);
    WriteTextFile(other.file(second[3]), "Lorem ipsum dolor\nsit amet\n");
    WriteTextFile(other.file(second[6]), head + "abc def ghi\n");
    const std::string missing = "/nowhere/run1/00001.RA1";
    WriteTextFile(other.file("list.RA1"), "newformat n=1\n/nowhere/run1\n00001.RA1\n00002.RA1\n");
    const std::string notAScan = "\nthe data type letter of line 2 is not one of R, W, I, V, P, F";
    const struct {
        const char* name;
        std::vector<std::string> chosen;
        std::string text;     // of the one box after the questions of the choice
        bool dropped = false; // on the window rather than chosen in the dialog
    } cases[] = {
        {"garbage among damaged files", Paths(other.path(), second),
         other.file(second[3]) + notAScan + ": the file is not loaded"},
        {"a list of missing scans",
         {other.file("list.RA1")},
         missing + "\nthere is no file of this name: the file is not loaded"},
        {"a text file alone",
         {other.file(second[3])},
         other.file(second[3]) + notAScan + ": the file is not loaded"},
        {"garbage among dropped files", Paths(other.path(), second),
         other.file(second[3]) + notAScan + ": the file is not loaded", true},
    };
    for (const auto& c : cases) {
        if (c.dropped)
            script.expectBox().caption("DROPPING FILES").answer(IDYES);
        else
            script.expectFileOpen().answer(c.chosen);
        if (c.chosen.size() > 1 || c.chosen[0] != other.file("list.RA1"))
            script.expectInput().caption("LOAD FILES").answer("1");
        else
            script.expectBox()
                .caption("LOAD ERROR")
                .textHas("could not find files in")
                .answer(IDNO);
        script.expectBox().caption("LOAD ERROR").text(c.text).answer(IDOK);
        if (c.dropped)
            Drop(c.chosen);
        else
            Command(200);
        EXPECT_TRUE(script.done()) << c.name << script.logText();
        EXPECT_EQ(S::scanCount, 10) << c.name;
        EXPECT_EQ(S::radius[1], radius) << c.name;
        EXPECT_TRUE(S::resultAvailable) << c.name;
        EXPECT_EQ(S::fit[1][50], fit) << c.name;
        EXPECT_EQ(window->GetCaption(), caption) << c.name;
        EXPECT_FALSE(S::equilibriumData) << c.name;
    }
}

} // namespace

// Rows whose radius goes back used to be averaged into a radius never measured (6.29, 6.2955,
// 0.0 gave a point at 3.15 cm); they are refused with their line, and only rows within the radial
// resolution above their group's first radius are merged. Zero rows after the data are padding.
TEST_F(LoadCommands, RadiiThatGoBackAreRefusedWithTheirLine) {
    std::string descending, merged = "  6.000 0.5 0\n  6.002 0.5 0\n  6.004 0.5 0\n";
    for (int i = 0; i < 200; ++i)
        descending += "  " + std::to_string(7.2 - 0.005 * i) + " 0.5 0\n";
    for (int i = 0; i < 16; ++i) // out to the other scans' end
        merged += "  " + std::to_string(6.006 + 0.01 * i) + " 0.5 0\n";
    const struct {
        const char* name;
        std::string rows;
        const char* reason;       // nullptr: loaded
        std::vector<float> radii; // the first ones loaded
    } cases[] = {
        {"zero inside",
         "  6.29 0.2 0\n  6.2955 0.3 0\n  0.0 0.25 0\n  6.3075 0.3 0\n",
         "line 5 goes back to the radius 0.0000 cm from 6.2955 cm before it",
         {}},
        {"descending", descending, "line 4 goes back to the radius 7.1950 cm from 7.2000 cm", {}},
        {"one step back",
         "  6.2 0.5 0\n  6.4 0.6 0\n  6.3 0.5 0\n  6.5 0.6 0\n",
         "line 5 goes back to the radius 6.3000 cm from 6.4000 cm",
         {}},
        {"empty", "", "the file is empty", {}},
        {"merged and padded", merged + "  0.0 0 0\n  0.0 0 0\n", nullptr, {6.002f, 6.006f}},
    };
    options.count = 3;
    WriteScanSet(data.path(), options);
    WriteTextFile(data.file("list.RA1"),
                  "newformat n=1\n" + data.path() + "\n00001.RA1\n00002.RA1\n00003.RA1\n");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        S::radialResolution = 0.005f;
        WriteTextFile(data.file("00002.RA1"),
                      c.rows.empty() ? "" : "[T OK]s\nR 1 20.0 50000 3600 9.4e10 280 0\n" + c.rows);
        script.expectFileOpen().answer(std::vector<std::string>{data.file("list.RA1")});
        if (c.reason)
            script.expectBox().caption("LOAD ERROR").textHas(c.reason).answer(IDOK);
        Command(200);
        EXPECT_TRUE(script.done()) << script.logText();
        if (c.reason) {
            EXPECT_EQ(S::scanCount, 0);
            continue;
        }
        ASSERT_EQ(S::scanCount, 3);
        ASSERT_EQ(S::pointCount[2], 17);
        for (std::size_t i = 0; i < c.radii.size(); ++i)
            EXPECT_NEAR(S::radius[2][i + 1], c.radii[i], 1e-5f);
        EXPECT_NEAR(S::radius[2][17], 6.156f, 1e-5f);
    }
}

// Values after the names that the analysis cannot take (NaN, infinity, beyond single precision)
// ended the reading without a word; they are named, and the values before them stay.
TEST_F(LoadCommands, ExperimentValuesTheAnalysisCannotTakeAreNamed) {
    options.count = 2;
    std::vector<std::string> names = WriteScanSet(data.path(), options);
    for (const char* value : {"nan", "1e39", "-inf"}) {
        const std::string xp = "0 (ExperimentType: SEDVELOCITY)\ntitle\n\"" + data.path() +
                               "\" \" " + names[0] + " " + names[1] +
                               "\"\n1.05 (fBufferDensity)\n" + value + " (fBufferViscosity)\n";
        WriteTextFile(data.file("exp.xp"), xp);
        script.expectFileOpen().answer(std::vector<std::string>{data.file("exp.xp")});
        script.expectBox().caption("ERROR").text(
            "line 5 of " + data.file("exp.xp") + " holds " + value +
            ", not a value the analysis can take: it and the values after it are not read");
        Command(200);
        EXPECT_TRUE(script.done()) << value << script.logText();
        EXPECT_EQ(S::scanCount, 2);
        EXPECT_FLOAT_EQ(S::density, 1.05f);
    }
}

// The list file written at each load named "%b.RA1", which its own reader takes as a comment: a
// reload found two of three scans. A list that would not read back is not written, and says so.
TEST_F(LoadCommands, AListThatWouldNotReadBackIsNotWritten) {
    options.count = 3;
    std::vector<std::string> names = WriteScanSet(data.path(), options);
    std::filesystem::rename(data.file(names[1]), data.file("%b.RA1"));
    script.expectFileOpen().answer(Paths(data.path(), {names[0], "%b.RA1", names[2]}));
    script.expectInput().caption("LOAD FILES").answer("1");
    script.expectBox().caption("Error").textHas(
        "\"%b.RA1\" would not read back from a list file, where a '%' starts a comment\nthe data "
        "are loaded, but no list file of them was written");
    Command(200);
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_EQ(S::scanCount, 3);
    EXPECT_FALSE(std::filesystem::exists(data.file("list.RA1")));
}

// An addition with a file that does not read let go of every loaded scan, while the caption and
// the plots of the analysis stayed: the next Run found no scans. It now leaves the scans, their
// analysis and the caption as they were, and Run runs on them again.
TEST_F(LoadCommands, ARefusedAdditionKeepsTheLoadedScansAndTheirAnalysis) {
    options.count = 6;
    std::vector<std::string> names = WriteScanSet(data.path(), options);
    script.expectFileOpen().answer(Paths(data.path(), {names[0], names[1], names[2]}));
    script.expectInput().caption("LOAD FILES").answer("1");
    Command(200);
    ASSERT_EQ(S::scanCount, 3);
    gWizardMessages = false;
    Command(213);
    ASSERT_TRUE(S::resultAvailable) << script.logText();
    const std::string caption = window->GetCaption();
    const float* radius = S::radius[1];
    const float fit = S::fit[1][50];

    WriteTextFile(data.file("notes.txt"), "Lorem ipsum dolor\nsit amet\n");
    WriteTextFile(data.file("00009.RA1"), "");
    const std::string notAScan = "\nthe data type letter of line 2 is not one of R, W, I, V, P, F";
    const struct {
        const char* name;
        std::vector<std::string> chosen;
        std::string text;
    } cases[] = {
        {"a text file alone",
         {data.file("notes.txt")},
         data.file("notes.txt") + notAScan + ": the file is not loaded"},
        {"a text file among scans", Paths(data.path(), {names[3], "notes.txt", names[4]}),
         data.file("notes.txt") + notAScan + ": the file is not loaded"},
        {"an empty file",
         {data.file("00009.RA1")},
         data.file("00009.RA1") + "\nthe file is empty: the file is not loaded"},
    };
    for (const auto& c : cases) {
        script.expectFileOpen().title("select files to add to set 1").answer(c.chosen);
        script.expectBox().caption("LOAD ERROR").text(c.text).answer(IDOK);
        Command(226);
        EXPECT_TRUE(script.done()) << c.name << script.logText();
        ASSERT_EQ(S::scanCount, 3) << c.name;
        EXPECT_EQ(S::radius[1], radius) << c.name;
        EXPECT_TRUE(S::resultAvailable) << c.name;
        EXPECT_EQ(S::fit[1][50], fit) << c.name;
        EXPECT_EQ(window->GetCaption(), caption) << c.name;
        EXPECT_EQ(LoadedNames(), (std::vector<std::string>{names[0], names[1], names[2]}))
            << c.name;
    }
    // Run runs on the scans that stayed, and an addition that reads still adds.
    Command(213);
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_TRUE(S::resultAvailable);
    script.expectFileOpen().answer(Paths(data.path(), {names[4], names[3]}));
    Command(226);
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_EQ(S::scanCount, 5);
}

// A scan named with a line break inside was written into the list file, which then loaded no
// scan: the writer compared lines that split alike on both sides. Such a list is not written, and
// the box names what stops it (a carriage return or a trailing blank was put down to a '%').
TEST_F(LoadCommands, AListOfANameThatWouldNotReadBackNamesWhatStopsIt) {
    options.count = 3;
    std::vector<std::string> names = WriteScanSet(data.path(), options);
    const struct {
        const char* name;
        std::string file;
        const char* reason;
    } cases[] = {
        {"line break", "0000\n2.RA1", "where a line break ends a name"},
        {"carriage return", "0000\r2.RA1", "where every carriage return is dropped"},
        {"trailing blank", "00002.RA1 ", "where blanks at a line end are dropped"},
        {"trailing tab", "00002.RA1\t", "where blanks at a line end are dropped"},
    };
    for (const auto& c : cases) {
        std::filesystem::rename(data.file(names[1]), data.file(c.file));
        script.expectFileOpen().answer(Paths(data.path(), {names[0], c.file, names[2]}));
        script.expectInput().caption("LOAD FILES").answer("1");
        script.expectBox().caption("Error").textHas(
            "\"" + c.file + "\" would not read back from a list file, " + c.reason +
            "\nthe data are loaded, but no list file of them was written");
        Command(200);
        EXPECT_TRUE(script.done()) << c.name << script.logText();
        EXPECT_EQ(S::scanCount, 3) << c.name;
        EXPECT_FALSE(std::filesystem::exists(data.file("list.RA1"))) << c.name;
        std::filesystem::remove(data.file("list.RA1"));
        std::filesystem::rename(data.file(c.file), data.file(names[1]));
    }
    // The names that read back are listed, and the list loads them again.
    script.expectFileOpen().answer(Paths(data.path(), names));
    script.expectInput().caption("LOAD FILES").answer("1");
    Command(200);
    script.expectFileOpen().answer(std::vector<std::string>{data.file("list.RA1")});
    Command(200);
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_EQ(LoadedNames(), names);
}

// Values of an experiment file were read by their first characters ("1,05" as a density of 1.0,
// "1.05abc" as 1.05) and a density of 1e-320 became 0 in single precision: each is named with its
// line now, and it and the values after it are not taken.
TEST_F(LoadCommands, ExperimentValuesNotReadAsWrittenAreNamedWithTheirLine) {
    options.count = 2;
    std::vector<std::string> names = WriteScanSet(data.path(), options);
    const std::string path = data.file("exp.xp");
    const std::string notTaken =
        ", not a value the analysis can take: it and the values after it are not read";
    const std::string cut =
        "line 7 of " + path +
        " is missing: the file ends before it, and the values from it on are not read";
    const struct {
        const char* density;
        const char* viscosity;
        std::string box; // cut: the three values taken
        float densityAfter;
    } cases[] = {
        {"1,05", "0.001002", "line 4 of " + path + " holds 1,05" + notTaken, 0.5f},
        {"1.05abc", "0.001002", "line 4 of " + path + " holds 1.05abc" + notTaken, 0.5f},
        {"1 05", "0.001002", "line 4 of " + path + " holds 1 05" + notTaken, 0.5f},
        {"1e-320", "0.001002",
         "buffer density (g/ml) 1e-320 on line 4 of " + path + " is impossible", 0.5f},
        {"1.05", "1e-320", "buffer viscosity (Pa s) 1e-320 on line 5 of " + path + " is impossible",
         1.05f},
        {"1.05", "0.001002abc", "line 5 of " + path + " holds 0.001002abc" + notTaken, 1.05f},
        {"1.05", "0.002004", cut, 1.05f},
    };
    for (const auto& c : cases) {
        WriteTextFile(path, "0 (ExperimentType: SEDVELOCITY)\ntitle\n\"" + data.path() + "\" \" " +
                                names[0] + " " + names[1] + "\"\n" + c.density +
                                " (fBufferDensity)\n" + c.viscosity +
                                " (fBufferViscosity)\n0.73 (VBAR)\n");
        S::density = 0.5f;
        S::vbar = 0.5f;
        script.expectFileOpen().answer(std::vector<std::string>{path});
        if (!c.box.empty())
            script.expectBox().caption("ERROR").text(c.box).answer(IDOK);
        Command(200);
        EXPECT_TRUE(script.done()) << c.density << " " << c.viscosity << script.logText();
        EXPECT_EQ(S::scanCount, 2) << c.density;
        EXPECT_EQ(S::density, c.densityAfter) << c.density << " " << c.viscosity;
        EXPECT_EQ(S::vbar, c.box == cut ? 0.73f : 0.5f) << c.density << " " << c.viscosity;
        if (c.box == cut) {
            EXPECT_FLOAT_EQ(S::viscosity, 2.0f);
        }
    }
}

// An experiment file that began with a byte order mark, or held a word or nothing, loaded nothing
// without a word; a file cut after its vbar line left the values after it as they were, silently.
// The mark is read past, as blank lines before the type and between the values are; a line that
// ends the reading is named with its line in the file, and the values before it stay.
TEST_F(LoadCommands, ExperimentFileLinesThatEndTheReadingAreNamed) {
    options.count = 3;
    const std::string selection = SelectionBuffer(data.path(), WriteScanSet(data.path(), options));
    LoadAllData(window.get(), selection.c_str());
    S::vbar = 0.75f;
    ModelChoice::fitTINoise = SerialFitState::serializing = true; // no questions
    const std::string path = data.file("exp.xp");
    ASSERT_TRUE(WriteMirovanXpFile(window.get(), path.c_str()));
    SerialFitState::serializing = false;
    const std::string all = ReadTextFile(path);
    auto upTo = [&](int line) { // the text of the lines before line (from 1)
        std::size_t end = 0;
        for (int i = 1; i < line; ++i)
            end = all.find('\n', end) + 1;
        return all.substr(0, end);
    };
    const std::string notRead = ", not a value the analysis can take: it and the values after it";
    const struct {
        std::string text, box; // box empty: every value taken
        float vbar;
        bool tiNoise;
    } cases[] = {
        {all, "", 0.75f, true},
        {"\xEF\xBB\xBF" + all, "", 0.75f, true},
        {upTo(6) + "\n" + all.substr(upTo(6).size()), "", 0.75f, true},
        {"\n\n" + upTo(4) + " \t\r\n\r\n" + all.substr(upTo(4).size()), "", 0.75f, true},
        {upTo(6) + "\nword (VBAR)\n" + all.substr(upTo(7).size()),
         "line 7 of " + path + " holds word" + notRead, 0.5f, false},
        {"\n\nvelocity" + all.substr(all.find('\n')), "line 3 of " + path + " holds velocity", 0.5f,
         false},
        {upTo(7), "line 7 of " + path + " is missing: the file ends before it, and the values",
         0.75f, false},
        {"velocity" + all.substr(all.find('\n')),
         "line 1 of " + path + " holds velocity, not an experiment type: nothing is loaded", 0.5f,
         false},
        {"", path + " is empty: nothing is loaded", 0.5f, false},
    };
    for (const auto& c : cases) {
        WriteTextFile(path, c.text);
        S::vbar = 0.5f;
        ModelChoice::fitTINoise = false;
        script.expectFileOpen().answer(std::vector<std::string>{path});
        if (!c.box.empty())
            script.expectBox().caption("ERROR").textHas(c.box).answer(IDOK);
        Command(200);
        EXPECT_TRUE(script.done()) << c.text << script.logText();
        EXPECT_EQ(S::scanCount, 3);
        EXPECT_FLOAT_EQ(S::vbar, c.vbar) << c.text;
        EXPECT_EQ(ModelChoice::fitTINoise, c.tiNoise) << c.text;
    }
}
