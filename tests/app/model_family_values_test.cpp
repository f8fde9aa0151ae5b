// Values do not leak between model families: after a c(s) Run the discrete models open the
// parameters dialog (212) on their species' own values, not on the numbers of the c(s) grid.
#include "app/params_box.h"
#include "scandata/fit_limits.h"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/main_window_fixture.h"
#include "support/model_road.h"

#include <gtest/gtest.h>
#include <string>

namespace {

using M = ModelParameters;

TEST(ModelFamilyValues, DiscreteModelsKeepTheirSpeciesAfterADistributionRun) {
    struct Case {
        const char* name;
        int command;
        const char* s1; // species 1's s as the page shows it
        const char* s2; // species 2's, left at the default
    };
    const Case cases[] = {
        {"non-interacting species", 198, "7", "4"},
        {"electrophoresis", 291, "7", "4"},
        {"tetramer-octamer", 520, "7", "4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MainWindowFixture f;
        f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
        f.LoadScans(6, 150);
        M::meniscus = 5.9f;
        M::bottom = 7.2f;
        ScanStore::leftFitLimit = 5.96f;
        ScanStore::rightFitLimit = 6.08f;
        ApplyLeftFitLimit();
        ApplyRightFitLimit();
        // species 1 as the user typed it, in the M and s form
        f.script.expectDialog(kDiscreteParamsDialogId)
            .set(SpeciesControlId(1, kSItem), "7")
            .set(SpeciesControlId(1, kDOrMItem), "120")
            .ok();
        SendCommand(f, 212);
        ASSERT_EQ(M::speciesDOrM[1], 120000.0f);

        SendCommand(f, 275); // Continuous c(s) Distribution
        f.script.expectDialog(kDistributionParamsDialogId)
            .set(kRangeMinId, "0.5")
            .set(kRangeMaxId, "12")
            .set(kResolutionId, "24")
            .ok();
        SendCommand(f, 212);
        SendCommand(f, 213);
        ASSERT_NE(ContiState::distribution, nullptr) << f.script.logText();

        SendCommand(f, c.command);
        ASSERT_FALSE(ModelChoice::contiMode);
        f.script.expectDialog(kDiscreteParamsDialogId).cancel();
        SendCommand(f, 212);
        const DiscreteParamsTransfer& shown = f.window->paramsTransfer.discrete;
        EXPECT_STREQ(shown.species[0].s.text, c.s1);
        EXPECT_STREQ(shown.species[1].s.text, c.s2);
        EXPECT_EQ(M::speciesS[1], 7.0f);
        // M (kDa) or D, but the species' own: 120 kDa, not the grid's 0.5 Da
        EXPECT_GT(M::speciesDOrM[1], 1.0f);
        if (ModelChoice::equilibriumMs)
            EXPECT_EQ(M::speciesDOrM[1], 120000.0f);
        EXPECT_EQ(M::fitValues[5], 7.0f); // packed from the species
        // and the c(s) model finds its own range again
        SendCommand(f, 275);
        EXPECT_NEAR(ContiState::rangeMax, 12.0f, 1e-3f);
    }
}

} // namespace
