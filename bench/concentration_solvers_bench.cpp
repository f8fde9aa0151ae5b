// One Run of each concentration-dependent solver family beside the ideal fixed-grid solver, on
// 50 scans of 1000 points (4.5 S at 50,000 rpm, scans every 200 s), the grid and tolerance at
// their defaults: the cost of a species whose coefficients follow its concentration. Each row
// gives beside the time the rms difference of its scans from a fine run of the same law and
// solver (a grid four times as fine; steps a tenth of a grid period on the moving frame, "max
// dc/c" 0.1 on the fixed grid), in units of the loading; the reacting system's rows give theirs
// from a run on 4000 nodes in steps of 0.5 s.
#include "simulation/module_solvers.h"
#include "simulation/moving_frame_solver.h"
#include "simulation/nonlinear_solver.h"
#include "simulation/reacting_system.h"
#include "simulation/scan_output.h"
#include "state/lamm_grid.h"
#include "state/scan_store.h"
#include "stored_fit_rms.h"
#include "support/module_solver_harness.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>
#include <map>
#include <utility>
#include <vector>

namespace {

ModuleCase Scenario() {
    ModuleCase mc;
    mc.scans = 50;
    mc.firstScanS = mc.intervalS = 200.0;
    mc.outputPoints = 1000;
    mc.trackAmount = false;
    return mc;
}

CConcentrationLaw Law(CoefficientLaw kind) {
    CConcentrationLaw law;
    law.law = kind;
    law.s1 = 4.5, law.D1 = 6e-7;
    law.s2 = 7.0, law.D2 = 4.7e-7;
    law.s3 = 10.0, law.D3 = 3.8e-7;
    law.K = 2.0, law.K3 = 1.0;
    law.ks = 0.1, law.kd = 0.05;
    return law;
}

using Fits = StoredFitSet;

// The fine run of a row, made once per key.
template <class Run> const Fits& FineFits(int key, Run run) {
    static std::map<int, Fits> made;
    auto it = made.find(key);
    if (it == made.end()) {
        run();
        it = made.emplace(key, StoredFits()).first;
    }
    return it->second;
}

void RunIdeal(SolverRoad road, int gridFactor, double maxDcOverC) {
    ModuleCase mc = Scenario();
    mc.road = road;
    mc.gridSize *= gridFactor;
    mc.maxDcOverC = maxDcOverC;
    PrepareModuleCase(mc);
    SolveModuleCase(mc);
}

void Ideal(benchmark::State& state, SolverRoad road) {
    const Fits& fine = FineFits(-1 - int(road), [road] { RunIdeal(road, 4, 0.1); });
    for (auto _ : state) {
        RunIdeal(road, 1, Scenario().maxDcOverC);
        benchmark::DoNotOptimize(LammGrid::concentration[1]);
    }
    state.counters["rms"] = RmsFrom(fine);
}

void RunNonlinear(CoefficientLaw kind, int gridFactor, double maxDcOverC) {
    ModuleCase mc = Scenario();
    mc.gridSize *= gridFactor;
    mc.maxDcOverC = maxDcOverC;
    PrepareModuleCase(mc);
    CScanOutput scans;
    CGridClock clock = ModuleCaseClock(mc);
    SolveLammNonlinear(LammProblemOfRecord(), Law(kind), LammControlOfRecord(), clock, scans);
}

void Nonlinear(benchmark::State& state, CoefficientLaw kind) {
    const Fits& fine = FineFits(int(kind), [kind] { RunNonlinear(kind, 4, 0.1); });
    for (auto _ : state) {
        RunNonlinear(kind, 1, Scenario().maxDcOverC);
        benchmark::DoNotOptimize(LammGrid::concentration[1]);
    }
    state.counters["rms"] = RmsFrom(fine);
}

// The steps the run took.
int RunMovingFrame(const CConcentrationLaw& law, int gridFactor, double maxDcOverC) {
    ModuleCase mc = Scenario();
    mc.road = SolverRoad::MovingHat;
    mc.gridSize *= gridFactor;
    mc.maxDcOverC = maxDcOverC;
    PrepareModuleCase(mc);
    CScanOutput scans;
    CGridClock clock = ModuleCaseClock(mc);
    SolveMovingFrameNonlinear(LammProblemOfRecord(), law, LammControlOfRecord(), clock, scans);
    return clock.stepCount;
}

// The fine run of the law, made once per law (the dimer with and without its ks apart).
const Fits& Reference(CoefficientLaw kind, const CConcentrationLaw& law) {
    static std::map<std::pair<CoefficientLaw, bool>, Fits> made;
    const auto key = std::make_pair(kind, law.dimerKs);
    auto it = made.find(key);
    if (it == made.end()) {
        RunMovingFrame(law, 4, 0.1);
        it = made.emplace(key, StoredFits()).first;
    }
    return it->second;
}

// The moving hat algorithm of the concentration-dependent laws: steps of one grid period.
void MovingFrame(benchmark::State& state, CoefficientLaw kind, bool dimerKs) {
    CConcentrationLaw law = Law(kind);
    law.cesiumChloride = kind == CoefficientLaw::Tabulated;
    law.dimerKs = dimerKs;
    const Fits& reference = Reference(kind, law);
    int steps = 0;
    for (auto _ : state) {
        steps = RunMovingFrame(law, 1, Scenario().maxDcOverC);
        benchmark::DoNotOptimize(LammGrid::concentration[1]);
    }
    state.counters["rms"] = RmsFrom(reference);
    state.counters["steps"] = steps;
}

CReaction Reaction() {
    CReaction rx;
    rx.K = 2.0, rx.a0 = 0.6, rx.b0 = 0.4;
    rx.sA = 4.5, rx.sB = 6.0, rx.sAB = 9.0;
    rx.dA = 6e-7, rx.dB = 5.5e-7, rx.dAB = 4.2e-7;
    return rx;
}

using Profiles = std::vector<std::vector<float>>;

// One Run of the reacting system; its scans when asked for. The steps it took.
int RunReacting(int gridSize, bool fixedStep, double maxDcOverC, Profiles* scansOut = nullptr) {
    ModuleCase mc = Scenario();
    mc.gridSize = gridSize;
    PrepareModuleCase(mc);
    CLammControl control = LammControlOfRecord();
    control.fixedTimeStep = fixedStep;
    control.maxDcOverC = maxDcOverC;
    CScanOutput scans;
    CGridClock clock = ModuleCaseClock(mc);
    RunReactingLamm(LammProblemOfRecord(), Reaction(), control, clock, scans);
    if (scansOut) {
        scansOut->assign(std::size_t(ScanStore::scanCount) + 1, {});
        for (int k = 1; k <= ScanStore::scanCount; ++k)
            (*scansOut)[std::size_t(k)].assign(ScanStore::fit[k],
                                               ScanStore::fit[k] + ScanStore::pointCount[k] + 1);
    }
    return clock.stepCount;
}

// 4000 nodes and steps of 0.5 s.
const Profiles& ReactingReference() {
    static const Profiles reference = [] {
        Profiles p;
        RunReacting(4000, true, 0.5, &p);
        return p;
    }();
    return reference;
}

// The rms and largest deviation from the reference over 6.05-7.05 cm, every scan.
void ReportReactingError(benchmark::State& state, const Profiles& run) {
    const Profiles& ref = ReactingReference();
    double sum = 0.0, worst = 0.0;
    long count = 0;
    for (std::size_t k = 1; k < ref.size(); ++k)
        for (int p = 1; p <= ScanStore::pointCount[k]; ++p) {
            const double r = ScanStore::radius[k][p];
            if (r < 6.05 || r > 7.05)
                continue;
            const double d = double(run[k][std::size_t(p)]) - ref[k][std::size_t(p)];
            sum += d * d;
            worst = std::max(worst, std::fabs(d));
            ++count;
        }
    state.counters["rmsd_of_c0"] = std::sqrt(sum / double(count));
    state.counters["max_of_c0"] = worst;
}

// The reacting system on the default grid: with fixed steps of 5 s, and with steps of at most
// 5 s and 20 s that shorten where the solution leaves its continuation ("max dc/c" is the
// longest step in seconds for this model).
void Reacting(benchmark::State& state, bool fixedStep, double maxDcOverC) {
    ReactingReference();
    for (auto _ : state) {
        RunReacting(1000, fixedStep, maxDcOverC);
        benchmark::DoNotOptimize(LammGrid::concentration[1]);
    }
    Profiles run;
    state.counters["steps"] = RunReacting(1000, fixedStep, maxDcOverC, &run);
    ReportReactingError(state, run);
}

} // namespace

