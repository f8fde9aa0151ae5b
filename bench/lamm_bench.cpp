// Time per Lamm solution with the default options, and its error against a fine reference; the
// variants show where the error comes from: the grid (points per sigma) or the time steps.
#include "support/lamm_hard_cases.h"
#include "support/lamm_harness.h"
#include "support/reset_all_state.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

// One species of 4.5 S and 6e-7 cm^2/s at 50,000 rpm, 20 C, a 6.0-7.2 cm column, 24 scans
// 5 minutes apart on 600 shared radii; the rotor at speed from the start in every run.
LammCase Scenario() {
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

// Fixed grid of 12,000 nodes and fixed steps of 0.25 s on the same radii and times: it differs
// from 6,000 nodes and 0.5 s by 1.5e-6 of c0, so it stands for the exact solution here.
const LammRun& Reference() {
    static const std::unique_ptr<LammRun> reference = [] {
        LammCase ref = Scenario();
        ref.automatic = false;
        ref.gridSize = 12000;
        ref.fixTimestep = true;
        ref.maxDcOverC = 0.25;
        auto run = std::make_unique<LammRun>(ref);
        run->Run();
        return run;
    }();
    return *reference;
}

// Largest deviation over the fitted radii (lower fit limit to 7.05 cm, clear of the bottom's
// open end) in the scans first..last.
double ErrorOfScans(const LammRun& run, int first, int last) {
    double worst = 0.0;
    for (int scan = first; scan <= last; ++scan)
        worst = std::max(worst, MaxDifference(run, Reference(), scan, run.lc_.lowerFit, 7.05));
    return worst;
}

// Runs the scenario with the options changed after loading, reports steps, nodes and errors:
// the first three scans (boundary at the lower fit limit, where the grid is sized) and the rest.
template <class Adjust> void SolveScenario(benchmark::State& state, LammCase lc, Adjust adjust) {
    ResetAllState();
    auto solve = [&](LammRun& run) {
        run.Load();
        adjust(run.solver);
        run.solver.Run();
    };
    for (auto _ : state) {
        LammRun run(lc);
        solve(run);
        benchmark::DoNotOptimize(run.Profile(lc.scans));
    }
    LammRun run(lc);
    solve(run);
    state.counters["steps"] = run.solver.stepsTaken;
    state.counters["nodes"] = run.solver.N;
    state.counters["error_of_c0"] = ErrorOfScans(run, 1, lc.scans);
    state.counters["error_scans_1_3"] = ErrorOfScans(run, 1, 3);
    state.counters["error_scans_4_24"] = ErrorOfScans(run, 4, lc.scans);
}

void BM_LammDefaultOptions(benchmark::State& state) {
    SolveScenario(state, Scenario(), [](CLammIdeal&) {});
}
BENCHMARK(BM_LammDefaultOptions)->Unit(benchmark::kMillisecond);

// Ten points per sigma instead of five: the early scans' error is the grid's.
void BM_LammTenPointsPerSigma(benchmark::State& state) {
    SolveScenario(state, Scenario(), [](CLammIdeal& o) { o.pointsPerSigma = 10.0f; });
}
BENCHMARK(BM_LammTenPointsPerSigma)->Unit(benchmark::kMillisecond);

// Half the largest relative change per step: the later scans' error is the time steps'.
void BM_LammHalfMaxDcOverC(benchmark::State& state) {
    SolveScenario(state, Scenario(), [](CLammIdeal& o) {
        o.maxDcOverC = 0.5;
        o.fineChangeLimit = 0.025;
        o.coarseChangeLimit = 0.1;
    });
}
BENCHMARK(BM_LammHalfMaxDcOverC)->Unit(benchmark::kMillisecond);

// The moving-hat loop on the same scenario, 300 and 600 nodes, for comparison.
void BM_LammMovingHat(benchmark::State& state) {
    LammCase lc = Scenario();
    lc.automatic = false;
    lc.movingHat = true;
    lc.gridSize = static_cast<int>(state.range(0));
    SolveScenario(state, lc, [](CLammIdeal&) {});
}
BENCHMARK(BM_LammMovingHat)->Arg(300)->Arg(600)->Unit(benchmark::kMillisecond);

} // namespace

