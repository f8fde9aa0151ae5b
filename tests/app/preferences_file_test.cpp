// The preferences entries: how each line sets its switch, which entries are asked for or
// defaulted, when the file is rewritten, and the writer's formats.
#include "app/preferences_file.h"
#include "app/txla_window.h"
#include "plat/testing.hpp"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/preference_switches.h"
#include "support/program_folder.h"
#include "support/reset_all_state.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

struct Applied {
    bool rewrite = false;
    std::vector<std::string> questions;
};

// Applies the entries; every question is answered with `answer`.
Applied Apply(const std::vector<float>& entries, bool answer = true) {
    Applied result;
    result.rewrite =
        ApplyPreferenceEntries(entries.data(), int(entries.size()), [&](const char* q) {
            result.questions.push_back(q);
            return answer;
        });
    return result;
}

// A complete file of 19 entries as the writer makes it with the defaults, with one entry changed.
std::vector<float> Complete(int index = -1, float value = 0.0f) {
    std::vector<float> v = {1, 0.001f, 0, 0, 0, 0, 0, 1, 1, 1, 0, 2, 1, 1, 2, 1.0f, 0, 100, 100};
    if (index >= 0)
        v[std::size_t(index)] = value;
    return v;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

class PreferencesFile : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
};

} // namespace

TEST_F(PreferencesFile, OnlyTheDisclaimerEntryAsksTwiceAndCompletesWithDefaults) {
    Applied applied = Apply({1.0f}, true);
    EXPECT_TRUE(applied.rewrite);
    ASSERT_EQ(applied.questions.size(), 2u);
    EXPECT_EQ(applied.questions[0], "update residuals bitmap during fit?");
    EXPECT_EQ(applied.questions[1], "update residuals plot during fit?");
    EXPECT_TRUE(gDisclaimerAccepted);
    EXPECT_TRUE(gUpdateResidualsBitmap);
    EXPECT_TRUE(gUpdateResidualsPlot);

    std::vector<std::string> lines = Lines(FormatPreferences());
    std::vector<std::string> expected = {"1", "0.0010", "1", "1", "0", "0",   "0", "1",   "1",  "1",
                                         "0", "2",      "1", "1", "2", "1.0", "0", "100", "100"};
    EXPECT_EQ(lines, expected);
}

TEST_F(PreferencesFile, NoAnswersTurnTheResidualUpdatesOff) {
    Applied applied = Apply({1.0f}, false);
    EXPECT_FALSE(gUpdateResidualsBitmap);
    EXPECT_FALSE(gUpdateResidualsPlot);
}

TEST_F(PreferencesFile, CompleteFileIsNeitherAskedForNorRewritten) {
    Applied applied = Apply(Complete());
    EXPECT_FALSE(applied.rewrite);
    EXPECT_TRUE(applied.questions.empty());
}

TEST_F(PreferencesFile, WrittenFileReadsBackToTheSameFile) {
    Apply({1, 0.0025f, 1, 0, 1, 0, 1, 0, 0, 2, 0, 3, 3, 0, 5, 2.5f, 1, -250, 250});
    std::string first = FormatPreferences();
    std::vector<float> entries;
    for (const std::string& line : Lines(first))
        entries.push_back(std::stof(line));
    ResetAllState();
    Applied again = Apply(entries);
    EXPECT_FALSE(again.rewrite);
    EXPECT_EQ(FormatPreferences(), first);
}

