// Monte Carlo of the c(s) of 50 scans x 1000 points (100 grid points, 0-15 S, TI and RI noise):
// 100 replicates on one thread, four and every core, beside the single c(s) Run of the same data
// with its kernel kept, so that a replicate's time can be read against the Run's; wall and
// process CPU time per replicate.
#include "conti_bench_case.h"
#include "distributions/conti_run.h"
#include "distributions/monte_carlo.h"
#include "simulation/conti_kernel.h"
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/monte_carlo_state.h"
#include "state/preference_switches.h"
#include "support/conti_data_store.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <ctime>

namespace {

constexpr int kReplicates = 100;

void MonteCarloOfCs(benchmark::State& state) {
    const TwoSpeciesCsRow row(state.range(0));
    const int threads = row.threads;
    RunContiSed(nullptr, SilentObserver()); // the kernel, kept from here on
    const auto t0 = std::chrono::steady_clock::now();
    RunContiSed(nullptr, SilentObserver());
    const double runMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    std::size_t kept = 0;
    double mcMs = 0.0, mcCpuMs = 0.0;
    for (auto _ : state) {
        const auto t1 = std::chrono::steady_clock::now();
        const std::clock_t c1 = std::clock(); // every thread of the process
        benchmark::DoNotOptimize(
            RunMonteCarloDistributions(nullptr, SilentObserver(), kReplicates, 0.68f, "", false));
        mcMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t1)
                   .count();
        mcCpuMs = 1000.0 * double(std::clock() - c1) / CLOCKS_PER_SEC;
        kept = MonteCarloState::replicates.size();
        FinishMonteCarlo(nullptr);
    }
    const double perReplicate = kept > 0 ? mcMs / double(kept) : 0.0;
    state.counters["threads"] = threads;
    state.counters["replicates"] = static_cast<double>(kept);
    state.counters["runMs"] = runMs;
    state.counters["msPerReplicate"] = perReplicate;
    state.counters["cpuMsPerReplicate"] = kept > 0 ? mcCpuMs / double(kept) : 0.0;
    state.counters["replicateOverRun"] = runMs > 0.0 ? perReplicate / runMs : 0.0;
    FreeDistributionArrays();
    gContiKernel.Free();
}

} // namespace

BENCHMARK(MonteCarloOfCs)
    ->Arg(1)
    ->Arg(4)
    ->Arg(0)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
