// Display switches of the main window's display commands.
#pragma once

inline bool gMarksAsLines = false;          // Data Mark Size -1: scans drawn as lines
inline bool gScanNameTips = true;           // scan-name tips when the pointer rests on a scan
inline bool gOldFilenameConvention = false; // the file writers use the old names

inline void ResetDisplayOptions() {
    gMarksAsLines = false;
    gScanNameTips = true;
    gOldFilenameConvention = false;
}
