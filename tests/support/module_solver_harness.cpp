// The module-wide solver harness of the physics tests.
#include "support/module_solver_harness.h"

#include "scandata/scan_store_alloc.h"
#include "simulation/grid_error_words.h"
#include "simulation/lamm_arrays.h"
#include "simulation/module_solvers.h"
#include "simulation/moving_frame_solver.h"
#include "simulation/nonlinear_solver.h"
#include "simulation/scan_output.h"
#include "simulation/weighted_element_integrals.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/reset_all_state.h"
#include "support/store_builder.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

double LoadedAmount(const ModuleCase& mc) {
    const int n = LammGrid::allocatedGridSize;
    const double r1 = LammGrid::radius[1], rn = LammGrid::radius[n];
    switch (mc.road) {
    case SolverRoad::Rectangular:
        return 1.2 * mc.c0 * (rn - r1);
    case SolverRoad::ExternalLoading: {
        const double r0 = ExternalCellNarrowingStart();
        return 1.2 * mc.c0 * ((rn - r1) - (0.311 / 0.0373) * (rn - r0) * (rn - r0) / 2.0);
    }
    default:
        return 1.2 * 0.0349065850398866 * mc.c0 * (rn * rn - r1 * r1) / 2.0;
    }
}

} // namespace

void PrepareModuleCase(const ModuleCase& mc) {
    ResetAllState();
    ModelParameters::meniscus = mc.meniscus;
    ModelParameters::bottom = mc.bottom;
    ModelParameters::oilVolume = mc.oilVolume;
    std::vector<StoreScan> scans;
    const float step = (mc.bottom - mc.meniscus) / float(mc.outputPoints - 1);
    for (int k = 0; k < mc.scans; ++k)
        scans.push_back(EvenScan(mc.meniscus, step, mc.outputPoints,
                                 mc.firstScanS + k * mc.intervalS, nullptr));
    FillStore(scans);
    ScanStore::rampRotorSpeed = false;
    const bool movingHat = mc.road == SolverRoad::MovingHat;
    ModelChoice::movingHatAlgorithm = movingHat;
    ModelChoice::claverieAlgorithm = !movingHat;
    ModelChoice::linearLamm = mc.road == SolverRoad::Rectangular;
    ModelChoice::externalLoadingCell = mc.road == SolverRoad::ExternalLoading;
    ModelChoice::fixedTimeStep = mc.fixTimestep;
    LammGrid::gridSize = mc.gridSize;
    AllocLammArrays();
    for (int i = 1; i <= mc.gridSize; ++i)
        LammGrid::concentration[i] = mc.c0;
    LammGrid::s = mc.s;
    LammGrid::d = mc.D;
    LammGrid::rotorSpeed = LammGrid::maxRotorSpeed = mc.rpm;
    LammGrid::accelerating = false;
    LammGrid::dcOverCLimit = mc.maxDcOverC;
    LammGrid::dcOverCLow = 0.05 * mc.maxDcOverC;
    LammGrid::dcOverCMid = 0.2 * mc.maxDcOverC;
    LammGrid::truncateGrid = mc.road == SolverRoad::ActiveRegion;
    LammGrid::backDiffusionShutOff = false;
    LammGrid::profileCurves = mc.trackAmount;
}

CGridClock ModuleCaseClock(const ModuleCase& mc) {
    CGridClock clock;
    clock.targetScanTime = clock.endTime = mc.firstScanS;
    clock.endTimePending = true;
    return clock;
}

LammResult SolveModuleCase(const ModuleCase& mc) {
    CGridClock clock = ModuleCaseClock(mc);
    return SolveModuleCase(mc, clock);
}

LammResult SolveModuleCase(const ModuleCase& mc, CGridClock& clock) {
    if (mc.road != SolverRoad::MovingHat)
        return SimulateLammTimeCourse(clock);
    const LammResult result = SolveLammFE(clock);
    ScaleGridByExponential(clock.time);
    return result;
}

LammResult SolveModuleCaseWithLaw(const ModuleCase& mc, const CConcentrationLaw& law) {
    PrepareModuleCase(mc);
    CLammControl control = LammControlOfRecord();
    control.trackAmount = true;
    CScanOutput scans;
    CGridClock clock = ModuleCaseClock(mc);
    const LammResult result =
        mc.road == SolverRoad::MovingHat
            ? SolveMovingFrameNonlinear(LammProblemOfRecord(), law, control, clock, scans)
            : SolveLammNonlinear(LammProblemOfRecord(), law, control, clock, scans);
    SetGridClockOfRun(clock);
    return result;
}

void ModuleRun::Run() {
    PrepareModuleCase(mc_);
    loadedAmount = LoadedAmount(mc_);
    clock = ModuleCaseClock(mc_);
    result = SolveModuleCase(mc_, clock);
    finalAmount = LammGrid::totalAmount;
}

double ModuleRun::ScanTime(int scan) const {
    return mc_.firstScanS + (scan - 1) * mc_.intervalS;
}

double ModuleRun::SOmega2() const {
    const double w = mc_.rpm * M_PI / 30.0;
    return mc_.s * 1e-13 * w * w;
}

bool ModuleRun::Sector() const {
    return mc_.road != SolverRoad::Rectangular && mc_.road != SolverRoad::ExternalLoading;
}

double StoreFitAt(int scan, double r) {
    const float* x = ScanStore::radius[scan];
    const float* y = ScanStore::fit[scan];
    const int n = ScanStore::pointCount[scan];
    int i = 1;
    while (i < n - 1 && x[i + 1] < r)
        ++i;
    const double w = (r - x[i]) / (x[i + 1] - x[i]);
    return y[i] + w * (y[i + 1] - y[i]);
}

double ModuleRun::ValueAt(int scan, double r) const {
    return StoreFitAt(scan, r);
}

double ModuleRun::BoundaryPosition(int scan, double rp) const {
    const float* x = ScanStore::radius[scan];
    const float* y = ScanStore::fit[scan];
    const bool sector = Sector();
    double integral = 0.0;
    int i = 1;
    for (; i < ScanStore::pointCount[scan] && x[i + 1] <= rp; ++i) {
        const double a = x[i], b = x[i + 1];
        integral +=
            sector ? 0.5 * (b - a) * (y[i] * a + y[i + 1] * b) : 0.5 * (b - a) * (y[i] + y[i + 1]);
    }
    const double edge = x[i];
    return sector ? std::sqrt(edge * edge - 2.0 * integral / y[i]) : edge - integral / y[i];
}

ModuleCase ShortColumnCase(double s, double D, double rpm, int scans, double intervalS) {
    ModuleCase mc;
    mc.s = s, mc.D = D, mc.rpm = rpm;
    mc.meniscus = 6.9f, mc.bottom = 7.2f;
    mc.gridSize = 300;
    mc.scans = scans, mc.firstScanS = 1e5, mc.intervalS = intervalS;
    mc.outputPoints = 601;
    return mc;
}

double DeviationFromEquilibrium(const ModuleRun& run, int scan) {
    const double a = run.SOmega2() / (2.0 * run.mc_.D);
    const double ref = 7.0;
    double worst = 0.0;
    for (double r = 6.91; r <= 7.19; r += 0.01) {
        const double shape = run.ValueAt(scan, r) / run.ValueAt(scan, ref);
        worst = std::max(worst, std::fabs(shape / std::exp(a * (r * r - ref * ref)) - 1.0));
    }
    return worst;
}
