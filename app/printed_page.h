// The main window's picture on a printer's page: plots in black, markers as plain lines.
#pragma once

class TDC;
class TXLAWindow;

// Draws the page into dc (a printer's context, one logical unit per device unit) and asks
// whether the best-fit text goes with it. The plots on the screen keep their colours.
void PaintPrintedPage(TXLAWindow* window, TDC& dc);
