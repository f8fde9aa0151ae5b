// The main window's set-up and services: check marks that mirror the preferences, removal of the
// missing plot programs' items, the trace file, repaint requests and the settings commands.
#include "app/txla_window.h"
#include "plat/testing.hpp"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/diagnostics.h"
#include "state/dls_data.h"
#include "state/preference_switches.h"
#include "state/serial_fit_state.h"
#include "support/program_folder.h"
#include "support/reset_all_state.h"
#include "support/store_builder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace {

using plat::test::Script;

class MainWindow : public ::testing::Test {
  protected:
    void Open(const std::string& preferences) {
        WriteTextFile(folder.file("tarnixparams.ini"), preferences);
        window = std::make_unique<TXLAWindow>(nullptr, "Sedimentation Analysis");
        window->Create();
    }
    bool Checked(int id) const { return window->GetMenuModel()->IsChecked(id); }
    bool Present(int id) const { return window->GetMenuModel()->Contains(id); }

    ProgramFolder folder;
    std::unique_ptr<TXLAWindow> window;
};

const char* const kDefaults =
    "1\n0.0010\n0\n0\n0\n0\n0\n1\n1\n1\n0\n2\n1\n1\n2\n1.0\n0\n100\n100\n";
// Sound on, scan colour off, wizard off, second derivative, one thread, Marquardt, baseline
// correlation off, g(2) always, time stamps unchecked.
const char* const kChanged =
    "1\n0.0010\n0\n0\n0\n0\n1\n0\n0\n2\n0\n0\n3\n0\n2\n1.0\n1\n-100\n100\n";

} // namespace

TEST_F(MainWindow, TitleAndMenuOfTheProgram) {
    Open(kDefaults);
    EXPECT_EQ(window->GetCaption(), "Sedimentation Analysis");
    EXPECT_EQ(window->GetMenuModel()->CommandIds().size(), 208u - 6u); // no plot programs here
    EXPECT_NE(window->GetAcceleratorTable(), nullptr);
    EXPECT_TRUE(window->AcceptsFiles());
}

TEST_F(MainWindow, CheckMarksMirrorDefaultPreferences) {
    Open(kDefaults);
    for (int id : {829, 648, 610, 609, 295, 826, 902})
        EXPECT_TRUE(Checked(id)) << id;
    for (int id : {594, 644, 294, 642, 825, 824, 894})
        EXPECT_FALSE(Checked(id)) << id;
}

TEST_F(MainWindow, CheckMarksMirrorChangedPreferences) {
    Open(kChanged);
    for (int id : {594, 294, 824, 894})
        EXPECT_TRUE(Checked(id)) << id;
    for (int id : {648, 610, 609, 295, 642, 826, 825})
        EXPECT_FALSE(Checked(id)) << id;
    // These two are only ever set at start, so the resource state stays.
    EXPECT_FALSE(Checked(829));
    EXPECT_FALSE(Checked(902));
}

TEST_F(MainWindow, OnlyMissingPlotProgramsLoseTheirItems) {
    std::filesystem::create_directory(folder.file("bin"));
    WriteTextFile(folder.file("bin/dravonsas"), "");
    WriteTextFile(folder.file("bin/dravon3dst.exe"), "");
    Open(kDefaults);
    EXPECT_TRUE(Present(882));
    EXPECT_TRUE(Present(878));
    for (int id : {879, 880, 881, 883})
        EXPECT_FALSE(Present(id)) << id;
}

TEST_F(MainWindow, TraceFileStartsWithItsHeaderThenAppends) {
    Open(kDefaults);
    std::string log = folder.file("Tarnixdebug_t0.txt");
    WriteTextFile(log, "old session\n");
    window->DebugLog("\nnot written while diagnostics are off");
    EXPECT_EQ(ReadTextFile(log), "old session\n");

    gDiagnosticsOn = true;
    window->DebugLog("\nEnter LoadAllData"); // the first entry writes only the header
    window->DebugLog("\nEnter RunModel");
    EXPECT_EQ(ReadTextFile(log),
              "\nstarting new tarnix debugging session for thread #0\nEnter RunModel");
}

