// Fit (215) through the menu on three-speed equilibrium data: the fit itself, the bound question
// before it, the wizard's advice after it, a key press that stops it, the confidence interval
// of M, and the saved-parameter rule of Update Saved Fit Parameters; Fit refuses where Run does
// and fits nothing when there is nothing to fit.
#include "app/run_engines.h"
#include "app/txla_window.h"
#include "fitting/param_files.h"
#include "foundations/sounds.h"
#include "scandata/fit_limits.h"
#include "scandata/scan_store_alloc.h"
#include "state/buffer_sedimentation.h"
#include "state/dls_data.h"
#include "state/fit_control.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/preference_switches.h"
#include "state/run_switches.h"
#include "state/serial_fit_state.h"
#include "state/startup_paths.h"
#include "support/equilibrium_scan_set.h"
#include "support/main_window_fixture.h"
#include "support/temp_folder.h"
#include "support/velocity_store.h"

#include <cstdio>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using M = ModelParameters;

// Sound on with one member of the "fitdone" set in the program folder.
void ListenForFitDone(MainWindowFixture& f) {
    WriteTextFile(f.folder.file("fitdone.wav"), "RIFF");
    std::snprintf(gTablePaths.sounds[kSoundFitDone], kPathBufferSize, "%s",
                  f.folder.file("fitdone.wav").c_str());
    soundOn = true;
    CountSoundFiles();
    plat::test::clearRecords();
}

bool FitDoneHeard() {
    for (const plat::test::SoundCall& call : plat::test::sounds())
        if (std::filesystem::path(call.path).filename() == "fitdone.wav")
            return true;
    return false;
}

// A small velocity set of known truth with species 1's s floated.
void SmallVelocitySet() {
    VelocitySet set;
    set.scans = 3;
    set.points = 121;
    FillVelocityStore(set);
    ModelParameters::speciesSFloat[1] = 1;
    PackFitParameters();
}

std::vector<float> FitValues() {
    return {M::fitValues + 1, M::fitValues + M::kFitSlots + 1};
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
    gWizardMessages = true; // a stopped fit gets no advice
    plat::test::keyDown(f.window.get(), 'A', 'a');
    plat::test::keyUp(f.window.get(), 'A');
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(215), 0); // the key waits in the queue
    EXPECT_EQ(f.script.logText().find("Wizard"), std::string::npos) << f.script.logText();
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
    // Shown during the fit (the live refresh road sees it advance), gone after it.
    EXPECT_LT(f.window->computeObserver.LineFraction(10, 10), 0.0f);
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

// Fit used to go on with models Run refuses: the optimiser "converged" on a model that was never
// computed, saved the parameters and played its sound. Now both refuse alike, a batch by its code.
TEST(FitCommand, RefusesEveryModelRunCannotEvaluate) {
    struct Case {
        const char* name;
        std::function<void(MainWindowFixture&)> set;
    };
    auto menu = [](int id) {
        return [id](MainWindowFixture& f) {
            SmallVelocitySet();
            Send(f, id);
        };
    };
    const std::vector<Case> cases = {
        // (the ideal species alone are the equilibrium exponentials on these data)
        {"equilibrium data, velocity model in a zone",
         [](MainWindowFixture&) {
             LoadEquilibriumSet();
             ModelChoice::equilibriumModel = false;
             ModelChoice::zoneCentrifugation = true;
             ScanStore::equilibriumData = true;
         }},
        {"equilibrium data, a non-ideal species 1",
         [](MainWindowFixture&) {
             LoadEquilibriumSet();
             ModelChoice::equilibriumModel = false;
             ModelChoice::firstSpeciesNonideal = true;
             ScanStore::equilibriumData = true;
         }},
        // the cells of other cross-sections are solved for ideal species in a uniform solvent
        {"linear Lamm equation in a solvent gradient",
         [menu](MainWindowFixture& f) {
             menu(280)(f);
             ModelChoice::inhomogeneousSolvent = true;
         }},
        {"external loading cell in zone centrifugation",
         [](MainWindowFixture& f) {
             SmallVelocitySet();
             f.script.expectInput().caption("EXTERNAL LOADING GEOMETRY").answer("0.1");
             Send(f, 281);
             ModelChoice::zoneCentrifugation = true;
         }},
        {"third geometry with the Faxen approximation",
         [menu](MainWindowFixture& f) {
             menu(282)(f);
             LammGrid::faxenApproximation = true;
         }},
        {"electrophoresis with a non-ideal first species",
         [menu](MainWindowFixture& f) {
             menu(291)(f);
             ModelChoice::firstSpeciesNonideal = true;
         }},
        {"discrete Stokes radii",
         [](MainWindowFixture&) {
             SmallVelocitySet();
             gDlsData = true;
             ModelChoice::dlsStokesRadii = true;
         }},
        {"cumulants",
         [](MainWindowFixture&) {
             SmallVelocitySet();
             gDlsData = true;
             ModelChoice::dlsCumulants = true;
         }},
    };
    const std::string run =
        "\"Run\" (command 213) is not available in this version for the model chosen.";
    const std::string fit =
        "\"Fit\" (command 215) is not available in this version for the model chosen.";
    for (const Case& c : cases) {
        MainWindowFixture f;
        TempFolder folder;
        ScanPaths::gDataPath = folder.file("~tmppars.RA1");
        c.set(f);
        M::speciesSFloat[1] = M::speciesDOrMFloat[1] = 1;
        PackFitParameters();
        ASSERT_TRUE(f.script.done()) << c.name << f.script.logText();
        const std::vector<float> before = FitValues();
        ListenForFitDone(f);
        ScanStore::dataChanged = true;
        f.script.expectBox().caption("NOT AVAILABLE").text(run);
        Send(f, 213);
        f.script.expectBox().caption("NOT AVAILABLE").text(fit);
        Send(f, 215);
        EXPECT_TRUE(f.script.done()) << c.name << f.script.logText();
        EXPECT_EQ(FitControl::evaluationCount, 0) << c.name;
        EXPECT_EQ(FitValues(), before) << c.name;
        EXPECT_FALSE(gRunCompleted) << c.name;
        EXPECT_TRUE(ScanStore::dataChanged) << c.name;
        EXPECT_FALSE(f.window->fitBusy) << c.name;
        EXPECT_FALSE(FitDoneHeard()) << c.name;
        EXPECT_TRUE(ReadTextFile(ScanPaths::gDataPath).empty()) << c.name;

        // A batch stores the code and shows nothing.
        SerialFitState::serializing = true;
        for (int id : {213, 215}) {
            SerialFitState::errorCode = 0;
            Send(f, id);
            EXPECT_EQ(SerialFitState::errorCode, kErrorModelNotAvailable) << c.name << id;
        }
        EXPECT_TRUE(f.script.done()) << c.name << f.script.logText();
        SerialFitState::serializing = false;
    }
}

