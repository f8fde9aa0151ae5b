// The M* screen's test bench.
#include "support/mstar_screen_fixture.h"

#include "foundations/physical_constants.h"
#include "plotting/screen_button.h"
#include "plotting/win_plot.h"
#include "scandata/scan_store_alloc.h"
#include "state/mstar_state.h"
#include "state/window_services.h"
#include "support/equilibrium_scan_set.h"

void MStarScreenFixture::SetUp() {
    using S = ScanStore;
    EquilibriumSet set;
    set.noise = 0.0;
    LoadEquilibriumSet(set);
    S::equilibriumData = true;
    S::vbarRho = 0.73f;
    S::gasConstantTemperature = PhysicalConstants::gasConstant * 293.15f;
    S::leftFitLimit = 6.903f;
    S::rightFitLimit = 7.19f;
    for (int k = 1; k <= 3; ++k) {
        S::firstFitIndex[k] = 2;
        S::lastFitIndex[k] = 145;
    }
    // The scan plots, as a load leaves them.
    WindowServices::DeleteScanPlots();
    S::dataPlot = new CWINPlot();
    S::residualPlot = new CWINPlot();
    // Buoyant 20 kDa with vbar rho 0.73: M = 20 / 0.27 kDa.
    truth = 20.0 / 0.27;
}

void MStarScreenFixture::Command(int id) {
    plat::test::command(f.window.get(), id);
    f.script.pumpUntilIdle();
}

void MStarScreenFixture::Click(int i) {
    const CScreenButton* b = MStarState::buttons[std::size_t(i)];
    ASSERT_NE(b, nullptr);
    const TRect client = f.window->GetClientRect();
    const double x = 0.5 * (b->left + b->right) / 1.4 / 1000.0 * client.right;
    const double y = 0.5 * (b->top + b->bottom) / 1000.0 * client.bottom;
    plat::test::click(f.window.get(), int(x), int(y));
    f.script.pumpUntilIdle();
}
