// "ScanRms.dat": the rms of each scan's residuals inside its fit range, and the worst scan.
#pragma once

#include <string>

inline bool gWriteScanRms = true;           // cleared for the run when the file cannot be opened
inline std::string gScanRmsPath = "ScanRms.dat"; // relative to the current folder
inline int gWorstRmsScan = 0;               // scan index of the largest rms, 0: none

void WriteScanRmsFile();
