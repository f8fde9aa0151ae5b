// Passes over a solved step of the fixed-grid loop: values out of range, largest values and
// relative changes.
#pragma once

// Whether any of v[lo..hi] is beyond +-1e100 or not a number.
bool AnyBeyond1e100(const double* v, int lo, int hi);

// The largest of v[lo..hi] (the lowest double when the range is empty).
double LargestOf(const double* v, int lo, int hi);

// Both passes above in one: whether any of v[from..hi] is beyond +-1e100 or not a number, and,
// when none is, the largest of v[lo..hi] in largest.
bool AnyBeyond1e100OrLargest(const double* v, int from, int lo, int hi, double& largest);

// The largest relative change |u - v| / v over the rows lo..hi whose old value v exceeds
// threshold (0 when there is none), and whether any other row gained more than threshold.
// ratio, when given, holds the relative changes of those rows already; else they are divided
// here. Values are not numbers nowhere in the range.
double LargestOwnChange(const double* u, const double* v, const double* ratio, double threshold,
                        int lo, int hi, bool& emptyGaining);

// Whether any row i of lo..hi (lo >= 2) has (v[i] + v[i - 1] + v[i - 2]) / 3 below level.
bool AnyMeanOfThreeBelow(const double* v, int lo, int hi, double level);

// The smallest of those means over lo..hi (lo >= 2), means that are not numbers left out; infinity
// when none is left. Any mean is below a level exactly when this one is.
double SmallestMeanOfThree(const double* v, int lo, int hi);

// The largest x whose x / 3 (rounded) is at most level: for a level of at least 2^-960 that is
// finite, x / 3 <= level exactly when x <= it, in any floating-point mode (subnormals kept or
// taken as zero), and for neither when x is not a number. Other levels give not a number.
double LargestSumOfThreeWithMeanAtMost(double level);
