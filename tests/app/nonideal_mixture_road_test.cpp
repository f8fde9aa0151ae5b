// A user's road with the non-ideal multiple-species model through the menu: the model chosen,
// three species and log10(ks) typed in the parameters dialog and Run, the model taken as data
// with noise, a start off the truth typed, Fit; s of species 1 and log10(ks) come back within
// the noise.
#include "app/params_box.h"
#include "scandata/scan_store_alloc.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/main_window_fixture.h"
#include "support/model_road.h"
#include "support/velocity_store.h"

#include <gtest/gtest.h>

namespace {

using M = ModelParameters;

// Species 1 to 3 (loading, s, D in 1e-7 cm^2/s), only species 1 included: the others are part
// of its mixture.
void TypeMixture(MainWindowFixture& f, const char* s1, const char* logKs, bool floated) {
    const char* loading[4] = {nullptr, "0.5", "0.3", "0.2"};
    const char* s[4] = {nullptr, s1, "5", "7"};
    const char* d[4] = {nullptr, "6.5", "5", "4"};
    auto& step = f.script.expectDialog(kDiscreteParamsDialogId);
    for (int k = 1; k <= 3; ++k)
        step.check(SpeciesControlId(k, kIncludedItem), k == 1)
            .set(SpeciesControlId(k, kLoadingItem), loading[k])
            .check(SpeciesControlId(k, kLoadingItem + 1), false)
            .set(SpeciesControlId(k, kSItem), s[k])
            .check(SpeciesControlId(k, kSItem + 1), floated && k == 1)
            .set(SpeciesControlId(k, kDOrMItem), d[k])
            .check(SpeciesControlId(k, kDOrMItem + 1), false);
    step.set(kLogKsId, logKs)
        .check(kLogKsId + 1, floated)
        .set(kLogKdId, "-8")
        .check(kLogKdId + 1, false)
        .set(kMeniscusId, "6.0")
        .set(kBottomId, "7.2")
        .ok();
    SendCommand(f, 212);
}

} // namespace

TEST(NonidealMixtureRoad, RunThenFitRecoversSAndKs) {
    MainWindowFixture f;
    VelocitySet set;
    set.scans = 8;
    set.points = 241;
    StartVelocityRoad(f, set);
    SendCommand(f, 893);
    ASSERT_TRUE(ModelChoice::multipleSpecies);
    TypeMixture(f, "3", "-0.5", false);
    ASSERT_TRUE(RunModelAsNoisyData(f, 3)) << "Run computed no model";
    ASSERT_TRUE(f.script.done()) << f.script.logText();

    TypeMixture(f, "2.7", "-0.8", true);
    FitWithLevenbergMarquardt(f);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_NEAR(M::speciesS[1], 3.0, 0.03) << "s of species 1";
    EXPECT_NEAR(M::logKs, -0.5, 0.05) << "log10(ks)";
}
