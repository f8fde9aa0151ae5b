// One Run of each solvent and buffer model on 50 scans of 1000 points beside the ideal species it
// extends (one 7 S species at default options): a compressible solvent, a sedimenting cosolute
// on its own grid (in water, and with density and viscosity series of a CsCl-like salt, where the
// solvent changes with every step, also from the first scan on as the measured start, which the
// simulation grid's own solvers take), and the buffer mismatch of both sectors in slot 4. Beside
// the time, the rms difference of the fitted scans from a fine run of the same model (four times
// the nodes per boundary width on both grids, a tenth of the step tolerance).
#include "scandata/scan_store_alloc.h"
#include "scans_50x1000.h"
#include "simulation/discrete_sed.h"
#include "simulation/inhomogeneous_solvent.h"
#include "simulation/simulation_switches.h"
#include "state/buffer_sedimentation.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/preference_switches.h"
#include "state/scan_store.h"
#include "stored_fit_rms.h"
#include "support/reset_all_state.h"
#include "support/velocity_store.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <map>
#include <vector>

namespace {

enum Family { kIdeal, kCompressible, kCosolute, kBuffer, kCosoluteSeries, kCosoluteMeasuredStart };

using Fits = StoredFitSet;

void SetUpFamily(Family family) {
    ResetAllState();
    const VelocitySet set = Scans50x1000({{7.0, 4.2e-7, 1.0}});
    FillVelocityStore(set);
    gLammThreadCount = 1;
    using IS = InhomogeneousSolvent;
    switch (family) {
    case kCompressible:
        ModelChoice::inhomogeneousSolvent = true;
        IS::compressibleSolvent = true;
        break;
    case kCosolute:
        ModelChoice::inhomogeneousSolvent = true;
        IS::compressibleSolvent = false;
        IS::sedimentingCosolute = IS::dynamicGradient = true;
        break;
    case kCosoluteSeries:
    case kCosoluteMeasuredStart:
        ModelChoice::inhomogeneousSolvent = true;
        IS::compressibleSolvent = false;
        IS::sedimentingCosolute = IS::dynamicGradient = true;
        // 0.998 + 0.127 c g/ml, viscosity 1 - 0.01 c relative to water (c in M)
        IS::densityCoefficients = {0.0, 0.99823, 0.0, 12.7};
        IS::viscosityCoefficients = {0.0, 1.0, 0.0, -1.0};
        // from the first scan on, on the simulation grid's own solvers
        ModelParameters::experimentalInitialDistribution = family == kCosoluteMeasuredStart;
        break;
    case kBuffer:
        BufferSedimentation::on = BufferSedimentation::meniscusMismatch = true;
        BufferSedimentation::meniscusDifference = 0.02;
        ModelParameters::speciesIncluded[4] = 1;
        break;
    default:
        break;
    }
}

// The fine run of a family, made once.
const Fits& FineFits(Family family) {
    static std::map<Family, Fits> made;
    auto it = made.find(family);
    if (it == made.end()) {
        SetUpFamily(family);
        ModelParameters::pointsPerSigma *= 4.0f;
        ModelParameters::maxGridSize *= 4;
        LammGrid::maxDcOverC *= 0.1;
        InhomogeneousSolvent::gridSize *= 4;
        RunDiscreteSed(nullptr);
        it = made.emplace(family, StoredFits()).first;
    }
    return it->second;
}

void SolventModel50x1000(benchmark::State& state) {
    const Family family = Family(state.range(0));
    const Fits& fine = FineFits(family);
    SetUpFamily(family);
    bool computed = true;
    for (auto _ : state)
        computed = RunDiscreteSed(nullptr) && computed;
    state.counters["computed"] = computed ? 1.0 : 0.0;
    state.counters["rms"] = RmsFrom(fine);
}

} // namespace

BENCHMARK(SolventModel50x1000)
    ->ArgName("family")
    ->DenseRange(kIdeal, kCosoluteMeasuredStart)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
