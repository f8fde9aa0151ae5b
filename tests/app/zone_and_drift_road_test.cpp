// A user's road through the menu to the zone distributions and to ls-g*(v): scans loaded, the
// discrete model of the experiment chosen with the truth typed in the parameters dialog and Run,
// its model taken as data with noise; then the distribution chosen and Run: its peaks lie at the
// species' s (or velocity) with their loadings; the Fit of the meniscus brings it back from a
// start off the truth.
#include "app/params_box.h"
#include "plat/testing.hpp"
#include "scandata/fit_limits.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/distribution_maximum.h"
#include "support/electrophoresis_scan_files.h"
#include "support/main_window_fixture.h"
#include "support/model_road.h"
#include "support/race_checker.h"
#include "support/velocity_store.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using M = ModelParameters;
using C = ContiState;

struct Typed {
    const char* s; // S, or the velocity in 1e-4 cm/s
    const char* d; // 1e-7 cm^2/s
    const char* loading;
};

void TypeSpecies(MainWindowFixture& f, const std::vector<Typed>& species, const char* meniscus,
                 const char* bottom) {
    auto& dialog = f.script.expectDialog(kDiscreteParamsDialogId);
    for (int k = 1; k <= 4; ++k) {
        const bool on = k <= int(species.size());
        dialog.check(SpeciesControlId(k, kIncludedItem), on);
        if (!on)
            continue;
        const Typed& t = species[std::size_t(k - 1)];
        dialog.set(SpeciesControlId(k, kLoadingItem), t.loading)
            .check(SpeciesControlId(k, kLoadingItem + 1), false)
            .set(SpeciesControlId(k, kSItem), t.s)
            .check(SpeciesControlId(k, kSItem + 1), false)
            .set(SpeciesControlId(k, kDOrMItem), t.d)
            .check(SpeciesControlId(k, kDOrMItem + 1), false);
    }
    dialog.set(kMeniscusId, meniscus).set(kBottomId, bottom).ok();
    SendCommand(f, 212);
}

// The meniscus floated within bounds around the truth, from a start off it, then Fit.
void FitMeniscusFrom(MainWindowFixture& f, float start, float lo, float hi) {
    M::meniscus = start;
    M::meniscusFloat = 1;
    FitControl::meniscusMin = lo;
    FitControl::meniscusMax = hi;
    PackFitParameters();
    SendCommand(f, 215);
}

void KeepPng(MainWindowFixture& f, const char* name) {
    f.window->Invalidate(true);
    f.Paint();
    ASSERT_TRUE(plat::test::windowPng(*f.window, f.data.file(name)));
    if (const char* keep = std::getenv("TARNIX_KEEP_PNG"))
        plat::test::windowPng(*f.window, std::string(keep) + "/" + name);
}

} // namespace

