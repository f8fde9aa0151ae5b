// The commands that write fit results and noise: which dialogs they show in which state, that
// they hand the chosen names to the writers, and that the dialog record gets its load set-up
// back.
#include "app/txla_window.h"
#include "fitting/parameter_report.h"
#include "foundations/key_polling.h"
#include "plat/msgbox.hpp"
#include "plat/testing.hpp"
#include "scandata/scan_store_alloc.h"
#include "state/display_options.h"
#include "state/dls_data.h"
#include "state/model_choice.h"
#include "support/main_window_fixture.h"

#include <gtest/gtest.h>

namespace {

using S = ScanStore;
using plat::test::PromptKind;

class SaveCommands : public ::testing::Test {
  protected:
    SaveCommands() {
        ScanSetOptions options;
        options.count = 3;
        f.Load(options);
        f.Paint();
        S::resultAvailable = true; // as after a Run
    }
    void Run(int id) { w->RunCommand(*FindCommand(id)); }
    // The titles of the file dialogs shown so far.
    std::vector<std::string> Dialogs() const {
        std::vector<std::string> titles;
        for (const auto& p : f.script.log())
            if (p.kind == PromptKind::FileSave || p.kind == PromptKind::FileOpen)
                titles.push_back(p.caption);
        return titles;
    }
    void ExpectLoadSetUp(const char* extension) const {
        EXPECT_EQ(w->openFilesDialog.lpstrFile, gSelectedFiles);
        EXPECT_TRUE(w->openFilesDialog.Flags & OFN_ALLOWMULTISELECT);
        EXPECT_EQ(w->openFilesDialog.lpstrDefExt, extension);
        EXPECT_FALSE(w->paintSuspended);
    }
    MainWindowFixture f{700, 500};
    TXLAWindow* w = f.window.get();
    TempFolder out;
};

} // namespace

TEST_F(SaveCommands, SaveFitDataWritesFitsThenResiduals) {
    f.script.expectFileSave().title("save fitted data as").answer(out.file("f0000x.rxx"));
    f.script.expectFileSave().title("save residuals as").answer(out.file("r0000x.rxx"));
    f.script.expectFileSave().title("save some fit parameters as").cancel();
    Run(203);
    EXPECT_TRUE(f.script.done());
    for (const char* name : {"f0001.RA1", "f0003.RA1", "r0001.RA1", "r0003.RA1"})
        EXPECT_FALSE(ReadTextFile(out.file(name)).empty()) << name;
    ExpectLoadSetUp("*");
}

// The report's proposed name follows the fit file's name, or the name that dialog proposed when
// it was cancelled: in the old names the fit file's name with ".par", else "fitparams" with its
// extension.
TEST_F(SaveCommands, TheReportsProposedNameFollowsTheFitFile) {
    const struct {
        bool oldNames;
        std::string fitFile; // empty: that dialog cancelled
        const char* proposed;
    } cases[] = {
        {false, "", "fitparams.rxx"},
        {false, out.file("f0000x.RA2"), "fitparams.RA2"},
        {true, "", "fit.par"},
    };
    for (const auto& c : cases) {
        gOldFilenameConvention = c.oldNames;
        if (c.fitFile.empty())
            f.script.expectFileSave().title("save fitted data as").cancel();
        else
            f.script.expectFileSave().title("save fitted data as").answer(c.fitFile);
        f.script.expectFileSave().title("save residuals as").cancel();
        f.script.expectFileSave().title("save some fit parameters as").cancel();
        Run(203);
        EXPECT_TRUE(f.script.done()) << f.script.logText();
        EXPECT_EQ(f.script.log().back().proposed, c.proposed) << c.fitFile;
    }
}

// The last dialog saves the parameter report, line by line, whether or not the fits were saved;
// a report that cannot be written says so.
TEST_F(SaveCommands, SaveFitDataEndsWithTheParameterReport) {
    std::string expected;
    for (const std::string& line : ParameterReportLines())
        expected += line + "\n";
    for (const std::string& report : {out.file("fitparams.RA1"), out.file("missing/fitparams")}) {
        const bool written = report.find("missing") == std::string::npos;
        f.script.expectFileSave().title("save fitted data as").cancel();
        f.script.expectFileSave().title("save residuals as").cancel();
        f.script.expectFileSave().title("save some fit parameters as").answer(report);
        if (!written)
            f.script.expectBox().caption("Error").text("could not write " + report);
        Run(203);
        EXPECT_TRUE(f.script.done()) << f.script.logText();
        EXPECT_EQ(ReadTextFile(report), written ? expected : "") << report;
        ExpectLoadSetUp("*");
    }
}

