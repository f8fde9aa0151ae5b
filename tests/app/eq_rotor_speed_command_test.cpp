// "estimate equilibrium rotor speeds" from the menu: the four questions and the hint, the result
// text with the speeds, the nine profiles in the auxiliary plot, and inputs refused and asked
// again or cancelled with nothing left behind.
#include "app/txla_window.h"
#include "plat/testing.hpp"
#include "plotting/aux_plots.h"
#include "support/main_window_fixture.h"

#include <gtest/gtest.h>
#include <string>

namespace {

constexpr const char* kAsk = "ESTIMATE EQ ROTOR SPEED";
constexpr const char* kResult = "CALCULATE MINIMUM TIME TO EQ";

class EqRotorSpeedCommand : public ::testing::Test, public MainWindowFixture {
  protected:
    void Ask(const char* low, const char* high) {
        script.expectInput().caption(kAsk).prompt("lowest Mw of interest (Da)").answer(low);
        script.expectInput().caption(kAsk).prompt("highest Mw of interest (Da)").answer(high);
        script.expectInput().caption(kAsk).prompt("bottom (cm)").answer("7.2");
        script.expectBox().caption(kResult).textHas("12 mm centerpieces").answer(IDOK);
        script.expectInput().caption(kAsk).prompt("meniscus (cm)").answer("6.7");
    }
    void Run() {
        plat::test::command(window.get(), 875);
        script.pumpUntilIdle();
    }
};

TEST_F(EqRotorSpeedCommand, ShowsSpeedsProfilesAndHours) {
    Ask("20000", "200000");
    script.expectBox()
        .caption(kResult)
        .textHas("first rotor speed of 4200 rpm brings highest Mw in c(b)/c(m) = 5.0\nsecond "
                 "rotor speed of 16000 rpm brings lowest Mw in c(b)/c(m) = 10.0\nthird rotor "
                 "speed of 27000 rpm brings lowest Mw close to meniscus depletion")
        .answer(IDOK);
    Run();
    EXPECT_TRUE(script.done()) << script.logText();
    const std::string text = script.log().back().text;
    EXPECT_NE(text.find("would need at least "), std::string::npos);
    EXPECT_NE(text.find(" h to reach the first equilibrium"), std::string::npos);
    plat::test::windowPng(*window, "/tmp/eq_rotor_speeds.png");
}

TEST_F(EqRotorSpeedCommand, ZeroMassesAreAskedAgainAndCancelLeavesNothing) {
    Ask("0", "0");
    script.expectBox().caption(kAsk).textHas("positive").answer(IDOK);
    script.expectInput().caption(kAsk).prompt("lowest Mw of interest (Da)").cancel();
    Run();
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_EQ(AuxPlots::auxPlot, nullptr);

    // A mass too light for depletion at 60,000 rpm: third speed 0, profiles still drawable.
    Ask("2000", "200000");
    script.expectBox().caption(kResult).textHas("third rotor speed of 0 rpm").answer(IDOK);
    Run();
    EXPECT_TRUE(script.done()) << script.logText();
}

} // namespace