namespace {

// The propagation loop of concentration-dependent species on the same scenario: with ks = kd = 0
// it solves the ideal species, so its error against the reference is comparable; with
// ks = 1/3.3 ml/mg it shows the cost of a self-sharpening boundary.
void BM_LammPropagation(benchmark::State& state) {
    const float logKs = state.range(0) == 0 ? -30.0f : 0.0f;
    const LammCase lc = Scenario();
    SolveScenario(state, lc, [&](CLammIdeal& o) {
        o.LoadNonIdeality(false, true, true, false, false, 0, nullptr, nullptr, nullptr, nullptr,
                          logKs, -30.0f, true, true, 3.3, lc.s, lc.D, lc.c0);
    });
}
BENCHMARK(BM_LammPropagation)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// An inhomogeneous solvent that is water everywhere: the cost of the solvent-weighted elements
// against the closed forms, at the same error.
void BM_LammInhomogeneousWater(benchmark::State& state) {
    LammCase lc = Scenario();
    lc.automatic = false;
    lc.gridSize = 1000;
    lc.movingHat = state.range(0) != 0;
    lc.maxDcOverC = lc.movingHat ? 0.25 : 1.0;
    SolveScenario(state, lc, [](CLammIdeal& o) {
        o.LoadSolventOptions(true, true, false, true, 0.0, 0.73f, 1.0f, 1.0f, 0.73f, 0.73f,
                             0.99823f, 0.001002f, 1.0f, 0.7287f, 0.99823, 0.99823, 0.001002,
                             0.001002);
    });
}
BENCHMARK(BM_LammInhomogeneousWater)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// One cosolvent step on n nodes: equal steps reuse the stored factors (constant coefficients),
// concentration-dependent coefficients rebuild the transport twice per step.
void BM_LammCosolventStep(benchmark::State& state) {
    CLammIdeal o;
    o.meniscus = 6.0, o.bottom = 7.2;
    o.cosolventGridCount = static_cast<int>(state.range(0));
    o.cosolventLoading = 1.0;
    o.cosolventS = 5.0, o.cosolventD = 1e-5;
    o.currentRotorSpeed = o.finalRotorSpeed = 50000.0;
    o.rampRotorSpeed = o.accelerationPhaseActive = false;
    o.cosolventConcentrationDependent = state.range(1) != 0;
    o.builtInCoefficients = true;
    o.SetupCosolvent();
    for (auto _ : state) {
        o.cosolventStartTime = o.t;
        o.t += 5.0;
        o.StepCosolvent();
        benchmark::DoNotOptimize(o.cosolvent.c[1]);
    }
}
BENCHMARK(BM_LammCosolventStep)->Args({50, 0})->Args({50, 1})->Args({400, 0})->Args({400, 1});

} // namespace

namespace {

// The largest root mean square deviation of one scan (over the fit range) from the case's much
// finer reference run, which is solved once per reference and kept.
double LargestScanRmsd(const LammRun& run, const LammCase& referenceCase) {
    static std::map<std::string, std::unique_ptr<LammRun>> references;
    const std::string key =
        std::to_string(referenceCase.s) + "/" + std::to_string(referenceCase.gridSize) + "/" +
        std::to_string(referenceCase.maxDcOverC) + "/" + std::to_string(referenceCase.movingHat) +
        std::to_string(referenceCase.shutOff) + std::to_string(referenceCase.rpm) + "/" +
        std::to_string(referenceCase.bottom) + "/" + std::to_string(referenceCase.firstScanS);
    auto& reference = references[key];
    if (!reference) {
        reference = std::make_unique<LammRun>(referenceCase);
        reference->Run();
    }
    double worst = 0.0;
    for (int scan = 1; scan <= run.lc_.scans; ++scan)
        worst = std::max(worst, RmsdOverFitRange(run, *reference, scan));
    return worst;
}

// The hard cases of the solver tests, one solution each, without the amount bookkeeping; the
// cases with options a user set (grids, algorithm, closed bottom) are listed after the others.
void BM_LammHardCase(benchmark::State& state) {
    static const std::vector<LammHardCase> cases = [] {
        std::vector<LammHardCase> all = LammHardCases();
        std::stable_partition(all.begin(), all.end(),
                              [](const LammHardCase& c) { return c.defaultOptions; });
        return all;
    }();
    const LammHardCase& hc = cases.at(static_cast<size_t>(state.range(0)));
    LammCase lc = hc.tested;
    lc.massCheck = 0;
    ResetAllState();
    for (auto _ : state) {
        LammRun run(lc);
        SolveHardCase(run, hc.adjust);
        benchmark::DoNotOptimize(run.Profile(lc.scans));
    }
    LammRun run(lc);
    state.counters["code"] = static_cast<int>(SolveHardCase(run, hc.adjust));
    state.counters["steps"] = run.solver.stepsTaken;
    state.counters["nodes"] = run.solver.N;
    state.counters["default_options"] = hc.defaultOptions;
    state.counters["rmsd_of_c0"] = LargestScanRmsd(run, hc.reference);
    state.SetLabel(hc.name);
}
BENCHMARK(BM_LammHardCase)->DenseRange(0, 11)->Unit(benchmark::kMillisecond);

// 100 S at 60,000 rpm on a fixed grid of 4000 nodes the user set, with "max dc/c" 0.1: the
// steps across the sharp boundary are what this costs.
void BM_LammFastUserFixedGrid(benchmark::State& state) {
    LammCase lc;
    lc.s = 100.0, lc.D = 2e-7, lc.rpm = 60000;
    lc.scans = 24;
    lc.firstScanS = lc.intervalS = 20.0;
    lc.gridSize = 4000;
    lc.maxDcOverC = 0.1;
    lc.massCheck = 0;
    LammCase reference = lc;
    reference.gridSize = 12000;
    reference.fixTimestep = true;
    reference.maxDcOverC = 0.05;
    ResetAllState();
    for (auto _ : state) {
        LammRun run(lc);
        benchmark::DoNotOptimize(run.Run());
    }
    LammRun run(lc);
    state.counters["code"] = static_cast<int>(run.Run());
    state.counters["steps"] = run.solver.stepsTaken;
    state.counters["nodes"] = run.solver.N;
    state.counters["rmsd_of_c0"] = LargestScanRmsd(run, reference);
}
BENCHMARK(BM_LammFastUserFixedGrid)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace
