// Changes of the loaded data chosen on the plot: a whole scan dropped from the set, or one point
// deleted from a scan's file.
#pragma once

class TXLAWindow;

// Reloads the set without the scan of storage index scan; the data count as changed.
void RemoveScanFromSet(TXLAWindow* window, int scan);
// After the user's consent removes point (1-based) from scan (storage index), writes the scan
// (over its file, or as a "_mod" file the list then names), reloads the set and keeps the zoom.
// Indices outside the loaded data do nothing.
void DeleteScanPoint(TXLAWindow* window, int scan, int point);