// Before any model was evaluated the fit values are zeros; writing them headed "fitted to" would
// report a failure as success.
TEST_F(SaveCommands, SaveFitDataRefusesBeforeAnyModelWasEvaluated) {
    S::resultAvailable = false;
    f.script.expectBox().caption("SAVE FITS").textHas("no fit to save");
    Run(203);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_TRUE(Dialogs().empty());
    EXPECT_FALSE(FileExists(out.file("f0001.RA1").c_str()));
}

TEST_F(SaveCommands, CancelledFitDialogStillOffersTheResiduals) {
    f.script.expectFileSave().title("save fitted data as").cancel();
    f.script.expectFileSave().title("save residuals as").cancel();
    f.script.expectFileSave().title("save some fit parameters as").cancel();
    Run(203);
    EXPECT_TRUE(f.script.done());
    EXPECT_TRUE(f.script.log().size() == 3) << f.script.logText();
}

TEST_F(SaveCommands, LightScatteringFitsGetOnlyTheFitDialog) {
    gDlsData = true;
    f.script.expectFileSave().title("save fitted data as").cancel();
    Run(203);
    gDlsData = false;
    EXPECT_EQ(Dialogs(), std::vector<std::string>{"save fitted data as"});
}

TEST_F(SaveCommands, SaveNoiseOffersADialogPerFittedNoise) {
    struct Case {
        bool ti, ri;
        std::vector<std::string> dialogs;
    };
    const Case cases[] = {
        {true,
         true,
         {"save time independent noise component as",
          "save radial independent noise component as"}},
        {false, true, {"save radial independent noise component as"}},
        {true, false, {"save time independent noise component as"}},
        {false, false, {}},
    };
    for (const Case& c : cases) {
        ModelChoice::fitTINoise = c.ti;
        ModelChoice::fitRINoise = c.ri;
        plat::test::Script script;
        for (const std::string& title : c.dialogs)
            script.expectFileSave().title(title).cancel();
        Run(252);
        EXPECT_TRUE(script.done()) << c.ti << c.ri;
        EXPECT_EQ(script.log().size(), c.dialogs.size()) << script.logText();
    }
    ExpectLoadSetUp("*");
}

TEST_F(SaveCommands, SaveNoiseWritesTheChosenFiles) {
    ModelChoice::fitTINoise = ModelChoice::fitRINoise = true;
    f.script.expectFileSave()
        .title("save time independent noise component as")
        .answer(out.file("TIN.rxx"));
    f.script.expectFileSave()
        .title("save radial independent noise component as")
        .answer(out.file("RIN.rxx"));
    Run(252);
    EXPECT_FALSE(ReadTextFile(out.file("TIN.RA1")).empty());
    EXPECT_FALSE(ReadTextFile(out.file("RIN.RA1")).empty());
}

TEST_F(SaveCommands, NoiseCorrectedEquilibriumScan) {
    ModelChoice::fitTINoise = true;
    const std::string source = f.data.file("00002.RA1");
    f.script.expectFileOpen().title("select equilbrium scan").answer(source);
    f.script.expectFileSave().title("save corrected data as").answer(out.file("RTI.RA1"));
    Run(253);
    EXPECT_TRUE(f.script.done());
    EXPECT_NE(ReadTextFile(out.file("RTI.RA1")).find("time-independent noise corrected file"),
              std::string::npos);
    ExpectLoadSetUp("IP*");
}

TEST_F(SaveCommands, CancelledEquilibriumScanChoiceIsReported) {
    ModelChoice::fitTINoise = true;
    f.script.expectFileOpen().title("select equilbrium scan").cancel();
    f.script.expectBox().caption("WARNING").text("GetOpenFileName returned Error");
    Run(253);
    EXPECT_TRUE(f.script.done());
    ExpectLoadSetUp("*");
    // Without the time-invariant noise fitted the command shows nothing.
    ModelChoice::fitTINoise = false;
    plat::test::Script quiet;
    Run(253);
    EXPECT_TRUE(quiet.log().empty()) << quiet.logText();
}

TEST_F(SaveCommands, EquilibriumFitNeedsTheDiscreteEngineSwitch) {
    Run(225);
    EXPECT_TRUE(f.script.log().empty()) << f.script.logText();
    ModelChoice::simulationSwitch223 = true;
    f.script.expectFileSave().title("save equilibrium data as").answer(out.file("eq.rxx"));
    Run(225);
    EXPECT_NE(ReadTextFile(out.file("eq.rxx")).find("equilibrium"), std::string::npos);
}
