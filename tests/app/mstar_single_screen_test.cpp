// The M* screen of scan 1 alone with three scans loaded (no command opens it; it is entered
// directly): its buttons are laid out for one data set, and each click on them takes effect.
#include "app/mstar_actions.h"
#include "plat/testing.hpp"
#include "plotting/screen_button.h"
#include "plotting/win_plot.h"
#include "scandata/scan_store_alloc.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/mstar_state.h"
#include "support/mstar_screen_fixture.h"

#include <cstdlib>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace {

using MS = MStarState;

class MStarSingleScreen : public MStarScreenFixture {};

TEST_F(MStarSingleScreen, EachButtonOfTheOneDataSetTakesEffect) {
    EnterMStarSingle(f.window.get());
    ASSERT_TRUE(MS::active);
    ASSERT_EQ(ScanStore::scanCount, 3);
    ASSERT_EQ(MS::buttonCount, 4 * 1 + 9) << "laid out for one data set";
    // Its texts carry no index, and each button is as long as its text.
    const CScreenButton* a0 = MS::buttons[12];
    const double width = f.window->GetClientRect().right;
    EXPECT_NEAR(a0->right, 75 + 95 + 2.5 * std::strlen(a0->offText) * width / 1400.0, 1.0);
    f.Paint();
    struct Case {
        const char* name;
        int button;
        std::function<void()> expect; // the prompts
        std::function<void()> check;  // what the user sees after
    };
    const Case cases[] = {
        {"baseline", 11,
         [&] {
             f.script.expectInput()
                 .caption("M* transformation")
                 .prompt("new baseline signal:")
                 .answer("0.02");
         },
         [&] {
             EXPECT_STREQ(MS::buttons[11]->offText, "Baseline = 0.0200");
             EXPECT_FALSE(MS::buttons[11]->on);
             EXPECT_FLOAT_EQ(ModelParameters::baseline, 0.02f);
             EXPECT_FLOAT_EQ(MS::sets[1].baselineLine[50], 0.02f) << "the baseline drawn";
         }},
        {"meniscus signal", 12,
         [&] {
             f.script.expectInput().caption("M* transformation").prompt("new A0:").answer("0.3");
         },
         [&] {
             EXPECT_STREQ(MS::buttons[12]->offText, "A0 = 0.3000 (fix)");
             EXPECT_TRUE(MS::buttons[12]->on);
             EXPECT_TRUE(MS::meniscusSignalFixed);
             EXPECT_FLOAT_EQ(MS::sets[1].meniscusSignal, 0.3f) << "kept by the recomputation";
             EXPECT_FLOAT_EQ(MS::sets[1].meniscusPointY[1], 0.32f) << "the level at the meniscus";
         }},
        {"go to Mwapp", 13, [] {},
         [&] {
             EXPECT_TRUE(MS::buttons[13]->on);
             EXPECT_FALSE(MS::mappVersusSignal);
             EXPECT_STREQ(MS::mappPlot->xLabel, "radius (cm)") << "one data set: always r";
         }},
        {"a result button asks nothing", 9, [] {}, [] {}},
        {"RI off changes nothing over one data set", 5, [] {},
         [&] {
             EXPECT_FALSE(ModelChoice::fitRINoise);
             EXPECT_FALSE(MS::buttons[5]->on);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.expect();
        Click(c.button);
        EXPECT_TRUE(f.script.done()) << f.script.logText();
        c.check();
        f.Paint();
    }
    if (const char* png = std::getenv("TARNIX_MSTAR_SINGLE_BUTTONS_PNG"))
        plat::test::windowPng(*f.window, png);
    LeaveMStarSingle(f.window.get());
}

} // namespace
