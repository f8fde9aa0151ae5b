// Accuracy against time of the two solver roads, the module-wide solvers of the simulation grid
// and the solver object, at their default and finer options: one species on 50 scans of 1000
// points. The error is against a fine solution over the fitted radii.
#include "support/lamm_harness.h"
#include "support/module_solver_harness.h"
#include "support/reset_all_state.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>
#include <memory>

namespace {

// 4.5 S, 6e-7 cm^2/s at 50,000 rpm, 20 C, 6.0-7.2 cm, scans every 200 s to 10,000 s (the
// boundary then stands at 6.8 cm), 1000 shared radii, rotor at speed from the start.
LammCase Scenario() {
    LammCase lc;
    lc.scans = 50;
    lc.firstScanS = lc.intervalS = 200.0;
    lc.outputPoints = 1000;
    lc.massCheck = 0;
    return lc;
}

constexpr double kFitFrom = 6.05, kFitTo = 7.05;

// Fixed grid of 8,000 nodes with steps of 0.25 s.
const LammRun& Reference() {
    static const std::unique_ptr<LammRun> reference = [] {
        LammCase ref = Scenario();
        ref.gridSize = 8000;
        ref.fixTimestep = true;
        ref.maxDcOverC = 0.25;
        auto run = std::make_unique<LammRun>(ref);
        run->Run();
        return run;
    }();
    return *reference;
}

struct Errors {
    double rms = 0.0, max = 0.0;
};

template <class ValueAt> Errors ErrorsOf(ValueAt value) {
    const LammRun& ref = Reference();
    double sum = 0.0, worst = 0.0;
    long count = 0;
    for (int scan = 1; scan <= ref.lc_.scans; ++scan)
        for (int i = 1; i <= ref.Points(); ++i) {
            const double r = ref.Radii()[i];
            if (r < kFitFrom || r > kFitTo)
                continue;
            const double d = value(scan, r) - ref.Profile(scan)[i];
            sum += d * d;
            worst = std::max(worst, std::fabs(d));
            ++count;
        }
    return {std::sqrt(sum / double(count)), worst};
}

void Report(benchmark::State& state, const Errors& e) {
    state.counters["rmsd_of_c0"] = e.rms;
    state.counters["max_of_c0"] = e.max;
}

// The solver object; the default is the automatic choice of algorithm and grid size.
void Object(benchmark::State& state, LammCase lc) {
    Reference();
    ResetAllState();
    for (auto _ : state) {
        LammRun run(lc);
        run.Run();
        benchmark::DoNotOptimize(run.Profile(lc.scans));
    }
    LammRun run(lc);
    run.Run();
    state.counters["nodes"] = run.solver.N;
    Report(state, ErrorsOf([&](int scan, double r) { return run.ValueAt(scan, r); }));
}

void Module(benchmark::State& state, const ModuleCase& mc) {
    Reference();
    // the scan store and the arrays are made outside the timing: a Run or a fit makes them once
    for (auto _ : state) {
        state.PauseTiming();
        PrepareModuleCase(mc);
        state.ResumeTiming();
        SolveModuleCase(mc);
    }
    ModuleRun run(mc);
    run.Run();
    Report(state, ErrorsOf([&](int scan, double r) { return run.ValueAt(scan, r); }));
    ResetAllState();
}

ModuleCase ModuleScenario(SolverRoad road, int n, double maxDcOverC) {
    const LammCase lc = Scenario();
    ModuleCase mc;
    mc.road = road;
    mc.scans = lc.scans;
    mc.firstScanS = lc.firstScanS, mc.intervalS = lc.intervalS;
    mc.outputPoints = lc.outputPoints;
    mc.gridSize = n;
    mc.maxDcOverC = maxDcOverC;
    mc.trackAmount = false;
    return mc;
}

void BM_ObjectDefault(benchmark::State& state) {
    LammCase lc = Scenario();
    lc.automatic = true;
    Object(state, lc);
}
BENCHMARK(BM_ObjectDefault)->Unit(benchmark::kMillisecond);

// Moving hat, 1000 and 2000 nodes, step one grid period.
void BM_ObjectMovingHat(benchmark::State& state) {
    LammCase lc = Scenario();
    lc.movingHat = true;
    lc.gridSize = int(state.range(0));
    Object(state, lc);
}
BENCHMARK(BM_ObjectMovingHat)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);

// Fixed grid, 1000 nodes with "max dc/c" 1, 2000 nodes with 0.1.
void BM_ObjectFixedGrid(benchmark::State& state) {
    LammCase lc = Scenario();
    lc.gridSize = int(state.range(0));
    lc.maxDcOverC = state.range(0) > 1000 ? 0.1 : 1.0;
    Object(state, lc);
}
BENCHMARK(BM_ObjectFixedGrid)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);

void BM_ModuleMovingHat(benchmark::State& state) {
    Module(state, ModuleScenario(SolverRoad::MovingHat, int(state.range(0)), 1.0));
}
BENCHMARK(BM_ModuleMovingHat)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);

void BM_ModuleFixedGrid(benchmark::State& state) {
    const int n = int(state.range(0));
    Module(state, ModuleScenario(SolverRoad::FixedGrid, n, n > 1000 ? 0.1 : 1.0));
}
BENCHMARK(BM_ModuleFixedGrid)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);

// With "dynamically truncate grid", the default of the options.
void BM_ModuleActiveRegion(benchmark::State& state) {
    const int n = int(state.range(0));
    Module(state, ModuleScenario(SolverRoad::ActiveRegion, n, n > 1000 ? 0.1 : 1.0));
}
BENCHMARK(BM_ModuleActiveRegion)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);

} // namespace
