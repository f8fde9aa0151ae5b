// Replays of the recorded plot pictures straight into the main window, with what the pictures
// do not hold: marker lines, fit curves, fitted noise and the initial data.
#pragma once

#include "plat/metafile.hpp"

class TDC;
class TXLAWindow;

// Maps 1400 x 1000 logical units onto the client rectangle.
void SetReplayMapping(TDC& dc, const TXLAWindow* window);
// Plays a picture into dc; a null picture is skipped. Owned pictures are deleted afterwards.
void PlayPicture(TDC& dc, HMETAFILE picture);
void PlayOverlay(TDC& dc, HMETAFILE overlay);
// The fit curves in their scans' colours, the fitted time-invariant noise in black and the
// initial data in green, over the data plot.
void PlayDataOverlays(TDC& dc);

// The data plot's picture with markers and overlays, while data are shown.
void DrawMetafilePlot(TXLAWindow* window);
// The residual plot's picture.
void DrawMetafilePlotA(TXLAWindow* window);
// The distribution plot drawn anew, while a distribution or boundary model is on.
void DrawMetafilePlotB(TXLAWindow* window);
// The live refresh during fits, at most once per refresh interval.
void DrawResidualsView(TXLAWindow* window);
// Redraws each scan's fit curve point by point: red inside the s-range (in S), fading to grey.
void HighlightSRangeInData(TXLAWindow* window, float sLow, float sHigh);
