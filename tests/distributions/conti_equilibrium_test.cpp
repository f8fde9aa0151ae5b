// c(M) on sedimentation equilibrium data: the kernel is the equilibrium exponential of each grid
// point at every scan's speed, so one species of known molar mass comes back as one peak of its
// loading, and a scan without a rotor speed is refused with its message.
#include "distributions/conti_run.h"
#include "distributions/integrate_distribution.h"
#include "foundations/error_box_log.h"
#include "plat/testing.hpp"
#include "plat/window.hpp"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/result_table.h"
#include "support/conti_data_store.h"
#include "support/distribution_maximum.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

TEST(ContiEquilibrium, OneSpeciesGivesOnePeakOfItsLoading) {
    const ContiStoreCase cs = EquilibriumColumnCase();
    ContiDataStore store(cs);
    plat::test::Script script;
    TFrameWindow window{nullptr, "test"};
    window.Create();
    script.pumpUntilIdle();
    ScanStore::equilibriumData = true;
    ModelChoice::nonInteractingSpecies = false;
    ModelChoice::contiMode = true;
    ContiState::rangeMin = 10000.0f;
    ContiState::rangeMax = 200000.0f;
    ContiState::resolution = 39.0f;
    ContiState::confidenceLevel = 0.68f;
    // 66 kDa at three speeds, the signal the exponential of each speed
    const double M = 66000.0, loading = 0.5;
    const double buoyancy = 1.0 - double(ScanStore::vbar) * ScanStore::density;
    ASSERT_TRUE(FillEquilibriumSpecies(store, M * buoyancy, loading));
    ASSERT_TRUE(RunContiSed(nullptr, SilentObserver())) << script.logText();
    EXPECT_NEAR(DistributionMaximumAbscissa(), M, 0.03 * M) << "the c(M) curve is drawn over M";
    float area = 0, mw = 0, total = 0, sd = 0;
    IntegrateDistribution(ContiState::sValues[1], ContiState::sValues[ContiState::gridPoints],
                          &area, &mw, &total, &sd);
    EXPECT_NEAR(area, loading, 0.02 * loading);
    EXPECT_NEAR(mw, M, 0.03 * M);
    double ss = 0.0;
    for (int k = 1; k <= cs.scans; ++k)
        for (int i = 1; i <= cs.points; ++i)
            ss += std::pow(store.residuals[k][i], 2);
    EXPECT_LT(std::sqrt(ss / (cs.scans * cs.points)), 1e-3);

    // the molar-mass smoothing of the M* analysis switches c(M) on with the second derivative
    // at 1.01, a chi-square 1% above the best one: Run takes it (it used to refuse it)
    ContiState::maxEntRegularization = false;
    ContiState::secondDerivativeRegularization = true;
    ContiState::confidenceLevel = 1.01f;
    ASSERT_TRUE(RunContiSed(nullptr, SilentObserver())) << script.logText();
    EXPECT_NEAR(DistributionMaximumAbscissa(), M, 0.03 * M) << "smoothed at 1.01";

    // a scan without speed is refused before anything is computed; the distribution stays
    const std::vector<float> previous(ContiState::distribution + 1,
                                      ContiState::distribution + ContiState::gridPoints + 1);
    store.headers[2].rotorSpeed = 0.0f;
    script.expectBox().textHas("was recorded at 0 rpm").answer(IDOK);
    EXPECT_FALSE(RunContiSed(nullptr, SilentObserver()));
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_EQ(std::vector<float>(ContiState::distribution + 1,
                                 ContiState::distribution + ContiState::gridPoints + 1),
              previous);
    TakeErrorBoxes();
    FreeResultTable();
}
