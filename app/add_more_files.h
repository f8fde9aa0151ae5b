// Adding the scans of a selection to the scans already loaded.
#pragma once

class TXLAWindow;

// Appends every selected scan (no stride) to the store, then puts all scans in time order and
// rebuilds the grid; with no scans loaded it is the ordinary loader. A selection with a file that
// does not read is refused with its box and the store stays as it was; only a file that no longer
// reads on the second reading empties the store.
void AddMoreFiles(TXLAWindow* window, const char* selection);
