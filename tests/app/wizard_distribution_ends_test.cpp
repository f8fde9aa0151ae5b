// The Help Wizard after a c(s) Run through the menu: a range that cuts a species off at an end
// leaves the distribution rising there, and the wizard says so once per end; a range that holds
// both species says nothing about the ends.
#include "app/txla_window.h"
#include "plat/messages.hpp"
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/preference_switches.h"
#include "state/scan_store.h"
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
    f.script.expectFileOpen().answer(WriteScanFiles(f, scans));
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(200), 0); // Load New Files
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(275), 0); // Continuous c(s) Distribution
    ASSERT_TRUE(ModelChoice::contiCs);
    gWizardMessages = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ContiState::rangeMin = c.sMin;
        ContiState::rangeMax = c.sMax;
        ContiState::resolution = 60.0f;
        ContiState::confidenceLevel = 0.68f;
        ContiState::ff0 = 1.25f;
        ModelParameters::meniscus = 6.0f;
        ModelParameters::bottom = 7.2f;
        ScanStore::leftFitLimit = 6.05f;
        ScanStore::rightFitLimit = 7.12f;
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
