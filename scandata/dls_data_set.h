// Light-scattering autocorrelation functions as scans of the store: loading a selection of
// ".dlsdat" files and writing the mean of the loaded functions.
#pragma once

class TXLAWindow;

// Replaces the loaded data by the selected files (zero-terminated strings ending with an empty
// one: one full path, or a folder and names). Each file becomes one scan whose radii are the lags
// (log10 s) and whose signal is the correlation, stored in time order. A file that does not read
// ends the load with a "LOAD ERROR" box and an empty store.
void LoadDlsData(TXLAWindow* window, const char* selection);

// Writes the mean over the loaded functions on the common lag grid as g(2)-1, titled "averaged",
// with record 1's header at the mean temperature. False when no light-scattering data are loaded
// or the file cannot be written.
bool SaveMeanDlsData(const char* path);
