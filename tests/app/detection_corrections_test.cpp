// The fluorescence detection corrections through the menu: the six one-question commands and the
// tools dialog (Alt+F), each writing DetectionCorrections and the check marks of both ids.
#include "app/flo_tool_box.h"
#include "scandata/nonlinear_detection.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "state/fluorophore.h"
#include "support/main_window_fixture.h"
#include "support/store_builder.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using D = DetectionCorrections;
using S = ScanStore;
constexpr const char* kGoOn = "this is intended for fluorescence data - proceed anyway?";

// The check mark of a correction: its item in the "Fluorescence Tools" popup (the second ids and
// the depletion's have no item).
bool Checked(MainWindowFixture& f, int id) {
    return f.window->GetMenuModel()->IsChecked(id);
}

// One scan of 4 points, signal 1 .. 4, fit 0, as fluorescence data.
void LoadFluorescenceScan() {
    StoreScan s;
    s.radius = {6.0f, 6.1f, 6.2f, 6.3f};
    s.signal = {1.0f, 2.0f, 3.0f, 4.0f};
    FillStore({s});
    S::firstFitIndex[1] = 1;
    S::lastFitIndex[1] = 4;
    ScanDataKind::fluorescence = true;
}

// A scripted answer: a Yes/No box or a number box, matched by its text.
struct Answer {
    bool number;
    std::string prompt;
    std::string value; // numbers: the text entered; boxes: "yes" or "no"
};

void Script(MainWindowFixture& f, const char* caption, const std::vector<Answer>& answers) {
    for (const Answer& a : answers) {
        if (a.number)
            f.script.expectInput().caption(caption).prompt(a.prompt).answer(a.value);
        else
            f.script.expectBox().caption(caption).text(a.prompt).answer(a.value == "yes" ? IDYES
                                                                                         : IDNO);
    }
}

Answer Yes(const char* text) {
    return {false, text, "yes"};
}
Answer No(const char* text) {
    return {false, text, "no"};
}
Answer Number(const char* text, const char* value) {
    return {true, text, value};
}

} // namespace

TEST(DetectionCommands, EachCommandStoresItsAnswersAndChecksItsItem) {
    struct Case {
        int id;
        const char* caption;
        std::vector<Answer> answers;
        std::function<void()> expect;
    };
    const std::vector<Case> cases = {
        {912,
         "Signal Radial Convolution",
         {Yes("use radial convolution?"), Number("characteristic width (cm)", "0.003"),
          Yes("fit characteristic convolution width?"), Number("consider dist factor", "3")},
         [] {
             EXPECT_TRUE(D::convolutionOn);
             EXPECT_FLOAT_EQ(D::convolutionWidth, 0.003f);
             EXPECT_TRUE(D::convolutionFit);
             EXPECT_EQ(D::convolutionRange, 3.0f);
         }},
        {914,
         "Signal Excitation Shadow",
         {Yes("account for excitation shadow at bottom of cell??"),
          Number("cone radius (cm)", "0.02"), No("fit cone radius?")},
         [] {
             EXPECT_TRUE(D::shadowOn);
             EXPECT_FLOAT_EQ(D::coneRadius, 0.02f);
             EXPECT_FALSE(D::shadowFit);
         }},
        {907,
         "Signal Amplitude Change With Radius",
         {Yes("use radial magnification gradient?"), Number("1+da/dr", "1.2"),
          Yes("fit radial magnification gradient?")},
         [] {
             EXPECT_TRUE(D::gradientOn);
             EXPECT_FLOAT_EQ(D::gradientFactor, 1.2f);
             EXPECT_TRUE(D::gradientFit);
         }},
        // Percent in the boxes, fractions in the record; the second fit question of the
        // exponential model, with the words of the linear one, sets the rate's flag.
        {910,
         "Signal Amplitude Change With Time",
         {Yes("use linear temporal magnification drift?"), Number("(df/dt) [%%/h]", "5"),
          No("fit temporal magnification drift?"), Yes("use exponential photophysics model?"),
          Number("rate [per h]", "0.4"), Number("limiting signal level [%%]", "80"),
          Yes("fit limiting signal level?"), No("fit temporal magnification drift?")},
         [] {
             EXPECT_TRUE(D::driftOn && D::linearDriftOn && D::exponentialOn);
             EXPECT_FLOAT_EQ(D::linearDrift, 0.05f);
             EXPECT_FALSE(D::linearDriftFit);
             EXPECT_FLOAT_EQ(D::exponentialRate, 0.4f);
             EXPECT_FLOAT_EQ(D::limitingLevel, 0.8f);
             EXPECT_TRUE(D::limitingLevelFit);
             EXPECT_FALSE(D::exponentialRateFit);
         }},
        {925,
         "Johnston Ogston Signal Depletion",
         {Yes("account for Johnston Ogston anomaly of moving signal depletion?"),
          Number("s-value of depletion (S)", "4"), No("fit s-value?"),
          Number("D-value of depletion (F)", "5"), Yes("fit D-value?"),
          Number("amplitude of depletion (S)", "0.3"), No("fit amplitude?"),
          Number("ks-value", "0.01"), Yes("fit ks-value?")},
         [] {
             EXPECT_TRUE(D::depletionOn);
             EXPECT_EQ(D::depletionS, 4.0f);
             EXPECT_FLOAT_EQ(D::depletionD, 5e-7f);
             EXPECT_TRUE(D::depletionFitD);
             EXPECT_FALSE(D::depletionFitS);
             EXPECT_FLOAT_EQ(D::depletionAmplitude, 0.3f);
             EXPECT_FLOAT_EQ(D::depletionLogKs, -2.0f);
             EXPECT_TRUE(D::depletionFitKs);
         }},
    };
    for (const Case& c : cases) {
        MainWindowFixture f;
        ScanDataKind::fluorescence = true;
        Script(f, c.caption, c.answers);
        Send(f, c.id);
        EXPECT_TRUE(f.script.done()) << c.id << f.script.logText();
        c.expect();
        if (c.id != 925) {
            EXPECT_TRUE(Checked(f, c.id)) << c.id;
        }
    }
}

