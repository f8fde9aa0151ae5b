// The equilibrium analysis: a simulated 24-hour approach with a speed staircase, and the M*
// transformation of three data sets of 1000 points.
#include "equilibrium/approach_to_eq.h"
#include "equilibrium/mstar_transform.h"
#include "foundations/physical_constants.h"
#include "scandata/scan_store_alloc.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <vector>

namespace {

void BM_ApproachToEquilibrium24h(benchmark::State& state) {
    const float loading[2] = {0, 1.0f}, s[2] = {0, 3.6f}, D[2] = {0, 8e-7f};
    // Overspeed at 20000 rpm for four hours, then down to 15000 rpm.
    const float start[4] = {0, 0, 4 * 3600, 24 * 3600};
    const float speed[4] = {0, 20000, 15000, 15000};
    const float rate[4] = {0, 280, 280, 280};
    for (auto _ : state) {
        CApproachToEqSim sim;
        sim.Setup(nullptr, 24.0f, 7.2f, 6.9f, 7.18f, 6.91f, 1, loading, s, D, 0.73f, 20.0f,
                  15000.0f);
        sim.SetSpeedSchedule(3, start, speed, rate, 2);
        sim.Run();
        sim.Analyse(0.001f, 0.001f);
        benchmark::DoNotOptimize(sim.timeToEquilibrium);
    }
}
BENCHMARK(BM_ApproachToEquilibrium24h)->Unit(benchmark::kMillisecond);

void BM_MStarThreeSets(benchmark::State& state) {
    ScanStore::vbarRho = 0.73f;
    ScanStore::gasConstantTemperature = PhysicalConstants::gasConstant * 293.15f;
    const float m = 6.9f, B = 7.2f;
    MStarState::meniscusFitRange[1] = 6.905f;
    MStarState::meniscusFitRange[2] = 6.96f;
    MStarState::bottomFitRange[1] = 7.12f;
    MStarState::bottomFitRange[2] = 7.17f;
    std::vector<std::vector<float>> radius(3), signal(3);
    for (int k = 0; k < 3; ++k) {
        const double a = MStarKFactor(10000.0f + 5000.0f * k) * 50000.0;
        radius[k].push_back(0.0f);
        signal[k].push_back(0.0f);
        for (int i = 0; i < 1000; ++i) {
            const double r = 6.9002 + 0.0003 * i;
            radius[k].push_back(float(r));
            signal[k].push_back(float(0.3 * std::exp(a * (r * r - m * m))));
        }
    }
    std::vector<MStarSet> sets(3);
    for (auto _ : state) {
        for (int k = 0; k < 3; ++k) {
            PrepareMStarSet(sets[k], radius[k].data(), signal[k].data(), 1000, 10, 990, m, B);
            ComputeMStarSet(sets[k], MStarFrame{m, B, 6.905f, 7.17f, 0.0f},
                            MStarKFactor(10000.0f + 5000.0f * k));
        }
        benchmark::DoNotOptimize(sets[2].mwAverage);
    }
}
BENCHMARK(BM_MStarThreeSets)->Unit(benchmark::kMillisecond);

} // namespace
