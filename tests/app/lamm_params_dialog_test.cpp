// "Lamm Equation Parameters" (611) through the menu: the options shown in their formats, OK
// applying them (and offering the settings file only after a change), the entries refused, and the
// scan-time and algorithm switches that come with the dialog.
#include "app/lamm_params_box.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_header.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/lamm_preferences.h"
#include "state/fit_control.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/startup_paths.h"
#include "support/main_window_fixture.h"
#include "support/reset_all_state.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using G = LammGrid;
using M = ModelParameters;
using C = ModelChoice;
constexpr int kLammParameters = 611;
constexpr const char* kSaveQuestion = "save new parameters as default? (reset defaults by deleting "
                                      "the file 'tarnixlammparams.ini' and restarting TARNIX)";

// The transfer record is packed: its switches are read by value, a reference would be misaligned.
std::uint32_t State(std::uint32_t v) {
    return v;
}

std::vector<float> Options() {
    std::vector<float> v(kLammOptionSlots);
    GetLammEqParameters(v.data());
    return v;
}

TEST(LammParamsDialog, OpensWithTheOptionsInTheirFormatsAndOkWithoutChangesAsksNothing) {
    MainWindowFixture f;
    FitControl::tolerance = 0.005f;
    G::truncationLevel = 1e-4;
    C::automaticAlgorithm = false;
    C::claverieAlgorithm = true;
    C::movingHatAlgorithm = false;
    const std::vector<float> before = Options();
    f.script.expectDialog(kLammParamsDialogId).ok();
    Send(f, kLammParameters);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_EQ(f.script.log().size(), 1u) << f.script.logText(); // no save question
    EXPECT_EQ(Options(), before);
    const LammPBoxRecord& r = f.window->lammTransfer;
    EXPECT_STREQ(r.autoChangeS, "5.000000");
    EXPECT_STREQ(r.backDiffusionLevel, "1.00e-04");
    EXPECT_STREQ(r.defaultGridSize, "1000");
    EXPECT_STREQ(r.pointsPerSigma, "5.0");
    EXPECT_STREQ(r.tolerance, "0.500"); // percent
    EXPECT_STREQ(r.logTruncationLevel, "-4.00");
    EXPECT_STREQ(r.radialRange, "0.0080");
    EXPECT_EQ(State(r.rampRotorSpeed), 1u);
    EXPECT_EQ(State(r.timesFromW2t), 0u);
    EXPECT_EQ(State(r.claverie), 1u);
    EXPECT_EQ(State(r.movingHat), 0u);
    EXPECT_EQ(State(r.automaticAlgorithm), 0u);
}

// The options typed in reach the records the solvers read, and Yes keeps them in the settings
// file, from which a fresh start reads them back.
TEST(LammParamsDialog, OkAppliesTheEntriesAndYesKeepsThemInTheSettingsFile) {
    MainWindowFixture f;
    f.script.expectDialog(kLammParamsDialogId)
        .set(kLpTolerance, "0.5")
        .set(kLpLogTruncationLevel, "-4")
        .set(kLpMaxDcOverC, "0.4")
        .set(kLpDefaultGridSize, "640.9")
        .set(kLpMinGridSize, "60")
        .set(kLpMaxGridSize, "3000")
        .set(kLpPointsPerSigma, "7.5")
        .set(kLpSGrid, "4.25")
        .check(kLpAutomaticAlgorithm, false)
        .check(kLpClaverie, true)
        .check(kLpMovingHat, false)
        .check(kLpShutOffBackDiffusion, false)
        .check(kLpCheckAcceleration, false)
        .ok();
    f.script.expectBox().caption("LAMM EQUATION PARAMETERS").text(kSaveQuestion).answer(IDYES);
    Send(f, kLammParameters);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_FLOAT_EQ(FitControl::tolerance, 0.005f);
    EXPECT_DOUBLE_EQ(G::truncationLevel, 1e-4);
    EXPECT_DOUBLE_EQ(G::maxDcOverC, 0.4);
    EXPECT_DOUBLE_EQ(G::dcOverCLimit, 0.4);
    EXPECT_DOUBLE_EQ(G::dcOverCLow, 0.02);
    EXPECT_DOUBLE_EQ(G::dcOverCMid, 0.08);
    EXPECT_EQ(G::defaultGridSize, 640);
    EXPECT_EQ(G::gridSize, 640);
    EXPECT_EQ(M::minGridSize, 60);
    EXPECT_EQ(M::maxGridSize, 3000);
    EXPECT_FALSE(C::automaticAlgorithm);
    EXPECT_TRUE(C::claverieAlgorithm);
    EXPECT_FALSE(C::movingHatAlgorithm);
    EXPECT_FALSE(G::shutOffBackDiffusion);
    EXPECT_FALSE(ScanStore::checkAcceleration);

    const std::vector<float> saved = Options();
    std::ifstream file(gLammPreferencesPath);
    int lines = 0;
    for (std::string line; std::getline(file, line);)
        ++lines;
    EXPECT_EQ(lines, kLammPreferenceLines);
    ResetAllState();
    EXPECT_NE(Options(), saved);
    ASSERT_TRUE(ReadLammEqParameterPreferences(nullptr));
    EXPECT_EQ(Options(), saved);
}

