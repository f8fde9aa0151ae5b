// Rapid self-association run to sedimentation equilibrium on both concentration-dependent
// solvers: the total is the closed-form sum of its oligomers, each the monomer's exponential
// raised to its size, and its local weight average follows from that sum.
#include "scandata/scan_store_alloc.h"
#include "simulation/concentration_coefficients.h"
#include "simulation/module_solvers.h"
#include "simulation/moving_frame_solver.h"
#include "simulation/nonlinear_solver.h"
#include "simulation/scan_output.h"
#include "state/lamm_grid.h"
#include "support/module_solver_harness.h"
#include "support/reset_all_state.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

class RapidAssociationEquilibrium : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
    void TearDown() override { ResetAllState(); }
};

// One oligomer of the scheme: its size in monomers and its constant (c_n = K m^n).
struct Oligomer {
    int n;
    double K;
};

// The total of a scheme at monomer concentration m.
double Total(const std::vector<Oligomer>& scheme, double m) {
    double c = m;
    for (const Oligomer& o : scheme)
        c += o.K * std::pow(m, o.n);
    return c;
}

// The weight-average size at monomer concentration m: sum n c_n / sum c_n.
double WeightAverageSize(const std::vector<Oligomer>& scheme, double m) {
    double w = m;
    for (const Oligomer& o : scheme)
        w += o.n * o.K * std::pow(m, o.n);
    return w / Total(scheme, m);
}

// The closed form of the column at equilibrium: the monomer is a exp(sigma (r^2 - m^2)), and a
// holds the loaded amount, integral of c r dr = c0 (b^2 - m^2) / 2 (Simpson's rule in r^2).
struct ClosedForm {
    std::vector<Oligomer> scheme;
    double sigma, meniscus, a = 0.0;

    double Monomer(double r) const { return a * std::exp(sigma * (r * r - meniscus * meniscus)); }
    double At(double r) const { return Total(scheme, Monomer(r)); }

    void HoldAmount(double bottom, double c0) {
        const double u0 = meniscus * meniscus, u1 = bottom * bottom;
        const int n = 4000;
        auto amount = [&](double la) {
            a = std::exp(la);
            double sum = 0.0;
            for (int k = 0; k <= n; ++k) {
                const double u = u0 + (u1 - u0) * k / n;
                const double w = k == 0 || k == n ? 1.0 : k % 2 ? 4.0 : 2.0;
                sum += w * At(std::sqrt(u));
            }
            return sum * (u1 - u0) / (3.0 * n) / 2.0;
        };
        const double want = c0 * (u1 - u0) / 2.0;
        double lo = std::log(1e-8), hi = std::log(c0);
        for (int i = 0; i < 200; ++i) {
            const double mid = 0.5 * (lo + hi);
            (amount(mid) < want ? lo : hi) = mid;
        }
        a = std::exp(0.5 * (lo + hi));
    }
};

} // namespace

