// The Help Wizard after a c(s) Run through the menu: a range that cuts a species off at an end
// leaves the distribution rising there, and the wizard says so once per end; a range that holds
// both species says nothing about the ends.
#include "app/txla_window.h"
#include "plat/messages.hpp"
#include "state/model_choice.h"
#include "state/preference_switches.h"
#include "support/main_window_fixture.h"
#include "support/model_road.h"
#include "support/two_peak_scans.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

TEST(WizardDistributionEnds, ARangeCuttingASpeciesOffSaysSoAtThatEnd) {
    struct Case {
        const char* name;
        float sMin, sMax;
        bool atMin, atMax;
    };
    // The species lie at 3.5 and 7 S.
    const Case cases[] = {
        {"both species inside", 0.0f, 15.0f, false, false},
        {"cut at both ends", 4.5f, 6.0f, true, true},
        {"cut above only", 0.0f, 5.0f, false, true},
    };
    const std::vector<GeneratedScan> scans = TwoSpeciesScans();
    MainWindowFixture f;
    f.script.onUnexpected(plat::test::Unexpected::Cancel);
    ASSERT_EQ(LoadScanFiles(f, scans), 12);
    gWizardMessages = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(ChooseCsWith(f, {c.sMin, c.sMax, 6.05f, 7.12f}));
        plat::test::Script script;
        script.onUnexpected(plat::test::Unexpected::Cancel);
        SendMessage(f.window.get(), WM_COMMAND, WPARAM(213), 0); // Run
        int atMin = 0, atMax = 0;
        for (const auto& prompt : script.log()) {
            if (prompt.caption != "Help Wizard")
                continue;
            atMin += prompt.text.rfind("Distribution value at min value is going up.", 0) == 0;
            atMax += prompt.text.rfind("Distribution value at max value is going up.", 0) == 0;
        }
        EXPECT_EQ(atMin, c.atMin ? 1 : 0) << script.logText();
        EXPECT_EQ(atMax, c.atMax ? 1 : 0) << script.logText();
    }
}
