// Start-up from the entry function to the message loop: the program folder is prepared, the
// disclaimer is asked once, bad settings files and unwritable folders never stop the start.
#include "app/startup_environment.h"
#include "app/txla_app.h"
#include "plat/app.hpp"
#include "plat/testing.hpp"
#include "state/preference_switches.h"
#include "state/startup_paths.h"
#include "support/program_folder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using plat::test::Script;

// Runs the program from `programPath` until its message loop has started and ended.
int Start(const std::string& programPath) {
    std::string path = programPath;
    char* argv[] = {path.data(), nullptr};
    PostQuitMessage(0); // the loop ends at its first message
    return OwlMain(1, argv);
}

int LineCount(const std::string& text) {
    int lines = 0;
    for (char c : text)
        lines += c == '\n';
    return lines;
}

bool IsFolder(const std::string& path) {
    return std::filesystem::is_directory(path);
}

// A start without a preferences file asks the new user about the live refresh after the
// disclaimer.
void ExpectFirstStartQuestions(Script& s, int answer = IDNO) {
    s.expectBox()
        .caption("SET PREFERENCE")
        .text("update residuals bitmap during fit?")
        .answer(answer);
    s.expectBox()
        .caption("SET PREFERENCE")
        .text("update residuals plot during fit?")
        .answer(answer);
}

} // namespace

TEST(StartUp, EmptyFolderIsPreparedAndTheDisclaimerAgreedTo) {
    ProgramFolder folder;
    Script s;
    s.expectBox().caption("ERROR").text("could not find " + folder.file("mirovan"));
    s.expectDialog(302).ok();
    // The new user is asked whether a running fit shows its residuals; the answers are kept.
    ExpectFirstStartQuestions(s, IDYES);
    EXPECT_EQ(Start(folder.programPath()), 0);
    EXPECT_TRUE(s.done()) << s.logText();

    EXPECT_TRUE(IsFolder(folder.file("temp")));
    EXPECT_EQ(ReadTextFile(folder.file("tarnix.ini")), folder.path() + "/");
    std::string preferences = ReadTextFile(folder.file("tarnixparams.ini"));
    EXPECT_EQ(preferences, "1\n0.0010\n1\n1\n0\n0\n0\n1\n1\n1\n0\n2\n1\n1\n2\n1.0\n0\n100\n100\n");
    EXPECT_EQ(std::string(gTempFolder), folder.path() + "/temp/");
    EXPECT_EQ(std::string(gTablePaths.sounds[kSoundBye]), folder.path() + "/sounds/bye.wav");
    EXPECT_EQ(std::string(gTablePaths.distrib), folder.path() + "/temp/distrib.dat");
}

TEST(StartUp, SecondStartShowsNoDisclaimer) {
    ProgramFolder folder;
    {
        Script first;
        first.expectBox().caption("ERROR");
        first.expectDialog(302).ok();
        ExpectFirstStartQuestions(first);
        Start(folder.programPath());
    }
    ResetPreferenceSwitches();
    Script second;
    second.expectBox().caption("ERROR").textHas("could not find");
    Start(folder.programPath());
    EXPECT_TRUE(second.done()) << second.logText();
    EXPECT_TRUE(gDisclaimerAccepted);
}

TEST(StartUp, SiblingProgramBesideTheProgramIsFound) {
    ProgramFolder folder;
    folder.WriteAcceptedPreferences();
    WriteTextFile(folder.file("mirovan"), "");
    Script s;
    Start(folder.programPath());
    EXPECT_TRUE(s.log().empty()) << s.logText();
    EXPECT_EQ(std::string(gMirovanProgramPath), folder.file("mirovan"));
}

// "don't agree" and the dialog's close box both end the dialog with cancel.
TEST(StartUp, RefusedDisclaimerEndsTheProgramAndKeepsNoPreferences) {
    ProgramFolder folder;
    WriteTextFile(folder.file("mirovan"), "");
    Script s;
    s.expectDialog(302).cancel();
    EXPECT_EQ(Start(folder.programPath()), 0);
    EXPECT_TRUE(s.done()) << s.logText();
    EXPECT_FALSE(gDisclaimerAccepted);
    EXPECT_FALSE(std::filesystem::exists(folder.file("tarnixparams.ini")));
}

