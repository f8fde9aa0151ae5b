// The models solved on the simulation grid's clock, through the menu (a reacting system and a
// monomer-dimer, four scans 600 s apart): every Run starts on a clock of its own that awaits the
// first scan at its time, so near the meniscus the first scan's model shows the boundary gone by;
// and a key pressed during the Run stops it through its clock at the first scan it reaches,
// leaving the model of the Run before.
#include "app/params_box.h"
#include "plat/testing.hpp"
#include "scandata/scan_store_alloc.h"
#include "state/lamm_grid.h"
#include "state/run_switches.h"
#include "support/main_window_fixture.h"
#include "support/model_road.h"
#include "support/velocity_store.h"

#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace {

using S = ScanStore;

// A + B <-> AB: A 4 S, B 6 S, the complex 9 S, log10 K 0.5.
void TypeReaction(plat::test::Step& step) {
    const char* loading[4] = {nullptr, "0.5", "0.5", "0"};
    const char* s[4] = {nullptr, "4", "6", "9"};
    const char* mass[4] = {nullptr, "60", "100", "160"};
    for (int k = 1; k <= 3; ++k)
        step.check(SpeciesControlId(k, kIncludedItem))
            .set(SpeciesControlId(k, kLoadingItem), loading[k])
            .set(SpeciesControlId(k, kSItem), s[k])
            .set(SpeciesControlId(k, kDOrMItem), mass[k]);
    step.set(kLogKId, "0.5");
}

// Monomer 4 S, dimer 6.5 S, log10 Ka 0.5.
void TypeMonomerDimer(plat::test::Step& step) {
    step.check(SpeciesControlId(1, kIncludedItem))
        .set(SpeciesControlId(1, kLoadingItem), "0.8")
        .set(SpeciesControlId(1, kSItem), "4")
        .set(SpeciesControlId(1, kDOrMItem), "6")
        .set(SpeciesControlId(2, kSItem), "6.5")
        .set(SpeciesControlId(2, kDOrMItem), "4.5")
        .set(kLogKId, "0.5");
}

std::vector<float> Fits() {
    std::vector<float> all;
    for (int k = 1; k <= S::scanCount; ++k)
        all.insert(all.end(), S::fit[k] + 1, S::fit[k] + S::pointCount[k] + 1);
    return all;
}

TEST(GridClockRoad, EachRunStartsOnItsOwnClockAndAKeyStopsItAtTheScanItReaches) {
    struct Case {
        const char* name;
        int model;
        std::function<void(plat::test::Step&)> type;
    } const cases[] = {{"reacting system", 267, TypeReaction},
                       {"monomer-dimer", 197, TypeMonomerDimer}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MainWindowFixture f;
        VelocitySet set;
        set.scans = 4;
        set.points = 121; // 6.0 to 7.2 cm, 0.01 cm apart
        StartVelocityRoad(f, set);
        LammGrid::maxDcOverC = 20.0;
        SendCommand(f, c.model);
        auto& step = f.script.expectDialog(kDiscreteParamsDialogId);
        c.type(step);
        step.set(kMeniscusId, "6.0").set(kBottomId, "7.2").ok();
        SendCommand(f, 212);
        ASSERT_TRUE(f.script.done()) << f.script.logText();
        // Each Run twice: the second starts where the first left its clock.
        for (int run = 1; run <= 2; ++run) {
            SendCommand(f, 213);
            ASSERT_TRUE(f.script.done()) << f.script.logText();
            EXPECT_GE(LammGrid::time, S::header[4].time) << "run " << run << ": to the last scan";
            // 4 S at 600 s has left 6.01 cm: far below the plateau at 6.5 cm.
            EXPECT_LT(S::fit[1][2], 0.5f * S::fit[1][51])
                << "run " << run << ": the first scan's model at 6.01 cm";
        }
        const std::vector<float> before = Fits();
        // The command first, the key behind it in the queue: the Run finds it at the first scan.
        plat::test::command(f.window.get(), 213);
        plat::test::key(f.window.get(), 'A', 'a');
        f.script.pumpUntilIdle();
        EXPECT_TRUE(f.script.done()) << f.script.logText();
        EXPECT_GE(LammGrid::time, S::header[1].time) << "a key: to the first scan";
        EXPECT_LT(LammGrid::time, S::header[2].time) << "a key: not beyond it";
        EXPECT_TRUE(Fits() == before) << "a key: the model before";
        gUserInterrupt = false;
    }
}

} // namespace
