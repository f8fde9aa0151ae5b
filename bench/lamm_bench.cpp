// Time per Lamm solution with the default options, and its error against a fine reference.
#include "support/lamm_harness.h"
#include "support/reset_all_state.h"

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

// One species of 4.5 S and 6e-7 cm^2/s at 50,000 rpm, 20 C, a 6.0-7.2 cm column, 24 scans
// 5 minutes apart on 600 shared radii.
LammCase Scenario()
{
    LammCase lc;
    lc.s = 4.5, lc.D = 6e-7, lc.rpm = 50000;
    lc.meniscus = 6.0, lc.bottom = 7.2;
    lc.scans = 24;
    lc.firstScanS = lc.intervalS = 300.0;
    lc.outputPoints = 600;
    lc.automatic = true;
    lc.massCheck = 0;
    return lc;
}

double ErrorAgainstReference(const LammRun& run)
{
    LammCase ref = Scenario();
    ref.automatic = false;
    ref.gridSize = 6000;
    ref.fixTimestep = true;
    ref.maxDcOverC = 0.5;
    LammRun reference(ref);
    reference.Run();
    double worst = 0.0;
    for (int scan = 1; scan <= ref.scans; ++scan)
        worst = std::max(worst, MaxDifference(run, reference, scan, ref.lowerFit, 7.05));
    return worst;
}

void BM_LammDefaultOptions(benchmark::State& state)
{
    ResetAllState();
    const LammCase lc = Scenario();
    int steps = 0, nodes = 0;
    for (auto _ : state) {
        LammRun run(lc);
        run.Run();
        steps = run.solver.stepsTaken;
        nodes = run.solver.N;
        benchmark::DoNotOptimize(run.Profile(lc.scans));
    }
    LammRun run(lc);
    run.Run();
    state.counters["steps"] = steps;
    state.counters["nodes"] = nodes;
    state.counters["error_of_c0"] = ErrorAgainstReference(run);
}
BENCHMARK(BM_LammDefaultOptions)->Unit(benchmark::kMillisecond);

// The moving-hat loop on the same scenario, for comparison.
void BM_LammMovingHat(benchmark::State& state)
{
    ResetAllState();
    LammCase lc = Scenario();
    lc.automatic = false;
    lc.movingHat = true;
    lc.gridSize = 300;
    for (auto _ : state) {
        LammRun run(lc);
        run.Run();
        benchmark::DoNotOptimize(run.Profile(lc.scans));
    }
    LammRun run(lc);
    run.Run();
    state.counters["steps"] = run.solver.stepsTaken;
    state.counters["error_of_c0"] = ErrorAgainstReference(run);
}
BENCHMARK(BM_LammMovingHat)->Unit(benchmark::kMillisecond);

}  // namespace
