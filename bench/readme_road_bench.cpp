// The c(s) Fit of the README's first analysis, through the program's commands on the headless
// backend: two species generated (4 S / 50 kDa and 8 S / 140 kDa, 40 scans, noise 0.005 OD),
// loaded, the discrete species fitted, then c(s) from 0 to 15 S in 100 points, f/f0 from 1.2 and
// the meniscus floated, P 0.68, TI and RI noise, Run; only the c(s) Fit (command 215) that
// follows is timed, on the threads of the argument. The counters are what it found.
#include "foundations/random_numbers.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/model_parameters.h"
#include "state/preference_switches.h"
#include "support/generated_scans.h"
#include "support/main_window_fixture.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kScans = 40;

void ReadmeRoadCsFit(benchmark::State& state) {
    MainWindowFixture f(900, 650);
    SeedGaussRandom(11);
    GenerateTwoSpecies(f, kScans, {"0.5", "4", "50"}, {"0.3", "8", "140"}, "300");
    LoadGeneratedScans(f, kScans, false);
    StartReadmeSpecies(f);
    gLammThreadCount = static_cast<int>(state.range(0));
    Send(f, 215);
    const double discreteRmsd = FitControl::bestRmsd;

    SetReadmeCsPage(f, "100");
    Send(f, 213);
    gLammThreadCount = static_cast<int>(state.range(0));
    for (auto _ : state)
        Send(f, 215);
    if (!f.script.done())
        state.SkipWithError("the road asked what it was not scripted for");
    state.counters["threads"] = gLammThreadCount;
    state.counters["evaluations"] = FitControl::evaluationCount;
    state.counters["meniscus"] = ModelParameters::meniscus;
    state.counters["ff0"] = ContiState::ff0;
    state.counters["rmsd"] = FitControl::bestRmsd;
    state.counters["discrete_rmsd"] = discreteRmsd;
}

} // namespace

BENCHMARK(ReadmeRoadCsFit)
    ->Arg(8)
    ->MeasureProcessCPUTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