// Monomer 3 S, 6e-7 cm^2/s; every oligomer of n monomers has n times the monomer's buoyant mass
// (s_n / D_n = n s_1 / D_1), so each follows the monomer's exponential to the power n. A 3 mm
// column at 20,000 rpm holds a 100-fold range of monomer, so the dimer, trimer or tetramer
// dominate toward the bottom. The scans taken after the column came to rest carry the same
// profile (measured: within 1.3e-4 of the closed form everywhere), and the amount is kept
// through the whole approach.
TEST_F(RapidAssociationEquilibrium, TotalIsTheClosedFormOfItsOligomers) {
    struct Case {
        const char* name;
        CoefficientLaw law;
        bool movingFrame;
        std::vector<Oligomer> scheme;
    };
    const std::vector<Oligomer> dimer = {{2, 5.0}}, trimer = {{3, 2.0}};
    const std::vector<Oligomer> dimerTetramer = {{2, 2.0}, {4, 0.3}};
    const std::vector<Oligomer> tetramerOctamer = {{4, 0.5}, {8, 0.002}};
    const Case cases[] = {
        {"monomer-dimer, fixed grid", CoefficientLaw::MonomerDimer, false, dimer},
        {"monomer-dimer, moving frame", CoefficientLaw::MonomerDimer, true, dimer},
        {"monomer-trimer, fixed grid", CoefficientLaw::MonomerTrimer, false, trimer},
        {"monomer-trimer, moving frame", CoefficientLaw::MonomerTrimer, true, trimer},
        {"monomer, dimer, tetramer", CoefficientLaw::OligomerB, false, dimerTetramer},
        {"monomer, tetramer, octamer", CoefficientLaw::OligomerA, false, tetramerOctamer},
    };
    const double s1 = 3.0, D1 = 6e-7;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetAllState();
        ModuleCase mc = ShortColumnCase(s1, D1, 20000, 10, 2e5);
        mc.gridSize = 400;
        mc.road = c.movingFrame ? SolverRoad::MovingHat : SolverRoad::FixedGrid;
        PrepareModuleCase(mc);
        CConcentrationLaw law;
        law.law = c.law;
        law.s1 = s1, law.D1 = D1;
        // the first oligomer in slot 2, the second in slot 3, each with D = D1 / n^(1/3)
        // and s from its buoyant mass
        auto fill = [&](const Oligomer& o, double& s, double& D) {
            D = D1 / std::cbrt(double(o.n));
            s = o.n * s1 / D1 * D;
        };
        fill(c.scheme[0], law.s2, law.D2);
        law.K = c.scheme[0].K;
        if (c.scheme.size() > 1) {
            fill(c.scheme[1], law.s3, law.D3);
            law.K3 = c.scheme[1].K;
        }
        CLammControl control = LammControlOfRecord();
        control.trackAmount = true;
        CScanOutput scans;
        CGridClock clock = ModuleCaseClock(mc);
        const LammResult result =
            c.movingFrame
                ? SolveMovingFrameNonlinear(LammProblemOfRecord(), law, control, clock, scans)
                : SolveLammNonlinear(LammProblemOfRecord(), law, control, clock, scans);
        ASSERT_EQ(result, LammResult::Solved);
        const double m = mc.meniscus, b = mc.bottom;
        const double loaded = 1.2 * 0.0349065850398866 * mc.c0 * (b * b - m * m) / 2.0;
        EXPECT_NEAR(LammGrid::totalAmount / loaded, 1.0, 1e-10) << "amount (1e-10)";

        const double w2 = std::pow(mc.rpm * M_PI / 30.0, 2);
        ClosedForm form{c.scheme, s1 * 1e-13 * w2 / (2.0 * D1), m};
        form.HoldAmount(b, mc.c0);
        ASSERT_GT(form.At(b) / form.At(m), 100.0) << "a steep column";
        const int last = mc.scans;
        double worst = 0.0;
        for (double r = 6.91; r <= 7.19; r += 0.005)
            worst = std::max(worst, std::fabs(StoreFitAt(last, r) / form.At(r) - 1.0));
        EXPECT_LT(worst, 2e-3) << "largest relative difference from the closed form";
        // the local weight average, d ln c / d r^2 over the monomer's sigma, both sides from the
        // same central differences
        for (double r : {6.95, 7.05, 7.15}) {
            const double h = 0.01;
            auto slope = [&](auto&& c) {
                return std::log(c(r + h) / c(r - h)) / ((r + h) * (r + h) - (r - h) * (r - h));
            };
            const double found = slope([&](double x) { return StoreFitAt(last, x); });
            const double closed = slope([&](double x) { return form.At(x); });
            EXPECT_NEAR(found / form.sigma, closed / form.sigma, 0.01 * closed / form.sigma)
                << "weight-average size at " << r << " (the form's own "
                << WeightAverageSize(c.scheme, form.Monomer(r)) << ")";
        }
        // the fixed grid stops once the column rests and writes that profile into the scans it
        // did not reach (the last one is the one compared above); the moving frame runs on
        if (!c.movingFrame) {
            EXPECT_LT(clock.time, mc.firstScanS + (last - 2) * mc.intervalS);
        }
        for (double r : {6.92, 7.05, 7.18})
            EXPECT_NEAR(StoreFitAt(last - 1, r) / StoreFitAt(last, r), 1.0, 1e-4)
                << "the scan before the last at " << r;
    }
}
