// The calculators driven through the menu: their questions and result texts, Cancel, the help
// mode, and the second moment on loaded scans with its clipboard table.
#include "plat/clipboard.hpp"
#include "plat/msgbox.hpp"
#include "state/model_parameters.h"
#include "state/scan_store.h"
#include "support/main_window_fixture.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>

namespace {

using M = ModelParameters;

class Calculators : public ::testing::Test {
  protected:
    void Command(int id) {
        plat::test::command(f.window.get(), id);
        f.script.pumpUntilIdle();
    }
    void Input(const char* caption, const char* prompt, const char* answer) {
        f.script.expectInput().title(caption).prompt(prompt).answer(answer);
    }
    MainWindowFixture f;
};

TEST_F(Calculators, SphereFromMassAsksFiveNumbersAndShowsItsProperties) {
    const char* ask = "CALCULATE SEDCOEFFICIENT OF SPHERE";
    Input(ask, "enter molar mass [Da]", "100000");
    Input(ask, "enter partial specific volume [ml/g]", "0.73");
    Input(ask, "enter temperature [C]", "20");
    Input(ask, "enter buffer density [g/ml]", "0.99823");
    Input(ask, "enter absolute viscosity (Poise)", "0.01002");
    f.script.expectBox()
        .caption("CALCUALTE SEDCOEFFICIENT OF SPHERE")
        .textHas("a compact, smooth sphere of M=100000 Da, v=0.730 ml/g, in density=0.9982 g/ml, "
                 "rel. viscosity=1.0000 \nhas the following properties:\n s=");
    Command(276);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
}

// Cancel at any question ends the command without a result.
TEST_F(Calculators, CancelAtAnyQuestionShowsNoResult) {
    const char* ask = "CALCULATE FRICTIONAL AND AXIAL RATIOS";
    const char* prompts[] = {"enter molar mass [Da]",
                             "enter sedimentation coefficient [S]",
                             "enter partial specific volume [ml/g]",
                             "enter hydration [g/g]",
                             "enter temperature [C]",
                             "enter buffer density [g/ml]",
                             "enter absolute viscosity (Poise)"};
    for (int cancelAt = 0; cancelAt < 7; ++cancelAt) {
        plat::test::Script script;
        for (int k = 0; k < cancelAt; ++k)
            script.expectInput().title(ask).prompt(prompts[k]).answer("1");
        script.expectInput().title(ask).prompt(prompts[cancelAt]).cancel();
        Command(270);
        EXPECT_TRUE(script.done()) << cancelAt << script.logText();
        EXPECT_EQ(std::count_if(script.log().begin(), script.log().end(),
                                [](const plat::test::PromptRecord& r) {
                                    return r.kind == plat::test::PromptKind::Box;
                                }),
                  0)
            << cancelAt;
    }
}

TEST_F(Calculators, HelpModeShowsHelpInsteadAndEndsIt) {
    for (int id : {270, 276, 606, 272}) {
        f.window->helpMode = true;
        f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
        Command(id);
        EXPECT_FALSE(f.window->helpMode) << id;
        for (const plat::test::PromptRecord& r : f.script.log())
            EXPECT_NE(r.kind, plat::test::PromptKind::Input) << id << " asked " << r.text;
    }
}

TEST_F(Calculators, SxpToS20wFallsThroughAndRepeats) {
    const char* ask = "CALCULATE s(xp) TO s(20,w)";
    Input(ask, "enter experimental s-value", "5");
    Input(ask, "partial specific volume at (xp) [ml/g]", "0.73");
    Input(ask, "enter partial specific volume at (20,w) [ml/g]", "0.72");
    Input(ask, "enter buffer density [g/ml]", "0.99823");
    Input(ask, "enter absolute viscosity (Poise)", "0.01002");
    f.script.expectBox().caption("CALCUALTE s(xp) TO s(20,w)").textHas("s(xp) of 5.000 S converts");
    f.script.expectBox()
        .caption("")
        .text("transform another s-value under same conditions?")
        .answer(IDYES);
    Input(ask, "enter experimental s-value", "7");
    f.script.expectBox().caption("CALCUALTE s(xp) TO s(20,w)").textHas("s(xp) of 7.000 S converts");
    f.script.expectBox()
        .caption("")
        .text("transform another s-value under same conditions?")
        .answer(IDNO);
    Command(582);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_FLOAT_EQ(ScanStore::vbar20, 0.72f); // the one value the calculators keep
}

TEST_F(Calculators, FStatisticsRefusesImpossibleEntries) {
    const char* ask = "CALCULATE SOSQ RATIO";
    Input(ask, "enter desired confidence level", "1.5");
    Input(ask, "enter first degree of freedom", "100");
    Input(ask, "enter second degree of freedom", "100");
    f.script.expectBox().caption(ask).textHas("between 0 and 1");
    Command(272);
    Input(ask, "enter desired confidence level", "0.683");
    Input(ask, "enter first degree of freedom", "1000");
    Input(ask, "enter second degree of freedom", "1000");
    f.script.expectBox().caption("CALCUALTE SOSQ RATIO").textHas("(n1=1000, n2=1000)");
    Command(272);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
}

class LoadedCalculators : public Calculators {
  protected:
    void SetUp() override {
        f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
        ScanSetOptions options;
        options.count = 6;
        options.dr = 0.002;
        f.Load(options);
        f.script.onUnexpected(plat::test::Unexpected::Fail);
        M::meniscus = 5.9f;
        M::bottom = 7.2f;
    }
};

TEST_F(LoadedCalculators, NegativeSInTheRadialDilutionFloatsFromTheBottom) {
    ScanStore::rightFitLimit = 7.1f;
    Input("CALCULATE RADIAL DILUTION", "enter s-value [Da]", "-2");
    f.script.expectBox()
        .caption("CALCULATE RADIAL DILUTION")
        .textHas("with the bottom at 7.200 cm would have a boundary position of");
    Command(461);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    ScanStore::rightFitLimit = 0.0f;
    f.script.expectBox().caption("ERROR").text("Set Fitting Limits First");
    Command(461);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
}

// A particle that does not sediment is not diluted: the limits 100 %, not 0/0.
TEST_F(LoadedCalculators, RadialDilutionOfSZeroIsNone) {
    ScanStore::rightFitLimit = 7.1f;
    Input("CALCULATE RADIAL DILUTION", "enter s-value [Da]", "0");
    f.script.expectBox()
        .caption("CALCULATE RADIAL DILUTION")
        .textHas("would have a boundary position of 5.900cm in the last scan\nradial dilution "
                 "reduces the plateau concentration at the time of the last scan to 100.000%")
        .textHas("sedimentation is 100.000% of the loading concentration");
    Command(461);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
}

// The table of sw against time is on the clipboard; the step replaces each fit curve only when
// the user agrees, otherwise the model fit stays as it was.
TEST_F(LoadedCalculators, SecondMomentPutsItsTableOnTheClipboardAndStepsTheFitsOnlyWhenAsked) {
    ScanStore::rightFitLimit = 7.1f;
    const char* caption = "CALCULATE SW BY SECOND MOMENT";
    const int i = ScanStore::scanOrder[1];
    const int n = ScanStore::pointCount[i];
    for (const bool step : {false, true}) {
        for (int j = 1; j <= n; ++j)
            ScanStore::fit[i][j] = 0.25f;
        f.script.expectBox().caption(caption).textHas("subtract all systematic noise");
        f.script.expectBox()
            .caption(caption)
            .textHas("show the boundary steps as fit curves?")
            .answer(step ? IDYES : IDNO);
        f.script.expectBox().caption(caption).textHas(
            "sw was averaged over scans, each determined by differential second moment");
        Command(545);
        ASSERT_TRUE(f.script.done()) << f.script.logText();
        const std::string table = plat::test::clipboard().text.value_or("");
        EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), ScanStore::scanCount - 1) << table;
        EXPECT_EQ(ScanStore::fit[i][1], step ? 0.0f : 0.25f);
        if (step)
            EXPECT_GT(ScanStore::fit[i][n], 0.5f);
        else
            EXPECT_EQ(ScanStore::fit[i][n], 0.25f);
    }
}

} // namespace

namespace {

// Typed text: case does not matter, X is reported and ignored, two cysteines ask for bonds.
TEST_F(Calculators, SequenceFromTheTextWindow) {
    const char* caption = "CALCULATE VBAR, EXT280 AND DNDC FROM SEQUENCE";
    f.script.expectEdit().answer("MKCCWy\nX");
    f.script.expectBox().caption(caption).text("found X in sequence: unknown will be ignored");
    Input(caption, "percent cysteines in disulfide bond", "100");
    Input(caption, "enter temperature (C)", "20");
    Input(caption, "enter refractive index of buffer at 25 C", "1.334");
    Input(caption, "enter wavelength (nm)", "580");
    f.script.expectBox().caption(caption).textHas("6 amino acids read:\nmass = ");
    Command(895);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
}

} // namespace
