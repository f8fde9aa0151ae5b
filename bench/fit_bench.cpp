// A whole simplex fit of two species (s and M of both floated, loadings as linear amplitudes)
// on 50 scans of 1000 points, on one thread and on eight. The result is the same for any thread
// count; only the time differs.
#include "fitting/fit_driver.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/preference_switches.h"
#include "support/reset_all_state.h"
#include "support/two_component_start.h"
#include "support/velocity_store.h"

#include <benchmark/benchmark.h>

namespace {

void TwoSpeciesSimplexFit(benchmark::State& state) {
    ResetAllState();
    ModelChoice::linearAmplitudes = true;
    VelocitySet set;
    set.scans = 50;
    set.points = 1000;
    set.intervalS = 240;
    set.noise = 0.005;
    FillVelocityStore(set);
    gLammThreadCount = static_cast<int>(state.range(0));
    for (auto _ : state) {
        SetTwoSpeciesStartValues();
        FitControl::simplex = true;
        FitControl::simulatedAnnealing = FitControl::marquardtLevenberg = false;
        benchmark::DoNotOptimize(
            RunFitWith(nullptr, SilentObserver(), CurrentModelEvaluator(), false));
    }
    state.counters["threads"] = gLammThreadCount;
    state.counters["evaluations"] = FitControl::evaluationCount;
    state.counters["rmsd"] = FitControl::bestRmsd;
}

} // namespace

BENCHMARK(TwoSpeciesSimplexFit)->Arg(1)->Arg(8)->Unit(benchmark::kSecond)->Iterations(1);