TEST_F(PreferencesFile, EntriesSetTheirSwitches) {
    struct Case {
        const char* name;
        int index;
        float value;
        bool (*check)();
    };
    const Case cases[] = {
        {"disclaimer 0.5 is not accepted", 0, 0.5f, [] { return !gDisclaimerAccepted; }},
        {"disclaimer 2 is not accepted", 0, 2.0f, [] { return !gDisclaimerAccepted; }},
        {"disclaimer 0 is not accepted", 0, 0.0f, [] { return !gDisclaimerAccepted; }},
        {"radial resolution", 1, 0.003f, [] { return ScanStore::radialResolution == 0.003f; }},
        {"sound on", 6, 1.0f, [] { return gSoundOn; }},
        {"sound on above 0", 6, 0.2f, [] { return gSoundOn; }},
        {"scan colour off", 7, 0.0f, [] { return !ScanStore::scanColorFromTime; }},
        {"wizard off", 8, -1.0f, [] { return !gWizardMessages; }},
        {"second derivative", 9, 2.0f,
         [] { return gSecondDerivativeRegularization && !ContiState::maxEntRegularization; }},
        {"both regularizations", 9, 3.0f,
         [] { return ContiState::showBothRegularizations && !ContiState::maxEntRegularization; }},
        {"regularization 4 changes nothing", 9, 4.0f,
         [] { return ContiState::maxEntRegularization && !gSecondDerivativeRegularization; }},
        {"11 at 0: one thread, off", 11, 0.0f,
         [] { return !ContiState::multiThreading && gDistributionThreadCount == 1; }},
        {"11 at 3.7: three threads", 11, 3.7f,
         [] { return ContiState::multiThreading && gDistributionThreadCount == 3; }},
        {"11 at 0.5: never zero threads", 11, 0.5f,
         [] { return ContiState::multiThreading && gDistributionThreadCount == 1; }},
        {"11 huge: bounded", 11, 1e9f, [] { return gDistributionThreadCount == kMaxThreadCount; }},
        {"annealing", 12, 2.0f,
         [] { return FitControl::simulatedAnnealing && !FitControl::simplex; }},
        {"Marquardt", 12, 3.0f,
         [] { return FitControl::marquardtLevenberg && !FitControl::simplex; }},
        {"optimiser 0 changes nothing", 12, 0.0f, [] { return FitControl::simplex; }},
        {"optimiser 4 changes nothing", 12, 4.0f, [] { return FitControl::simplex; }},
        {"optimiser -2 changes nothing", 12, -2.0f, [] { return FitControl::simplex; }},
        {"baseline correlation off", 13, 0.0f,
         [] { return !ContiState::suppressBaselineCorrelation; }},
        {"14 at -3: one Lamm thread", 14, -3.0f, [] { return gLammThreadCount == 1; }},
        {"14 at 2.9: two Lamm threads", 14, 2.9f, [] { return gLammThreadCount == 2; }},
        {"14 at 0.5: never zero threads", 14, 0.5f, [] { return gLammThreadCount == 1; }},
        {"update interval 0 gives 1 s", 15, 0.0f, [] { return gMaxUpdateInterval == 1.0f; }},
        {"update interval 3.5", 15, 3.5f, [] { return gMaxUpdateInterval == 3.5f; }},
        {"g(2) always", 16, 1.0f, [] { return gAlwaysLoadG2; }},
        {"time stamps unchecked", 17, -100.0f, [] { return !gCheckTimestamps; }},
        {"threshold 100 reads as 1.001", 18, 100.0f,
         [] { return std::fabs(gTimestampThreshold - 1.001) < 1e-12; }},
        {"threshold 250 reads as 1.0025", 18, 250.0f,
         [] { return std::fabs(gTimestampThreshold - 1.0025) < 1e-12; }},
    };
    for (const Case& c : cases) {
        ResetAllState();
        Apply(Complete(c.index, c.value));
        EXPECT_TRUE(c.check()) << c.name;
    }
}

TEST_F(PreferencesFile, OptimiserEntryNotNamingTheChoiceRewritesTheFile) {
    EXPECT_TRUE(Apply(Complete(12, 4.0f)).rewrite);
    ResetAllState();
    EXPECT_FALSE(Apply(Complete(12, 3.0f)).rewrite);
}

TEST_F(PreferencesFile, ThresholdIsWrittenSignedByTheCheckSwitch) {
    gTimestampThreshold = 1.001;
    gCheckTimestamps = true;
    std::vector<std::string> on = Lines(FormatPreferences());
    EXPECT_EQ(on[17], "100");
    EXPECT_EQ(on[18], "100");
    gCheckTimestamps = false;
    std::vector<std::string> off = Lines(FormatPreferences());
    EXPECT_EQ(off[17], "-100");
    EXPECT_EQ(off[18], "100");
}

// Off used to be written as 0 threads, so the count came back as one; it is now the count negated
// (an older reader takes any value <= 0 as off).
TEST_F(PreferencesFile, MultithreadingOffWritesTheCountNegated) {
    ContiState::multiThreading = false;
    gDistributionThreadCount = 4;
    EXPECT_EQ(Lines(FormatPreferences())[11], "-4");
}

