// Fit (215) through the menu on three-speed equilibrium data: the fit itself, the bound question
// before it, the wizard's advice after it, a key press that stops it, the confidence interval
// of M, and the saved-parameter rule of Update Saved Fit Parameters.
#include "app/txla_window.h"
#include "fitting/optim_ml.h"
#include "fitting/param_files.h"
#include "scandata/scan_store.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/preference_switches.h"
#include "state/run_switches.h"
#include "support/equilibrium_scan_set.h"
#include "support/main_window_fixture.h"
#include "support/temp_folder.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using M = ModelParameters;

void Send(MainWindowFixture& f, int id) {
    plat::test::command(f.window.get(), id);
    f.script.pumpUntilIdle();
}

TEST(FitCommand, FitsTheEquilibriumModelAndAdvisesAfterwards) {
    MainWindowFixture f;
    TempFolder folder;
    ScanPaths::gDataPath = folder.file("~tmppars.RA1");
    LoadEquilibriumSet();
    plat::test::clearRecords();
    Send(f, 215); // a good fit: no advice
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_NEAR(M::speciesDOrM[1] / 20000.0, 1.0, 0.01);
    EXPECT_NEAR(FitControl::bestRmsd, 0.005, 0.0005);
    EXPECT_FALSE(f.window->fitBusy);
    EXPECT_TRUE(gRunCompleted);
    EXPECT_FALSE(ScanStore::dataChanged);
    EXPECT_EQ(plat::test::cursorHistory(f.window.get()), (std::vector<int>{IDC_WAIT, IDC_ARROW}));
    EXPECT_FALSE(ReadTextFile(ScanPaths::gDataPath).empty()); // the result was saved

    // The meniscus floated against a maximum below the truth ends on it, and the wizard says so.
    LoadEquilibriumSet();
    M::concentration[1] = 0.5f;
    M::concentrationFloat[1] = 0;
    M::meniscus = 6.89f;
    M::meniscusFloat = 1;
    FitControl::meniscusMin = 6.85f;
    FitControl::meniscusMax = 6.899f;
    gWizardMessages = true;
    f.script.expectBox().caption("Help Wizard").textHas("Meniscus estimate has reached");
    Send(f, 215);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_EQ(M::meniscus, 6.899f);
}

TEST(FitCommand, BoundBeyondTheFitLimitIsQuestionedFirst) {
    MainWindowFixture f;
    LoadEquilibriumSet();
    M::meniscusFloat = 1;
    ScanStore::leftFitLimit = 6.91f;
    FitControl::meniscusMax = 6.95f;
    f.script.expectBox().caption("PROBLEM WITH FITTING").textHas("Left fitting limit").answer(IDNO);
    plat::test::clearRecords();
    Send(f, 215);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_EQ(M::speciesDOrM[1], 15000.0f); // nothing ran
    EXPECT_EQ(FitControl::meniscusMax, 6.95f);
    EXPECT_FALSE(f.window->fitBusy);
    EXPECT_TRUE(plat::test::cursorHistory(f.window.get()).empty());

    f.script.onUnexpected(plat::test::Unexpected::Cancel); // advice boxes after the fit
    f.script.expectBox().caption("PROBLEM WITH FITTING").answer(IDYES);
    Send(f, 215);
    EXPECT_FLOAT_EQ(FitControl::meniscusMax, 6.909f);
    EXPECT_NE(M::speciesDOrM[1], 15000.0f);
}

TEST(FitCommand, AKeyPressStopsTheFitAndKeepsTheStart) {
    MainWindowFixture f;
    TempFolder folder;
    ScanPaths::gDataPath = folder.file("~tmppars.RA1");
    LoadEquilibriumSet();
    f.script.onUnexpected(plat::test::Unexpected::Cancel);
    plat::test::keyDown(f.window.get(), 'A', 'a');
    plat::test::keyUp(f.window.get(), 'A');
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(215), 0); // the key waits in the queue
    EXPECT_TRUE(FitControl::fitAborted);
    EXPECT_FALSE(FitControl::fitInProgress);
    EXPECT_EQ(FitControl::evaluationCount, 1); // polled after the first evaluation
    EXPECT_EQ(M::speciesDOrM[1], 15000.0f);    // the best (only) vector
    EXPECT_TRUE(ReadTextFile(ScanPaths::gDataPath).empty());
}

TEST(FitCommand, ConfidenceIntervalOfMAfterTheFit) {
    MainWindowFixture f;
    LoadEquilibriumSet();
    FitControl::marquardtLevenberg = true;
    FitControl::simplex = false;
    f.script.onUnexpected(plat::test::Unexpected::Cancel);
    Send(f, 215);
    EXPECT_EQ(gMLProgressLine, nullptr); // shown during the fit, gone after it
    plat::test::Script script;
    script.expectInput()
        .caption("calculate error in M")
        .promptHas("confidence level")
        .answer("0.683");
    script.expectInput()
        .caption("calculate error in M")
        .promptHas("test interval for M")
        .answer("50");
    script.expectBox()
        .caption("calculate error in M")
        .textHas("are current parameters best fit?")
        .answer(IDYES);
    script.expectBox().caption("calculate error in M").textHas("M = ").answer(IDOK);
    Send(f, 286);
    EXPECT_TRUE(script.done()) << script.logText();
    ASSERT_GE(script.log().size(), 4u);
    float m = 0, lo = 0, hi = 0, critical = 0;
    ASSERT_EQ(std::sscanf(script.log()[3].text.c_str(),
                          "M = %f [%f, %f] Da\n(critical rmsd value is %f)", &m, &lo, &hi,
                          &critical),
              4)
        << script.log()[3].text;
    EXPECT_LT(lo, m);
    EXPECT_GT(hi, m);
    EXPECT_GT(critical, FitControl::bestRmsd);
    EXPECT_NEAR(M::speciesDOrM[1], m, 0.5); // the best fit is back
}

