// The buffer-mismatch correction (552) through the menu: the dialog's record and its refusals, the
// species slot the correction takes, the models it refuses, and a user's road: data of a species
// over a sedimenting buffer, Run and Fit with the correction on.
#include "app/buffer_sed_box.h"
#include "app/params_box.h"
#include "scandata/fit_limits.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/inhomogeneous_solvent.h"
#include "state/buffer_sedimentation.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/preference_switches.h"
#include "support/main_window_fixture.h"
#include "support/model_road.h"
#include "support/velocity_store.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using B = BufferSedimentation;
using M = ModelParameters;
using S = ScanStore;
constexpr const char* kInterferenceNote =
    "Note: buffer sedimentation model is intended only for interference data";

void Cell() {
    ModelChoice::equilibriumMs = false;
    M::meniscus = 6.2f;
    M::bottom = 7.2f;
    PackFitParameters();
}

// The cell with one species of 6 S loaded 1 (its D-or-M value 6), for the road tests below.
void CellWithOneSpeciesAt6S() {
    Cell();
    M::speciesOn[1] = 1;
    M::concentration[1] = 1.0f;
    M::speciesS[1] = 6.0f;
    M::speciesDOrM[1] = 6.0f;
    PackFitParameters();
}

// The three notes that follow the buffer's box as the road tests switch the correction on: the
// temperature assumed, the note on interference data, slot 4 taken.
void ExpectSwitchingOnNotes(MainWindowFixture& f) {
    f.script.expectBox().text("assuming t = 20 'C").answer(IDOK);
    f.script.expectBox().text(kInterferenceNote).answer(IDOK);
    f.script.expectBox().textHas("Switching off Component 4.").answer(IDOK);
}

// The cell with one species at 6 S and the correction switched on through 552 with the
// buffer's signal 0.4, s 0.5 S and D 20 (and what `more` adds to the dialog), then `scans` scans
// generated from that model with noise 0.003.
template <class More> void SwitchOnAndGenerate(MainWindowFixture& f, int scans, More more) {
    CellWithOneSpeciesAt6S();
    plat::test::Step& dialog = f.script.expectDialog(kBufferSedDialogId)
                                   .check(kBsOn)
                                   .set(kBsSignal, "0.4")
                                   .set(kBsSampleS, "0.5")
                                   .set(kBsSampleD, "20");
    more(dialog);
    dialog.ok();
    ExpectSwitchingOnNotes(f);
    Send(f, 552);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    ASSERT_TRUE(B::on);
    f.GenerateWithTheModelAsItIs(scans, "0.003");
    ASSERT_TRUE(f.script.done()) << f.script.logText();
}

// The reference sector's meniscus 0.05 cm from the sample's.
void ReferenceMeniscus5mmAbove(plat::test::Step& d) {
    d.check(kBsMeniscusMismatch).set(kBsMeniscusDifference, "0.05");
}

void SwitchOnAndGenerate(MainWindowFixture& f, int scans) {
    SwitchOnAndGenerate(f, scans, [](plat::test::Step&) {});
}

// A signal typed as -5 is kept as 5 with the excess on the reference side, and shown as -5
// again; switching on takes slot 4, clearing what it held, with its amplitude floated as the
// buffer signal's box says.
TEST(BufferSed, SwitchingOnTakesSlotFourAndKeepsTheSignedSignal) {
    MainWindowFixture f;
    Cell();
    M::speciesS[4] = 3.0f;
    M::speciesDOrM[4] = 50.0f;
    PackFitParameters();
    f.script.expectDialog(kBufferSedDialogId)
        .check(kBsOn)
        .set(kBsSignal, "-5")
        .set(kBsSampleD, "40")
        .check(kBsFloatReferenceS) // no different reference: cleared
        .ok();
    f.script.expectBox().caption("").text("assuming t = 20 'C").answer(IDOK);
    f.script.expectBox().caption("Attention").text(kInterferenceNote).answer(IDOK);
    f.script.expectBox().caption("Attention").textHas("Switching off Component 4.").answer(IDOK);
    Send(f, 552);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_TRUE(B::on);
    EXPECT_EQ(B::signal, 5.0);
    EXPECT_EQ(B::signalSign, -1.0);
    EXPECT_TRUE(B::excessInReference && !B::excessInSample);
    EXPECT_EQ(B::sampleD, 40.0);
    EXPECT_NEAR(B::sampleMb, 1e-6 * 0.21 * 8.314e7 * 293.0 / 40.0, 1e-3); // Svedberg
    EXPECT_FALSE(B::floatReferenceS);
    EXPECT_EQ(M::speciesIncluded[4], 1);
    EXPECT_EQ(M::speciesS[4], 0.0f);
    EXPECT_EQ(M::speciesDOrM[4], 0.0f);
    EXPECT_EQ(M::concentrationFloat[4], 1);

    f.script.expectDialog(kBufferSedDialogId).check(kBsOn, false).ok();
    f.script.expectBox().text("assuming t = 20 'C").answer(IDOK);
    Send(f, 552);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_STREQ(f.window->bufferSedTransfer.signal, "-5.000 ");
    EXPECT_FALSE(B::on);
    EXPECT_EQ(M::speciesIncluded[4], 0);
}