// A damaged line ("nan", "inf") used to go straight into the thread counts, where converting it
// to an integer is undefined; such a line now takes its default, and the file is kept as written.
TEST_F(PreferencesFile, NonNumbersCountAsMissing) {
    std::vector<float> entries = Complete();
    entries[14] = std::numeric_limits<float>::quiet_NaN();
    entries[11] = std::numeric_limits<float>::infinity();
    entries[1] = std::numeric_limits<float>::quiet_NaN();
    Applied applied = Apply(entries);
    EXPECT_FALSE(applied.rewrite);
    EXPECT_EQ(gLammThreadCount, 2);
    EXPECT_EQ(gDistributionThreadCount, 2);
    EXPECT_TRUE(ContiState::multiThreading);
    EXPECT_EQ(ScanStore::radialResolution, 0.001f);
}

TEST_F(PreferencesFile, MissingEntriesTakeTheirDefaults) {
    // Everything but the first four entries is missing, over switches set the other way.
    gSoundOn = true;
    ScanStore::scanColorFromTime = false;
    gWizardMessages = false;
    ContiState::suppressBaselineCorrelation = false;
    gLammThreadCount = 7;
    gMaxUpdateInterval = 9.0f;
    gCheckTimestamps = false;
    Applied applied = Apply({1, 0.002f, 1, 0});
    EXPECT_TRUE(applied.rewrite);
    EXPECT_TRUE(applied.questions.empty());
    EXPECT_FALSE(gSoundOn);
    EXPECT_TRUE(ScanStore::scanColorFromTime);
    EXPECT_TRUE(gWizardMessages);
    EXPECT_TRUE(ContiState::suppressBaselineCorrelation);
    EXPECT_EQ(gLammThreadCount, 2);
    EXPECT_EQ(gMaxUpdateInterval, 1.0f);
    EXPECT_TRUE(gCheckTimestamps);
}

// Every value the settings commands accept comes back the same at the next start: short update
// intervals are not rounded to "0.0" (which reads as the default), and a time-stamp ratio of 1 or
// less keeps its check switch.
TEST_F(PreferencesFile, AcceptedValuesReadBackUnchanged) {
    struct Case {
        float interval;
        double ratio;
        bool check;
    };
    const Case cases[] = {
        {0.04f, 1.0, true},    {0.25f, 1.0, false}, {0.001f, 0.95, true}, {1e6f, 0.95, false},
        {2.5f, 1.00001, true}, {1.0f, 168.0, true}, {0.1f, -5.0, true},   {33.3f, 1.001, false},
    };
    for (const Case& c : cases) {
        ResetAllState();
        gMaxUpdateInterval = c.interval;
        gTimestampThreshold = c.ratio;
        gCheckTimestamps = c.check;
        std::vector<float> entries;
        for (const std::string& line : Lines(FormatPreferences()))
            entries.push_back(std::strtof(line.c_str(), nullptr));
        ResetAllState();
        gCheckTimestamps = !c.check;
        Apply(entries);
        EXPECT_EQ(gMaxUpdateInterval, c.interval) << c.interval;
        EXPECT_NEAR(gTimestampThreshold, c.ratio, 1e-9) << c.ratio;
        EXPECT_EQ(gCheckTimestamps, c.check) << c.ratio << " " << c.check;
    }
}

// The radial resolution was written "%.4f" (0.00125 came back as 0.0012) and six threads with
// multithreading off came back as one: both round-trip now, and old files still read.
TEST_F(PreferencesFile, ResolutionAndThreadCountsReadBackUnchanged) {
    struct Case {
        float resolution;
        bool multiThreading;
        int threads;
    };
    const Case cases[] = {{0.001f, true, 2},   {0.00125f, false, 6}, {0.0012345f, true, 6},
                          {0.0005f, false, 1}, {0.01f, true, 64},    {3e-5f, false, 64}};
    for (const Case& c : cases) {
        ResetAllState();
        ScanStore::radialResolution = c.resolution;
        ContiState::multiThreading = c.multiThreading;
        gDistributionThreadCount = c.threads;
        std::vector<float> entries;
        for (const std::string& line : Lines(FormatPreferences()))
            entries.push_back(std::strtof(line.c_str(), nullptr));
        ResetAllState();
        Apply(entries);
        EXPECT_EQ(ScanStore::radialResolution, c.resolution) << c.resolution;
        EXPECT_EQ(ContiState::multiThreading, c.multiThreading) << c.threads;
        EXPECT_EQ(gDistributionThreadCount, c.threads) << c.multiThreading;
    }
    ScanStore::radialResolution = 0.001f;
    EXPECT_EQ(Lines(FormatPreferences())[1], "0.0010") << "the usual digits where they suffice";
    Apply(Complete(11, 0.0f)); // an older file's "off"
    EXPECT_FALSE(ContiState::multiThreading);
    EXPECT_EQ(gDistributionThreadCount, 1);
}

