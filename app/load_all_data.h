// Loading a selection of scan files into the scan store.
#pragma once

class TXLAWindow;

// Loads the selection: zero-terminated strings ending with an empty string, either one full
// path or a folder followed by names. Afterwards the store is either filled or empty.
void LoadAllData(TXLAWindow* window, const char* selection);
