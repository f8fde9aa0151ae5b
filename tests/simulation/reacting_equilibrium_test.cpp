// The reacting system A + B <-> AB against known truth: without binding it is its two species
// sedimenting apart; at sedimentation equilibrium each free species is the exponential of its
// own buoyant mass, the complex K A B, both totals held, and the signal the species weighted
// with their increments.
#include "scandata/scan_store_alloc.h"
#include "simulation/module_solvers.h"
#include "simulation/reacting_system.h"
#include "simulation/scan_output.h"
#include "state/lamm_grid.h"
#include "support/module_solver_harness.h"
#include "support/reset_all_state.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <tuple>
#include <vector>

namespace {

class ReactingKnownTruth : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
    void TearDown() override { ResetAllState(); }
};

// The column at rest: A = a exp(sigmaA (r^2 - m^2)), B likewise, the complex K A B; a and b hold
// both totals, integral of (X + K A B) r dr = x0 (b^2 - m^2) / 2 (Simpson's rule in r^2).
struct ClosedForm {
    double K, sigmaA, sigmaB, meniscus, bottom;
    double a = 0.0, b = 0.0;

    double A(double r) const { return a * std::exp(sigmaA * (r * r - meniscus * meniscus)); }
    double B(double r) const { return b * std::exp(sigmaB * (r * r - meniscus * meniscus)); }

    // integrals of A, B and K A B times r dr over the column
    void Integrals(double& iA, double& iB, double& iC) const {
        const double u0 = meniscus * meniscus, u1 = bottom * bottom;
        const int n = 1000;
        iA = iB = iC = 0.0;
        for (int k = 0; k <= n; ++k) {
            const double r = std::sqrt(u0 + (u1 - u0) * k / n);
            const double w = (k == 0 || k == n ? 1.0 : k % 2 ? 4.0 : 2.0) * (u1 - u0) / (6.0 * n);
            iA += w * A(r), iB += w * B(r), iC += w * K * A(r) * B(r);
        }
    }

    // For each a the b that holds total B, then the a that holds total A (total A rises with a
    // along that line, since the complex it gains is the free B it takes).
    void HoldTotals(double a0, double b0) {
        const double cell = (bottom * bottom - meniscus * meniscus) / 2.0;
        auto bisect = [](double lo, double hi, auto&& tooLow) {
            for (int i = 0; i < 60; ++i) {
                const double mid = 0.5 * (lo + hi);
                (tooLow(mid) ? lo : hi) = mid;
            }
            return 0.5 * (lo + hi);
        };
        auto holdB = [&] {
            b = bisect(0.0, b0, [&](double x) {
                b = x;
                double iA, iB, iC;
                Integrals(iA, iB, iC);
                return iB + iC < b0 * cell;
            });
        };
        a = bisect(0.0, a0, [&](double x) {
            a = x;
            holdB();
            double iA, iB, iC;
            Integrals(iA, iB, iC);
            return iA + iC < a0 * cell;
        });
        holdB();
    }
};

} // namespace

