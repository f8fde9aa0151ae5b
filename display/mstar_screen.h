// The M* screen of several data sets: the analysis of every loaded scan, its four plots and its
// result buttons. The window's handlers (buttons, mouse, copy commands) live with the commands.
#pragma once

class TXLAWindow;

// Meniscus, bottom and fitting limits allow the analysis: 0 < m < B and m <= L < R <= B.
bool MStarLimitsUsable();
// The extrapolation ranges at the start: [L, L + 0.2 (R - L)] and the last fifth before R.
void SetInitialMStarRanges();
// Builds the plots (the signal plot takes the data plot's place) and the buttons, computes and
// asks for a repaint.
void RunMStarTransformation(TXLAWindow* window);
// Recomputes every data set from the loaded scans, then the curves, ranges and button labels.
void ComputeMStarMulti(TXLAWindow* window);
// The analysis of scan 1 alone (the multiSet switch off): baseline from the model, K from the
// last scan's speed, d ln c / d r^2 against the radius, no c(M) smoothing; it also finds the
// working-copy indices of the meniscus range.
void ComputeMStarSingle(TXLAWindow* window);
// The four plots (the signal plot takes the data plot's place), when not there yet.
void BuildMStarPlots();
// Frees the plots, curves, working copies and buttons and puts the data plot back.
void FreeMStarPlots();
// Drops the c(M)-based curves and runs the transformation again on the data alone.
void SwitchOffCMSmoothing(TXLAWindow* window);
// Frees the plots, curves and buttons, puts the data plot back and leaves the mode.
void LeaveMStarMulti(TXLAWindow* window);
// Creates the buttons for the current data sets (replacing any).
void DrawMStarScreen(TXLAWindow* window);
void DeleteMStarScreenButtons();
// Rebuilds the apparent-molar-mass plot after its formula or abscissa changed.
void RebuildMappPlot();
// The baseline of data set k (1-based): its radially invariant noise when that is fitted.
float MStarBaseline(int k);