// Entries that are no numbers, a negative D, and a reference meniscus outside the cell, which gave
// a grid without a column to simulate, keep the dialog open with its box.
TEST(BufferSed, DialogRefusesInvalidEntriesAndAReferenceMeniscusOutsideTheCell) {
    struct Case {
        const char* name;
        std::vector<std::pair<int, const char*>> edits;
        std::vector<int> checks;
    };
    const Case cases[] = {
        {"D negative", {{kBsSampleD, "-1"}}, {}},
        {"reference D empty", {{kBsReferenceD, ""}}, {}},
        {"s no number", {{kBsSampleS, "fast"}}, {}},
        {"signal no number", {{kBsSignal, "1,5"}}, {}},
        {"meniscus difference no number", {{kBsMeniscusDifference, "wide"}}, {}},
        {"relative concentration no number", {{kBsRelativeConcentration, "half"}}, {}},
        {"reference s empty", {{kBsReferenceS, ""}}, {}},
        {"reference behind the axis", {{kBsMeniscusDifference, "6.3"}}, {kBsMeniscusMismatch}},
        {"reference at the axis", {{kBsMeniscusDifference, "6.2"}}, {kBsMeniscusMismatch}},
        {"reference beyond the bottom", {{kBsMeniscusDifference, "-1.1"}}, {kBsDifferentReference}},
    };
    for (const Case& c : cases) {
        MainWindowFixture f;
        Cell();
        auto& step = f.script.expectDialog(kBufferSedDialogId).check(kBsOn);
        for (const auto& [id, text] : c.edits)
            step.set(id, text);
        for (int id : c.checks)
            step.check(id);
        step.ok();
        f.script.expectBox().caption("Input Error").text("Invalid Entry").answer(IDOK);
        f.script.expectDialog(kBufferSedDialogId).cancel();
        plat::test::clearRecords();
        Send(f, 552);
        EXPECT_TRUE(f.script.done()) << c.name << f.script.logText();
        EXPECT_EQ(plat::test::beeps().size(), 1u) << c.name;
        EXPECT_FALSE(B::on) << c.name;
    }
}

TEST(BufferSed, ModelsThatCannotCarryTheCorrectionRefuseIt) {
    {
        MainWindowFixture f;
        ModelChoice::csFf0 = true;
        f.script.expectBox()
            .caption("ERROR")
            .text("c(s,ff0) model does not work in buffer mismatch mode")
            .answer(IDOK);
        Send(f, 552);
        EXPECT_TRUE(f.script.done()) << f.script.logText();
    }
    {
        MainWindowFixture f;
        Cell();
        ModelChoice::inhomogeneousSolvent = true;
        f.script.expectDialog(kBufferSedDialogId).check(kBsOn).ok();
        f.script.expectBox().text("assuming t = 20 'C").answer(IDOK);
        f.script.expectBox()
            .caption("Attention")
            .text("buffer sedimentation model is incompatible with this model\nswitching buffer "
                  "sedimentation off")
            .answer(IDOK);
        Send(f, 552);
        EXPECT_TRUE(f.script.done()) << f.script.logText();
        EXPECT_FALSE(B::on);
        EXPECT_EQ(M::speciesIncluded[4], 0);
    }
}

