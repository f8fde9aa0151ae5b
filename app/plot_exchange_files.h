// The scan files the auxiliary plot programs read from the temp folder.
#pragma once

#include <string>

// "<folder><n>.dat" for n = 1..N in display order, one "%e %e" line (radius, measured value) per
// point, and "<folder>times.dat" with one "%e" line (scan time in seconds) per scan. Returns N, or
// 0 when nothing is loaded or a file cannot be written (said in the error box).
int WritePlotDataFiles(const std::string& folder);
// "<folder><n>.fit" as the data files with the fitted values.
int WritePlotFitFiles(const std::string& folder);
// The light-scattering records for the plotting program, per record from the first to the last
// fitted point "%e\t%e" rows of (lag in seconds, value): measured, "-666.666 -666.666", fitted,
// "-777.777 -777.777", residuals, "-888.888 -888.888", then "-999.999 -999.999". Returns the
// record count, or 0 when nothing is loaded or the file cannot be written (said in the error box).
int WriteDlsDataFile(const std::string& path);
// The equilibrium scans for the plotting program, "%f\t%f" rows: per scan in load order its
// fitted points as measured and as fitted values (each with the removed time-invariant noise put
// back), with their markers; then the time-invariant and radially invariant noise blocks ("0 nan"
// when not fitted). Returns N, or 0 when nothing is loaded or the file cannot be written.
int WriteSEDataFile(const std::string& path);
