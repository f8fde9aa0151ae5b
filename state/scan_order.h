// The scans in the order the user sees them.
#pragma once

#include "state/scan_store.h"

// The scan (header index) at position pos (1..scanCount) of the order list, or pos itself while
// there is no list.
inline int ScanAtPosition(int pos) {
    return ScanStore::scanOrder != nullptr ? ScanStore::scanOrder[pos] : pos;
}