TEST_F(MainWindow, DiagnosticsSwitchTruncatesTheTraceEachTime) {
    Open(kDefaults);
    std::string log = folder.file("Tarnixdebug_t0.txt");
    Script s;
    SendMessage(window.get(), WM_COMMAND, 867, 0);
    EXPECT_TRUE(gDiagnosticsOn && gSolverDiagnostics && gThreadDiagnostics);
    EXPECT_TRUE(Checked(867));
    window->DebugLog(nullptr);
    window->DebugLog("\nfirst");
    SendMessage(window.get(), WM_COMMAND, 867, 0);
    EXPECT_FALSE(gDiagnosticsOn || gSolverDiagnostics || gThreadDiagnostics);
    EXPECT_FALSE(Checked(867));
    SendMessage(window.get(), WM_COMMAND, 867, 0);
    window->DebugLog("\nsecond");
    EXPECT_EQ(ReadTextFile(log), "\nsecond");
    EXPECT_TRUE(s.log().empty()) << s.logText();
}

// An unwritable trace used to show one box per entry, so a traced loop flooded the user with
// boxes; now the first failure reports it once and switches diagnostics off.
TEST_F(MainWindow, UnwritableTraceIsReportedOnce) {
    Open(kDefaults);
    std::filesystem::create_directory(folder.file("Tarnixdebug_t0.txt"));
    gDiagnosticsOn = true;
    window->DebugLog("\none");
    window->DebugLog("\ntwo");
    window->DebugLog("\nthree");
    EXPECT_FALSE(gDiagnosticsOn);
}

TEST_F(MainWindow, DiagnosticsSwitchReportsAMissingFolder) {
    Open(kDefaults);
    std::string missing = folder.file("none/");
    gDiagnosticsFolder = missing.c_str();
    SendMessage(window.get(), WM_COMMAND, 867, 0);
    EXPECT_FALSE(gDiagnosticsOn);
    EXPECT_FALSE(Checked(867));
}

TEST_F(MainWindow, RepaintRequestsAreDroppedDuringABatch) {
    Open(kDefaults);
    window->Validate();
    SerialFitState::serializing = true;
    window->RequestRepaint();
    EXPECT_FALSE(window->IsInvalid());
    SerialFitState::serializing = false;
    window->RequestRepaint();
    EXPECT_TRUE(window->IsInvalid());
    EXPECT_TRUE(window->ErasePending());
}

TEST_F(MainWindow, ResizingRepaintsTheWholeWindow) {
    Open(kDefaults);
    Script s;
    plat::test::resize(window.get(), 640, 480);
    s.pumpUntilIdle();
    window->Validate();
    SendMessage(window.get(), WM_SIZE, 0, LPARAM(640 | (480 << 16)));
    EXPECT_EQ(window->GetInvalidRect(), window->GetClientRect());
}

TEST_F(MainWindow, SettingsCommandsStoreTheirEntryOnYes) {
    struct Case {
        int command;
        const char* question;
        int index;
        const char* stored;
    };
    const Case cases[] = {
        {594, "Play Sounds?", 6, "1.000000"},
        {829, "Suppress Baseline Correlation in Max Ent?", 13, "1.000000"},
        {894, "calculate with DLS data as g(2)-1 intensity autocorrelation function?", 16,
         "1.000000"},
    };
    for (const Case& c : cases) {
        Open(kDefaults);
        Script s;
        s.expectBox().caption("SET PREFERENCE").text(c.question).answer(IDYES);
        s.expectBox().caption("SET PREFERENCE").text("save as default setting?").answer(IDYES);
        SendMessage(window.get(), WM_COMMAND, WPARAM(c.command), 0);
        EXPECT_TRUE(s.done()) << s.logText();
        EXPECT_TRUE(Checked(c.command)) << c.command;
        std::string text = ReadTextFile(folder.file("tarnixparams.ini"));
        std::size_t at = 0;
        for (int i = 0; i < c.index; ++i)
            at = text.find('\n', at) + 1;
        EXPECT_EQ(text.substr(at, text.find('\n', at) - at), c.stored) << c.command;
    }
}

