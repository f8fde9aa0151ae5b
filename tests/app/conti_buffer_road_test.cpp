// A user's road to c(s) with a sedimenting buffer: scans of one species over a buffer component
// written as files and loaded, "Continuous c(s) Distribution" chosen, the buffer correction
// switched on in its dialog, Run, then a Fit that floats the buffer's s from a wrong start.
#include "app/buffer_sed_box.h"
#include "distributions/integrate_distribution.h"
#include "plat/messages.hpp"
#include "scandata/fit_limits.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/buffer_sedimentation_model.h"
#include "state/buffer_sedimentation.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/conti_data_store.h"
#include "support/main_window_fixture.h"
#include "support/model_road.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using B = BufferSedimentation;

constexpr double kS = 5.0, kLoading = 0.5, kBufferSignal = 0.4, kBufferS = 0.8;
constexpr double kNoise = 0.003;

// Ten scans of a 5 S species (f/f0 1.25, 0.5) and a buffer of 0.8 S and 20e-7 cm^2/s in excess in
// the reference sector (-0.4), 50000 rpm, 6.0 to 7.2 cm, every 500 s from 600 s, noise 0.003.
std::vector<GeneratedScan> SpeciesOverBufferScans() {
    ContiStoreCase c;
    c.scans = 10;
    c.intervalS = 500.0;
    ContiDataStore store(c);
    store.Fill({{kS, 1.25, kLoading}}, {}, {}, kNoise, 5);
    ModelChoice::equilibriumMs = false; // the buffer's D as given, not from an Mb
    B::signalSign = -1.0;
    B::sampleS = kBufferS;
    B::sampleD = 20.0;
    const BufferSignal buffer = ComputeBufferSignal(kBufferSignal);
    std::vector<GeneratedScan> scans;
    for (int k = 1; k <= c.scans; ++k) {
        AddBufferSignal(buffer, k, store.radii.data(), c.points, store.signal[k].data());
        scans.push_back(
            store.ScanFile(k, "[T OK]over buffer " + std::to_string(k), store.signal[k].data()));
    }
    return scans;
}

// The buffer model switched on through its dialog (command 552) with the given signal, floated
// or not, and a buffer of 0.8 S and 20e-7 cm^2/s to start from; the note on interference data is
// acknowledged.
void SwitchOnTheBuffer(MainWindowFixture& f, const char* signal, bool floatSignal) {
    f.script.expectDialog(kBufferSedDialogId)
        .check(kBsOn)
        .set(kBsSignal, signal)
        .check(kBsFloatSignal, floatSignal)
        .set(kBsSampleS, "0.8")
        .set(kBsSampleD, "20")
        .ok();
    f.script.expectBox()
        .caption("Attention")
        .text("Note: buffer sedimentation model is intended only for interference data")
        .answer(IDOK);
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(552), 0);
}

// Run through the menu; the species' s and loading and the buffer column's weight come back.
void RunGivesTheSpeciesAndTheBuffer(MainWindowFixture& f) {
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(213), 0); // Run
    ASSERT_NE(ContiState::distribution, nullptr) << f.script.logText();
    float area = 0, sw = 0;
    IntegrateDistribution(3.0f, 7.0f, &area, &sw, nullptr, nullptr);
    EXPECT_NEAR(sw, kS, 0.02 * kS);
    EXPECT_NEAR(area, kLoading, 0.02 * kLoading);
    EXPECT_NEAR(B::signal, kBufferSignal, 0.02 * kBufferSignal) << "the column's weight";
}

} // namespace

