// The pile-up at the bottom of the cells of other cross-sections: with the automatic grid sizing
// on, a fast species piling up at the bottom of a rectangular or external-loading cell stays
// non-negative, and a small shift of the meniscus changes the profile only a little.
#include "plat/testing.hpp"
#include "scandata/scan_store_alloc.h"
#include "simulation/simulation_switches.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/reset_all_state.h"
#include "support/velocity_store.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using M = ModelParameters;
using S = ScanStore;
using C = ModelChoice;

// The fits of 8 scans of 151 points over 6.0-7.2 cm at 50,000 rpm of one 7 S species
// (D 4.2e-7 cm^2/s, loading 1) in the chosen cell with the meniscus at m.
std::vector<std::vector<float>> SolveAtMeniscus(bool linear, float m) {
    ResetAllState();
    VelocitySet set;
    set.species = {};
    set.scans = 8;
    set.points = 151;
    FillVelocityStore(set);
    M::speciesOn[1] = 1;
    M::speciesS[1] = 7.0f;
    M::speciesDOrM[1] = 4.2f;
    M::concentration[1] = 1.0f;
    M::meniscus = m;
    M::autoGridSize = true;
    PackFitParameters();
    C::lammModel = true;
    C::linearLamm = linear;
    C::externalLoadingCell = !linear;
    plat::test::Script script;
    EXPECT_TRUE(RunDiscreteSed(nullptr));
    std::vector<std::vector<float>> fits;
    for (int k = 1; k <= S::scanCount; ++k)
        fits.emplace_back(S::fit[k] + 1, S::fit[k] + 1 + S::pointCount[k]);
    return fits;
}

class SpecialCellPileUp : public ::testing::Test {
  protected:
    void TearDown() override { ResetAllState(); }
};

} // namespace

TEST_F(SpecialCellPileUp, StaysNonNegativeAndFollowsTheMeniscusSmoothly) {
    for (bool linear : {true, false}) {
        SCOPED_TRACE(linear ? "rectangular cell" : "external loading cell");
        const auto a = SolveAtMeniscus(linear, 6.002f);
        const auto b = SolveAtMeniscus(linear, 6.003f);
        ASSERT_EQ(a.size(), b.size());
        double lowest = 0.0, largestShift = 0.0;
        for (std::size_t k = 0; k < a.size(); ++k)
            for (std::size_t i = 0; i < a[k].size(); ++i) {
                lowest = std::min({lowest, double(a[k][i]), double(b[k][i])});
                // below the fit range's right end (7.15 cm), where the data are fitted
                if (i + 10 < a[k].size())
                    largestShift = std::max(largestShift, std::fabs(double(a[k][i]) - b[k][i]));
            }
        EXPECT_GT(lowest, -1e-3);
        // a 10 micron shift moves a boundary of slope about 1/0.05 cm by about 0.02
        EXPECT_LT(largestShift, 0.05);
    }
}
