// The per-step scan output of the module-wide solvers: the propagated concentration becomes the
// model of the scan awaited next when its time is reached.
#pragma once

#include "simulation/lamm_solver_inputs.h"

// Called after every solver step with a value for the progress text "ri=". At the awaited scan's
// time it writes the profile (assembled over the optics' scan time with the simulated time
// resolution) into the scan's fit, the distribution kernel or ComponentScans, moves the target
// to the next scan, and clears LammGrid::running after the last scan or on a key press.
void ShowLammProfiles(double value);

// After a run that ended early, the scans it did not reach: with zeros false they get the
// current profile (the species stands at equilibrium), with zeros true no contribution (the
// boundary has left the data; rows of ComponentScans and kernel columns are cleared). With
// LammGrid::finalProfileToLastScan the last scan is among them once written: its profile is
// replaced, not added to.
void WriteProfileToRemainingScans(bool zeros);

// The position in scan order of the scan written since the last call, or 0 (taken once).
int TakeWrittenScanPosition();

// Forgets what an earlier run left: the scan being assembled and the last scan's contribution
// that a final profile replaces. Called when a run starts.
void StartScanOutput();

// Seconds the optics need to cross the column at the scan velocity (cm/min); 0 without motion.
double ScanCrossingSeconds();

// The solvers' sink of the scans in the store: ShowLammProfiles and WriteProfileToRemainingScans.
class CScanOutput : public CLammSink {
  public:
    void Step(double change) override { ShowLammProfiles(change); }
    void Remaining(bool zeros) override { WriteProfileToRemainingScans(zeros); }
};
