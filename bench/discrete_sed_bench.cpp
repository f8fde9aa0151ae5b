// The discrete-species model evaluation on 50 scans of 1000 points: the time per species of
// RunDiscreteSed at the default numerical options, and the largest deviation of its fit from a
// fine reference solution (four times the grid, a tenth of the step tolerance) inside the fit
// limits, away from the bottom where the default options shut off back-diffusion.
#include "scandata/scan_store_alloc.h"
#include "simulation/simulation_switches.h"
#include "state/preference_switches.h"
#include "support/reset_all_state.h"
#include "support/velocity_store.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>

namespace {

void DiscreteSpecies50x1000(benchmark::State& state) {
    using S = ScanStore;
    ResetAllState();
    VelocitySet set;
    set.species = {{state.range(0) / 10.0, state.range(1) * 1e-9, 1.0}};
    set.scans = 50;
    set.points = 1000;
    set.firstScanS = 300.0;
    set.intervalS = 300.0;
    set.firstRadius = 6.02;
    set.lastRadius = 7.17;
    set.rpm = 50000;
    FillVelocityStore(set);
    gLammThreadCount = 1;
    for (auto _ : state)
        RunDiscreteSed(nullptr);
    double worst = 0.0, sum = 0.0;
    long count = 0;
    for (int k = 1; k <= S::scanCount; ++k)
        for (int i = S::firstFitIndex[k]; i <= S::lastFitIndex[k]; ++i) {
            const double e = std::fabs(S::fit[k][i] - TrueSignal(k, i));
            sum += e * e;
            ++count;
            if (S::radius[k][i] < 7.1f)
                worst = std::max(worst, e);
        }
    state.counters["s_S"] = set.species[0].s;
    state.counters["D_cm2s"] = set.species[0].D;
    state.counters["max_err_of_c0"] = worst;
    state.counters["rms_err_of_c0"] = count > 0 ? std::sqrt(sum / count) : 0.0;
}

} // namespace

// s in 0.1 S, D in 1e-9 cm^2/s: 3.5 S / 6.3e-7, 7 S / 4.2e-7 and a fast 20 S / 3e-7 species.
BENCHMARK(DiscreteSpecies50x1000)
    ->Args({35, 630})
    ->Args({70, 420})
    ->Args({200, 300})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