// Entries the solvers cannot work with are refused with the box, and the dialog stays open: a
// max dc/c of 0 once let no time step advance (the run never ended), and grids of 0 or 1 point
// or of billions of points gave a grid without spacing or an allocation that could not succeed.
TEST(LammParamsDialog, RefusesEntriesTheSolversCannotWorkWith) {
    struct Case {
        const char* name;
        int id;
        const char* text;
    };
    const Case cases[] = {
        {"max dc/c of 0", kLpMaxDcOverC, "0"},
        {"max dc/c below 0.001", kLpMaxDcOverC, "0.0001"},
        {"grid of one point", kLpDefaultGridSize, "1"},
        {"grid beyond any allocation", kLpDefaultGridSize, "1e12"},
        {"upper limit of 0", kLpMaxGridSize, "0"},
        {"lower limit above upper", kLpMinGridSize, "2500"},
        {"no points per sigma", kLpPointsPerSigma, "0"},
        {"negative level", kLpBackDiffusionLevel, "-1e-4"},
        {"words", kLpScanVelocity, "fast"},
        {"empty", kLpAutoChangeS, ""},
        {"truncation no number", kLpLogTruncationLevel, "x"},
        {"truncation beyond a double", kLpLogTruncationLevel, "400"},
        {"tolerance of 0", kLpTolerance, "0"},
        {"negative s_grid", kLpSGrid, "-2"},
        {"radial range no number", kLpRadialRange, "wide"},
    };
    for (const Case& c : cases) {
        MainWindowFixture f;
        const std::vector<float> before = Options();
        f.script.expectDialog(kLammParamsDialogId).set(c.id, c.text).ok();
        f.script.expectBox().caption("Input Error").text("Invalid Entry").answer(IDOK);
        f.script.expectDialog(kLammParamsDialogId).cancel();
        plat::test::clearRecords();
        Send(f, kLammParameters);
        EXPECT_TRUE(f.script.done()) << c.name << f.script.logText();
        ASSERT_GE(f.script.log().size(), 3u) << c.name;
        EXPECT_EQ(f.script.log()[0].answer, "stayed open") << c.name;
        EXPECT_EQ(plat::test::beeps().size(), 1u) << c.name;
        EXPECT_EQ(Options(), before) << c.name;
    }
}

// Leaving a fixed-step moving hat run for the Claverie algorithm switches the fixed step off,
// says so and shows the dialog again.
TEST(LammParamsDialog, ClaverieAfterAFixedStepMovingHatSwitchesTheFixedStepOff) {
    MainWindowFixture f;
    C::automaticAlgorithm = false;
    C::movingHatAlgorithm = true;
    C::claverieAlgorithm = false;
    C::fixedTimeStep = true;
    f.script.expectDialog(kLammParamsDialogId)
        .check(kLpClaverie, true)
        .check(kLpMovingHat, false)
        .ok();
    f.script.expectBox().text("switching off fixed dt - confirm").answer(IDOK);
    f.script.expectDialog(kLammParamsDialogId).ok();
    // The inner run changed nothing; the outer one did.
    f.script.expectBox().text(kSaveQuestion).answer(IDNO);
    Send(f, kLammParameters);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_FALSE(C::fixedTimeStep);
    EXPECT_TRUE(C::claverieAlgorithm);
    EXPECT_EQ(State(f.window->lammTransfer.fixedTimeStep), 0u); // the reopened dialog showed it off
}

TEST(LammParamsDialog, DataKindsLimitTheOptionsTheyCannotUse) {
    {
        MainWindowFixture f;
        ScanDataKind::fluorescence = true;
        f.script.expectDialog(kLammParamsDialogId).check(kLpTimeResolution, true).ok();
        f.script.expectBox()
            .text("scan time correction for fluorescence data not yet implemented, switching off")
            .answer(IDOK);
        Send(f, kLammParameters);
        EXPECT_TRUE(f.script.done()) << f.script.logText();
        EXPECT_FALSE(G::simulateTimeResolution);
    }
    {
        MainWindowFixture f;
        ScanDataKind::intensity = true;
        M::experimentalInitialDistribution = true;
        // Switched off before the dialog opens, so nothing changed and nothing is asked.
        f.script.expectDialog(kLammParamsDialogId).check(kLpExperimentalInitial, true).ok();
        Send(f, kLammParameters);
        EXPECT_TRUE(f.script.done()) << f.script.logText();
        EXPECT_EQ(State(f.window->lammTransfer.experimentalInitial), 1u); // typed, but not taken
        EXPECT_FALSE(M::experimentalInitialDistribution);
        EXPECT_TRUE(M::constantInitialDistribution);
    }
}

