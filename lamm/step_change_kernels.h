// Passes over a solved step of the fixed-grid loop: values out of range, relative changes.
#pragma once

// Whether any of v[lo..hi] is beyond +-1e100 or not a number.
bool AnyBeyond1e100(const double* v, int lo, int hi);

// ratio[lo..hi] = |u - v| / v, v = 0 taken as 1.
void RelativeChanges(const double* u, const double* v, double* ratio, int lo, int hi);
