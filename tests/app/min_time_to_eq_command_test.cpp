// The planner driven as the user meets it, on the headless backend (no menu command binds it):
// its notes and dialog, its search drawn as it goes, then the caption with both times, the saved
// program and scans and the two result plots shown once; a key press ends the search early with
// the best program so far; or an end without a caption when nothing was planned.
#include "app/min_time_to_eq_command.h"
#include "app/time_to_eq_box.h"
#include "equilibrium/time_to_eq_parameters.h"
#include "plat/atomic_file.hpp"
#include "plat/testing.hpp"
#include "plat/window.hpp"
#include "plotting/aux_plots.h"
#include "plotting/win_plot.h"
#include "state/diagnostics.h"
#include "state/model_choice.h"
#include "state/startup_paths.h"
#include "support/main_window_fixture.h"
#include "support/race_checker.h"

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {
using P = TimeToEqParameters;
constexpr const char* kCaption = "CALCULATE MINIMUM TIME TO EQ";

// A small, fast species in a short column, so the whole planning takes about a second.
void SmallFastCase() {
    P::ResetToDefaults();
    P::temperature = 20.0f;
    P::meniscus = 6.9f;
    P::bottom = 7.2f;
    P::rightLimit = 7.18f;
    P::epsilon = 0.01f;
    P::density = 1.0f;
    P::vbar1 = 0.73f;
    P::M1 = 50000.0f;
    P::ff01 = 1.2f;
    P::finalSpeed = 15000.0f;
    P::overspeedTime = 6 * 3600.0f;
    P::parameterCount = 3;
}

// The planner's program folders go to the temp folder: here the fixture's own folder.
class TempFolderInFixture {
  public:
    explicit TempFolderInFixture(const MainWindowFixture& f) {
        std::snprintf(gTempFolder, kPathBufferSize, "%s/", f.folder.path().c_str());
    }
    ~TempFolderInFixture() { gTempFolder[0] = '\0'; }
};

std::string Numbered(int i) {
    char name[16];
    std::snprintf(name, sizeof name, "00%03d.R00", i);
    return name;
}

void ExpectNotes(plat::test::Script& script) {
    script.expectBox().caption(kCaption).textHas("Please Note:  This estimate").answer(IDOK);
    script.expectBox().caption(kCaption).textHas("130 ul -> ~6.85 cm").answer(IDOK);
}

// The planning of a given distribution on a settings file that is not read: the box says why,
// the dialog is OK'd, the question to replace the file is answered, and the manual entry ends it.
void ExpectUnreadSettingsFile(plat::test::Script& script, const std::string& path,
                              const std::string& why, int answer) {
    ExpectNotes(script);
    script.expectBox()
        .caption(kCaption)
        .text(path + "\n" + why + ": the file is not read, the parameters start from those in use")
        .answer(IDOK);
    script.expectDialog(kTimeToEqDialogId).ok();
    script.expectBox().caption(kCaption).textHas("replace " + path).answer(answer);
    script.expectBox().caption(kCaption).textHas("please enter manually (h)").answer(IDOK);
    script.expectInput().caption(kCaption).prompt("max sim time (h)").cancel();
}

void KeepPng(MainWindowFixture& f, const std::string& name) {
    ASSERT_TRUE(plat::test::windowPng(*f.window, f.data.file(name)));
    if (const char* keep = std::getenv("TARNIX_KEEP_PNG"))
        plat::test::windowPng(*f.window, std::string(keep) + "/" + name);
}

// Pixels of one colour in the window's client area.
int PixelsOf(const MainWindowFixture& f, COLORREF colour) {
    const plat::Surface& surface = f.window->GetSurface();
    int count = 0;
    for (int y = 0; y < surface.Height(); ++y)
        for (int x = 0; x < surface.Width(); ++x)
            count += surface.GetPixel(x, y) == colour;
    return count;
}

// The files of the best program's simulated approach in the temp folder.
int SimulatedScanFiles(const MainWindowFixture& f) {
    int count = 0;
    for (int i = 1; std::filesystem::exists(f.folder.path() + "/" + Numbered(i)); ++i)
        ++count;
    return count;
}

TEST(MinimumTimeToEqCommand, PlansShowsBothTimesAndSavesTheProgram) {
    MainWindowFixture f;
    TempFolderInFixture temp(f);
    SmallFastCase();
    AuxPlots::captionShown = false;
    ExpectNotes(f.script);
    f.script.expectDialog(kTimeToEqDialogId).ok();
    CalculateMinimumTimeToEq(f.window.get());
    EXPECT_TRUE(f.script.done()) << f.script.logText();

    // The search drew its last best approach (magenta) and program (blue) into the window and
    // left no progress plot behind.
    EXPECT_GT(PixelsOf(f, 0xff00ff), 20);
    EXPECT_GT(PixelsOf(f, 0xf00000), 20);
    EXPECT_EQ(AuxPlots::adHocPlot, nullptr);
    KeepPng(f, "time_to_eq_search.png");

    // The saved program opened in the text editor.
    ASSERT_EQ(plat::test::processes().size(), 1u);
    EXPECT_EQ(plat::test::processes()[0].argv.back(), P::outputPath);

    // The simulated scans of the best program, and its final profile.
    EXPECT_GT(SimulatedScanFiles(f), 2);
    EXPECT_TRUE(std::filesystem::exists(f.folder.path() + "/eq.R00"));

    // Both plots wait for the paint: the approach over time with both programs, and the
    // difference over radius at the criterion, for the reference and the best program.
    ASSERT_NE(AuxPlots::auxPlot, nullptr);
    ASSERT_NE(AuxPlots::secondCurvePlot, nullptr);
    EXPECT_EQ(AuxPlots::auxPlot->nCurves, 4);
    EXPECT_EQ(AuxPlots::secondCurvePlot->nCurves, 2);
    EXPECT_FLOAT_EQ(AuxPlots::auxPlot->yMax, 0.1f);

    ASSERT_TRUE(AuxPlots::captionShown);
    const std::string caption = AuxPlots::caption;
    EXPECT_EQ(caption.rfind("epsilon = 0.0100: t(const) = ", 0), 0u) << caption;
    EXPECT_NE(caption.find(", saved in " + P::outputPath), std::string::npos) << caption;
    EXPECT_EQ(P::outputPath.rfind(f.folder.path(), 0), 0u) << P::outputPath;
    EXPECT_TRUE(std::filesystem::exists(P::outputPath));
    EXPECT_GT(P::bestValue, 0.0f);
    EXPECT_TRUE(P::preferencesSaved);
    EXPECT_TRUE(std::filesystem::exists(std::string(gSettingsFolder) + "tarnixsimappeqparams.ini"));
    f.Paint();
    KeepPng(f, "time_to_eq_result.png");
    EXPECT_GT(PixelsOf(f, 0x646464), 20) << "the reference";
    EXPECT_GT(PixelsOf(f, 0xff00ff), 20) << "the best program";
    // Shown once: the paint released both plots.
    EXPECT_EQ(AuxPlots::auxPlot, nullptr);
    EXPECT_EQ(AuxPlots::secondCurvePlot, nullptr);
    AuxPlots::captionShown = false;
    P::ResetToDefaults();
}

// The planner's settings and simulated scans that could not be written were dropped without a
// word: each is now named with what it means, the scans only when they were asked for.
TEST(MinimumTimeToEqCommand, FilesThatCannotBeWrittenAreNamed) {
    for (const bool scansAsked : {true, false}) {
        MainWindowFixture f;
        TempFolderInFixture temp(f);
        SmallFastCase();
        P::saveScanFiles = scansAsked;
        char settings[kPathBufferSize];
        std::snprintf(settings, sizeof settings, "%s", gSettingsFolder);
        std::snprintf(gSettingsFolder, kPathBufferSize, "%s/missing/", f.folder.path().c_str());
        std::filesystem::create_directory(f.folder.path() + "/" + Numbered(1)); // in the way
        ExpectNotes(f.script);
        f.script.expectDialog(kTimeToEqDialogId).ok();
        f.script.expectBox()
            .caption(kCaption)
            .text("Attention: could not open " + f.folder.path() +
                  "/missing/tarnixsimappeqparams.ini\nthe parameters are used now, but not kept "
                  "for the next planning")
            .answer(IDOK);
        if (scansAsked)
            f.script.expectBox()
                .caption(kCaption)
                .textHas("the simulated scans of the best program are not all saved there")
                .answer(IDOK);
        CalculateMinimumTimeToEq(f.window.get());
        std::snprintf(gSettingsFolder, kPathBufferSize, "%s", settings);
        EXPECT_TRUE(f.script.done()) << f.script.logText();
        EXPECT_FALSE(P::preferencesSaved);
        EXPECT_TRUE(std::filesystem::exists(P::outputPath)) << "the program itself is saved";
        f.Paint();
        AuxPlots::captionShown = false;
        P::ResetToDefaults();
    }
}

TEST(MinimumTimeToEqCommand, AKeyPressEndsEachSearchWithTheBestProgramSoFar) {
    MainWindowFixture f;
    TempFolderInFixture temp(f);
    SmallFastCase();
    AuxPlots::captionShown = false;
    ExpectNotes(f.script);
    f.script.expectDialog(kTimeToEqDialogId).ok();
    // One key for each of the two searches: both end at their first evaluation.
    for (int k = 0; k < 2; ++k)
        plat::test::key(f.window.get(), 'A', 'a');
    CalculateMinimumTimeToEq(f.window.get());
    EXPECT_TRUE(f.script.done()) << f.script.logText();

    // The start program is the best so far: saved, simulated and named in the caption.
    ASSERT_TRUE(AuxPlots::captionShown);
    EXPECT_NE(std::string(AuxPlots::caption).find(", saved in " + P::outputPath), std::string::npos)
        << AuxPlots::caption;
    EXPECT_TRUE(std::filesystem::exists(P::outputPath));
    EXPECT_GT(SimulatedScanFiles(f), 2);
    EXPECT_GT(P::bestValue, 0.0f);
    ASSERT_NE(AuxPlots::auxPlot, nullptr);
    f.Paint();
    AuxPlots::captionShown = false;
    P::ResetToDefaults();
}

// A search held to a few evaluations a pass stops short: each of the two searches says so, and
// the best program found is still saved and named.
TEST(MinimumTimeToEqCommand, ASearchStoppedAtItsCapSaysSo) {
    MainWindowFixture f;
    TempFolderInFixture temp(f);
    SmallFastCase();
    AuxPlots::captionShown = false;
    ExpectNotes(f.script);
    f.script.expectDialog(kTimeToEqDialogId).ok();
    for (int search = 0; search < 2; ++search)
        f.script.expectBox().caption("Error").text("Nelder-Mead not converged").answer(IDOK);
    CalculateMinimumTimeToEq(f.window.get(), 12);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    ASSERT_TRUE(AuxPlots::captionShown);
    EXPECT_NE(std::string(AuxPlots::caption).find(", saved in " + P::outputPath), std::string::npos)
        << AuxPlots::caption;
    EXPECT_TRUE(std::filesystem::exists(P::outputPath));
    f.Paint();
    AuxPlots::captionShown = false;
    P::ResetToDefaults();
}

TEST(MinimumTimeToEqCommand, GivenDistributionEndsWithoutACaption) {
    struct Case {
        const char* name;
        bool enterHours;
    };
    for (const Case c : {Case{"cancel the entry", false}, Case{"enter hours", true}}) {
        MainWindowFixture f;
        TempFolderInFixture temp(f);
        SmallFastCase();
        P::givenDistribution = true;
        ModelChoice::lammModel = false;
        AuxPlots::captionShown = false;
        ExpectNotes(f.script);
        f.script.expectBox()
            .caption(kCaption)
            .text("switching to non-interacting species model")
            .answer(IDOK);
        f.script.expectDialog(kTimeToEqDialogId).ok();
        f.script.expectBox().caption(kCaption).textHas("please enter manually (h)").answer(IDOK);
        if (c.enterHours) {
            f.script.expectInput().caption(kCaption).prompt("max sim time (h)").answer("10");
            f.script.expectBox()
                .caption(kCaption)
                .text("...distribution needs to be implemented")
                .answer(IDOK);
        } else {
            f.script.expectInput().caption(kCaption).prompt("max sim time (h)").cancel();
        }
        CalculateMinimumTimeToEq(f.window.get());
        EXPECT_TRUE(f.script.done()) << c.name << f.script.logText();
        EXPECT_TRUE(ModelChoice::lammModel && ModelChoice::nonInteractingSpecies) << c.name;
        EXPECT_FALSE(AuxPlots::captionShown) << c.name;
        EXPECT_FALSE(std::filesystem::exists(P::outputPath)) << c.name;
        P::ResetToDefaults();
    }
}

} // namespace

