// The parameter report on the screen, in a printer's device context and on the clipboard.
#pragma once

class TXLAWindow;
class TDC;

// The text in the window's client area: a flowing text in the strip above the data plot, its
// font as large as lets the lines fit there (13 down to 10 pixels).
void DisplayBestFitParams(TXLAWindow* window);
// The text in dc with its first line at (x, y).
void DisplayBestFitParams2(TXLAWindow* window, TDC& dc, int x, int y);
// The text on the clipboard; false when the clipboard cannot be opened.
bool CopyParameterReport(TXLAWindow* window);