// A short column run far past equilibrium, a complex as buoyant as its parts (s_AB / D_AB =
// s_A / D_A + s_B / D_B), B seen at half A's increment: the last scan, written from the profile
// at which the run stopped at equilibrium, is eA A + eB B + (eA + eB) K A B of the closed form at
// every radius (measured within 2.3e-5), so the constant of the loading holds across the 190-fold
// range of the complex, for weak and strong binding alike.
TEST_F(ReactingKnownTruth, SignalAtEquilibriumIsTheClosedFormWithTheConstantHeld) {
    for (double K : {0.2, 2.0, 20.0}) {
        SCOPED_TRACE(K);
        ResetAllState();
        ModuleCase mc = ShortColumnCase(4.0, 7e-7, 12000.0, 6, 2e5);
        PrepareModuleCase(mc);
        CReaction rx;
        rx.K = K, rx.a0 = 0.6, rx.b0 = 0.4;
        rx.eA = 1.0, rx.eB = 0.5;
        rx.sA = 4.0, rx.dA = 7e-7;
        rx.sB = 6.0, rx.dB = 6e-7;
        rx.dAB = 4.5e-7;
        rx.sAB = rx.dAB * (rx.sA / rx.dA + rx.sB / rx.dB);
        CLammControl control = LammControlOfRecord();
        control.maxDcOverC = 50.0;
        CScanOutput scans;
        CGridClock clock = ModuleCaseClock(mc);
        ASSERT_EQ(RunReactingLamm(LammProblemOfRecord(), rx, control, clock, scans),
                  LammResult::Solved);
        EXPECT_TRUE(LammGrid::equilibriumReached);

        const double w2 = std::pow(mc.rpm * M_PI / 30.0, 2) * 1e-13;
        ClosedForm form{K, rx.sA * w2 / (2.0 * rx.dA), rx.sB * w2 / (2.0 * rx.dB), mc.meniscus,
                        mc.bottom};
        form.HoldTotals(rx.a0, rx.b0);
        auto signal = [&](double r) {
            const double A = form.A(r), B = form.B(r);
            return rx.eA * A + rx.eB * B + (rx.eA + rx.eB) * K * A * B;
        };
        double worst = 0.0;
        for (double r = 6.91; r <= 7.19; r += 0.005)
            worst = std::max(worst, std::fabs(StoreFitAt(mc.scans, r) / signal(r) - 1.0));
        EXPECT_LT(worst, 1e-3) << "largest relative difference from the closed form";
    }
}

// With K -> 0 nothing binds: the signal is eA times ideal A plus eB times ideal B, each run alone
// by the ideal fixed-grid solver, within 3e-3 of the loading over the fitted radii (measured
// 7e-4 by the fourth scan).
TEST_F(ReactingKnownTruth, WithoutBindingItIsTwoIdealSpecies) {
    ModuleCase mc;
    mc.gridSize = 400, mc.scans = 4, mc.firstScanS = mc.intervalS = 600.0;
    mc.outputPoints = 801;
    CReaction rx;
    rx.K = 1e-9, rx.a0 = 0.6, rx.b0 = 0.4;
    rx.eA = 1.0, rx.eB = 0.5;
    rx.sA = 4.0, rx.dA = 7e-7;
    rx.sB = 6.0, rx.dB = 6e-7;
    rx.sAB = 9.0, rx.dAB = 4.5e-7;
    std::vector<std::vector<double>> ideal(std::size_t(mc.scans) + 1);
    const double step = 0.002, lo = 6.05, hi = 7.15;
    for (const auto& [s, D, c0, e] :
         {std::tuple{rx.sA, rx.dA, rx.a0, rx.eA}, std::tuple{rx.sB, rx.dB, rx.b0, rx.eB}}) {
        ModuleCase species = mc;
        species.s = s, species.D = D, species.c0 = c0;
        ModuleRun run(species);
        run.Run();
        ASSERT_EQ(run.result, LammResult::Solved);
        for (int scan = 1; scan <= mc.scans; ++scan) {
            std::vector<double>& sum = ideal[std::size_t(scan)];
            sum.resize(std::size_t((hi - lo) / step) + 1, 0.0);
            for (std::size_t k = 0; k < sum.size(); ++k)
                sum[k] += e * run.ValueAt(scan, lo + double(k) * step);
        }
        ResetAllState();
    }
    PrepareModuleCase(mc);
    CLammControl control = LammControlOfRecord();
    control.maxDcOverC = 5.0; // steps of at most 5 s
    CScanOutput scans;
    CGridClock clock = ModuleCaseClock(mc);
    ASSERT_EQ(RunReactingLamm(LammProblemOfRecord(), rx, control, clock, scans),
              LammResult::Solved);
    for (int scan = 1; scan <= mc.scans; ++scan) {
        double worst = 0.0;
        const std::vector<double>& sum = ideal[std::size_t(scan)];
        for (std::size_t k = 0; k < sum.size(); ++k)
            worst = std::max(worst, std::fabs(StoreFitAt(scan, lo + double(k) * step) - sum[k]));
        EXPECT_LT(worst, 3e-3) << "scan " << scan << " (3e-3 of the loading)";
    }
}