BENCHMARK_CAPTURE(Ideal, fixed, SolverRoad::FixedGrid)
    ->Name("ConcentrationSolvers/ideal fixed grid")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Nonlinear, nonideal, CoefficientLaw::Nonideal)
    ->Name("ConcentrationSolvers/non-ideal")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Nonlinear, dimer, CoefficientLaw::MonomerDimer)
    ->Name("ConcentrationSolvers/monomer-dimer")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Nonlinear, trimer, CoefficientLaw::MonomerTrimer)
    ->Name("ConcentrationSolvers/monomer-trimer")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Nonlinear, oligomers, CoefficientLaw::OligomerB)
    ->Name("ConcentrationSolvers/oligomers 1-2-4")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Ideal, movingHat, SolverRoad::MovingHat)
    ->Name("ConcentrationSolvers/ideal moving hat")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(MovingFrame, nonideal, CoefficientLaw::Nonideal, false)
    ->Name("ConcentrationSolvers/moving frame non-ideal")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(MovingFrame, dimer, CoefficientLaw::MonomerDimer, false)
    ->Name("ConcentrationSolvers/moving frame monomer-dimer")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(MovingFrame, dimerKs, CoefficientLaw::MonomerDimer, true)
    ->Name("ConcentrationSolvers/moving frame monomer-dimer with ks")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(MovingFrame, trimer, CoefficientLaw::MonomerTrimer, false)
    ->Name("ConcentrationSolvers/moving frame monomer-trimer")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(MovingFrame, cesium, CoefficientLaw::Tabulated, false)
    ->Name("ConcentrationSolvers/moving frame CsCl")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Reacting, fixed, true, 5.0)
    ->Name("ConcentrationSolvers/reacting A+B, steps of 5 s")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Reacting, adaptive, false, 5.0)
    ->Name("ConcentrationSolvers/reacting A+B")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Reacting, longer, false, 20.0)
    ->Name("ConcentrationSolvers/reacting A+B, steps up to 20 s")
    ->Unit(benchmark::kMillisecond);