// Every model that cannot carry the correction, in either order: chosen before the correction is
// switched on (552 says so at once) or after it (Run says so first): the "Attention" box, the
// correction off and its check mark gone, and the model evaluated without it. ls-g*(s) once kept
// the correction and answered "NOT AVAILABLE" to every Run. Models that carry it keep it.
TEST(BufferSed, EveryModelThatCannotCarryTheCorrectionSwitchesItOffInEitherOrder) {
    struct Row {
        const char* name;
        std::vector<int> commands; // the model's choice
        bool carries;
    };
    const Row rows[] = {
        {"ls-g*(s)", {288}, false},
        {"ls-g*(s) with 1 discrete component", {539}, false},
        {"c(s) with 1 discrete component", {531}, false},
        {"c(s) with M(s) table", {587}, false},
        {"c(s) variant 585", {275, 585}, false},
        {"van Holde-Weischet", {292}, false},
        {"ls-g*(s) area fractions vs 1/sqrt(t)", {293}, false},
        {"zone, independent species", {246}, false},
        {"zone c(s)", {511}, false},
        {"zone ls-g*(s)", {510}, false},
        {"external loading cell", {281}, false},
        {"electrophoresis Lamm", {291}, false},
        {"electrophoresis ls-g*(v)", {501}, false},
        {"non-interacting species", {198}, true},
        {"non-ideal single species", {227}, true},
        {"non-ideal multiple species", {893}, true},
        {"monomer-dimer", {197}, true},
        {"c(s)", {275}, true},
        {"c(M)", {235}, true},
        {"c(s) with invariant D", {526}, true},
        {"c(s) bimodal with 1 discrete component", {870}, true},
        {"linear Lamm equation", {280}, true},
    };
    for (const Row& row : rows)
        for (const bool modelFirst : {true, false}) {
            SCOPED_TRACE(std::string(row.name) + (modelFirst ? ", model first" : ", buffer first"));
            MainWindowFixture f;
            // The models' own questions are not the matter here.
            f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
            VelocitySet set;
            set.scans = 6;
            set.points = 301;
            StartVelocityRoad(f, set);
            ModelChoice::equilibriumMs = false;
            const auto choose = [&] {
                for (int id : row.commands)
                    Send(f, id);
            };
            if (modelFirst)
                choose();
            f.script
                .expectDialog(ModelChoice::equilibriumMs ? kBufferSedMassDialogId
                                                         : kBufferSedDialogId)
                .check(kBsOn)
                .ok();
            Send(f, 552);
            ASSERT_TRUE(f.script.done()) << f.script.logText();
            if (!modelFirst)
                choose();
            S::resultAvailable = false;
            Send(f, 213);
            const auto said = [&](const char* text) {
                return std::count_if(f.script.log().begin(), f.script.log().end(), [&](auto& p) {
                    return (p.caption + p.text).find(text) != std::string::npos;
                });
            };
            EXPECT_EQ(said("incompatible with this model\nswitching buffer sedimentation off"),
                      row.carries ? 0 : 1)
                << f.script.logText();
            EXPECT_EQ(said("NOT AVAILABLE"), 0) << f.script.logText();
            EXPECT_EQ(B::on, row.carries);
            EXPECT_EQ(f.window->GetMenuModel()->IsChecked(552), row.carries);
            if (row.commands[0] == 288) {
                EXPECT_TRUE(S::resultAvailable) << "ls-g*(s) computed";
            }
        }
}

// A user's road: a 6 S species over a buffer that sediments from both sectors (menisci 0.05 cm
// apart), generated with the correction on. Run with the true values misses the data by the
// noise alone, Run without the correction does not, and a Fit started with s and the buffer's
// s off brings s back; the buffer's signal is fitted as the amplitude of slot 4.
TEST(BufferSed, RunAndFitWithTheBufferMismatchRecoverTheSpecies) {
    MainWindowFixture f(1000, 750);
    SwitchOnAndGenerate(f, 20, ReferenceMeniscus5mmAbove);
    ASSERT_FALSE(testing::Test::HasFatalFailure());
    ASSERT_EQ(S::scanCount, 20);
    EXPECT_NEAR(CalcFitRmsd() / 0.003, 1.0, 0.1);

    // The correction matters: without it the model misses the buffer's signal.
    B::on = false;
    M::speciesIncluded[4] = 0;
    Send(f, 213);
    const double without = CalcFitRmsd();
    B::on = true;
    M::speciesIncluded[4] = 1;
    Send(f, 213);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_GT(without, 3 * 0.003);
    EXPECT_NEAR(CalcFitRmsd() / 0.003, 1.0, 0.1);

    M::speciesS[1] = 5.4f;
    M::speciesSFloat[1] = 1;
    M::concentrationFloat[1] = 1;
    ModelChoice::linearAmplitudes = true;
    PackFitParameters();
    Send(f, 215);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_NEAR(M::speciesS[1] / 6.0, 1.0, 0.005);
    EXPECT_NEAR(CalcFitRmsd() / 0.003, 1.0, 0.1);
}

