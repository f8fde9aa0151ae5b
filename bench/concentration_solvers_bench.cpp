// One Run of each concentration-dependent solver family beside the ideal fixed-grid solver, on
// 50 scans of 1000 points (4.5 S at 50,000 rpm, scans every 200 s), the grid and tolerance at
// their defaults: the cost of a species whose coefficients follow its concentration. The moving
// frame's rows give beside the time the rms difference of their scans from a fine run of the same
// law (a grid four times as fine, steps a tenth of a grid period), in units of the loading.
#include "simulation/module_solvers.h"
#include "simulation/moving_frame_solver.h"
#include "simulation/nonlinear_solver.h"
#include "simulation/reacting_system.h"
#include "simulation/scan_output.h"
#include "state/lamm_grid.h"
#include "state/scan_store.h"
#include "support/module_solver_harness.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <map>
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

void Ideal(benchmark::State& state) {
    for (auto _ : state) {
        ModuleCase mc = Scenario();
        mc.road = SolverRoad::FixedGrid;
        PrepareModuleCase(mc);
        SolveModuleCase(mc);
        benchmark::DoNotOptimize(LammGrid::concentration[1]);
    }
}

void Nonlinear(benchmark::State& state, CoefficientLaw kind) {
    for (auto _ : state) {
        PrepareModuleCase(Scenario());
        CScanOutput scans;
        SolveLammNonlinear(LammProblemOfRecord(), Law(kind), LammControlOfRecord(), scans);
        benchmark::DoNotOptimize(LammGrid::concentration[1]);
    }
}

void IdealMovingHat(benchmark::State& state) {
    for (auto _ : state) {
        ModuleCase mc = Scenario();
        mc.road = SolverRoad::MovingHat;
        PrepareModuleCase(mc);
        SolveModuleCase(mc);
        benchmark::DoNotOptimize(LammGrid::concentration[1]);
    }
}

using Fits = std::vector<std::vector<float>>;

Fits StoredFits() {
    Fits out(std::size_t(ScanStore::scanCount) + 1);
    for (int k = 1; k <= ScanStore::scanCount; ++k)
        out[std::size_t(k)].assign(ScanStore::fit[k],
                                   ScanStore::fit[k] + ScanStore::pointCount[k] + 1);
    return out;
}

void RunMovingFrame(const CConcentrationLaw& law, int gridFactor, double maxDcOverC) {
    ModuleCase mc = Scenario();
    mc.road = SolverRoad::MovingHat;
    mc.gridSize *= gridFactor;
    mc.maxDcOverC = maxDcOverC;
    PrepareModuleCase(mc);
    CScanOutput scans;
    SolveMovingFrameNonlinear(LammProblemOfRecord(), law, LammControlOfRecord(), scans);
}

// The fine run of the law, made once per law.
const Fits& Reference(CoefficientLaw kind, const CConcentrationLaw& law) {
    static std::map<CoefficientLaw, Fits> made;
    auto it = made.find(kind);
    if (it == made.end()) {
        RunMovingFrame(law, 4, 0.1);
        it = made.emplace(kind, StoredFits()).first;
    }
    return it->second;
}

double RmsFrom(const Fits& reference) {
    const Fits now = StoredFits();
    double sum = 0.0;
    long count = 0;
    for (std::size_t k = 1; k < now.size() && k < reference.size(); ++k)
        for (std::size_t i = 1; i < now[k].size() && i < reference[k].size(); ++i) {
            const double d = double(now[k][i]) - reference[k][i];
            sum += d * d;
            ++count;
        }
    return count > 0 ? std::sqrt(sum / double(count)) : 0.0;
}

// The moving hat algorithm of the concentration-dependent laws: steps of one grid period.
void MovingFrame(benchmark::State& state, CoefficientLaw kind) {
    CConcentrationLaw law = Law(kind);
    law.cesiumChloride = kind == CoefficientLaw::Tabulated;
    const Fits& reference = Reference(kind, law);
    for (auto _ : state) {
        RunMovingFrame(law, 1, Scenario().maxDcOverC);
        benchmark::DoNotOptimize(LammGrid::concentration[1]);
    }
    state.counters["rms"] = RmsFrom(reference);
    state.counters["steps"] = LammGrid::stepCount;
}

// Steps of 5 s (the default "max dc/c" of 1 would step by 1 s).
void Reacting(benchmark::State& state) {
    for (auto _ : state) {
        PrepareModuleCase(Scenario());
        CReaction rx;
        rx.K = 2.0, rx.a0 = 0.6, rx.b0 = 0.4;
        rx.sA = 4.5, rx.sB = 6.0, rx.sAB = 9.0;
        rx.dA = 6e-7, rx.dB = 5.5e-7, rx.dAB = 4.2e-7;
        CLammControl control = LammControlOfRecord();
        control.maxDcOverC = 5.0;
        CScanOutput scans;
        RunReactingLamm(LammProblemOfRecord(), rx, control, scans);
        benchmark::DoNotOptimize(LammGrid::concentration[1]);
    }
}

} // namespace

BENCHMARK(Ideal)->Name("ConcentrationSolvers/ideal fixed grid")->Unit(benchmark::kMillisecond);
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
BENCHMARK(IdealMovingHat)
    ->Name("ConcentrationSolvers/ideal moving hat")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(MovingFrame, nonideal, CoefficientLaw::Nonideal)
    ->Name("ConcentrationSolvers/moving frame non-ideal")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(MovingFrame, dimer, CoefficientLaw::MonomerDimer)
    ->Name("ConcentrationSolvers/moving frame monomer-dimer")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(MovingFrame, trimer, CoefficientLaw::MonomerTrimer)
    ->Name("ConcentrationSolvers/moving frame monomer-trimer")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(MovingFrame, cesium, CoefficientLaw::Tabulated)
    ->Name("ConcentrationSolvers/moving frame CsCl")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(Reacting)->Name("ConcentrationSolvers/reacting A+B")->Unit(benchmark::kMillisecond);
