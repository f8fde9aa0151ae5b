// The peak labels of the c(s) distribution: one button over each peak with its s and molar mass;
// pressing one reports the peak and marks its range on the plots.
#pragma once

#include <string>

class TXLAWindow;

// Makes a label button over each of the (at most 10) highest peaks of the distribution, after
// clearing the old ones; returns how many were made. None for a distribution that is not in s.
int DrawPeakMwLabels(TXLAWindow* window);
// The report of peak k (1..count) of the labels; empty for a k without a label.
std::string PeakInfoText(int k);
// Reports peak k, draws its range thick in red over the distribution and highlights the scans'
// boundary of that s-range.
void ShowPeakInfo(TXLAWindow* window, int k);
// The first label under the per-mille point shows its peak; false when none is hit.
bool PressPeakLabel(TXLAWindow* window, float x, float y);
