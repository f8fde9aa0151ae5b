// The pictures of the minimum-time-to-equilibrium planner: the progress of its search drawn
// straight into the window, and the two plots of its result that the next paint shows once.
#pragma once

struct MinimumTimeToEqOutcome;
struct OverspeedProgress;
class TXLAWindow;

// The approach and the speed staircase of a new best evaluation over the search's horizon, with
// its progress line at the top left; the plot stays in the auxiliary ad-hoc slot until replaced.
void ShowSpeedProgramProgress(TXLAWindow* window, const OverspeedProgress& progress);
// Removes the last progress plot from the ad-hoc slot.
void EndSpeedProgramProgress();
// Plot 1: rms difference to equilibrium over hours at constant speed and under the best program,
// with both speed programs scaled into its range; plot 2 (inset): the difference to equilibrium
// over radius at the scan that met the criterion, for both. Requests the repaint that shows them.
void ShowMinimumTimeToEqPlots(TXLAWindow* window, const MinimumTimeToEqOutcome& outcome);
