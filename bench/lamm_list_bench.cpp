// The c(s) kernel as a Lamm list: 100 equations (1-15 S, f/f0 1.2) over 50 scans, on one thread
// and on every core. The rows are the same for any thread count; only the time differs.
#include "distributions/conti_lamm_list.h"
#include "lamm/lamm_list_run.h"
#include "state/preference_switches.h"
#include "support/conti_scan_store.h"
#include "support/lamm_harness.h"
#include "support/lamm_list_harness.h"
#include "support/reset_all_state.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

namespace {

// The largest root mean square deviation of one scan over the fit range (6.05-7.15 cm), among
// every tenth equation of the list, from a much finer solution of the same species: the moving
// hat on 4000 nodes with a quarter of the default "max dc/c", the bottom as the list has it.
double ListRmsdAgainstFineReference(const LammList& list) {
    static std::vector<std::unique_ptr<LammRun>> references;
    const LammListCase& lc = list.lc_;
    std::vector<int> sample;
    for (int j = 1; j <= lc.equations; j += 10)
        sample.push_back(j);
    if (references.empty()) {
        references.resize(sample.size());
        std::vector<std::thread> workers;
        for (size_t k = 0; k < sample.size(); ++k)
            workers.emplace_back([&, k] {
                LammCase fine;
                fine.s = list.S()[sample[k]], fine.D = list.D()[sample[k]];
                fine.rpm = lc.rpm;
                fine.meniscus = lc.meniscus, fine.bottom = lc.bottom;
                fine.scans = lc.scans;
                fine.firstScanS = lc.firstScanS, fine.intervalS = lc.intervalS;
                fine.movingHat = true;
                fine.gridSize = 4000;
                fine.maxDcOverC = 0.25;
                fine.shutOff = true;
                fine.massCheck = 0;
                fine.outputPoints = lc.outputPoints;
                references[k] = std::make_unique<LammRun>(fine);
                references[k]->Run();
            });
        for (std::thread& w : workers)
            w.join();
    }
    double worst = 0.0;
    for (size_t k = 0; k < sample.size(); ++k)
        for (int scan = 1; scan <= lc.scans; ++scan) {
            double sum = 0.0;
            int n = 0;
            for (int i = 1; i <= list.Points(); ++i) {
                const double r = list.Radii()[i];
                if (r < 6.05 || r > 7.15)
                    continue;
                const double d = list.Row(sample[k], scan)[i] - references[k]->ValueAt(scan, r);
                sum += d * d;
                ++n;
            }
            worst = std::max(worst, n > 0 ? std::sqrt(sum / n) : 0.0);
        }
    return worst;
}

void LammList100x50(benchmark::State& state) {
    ResetAllState();
    LammList list{LammListCase{}};
    const int threads = static_cast<int>(state.range(0));
    for (auto _ : state) {
        const LammResult result = CLRunMTListWithThreads(
            threads, &list.templ, list.Equations(), list.S(), list.D(), nullptr, list.Targets(),
            list.Radii(), list.Points(), nullptr, nullptr);
        benchmark::DoNotOptimize(result);
    }
    state.counters["threads"] = threads;
    state.counters["rmsd_of_c0"] = ListRmsdAgainstFineReference(list);
}

// The same kernel as the distribution analysis loads it from the program's records, with the
// built-in numerical options (automatic algorithm and grid size).
void ContiKernelFromRecords(benchmark::State& state) {
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
        benchmark::DoNotOptimize(
            RunSVContiSedList(nullptr, SilentObserver(), n, s.data(), D.data(), nullptr));
    state.counters["threads"] = gLammThreadCount;
}

} // namespace

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
