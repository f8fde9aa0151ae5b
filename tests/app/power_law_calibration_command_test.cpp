// "f(M) vs M (with scaling law)" from the menu with a new calibration: the question, the file,
// the plot held until a key, acceptance storing ks and kb in every place the models read them,
// and the declined or refused calibrations leaving them as they were.
#include "app/load_all_data.h"
#include "app/txla_window.h"
#include "foundations/error_box_log.h"
#include "foundations/shape_models.h"
#include "plat/testing.hpp"
#include "plotting/aux_plots.h"
#include "scandata/scan_store_alloc.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/realtime_state.h"
#include "support/main_window_fixture.h"
#include "support/scan_set_generator.h"

#include <gtest/gtest.h>
#include <string>

namespace {

using P = ModelParameters;
constexpr const char* kCaption = "CALIBRATE C(M) POWER LAW";

class PowerLawCalibrationCommand : public ::testing::Test, public MainWindowFixture {
  protected:
    void SetUp() override { TakeErrorBoxes(); }
    // Starts the calibration of 887 with the given file; the plot waits for a key.
    void StartWith(const std::string& file) {
        script.expectBox()
            .caption("C(M) POWERLAW")
            .text("enter new s(M) power-law calibration?")
            .answer(IDYES);
        script.expectBox().caption(kCaption).textHas("(s M) pairs").answer(IDYES);
        script.expectFileOpen()
            .title("please locate the calibration file")
            .answer(std::vector<std::string>{data.file(file)});
    }
    void Run() {
        plat::test::command(window.get(), 887);
        plat::test::key(window.get(), VK_SPACE, ' ');
        script.pumpUntilIdle();
    }
    void ExpectStored(float ks, float kb) {
        EXPECT_NEAR(ShapeModels::scalingKs / ks, 1.0f, 1e-4f);
        EXPECT_NEAR(P::concentration[3] / ks, 1.0f, 1e-4f);
        EXPECT_NEAR(P::fitValues[11] / ks, 1.0f, 1e-4f);
        EXPECT_NEAR(ShapeModels::scalingExponent, kb, 1e-5f);
        EXPECT_NEAR(P::speciesExponent[3], kb, 1e-5f);
        EXPECT_NEAR(P::fitValues[18], kb, 1e-5f);
    }
};

TEST_F(PowerLawCalibrationCommand, AcceptedCalibrationStoresKsAndKb) {
    data.write("calibration.dat", "2 10000\n8\t160000\n");
    StartWith("calibration.dat");
    script.expectBox()
        .caption(kCaption)
        .text("ks = 2.000e-02, kb = 5.000e-01\naccept?")
        .answer(IDYES);
    script.expectBox().textHas("Tikhonov").answer(IDOK);
    Run();
    EXPECT_TRUE(script.done()) << script.logText();
    ExpectStored(0.02f, 0.5f);
    EXPECT_EQ(AuxPlots::auxPlot, nullptr) << "the plot is released on acceptance";
}

TEST_F(PowerLawCalibrationCommand, OnePairTakesTheExponentAsked) {
    data.write("one.dat", "4 100000\n");
    StartWith("one.dat");
    script.expectInput()
        .caption("c(M) with scaling law")
        .prompt("scaling exponent:")
        .answer("0.66");
    script.expectBox().caption(kCaption).textHas("kb = 6.600e-01").answer(IDYES);
    script.expectBox().textHas("Tikhonov").answer(IDOK);
    Run();
    EXPECT_TRUE(script.done()) << script.logText();
    ExpectStored(2.0047e-3f, 0.66f);
}

TEST_F(PowerLawCalibrationCommand, DeclinedOrRefusedCalibrationKeepsTheLaw) {
    const float ks = ShapeModels::scalingKs, kb = ShapeModels::scalingExponent;
    data.write("calibration.dat", "2 10000\n8 160000\n");
    StartWith("calibration.dat");
    script.expectBox().caption(kCaption).textHas("accept?").answer(IDNO);
    script.expectBox().caption("C(M) POWERLAW").text("sorry, s(M) power-law calibration failed!");
    script.expectBox().textHas("Tikhonov").answer(IDOK);
    Run();
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_EQ(ShapeModels::scalingKs, ks);
    EXPECT_EQ(ShapeModels::scalingExponent, kb);

    // A mass of zero has no logarithm: refused before any plot, nothing stored.
    ModelChoice::fMvsM = false;
    data.write("bad.dat", "2 0\n8 160000\n");
    StartWith("bad.dat");
    script.expectBox().caption(kCaption).textHas("must be positive").answer(IDOK);
    script.expectBox().caption("C(M) POWERLAW").text("sorry, s(M) power-law calibration failed!");
    plat::test::command(window.get(), 887);
    script.pumpUntilIdle();
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_EQ(AuxPlots::auxPlot, nullptr);
    EXPECT_EQ(ShapeModels::scalingKs, ks);
    EXPECT_EQ(P::fitValues[18], 0.0f);
}

// The key that ends the wait for a key is the wait's own: it was counted as a stop, and the
// realtime update running meanwhile ended at its next tick.
TEST_F(PowerLawCalibrationCommand, TheKeyEndingTheWaitStopsNoRealtimeUpdate) {
    ScanSetOptions set;
    set.count = 2;
    set.points = 40;
    LoadAllData(window.get(), SelectionBuffer(data.path(), WriteScanSet(data.path(), set)).c_str());
    ASSERT_EQ(ScanStore::scanCount, 2);
    script.expectInput().prompt("maximal total number of files to load at once").answer("20");
    plat::test::command(window.get(), 540);
    script.pumpUntilIdle();
    ASSERT_TRUE(RealtimeState::realtimeOn);

    data.write("calibration.dat", "2 10000\n8 160000\n");
    StartWith("calibration.dat");
    script.expectBox().caption(kCaption).textHas("accept?").answer(IDYES);
    script.expectBox().textHas("Tikhonov").answer(IDOK);
    Run();
    ExpectStored(0.02f, 0.5f);
    plat::test::advanceTimers(60000);
    script.pumpUntilIdle();
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_TRUE(RealtimeState::realtimeOn);
}

} // namespace