// The buffer's own values in the Fit: its s and its signal (not a linear amplitude here) started
// off the truth come back with the species' s. Slot 4's loading once stood for the signal in the
// fit, but the evaluation reads the buffer's record, so the optimiser moved a value nothing used.
TEST(BufferSed, FitMovesTheBuffersOwnValues) {
    MainWindowFixture f(1000, 750);
    CellWithOneSpeciesAt6S();
    f.script.expectDialog(kBufferSedDialogId)
        .check(kBsOn)
        .set(kBsSignal, "0.4")
        .set(kBsSampleS, "0.5")
        .set(kBsSampleD, "20")
        .check(kBsFloatSampleS)
        .ok();
    ExpectSwitchingOnNotes(f);
    Send(f, 552);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    ASSERT_TRUE(B::on && B::floatSignal && B::floatSampleS);
    f.GenerateWithTheModelAsItIs(20, "0.003");
    ASSERT_TRUE(f.script.done()) << f.script.logText();

    ModelChoice::linearAmplitudes = false;
    B::sampleS = 0.35;
    B::signal = 0.3;
    M::speciesS[1] = 5.7f;
    M::speciesSFloat[1] = 1;
    PackFitParameters();
    Send(f, 215);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_NEAR(M::speciesS[1] / 6.0, 1.0, 0.005);
    EXPECT_NEAR(B::sampleS / 0.5, 1.0, 0.05);
    EXPECT_NEAR(B::signal / 0.4, 1.0, 0.03);
    EXPECT_NEAR(CalcFitRmsd() / 0.003, 1.0, 0.1);
}

// Subtracting the buffer's signal from the scans (576): after the advice, the scans hold the
// species alone, which the model without the correction now fits to the noise, and the
// correction is off with slot 4 given back.
TEST(BufferSed, SubtractingTheBufferLeavesTheSpeciesInTheScans) {
    MainWindowFixture f(1000, 750);
    SwitchOnAndGenerate(f, 20, ReferenceMeniscus5mmAbove);
    ASSERT_FALSE(testing::Test::HasFatalFailure());
    ASSERT_EQ(S::scanCount, 20);

    gWizardMessages = true;
    f.script.expectBox()
        .caption("ATTENTION")
        .textHas("subtracts the current estimate of the buffer mismatch from the raw data")
        .answer(IDOK);
    Send(f, 576);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_FALSE(B::on);
    EXPECT_EQ(M::speciesIncluded[4], 0);
    Send(f, 213);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_NEAR(CalcFitRmsd() / 0.003, 1.0, 0.1) << "the species alone";
}

// A key pressed while 576 simulates the buffer leaves it unsimulated: the scans keep their data
// and the correction stays on (it once went off as if the buffer had been subtracted, leaving
// its signal in the data); without the key the subtraction is done.
TEST(BufferSed, SubtractingStoppedByAKeyLeavesTheScansAndTheCorrection) {
    MainWindowFixture f(1000, 750);
    SwitchOnAndGenerate(f, 12);
    ASSERT_FALSE(testing::Test::HasFatalFailure());
    const int last = S::scanCount;
    const std::vector<float> data(S::signal[last], S::signal[last] + S::pointCount[last] + 1);

    plat::test::command(f.window.get(), 576);
    PostMessage(nullptr, WM_KEYDOWN, 'A', 0);
    PostMessage(nullptr, WM_KEYUP, 'A', 0);
    f.script.pumpUntilIdle();
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_TRUE(B::on);
    EXPECT_EQ(M::speciesIncluded[4], 1);
    // the points 1..n (slot 0 holds no point, and may hold a NaN, which equals nothing)
    EXPECT_EQ(std::vector<float>(S::signal[last] + 1, S::signal[last] + S::pointCount[last] + 1),
              std::vector<float>(data.begin() + 1, data.end()));

    Send(f, 576);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_FALSE(B::on);
    EXPECT_LT(S::signal[last][S::pointCount[last]], data[std::size_t(S::pointCount[last])] - 0.1)
        << "the buffer's signal at the bottom is gone";
}

