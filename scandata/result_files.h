// Result files written beside the scans after a fit: fitted curves, residuals, the fitted
// time-invariant and radially invariant noise, and an equilibrium scan corrected by the noise.
#pragma once

#include <string>

class TXLAWindow;

// The per-scan result file for the scan file scanName ("00001.RA1") when the user chose
// chosenPath: normally the scan's name with its first character replaced by letter ('f' fits,
// 'r' residuals), in the chosen folder; under the old filename convention the chosen folder and
// name with the scan's extension.
std::string ResultFileName(const std::string& chosenPath, const char* scanName, char letter);

// Each run asks once "file %s already exists!\nOverwrite all?" (caption "ERROR") at the first
// file that exists; No ends the run with "fit not saved" / "residuals not saved", keeping the
// files written before. A file that cannot be written ends the run with "Attention: could not
// open %s". Both return true when every file was written.
// Fit files over each scan's fit range; intensity fits become log10(third / fit) when
// convertToAbsorbance is set. Light-scattering fits are written as ".dlsdat" curves after the
// questions of noise to add.
bool SaveFitData(const char* path, bool convertToAbsorbance);
// Residual files over each scan's fit range; refused for light-scattering data with "not
// implemented for DLS data".
bool SaveResiduals(const char* path);

// The total time-invariant noise (estimate plus what was moved into the data) on the fitted
// grid range, as a scan file named by the chosen folder and name with scan 1's extension (the
// old convention: scan 1's name with the chosen extension, in the chosen folder). Acts only
// while the time-invariant noise is fitted. Returns true when written.
bool SaveTINoiseFile(const char* path);
// The radially invariant noise of each scan against its original time, in time order, as an x/y
// file named like the time-invariant one. Acts only while that noise is fitted.
bool SaveNoiseFile(const char* path);
// Reads the scan file eqScanPath, subtracts the total time-invariant noise interpolated onto its
// radii over the fitted grid range, and writes the result to targetPath. Acts only while the
// time-invariant noise is fitted.
bool SubtractNoiseFromEqData(TXLAWindow* window, const char* eqScanPath, const char* targetPath);
