// A floating species' Run through the menu on a coarse typed grid: no scan written as zeros where
// a fine grid still shows the species, unless the Run says its grid failed.
#include "app/lamm_params_box.h"
#include "app/params_box.h"
#include "state/scan_store.h"
#include "support/main_window_fixture.h"
#include "support/velocity_store.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using S = ScanStore;

struct FloatingRun {
    std::vector<double> largest; // |model| in the fit range, each scan
    bool discretizationBox = false;
};

// -100 S, D 1e-7 cm^2/s (typed as its M) in a cell from 6.0 to 7.2 cm, data from 6.05 cm, a scan
// every 300 s for 2 h, solved on the grid and algorithm typed on the Lamm options page.
FloatingRun RunThroughTheMenu(long rpm, int nodes, bool movingHat) {
    MainWindowFixture f;
    std::vector<std::string> paths;
    for (int k = 1; k <= 24; ++k) {
        GeneratedScan g;
        g.rpm = rpm, g.timeS = 300 * k, g.omega2t = std::pow(rpm * M_PI / 30.0, 2) * g.timeS;
        for (int i = 0; i <= 230; ++i)
            g.radius.push_back(6.05 + 0.005 * i), g.value.push_back(0.5), g.third.push_back(0.005);
        char name[16];
        std::snprintf(name, sizeof name, "%05d.RA1", k);
        paths.push_back(f.data.file(name));
        WriteTextFile(paths.back(), g.Text());
    }
    f.script.expectFileOpen().title("select files to fit").answer(paths);
    f.script.expectInput().caption("LOAD FILES").answer("1");
    Send(f, 200);
    Send(f, 198);
    f.script.expectDialog(kLammParamsDialogId)
        .check(kLpAutoGridSize, false)
        .set(kLpDefaultGridSize, std::to_string(nodes).c_str())
        .check(kLpAutomaticAlgorithm, false)
        .check(kLpMovingHat, movingHat)
        .check(kLpClaverie, !movingHat)
        .ok();
    f.script.expectBox().caption("LAMM EQUATION PARAMETERS").answer(IDNO);
    Send(f, 611);
    const std::string kDa = std::to_string(std::fabs(MolarMass({-100.0, 1e-7, 1.0})) / 1000.0);
    f.script.expectDialog(kDiscreteParamsDialogId)
        .set(kMeniscusId, "6.0")
        .set(kBottomId, "7.2")
        .set(SpeciesControlId(1, kSItem), "-100")
        .set(SpeciesControlId(1, kDOrMItem), kDa.c_str())
        .ok();
    Send(f, 212);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
    Send(f, 213);
    FloatingRun run;
    run.discretizationBox = f.script.logText().find("DISCRETIZATION ERROR") != std::string::npos;
    for (int k = 1; k <= S::scanCount; ++k) {
        double largest = 0.0;
        for (int i = 1; i <= S::pointCount[k]; ++i)
            largest = std::max(largest, std::fabs(double(S::fit[k][i])));
        run.largest.push_back(largest);
    }
    return run;
}

TEST(FloatingRunEndRoad, NoScanZeroWhileTwoThousandNodesShowTheSpecies) {
    const struct {
        long rpm;
        bool movingHat;
    } cases[] = {{40000, false}, {50000, false}, {50000, true}};
    for (const auto& c : cases) {
        const FloatingRun run = RunThroughTheMenu(c.rpm, 150, c.movingHat);
        const FloatingRun reference = RunThroughTheMenu(c.rpm, 2000, true);
        ASSERT_FALSE(reference.discretizationBox);
        ASSERT_EQ(run.largest.size(), reference.largest.size());
        for (std::size_t k = 0; k < run.largest.size() && !run.discretizationBox; ++k)
            if (reference.largest[k] > 1e-3)
                EXPECT_GT(run.largest[k], 0.0) << c.rpm << " rpm, scan " << k + 1;
    }
}

} // namespace
