// The M* screen's reactions to the window's input.
#pragma once

class TDC;
class TXLAWindow;

// A click on button i (0: recompute only), then recompute and repaint.
void MStarScreenButtonAction(TXLAWindow* window, int i);
// The end of a right-button drag over the signal plot: code 1 sets the meniscus range, code 4
// the bottom range (each only while asked for); code 0 recomputes.
void MStarMouseAction(TXLAWindow* window, int code, int x1, int x2);
// Per-mille click position on a present M* button: its action is run and true returned.
bool MStarButtonPressed(TXLAWindow* window, float px, float py);
// Switches c(M) smoothing on: asks the molar mass range and the baseline treatment, leaves the
// screen, runs (one data set) or fits (several) the second-derivative regularized c(M) at the
// level 1.01, and enters the screen again with the fit's curves.
void MStarTransformationSetup(TXLAWindow* window);
// The results of the c(M) distribution, written into the window while c(M) smoothing is on.
void DrawMStarResultsText(TDC& dc);
// The plain continuous c(M) distribution is the chosen model (no variant switch on).
bool PlainCMSelected();
// The M* screen of scan 1 alone; bound to no command. Entry needs a scan and usable limits.
void EnterMStarSingle(TXLAWindow* window);
void LeaveMStarSingle(TXLAWindow* window);
