// The per-step scan output of the module-wide solvers: the propagated concentration becomes the
// model of the scan awaited next when its time is reached.
#pragma once

#include "simulation/lamm_solver_inputs.h"

#include <vector>

// Seconds the optics need to cross the column at the scan velocity (cm/min); 0 without motion.
double ScanCrossingSeconds();

// The solvers' sink of the scans in the store. It holds what one run assembles: the scan being
// put together over the optics' crossing time, the last scan's contribution that a final profile
// replaces, and the scan written last; a sink begins clear, and Start clears it for another run.
class CScanOutput : public CLammSink {
  public:
    // Called after every solver step with a value for the progress text "ri=". At the awaited
    // scan's time it writes the profile (assembled over the optics' scan time with the simulated
    // time resolution) into the scan's fit, the distribution kernel or ComponentScans, moves the
    // clock's target to the next scan, and stops the clock after the last scan or on a key
    // press.
    void Step(CGridClock& clock, double change) override;
    // After a run that ended early, the scans it did not reach: with zeros false they get the
    // current profile (the species stands at equilibrium), with zeros true no contribution (the
    // boundary has left the data; rows of ComponentScans and kernel columns are cleared). With
    // LammGrid::finalProfileToLastScan the last scan is among them once written: its profile is
    // replaced, not added to.
    void Remaining(const CGridClock& clock, bool zeros) override;
    int TakeWrittenScanPosition() override;
    void ShowPellet(const CBottomPellet* pellet) override { pellet_ = pellet; }
    // Forgets what an earlier run on this sink left.
    void Start() { *this = CScanOutput{}; }

    // A scan being assembled over the optics' crossing time; cleared whenever the time lies
    // before the awaited scan and when the target moves on.
    struct Assembly {
        int segment = 0;
        double offset = 0.0;
        int lastCopied = 0;
        bool incomplete = false;
    };
    // With the final profile to the last scan: the contribution the last scan got at its own
    // time, taken back when the run's final profile replaces it.
    struct LastScan {
        int scan = 0;
        std::vector<float> work;
    };

  private:
    Assembly assembly_;
    LastScan last_;
    int writtenPosition_ = 0; // until taken
    const CBottomPellet* pellet_ = nullptr;
};
