// Moving the fitted systematic noise (time-invariant, radially invariant, baseline) out of the
// model and into the loaded data, and back for the time-invariant part.
#pragma once

// Each routine subtracts its estimate from every signal and fit value of every scan (so the
// residuals stay as they are), keeps the common-grid copies in step, zeroes the estimate, then
// recomputes the grid statistics, pushes a zoom entry on the fitted grid range and redraws the
// data and residual plots. None acts on light-scattering data or without scans and a grid.

// Acts while ModelChoice::fitTINoise is set; the amount moved accumulates in tiNoiseRemoved.
void SubtractTINoise();
// Acts while ModelChoice::fitTINoise is set; adds tiNoiseRemoved back and makes it tiNoise again.
void RestoreTINoise();
// Acts while ModelChoice::fitRINoise is set; cannot be undone.
void SubtractRINoise();
// Acts while ModelChoice::fitRINoise is set: the radially invariant, then the time-invariant
// noise.
void SubtractAllSystematicNoise();
// Acts while ModelParameters::fitBaseline is set; the baseline becomes 0.
void SubtractBaselineOffset();

// gridMeanSignal (per grid point, over scans), scanMeanSignal (per scan, over the whole grid),
// and the fit-range sums of ComputeTimeInvariantNoise.
void ComputeGridStatistics();
// Pushes a zoom entry from xMin to the last fitted grid radius + 0.01 and over the grid signals'
// range in the fitted grid range +- 0.1; sets it on the data plot and draws it when both ranges
// are valid, else redraws the plot with its old ranges; then recomputes and redraws the residuals.
void ShowFittedGridRange(float xMin);
// The same from the first fitted grid radius - 0.01.
void ShowFittedGridRange();

// Mean over scans of the grid signal and the range statistics over the grid fit range.
void ComputeTimeInvariantNoise();
