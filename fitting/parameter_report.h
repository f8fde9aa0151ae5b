// The parameter report: the current model's parameters after a fit or a restore, as text shown in
// the main window, drawn into a printer's device context, put on the clipboard and saved.
#pragma once

#include <string>
#include <vector>

class TXLAWindow;
class TDC;

// One line per item: the model family, each included species (or the distribution settings),
// meniscus, bottom and baseline, the noise terms fitted, the rmsd and the runs test of the
// residuals. "(f)" marks a value the fit floats.
std::vector<std::string> ParameterReportLines();

// The text in the window's client area: a flowing text in the strip above the data plot, its
// font as large as lets the lines fit there (13 down to 10 pixels).
void DisplayBestFitParams(TXLAWindow* window);
// The text in dc with its first line at (x, y).
void DisplayBestFitParams2(TXLAWindow* window, TDC& dc, int x, int y);
// The text on the clipboard; false when the clipboard cannot be opened.
bool CopyParameterReport(TXLAWindow* window);
// The text as a file at path; false when it cannot be written.
bool SaveParameterReport(TXLAWindow* window, const char* path);
