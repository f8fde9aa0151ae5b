// The check of recorded elapsed times against the scan files' modification times, the corrected
// copies, and the reloads from the file list.
#pragma once

#include "scandata/reload_data.h"

class TXLAWindow;

// 1 when corrected copies and "list_corr" were written and the caller is to reload from the file
// list, 0 otherwise. A copy that cannot be written is reported; nothing is then reloaded.
int CheckTimeStamps(TXLAWindow* window);
// True when the first and the last scan in time order carry a time-stamp tag (with no scans, and
// for fluorescence data while the threshold exceeds 1.001, too); mixed is set when the first
// carries one and a scan between them does not.
bool ReadTimeStampTag(bool* mixed);
// The factor (file time span / recorded time span) over the scans in time order, 0 when the
// recorded times span less than 60 s or a file cannot be opened (failed then set). Above the
// threshold the report "timestampanalysis" is written to the data folder and, with showReport,
// opened in the text editor. recorded and file (may be null) receive new 1-based arrays
// [1..scanCount] of the differences to the first scan, which the caller frees with free_dvector.
double AnalyzeTimeStamps(bool showReport, bool* failed, double** recorded, double** file);