// No to the fluorescence question switches a correction off that was on; the drift command
// switches both models off before it asks anything.
TEST(DetectionCommands, NoSwitchesTheCorrectionOffWithItsMarks) {
    MainWindowFixture f;
    ScanDataKind::absorbance = true;
    D::convolutionOn = D::convolutionFit = true;
    Script(f, "Signal Radial Convolution",
           {Yes("use radial convolution?"), Number("characteristic width (cm)", "0.003"),
            No("fit characteristic convolution width?"), Number("consider dist factor", "2")});
    ScanDataKind::fluorescence = true;
    Send(f, 911);
    ASSERT_TRUE(Checked(f, 912));
    EXPECT_FALSE(Checked(f, 911)); // no menu item
    ScanDataKind::fluorescence = false;
    D::convolutionFit = true;
    Script(f, "Signal Radial Convolution", {No(kGoOn)});
    Send(f, 912);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_FALSE(D::convolutionOn || D::convolutionFit);
    EXPECT_FALSE(Checked(f, 912));

    D::driftOn = D::linearDriftOn = D::linearDriftFit = true;
    Script(f, "Signal Amplitude Change With Time",
           {Yes(kGoOn), No("use linear temporal magnification drift?"),
            No("use exponential photophysics model?")});
    Send(f, 910);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_FALSE(D::driftOn || D::linearDriftOn || D::linearDriftFit);
    EXPECT_FALSE(Checked(f, 910));

    // A depletion ks of 0 has no logarithm: the lowest ks is kept.
    ScanDataKind::fluorescence = true;
    Script(f, "Johnston Ogston Signal Depletion",
           {Yes("account for Johnston Ogston anomaly of moving signal depletion?"),
            Number("s-value of depletion (S)", "3"), Yes("fit s-value?"),
            Number("D-value of depletion (F)", "3"), No("fit D-value?"),
            Number("amplitude of depletion (S)", "0.5"), No("fit amplitude?"),
            Number("ks-value", "0"), No("fit ks-value?")});
    Send(f, 925);
    EXPECT_EQ(D::depletionLogKs, -8.0f);
    Script(f, "Johnston Ogston Signal Depletion",
           {No("account for Johnston Ogston anomaly of moving signal depletion?")});
    Send(f, 925);
    EXPECT_FALSE(D::depletionOn || D::depletionFitS);
}

// Switching nonlinear detection off puts the recorded signal back into the store, also when the
// switch goes off through No to the fluorescence question.
TEST(DetectionCommands, NonlinearDetectionShowsTheTransformAndTakesItBack) {
    for (bool throughFluorescenceQuestion : {false, true}) {
        MainWindowFixture f;
        LoadFluorescenceScan();
        Script(f, "Nonlinear Detection",
               {Yes("account for nonlinear detection"), Number("power coeff d(log(a))/dc", "2"),
                No("fit power coefficient?"), Number("baseline for power law", "1"),
                Yes("want to show transformed data (YES) or original (NO)?")});
        Send(f, 908);
        ASSERT_TRUE(f.script.done()) << f.script.logText();
        EXPECT_TRUE(Checked(f, 908));
        EXPECT_EQ(S::signal[1][1], 1.0f);  // at the baseline
        EXPECT_EQ(S::signal[1][4], 10.0f); // (4 - 1)^2 + 1
        if (throughFluorescenceQuestion) {
            ScanDataKind::fluorescence = false;
            Script(f, "Nonlinear Detection", {No(kGoOn)});
        } else {
            Script(f, "Nonlinear Detection", {No("account for nonlinear detection")});
        }
        Send(f, 906);
        EXPECT_TRUE(f.script.done()) << f.script.logText();
        EXPECT_EQ(S::signal[1][4], 4.0f);
        EXPECT_FALSE(D::nonlinearOn || D::nonlinearShowTransformed || NonlinearDetection::shown);
        EXPECT_FALSE(Checked(f, 908));
    }
}

