// One species run through the Lamm solvers of the simulation grid on scans of known radii and
// times, with the closed forms the physics tests check the profiles against.
#pragma once

#include "lamm/lamm_result.h"
#include "simulation/lamm_solver_inputs.h"

#include <string>

enum class SolverRoad { MovingHat, FixedGrid, ActiveRegion, Rectangular, ExternalLoading };

struct ModuleCase {
    std::string name;
    SolverRoad road = SolverRoad::FixedGrid;
    double s = 4.5;  // S
    double D = 6e-7; // cm^2/s
    double rpm = 50000;
    float meniscus = 6.0f, bottom = 7.2f;
    double c0 = 1.0;
    int scans = 12;
    double firstScanS = 300.0, intervalS = 300.0;
    int gridSize = 1000;
    double maxDcOverC = 1.0;
    bool fixTimestep = false; // fixed grid: steps of maxDcOverC seconds
    int outputPoints = 2401;
    float oilVolume = 0.01f; // ml, external loading cell
    bool trackAmount = true; // the amount in the cell after every step (costs a pass)
};

// Sets up the program state for the case (scan store, model switches, LammGrid) and allocates
// the arrays; the concentration holds the loading afterwards.
void PrepareModuleCase(const ModuleCase& mc);
// The clock a case's run starts on: at 0 s with steps of 1 s, the first scan awaited.
CGridClock ModuleCaseClock(const ModuleCase& mc);
// Runs the solver of the case's road on the prepared state from the case's clock; its result.
// The records take the clock where the run ended (LammGrid::time and stepCount).
LammResult SolveModuleCase(const ModuleCase& mc);
// The same from the given clock, which holds where the run ended.
LammResult SolveModuleCase(const ModuleCase& mc, CGridClock& clock);

class CConcentrationLaw;
// Prepares the case and runs the law on its road: the moving frame for MovingHat, the fixed-grid
// concentration-dependent solver otherwise, the amount tracked. Leaves the fits in the store and
// the clock where the run ended in the records.
LammResult SolveModuleCaseWithLaw(const ModuleCase& mc, const CConcentrationLaw& law);

// The fit of a scan in the store at radius r, linear between its points.
double StoreFitAt(int scan, double r);

class ModuleRun {
  public:
    explicit ModuleRun(const ModuleCase& mc) : mc_(mc) {}
    // Prepares, records the loaded amount, solves, records the result, the clock where the run
    // ended and the final amount.
    void Run();

    double ValueAt(int scan, double r) const;
    // Boundary position from the mass balance up to the plateau radius rp: for the sector
    // sqrt(rp^2 - 2 integral c r dr / c_p) (the second moment), for the rectangular cells
    // rp - integral c dr / c_p.
    double BoundaryPosition(int scan, double rp) const;
    double ScanTime(int scan) const;
    // s omega^2 in 1/s.
    double SOmega2() const;
    bool Sector() const;

    ModuleCase mc_;
    LammResult result = LammResult::Solved;
    CGridClock clock;
    double loadedAmount = 0.0, finalAmount = 0.0;
};

// A 3 mm column (6.9-7.2 cm, 300 nodes, 601 radii) at low speed, scans from 1e5 s on, that
// reaches sedimentation equilibrium within days.
ModuleCase ShortColumnCase(double s, double D, double rpm, int scans, double intervalS);
// Largest relative deviation of a scan's profile between 6.91 and 7.19 cm from the equilibrium
// exponential exp(s omega^2 r^2 / (2 D)), both taken relative to their values at 7.0 cm.
double DeviationFromEquilibrium(const ModuleRun& run, int scan);
