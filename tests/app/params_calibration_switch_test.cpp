// The calibration switch of the distribution page of the parameters dialog: OK with it set runs
// the s(M) power-law calibration; the switch stays set until a calibration is accepted.
#include "app/params_box.h"
#include "foundations/shape_models.h"
#include "state/model_choice.h"
#include "support/main_window_fixture.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* kCaption = "CALIBRATE C(M) POWER LAW";

void Parameters(MainWindowFixture& f) {
    plat::test::command(f.window.get(), 212);
    plat::test::key(f.window.get(), VK_SPACE, ' ');
    f.script.pumpUntilIdle();
}

} // namespace

TEST(ParamsCalibrationSwitch, RunsTheCalibrationUntilOneIsAccepted) {
    MainWindowFixture f;
    ModelChoice::contiMode = true;
    ModelChoice::fMvsM = true;
    f.data.write("calibration.dat", "2 10000\n8 160000\n");
    f.script.expectDialog(kDistributionParamsDialogId).check(kPowerLawCalibrationId).ok();
    f.script.expectBox().caption(kCaption).textHas("(s M) pairs").answer(IDNO);
    f.script.expectBox()
        .caption("C(M) POWERLAW")
        .text("sorry, s(M) power-law calibration failed!")
        .answer(IDOK);
    Parameters(f);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_EQ(f.window->paramsTransfer.distribution.calibrate, 1u);

    // The box is still checked: OK alone asks again, and an accepted calibration clears it.
    f.script.expectDialog(kDistributionParamsDialogId).ok();
    f.script.expectBox().caption(kCaption).textHas("(s M) pairs").answer(IDYES);
    f.script.expectFileOpen()
        .title("please locate the calibration file")
        .answer(std::vector<std::string>{f.data.file("calibration.dat")});
    f.script.expectBox()
        .caption(kCaption)
        .text("ks = 2.000e-02, kb = 5.000e-01\naccept?")
        .answer(IDYES);
    Parameters(f);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_EQ(f.window->paramsTransfer.distribution.calibrate, 0u);
    EXPECT_NEAR(ShapeModels::scalingExponent, 0.5f, 1e-5f);

    // Without the box, OK runs no calibration.
    f.script.expectDialog(kDistributionParamsDialogId).ok();
    Parameters(f);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
}
