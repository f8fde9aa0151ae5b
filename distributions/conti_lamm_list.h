// The c(s) kernel by the Lamm list road: one template for everything the equations share.
#pragma once

#include "lamm/lamm_result.h"
#include "state/compute_observer.h"

#include <vector>

class CLammIdeal;
class TXLAWindow;
struct ContiColumnStarts;
struct ContiDataSet;

// Loads tmpl with what every equation of the kernel shares, from the program-wide records: the
// ideal model with unit loading inside the fit limits, the kernel rows (rows[scan]) on the
// common grid, the numerical options of the Lamm solution, zone loading, the solvent and species
// properties, the sedimentation time offset, the rotor speed profile, the inhomogeneous solvent
// and its cosolute gradient, the start offset of scanning absorbance optics and the detection
// corrections that are on. sS and dCm2s stand for each equation's own s and D; the solutions
// report to the observer.
void LoadContiLammTemplate(CLammIdeal& tmpl, CComputeObserver& observer, double sS, double dCm2s,
                           float** rows);

// Solves one Lamm equation per grid point p (s[p], D[p], vbar[p] or the store's vbar) into the
// kernel gContiKernel on the common radial grid, with unit loading, and reports a failure to the
// user (ReportLammSimError), as it does a file of component 2 that could not be written
// (ReportUnwrittenFiles). Returns LammResult::Solved when every column was computed, else the
// list's LammResult (Refused for a list without columns, scans or grid); the kernel is then not
// complete and must not be used.
// With set and starts, each column's starts and means over the set are found into starts (made
// for n columns) by the thread that solved it, right after it.
LammResult RunSVContiSedList(TXLAWindow* window, CComputeObserver& observer, int n, const double* s,
                             const double* D, const double* vbar, const ContiDataSet* set = nullptr,
                             ContiColumnStarts* starts = nullptr);

// Solves again, into the kernel gContiKernel made for n grid points before (by
// RunSVContiSedList), the columns p with again[p] != 0 for s[p], D[p]; the other columns are
// kept. Each equation keeps its place in the list, so within an optimiser run it is solved on the
// discretisation held for it (state/held_discretisation.h), as in the whole list. Returns as
// RunSVContiSedList (a column not solved is cleared and marked unsolved).
LammResult ResolveContiColumns(TXLAWindow* window, CComputeObserver& observer, int n,
                               const double* s, const double* D, const double* vbar,
                               const std::vector<int>& again);