// Switched on in a distribution model, the correction has not taken slot 4; a discrete model
// chosen afterwards held a species of its own there, which the buffer silently replaced. Run
// now takes the slot as switching on does: the note, the species' s and D cleared, the slot
// included with the buffer's amplitude floated; a second Run finds it taken.
TEST(BufferSed, ADiscreteModelChosenLaterTakesSlotFourAtRun) {
    MainWindowFixture f;
    f.LoadMarkerSet();
    ModelChoice::equilibriumMs = false;
    M::speciesOn[1] = 1;
    M::speciesS[1] = 6.0f;
    M::speciesDOrM[1] = 6.0f;
    M::speciesOn[4] = 1;
    M::speciesS[4] = 3.0f;
    M::speciesDOrM[4] = 50.0f;
    PackFitParameters();
    B::on = B::interferenceNoteShown = true;
    f.script.expectBox().caption("Attention").textHas("Switching off Component 4.").answer(IDOK);
    Send(f, 213);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_TRUE(B::on);
    EXPECT_EQ(M::speciesIncluded[4], 1);
    EXPECT_EQ(M::speciesS[4], 0.0f);
    EXPECT_EQ(M::speciesDOrM[4], 0.0f);
    EXPECT_EQ(M::concentrationFloat[4], 1);
    Send(f, 213);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
}

// A model chosen after the correction was switched on that cannot carry it (here the
// inhomogeneous solvent, made as water so that only the buffer differs): Run and Fit each say
// so first, switch the correction off and evaluate the model without it; the species alone then
// misses the buffer's signal in the data. Once off, nothing more is said.
TEST(BufferSed, AModelChosenLaterThatCannotCarryItSwitchesItOffAtRunAndFit) {
    const char* kIncompatible = "buffer sedimentation model is incompatible with this model\n"
                                "switching buffer sedimentation off";
    for (const int command : {213, 215}) {
        SCOPED_TRACE(command);
        MainWindowFixture f(1000, 750);
        SwitchOnAndGenerate(f, 12);
        ASSERT_FALSE(testing::Test::HasFatalFailure());
        ASSERT_NEAR(CalcFitRmsd() / 0.003, 1.0, 0.15);

        InhomogeneousSolvent::compressibility = 0.0;
        ModelChoice::inhomogeneousSolvent = true;
        M::speciesSFloat[1] = command == 215 ? 1 : 0;
        PackFitParameters();
        f.script.expectBox().caption("Attention").text(kIncompatible).answer(IDOK);
        Send(f, command);
        ASSERT_TRUE(f.script.done()) << f.script.logText();
        EXPECT_FALSE(B::on);
        EXPECT_EQ(M::speciesIncluded[4], 0);
        EXPECT_GT(CalcFitRmsd(), 3 * 0.003) << "evaluated without the buffer";
        Send(f, 213);
        EXPECT_TRUE(f.script.done()) << f.script.logText();
        ModelChoice::inhomogeneousSolvent = false;
    }
}

// The roads of the engine's own solvers carry the buffer as the list road does. On data of a 6 S
// species over a sedimenting buffer (signal 0.4), the Faxen boundaries (530) meet the data to
// their own error and the non-ideal single species with ks and kd near 0 (227) to the noise, and
// a Fit of the non-ideal species with linear amplitudes, started with the buffer's signal at 0.2,
// brings it back as slot 4's amplitude. Both roads once left the buffer out: rmsd 0.39, signal 0.
TEST(BufferSed, TheEnginesOwnRoadsCarryTheBuffer) {
    MainWindowFixture f(1000, 750);
    SwitchOnAndGenerate(f, 20);
    ASSERT_FALSE(testing::Test::HasFatalFailure());
    ASSERT_EQ(S::scanCount, 20);
    const double listRoad = CalcFitRmsd();
    ASSERT_NEAR(listRoad / 0.003, 1.0, 0.1);

    Send(f, 530);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    // the closed form's own error beside the noise
    EXPECT_LT(CalcFitRmsd(), 2 * listRoad) << "Faxen boundaries";

    Send(f, 227);
    ASSERT_TRUE(ModelChoice::singleSpecies);
    CellWithOneSpeciesAt6S();
    M::logKs = M::logKd = -6.0f;
    PackFitParameters();
    Send(f, 213);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_NEAR(CalcFitRmsd() / listRoad, 1.0, 0.1) << "non-ideal single species";

    B::signal = 0.2;
    ModelChoice::linearAmplitudes = true;
    M::speciesS[1] = 5.8f;
    M::speciesSFloat[1] = 1;
    PackFitParameters();
    Send(f, 215);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_NEAR(B::signal / 0.4, 1.0, 0.03);
    EXPECT_NEAR(M::speciesS[1] / 6.0, 1.0, 0.005);
    EXPECT_NEAR(CalcFitRmsd() / 0.003, 1.0, 0.1);
}

} // namespace
