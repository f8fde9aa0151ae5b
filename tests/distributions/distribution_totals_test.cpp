// The total concentration of a distribution read back at any time and radius, as the non-ideal
// variant reads it: the loading at the start, the fitted model at the scans (the plateau diluted
// as exp(-2 w^2 s t)), linear in between, and nothing once the result is freed.
#include "distributions/conti_run.h"
#include "plat/testing.hpp"
#include "plat/window.hpp"
#include "scandata/scan_store_alloc.h"
#include "simulation/distribution_totals.h"
#include "state/conti_state.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/result_table.h"
#include "support/conti_data_store.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

TEST(DistributionTotals, LoadingAtTheStartModelAtTheScansLinearBetween) {
    ContiDataStore store;
    plat::test::Script script;
    TFrameWindow window{nullptr, "test"};
    window.Create();
    script.pumpUntilIdle();
    ChooseCsOver(0.0f, 15.0f, 76.0f);
    ContiState::ff0 = 1.25f;
    store.Fill({{5.0, 1.25, 0.5}});
    ASSERT_TRUE(RunContiSed(nullptr, SilentObserver()));
    ASSERT_TRUE(DistributionTotalsHeld());

    const int n = ScanStore::gridCount;
    std::vector<double> r(ScanStore::gridRadius, ScanStore::gridRadius + n + 1), at(n + 1);
    const double w2 = std::pow(store.c.rpm * M_PI / 30.0, 2);
    auto timeOf = [&](int k) { return ScanStore::header[k].time; };

    TotalConcentrationAt(0.0, r.data(), n, at.data());
    for (int i = 1; i <= n; i += 37)
        EXPECT_NEAR(at[i], 0.5, 0.01) << "loading at r = " << r[i];

    for (int k = 1; k <= store.c.scans; ++k) {
        TotalConcentrationAt(timeOf(k), r.data(), n, at.data());
        // no noise is fitted: the fitted model is the total concentration
        for (int i = 1; i <= n; ++i)
            ASSERT_NEAR(at[i], ScanStore::fit[k][i], 1e-5) << "scan " << k << ", r = " << r[i];
        const int plateau = static_cast<int>(0.8 * n);
        const double expected = 0.5 * std::exp(-2.0 * w2 * 5e-13 * timeOf(k));
        EXPECT_NEAR(at[plateau], expected, 0.01 * expected) << "plateau of scan " << k;
    }

    // half-way between the first two scans, and half-way from the start to the first scan
    std::vector<double> a(n + 1), b(n + 1);
    TotalConcentrationAt(timeOf(1), r.data(), n, a.data());
    TotalConcentrationAt(timeOf(2), r.data(), n, b.data());
    TotalConcentrationAt(0.5 * (timeOf(1) + timeOf(2)), r.data(), n, at.data());
    for (int i = 1; i <= n; i += 11)
        EXPECT_NEAR(at[i], 0.5 * (a[i] + b[i]), 1e-9) << i;
    TotalConcentrationAt(0.5 * timeOf(1), r.data(), n, at.data());
    TotalConcentrationAt(0.0, r.data(), n, b.data());
    for (int i = 1; i <= n; i += 11)
        EXPECT_NEAR(at[i], 0.5 * (a[i] + b[i]), 1e-9) << i;

    // the simulation grid's nodes, finer than the data and reaching beyond it at both ends
    std::vector<double> nodes(402);
    for (int i = 1; i <= 401; ++i)
        nodes[i] = 5.9 + 1.4 * (i - 1) / 400.0;
    double* savedRadius = LammGrid::radius;
    const int savedSize = LammGrid::allocatedGridSize;
    LammGrid::radius = nodes.data();
    LammGrid::allocatedGridSize = 401;
    WriteTotalConcentrationScans(timeOf(3));
    std::vector<double> expected(402);
    TotalConcentrationAt(timeOf(3), nodes.data(), 401, expected.data());
    ASSERT_NE(ContiState::totalConcentration, nullptr);
    for (int i = 1; i <= 401; ++i)
        EXPECT_EQ(ContiState::totalConcentration[i], expected[i]) << i;
    EXPECT_NEAR(expected[1], ScanStore::fit[3][1], 1e-6) << "before the first radius: its value";
    EXPECT_NEAR(expected[401], ScanStore::fit[3][n], 1e-5) << "beyond the last radius: its value";

    FreeResultTable();
    EXPECT_FALSE(DistributionTotalsHeld());
    WriteTotalConcentrationScans(timeOf(3));
    for (int i = 1; i <= 401; ++i)
        ASSERT_EQ(ContiState::totalConcentration[i], 0.0) << "nothing held: zeros";
    LammGrid::radius = savedRadius;
    LammGrid::allocatedGridSize = savedSize;
}