TEST(FloTools, OkWritesEveryCorrectionBackWithItsMarks) {
    MainWindowFixture f;
    LoadFluorescenceScan();
    f.script.expectDialog(kFloToolDialogId)
        .check(kFtGradientOn)
        .set(kFtGradientFactor, "1.1")
        .check(kFtLinearDriftFit) // without the linear drift itself: no flag
        .check(kFtExponentialOn)
        .set(kFtExponentialRate, "0.5")
        .set(kFtLimitingLevel, "70")
        .check(kFtLimitingLevelFit)
        .check(kFtShadowOn)
        .set(kFtConeRadius, "0.03")
        .check(kFtDepletionOn)
        .set(kFtDepletionD, "6")
        .set(kFtDepletionKs, "0.001")
        .ok();
    Send(f, 915);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_TRUE(D::gradientOn);
    EXPECT_FLOAT_EQ(D::gradientFactor, 1.1f);
    EXPECT_FALSE(D::linearDriftOn || D::linearDriftFit);
    EXPECT_TRUE(D::exponentialOn && D::driftOn && D::limitingLevelFit);
    EXPECT_FLOAT_EQ(D::limitingLevel, 0.7f);
    EXPECT_TRUE(D::shadowOn);
    EXPECT_FLOAT_EQ(D::depletionD, 6e-7f);
    EXPECT_FLOAT_EQ(D::depletionLogKs, -3.0f);
    for (int id : {907, 910, 914})
        EXPECT_TRUE(Checked(f, id)) << id;
    for (int id : {908, 912})
        EXPECT_FALSE(Checked(f, id)) << id;
    // The values come back as the dialog shows them; a tiny ks is kept at its floor.
    FillFloToolTransfer(f.window->floToolTransfer);
    EXPECT_STREQ(f.window->floToolTransfer.limitingLevel, "70.000");
    EXPECT_STREQ(f.window->floToolTransfer.depletionKs, "0.00100");
    f.script.expectDialog(kFloToolDialogId).set(kFtDepletionKs, "0.000000001").ok();
    Send(f, 915);
    EXPECT_EQ(D::depletionLogKs, -8.0f);
    FillFloToolTransfer(f.window->floToolTransfer);
    EXPECT_STREQ(f.window->floToolTransfer.depletionKs, "0.00000");
}

// Switching nonlinear detection on stores nothing else; the next OK takes the power and applies
// it. A power of 0 becomes 0.01.
TEST(FloTools, NonlinearValuesTakeEffectOnTheNextConfirmation) {
    MainWindowFixture f;
    LoadFluorescenceScan();
    f.script.expectDialog(kFloToolDialogId)
        .check(kFtNonlinearOn)
        .set(kFtNonlinearPower, "2")
        .check(kFtShowTransformed)
        .ok();
    Send(f, 915);
    EXPECT_TRUE(D::nonlinearOn && Checked(f, 908));
    EXPECT_EQ(D::nonlinearPower, 1.0f);
    EXPECT_EQ(S::signal[1][4], 4.0f);
    f.script.expectDialog(kFloToolDialogId)
        .set(kFtNonlinearPower, "2")
        .check(kFtShowTransformed)
        .ok();
    Send(f, 915);
    EXPECT_EQ(D::nonlinearPower, 2.0f);
    EXPECT_EQ(S::signal[1][4], 16.0f);
    EXPECT_TRUE(Checked(f, 908)); // in force, whatever the power's fit box says
    f.script.expectDialog(kFloToolDialogId).set(kFtNonlinearPower, "0").ok();
    Send(f, 915);
    EXPECT_EQ(D::nonlinearPower, 0.01f);
    f.script.expectDialog(kFloToolDialogId).check(kFtNonlinearOn, false).ok();
    Send(f, 915);
    EXPECT_FALSE(D::nonlinearOn);
    EXPECT_EQ(S::signal[1][4], 4.0f);
}

TEST(FloTools, CancelAndInvalidEntriesChangeNothing) {
    struct Case {
        int id;
        const char* text;
    } cases[] = {{kFtGradientFactor, "1,1"},  {kFtLinearDrift, ""},
                 {kFtNonlinearBaseline, "b"}, {kFtExponentialRate, "-1"},
                 {kFtConeRadius, "-0.1"},     {kFtNonlinearPower, "-2"},
                 {kFtDepletionKs, "x"},       {kFtConvolutionRange, "-3"}};
    for (const Case& c : cases) {
        MainWindowFixture f;
        ScanDataKind::fluorescence = true;
        f.script.expectDialog(kFloToolDialogId).check(kFtShadowOn).set(c.id, c.text).ok();
        f.script.expectBox().caption("Input Error").text("Invalid Entry").answer(IDOK);
        f.script.expectDialog(kFloToolDialogId).cancel();
        plat::test::clearRecords();
        Send(f, 915);
        EXPECT_TRUE(f.script.done()) << c.id << f.script.logText();
        EXPECT_EQ(plat::test::beeps().size(), 1u) << c.id;
        EXPECT_FALSE(D::shadowOn) << c.id;
        EXPECT_FALSE(Checked(f, 914)) << c.id;
    }
    // Without fluorescence data, No ends before the dialog.
    MainWindowFixture f;
    f.script.expectBox().caption("FloTools").text(kGoOn).answer(IDNO);
    Send(f, 915);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
}
