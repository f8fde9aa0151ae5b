// After a c(s) Fit of f/f0 and the meniscus, the commands that copy the model's values back from
// the fit vector (Generate > Single cancelled at its parameters, "Fit M and s" switched, the
// Parameters dialog) read what the fit ended on, and the next Run computes its rmsd.
#include "app/params_box.h"
#include "app/txla_window.h"
#include "scandata/fit_limits.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/model_parameters.h"
#include "support/main_window_fixture.h"
#include "support/model_road.h"
#include "support/two_peak_scans.h"

#include <cstdlib>
#include <gtest/gtest.h>

TEST(FitEndKeptRoad, LaterCommandsReadBackWhatTheCsFitEndedOn) {
    MainWindowFixture f;
    ASSERT_EQ(LoadScanFiles(f, TwoSpeciesScans()), 12) << f.script.logText();
    ASSERT_TRUE(ChooseCsWith(f, {}));
    f.script.expectDialog(kDistributionParamsDialogId)
        .set(kFf0Id, "1.6")
        .check(kFf0FloatId)
        .set(kMeniscusId, "6.02")
        .check(kMeniscusFloatId)
        .ok();
    SendCommand(f, 212);
    FitControl::meniscusMin = 5.95f;
    FitControl::meniscusMax = 6.04f;
    SendCommand(f, 215); // Fit
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    const float ff0 = ContiState::ff0, meniscus = ModelParameters::meniscus;
    const float rmsd = FitControl::bestRmsd;
    ASSERT_NE(ff0, 1.6f);
    ASSERT_NE(meniscus, 6.02f);
    auto expectFitEnd = [&](const char* after) {
        EXPECT_EQ(ContiState::ff0, ff0) << after;
        EXPECT_EQ(ModelParameters::meniscus, meniscus) << after;
    };

    // Generate > Single, cancelled in the parameters dialog it opens
    f.script.expectInput().prompt("density of points dr (cm)").answer("0.01");
    f.script.expectInput().prompt("rotor speed (rpm)").answer("50000");
    f.script.expectBox().text("simulate with rotor acceleration phase?").answer(IDNO);
    for (const char* prompt :
         {"time interval of scans (sec)", "number of simulated scans", "std of noise (OD)"})
        f.script.expectInput().prompt(prompt).answer("5");
    f.script.expectDialog(kDistributionParamsDialogId).cancel();
    SendCommand(f, 214);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    expectFitEnd("Generate > Single cancelled");

    SendCommand(f, 217); // Fit M and s, switched and back
    SendCommand(f, 217);
    expectFitEnd("Fit M and s");

    f.script.expectDialog(kDistributionParamsDialogId).cancel();
    SendCommand(f, 212);
    EXPECT_NEAR(std::atof(f.window->paramsTransfer.distribution.ff0.text), ff0, 1e-5);
    expectFitEnd("Parameters");

    SendCommand(f, 213); // Run
    EXPECT_NEAR(CalcFitRmsd(), rmsd, 1e-4 * rmsd);
}
