// The c(s) kernel as a Lamm list: 100 equations (1-15 S, f/f0 1.2) over 50 scans, on one thread
// and on every core. The rows are the same for any thread count; only the time differs.
#include "support/lamm_list_harness.h"
#include "support/reset_all_state.h"

#include "lamm/lamm_list_run.h"

#include <benchmark/benchmark.h>

#include <thread>

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

}  // namespace

BENCHMARK(LammList100x50)
    ->Arg(1)
    ->Arg(static_cast<int>(std::max(1u, std::thread::hardware_concurrency())))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