namespace {

// The file as the writer makes it with the defaults, its line `line` (from 1) replaced.
std::string DefaultsWithLine(int line, const std::string& text) {
    std::vector<std::string> lines = {"1", "0.0010", "0", "0", "0", "0",   "0", "1",   "1",  "1",
                                      "0", "2",      "1", "1", "2", "1.0", "0", "100", "100"};
    lines[std::size_t(line - 1)] = text;
    std::string out;
    for (const std::string& l : lines)
        out += l + "\n";
    return out;
}

// The disclaimer agreed to and the first start's two questions answered No.
void ExpectFirstStart(plat::test::Script& s) {
    s.expectDialog(302).ok();
    for (const char* q :
         {"update residuals bitmap during fit?", "update residuals plot during fit?"})
        s.expectBox().text(q).answer(IDNO);
}

// The start as scripted in s, then "Play Sounds?" No and "save as default setting?" Yes; atSave
// answers the question `replace` (0: not asked).
void StartAndSaveSoundsOff(plat::test::Script& s, const std::string& replace, int atSave) {
    s.expectBox().caption("SET PREFERENCE").text("Play Sounds?").answer(IDNO);
    s.expectBox().caption("SET PREFERENCE").text("save as default setting?").answer(IDYES);
    if (atSave)
        s.expectBox().caption("SET PREFERENCE").text(replace).answer(atSave);
    auto window = std::make_unique<TXLAWindow>(nullptr, "Sedimentation Analysis");
    window->Create();
    s.pumpUntilIdle();
    SendMessage(window.get(), WM_COMMAND, 594, 0);
    EXPECT_TRUE(s.done()) << s.logText();
}

} // namespace

// The radial resolution took 1e-6 and 1.4e-45 from the file, below the typed minimum 0.001, and
// turned 0.1000001 or "0.0025abc" into 0.001 without a word; other lines were read by their first
// characters ("1,5" as 1). At the start of the window a value with characters after its number,
// or outside the range its command holds it to, is named with its line and its default taken.
TEST(PreferencesFileAtStart, AValueNotReadAsWrittenIsNamedWithItsLineAndNotTaken) {
    const struct {
        int line;
        const char* text;
        const char* refusal; // nullptr: taken
        bool (*check)();
    } cases[] = {
        {2, "1e-6", "not a number from 0.001 to 0.1",
         [] { return ScanStore::radialResolution == 0.001f; }},
        {2, "1.4e-45", "not a number from 0.001 to 0.1",
         [] { return ScanStore::radialResolution == 0.001f; }},
        {2, "0.1000001", "not a number from 0.001 to 0.1",
         [] { return ScanStore::radialResolution == 0.001f; }},
        {2, "0.0025abc", "not a number", [] { return ScanStore::radialResolution == 0.001f; }},
        {2, "0.0025", nullptr, [] { return ScanStore::radialResolution == 0.0025f; }},
        {2, "0.100000", nullptr, [] { return ScanStore::radialResolution == 0.1f; }},
        {16, "1,5", "not a number", [] { return gMaxUpdateInterval == 1.0f; }},
        {16, "2.5 s", "not a number", [] { return gMaxUpdateInterval == 1.0f; }},
        {16, "2.500000", nullptr, [] { return gMaxUpdateInterval == 2.5f; }},
        {15, "4x", "not a number", [] { return gLammThreadCount == 2; }},
        {19, "1e9", "not a number from -16777216 to 16777216",
         [] { return gTimestampThreshold == 1.001; }},
        {19, "250", nullptr, [] { return std::fabs(gTimestampThreshold - 1.0025) < 1e-12; }},
    };
    for (const auto& c : cases) {
        ResetAllState();
        ProgramFolder folder;
        WriteTextFile(folder.file("tarnixparams.ini"), DefaultsWithLine(c.line, c.text));
        plat::test::Script script;
        if (c.refusal)
            script.expectBox()
                .caption("ERROR")
                .text(folder.file("tarnixparams.ini") + "\nline " + std::to_string(c.line) +
                      " holds " + c.text + ", " + c.refusal +
                      "\nit is not taken: its default is used")
                .answer(IDOK);
        auto window = std::make_unique<TXLAWindow>(nullptr, "Sedimentation Analysis");
        window->Create();
        script.pumpUntilIdle();
        EXPECT_TRUE(script.done()) << c.line << " " << c.text << "\n" << script.logText();
        EXPECT_TRUE(c.check()) << c.line << " " << c.text;
        EXPECT_TRUE(gDisclaimerAccepted) << c.line << " " << c.text;
        EXPECT_EQ(ReadTextFile(folder.file("tarnixparams.ini")), DefaultsWithLine(c.line, c.text));
        window.reset();
    }
    ResetAllState();
}

// Through the menu ("Play Sounds?" No, "save as default setting?" Yes) over a file with sounds on.
// A file not read as written was saved over without a word, replaced at start without a question
// or taken as a first start: it is named, and replaced only when the user agrees.
TEST(PreferencesFileAtStart, AFileNotReadAsWrittenIsNamedAndReplacedOnlyWhenTheUserAgrees) {
    ResetAllState();
    gDisclaimerAccepted = gSoundOn = true;
    const std::string w = FormatPreferences(), unread = "\nit is not read: the defaults are used",
                      notTaken = ", not a number\nit is not taken: its default is used";
    std::string cr = w, utf16 = "\xFF\xFE", wrong2 = w, wrong16 = w;
    std::replace(cr.begin(), cr.end(), '\n', '\r');
    for (char c : w)
        utf16 += std::string{c, '\0'};
    wrong2.replace(w.find("\n0.0010\n"), 7, "\n0,005");
    wrong16.replace(w.find("\n1.0\n"), 4, "\n2,5");
    const struct {
        std::string file, named;
        int atStart, atSave; // answers to "replace ...?", 0: not asked
    } cases[] = {{w, "", 0, 0},
                 {"\xEF\xBB\xBF" + w, "", 0, 0},
                 {wrong2, "line 2 holds 0,005" + notTaken, 0, IDYES},
                 {wrong2, "line 2 holds 0,005" + notTaken, 0, IDNO},
                 {wrong16, "line 16 holds 2,5" + notTaken, 0, IDYES},
                 {wrong16, "line 16 holds 2,5" + notTaken, 0, IDNO},
                 {cr, "its lines end in a carriage return alone" + unread, IDYES, 0},
                 {cr, "its lines end in a carriage return alone" + unread, IDNO, IDNO},
                 {utf16, "it is not plain text (UTF-16 or binary)" + unread, IDNO, IDNO}};
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        ResetAllState();
        ProgramFolder folder;
        const std::string
            path = folder.file("tarnixparams.ini"),
            replace =
                "replace " + path +
                ", which was not read as written, with the settings now in use?\nNo: they are used "
                "now, but not kept for the next start";
        WriteTextFile(path, c.file);
        plat::test::Script s;
        if (!c.named.empty())
            s.expectBox().caption("ERROR").text(path + "\n" + c.named).answer(IDOK);
        if (c.atStart) { // a first start
            ExpectFirstStart(s);
            s.expectBox().caption("SET PREFERENCE").text(replace).answer(c.atStart);
        }
        StartAndSaveSoundsOff(s, replace, c.atSave);
        const PreferenceText read = ReadPreferenceText(ReadTextFile(path));
        if (c.atSave == IDNO)
            EXPECT_EQ(ReadTextFile(path), c.file) << "kept byte for byte";
        else
            EXPECT_TRUE(!read.NotReadAsWritten() && read.entries.size() == 19u &&
                        read.entries[6] == 0.0f)
                << "sounds off at the next start";
    }
    ResetAllState();
}

// A one-entry save wrote every entry "%f": the radial resolution 0.0012345, which the program
// writes as 0.00123449997, came back as 0.001234 (and an update interval of 0.0123456 as
// 0.012346). Every saver of the menu now keeps each entry as it was written.
TEST(PreferencesFileAtStart, EveryOneEntrySaveKeepsTheOtherEntriesAsWritten) {
    ResetAllState();
    ProgramFolder folder;
    folder.WriteAcceptedPreferences();
    const std::string path = folder.file("tarnixparams.ini");
    auto window = std::make_unique<TXLAWindow>(nullptr, "Sedimentation Analysis");
    window->Create();
    auto keeps = [&] {
        const PreferenceText read = ReadPreferenceText(ReadTextFile(path));
        return read.entries.size() == 19u && read.entries[1] == 0.0012345f &&
               read.entries[15] == 0.0123456f;
    };
    plat::test::Script s; // every other question Yes, every other value as shown
    s.onUnexpected(plat::test::Unexpected::DefaultButton);
    s.expectInput().prompt("defaut 0.001 (=all data):").answer("0.0012345");
    s.expectInput().prompt("max updating interval (sec)").answer("0.0123456");
    SendMessage(window.get(), WM_COMMAND, 590, 0);
    SendMessage(window.get(), WM_COMMAND, 592, 0);
    ASSERT_TRUE(s.done() && keeps()) << ReadTextFile(path); // the whole-file writer: the control
    for (int command : {829, 902, 648, 894, 594, 609, 610, 826, 825, 824, 294, 295, 642, 644}) {
        WriteTextFile(path, ReadTextFile(path) + "\n"); // a save must write the file
        SendMessage(window.get(), WM_COMMAND, WPARAM(command), 0);
        EXPECT_TRUE(keeps() && !ReadTextFile(path).ends_with("\n\n")) << command << "\n"
                                                                      << ReadTextFile(path);
    }
    window.reset();
    ResetAllState();
}

// A file there that could not be opened (here a fifo: unreadable for root too; a file of another
// user) was taken for a first start and replaced at the disclaimer without a word. It is named,
// and kept unless the user agrees to replace it; a missing file is a first start without a box.
TEST(PreferencesFileAtStart, AFileThatCannotBeOpenedIsNamedAndReplacedOnlyWhenTheUserAgrees) {
    ResetAllState();
    gDisclaimerAccepted = gSoundOn = true;
    const std::string written = FormatPreferences();
    enum Kind { Written, Missing, Fifo };
    const struct {
        Kind kind;
        int atStart, atSave; // answers to "replace ...?", 0: not asked
    } cases[] = {{Written, 0, 0},
                 {Missing, 0, 0},
                 {Fifo, IDNO, IDNO},
                 {Fifo, IDYES, 0},
                 {Fifo, IDNO, IDYES}};
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        ProgramFolder folder;
        const std::string path = folder.file("tarnixparams.ini"),
                          replace =
                              "replace " + path +
                              ", which could not be opened, with the settings now in use?\nNo: "
                              "they are used now, but not kept for the next start";
        if (c.kind == Written)
            WriteTextFile(path, written);
        if (c.kind == Fifo) {
            ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
        }
        plat::test::Script s;
        if (c.atStart)
            s.expectBox().caption("ERROR").text(
                path + "\nthe file cannot be opened\nit is not read: the defaults are used");
        if (c.kind != Written)
            ExpectFirstStart(s);
        if (c.atStart)
            s.expectBox().caption("SET PREFERENCE").text(replace).answer(c.atStart);
        StartAndSaveSoundsOff(s, replace, c.atSave);
        if (c.atSave == IDNO) {
            EXPECT_TRUE(std::filesystem::is_fifo(path)) << "kept";
            continue;
        }
        ASSERT_TRUE(std::filesystem::is_regular_file(path));
        const PreferenceText read = ReadPreferenceText(ReadTextFile(path));
        EXPECT_TRUE(!read.NotReadAsWritten() && read.entries.size() == 19u &&
                    read.entries[0] == 1.0f && read.entries[6] == 0.0f)
            << "sounds off at the next start";
    }
    ResetAllState();
}
