// The planner driven as the user meets it, on the headless backend (no menu command binds it):
// its notes and dialog, then either the caption with both times and a saved program, or an end
// without a caption when nothing was planned.
#include "app/min_time_to_eq_command.h"
#include "app/time_to_eq_box.h"
#include "equilibrium/time_to_eq_parameters.h"
#include "plotting/aux_plots.h"
#include "state/model_choice.h"
#include "state/startup_paths.h"
#include "support/main_window_fixture.h"

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace {
using P = TimeToEqParameters;
constexpr const char* kCaption = "CALCULATE MINIMUM TIME TO EQ";

// A small, fast species in a short column, so the whole planning takes about a second.
void SmallFastCase() {
    P::ResetToDefaults();
    P::temperature = 20.0f;
    P::meniscus = 6.9f;
    P::bottom = 7.2f;
    P::rightLimit = 7.18f;
    P::epsilon = 0.01f;
    P::density = 1.0f;
    P::vbar1 = 0.73f;
    P::M1 = 50000.0f;
    P::ff01 = 1.2f;
    P::finalSpeed = 15000.0f;
    P::overspeedTime = 6 * 3600.0f;
    P::parameterCount = 3;
}

// The planner's program folders go to the temp folder: here the fixture's own folder.
class TempFolderInFixture {
  public:
    explicit TempFolderInFixture(const MainWindowFixture& f) {
        std::snprintf(gTempFolder, kPathBufferSize, "%s/", f.folder.path().c_str());
    }
    ~TempFolderInFixture() { gTempFolder[0] = '\0'; }
};

void ExpectNotes(plat::test::Script& script) {
    script.expectBox().caption(kCaption).textHas("Please Note:  This estimate").answer(IDOK);
    script.expectBox().caption(kCaption).textHas("130 ul -> ~6.85 cm").answer(IDOK);
}

TEST(MinimumTimeToEqCommand, PlansShowsBothTimesAndSavesTheProgram) {
    MainWindowFixture f;
    TempFolderInFixture temp(f);
    SmallFastCase();
    AuxPlots::captionShown = false;
    ExpectNotes(f.script);
    f.script.expectDialog(kTimeToEqDialogId).ok();
    CalculateMinimumTimeToEq(f.window.get());
    EXPECT_TRUE(f.script.done()) << f.script.logText();

    ASSERT_TRUE(AuxPlots::captionShown);
    const std::string caption = AuxPlots::caption;
    EXPECT_EQ(caption.rfind("epsilon = 0.0100: t(const) = ", 0), 0u) << caption;
    EXPECT_NE(caption.find(", saved in " + P::outputPath), std::string::npos) << caption;
    EXPECT_EQ(P::outputPath.rfind(f.folder.path(), 0), 0u) << P::outputPath;
    EXPECT_TRUE(std::filesystem::exists(P::outputPath));
    EXPECT_GT(P::bestValue, 0.0f);
    EXPECT_TRUE(P::preferencesSaved);
    EXPECT_TRUE(std::filesystem::exists(std::string(gSettingsFolder) + "tarnixsimappeqparams.ini"));
    f.Paint();
    AuxPlots::captionShown = false;
    P::ResetToDefaults();
}

TEST(MinimumTimeToEqCommand, GivenDistributionEndsWithoutACaption) {
    struct Case {
        const char* name;
        bool enterHours;
    };
    for (const Case c : {Case{"cancel the entry", false}, Case{"enter hours", true}}) {
        MainWindowFixture f;
        TempFolderInFixture temp(f);
        SmallFastCase();
        P::givenDistribution = true;
        ModelChoice::lammModel = false;
        AuxPlots::captionShown = false;
        ExpectNotes(f.script);
        f.script.expectBox()
            .caption(kCaption)
            .text("switching to non-interacting species model")
            .answer(IDOK);
        f.script.expectDialog(kTimeToEqDialogId).ok();
        f.script.expectBox().caption(kCaption).textHas("please enter manually (h)").answer(IDOK);
        if (c.enterHours) {
            f.script.expectInput().caption(kCaption).prompt("max sim time (h)").answer("10");
            f.script.expectBox()
                .caption(kCaption)
                .text("...distribution needs to be implemented")
                .answer(IDOK);
        } else {
            f.script.expectInput().caption(kCaption).prompt("max sim time (h)").cancel();
        }
        CalculateMinimumTimeToEq(f.window.get());
        EXPECT_TRUE(f.script.done()) << c.name << f.script.logText();
        EXPECT_TRUE(ModelChoice::lammModel && ModelChoice::nonInteractingSpecies) << c.name;
        EXPECT_FALSE(AuxPlots::captionShown) << c.name;
        EXPECT_FALSE(std::filesystem::exists(P::outputPath)) << c.name;
        P::ResetToDefaults();
    }
}

} // namespace
