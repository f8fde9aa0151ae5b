// A species whose boundary the moving hat's grid follows in very many steps (s of a million S,
// floating or sedimenting) ran for minutes without a word: the Run now says so before it starts.
// Ordinary species run without the notice. The directions differ where the data begin inside the
// floating grid's first element: at 3e5 S the floating species piles up on the meniscus node and
// its run goes on for a million steps, the sedimenting one is gone in 160000 (both once said
// alike).
#include "app/params_box.h"
#include "state/fit_control.h"
#include "state/lamm_grid.h"
#include "support/key_at_trial.h"
#include "support/main_window_fixture.h"

#include <gtest/gtest.h>

namespace {

// Five scans loaded, the discrete species chosen on a grid of the given nodes, species 1 given s
// with the slot of the given control floated.
void OneSpecies(MainWindowFixture& f, const char* s, int nodes, int floated) {
    f.script.onUnexpected(plat::test::Unexpected::Fail);
    ScanSetOptions velocity;
    velocity.count = 5;
    velocity.dr = 0.005;
    f.Load(velocity);
    Send(f, 198);
    LammGrid::defaultGridSize = nodes;
    f.script.expectDialog(kDiscreteParamsDialogId)
        .set(SpeciesControlId(1, kSItem), s)
        .check(floated)
        .ok();
    Send(f, 212);
}

TEST(MovingHatNotice, ASpeciesThatTakesVeryManyStepsIsSaidBeforeTheRun) {
    const struct {
        const char* s;
        int nodes;          // of the grid: few, for a short run
        const char* notice; // nullptr: none
    } cases[] = {
        {"-1e6", 150, "species 1 (s = -1e+06 S) takes about"},
        {"1e6", 150, "species 1 (s = 1e+06 S) takes about"},
        {"-3e5", 150, "species 1 (s = -3e+05 S) takes about"},
        {"3e5", 150, nullptr},
        {"4", 1000, nullptr},
        {"100", 1000, nullptr},
    };
    for (const auto& c : cases) {
        MainWindowFixture f;
        OneSpecies(f, c.s, c.nodes, SpeciesControlId(1, kSItem + 1));
        if (c.notice)
            f.script.expectBox().textHas(c.notice).textHas(
                "time steps on the moving hat's grid of " + std::to_string(c.nodes) + " points");
        Send(f, 213);
        EXPECT_TRUE(f.script.done()) << c.s << "\n" << f.script.logText();
    }
}

// Every evaluation of a fit solves the species again (s held, the meniscus floated): the notice
// comes at the first of each fit only, and again at the next fit and the next Run. Any box more
// fails the script.
TEST(MovingHatNotice, ComesOncePerFit) {
    MainWindowFixture f;
    OneSpecies(f, "-3e5", 150, kMeniscusFloatId);
    struct Step {
        const char* name;
        int command; // Run or Fit
    } const steps[] = {{"Run", 213}, {"first fit", 215}, {"second fit", 215}, {"Run after", 213}};
    for (const Step& step : steps) {
        const KeyAtTrial key(2);
        f.script.expectBox().textHas("species 1 (s = -3e+05 S) takes about");
        Send(f, step.command);
        EXPECT_TRUE(f.script.done()) << step.name << "\n" << f.script.logText();
        if (step.command == 215)
            EXPECT_GE(FitControl::evaluationCount, 2) << step.name;
    }
}

} // namespace
