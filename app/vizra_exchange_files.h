// The files the plotting program reads: the current distribution and the table of data, fit and
// residual-free noise of the loaded velocity scans.
#pragma once

#include <string>

// The current distribution, one "%e %e" line (abscissa, value) per grid point; light-scattering
// abscissae are shifted by 9.0. The variant for the plotting program ends with the line
// "-999.999 -999.999". False when no distribution is held or the file cannot be written.
bool WriteDistributionFiles(bool forVizra, const std::string& path);

// The velocity table: per row the common-grid radius, the removed plus fitted time-invariant
// noise and the radially invariant noise, then per scan in display order its radius, measured
// value and fit (both with the removed noise restored). False when nothing is loaded or the file
// cannot be written.
bool WriteSvdfrDataFile(const std::string& path);