TEST(ContiBufferRoad, CsRunAndFitWithTheBufferThroughTheMenu) {
    const std::vector<GeneratedScan> scans = SpeciesOverBufferScans();
    MainWindowFixture f;
    ASSERT_EQ(LoadScanFiles(f, scans), 10) << f.script.logText();
    ASSERT_TRUE(ChooseCsWith(f, {})) << f.script.logText();
    ModelChoice::equilibriumMs = false; // the buffer's D, not its Mb

    SwitchOnTheBuffer(f, "-1", true);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    ASSERT_TRUE(B::on);

    RunGivesTheSpeciesAndTheBuffer(f);
    if (HasFatalFailure())
        return;
    EXPECT_EQ(B::signalSign, -1.0);

    B::sampleS = 0.5;
    B::floatSampleS = true;
    FitControl::simplexTolerance = 1e-6;
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(215), 0); // Fit
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_NEAR(B::sampleS, kBufferS, 0.03 * kBufferS);
    EXPECT_NEAR(B::signal, kBufferSignal, 0.03 * kBufferSignal);
    EXPECT_LT(FitControl::bestRmsd, 1.2 * kNoise);
}

// With time- and radially invariant noise fitted, a buffer signal left unfloated is the model's
// as entered: the true one gives a fit within the noise and is kept, a wrong one is kept too and
// the fit shows it (floating the column's weight would have hidden it).
TEST(ContiBufferRoad, CsRunHoldsAFixedBufferSignal) {
    const std::vector<GeneratedScan> scans = SpeciesOverBufferScans();
    struct Case {
        const char* name;
        const char* entered;
        double signal;
        bool withinNoise;
    } cases[] = {{"the true signal", "-0.4", kBufferSignal, true},
                 {"half the signal", "-0.2", 0.5 * kBufferSignal, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MainWindowFixture f;
        ASSERT_EQ(LoadScanFiles(f, scans), 10) << f.script.logText();
        ASSERT_TRUE(ChooseCsWith(f, {})) << f.script.logText();
        ModelChoice::fitTINoise = ModelChoice::fitRINoise = true;
        ModelChoice::equilibriumMs = false;

        SwitchOnTheBuffer(f, c.entered, false);
        ASSERT_TRUE(f.script.done()) << f.script.logText();
        ASSERT_TRUE(B::on && !B::floatSignal);

        SendMessage(f.window.get(), WM_COMMAND, WPARAM(213), 0); // Run
        ASSERT_NE(ContiState::distribution, nullptr) << f.script.logText();
        EXPECT_TRUE(f.script.done()) << f.script.logText();
        EXPECT_NEAR(B::signal, c.signal, 1e-9) << "the entered signal is kept";
        EXPECT_EQ(ContiState::distribution[1], 0.0f) << "the buffer's point holds no species";
        const double rmsd = CalcFitRmsd();
        if (c.withinNoise) {
            float area = 0, sw = 0;
            IntegrateDistribution(3.0f, 7.0f, &area, &sw, nullptr, nullptr);
            EXPECT_NEAR(sw, kS, 0.02 * kS);
            EXPECT_NEAR(area, kLoading, 0.02 * kLoading);
            EXPECT_LT(rmsd, 1.2 * kNoise);
        } else {
            EXPECT_GT(rmsd, 2.0 * kNoise) << "the wrong buffer signal shows in the fit";
        }
    }
}

// The c(s) models that differ only in the molar mass of each s take the buffer's column as c(s)
// does: on a species below the conformer range, and with the vbar not floated, they are c(s).
TEST(ContiBufferRoad, MembersWithTheirOwnMassRuleCarryTheBuffer) {
    const std::vector<GeneratedScan> scans = SpeciesOverBufferScans();
    for (const int command : {514, 602}) {
        SCOPED_TRACE(command);
        MainWindowFixture f;
        ASSERT_EQ(LoadScanFiles(f, scans), 10) << f.script.logText();
        ASSERT_TRUE(ChooseCsWith(f, {})) << f.script.logText();
        SendMessage(f.window.get(), WM_COMMAND, WPARAM(command), 0);
        ContiState::rangeMin = 2.0f; // the range of the c(s) road above
        ContiState::rangeMax = 12.0f;
        ModelChoice::equilibriumMs = false;
        SwitchOnTheBuffer(f, "-1", true);
        ASSERT_TRUE(f.script.done()) << f.script.logText();
        ASSERT_TRUE(B::on);

        RunGivesTheSpeciesAndTheBuffer(f);
    }
}
