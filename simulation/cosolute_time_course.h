// The sedimenting cosolute of an inhomogeneous solvent beside a species solved on the simulation
// grid: its profile on its own uniform grid, advanced with every step of the species, and the
// solvent's node factors (SolventProfile) it leaves on the species' grid.
#pragma once

#include "lamm/lamm_ideal.h"

#include <string>
#include <utility>
#include <vector>

class CCosoluteTimeCourse {
  public:
    // With the dynamic gradient of an inhomogeneous solvent on: the profile from the uniform
    // loading at t = 0, brought to the species' start time (s; a species that starts from a
    // measured profile starts later), and the solvent's factors on the species' grid r[1..n].
    // False, with the factors left as they are, when there is no gradient to follow or its grid
    // cannot be made.
    bool Start(const double* r, int n, double time);
    // The species' time (s) before its step, from which the next advance starts.
    void BeforeStep(double time);
    // The profile brought to the species' time after its step at the rotor speed in force, and
    // the factors on r[1..n] with it; true when any factor changed (the species' matrices are
    // then stale).
    bool AfterStep(const double* r, int n, double time);
    // After the scans took the step: when they wrote the scan at position (in scan order, 0 for
    // none), the profile at its time drawn over the data plot and saved as
    // "comp2_<position>.r00", as its switches and the list road say; a file that cannot be
    // written is kept for TakeUnwrittenCosoluteFiles.
    void AfterScanOutput(int position);

  private:
    bool CopyFactors(const std::pair<int, int>& changed);

    // The profile, its steps and the factors are those of the Lamm solver object's cosolvent.
    CLammIdeal o_;
    bool on_ = false;
};

// The cosolute files the runs since the last call could not write (each path once per failure).
std::vector<std::string> TakeUnwrittenCosoluteFiles();
