// The c(s) Run of 50 scans x 1000 points with 100 grid points (0-15 S), kernel rebuilt each
// time, on one thread and on every core (Lamm list and normal-equation threads alike); and the
// normal equations with noise elimination plus the regularized solution alone; and the Fit of
// f/f0 and meniscus from wrong starts with TI and RI noise on the same data.
#include "conti_bench_case.h"
#include "distributions/conti_fit.h"
#include "distributions/conti_run.h"
#include "simulation/conti_kernel.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/preference_switches.h"
#include "support/conti_data_store.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <thread>
#include <vector>

namespace {

// The accuracy beside the time: the rmsd the solution reports and the loadings found around the
// two species (truth 0.3 at 3.5 S and 0.6 at 7 S).
void ReportAccuracy(benchmark::State& state) {
    ContiSolution sol;
    if (ComputeContiSolution(nullptr, sol) != ContiStatus::Done)
        return;
    double near35 = 0.0, near7 = 0.0;
    for (int p = 1; p <= sol.grid.n; ++p) {
        const double s = sol.grid.s[p];
        if (s >= 2.5 && s < 5.25)
            near35 += sol.c[p];
        else if (s >= 5.25 && s < 9.0)
            near7 += sol.c[p];
    }
    state.counters["rmsd"] = sol.rmsd;
    state.counters["load3.5S"] = near35;
    state.counters["load7S"] = near7;
}

int Threads(const benchmark::State& state) {
    return state.range(0) > 0 ? static_cast<int>(state.range(0))
                              : static_cast<int>(std::thread::hardware_concurrency());
}

void ContiRunWholeRun(benchmark::State& state) {
    ContiDataStore store(FiftyScans());
    store.Fill({{3.5, 1.25, 0.3}, {7.0, 1.25, 0.6}}, {}, {}, 0.005, 5);
    const int threads = Threads(state);
    ChooseCs(threads);
    for (auto _ : state) {
        gContiKernel.Free(); // the kernel is part of the Run
        benchmark::DoNotOptimize(RunContiSed(nullptr));
    }
    state.counters["threads"] = threads;
    ReportAccuracy(state);
    FreeDistributionArrays();
}

void ContiRunKernelKept(benchmark::State& state) {
    ContiDataStore store(FiftyScans());
    store.Fill({{3.5, 1.25, 0.3}, {7.0, 1.25, 0.6}}, {}, {}, 0.005, 5);
    const int threads = Threads(state);
    ChooseCs(threads);
    RunContiSed(nullptr);
    for (auto _ : state)
        benchmark::DoNotOptimize(RunContiSed(nullptr)); // normal equations and solution only
    state.counters["threads"] = threads;
    ReportAccuracy(state);
    FreeDistributionArrays();
}

// The simplex from f/f0 1.2 and meniscus 6.02 cm (truth 1.25 and 6.0), with systematic noise in
// the data; the accuracy beside the time is what the fit found and its rmsd (noise 0.005).
void ContiFitFrictionalRatioAndMeniscus(benchmark::State& state) {
    ContiDataStore store(FiftyScans());
    FillTwoSpeciesOnSystematicNoise(store, 5);
    const int threads = Threads(state);
    unsigned long kernels = 0;
    for (auto _ : state) {
        ChooseCs(threads);
        ContiState::calledFromFit = false;
        StartFf0AndMeniscusOffTheTruth();
        gContiKernel.Free();
        const unsigned long before = gContiKernel.Generation();
        benchmark::DoNotOptimize(ContiFit(nullptr));
        kernels = gContiKernel.Generation() - before;
    }
    state.counters["threads"] = threads;
    state.counters["evaluations"] = FitControl::evaluationCount;
    state.counters["kernels"] = static_cast<double>(kernels); // trials solved, and the final Run
    state.counters["ff0"] = ContiState::ff0;
    state.counters["meniscus"] = ModelParameters::meniscus;
    state.counters["rmsd"] = FitControl::bestRmsd;
    FreeDistributionArrays();
}

} // namespace

BENCHMARK(ContiFitFrictionalRatioAndMeniscus)
    ->Arg(1)
    ->Arg(0)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(ContiRunWholeRun)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ContiRunKernelKept)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