TEST(StartUp, PreferencesHoldingOnlyTheDisclaimerAreAskedForAndRewritten) {
    ProgramFolder folder;
    WriteTextFile(folder.file("mirovan"), "");
    WriteTextFile(folder.file("tarnixparams.ini"), "1\n");
    Script s;
    s.expectBox()
        .caption("SET PREFERENCE")
        .text("update residuals bitmap during fit?")
        .answer(IDYES);
    s.expectBox().caption("SET PREFERENCE").text("update residuals plot during fit?").answer(IDNO);
    Start(folder.programPath());
    EXPECT_TRUE(s.done()) << s.logText();
    std::string preferences = ReadTextFile(folder.file("tarnixparams.ini"));
    EXPECT_EQ(LineCount(preferences), 19);
    EXPECT_EQ(preferences.substr(0, 13), "1\n0.0010\n1\n0\n");
}

TEST(StartUp, DamagedPreferencesNeverStopTheStart) {
    struct Case {
        const char* name;
        const char* content;
    };
    const Case cases[] = {
        {"empty", ""},
        {"text", "preferences\n"},
        {"binary", "\x01\x02\xff\xfe"},
        {"disclaimer 0.5",
         "0.5\n0.0010\n0\n0\n0\n0\n0\n1\n1\n1\n0\n2\n1\n1\n2\n1.0\n0\n100\n100\n"},
    };
    for (const Case& c : cases) {
        ProgramFolder folder;
        WriteTextFile(folder.file("mirovan"), "");
        WriteTextFile(folder.file("tarnixparams.ini"), c.content);
        Script s;
        // A file with lines but no value taken is named, and replaced when the user agrees.
        const bool named = c.content[0] != '\0' && c.name[0] != 'd';
        if (named)
            s.expectBox().caption("ERROR").textHas("not a number").answer(IDOK);
        s.expectDialog(302).ok();
        // A file with no entry is a first start: the two questions come after the disclaimer.
        if (c.name[0] != 'd')
            ExpectFirstStartQuestions(s);
        if (named)
            s.expectBox().caption("SET PREFERENCE").textHas("not read as written").answer(IDYES);
        EXPECT_EQ(Start(folder.programPath()), 0) << c.name;
        EXPECT_TRUE(s.done()) << c.name << "\n" << s.logText();
        EXPECT_EQ(LineCount(ReadTextFile(folder.file("tarnixparams.ini"))), 19) << c.name;
    }
}

// A folder in the file's place was taken for a first start without a word: it is named, and
// the replacement the user agrees to fails with the writer's box.
TEST(StartUp, UnreadablePreferencesAreReportedWhenWritten) {
    ProgramFolder folder;
    WriteTextFile(folder.file("mirovan"), "");
    std::filesystem::create_directory(folder.file("tarnixparams.ini"));
    Script s;
    s.expectBox().caption("ERROR").textHas("\nthe file cannot be opened\n").answer(IDOK);
    s.expectDialog(302).ok();
    ExpectFirstStartQuestions(s);
    s.expectBox().caption("SET PREFERENCE").textHas("which could not be opened").answer(IDYES);
    s.expectBox().caption("ERROR").textHas("could not write to disk into directory");
    EXPECT_EQ(Start(folder.programPath()), 0);
    EXPECT_TRUE(s.done()) << s.logText();
    EXPECT_TRUE(gDisclaimerAccepted);
}

// A program folder the program cannot write to: the two start-up errors, no settings files,
// every path built, and the program runs.
TEST(StartUp, UnwritableProgramFolderStillStarts) {
    ProgramFolder folder;
    std::string programPath = folder.file("missing/tarnix");
    Script s;
    s.expectBox().caption("ERROR").textHas("could not find");
    s.expectBox().caption("ERROR").text("could not create " + folder.file("missing/temp"));
    s.expectDialog(302).ok();
    ExpectFirstStartQuestions(s);
    s.expectBox().caption("ERROR").textHas("could not write to disk into directory");
    EXPECT_EQ(Start(programPath), 0);
    EXPECT_TRUE(s.done()) << s.logText();
    EXPECT_FALSE(std::filesystem::exists(folder.file("missing")));
    EXPECT_EQ(std::string(gTempFolder), folder.file("missing/temp/"));
    EXPECT_EQ(std::string(gTablePaths.sounds[kSoundHi]), folder.file("missing/sounds/hi.wav"));
}

