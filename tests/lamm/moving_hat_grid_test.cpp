// The moving-hat grid's end entries: their time derivatives, and the zero column sums of the
// conservative step operator that make one step keep the amount in the sector exactly.
#include "lamm/lamm_ideal.h"
#include "lamm/lamm_moving_hat_ends.h"
#include "support/reset_all_state.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

struct GridCase {
    const char* name;
    double s;      // S; negative: flotation, the 1.5-step interval at the meniscus
    double phase;  // tau / T inside the grid period
    bool combined; // automatic s_grid: transport as s omega^2 (F - S)
};

const GridCase kGridCases[] = {
    {"Sedimenting_PeriodStart", 4.5, 0.0, true},
    {"Sedimenting_MidPeriod", 4.5, 0.37, true},
    {"Sedimenting_FrameApart", 4.5, 0.81, false},
    {"Floating_MidPeriod", -3.0, 0.52, true},
};

// A moving-hat object with its arrays and matrices assembled at 50,000 rpm on 6.0-7.2 cm.
void Assemble(CLammIdeal& o, const GridCase& gc) {
    o.meniscus = 6.0, o.bottom = 7.2;
    o.s = gc.s, o.D = 6e-7;
    o.N = 40;
    o.movingHatAlgorithm = true, o.claverieAlgorithm = false;
    o.sGridValue = gc.s;
    o.automaticSGrid = gc.combined;
    o.sGrid = gc.combined ? gc.s : 0.8 * gc.s;
    o.currentRotorSpeed = 50000.0;
    ASSERT_TRUE(o.AllocateArrays());
    o.AssembleMatrices();
}

class MovingHatGrid : public ::testing::TestWithParam<GridCase> {
  protected:
    void SetUp() override { ResetAllState(); }
};

TEST_P(MovingHatGrid, EndMassRatesAreTimeDerivatives) {
    const GridCase& gc = GetParam();
    CLammIdeal o;
    Assemble(o, gc);
    const double tau = gc.phase * o.period, h = 1e-3 * o.period;
    o.SetGridEnds(tau);
    double rates[8];
    o.EndMassRates(rates);
    o.EndElementsAt(tau + h);
    double ahead[8];
    std::copy(o.endM, o.endM + 8, ahead);
    o.EndElementsAt(tau - h);
    for (int p = 0; p < 8; ++p) {
        const double quotient = (ahead[p] - o.endM[p]) / (2.0 * h);
        EXPECT_NEAR(rates[p], quotient, 1e-6 * std::fabs(quotient) + 1e-18)
            << gc.name << " position " << p << " (relative 1e-6)";
    }
}

// Every column of A + 2 k M + dM/dt sums to zero: the frame's dilution and the end nodes' motion
// balance the change of the node volumes, so sum_i (M E^2 c)_i cannot change in a step.
TEST_P(MovingHatGrid, ConservativeOperatorColumnsSumToZero) {
    const GridCase& gc = GetParam();
    CLammIdeal o;
    Assemble(o, gc);
    const double tau = gc.phase * o.period;
    o.SetGridEnds(tau);
    o.EndElementsNow();
    double rates[8];
    o.EndMassRates(rates);
    const int n = o.N;
    const double k = o.frameRate, d = o.D / (o.gridE2);
    std::vector<double> rate(3 * (n + 2), 0.0); // dM/dt by (row, diagonal)
    for (int p = 0; p < 8; ++p) {
        const EndPosition e = EndPositionOf(p, n);
        rate[3 * e.row + 1 + e.diagonal] = rates[p];
    }
    auto entry = [&](int i, int diag) {
        const double m = diag < 0 ? o.Ma[i] : diag > 0 ? o.Mc[i] : o.Mb[i];
        const double kk = diag < 0 ? o.Ka[i] : diag > 0 ? o.Kc[i] : o.Kb[i];
        const double tr = diag < 0 ? o.Ta[i] : diag > 0 ? o.Tc[i] : o.Tb[i];
        return -d * kk - tr + 2.0 * k * m + rate[3 * i + 1 + diag];
    };
    double worst = 0.0, scale = 0.0;
    for (int j = 1; j <= n; ++j) {
        double sum = entry(j, 0);
        if (j > 1)
            sum += entry(j - 1, +1);
        if (j < n)
            sum += entry(j + 1, -1);
        worst = std::max(worst, std::fabs(sum));
        scale = std::max(scale, std::fabs(k * o.NodeVolume(j)));
    }
    EXPECT_LT(worst, 1e-9 * scale) << gc.name << " largest column sum against k x node volume";
}

INSTANTIATE_TEST_SUITE_P(Cases, MovingHatGrid, ::testing::ValuesIn(kGridCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The end of the period is one radius for every user: a phase within 1e-10 s of it is the period.
TEST(MovingHatGrid, PhaseSnapsToThePeriodEnd) {
    const double period = 18.496156;
    EXPECT_EQ(PeriodPhase(period - 8e-15, period), period);
    EXPECT_EQ(PeriodPhase(period + 3e-11, period), period);
    EXPECT_EQ(PeriodPhase(period - 1e-6, period), period - 1e-6);
    EXPECT_EQ(PeriodPhase(0.0, period), 0.0);
}

} // namespace
