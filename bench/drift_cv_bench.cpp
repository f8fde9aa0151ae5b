// The electrophoresis c(v) Run: 50 scans of 1000 points of a 0.4 cm drift column, 200 velocities
// over 0.2-3 x 1e-4 cm/s (kernel rebuilt each time) on one thread and on eight; and the same over
// 0.01-500 x 1e-4 cm/s, where most drifts have piled up against the bottom before the first scan.
#include "conti_bench_case.h"
#include "distributions/conti_run.h"
#include "distributions/integrate_distribution.h"
#include "scandata/scan_data_kind.h"
#include "simulation/conti_kernel.h"
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/conti_data_store.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <random>

namespace {

constexpr double kD = 2e-7; // cm^2/s

ContiStoreCase FiftyDriftScans() {
    ContiStoreCase c;
    c.scans = 50;
    c.points = 1000;
    c.firstTimeS = 100.0;
    c.intervalS = 15.0;
    c.meniscus = 1.0f;
    c.bottom = 1.4f;
    return c;
}

// Two drifts: 0.2 at 1 and 0.3 at 2 x 1e-4 cm/s, noise 0.003.
void FillTwoDrifts(ContiDataStore& store) {
    std::mt19937 rng(5);
    std::normal_distribution<double> noise(0.0, 0.003);
    const struct { double v, loading; } drifts[] = {{1.0, 0.2}, {2.0, 0.3}};
    for (int k = 1; k <= store.c.scans; ++k) {
        const double t = store.headers[k].time;
        for (int i = 1; i <= store.c.points; ++i) {
            double a = noise(rng);
            for (const auto& d : drifts)
                a += 0.5 * d.loading *
                     std::erfc((store.c.meniscus + d.v * 1e-4 * t - store.radii[i]) /
                               (2.0 * std::sqrt(kD * t)));
            store.signal[k][i] = float(a);
        }
    }
}

void ChooseCv(int threads, float lo, float hi) {
    ModelChoice::nonInteractingSpecies = false;
    ModelChoice::contiMode = ModelChoice::cvElectrophoresis = ModelChoice::cmInvariantD = true;
    ModelChoice::electrophoresis = ModelChoice::geometryVariant = true;
    ScanDataKind::electrophoresis = true;
    ModelParameters::electrophoresisLength = 0.4f;
    ContiState::invariantD = float(kD);
    ContiState::rangeMin = lo;
    ContiState::rangeMax = hi;
    ContiState::resolution = 200.0f;
    ContiState::confidenceLevel = 0.68f;
    ContiState::multiThreading = threads > 1;
    gDistributionThreadCount = threads;
    gLammThreadCount = threads;
}

void Run(benchmark::State& state, float lo, float hi) {
    ContiDataStore store(FiftyDriftScans());
    FillTwoDrifts(store);
    const int threads = BenchThreads(state.range(0));
    ChooseCv(threads, lo, hi);
    for (auto _ : state) {
        gContiKernel.Free(); // the kernel is part of the Run
        benchmark::DoNotOptimize(RunContiSed(nullptr, SilentObserver()));
    }
    float area = 0, vw = 0;
    IntegrateDistribution(lo, hi, &area, &vw, nullptr, nullptr);
    state.counters["threads"] = threads;
    state.counters["area"] = area; // truth 0.5
    state.counters["vw"] = vw;     // truth 1.6
    FreeDistributionArrays();
    ScanDataKind::electrophoresis = false;
    ModelChoice::ResetToDefaults();
    ContiState::ResetToDefaults();
}

void DriftCvRun(benchmark::State& state) {
    Run(state, 0.2f, 3.0f);
}

void DriftCvRunWideRange(benchmark::State& state) {
    Run(state, 0.01f, 500.0f);
}

} // namespace

BENCHMARK(DriftCvRun)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(DriftCvRunWideRange)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