// "just run a rotor speed params file": the program goes to the file picked in the open dialog,
// where the caption says it is and the editor opens it; without a pick nothing is written and
// no caption claims a file. The save of the parameters is traced while diagnostics are on.
TEST(MinimumTimeToEqCommand, JustRunWritesTheProgramToTheFilePicked) {
    for (const bool pick : {true, false}) {
        SCOPED_TRACE(pick ? "picked" : "cancelled");
        MainWindowFixture f;
        TempFolderInFixture temp(f);
        SmallFastCase();
        P::parameterCount = FullOrUnderRaceChecker(3, 2);
        AuxPlots::captionShown = false;
        const std::string traceFolder = f.folder.path() + "/";
        gDiagnosticsFolder = traceFolder.c_str();
        gDiagnosticsOn = true;
        f.window->DebugLog("\nsession"); // the first entry writes the header
        const std::string picked = f.data.write("speeds.txt", "the user's old program\n");
        ExpectNotes(f.script);
        f.script.expectDialog(kTimeToEqDialogId).check(640).ok();
        if (pick)
            f.script.expectFileOpen().title("Pick Rotor Speed File").answer({picked});
        else
            f.script.expectFileOpen().title("Pick Rotor Speed File").cancel();
        plat::test::clearRecords();
        CalculateMinimumTimeToEq(f.window.get());
        EXPECT_TRUE(f.script.done()) << f.script.logText();
        gDiagnosticsOn = false;
        gDiagnosticsFolder = "/tmp/";
        EXPECT_NE(ReadTextFile(f.folder.file("Tarnixdebug_t0.txt"))
                      .find("\nEnter SaveLammEqParameterPreferences"),
                  std::string::npos);
        EXPECT_EQ(AuxPlots::captionShown, pick);
        if (pick) {
            EXPECT_EQ(P::outputPath, picked);
            EXPECT_NE(std::string(AuxPlots::caption).find(", saved in " + picked),
                      std::string::npos);
            // Start time, speed and rate of each step, ending at the final speed.
            const std::vector<std::string> lines = SplitLines(ReadTextFile(picked));
            ASSERT_GE(lines.size(), 2u);
            double start = 0, speed = 0, rate = 0;
            ASSERT_EQ(std::sscanf(lines.back().c_str(), "%lf %lf %lf", &start, &speed, &rate), 3);
            EXPECT_DOUBLE_EQ(speed, 15000.0);
            ASSERT_EQ(plat::test::processes().size(), 1u);
            EXPECT_EQ(plat::test::processes()[0].argv.back(), picked);
        } else {
            EXPECT_EQ(ReadTextFile(picked), "the user's old program\n");
            EXPECT_TRUE(plat::test::processes().empty());
        }
        AuxPlots::captionShown = false;
        P::ResetToDefaults();
    }
}

