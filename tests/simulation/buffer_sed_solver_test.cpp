// The buffer sedimentation of one sector against physics (amount kept, plateau dilution, the
// equilibrium exponential, scans after the equilibrium stop), and both sectors together: the
// sign and size of the signal each side adds to the scans.
#include "plat/msgbox.hpp"
#include "plat/testing.hpp"
#include "scandata/scan_header.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/buffer_sed_solver.h"
#include "simulation/buffer_sedimentation_model.h"
#include "state/buffer_sedimentation.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/reset_all_state.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <vector>

namespace {

constexpr double kRpm = 50000.0;
const double kOmega2 = std::pow(kRpm * 2.0 * std::numbers::pi / 60.0, 2);

BufferSideProblem Side(double sS, double dCm2s, std::vector<double> times) {
    BufferSideProblem p;
    p.meniscus = 6.2;
    p.bottom = 7.2;
    p.loading = 3.0;
    p.s = sS;
    p.d = dCm2s;
    p.rpm = kRpm;
    p.scanTimes = std::move(times);
    return p;
}

// The exact integral of c r dr for the piecewise linear profile.
double Amount(const std::vector<double>& r, const std::vector<double>& c) {
    double sum = 0.0;
    for (std::size_t i = 0; i + 1 < r.size(); ++i) {
        const double h = r[i + 1] - r[i];
        sum += h / 6.0 * (c[i] * (2 * r[i] + r[i + 1]) + c[i + 1] * (r[i] + 2 * r[i + 1]));
    }
    return sum;
}

double At(const std::vector<double>& r, const std::vector<double>& c, double x) {
    for (std::size_t i = 1; i < r.size(); ++i)
        if (x <= r[i])
            return c[i - 1] + (x - r[i - 1]) / (r[i] - r[i - 1]) * (c[i] - c[i - 1]);
    return c.back();
}

// The amount in the cell stays what was loaded, and in the plateau the signal falls by radial
// dilution exp(-2 s w^2 t), for a sedimenting and a floating buffer component.
TEST(BufferSedSolver, KeepsTheAmountAndDilutesThePlateau) {
    struct Case {
        const char* name;
        double s, d, plateauRadius;
    };
    for (const Case& c : {Case{"sedimenting", 2.0, 5e-7, 6.8}, Case{"floating", -2.0, 5e-7, 6.6}}) {
        const BufferSideProblem p = Side(c.s, c.d, {600, 1200, 2400, 3600});
        const BufferSideResult out = SimulateBufferSide(p);
        ASSERT_FALSE(out.singular || out.retryFailure) << c.name;
        const double loaded = Amount(out.r, std::vector<double>(out.r.size(), p.loading));
        for (std::size_t k = 0; k < p.scanTimes.size(); ++k) {
            ASSERT_EQ(out.profiles[k].size(), out.r.size()) << c.name << " scan " << k;
            EXPECT_NEAR(Amount(out.r, out.profiles[k]) / loaded, 1.0, 1e-10) << c.name << k;
            const double dilution = std::exp(-2.0 * c.s * 1e-13 * kOmega2 * p.scanTimes[k]);
            EXPECT_NEAR(At(out.r, out.profiles[k], c.plateauRadius) / (p.loading * dilution), 1.0,
                        1e-3)
                << c.name << " at " << p.scanTimes[k] << " s";
        }
    }
}

// Run long enough, the buffer reaches sedimentation equilibrium, ln c linear in r^2 with slope
// s w^2 / 2D. The side stops once the profile changes by less than 1e-6 per second, about 1% short
// of the exponential for this cell; scans after that still get the final profile (they once got
// nothing and lost the buffer's signal).
TEST(BufferSedSolver, ReachesTheEquilibriumExponentialAndFillsTheLaterScans) {
    const double s = 0.21, d = 86e-7;
    const BufferSideProblem p = Side(s, d, {3600, 5e4, 2e5, 4e5, 8e5});
    const BufferSideResult out = SimulateBufferSide(p);
    EXPECT_TRUE(out.equilibrium);
    const std::vector<double>& last = out.profiles.back();
    ASSERT_EQ(last.size(), out.r.size());
    EXPECT_EQ(out.profiles[3], last);
    const double slope = s * 1e-13 * kOmega2 / (2.0 * d);
    const double r1 = 6.3, r2 = 7.1;
    const double found = std::log(At(out.r, last, r2) / At(out.r, last, r1)) / (r2 * r2 - r1 * r1);
    EXPECT_NEAR(found / slope, 1.0, 0.03) << "slope " << found << " for " << slope;
}

// Both sectors through the records. At a radius in both plateaus the sample's excess and the
// reference's cancel when the same buffer fills both; between the two menisci only the
// reference contributes, with the sign opposite to the sample's. An entered signal of -5 puts the
// excess on the reference side: the sample's plateau then reads -5 diluted.
TEST(BufferSedSolver, SignalOfEachSectorHasItsSignAndSize) {
    struct Case {
        const char* name;
        double sign;
        bool mismatch;
        double relative;
        double plateau; // expected at 6.8 cm over the diluted signal
        double gap;     // expected at 6.1 cm over the diluted signal
    };
    const Case cases[] = {
        {"sample excess, one meniscus", 1.0, false, 1.0, 1.0, 0.0},
        {"reference excess, one meniscus", -1.0, false, 1.0, -1.0, 0.0},
        {"sample excess, menisci apart", 1.0, true, 1.0, 0.0, -1.0},
        {"reference excess, menisci apart, half", -1.0, true, 2.0, -0.5, 0.5},
    };
    for (const Case& c : cases) {
        ResetAllState();
        ModelChoice::equilibriumMs = false;
        ModelParameters::meniscus = 6.2f;
        ModelParameters::bottom = 7.2f;
        AllocateScanTables(1);
        ScanStore::scanCount = 1;
        ScanStore::header[1].rotorSpeed = float(kRpm);
        ScanStore::header[1].time = ScanStore::header[1].originalTime = 1200.0;
        ScanStore::rampRotorSpeed = false;
        using B = BufferSedimentation;
        B::signal = 5.0;
        B::signalSign = c.sign;
        B::sampleS = 1.0;
        B::sampleD = 1.0; // 1e-7 cm^2/s: the plateaus stay flat for the scan
        B::meniscusMismatch = c.mismatch;
        B::meniscusDifference = 0.2;
        B::relativeConcentration = c.relative;
        const BufferSignal signal = ComputeBufferSignal(B::signal);
        ASSERT_FALSE(signal.singular) << c.name;
        const float x[3] = {0.0f, 6.1f, 6.8f};
        float y[3] = {0.0f, 0.0f, 0.0f};
        AddBufferSignal(signal, 1, x, 2, y);
        const double diluted = 5.0 * std::exp(-2.0 * 1e-13 * kOmega2 * 1200.0);
        EXPECT_NEAR(y[2] / diluted, c.plateau, 2e-3) << c.name;
        EXPECT_NEAR(y[1] / diluted, c.gap, 2e-3) << c.name;
        FreeAllData();
    }
}

// The signal at each radius is the side's profile interpolated there, whatever the order of the
// radii: ascending (each search starts where the last ended), descending, repeated, on the nodes
// and outside the cell (no signal).
TEST(BufferSedSolver, SignalIsTheProfileAtEachRadiusInAnyOrder) {
    BufferSignal signal;
    BufferSideResult& side = signal.side[0];
    for (int i = 0; i < 11; ++i)
        side.r.push_back(6.2 + 0.1 * i);
    side.profiles.push_back({});
    for (int i = 0; i < 11; ++i)
        side.profiles[0].push_back(1.0 + i * i);
    const std::vector<std::vector<float>> orders = {
        {6.21f, 6.35f, 6.5f, 6.77f, 7.19f, 7.2f},
        {7.2f, 7.19f, 6.77f, 6.5f, 6.35f, 6.21f},
        {6.77f, 6.25f, 6.25f, 6.9f, 6.3f, 7.05f},
        {6.1f, 6.2f, 6.6f, 7.25f, 6.45f, 6.15f},
    };
    for (const std::vector<float>& order : orders) {
        std::vector<float> x(1, 0.0f), y(order.size() + 1, 0.5f);
        x.insert(x.end(), order.begin(), order.end());
        AddBufferSignal(signal, 1, x.data(), int(order.size()), y.data(), 2.0);
        for (std::size_t p = 1; p < x.size(); ++p) {
            const bool inside = double(x[p]) >= side.r.front() && double(x[p]) <= side.r.back();
            const double want =
                inside ? 0.5 + 2.0 * At(side.r, side.profiles[0], double(x[p])) : 0.5;
            EXPECT_NEAR(y[p], want, 1e-5 * want) << "radius " << x[p] << ", point " << p;
        }
    }
}

// The evaluations go on only with both sides solved: a singular side is said once in a box, a
// key press ends them quietly.
TEST(BufferSedSolver, OnlyASolvedSignalGoesOnAndASingularOneIsSaid) {
    plat::test::Script script;
    EXPECT_TRUE(BufferSignalSolved(nullptr, BufferSignal{}));
    BufferSignal interrupted;
    interrupted.interrupted = true;
    EXPECT_FALSE(BufferSignalSolved(nullptr, interrupted));
    BufferSignal singular;
    singular.singular = singular.interrupted = true;
    script.expectBox()
        .caption("ERROR in simulation")
        .text("singular tridiagonal matrix in buffer sedimentation!")
        .answer(IDOK);
    EXPECT_FALSE(BufferSignalSolved(nullptr, singular));
    EXPECT_TRUE(script.done()) << script.logText();

    // A real zero pivot: a floating component without diffusion whose left matrix loses its
    // first pivot exactly at the first step of 1 s. The pivot is said, and no scan is reached.
    script.expectBox().caption("Error").text("Error 1 in tridag").answer(IDOK);
    const BufferSideResult side = SimulateBufferSide(Side(-394.04885273476526, 0.0, {100.0}));
    EXPECT_TRUE(side.singular);
    ASSERT_EQ(side.profiles.size(), 1u);
    EXPECT_TRUE(side.profiles[0].empty());
    EXPECT_TRUE(script.done()) << script.logText();
}

} // namespace
