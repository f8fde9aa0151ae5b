// The distribution models check the cell as the discrete Run does: a bottom beyond any rotor is
// refused by name and nothing is stored. c(s) used to store a Run at bottoms of 31 and 1e30 cm.
#include "app/txla_window.h"
#include "plat/messages.hpp"
#include "scandata/scan_store_alloc.h"
#include "state/model_parameters.h"
#include "support/main_window_fixture.h"
#include "support/model_road.h"
#include "support/two_peak_scans.h"

#include <gtest/gtest.h>

TEST(DistributionCell, BottomBeyondAnyRotorIsRefusedByName) {
    struct Case {
        int model, command; // the model chosen after c(s), then Run or Fit
        float bottom;
        const char* text;
    };
    const Case cases[] = {
        {275, 213, 31.0f, "bottom (31 cm) lies beyond any rotor"},
        {275, 213, 1e10f, "bottom (1e+10 cm) lies beyond any rotor"},
        {275, 215, 1e30f, "bottom (1e+30 cm) lies beyond any rotor"},
        {235, 213, 1e30f, "bottom (1e+30 cm) lies beyond any rotor"},
    };
    MainWindowFixture f;
    ASSERT_EQ(LoadScanFiles(f, TwoSpeciesScans()), 12) << f.script.logText();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ASSERT_TRUE(ChooseCsWith(f, {}));
        SendCommand(f, c.model);
        ModelParameters::bottom = c.bottom;
        ScanStore::resultAvailable = false;
        plat::test::Script script;
        script.expectBox().caption("Error").textHas(c.text);
        SendCommand(f, c.command);
        EXPECT_TRUE(script.done()) << script.logText();
        EXPECT_FALSE(ScanStore::resultAvailable);
    }
}