// A program that cannot be written to the file picked (the disk full at its commit) is named with
// what that means, the file keeps the user's old program, and no caption or editor claims it.
TEST(MinimumTimeToEqCommand, AProgramThatCannotBeWrittenIsNamed) {
    MainWindowFixture f;
    TempFolderInFixture temp(f);
    SmallFastCase();
    AuxPlots::captionShown = false;
    char settings[kPathBufferSize];
    std::snprintf(settings, sizeof settings, "%s", gSettingsFolder);
    // no folder for the settings: the program's save is the first file committed
    std::snprintf(gSettingsFolder, kPathBufferSize, "%s/missing/", f.folder.path().c_str());
    const std::string picked = f.data.write("speeds.txt", "the user's old program\n");
    ExpectNotes(f.script);
    f.script.expectDialog(kTimeToEqDialogId).check(640).ok();
    f.script.expectFileOpen().title("Pick Rotor Speed File").answer({picked});
    f.script.expectBox().caption(kCaption).textHas("not kept for the next planning").answer(IDOK);
    f.script.expectBox()
        .caption(kCaption)
        .text("Attention: could not open " + picked + "\nthe optimized speed program is not saved")
        .answer(IDOK);
    plat::test::clearRecords();
    plat::test::FailAtomicCommits(1);
    CalculateMinimumTimeToEq(f.window.get());
    plat::test::FailAtomicCommits(0);
    std::snprintf(gSettingsFolder, kPathBufferSize, "%s", settings);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_FALSE(AuxPlots::captionShown);
    EXPECT_EQ(ReadTextFile(picked), "the user's old program\n");
    EXPECT_TRUE(plat::test::processes().empty());
    f.Paint();
    P::ResetToDefaults();
}