TEST_F(MainWindow, WizardAndScanColourToggleWithoutAQuestion) {
    Open(kDefaults);
    Script s;
    s.expectBox().caption("HELP MESSAGES").text("Save Setting?").answer(IDNO);
    s.expectBox().caption("SET PREFERENCE").text("save as default setting?").answer(IDNO);
    SendMessage(window.get(), WM_COMMAND, 610, 0);
    SendMessage(window.get(), WM_COMMAND, 609, 0);
    EXPECT_TRUE(s.done()) << s.logText();
    EXPECT_FALSE(gWizardMessages);
    EXPECT_FALSE(Checked(610));
    EXPECT_FALSE(Checked(609));
    EXPECT_EQ(ReadTextFile(folder.file("tarnixparams.ini")), kDefaults);
}

TEST_F(MainWindow, SavingToATooShortFileChangesOnlyThisRun) {
    Open("1\n0.0010\n0\n0\n"); // completed and rewritten at start
    WriteTextFile(folder.file("tarnixparams.ini"), "1\n0.0010\n");
    EXPECT_FALSE(window->SavePreference(6, 1));
    EXPECT_EQ(ReadTextFile(folder.file("tarnixparams.ini")), "1\n0.0010\n");
    EXPECT_TRUE(window->SavePreference(1, 0));
    EXPECT_EQ(ReadTextFile(folder.file("tarnixparams.ini")), "1.000000\n0.000000\n");
}

TEST_F(MainWindow, SavingToAFileEditedSinceStartKeepsAValueNotReadAsWritten) {
    Open(kDefaults);
    for (const char* edited :
         {"1\n0,005\n0\n0\n0\n0\n0\n", "1\n0.001\n0\n0\n0\n0\n0 S\n", "1\n1e-6\n0\n0\n0\n0\n0\n"}) {
        WriteTextFile(folder.file("tarnixparams.ini"), edited);
        Script s; // the user does not agree to replace it
        s.expectBox()
            .caption("SET PREFERENCE")
            .textHas("which was not read as written")
            .answer(IDNO);
        EXPECT_FALSE(window->SavePreference(6, 1)) << edited;
        EXPECT_TRUE(s.done()) << s.logText();
        EXPECT_EQ(ReadTextFile(folder.file("tarnixparams.ini")), edited);
    }
}

TEST_F(MainWindow, AutocorrelationToggleConvertsEveryScanBothWays) {
    Open(kDefaults);
    FillStore({EvenScan(1.0f, 1.0f, 3, 0.0, [](float r) { return r == 2.0f ? -0.04f : 0.25f; }),
               EvenScan(1.0f, 1.0f, 3, 10.0, [](float) { return 0.81f; })});
    gDlsData = true;
    ScanStore::dlsRecords = new DlsRecord[3];
    SendMessage(window.get(), WM_COMMAND, 898, 0);
    EXPECT_TRUE(ScanStore::dlsRecords[1].isFieldAcf);
    EXPECT_FLOAT_EQ(ScanStore::signal[1][1], 0.5f);
    EXPECT_FLOAT_EQ(ScanStore::signal[1][2], -0.2f);
    EXPECT_FLOAT_EQ(ScanStore::signal[2][3], 0.9f);
    SendMessage(window.get(), WM_COMMAND, 898, 0);
    EXPECT_FALSE(ScanStore::dlsRecords[2].isFieldAcf);
    EXPECT_NEAR(ScanStore::signal[1][2], -0.04f, 1e-6);
    EXPECT_NEAR(ScanStore::signal[2][1], 0.81f, 1e-6);
}

TEST_F(MainWindow, AutocorrelationToggleNeedsLoadedLightScattering) {
    Open(kDefaults);
    FillStore({EvenScan(1.0f, 1.0f, 3, 0.0, [](float) { return 0.25f; })});
    SendMessage(window.get(), WM_COMMAND, 898, 0); // sedimentation data: nothing to convert
    EXPECT_FLOAT_EQ(ScanStore::signal[1][1], 0.25f);
}

