// The check of recorded times against file time stamps, and the reload after a correction.
#pragma once

class TXLAWindow;

// 1 when the scan files were rewritten with corrected times, 0 otherwise.
int CheckTimeStamps(TXLAWindow* window);
// Reloads the current file list (after a cell or time-stamp change).
void ReloadForChangeCell(TXLAWindow* window);