// A settings file refused for a value its setting cannot hold was refused without a word and
// then overwritten by the save: the planner says so and replaces it only when the user agrees.
TEST(MinimumTimeToEqCommand, ARefusedSettingsFileIsNamedAndKeptUnlessReplaced) {
    for (const int answer : {IDNO, IDYES}) {
        MainWindowFixture f;
        TempFolderInFixture temp(f);
        const std::string path = std::string(gSettingsFolder) + "tarnixsimappeqparams.ini";
        std::string text = "15000\n0\n1e39\n";
        for (int k = 3; k < 39; ++k)
            text += "1\n";
        WriteTextFile(path, text);
        SmallFastCase();
        P::givenDistribution = true;
        ModelChoice::lammModel = true;
        ExpectUnreadSettingsFile(f.script, path,
                                 "number 3 of the file (1e+39) is not a value its setting can hold",
                                 answer);
        CalculateMinimumTimeToEq(f.window.get());
        EXPECT_TRUE(f.script.done()) << f.script.logText();
        EXPECT_EQ(ReadTextFile(path) == text, answer == IDNO);
        EXPECT_EQ(P::preferencesSaved, answer == IDYES);
        P::ResetToDefaults();
    }
}

namespace {

// Runs the planner in a child process and waits at most `seconds` for it: a planner that never
// returns fails the test (the child is killed) instead of holding the suite. The child reports
// what it found wrong through a pipe; nothing means all is well.
::testing::AssertionResult ReturnsWithin(int seconds, const std::function<std::string()>& run) {
    int fds[2];
    if (::pipe(fds) != 0)
        return ::testing::AssertionFailure() << "no pipe";
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0)
        return ::testing::AssertionFailure() << "no child";
    if (pid == 0) {
        ::close(fds[0]);
        const std::string fault = run();
        if (!fault.empty() && ::write(fds[1], fault.data(), fault.size()) < 0)
            ::_exit(2);
        ::_exit(fault.empty() ? 0 : 1);
    }
    ::close(fds[1]);
    int status = 0;
    bool ended = false;
    for (int waited = 0; waited < seconds * 20 && !ended; ++waited) {
        ended = ::waitpid(pid, &status, WNOHANG) == pid;
        if (!ended)
            ::usleep(50000);
    }
    if (!ended) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
    }
    std::string fault;
    char buffer[512];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        fault.append(buffer, std::size_t(n));
    ::close(fds[0]);
    if (!ended)
        return ::testing::AssertionFailure() << "still planning after " << seconds << " s";
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return ::testing::AssertionFailure() << "the planning failed: " << fault;
    return ::testing::AssertionSuccess();
}

// A first planning (no settings file yet) whose dialog is cancelled goes on with the parameters
// as they were, completed as OK completes them: it plans. Parameters whose estimate is no finite
// or sensible length end with a box instead of a planner that never returns.
TEST(MinimumTimeToEqCommand, AFirstPlanningReturnsWithAPlanOrABox) {
    struct Case {
        const char* name;
        const char* s;      // typed with "use s" and OK'd
        const char* target; // the target rmsd typed and OK'd
        const char* box;
    };
    const Case cases[] = {
        {"cancelled on the defaults", nullptr, nullptr, nullptr},
        {"s so small that the run is absurd", "1e-15", nullptr,
         "which cannot be simulated (at most 10000 h): nothing is planned"},
        {"a target beyond the loading", nullptr, "5", "equilibrium is -"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MainWindowFixture f;
        TempFolderInFixture temp(f);
        P::ResetToDefaults();
        P::parameterCount = 2;
        ModelChoice::lammModel = true;
        AuxPlots::captionShown = false;
        ASSERT_FALSE(
            std::filesystem::exists(std::string(gSettingsFolder) + "tarnixsimappeqparams.ini"));
        EXPECT_TRUE(ReturnsWithin(120, [&] {
            ExpectNotes(f.script);
            auto& dialog = f.script.expectDialog(kTimeToEqDialogId);
            if (c.s)
                dialog.check(621).check(620, false).set(412, c.s);
            if (c.target)
                dialog.set(617, c.target);
            if (c.s || c.target)
                dialog.ok();
            else
                dialog.cancel();
            if (c.box)
                f.script.expectBox().caption(kCaption).textHas(c.box).answer(IDOK);
            CalculateMinimumTimeToEq(f.window.get());
            std::string fault = ::testing::Test::HasFailure() ? "a check failed (above)\n" : "";
            if (!f.script.done())
                fault += "prompts:\n" + f.script.logText();
            const bool planned =
                AuxPlots::auxPlot && std::isfinite(P::bestValue) && P::bestValue > 0.0f;
            if (planned != !c.box)
                fault += planned ? "a plan drawn" : "no plan";
            return fault;
        }));
        P::ResetToDefaults();
    }
}

} // namespace

namespace {

// A settings file with a typo, or cut short, was taken for as much as could be read, or left
// unread without a word, and then replaced by the save: each is named with why it is not read,
// and kept byte for byte unless the user agrees to replace it.
TEST(MinimumTimeToEqCommand, ASettingsFileNotReadAsWrittenIsNamedAndKeptUnlessReplaced) {
    P::ResetToDefaults();
    const std::string saved = [] {
        MainWindowFixture f;
        const std::string path = f.data.file("saved.ini");
        EXPECT_TRUE(SaveTimeToEqParameterPreferences(path));
        return ReadTextFile(path);
    }();
    const std::vector<std::string> lines = SplitLines(saved);
    ASSERT_EQ(lines.size(), 39u);
    auto with = [&](std::size_t k, const std::string& value) {
        std::string text;
        for (std::size_t i = 0; i < lines.size(); ++i)
            text += (i == k ? value : lines[i]) + "\n";
        return text;
    };
    struct Case {
        const char* name;
        std::string text;
        std::string why;
    };
    const Case cases[] = {
        {"a decimal comma", with(6, "7,200000"), "line 7 of the file (7,200000) is not a number"},
        {"a word on line 2", with(1, "zero"), "line 2 of the file (zero) is not a number"},
        {"a unit after the number", with(7, "6.8cm"), "line 8 of the file (6.8cm) is not a number"},
        {"cut after 5 lines", saved.substr(0, saved.find(lines[5] + "\n")),
         "the file ends after 5 of the 39 numbers"},
        {"empty", "", "the file holds no numbers"},
    };
    for (const Case& c : cases) {
        for (const int answer : {IDNO, IDYES}) {
            SCOPED_TRACE(std::string(c.name) + (answer == IDYES ? ", replaced" : ", kept"));
            MainWindowFixture f;
            const std::string path = std::string(gSettingsFolder) + "tarnixsimappeqparams.ini";
            WriteTextFile(path, c.text);
            SmallFastCase();
            P::givenDistribution = true;
            ModelChoice::lammModel = true;
            ExpectUnreadSettingsFile(f.script, path, c.why, answer);
            CalculateMinimumTimeToEq(f.window.get());
            EXPECT_TRUE(f.script.done()) << f.script.logText();
            EXPECT_FLOAT_EQ(P::meniscus, 6.9f) << "the parameters in use, not the file's";
            if (answer == IDNO) {
                EXPECT_EQ(ReadTextFile(path), c.text);
            } else {
                P::ResetToDefaults();
                EXPECT_TRUE(LoadTimeToEqParameterPreferences(path));
                EXPECT_FLOAT_EQ(P::meniscus, 6.9f);
            }
            P::ResetToDefaults();
        }
    }
}

} // namespace

