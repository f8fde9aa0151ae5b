// The c(s) kernel as a Lamm list: 100 equations (1-15 S, f/f0 1.2) over 50 scans, on one thread
// and on every core. The rows are the same for any thread count; only the time differs.
#include "support/conti_scan_store.h"
#include "support/lamm_list_harness.h"
#include "support/reset_all_state.h"

#include "state/preference_switches.h"
#include "distributions/conti_lamm_list.h"
#include "lamm/lamm_list_run.h"

#include <benchmark/benchmark.h>

#include <thread>
#include <vector>

namespace {

void LammList100x50(benchmark::State& state)
{
    ResetAllState();
    LammList list{LammListCase{}};
    const int threads = static_cast<int>(state.range(0));
    for (auto _ : state) {
        const int result = CLRunMTListWithThreads(threads, &list.templ, list.Equations(),
                                                  list.S(), list.D(), nullptr, list.Targets(),
                                                  list.Radii(), list.Points(), nullptr, nullptr);
        benchmark::DoNotOptimize(result);
    }
    state.counters["threads"] = threads;
}

// The same kernel as the distribution analysis loads it from the program's records, with the
// built-in numerical options (automatic algorithm and grid size).
void ContiKernelFromRecords(benchmark::State& state)
{
    ContiStoreCase c;
    c.scans = 50, c.points = 400, c.firstTimeS = 600.0, c.intervalS = 360.0;
    ContiScanStore store(c);
    gLammThreadCount = static_cast<int>(state.range(0));
    const int n = 100;
    std::vector<double> s(n + 1), D(n + 1);
    for (int j = 1; j <= n; ++j) {
        s[j] = 1.0 + (j - 1) * 14.0 / (n - 1);
        D[j] = DiffusionFromSAndFf0(s[j], 1.2);
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(RunSVContiSedList(nullptr, n, s.data(), D.data(), nullptr));
    state.counters["threads"] = gLammThreadCount;
}

}  // namespace

BENCHMARK(ContiKernelFromRecords)
    ->Arg(1)
    ->Arg(static_cast<int>(std::max(1u, std::thread::hardware_concurrency())))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK(LammList100x50)
    ->Arg(1)
    ->Arg(static_cast<int>(std::max(1u, std::thread::hardware_concurrency())))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