TEST_F(MainWindow, MultipleThreadsTakesWholeCountsOfAtLeastOne) {
    struct Case {
        const char* name;
        bool yes;
        const char* threads; // null: cancel
        const char* lammThreads;
        bool multiThreading;
        int distributionCount;
        int lammCount;
    };
    const Case cases[] = {
        {"counts rounded down", true, "3.9", "2.5", true, 3, 2},
        {"cancelled counts", true, nullptr, nullptr, false, 2, 1},
        {"zero is one thread", true, "0", "-4", true, 1, 1},
        {"no", false, nullptr, nullptr, false, 1, 1},
    };
    for (const Case& c : cases) {
        ResetAllState();
        Open(kDefaults);
        Script s;
        s.expectBox().text("Use Multiple Threads?").answer(c.yes ? IDYES : IDNO);
        if (c.yes) {
            auto& first = s.expectInput().prompt("number of threads");
            c.threads ? first.answer(c.threads) : first.cancel();
            auto& second = s.expectInput().prompt("number of threads for Lamm equations");
            c.lammThreads ? second.answer(c.lammThreads) : second.cancel();
        }
        s.expectBox().text("save as default setting?").answer(IDYES);
        SendMessage(window.get(), WM_COMMAND, 648, 0);
        EXPECT_TRUE(s.done()) << c.name << "\n" << s.logText();
        EXPECT_EQ(ContiState::multiThreading, c.multiThreading) << c.name;
        EXPECT_EQ(gDistributionThreadCount, c.distributionCount) << c.name;
        EXPECT_EQ(gLammThreadCount, c.lammCount) << c.name;
        EXPECT_EQ(Checked(648), c.multiThreading) << c.name;
        std::string text = ReadTextFile(folder.file("tarnixparams.ini"));
        std::vector<std::string> lines;
        for (std::size_t a = 0, b; (b = text.find('\n', a)) != std::string::npos; a = b + 1)
            lines.push_back(text.substr(a, b - a));
        ASSERT_EQ(lines.size(), 19u);
        // Off keeps its count, negated.
        EXPECT_EQ(std::stoi(lines[11]),
                  c.multiThreading ? c.distributionCount : -c.distributionCount)
            << c.name;
        EXPECT_EQ(std::stoi(lines[14]), c.lammCount) << c.name;
    }
}

TEST_F(MainWindow, TimestampCheckStoresItsSwitchAndThreshold) {
    Open(kDefaults);
    {
        Script s;
        s.expectBox().text("Always Check Timestamps Automatically?").answer(IDYES);
        s.expectInput()
            .caption("SET PREFERENCE")
            .prompt("threshold for correction factor")
            .answer("1.002");
        SendMessage(window.get(), WM_COMMAND, 902, 0);
        EXPECT_TRUE(s.done()) << s.logText();
    }
    EXPECT_TRUE(gCheckTimestamps);
    EXPECT_NEAR(gTimestampThreshold, 1.002, 1e-6);
    std::string on = ReadTextFile(folder.file("tarnixparams.ini"));
    EXPECT_TRUE(on.ends_with("\n1.000000\n200.000000\n")) << on;
    {
        Script s;
        s.expectBox().text("Always Check Timestamps Automatically?").answer(IDNO);
        SendMessage(window.get(), WM_COMMAND, 902, 0);
        EXPECT_TRUE(s.done()) << s.logText();
    }
    EXPECT_FALSE(gCheckTimestamps);
    EXPECT_FALSE(Checked(902));
    EXPECT_TRUE(
        ReadTextFile(folder.file("tarnixparams.ini")).ends_with("\n0.000000\n200.000000\n"));
    // A ratio whose entry would not read back is refused like any invalid number.
    {
        Script s;
        s.expectBox().text("Always Check Timestamps Automatically?").answer(IDYES);
        s.expectInput().prompt("threshold for correction factor").answer("1e30");
        s.expectInput().prompt("threshold for correction factor").answer("1.0");
        SendMessage(window.get(), WM_COMMAND, 902, 0);
        EXPECT_TRUE(s.done()) << s.logText();
    }
    EXPECT_EQ(gTimestampThreshold, 1.0);
    EXPECT_TRUE(ReadTextFile(folder.file("tarnixparams.ini")).ends_with("\n1.000000\n0.000000\n"));
}
