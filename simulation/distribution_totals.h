// The total concentration of the last distribution over radius and time, read by the non-ideal
// distribution variant at the nodes of the simulation grid.
#pragma once

#include <vector>

// Keeps the total concentration of a distribution: the loading (uniform at time 0) and, for
// each scan, its time (s) and its values on radii[1..points]. Rows are taken in time order
// (moved from rows, which a caller that does not keep them hands over).
void KeepDistributionTotals(double loading, const std::vector<double>& timesS,
                            const std::vector<double>& radii,
                            std::vector<std::vector<double>> rows);
void ClearDistributionTotals();
bool DistributionTotalsHeld();
// Counts the changes of the kept totals, so a kernel made from them can tell they are new.
unsigned long DistributionTotalsGeneration();

// The total concentration at time t (s) at the radii r[1..n] into out[1..n]: linear in time
// between the loading at 0 and the kept scans (the last scan's values beyond it), linear in
// radius (the end values beyond the kept radii); zeros when nothing is kept.
void TotalConcentrationAt(double timeS, const double* r, int n, double* out);

// Leaves in ContiState::totalConcentration[1..n] the total concentration of the distribution at
// time t (s) at the n nodes of the simulation grid.
void WriteTotalConcentrationScans(double t);