#define LONG_FOLDER                                                                                \
    "a-very-long-folder-name-that-repeats/a-very-long-folder-name-that-repeats/"                   \
    "a-very-long-folder-name-that-repeats/a-very-long-folder-name-that-repeats/"                   \
    "a-very-long-folder-name-that-repeats/a-very-long-folder-name-that-repeats/"                   \
    "a-very-long-folder-name-that-repeats/a-very-long-folder-name-that-repeats"

TEST(StartUp, ProgramFolderIsTheFolderPartOfItsPath) {
    struct Case {
        const char* programPath;
        const char* folder;
    };
    const Case cases[] = {
        {"/opt/tarnix/bin/tarnix", "/opt/tarnix/bin/"},
        {"./tarnix", "./"},
        {"tarnix", ""},
        {"/tarnix", "/"},
        // A deep folder, longer than the old 260-character buffers, is kept whole.
        {"/data/" LONG_FOLDER "/tarnix", "/data/" LONG_FOLDER "/"},
    };
    for (const Case& c : cases) {
        SetProgramPath(c.programPath);
        EXPECT_EQ(std::string(gProgramFolder), c.folder) << c.programPath;
        EXPECT_EQ(std::string(gPreferencesPath), std::string(c.folder) + "tarnixparams.ini");
        EXPECT_EQ(std::string(gLammPreferencesPath),
                  std::string(c.folder) + "tarnixlammparams.ini");
    }
}

// Installed where it cannot write, the program keeps its settings in $TARNIX_HOME instead.
TEST(StartUp, SettingsGoToTheHomeFolderWhenOneIsGiven) {
    ProgramFolder folder;
    ProgramFolder home;
    WriteTextFile(folder.file("mirovan"), "");
    setenv("TARNIX_HOME", home.path().c_str(), 1);
    Script s;
    s.expectDialog(302).ok();
    ExpectFirstStartQuestions(s);
    EXPECT_EQ(Start(folder.programPath()), 0);
    unsetenv("TARNIX_HOME");
    EXPECT_TRUE(s.done()) << s.logText();
    EXPECT_EQ(LineCount(ReadTextFile(home.file("tarnixparams.ini"))), 19);
    EXPECT_TRUE(IsFolder(home.file("temp")));
    EXPECT_EQ(ReadTextFile(home.file("tarnix.ini")), folder.path() + "/");
    EXPECT_FALSE(std::filesystem::exists(folder.file("tarnixparams.ini")));
    EXPECT_FALSE(std::filesystem::exists(folder.file("temp")));
    EXPECT_EQ(std::string(gTablePaths.sounds[kSoundHi]), folder.file("sounds/hi.wav"));
}

// A settings file of 80,000 lines stalled the start for seconds and was taken: now it is read in
// linear time and refused by name, far longer than any file of its kind.
TEST(StartUp, SettingsFilesFarLongerThanTheirFormatAreRefusedByName) {
    std::string lines;
    for (int i = 0; i < 80000; ++i)
        lines += "1\n";
    for (const char* name : {"tarnixparams.ini", "tarnixlammparams.ini"}) {
        SCOPED_TRACE(name);
        ProgramFolder folder;
        WriteTextFile(folder.file("mirovan"), "");
        folder.WriteAcceptedPreferences();
        WriteTextFile(folder.file(name), lines);
        Script s;
        s.expectBox().caption("Error").text(folder.file(name) +
                                            " holds more than 1000 lines of numbers, far more "
                                            "than a file of its kind: it is not read");
        const bool preferences = std::string(name) == "tarnixparams.ini";
        if (preferences) { // then a first start, whose answers replace the file if agreed
            s.expectDialog(302).ok();
            ExpectFirstStartQuestions(s);
            s.expectBox().caption("SET PREFERENCE").textHas("not read as written").answer(IDYES);
        }
        EXPECT_EQ(Start(folder.programPath()), 0);
        EXPECT_TRUE(s.done()) << s.logText();
        EXPECT_EQ(LineCount(ReadTextFile(folder.file(name))), preferences ? 19 : 80000);
    }
}