// With nothing floated, or no point inside the fit limits, Fit used to report a completed fit
// (rmsd 0 when no point was left) and play its sound. Now it says so and evaluates nothing.
TEST(FitCommand, NothingToFitIsSaidAndNothingIsFitted) {
    struct Case {
        const char* name;
        std::function<void()> set;
        const char* text;
    };
    const char* fixed = "No parameter is floated: use Run to compute the model.";
    const char* outside = "No scan has data inside the fitting limits: nothing to fit.";
    auto fixAll = [] {
        for (int slot = 1; slot <= M::kFitSlots; ++slot)
            M::fitFloat[slot] = 0;
        UnpackFitParameters();
    };
    // The limits fall between two radii (0.002 cm apart) of every scan.
    auto between = [](float left) {
        ScanStore::leftFitLimit = left + 0.0005f;
        ScanStore::rightFitLimit = left + 0.0008f;
        ApplyLeftFitLimit();
        ApplyRightFitLimit();
    };
    const std::vector<Case> cases = {
        {"discrete model, every parameter fixed",
         [&] {
             SmallVelocitySet();
             fixAll();
         },
         fixed},
        {"equilibrium model, every parameter fixed",
         [&] {
             LoadEquilibriumSet();
             PackFitParameters();
             fixAll();
         },
         fixed},
        {"discrete model, every scan outside the limits",
         [&] {
             VelocitySet set;
             set.scans = 3;
             set.points = 601; // 0.002 cm apart from 6.0 cm
             FillVelocityStore(set);
             M::speciesSFloat[1] = 1;
             PackFitParameters();
             between(7.0f);
         },
         outside},
        {"equilibrium model, every scan outside the limits",
         [&] {
             LoadEquilibriumSet();
             PackFitParameters();
             between(7.0f);
         },
         outside},
    };
    for (const Case& c : cases) {
        MainWindowFixture f;
        TempFolder folder;
        ScanPaths::gDataPath = folder.file("~tmppars.RA1");
        c.set();
        const std::vector<float> before = FitValues();
        FitControl::bestRmsd = 0.25f;
        ListenForFitDone(f);
        ScanStore::dataChanged = true;
        f.script.expectBox().text(c.text);
        Send(f, 215);
        EXPECT_TRUE(f.script.done()) << c.name << f.script.logText();
        EXPECT_EQ(FitControl::evaluationCount, 0) << c.name;
        EXPECT_EQ(FitValues(), before) << c.name;
        EXPECT_EQ(FitControl::bestRmsd, 0.25f) << c.name;
        EXPECT_FALSE(gRunCompleted) << c.name;
        EXPECT_FALSE(FitDoneHeard()) << c.name;
        EXPECT_FALSE(f.window->fitBusy) << c.name;
        EXPECT_TRUE(ReadTextFile(ScanPaths::gDataPath).empty()) << c.name;
    }
}

