// The parameter report: the current model's parameters after a fit or a restore, as text lines
// and saved as a file (display/parameter_report_view.h shows it, prints it and copies it).
#pragma once

#include <string>
#include <vector>

class TXLAWindow;

// One line per item: the model family, each included species (or the distribution settings),
// meniscus, bottom and baseline, the noise terms fitted, the rmsd and the runs test of the
// residuals. "(f)" marks a value the fit floats.
std::vector<std::string> ParameterReportLines();

// The text as a file at path; false when it cannot be written.
bool SaveParameterReport(TXLAWindow* window, const char* path);
