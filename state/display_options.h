// Display switches of the main window's display commands.
#pragma once

#include <string>

inline bool gMarksAsLines = false;          // Data Mark Size -1: scans drawn as lines
inline bool gScanNameTips = true;           // scan-name tips when the pointer rests on a scan
inline bool gOldFilenameConvention = false; // the file writers use the old names

inline void ResetDisplayOptions() {
    gMarksAsLines = false;
    gScanNameTips = true;
    gOldFilenameConvention = false;
}

// "ScanRms.dat", the rms of each scan's residuals inside its fit range.
inline bool gWriteScanRms = true; // cleared for the run when the file cannot be opened
inline std::string gScanRmsPath = "ScanRms.dat"; // relative to the current folder
inline int gWorstRmsScan = 0;                    // scan index of the largest rms, 0: none
