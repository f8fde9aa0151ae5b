// A species whose boundary the moving hat's grid follows in very many steps (s of a million S,
// floating or sedimenting) ran for minutes without a word: the Run now says so before it starts.
// Ordinary species run without the notice. The directions differ where the data begin inside the
// floating grid's first element: at 3e5 S the floating species piles up on the meniscus node and
// its run goes on for a million steps, the sedimenting one is gone in 160000 (both once said
// alike).
#include "app/params_box.h"
#include "state/fit_control.h"
#include "state/lamm_grid.h"
#include "state/window_services.h"
#include "support/main_window_fixture.h"

#include <gtest/gtest.h>

namespace {

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
        f.script.onUnexpected(plat::test::Unexpected::Fail);
        ScanSetOptions velocity;
        velocity.count = 5;
        velocity.dr = 0.005;
        f.Load(velocity);
        Send(f, 198);
        LammGrid::defaultGridSize = c.nodes;
        f.script.expectDialog(kDiscreteParamsDialogId)
            .set(SpeciesControlId(1, kSItem), c.s)
            .check(SpeciesControlId(1, kSItem + 1))
            .ok();
        Send(f, 212);
        if (c.notice)
            f.script.expectBox().textHas(c.notice).textHas(
                "time steps on the moving hat's grid of " + std::to_string(c.nodes) + " points");
        Send(f, 213);
        EXPECT_TRUE(f.script.done()) << c.s << "\n" << f.script.logText();
    }
}

// Trials shown before a key stops the fit, and those shown so far.
int gKeyAfter = 0, gShown = 0;
void (*gDraw)(TXLAWindow*) = nullptr;
void DrawThenPressKey(TXLAWindow* window) {
    gDraw(window);
    if (++gShown == gKeyAfter)
        plat::test::key(window, 'A', 'a');
}

// Every evaluation of a fit solves the species again (s held, the meniscus floated): the notice
// comes at the first of each fit only, and again at the next fit and the next Run. Any box more
// fails the script.
TEST(MovingHatNotice, ComesOncePerFit) {
    MainWindowFixture f;
    f.script.onUnexpected(plat::test::Unexpected::Fail);
    ScanSetOptions velocity;
    velocity.count = 5;
    velocity.dr = 0.005;
    f.Load(velocity);
    Send(f, 198);
    LammGrid::defaultGridSize = 150;
    f.script.expectDialog(kDiscreteParamsDialogId)
        .set(SpeciesControlId(1, kSItem), "-3e5")
        .check(kMeniscusFloatId)
        .ok();
    Send(f, 212);
    gDraw = WindowServices::table.drawResidualsView;
    WindowServices::table.drawResidualsView = DrawThenPressKey;
    struct Step {
        const char* name;
        int command; // Run or Fit
    } const steps[] = {{"Run", 213}, {"first fit", 215}, {"second fit", 215}, {"Run after", 213}};
    for (const Step& step : steps) {
        gKeyAfter = 2, gShown = 0;
        f.script.expectBox().textHas("species 1 (s = -3e+05 S) takes about");
        Send(f, step.command);
        EXPECT_TRUE(f.script.done()) << step.name << "\n" << f.script.logText();
        if (step.command == 215)
            EXPECT_GE(FitControl::evaluationCount, 2) << step.name;
    }
    WindowServices::table.drawResidualsView = gDraw;
}

} // namespace
