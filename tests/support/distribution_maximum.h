// Where the distribution the last Run stored is largest, for tests that place a peak.
#pragma once

// The abscissa (ContiState::sValues) of the distribution's largest value over its grid; the first
// of equal maxima. The distribution must be held.
double DistributionMaximumAbscissa();

// The abscissa of the distribution's largest value between lo and hi (0 if no grid point lies
// there) and, in *area, the distribution's area there (trapezoid).
double DistributionPeakIn(double lo, double hi, double* area);