TEST(FitCommand, UpdateSavedFitParametersOnlyForTheDistributionFamily) {
    MainWindowFixture f;
    TempFolder folder;
    ScanPaths::gDataPath = folder.file("~tmppars.RA1");
    Send(f, 827);
    EXPECT_TRUE(ReadTextFile(ScanPaths::gDataPath).empty());
    ModelChoice::contiCs = true;
    ModelChoice::csBimodal = true;
    Send(f, 827);
    EXPECT_TRUE(ReadTextFile(ScanPaths::gDataPath).empty());
    ModelChoice::csBimodal = false;
    Send(f, 827);
    EXPECT_FALSE(ReadTextFile(ScanPaths::gDataPath).empty());
}

} // namespace

// A confidence limit that was never found (no crossing within the steps, or a key press) used to
// be shown as the last value tried; now the box says which side has none and why.
TEST(FitCommand, ConfidenceIntervalSaysWhichLimitWasNotFound) {
    MainWindowFixture f;
    LoadEquilibriumSet();
    FitControl::marquardtLevenberg = true;
    FitControl::simplex = false;
    f.script.onUnexpected(plat::test::Unexpected::Cancel);
    Send(f, 215);
    const float best = M::speciesDOrM[1];
    auto errorInM = [&](float interval, bool keyPress) {
        plat::test::Script script;
        const char* caption = "calculate error in M";
        script.expectInput().caption(caption).promptHas("confidence level").answer("0.683");
        script.expectInput()
            .caption(caption)
            .promptHas("test interval for M")
            .answer(std::to_string(interval));
        script.expectBox().caption(caption).textHas("are current parameters").answer(IDYES);
        script.expectBox().caption(caption).textHas("M = ").answer(IDOK);
        if (keyPress) {
            plat::test::keyDown(f.window.get(), 'A', 'a');
            plat::test::keyUp(f.window.get(), 'A');
        }
        SendMessage(f.window.get(), WM_COMMAND, WPARAM(286), 0);
        EXPECT_TRUE(script.done()) << script.logText();
        return script.log().size() >= 4 ? script.log()[3].text : std::string();
    };
    float m = 0, lo = 0, hi = 0;
    ASSERT_EQ(std::sscanf(errorInM(50.0f, false).c_str(), "M = %f [%f, %f] Da", &m, &lo, &hi), 3);
    const float half = 0.5f * (hi - lo);
    ASSERT_GT(half, 0.0f);

    // Started half an interval off the optimum with steps of 1/100 of the half-width, the near
    // side crosses after about 50 steps and the far side would need about 150.
    struct Case {
        const char* name;
        float start;
        bool keyPress;
        const char* limits; // what stands between the brackets, "%f" for a number
        const char* lower;  // the line on the lower side, or null
        const char* upper;
    } cases[] = {
        {"upper beyond the steps", best - 0.5f * half, false, "[%f, none]", nullptr,
         "no upper limit found: the rmsd stayed below the critical value over 100 steps of"},
        {"lower beyond the steps", best + 0.5f * half, false, "[none, %f]",
         "no lower limit found: the rmsd stayed below the critical value over 100 steps of",
         nullptr},
        {"key press", best, true, "[none, none]",
         "no lower limit found: the search was stopped by a key press",
         "no upper limit found: the search was stopped by a key press"},
    };
    for (const Case& c : cases) {
        M::speciesDOrM[1] = c.start;
        FitControl::fitAborted = false;
        const std::string text = errorInM(half / 100.0f, c.keyPress);
        float shown = 0, limit = 0;
        const std::string format = std::string("M = %f ") + c.limits;
        EXPECT_EQ(std::sscanf(text.c_str(), format.c_str(), &shown, &limit), c.keyPress ? 1 : 2)
            << c.name << ": " << text;
        if (!c.keyPress) // the side found lies at the half-width from the optimum
            EXPECT_NEAR(limit, c.lower ? hi : lo, 0.1 * half) << c.name << ": " << text;
        for (const char* line : {c.lower, c.upper})
            if (line)
                EXPECT_NE(text.find(line), std::string::npos) << c.name << ": " << text;
        EXPECT_EQ(text.find("no lower") != std::string::npos, c.lower != nullptr) << c.name;
        EXPECT_EQ(text.find("no upper") != std::string::npos, c.upper != nullptr) << c.name;
        EXPECT_EQ(M::speciesDOrM[1], c.start) << c.name << ": the start is back";
    }
}