namespace {

// A line of two numbers, or a species count of 2.5, refused the whole settings file. The first
// number of each line is read and a count rounded down, as every settings file is read; CR LF
// line ends and a blank line still read whole.
TEST(MinimumTimeToEqCommand, ALineNotHoldingOneSettingIsReadByItsFirstNumber) {
    const struct {
        std::size_t line;
        const char* value;
        float finalSpeed;
        const char* count; // line 11 as the save after the dialog writes it
        bool crlf;
    } cases[] = {{0, "20000 0", 20000.0f, "1.000000", false},
                 {10, "2.5", 15000.0f, "2.000000", false},
                 {10, "3 species\r\n", 15000.0f, "3.000000", true}};
    for (const auto& c : cases) {
        MainWindowFixture f;
        TempFolderInFixture temp(f);
        SmallFastCase();
        P::givenDistribution = true;
        ModelChoice::lammModel = true;
        const std::string path = std::string(gSettingsFolder) + "tarnixsimappeqparams.ini";
        ASSERT_TRUE(SaveTimeToEqParameterPreferences(path));
        ASSERT_TRUE(LoadTimeToEqParameterPreferences(path)); // the control: as written, it reads
        std::vector<std::string> lines = SplitLines(ReadTextFile(path));
        lines[c.line] = c.value;
        std::string text;
        for (const std::string& line : lines)
            text += line + (c.crlf ? "\r\n" : "\n");
        WriteTextFile(path, text);
        P::ResetToDefaults();
        ExpectNotes(f.script);
        f.script.expectDialog(kTimeToEqDialogId).ok();
        f.script.expectBox().caption(kCaption).textHas("please enter manually (h)").answer(IDOK);
        f.script.expectInput().caption(kCaption).prompt("max sim time (h)").cancel();
        CalculateMinimumTimeToEq(f.window.get());
        EXPECT_TRUE(f.script.done()) << f.script.logText();
        EXPECT_FLOAT_EQ(P::bottom, 7.2f);
        EXPECT_FLOAT_EQ(P::meniscus, 6.9f) << "the file's, not the defaults";
        EXPECT_EQ(P::finalSpeed, c.finalSpeed);
        EXPECT_EQ(SplitLines(ReadTextFile(path))[10], c.count);
        P::ResetToDefaults();
    }
}

} // namespace
