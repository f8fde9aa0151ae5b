// A user's road to the non-ideal c(s): scans of one non-ideal species written as files and
// loaded, "Continuous c(s) Distribution" chosen and Run, then the variant of command 585 chosen
// and Run twice on its own total: the peak moves from the slowed boundary to the true s.
#include "app/txla_window.h"
#include "distributions/conti_grid.h"
#include "plat/messages.hpp"
#include "scandata/scan_store_alloc.h"
#include "simulation/conti_kernel.h"
#include "simulation/discrete_sed_module.h"
#include "simulation/lamm_arrays.h"
#include "simulation/module_solvers.h"
#include "simulation/nonlinear_solver.h"
#include "simulation/scan_output.h"
#include "state/conti_state.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/conti_data_store.h"
#include "support/distribution_maximum.h"
#include "support/main_window_fixture.h"
#include "support/model_road.h"
#include "support/race_checker.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

constexpr double kS = 5.0, kKs = 0.3; // S, 1/OD

// Eight scans (four under the race checker) of 0.5 OD at 5 S (f/f0 1.25) whose s falls as
// s / (1 + ks c), 50000 rpm, 6.0 to 7.2 cm, every 500 s from 600 s.
const int kScans = FullOrUnderRaceChecker(8, 4);

std::vector<GeneratedScan> NonidealScans() {
    ContiStoreCase c;
    c.scans = kScans;
    c.intervalS = 500.0;
    ContiDataStore store(c);
    ModelChoice::contiMode = true;
    LammGrid::gridSize = 300;
    const ContiGrid g = ContiGridAt(ContiVariant::Cs, {0.0, kS}, 1.25f, 0.0, 20.0);
    std::vector<GeneratedScan> scans;
    if (!AllocLammArrays())
        return scans;
    gContiKernel.Allocate(1, c.scans, store.radii.data(), c.points);
    ContiState::kernelColumn = 1;
    CConcentrationLaw law;
    law.s1 = LammGrid::s = kS;
    law.D1 = LammGrid::d = g.D[1];
    law.ks = kKs;
    CGridClock clock = StartSpeciesRun(nullptr, 0.5);
    CScanOutput output;
    if (SolveLammNonlinear(LammProblemOfRecord(), law, LammControlOfRecord(), clock, output) !=
        LammResult::Solved)
        return scans;
    for (int k = 1; k <= c.scans; ++k) {
        const GeneratedScan s =
            store.ScanFile(k, "[T OK]non-ideal " + std::to_string(k), gContiKernel.Row(1, k));
        scans.push_back(s);
    }
    gContiKernel.Free();
    return scans;
}

} // namespace

TEST(ContiNonidealRoad, PlainThenNonidealCsThroughTheMenu) {
    const std::vector<GeneratedScan> scans = NonidealScans();
    ASSERT_EQ(scans.size(), std::size_t(kScans));
    MainWindowFixture f;
    ASSERT_EQ(LoadScanFiles(f, scans), kScans) << f.script.logText();
    CsRoadEntries entries;
    entries.rangeMax = 8.0f;
    entries.leftFitLimit = 6.02f;
    entries.rightFitLimit = 7.15f;
    ASSERT_TRUE(ChooseCsWith(f, entries)) << f.script.logText();
    ModelParameters::logKs = float(std::log10(kKs));
    LammGrid::gridSize = 300;
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(213), 0); // Run
    ASSERT_NE(ContiState::distribution, nullptr) << f.script.logText();
    const double plain = DistributionMaximumAbscissa();
    EXPECT_LT(plain, 0.97 * kS) << "the plain c(s) sees the slowed boundary";

    SendMessage(f.window.get(), WM_COMMAND, WPARAM(585), 0); // the non-ideal c(s)
    ASSERT_TRUE(ModelChoice::contiSpeciesVariant) << f.script.logText();
    for (int round = 1; round <= 2; ++round)
        SendMessage(f.window.get(), WM_COMMAND, WPARAM(213), 0); // Run
    EXPECT_NEAR(DistributionMaximumAbscissa(), kS, 0.02 * kS) << "plain c(s) peak " << plain;
    EXPECT_TRUE(f.script.done()) << f.script.logText();
}