// An engine that refused (and said why) used to leave Run and Fit reporting a finished command:
// the result flag set, the data taken as analysed, the done sound and the wizard's advice.
TEST(EngineRefusal, EndsRunAndFit) {
    struct Case {
        const char* name;
        std::function<void(MainWindowFixture&)> set;
        int command;
        const char* text; // the refusal, said once
    };
    auto distribution = [](MainWindowFixture& f) {
        SmallVelocitySet();
        Send(f, 275); // Continuous c(s) Distribution
    };
    const std::vector<Case> cases = {
        {"distribution Run, cell unset",
         [&](MainWindowFixture& f) {
             distribution(f);
             M::meniscus = 0.0f;
         },
         213, "Meniscus and bottom must be set"},
        {"distribution Fit, nothing floated", distribution, 215, "No kernel parameter"},
        {"discrete Run without scans", [](MainWindowFixture&) {}, 213, "please load data first"},
        {"discrete Run, meniscus beyond the bottom",
         [](MainWindowFixture&) {
             SmallVelocitySet();
             M::meniscus = 7.5f;
         },
         213, "must lie inside the cell"},
        {"discrete Fit, meniscus beyond the bottom",
         [](MainWindowFixture&) {
             SmallVelocitySet();
             M::meniscus = 7.5f;
         },
         215, "must lie inside the cell"},
        {"equilibrium Run, cell unset",
         [](MainWindowFixture&) {
             LoadEquilibriumSet();
             M::meniscus = 0.0f;
         },
         213, "set Meniscus and Bottom first"},
        {"equilibrium Fit, cell unset",
         [](MainWindowFixture&) {
             LoadEquilibriumSet();
             M::meniscus = 0.0f;
         },
         215, "set Meniscus and Bottom first"},
        {"equilibrium Run, a scan at rest",
         [](MainWindowFixture&) {
             LoadEquilibriumSet();
             ScanStore::header[2].rotorSpeed = 0.0f;
         },
         213, "was recorded at 0 rpm"},
    };
    for (const Case& c : cases) {
        MainWindowFixture f;
        TempFolder folder;
        ScanPaths::gDataPath = folder.file("~tmppars.RA1");
        c.set(f);
        PackFitParameters();
        ASSERT_TRUE(f.script.done()) << c.name << f.script.logText();
        ListenForFitDone(f);
        ScanStore::dataChanged = true;
        gWizardMessages = true; // any advice box would be unexpected
        f.script.expectBox().textHas(c.text);
        Send(f, c.command);
        EXPECT_TRUE(f.script.done()) << c.name << f.script.logText();
        EXPECT_FALSE(gRunCompleted) << c.name;
        EXPECT_TRUE(ScanStore::dataChanged) << c.name;
        EXPECT_FALSE(FitDoneHeard()) << c.name;
        EXPECT_FALSE(f.window->fitBusy || f.window->runBusy) << c.name;
        EXPECT_TRUE(ReadTextFile(ScanPaths::gDataPath).empty()) << c.name;
    }
}

TEST(FitCommand, UpdateSavedFitParametersOnlyForTheDistributionFamily) {
    MainWindowFixture f;
    TempFolder folder;
    ScanPaths::gDataPath = folder.file("~tmppars.RA1");
    Send(f, 827);
    EXPECT_TRUE(ReadTextFile(ScanPaths::gDataPath).empty());
    ModelChoice::contiMode = true; // the members are distribution models
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
        if (!c.keyPress) { // the side found lies at the half-width from the optimum
            EXPECT_NEAR(limit, c.lower ? hi : lo, 0.1 * half) << c.name << ": " << text;
        }
        for (const char* line : {c.lower, c.upper})
            if (line) {
                EXPECT_NE(text.find(line), std::string::npos) << c.name << ": " << text;
            }
        EXPECT_EQ(text.find("no lower") != std::string::npos, c.lower != nullptr) << c.name;
        EXPECT_EQ(text.find("no upper") != std::string::npos, c.upper != nullptr) << c.name;
        EXPECT_EQ(M::speciesDOrM[1], c.start) << c.name << ": the start is back";
    }

    // s means nothing at equilibrium: neither side of the error in s ever crosses.
    plat::test::Script script;
    const char* caption = "calculate error in s";
    script.expectInput().caption(caption).promptHas("confidence level").answer("0.683");
    script.expectInput().caption(caption).promptHas("test interval for s").answer("0.5");
    script.expectBox().caption(caption).textHas("are current parameters").answer(IDYES);
    script.expectBox().caption(caption).textHas("s = ").answer(IDOK);
    M::speciesDOrM[1] = best;
    FitControl::fitAborted = false;
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(285), 0);
    EXPECT_TRUE(script.done()) << script.logText();
    ASSERT_GE(script.log().size(), 4u);
    const std::string text = script.log()[3].text;
    float s = 0;
    EXPECT_EQ(std::sscanf(text.c_str(), "s = %f [none, none] S", &s), 1) << text;
    for (const char* side : {"lower", "upper"})
        EXPECT_NE(text.find(std::string("no ") + side +
                            " limit found: the rmsd stayed below the critical value over 100 "
                            "steps of 0.5"),
                  std::string::npos)
            << text;
}
