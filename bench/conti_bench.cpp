// The c(s) Run of 50 scans x 1000 points with 100 grid points (0-15 S), kernel rebuilt each
// time, on one thread and on every core (Lamm list and normal-equation threads alike); the Run
// again with kernel and equations kept (the regularized solution and the stored fit); the
// normal equations with noise elimination built whole; the Fit of f/f0 and meniscus from wrong
// starts with TI and RI noise on the same data, and as a scientist sets it on 45 scans of 401
// points; the Fit of a sedimenting buffer's s, whose trials change one kernel column; and the Fit
// of a discrete species' s and D beside the distribution, whose trials change its column alone.
#include "conti_bench_case.h"
#include "distributions/conti_fit.h"
#include "distributions/conti_normal_equations.h"
#include "distributions/conti_run.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/buffer_sedimentation_model.h"
#include "simulation/conti_kernel.h"
#include "state/buffer_sedimentation.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/preference_switches.h"
#include "support/conti_data_store.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <vector>

namespace {

// The accuracy beside the time: the rmsd the solution reports and the loadings found around the
// two species (truth 0.3 at 3.5 S and 0.6 at 7 S).
void ReportAccuracy(benchmark::State& state) {
    ContiSolution sol;
    if (ComputeContiSolution(nullptr, SilentObserver(), sol) != ContiStatus::Done)
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

void ContiRunWholeRun(benchmark::State& state) {
    const TwoSpeciesCsRow row(state.range(0));
    const int threads = row.threads;
    for (auto _ : state) {
        gContiKernel.Free(); // the kernel is part of the Run
        benchmark::DoNotOptimize(RunContiSed(nullptr, SilentObserver()));
    }
    state.counters["threads"] = threads;
    ReportAccuracy(state);
    FreeDistributionArrays();
}

void ContiRunKernelKept(benchmark::State& state) {
    const TwoSpeciesCsRow row(state.range(0));
    const int threads = row.threads;
    RunContiSed(nullptr, SilentObserver());
    for (auto _ : state)
        benchmark::DoNotOptimize(
            RunContiSed(nullptr, SilentObserver())); // the solution and its curves only
    state.counters["threads"] = threads;
    ReportAccuracy(state);
    FreeDistributionArrays();
}

// The normal equations of the kernel above built whole, TI and RI noise eliminated.
void ContiNormalEquationsWhole(benchmark::State& state) {
    const TwoSpeciesCsRow row(state.range(0));
    const int threads = row.threads;
    RunContiSed(nullptr, SilentObserver());
    ContiDataSet set;
    GetContiDataSet(set, nullptr);
    const int n = gContiKernel.GridPoints();
    const ContiColumnRow column = [&set](int p, int s) {
        return gContiKernel.Row(p, set.scans[s]);
    };
    const ContiDataRow data = [&set](int s) { return ScanStore::gridSignal[set.scans[s]]; };
    double yy = 0.0;
    for (auto _ : state) {
        ContiNormalEquations eq;
        BuildContiNormalEquations(n, set, column, data, threads, eq);
        yy = eq.yy;
    }
    state.counters["threads"] = threads;
    state.counters["yy"] = yy;
    FreeDistributionArrays();
}

// A whole Fit from a freed kernel; returns the kernels solved (the trials', and the final Run's).
unsigned long FitCountingKernels() {
    gContiKernel.Free();
    const unsigned long before = gContiKernel.Generation();
    benchmark::DoNotOptimize(ContiFit(nullptr, SilentObserver()));
    return gContiKernel.Generation() - before;
}

void SetFitCounters(benchmark::State& state, int threads, unsigned long kernels) {
    state.counters["threads"] = threads;
    state.counters["evaluations"] = FitControl::evaluationCount;
    state.counters["kernels"] = static_cast<double>(kernels);
    state.counters["ff0"] = ContiState::ff0;
    state.counters["meniscus"] = ModelParameters::meniscus;
    state.counters["rmsd"] = FitControl::bestRmsd;
}

// The simplex (or Levenberg-Marquardt) from f/f0 1.2 and meniscus 6.02 cm (truth 1.25 and 6.0),
// with systematic noise in the data; the accuracy beside the time is what the fit found and its
// rmsd (noise 0.005).
void ContiFitFrictionalRatioAndMeniscus(benchmark::State& state) {
    ContiDataStore store(FiftyScans());
    FillTwoSpeciesOnSystematicNoise(store, 5);
    const int threads = BenchThreads(state.range(0));
    unsigned long kernels = 0;
    for (auto _ : state) {
        ChooseCs(threads);
        ContiState::calledFromFit = false;
        StartFf0AndMeniscusOffTheTruth();
        FitControl::simplex = state.range(1) == 0;
        FitControl::marquardtLevenberg = state.range(1) != 0;
        FitControl::simulatedAnnealing = false;
        kernels = FitCountingKernels();
    }
    SetFitCounters(state, threads, kernels);
    FitControl::simplex = true;
    FitControl::marquardtLevenberg = false;
    FreeDistributionArrays();
}

// The same Fit as a scientist sets it: 45 scans of 401 points (meniscus 5.93 cm), 0-15 S in 100
// points, maximum entropy at P 0.68, TI and RI noise, the meniscus floated from 5.92 cm within
// 5.90-5.955 cm and f/f0 from 1.2 (truth 1.25), the simplex at its own tolerance. Second
// argument 1: the left fit limit dragged to 5.958 cm, next to the meniscus bound, where a trial's
// boundary is too sharp at the limit for the fixed grid.
void ContiFitAsAScientistSetsIt(benchmark::State& state) {
    ContiStoreCase c = FiftyScans();
    c.scans = 45;
    c.points = 401;
    c.meniscus = 5.93f;
    ContiDataStore store(c);
    FillTwoSpeciesOnSystematicNoise(store, 7);
    const int threads = BenchThreads(state.range(0));
    unsigned long kernels = 0;
    for (auto _ : state) {
        ChooseCs(threads);
        if (state.range(1) != 0)
            ScanStore::leftFitLimit = 5.958f;
        ContiState::calledFromFit = false;
        ContiState::maxEntRegularization = true;
        ContiState::ff0 = 1.2f;
        ContiState::ff0Float = 1;
        ModelParameters::meniscus = 5.92f;
        ModelParameters::meniscusFloat = 1;
        FitControl::meniscusMin = 5.90f;
        FitControl::meniscusMax = 5.955f;
        FitControl::simplexTolerance = 1e-6;
        FitControl::simplex = true;
        FitControl::marquardtLevenberg = FitControl::simulatedAnnealing = false;
        kernels = FitCountingKernels();
    }
    SetFitCounters(state, threads, kernels);
    FreeDistributionArrays();
}

// The c(s) Fit timed from a freshly made kernel in each iteration, the meniscus and f/f0 fixed and
// what floats set by start() (it runs after c(s) is chosen); the threads, evaluations and rmsd
// counted.
template <class Start>
void FitWithMeniscusAndFf0Fixed(benchmark::State& state, double simplexTolerance, Start start) {
    const int threads = BenchThreads(state.range(0));
    for (auto _ : state) {
        ChooseCs(threads);
        ContiState::calledFromFit = false;
        ModelParameters::meniscusFloat = 0;
        ContiState::ff0Float = 0;
        start();
        FitControl::simplexTolerance = simplexTolerance;
        gContiKernel.Free();
        benchmark::DoNotOptimize(ContiFit(nullptr, SilentObserver()));
    }
    state.counters["threads"] = threads;
    state.counters["evaluations"] = FitControl::evaluationCount;
    state.counters["rmsd"] = FitControl::bestRmsd;
}

// The buffer's s floated from 0.5 S (truth 0.8 S, 20e-7 cm^2/s, signal 0.4 in the reference
// sector) under the two species, its signal the weight of its column: each trial makes that
// column again and nothing else of the kernel.
void ContiFitBufferSedimentation(benchmark::State& state) {
    using B = BufferSedimentation;
    ContiDataStore store(FiftyScans());
    FillTwoSpecies(store);
    B::on = true;
    B::signalSign = -1.0;
    ModelChoice::equilibriumMs = false;
    B::sampleS = 0.8;
    B::sampleD = 20.0;
    const BufferSignal buffer = ComputeBufferSignal(0.4);
    for (int k = 1; k <= store.c.scans; ++k)
        AddBufferSignal(buffer, k, store.radii.data(), store.c.points, store.signal[k].data());
    FitWithMeniscusAndFf0Fixed(state, 1e-6, [] {
        ModelChoice::fitTINoise = ModelChoice::fitRINoise = false;
        B::floatSignal = true;
        B::signal = 1.0;
        B::floatSampleS = true;
        B::sampleS = 0.5;
    });
    state.counters["bufferS"] = B::sampleS;
    state.counters["bufferSignal"] = B::signal;
    B::on = false;
    B::floatSampleS = false;
    ModelChoice::equilibriumMs = true;
    FreeDistributionArrays();
}

// A small species (1.2 S, 9e-7 cm^2/s, loading 0.25) under the two of the c(s) case, fitted as
// the discrete species beside the distribution from s 0.9 S and D 12e-7 cm^2/s, TI and RI noise
// eliminated.
void ContiFitDiscreteComponent(benchmark::State& state) {
    ContiDataStore store(FiftyScans());
    store.Fill({{3.5, 1.25, 0.3}, {7.0, 1.25, 0.6}, {1.2, 1.0, 0.25, 9e-7}}, {}, {}, 0.005, 5);
    FitWithMeniscusAndFf0Fixed(state, 1e-5, [] {
        ModelChoice::csDiscreteSD = true;
        ContiState::discreteS = 0.9f;
        ContiState::discreteD = 12.0f;
        ContiState::discreteSFloat = ContiState::discreteDFloat = 1;
    });
    state.counters["discreteS"] = ContiState::discreteS;
    state.counters["discreteD"] = ContiState::discreteD;
    state.counters["loading"] = ContiState::discreteLoading;
    ModelChoice::csDiscreteSD = false;
    ContiState::discreteSFloat = ContiState::discreteDFloat = 0;
    FreeDistributionArrays();
}

} // namespace

// Second argument: 0 the simplex, 1 Levenberg-Marquardt (which reads the residuals).
BENCHMARK(ContiFitFrictionalRatioAndMeniscus)
    ->MeasureProcessCPUTime()
    ->Args({1, 0})
    ->Args({0, 0})
    ->Args({1, 1})
    ->Args({0, 1})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(ContiFitAsAScientistSetsIt)
    ->MeasureProcessCPUTime()
    ->Args({0, 0})
    ->Args({0, 1})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(ContiRunWholeRun)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ContiRunKernelKept)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ContiNormalEquationsWhole)
    ->MeasureProcessCPUTime()
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(ContiFitBufferSedimentation)
    ->MeasureProcessCPUTime()
    ->Arg(1)
    ->Arg(0)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(ContiFitDiscreteComponent)
    ->MeasureProcessCPUTime()
    ->Arg(1)
    ->Arg(0)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
