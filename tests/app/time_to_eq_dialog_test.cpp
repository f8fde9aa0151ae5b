// The planner's parameter dialog and its preferences file: entries refused with "Invalid Entry",
// the species completed from the value chosen, vbar2 following vbar1, and a file of too few
// numbers ignored as a whole.
#include "app/time_to_eq_box.h"
#include "equilibrium/time_to_eq_parameters.h"
#include "plat/testing.hpp"
#include "support/main_window_fixture.h"

#include <gtest/gtest.h>
#include <string>

namespace {

using P = TimeToEqParameters;

TEST(TimeToEqDialog, InvalidEntriesKeepTheDialogOpen) {
    struct Case {
        const char* name;
        int id;
        const char* text;
        bool accepted;
    };
    const Case cases[] = {
        {"negative bottom", 628, "-1", false},
        {"empty meniscus", 627, "", false},
        {"a zero not written with 0", 617, ".0", false},
        {"letters", 619, "five", false},
        {"negative s", 412, "-2", true},
        {"zero written with 0", 614, "0.00", true},
    };
    for (const Case& c : cases) {
        MainWindowFixture f;
        TimeToEQPTransfer record;
        f.script.expectDialog(kTimeToEqDialogId).set(c.id, c.text).ok();
        if (!c.accepted) {
            f.script.expectBox().caption("Input Error").text("Invalid Entry").answer(IDOK);
            f.script.expectDialog(kTimeToEqDialogId).cancel();
        }
        const float bottom = P::bottom;
        EXPECT_EQ(RunTimeToEQPBox(f.window.get(), record), c.accepted) << c.name;
        EXPECT_TRUE(f.script.done()) << c.name << f.script.logText();
        if (!c.accepted) {
            EXPECT_EQ(P::bottom, bottom) << c.name;
        }
    }
}

TEST(TimeToEqDialog, SpeciesCompletedFromTheChosenValue) {
    MainWindowFixture f;
    TimeToEQPTransfer record;
    // "use ff0": s follows from M and f/f0; then "use s" with that s gives the same f/f0 back.
    f.script.expectDialog(kTimeToEqDialogId).set(428, "65000").set(413, "1.40").ok();
    ASSERT_TRUE(RunTimeToEQPBox(f.window.get(), record));
    const float s = P::s1;
    EXPECT_GT(s, 1.0f);
    EXPECT_GT(P::D1, 0.0f);
    EXPECT_NEAR(P::leftLimit, P::meniscus + 0.02f, 1e-6f);
    EXPECT_NE(P::outputPath.find("optimizedoverspeedsteps1/optimizedoverspeedsteps1.txt"),
              std::string::npos);
    f.script.expectDialog(kTimeToEqDialogId).check(621).check(620, false).set(413, "9.00").ok();
    ASSERT_TRUE(RunTimeToEQPBox(f.window.get(), record));
    EXPECT_NEAR(P::ff01, 1.4f, 0.01f);
    // D = s R T / (M (1 - vbar rho)).
    const double T = P::temperature + 273.15;
    EXPECT_NEAR(P::D1, P::s1 * 1e-13 * 8.314472e7 * T / (65000.0 * (1.0 - P::vbar1 * P::density)),
                1e-3 * P::D1);

    // vbar2 follows vbar1 every time the dialog opens.
    f.script.expectDialog(kTimeToEqDialogId).set(420, "0.600").ok();
    ASSERT_TRUE(RunTimeToEQPBox(f.window.get(), record));
    EXPECT_FLOAT_EQ(P::vbar2, 0.6f);
    f.script.expectDialog(kTimeToEqDialogId).cancel();
    EXPECT_FALSE(RunTimeToEQPBox(f.window.get(), record));
    EXPECT_STREQ(record.vbar2, record.vbar1);
}

TEST(TimeToEqDialog, PreferencesRoundTripAndAShortFileIsIgnored) {
    MainWindowFixture f;
    const std::string path = f.data.file("tarnixsimappeqparams.ini");
    P::finalSpeed = 12345.0f;
    P::D1 = 6.5e-7f;
    P::exponentialParameterization = false;
    P::parameterCount = 7;
    ASSERT_TRUE(SaveTimeToEqParameterPreferences(path));
    P::ResetToDefaults();
    ASSERT_TRUE(LoadTimeToEqParameterPreferences(path));
    EXPECT_FLOAT_EQ(P::finalSpeed, 12345.0f);
    EXPECT_NEAR(P::D1, 6.5e-7f, 1e-12f);
    EXPECT_FALSE(P::exponentialParameterization);
    EXPECT_EQ(P::parameterCount, 7);

    std::string text;
    for (int k = 0; k < 38; ++k)
        text += "1.000000\n";
    f.data.write("short.ini", text);
    P::ResetToDefaults();
    EXPECT_FALSE(LoadTimeToEqParameterPreferences(f.data.file("short.ini")));
    EXPECT_FLOAT_EQ(P::finalSpeed, 15000.0f);
}

} // namespace