// "times from wwt" makes every scan's time omega^2 t over the final omega^2; "ramp rotor speed"
// brings the recorded times back.
TEST(LammParamsDialog, TimesFromOmegaSquaredTAndBack) {
    MainWindowFixture f;
    f.LoadScans(4, 100);
    ASSERT_EQ(ScanStore::scanCount, 4);
    std::vector<double> recorded;
    for (int k = 1; k <= 4; ++k)
        recorded.push_back(ScanStore::header[k].originalTime);
    f.script.expectDialog(kLammParamsDialogId)
        .check(kLpTimesFromW2t, true)
        .check(kLpRampRotorSpeed, false)
        .ok();
    f.script.expectBox().text(kSaveQuestion).answer(IDNO);
    Send(f, kLammParameters);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_TRUE(ScanStore::timesFromW2t);
    EXPECT_FALSE(ScanStore::rampRotorSpeed);
    for (int k = 1; k <= 4; ++k) {
        const ScanHeader& h = ScanStore::header[k];
        const double omega = h.rotorSpeed * 2.0 * 3.14159265358979 / 60.0;
        EXPECT_NEAR(h.time, h.omega2t / (omega * omega), 1e-6 * h.time) << k;
        EXPECT_LT(h.time, recorded[std::size_t(k - 1)]) << k; // the ramp took time
    }
    f.script.expectDialog(kLammParamsDialogId)
        .check(kLpTimesFromW2t, false)
        .check(kLpRampRotorSpeed, true)
        .ok();
    f.script.expectBox().text(kSaveQuestion).answer(IDNO);
    Send(f, kLammParameters);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    for (int k = 1; k <= 4; ++k)
        EXPECT_EQ(ScanStore::header[k].time, recorded[std::size_t(k - 1)]) << k;
}

// The experimental initial distribution starts from a recorded scan: with it checked, OK leaves
// neither the rotor's ramp nor times from omega^2 t, whichever of the two was chosen, and the
// scans keep their recorded times.
TEST(LammParamsDialog, ExperimentalInitialDistributionTakesTheRecordedTimes) {
    for (int radio : {kLpTimesFromW2t, kLpRampRotorSpeed}) {
        SCOPED_TRACE(radio == kLpTimesFromW2t ? "times from wwt" : "ramp rotor speed");
        MainWindowFixture f;
        f.LoadScans(4, 100);
        ASSERT_EQ(ScanStore::scanCount, 4);
        f.script.expectDialog(kLammParamsDialogId)
            .check(kLpTimesFromW2t, radio == kLpTimesFromW2t)
            .check(kLpRampRotorSpeed, radio == kLpRampRotorSpeed)
            .check(kLpExperimentalInitial, true)
            .ok();
        f.script.expectBox().text(kSaveQuestion).answer(IDNO);
        Send(f, kLammParameters);
        ASSERT_TRUE(f.script.done()) << f.script.logText();
        EXPECT_TRUE(M::experimentalInitialDistribution);
        EXPECT_FALSE(ScanStore::rampRotorSpeed);
        EXPECT_FALSE(ScanStore::timesFromW2t);
        for (int k = 1; k <= 4; ++k)
            EXPECT_EQ(ScanStore::header[k].time, ScanStore::header[k].originalTime) << k;
    }
}

} // namespace

// ls-g*(s) takes the scan times from omega^2 t: the scans' times are derived and the rotor's ramp
// is no longer simulated (once only the switch was set, the times stayed as recorded and the ramp
// on). The next model brings the recorded times back.
TEST(LammParamsDialog, LsGStarTakesTheTimesFromOmegaSquaredTUntilTheNextModel) {
    MainWindowFixture f;
    f.LoadScans(4, 100);
    ASSERT_EQ(ScanStore::scanCount, 4);
    ASSERT_TRUE(ScanStore::rampRotorSpeed);
    f.script.expectBox().caption("ls-g(s)").answer(IDOK); // the regularization it needs
    f.script.expectBox().text("switching on times from w^2t option").answer(IDOK);
    Send(f, 288);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_TRUE(ScanStore::timesFromW2t);
    EXPECT_FALSE(ScanStore::rampRotorSpeed);
    for (int k = 1; k <= 4; ++k) {
        const ScanHeader& h = ScanStore::header[k];
        const double omega = h.rotorSpeed * 2.0 * 3.14159265358979 / 60.0;
        EXPECT_NEAR(h.time, h.omega2t / (omega * omega), 1e-9 * h.time) << k;
        EXPECT_LT(h.time, h.originalTime) << k; // the ramp took time
    }
    f.script.expectBox().text("switching off times from w^2t option").answer(IDOK);
    Send(f, 267);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_FALSE(ScanStore::timesFromW2t);
    for (int k = 1; k <= 4; ++k)
        EXPECT_EQ(ScanStore::header[k].time, ScanStore::header[k].originalTime) << k;
}
