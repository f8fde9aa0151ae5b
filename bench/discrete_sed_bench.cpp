// The discrete-species model evaluation on 50 scans of 1000 points: the time per species of
// RunDiscreteSed at the default numerical options, and the largest deviation of its fit from a
// fine reference solution (four times the grid, a tenth of the step tolerance) inside the fit
// limits, away from the bottom where the default options shut off back-diffusion.
#include "scandata/scan_store_alloc.h"
#include "scans_50x1000.h"
#include "simulation/simulation_switches.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
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
    const VelocitySet set = Scans50x1000({{state.range(0) / 10.0, state.range(1) * 1e-9, 1.0}});
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

// The same Run of one 3.5 S species in the cells of other cross-sections (argument: 0 linear Lamm
// equation, 1 third geometry, 2 electrophoresis at 0.5 1e-4 cm/s per unit field, 3 external
// loading cell with 0.005 ml of oil), all on the fixed grid; against the sector's time above.
void SpecialCell50x1000(benchmark::State& state) {
    ResetAllState();
    const VelocitySet set = Scans50x1000({});
    FillVelocityStore(set);
    const int cell = int(state.range(0));
    ModelParameters::speciesOn[1] = 1;
    ModelParameters::speciesS[1] = cell == 2 ? 0.5f : 3.5f;
    ModelParameters::speciesDOrM[1] = 6.3f;
    ModelParameters::concentration[1] = 1.0f;
    ModelParameters::oilVolume = 0.005f;
    PackFitParameters();
    ModelChoice::linearLamm = cell == 0;
    ModelChoice::thirdGeometry = cell == 1;
    ModelChoice::electrophoresis = cell == 2;
    ModelChoice::externalLoadingCell = cell == 3;
    for (auto _ : state)
        RunDiscreteSed(nullptr);
    // the last scan at 7.0 cm, inside its boundary
    const int last = ScanStore::scanCount;
    int i = 1;
    while (i < ScanStore::pointCount[last] && ScanStore::radius[last][i] < 7.0f)
        ++i;
    state.counters["c_last_at_7cm"] = ScanStore::fit[last][i];
}

} // namespace

BENCHMARK(SpecialCell50x1000)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->UseRealTime();

// s in 0.1 S, D in 1e-9 cm^2/s: 3.5 S / 6.3e-7, 7 S / 4.2e-7 and a fast 20 S / 3e-7 species.
BENCHMARK(DiscreteSpecies50x1000)
    ->Args({35, 630})
    ->Args({70, 420})
    ->Args({200, 300})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
