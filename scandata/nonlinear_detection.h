// The nonlinear detection correction of the loaded scans: its copies of the raw signals.
#pragma once

// Frees the per-scan copies kept for the nonlinear detection correction.
void FreeNonlinearDetectionCopies();
// Re-applies the nonlinear detection transform with the stored power and baseline.
void ReapplyNonlinearDetection(int flag);
