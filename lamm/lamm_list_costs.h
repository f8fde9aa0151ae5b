// The time each equation of a Lamm list took, kept for the next list of the same equations so
// that its shares claim the longest first and finish together.
#pragma once

#include <vector>

// Remembers costs[1..n] (seconds; 0 for an equation not solved, which keeps the time remembered
// before) for the list of n equations with sedimentation coefficients s[1..n]. The last few lists
// are kept; a list is known by its size and its s values.
void RememberListCosts(int n, const double* s, const std::vector<double>& costs);

// The equations of the list of n with s[1..n] in the order its shares claim them: longest
// remembered time first; when nothing is remembered for the list, largest |s| first (a faster
// boundary takes more steps); equal keys in list order. The equations with kept[j] != 0 (kept
// optional) are left out.
std::vector<int> ListClaimOrder(int n, const double* s, const int* kept);