// Two species in a zone layer of 0.1 cm (the default), made by the discrete zone model: zone c(s)
// finds both at their s with their loadings, and zone ls-g*(s) the faster one near its s.
TEST(ZoneAndDriftRoad, ZoneCsFindsTheSpeciesOfTheDiscreteZoneModelAndFitsTheMeniscus) {
    MainWindowFixture f{900, 650};
    f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
    VelocitySet set;
    set.species = {{3.5, 6.3e-7, 0.5}};
    set.scans = FullOrUnderRaceChecker(8, 4);
    set.points = 301;
    StartVelocityRoad(f, set);
    SendCommand(f, 246);
    ASSERT_TRUE(ModelChoice::zoneCentrifugation && ModelChoice::lammModel);
    TypeSpecies(f, {{"3.5", "6.3", "0.5"}, {"8", "4.1", "0.3"}}, "6.0", "7.2");
    ASSERT_TRUE(RunModelAsNoisyData(f, 5, 0.004)) << f.script.logText();
    // the loadings the model's Run solved for (linear amplitudes) are the truth of the data
    const double slow = M::speciesLoading[1], fast = M::speciesLoading[2];
    ASSERT_GT(slow, 0.05);
    ASSERT_GT(fast, 0.05);
    // the experiment's scans, as the user loads them
    std::vector<GeneratedScan> scans;
    for (int k = 1; k <= ScanStore::scanCount; ++k)
        scans.push_back(VelocityScanFile(k, set.rpm));
    ASSERT_EQ(LoadScanFiles(f, scans), set.scans) << f.script.logText();
    M::meniscus = 6.0f, M::bottom = 7.2f;
    ScanStore::leftFitLimit = 6.03f, ScanStore::rightFitLimit = 7.15f;
    ApplyLeftFitLimit();
    ApplyRightFitLimit();

    SendCommand(f, 511);
    ASSERT_TRUE(ModelChoice::zoneCs && ModelChoice::contiMode) << f.script.logText();
    EXPECT_TRUE(C::secondDerivativeRegularization && !C::maxEntRegularization);
    C::rangeMin = 1.0f, C::rangeMax = 12.0f, C::resolution = 45.0f, C::ff0 = 1.25f;
    SendCommand(f, 213);
    ASSERT_NE(C::distribution, nullptr) << f.script.logText();
    double area = 0.0;
    EXPECT_NEAR(DistributionPeakIn(1.0, 5.5, &area), 3.5, 0.1);
    EXPECT_NEAR(area, slow, 0.05 * slow) << "3.5 S";
    EXPECT_NEAR(DistributionPeakIn(5.5, 12.0, &area), 8.0, 0.25);
    EXPECT_NEAR(area, fast, 0.05 * fast) << "8 S";

    FitMeniscusFrom(f, 6.012f, 5.99f, 6.02f);
    EXPECT_NEAR(M::meniscus, 6.0, 0.003) << f.script.logText();
    KeepPng(f, "zone_cs.png");

    SendCommand(f, 510);
    ASSERT_TRUE(ModelChoice::zoneLsGs && ModelChoice::lsGStar) << f.script.logText();
    C::rangeMin = 1.0f, C::rangeMax = 12.0f, C::resolution = 111.0f;
    SendCommand(f, 213);
    ASSERT_NE(C::distribution, nullptr) << f.script.logText();
    EXPECT_NEAR(DistributionPeakIn(5.5, 12.0, &area), 8.0, 0.5)
        << "the diffusing band, seen without D";
    KeepPng(f, "zone_lsgs.png");
}

// One species drifting at 2e-4 cm/s with D 2e-7 cm^2/s, made by the electrophoresis Lamm model on
// scans loaded as electrophoresis data: ls-g*(v) places its peak at that velocity.
TEST(ZoneAndDriftRoad, LsGStarVFindsTheVelocityOfTheElectrophoresisModel) {
    MainWindowFixture f{900, 650};
    f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
    ScanPaths::gDataPath = f.data.file("~tmppars.RA1");
    f.script.expectFileOpen().answer(WriteElectrophoresisScans(f, "electrophoresis", 6, 201));
    SendCommand(f, 290); // load electrophoresis data
    ASSERT_EQ(ScanStore::scanCount, 6) << f.script.logText();
    ASSERT_TRUE(ScanDataKind::electrophoresis && ModelChoice::electrophoresis);
    ScanStore::leftFitLimit = 1.01f, ScanStore::rightFitLimit = 1.39f;
    ApplyLeftFitLimit();
    ApplyRightFitLimit();
    TypeSpecies(f, {{"2", "2", "0.6"}}, "1.0", "1.4");
    ASSERT_TRUE(RunModelAsNoisyData(f, 9, 0.004)) << f.script.logText();
    const double loading = M::speciesLoading[1]; // as the model's Run solved it
    ASSERT_GT(loading, 0.05);
    // the experiment's scans, as the user loads them
    f.script.expectFileOpen().answer(WriteElectrophoresisScans(f, "electrophoresis", 6, 201));
    SendCommand(f, 290);
    ASSERT_EQ(ScanStore::scanCount, 6) << f.script.logText();
    M::meniscus = 1.0f, M::bottom = 1.4f;
    ApplyLeftFitLimit();
    ApplyRightFitLimit();

    SendCommand(f, 501);
    ASSERT_TRUE(ModelChoice::electrophoresisLsG && ModelChoice::contiMode) << f.script.logText();
    C::rangeMin = 0.5f, C::rangeMax = 5.0f, C::resolution = 91.0f;
    SendCommand(f, 213);
    ASSERT_NE(C::distribution, nullptr) << f.script.logText();
    double area = 0.0;
    EXPECT_NEAR(DistributionPeakIn(0.5, 5.0, &area), 2.0, 0.05);
    EXPECT_NEAR(area, loading, 0.05 * loading);

    FitMeniscusFrom(f, 1.01f, 0.99f, 1.02f);
    EXPECT_NEAR(M::meniscus, 1.0, 0.003) << f.script.logText();
    EXPECT_NEAR(DistributionPeakIn(0.5, 5.0, &area), 2.0, 0.05) << "after the Fit";
    KeepPng(f, "lsg_v.png");
}
