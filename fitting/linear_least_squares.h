// The separable least-squares step of the discrete models: for fixed nonlinear parameters, the
// species amplitudes, time-invariant noise, radially invariant noise and baseline that fit the
// loaded scans best, written into the scans' fit, the noise arrays and the species loadings.
#pragma once

// The linear parameters one step solves; the others are held: amplitudes at 1 (each species'
// signal as the evaluation gave it), no time-invariant or radially invariant noise, the baseline
// at ModelParameters::baseline.
struct LinearUnknowns {
    bool amplitudes = false; // one factor per species signal in ComponentScans
    bool tiNoise = false;    // one offset per grid point, ScanStore::tiNoise
    bool riNoise = false;    // one offset per scan, ScanStore::riNoise
    bool baseline = false;   // one offset for every point, ModelParameters::baseline
    bool residual = true;    // the residual sum of squares returned (its pass skipped when not)
};

// Solves for the unknowns named and completes ScanStore::fit of every simulated scan (all but the
// first in scan order while it is the initial distribution). While the evaluation keeps the
// species on the common grid (linear amplitudes or noise switched on) the solve runs on the grid
// inside its fit range and the fit is the grid model carried onto each scan's radii; otherwise
// the fit already holds the species and only the baseline is solved or added, on the scans' fit
// ranges. Returns the residual sum of squares of the points solved over (double), 0 when it was
// not asked for, or -1 when there was nothing to fit (no simulated scan, no grid while one is
// needed).
double SolveLinearParameters(const LinearUnknowns& unknowns);
