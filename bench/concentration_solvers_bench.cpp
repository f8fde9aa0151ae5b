// One Run of each concentration-dependent solver family beside the ideal fixed-grid solver, on
// 50 scans of 1000 points (4.5 S at 50,000 rpm, scans every 200 s), the grid and tolerance at
// their defaults: the cost of a species whose coefficients follow its concentration.
#include "simulation/module_solvers.h"
#include "simulation/moving_frame_solver.h"
#include "simulation/nonlinear_solver.h"
#include "simulation/reacting_system.h"
#include "simulation/scan_output.h"
#include "state/lamm_grid.h"
#include "support/module_solver_harness.h"

#include <benchmark/benchmark.h>

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

// The moving hat algorithm of the concentration-dependent laws: steps of one grid period.
void MovingFrame(benchmark::State& state, CoefficientLaw kind) {
    CConcentrationLaw law = Law(kind);
    law.cesiumChloride = kind == CoefficientLaw::Tabulated;
    for (auto _ : state) {
        ModuleCase mc = Scenario();
        mc.road = SolverRoad::MovingHat;
        PrepareModuleCase(mc);
        CScanOutput scans;
        SolveMovingFrameNonlinear(LammProblemOfRecord(), law, LammControlOfRecord(), scans);
        benchmark::DoNotOptimize(LammGrid::concentration[1]);
    }
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
