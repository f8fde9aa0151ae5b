// Adding the scans of a selection to the scans already loaded.
#pragma once

class TXLAWindow;

// Appends every selected scan (no stride) to the store, then puts all scans in time order and
// rebuilds the grid; with no scans loaded it is the ordinary loader. A file that does not read
// empties the whole store.
void AddMoreFiles(TXLAWindow* window, const char* selection);
