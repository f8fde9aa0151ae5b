// The problem, the control, the clock and the output sink of the Lamm solvers on the simulation
// grid.
#pragma once

struct CInitialProfile;

// The rotor over a run: a constant speed, or a linear acceleration phase (with ramped speeds)
// that ends at accelerationEndS, after which the speed is maxRpm.
struct CRotorSchedule {
    double rpm = 0.0;          // at the start of the run
    double maxRpm = 0.0;       // at the end of the acceleration
    bool ramp = false;         // the speed follows the scans' acceleration data
    bool accelerating = false; // the run starts in the acceleration phase
    double accelerationEndS = 0.0;
    double accelerationRate = 0.0;   // rpm/s
    double maxDtAccelerationS = 1.0; // longest step of the acceleration phase
};

// What a run solves: one ideal species in the cell. The grid and the loaded profile are those of
// LammGrid; a solver sets the rotor there from the schedule.
struct CLammProblem {
    double meniscusCm = 0.0, bottomCm = 0.0;
    double s = 0.0; // S
    double D = 0.0; // cm^2/s
    CRotorSchedule rotor;
    // A measured start profile, sampled onto the solver's own grid in place of the loading in
    // LammGrid; the whole grid is then solved (the active region assumes a uniform loading).
    const CInitialProfile* initial = nullptr;
};

// How a run solves it.
struct CLammControl {
    // Tolerance "max dc/c" on the relative change of a step (with the fixed time step, the step
    // in seconds), and the bounds below which the step grows and at which it aims.
    double maxDcOverC = 1.0, dcOverCLow = 0.05, dcOverCMid = 0.2;
    bool fixedTimeStep = false;
    double stepFactor = 2.0, stepBlend = 1.0;
    // Active region: "dynamically truncate grid" at truncationLevel of the loading.
    bool truncateGrid = true;
    double truncationLevel = 1e-6;
    bool backDiffusionShutOff = false; // the bottom is open for this species
    bool lastResort = false;           // mirror a small negative meniscus value
    bool automaticSGrid = true;        // the moving grid travels with s, else with sGrid
    double sGrid = 0.0;                // S
    bool trackAmount = false;          // the amount in the cell after every step
};

// The clock of one run: the solver advances the time by its steps, the sink moves the target on
// to the next scan and stops the run. The one who starts the run owns it, so a run started
// inside another (a trial of a fit, a retry) keeps its own; the records take a copy where the
// run ends (SetGridClockOfRun).
struct CGridClock {
    double time = 0.0; // s
    double dt = 1.0;   // s, the next step's length
    int stepCount = 0; // steps taken
    bool running = true;
    int targetScan = 1;          // the awaited scan's position in scan order
    double targetScanTime = 0.0; // s
    // While pending, no step passes endTime (the awaited scan's time, or the next segment of a
    // scan assembled over the optics' crossing time).
    double endTime = 0.0; // s
    bool endTimePending = false;
};

class CBottomPellet;

// Where a run's profiles go.
class CLammSink {
  public:
    virtual ~CLammSink() = default;
    // After every step, with the value for the progress text: takes the profile when the
    // awaited scan's time is reached, moves the clock's target on, and stops the clock after
    // the last scan or on a key press.
    virtual void Step(CGridClock& clock, double change) = 0;
    // The run ended before its last scan: the scans not reached get the profile, or (zeros)
    // nothing.
    virtual void Remaining(const CGridClock& clock, bool zeros) = 0;
    // The position in scan order of the scan the steps wrote since the last call, or 0 (taken
    // once).
    virtual int TakeWrittenScanPosition() { return 0; }
    // The pellet the running solver keeps at the last node, from its start to its end (nullptr
    // for none): its concentration is added to the last node of the profiles taken.
    virtual void ShowPellet(const CBottomPellet* /*pellet*/) {}
};
