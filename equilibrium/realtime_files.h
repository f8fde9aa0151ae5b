// The realtime update's view of the data folder: which numbered scan files exist, the selection
// that reloads them, how many of them one load takes, and the checks made after a reload.
#pragma once

#include <string>

// Looks for consecutively numbered scan files ("%05d" + extension in the kept folder; in the
// equilibrium test for every followed extension, and with allCells the other cells). True when
// more were found than at the previous probe.
bool ProbeNewScanFiles();
// The multiple-selection text of the probed files: the folder, then each name, each
// zero-terminated, ending with an empty name.
std::string BuildRealtimeFileList();
// Every how-many-th file one load takes so that at most maxFiles are loaded: at least 1.
int RealtimeFileStride(int baseNumber, int lastNumber, int maxFiles);
// Where the distribution's last grid interval holds tail of its total area: the factor for the
// range maximum (0.9 below 0.1 %, 1.5 above 3 %, else 1).
float DistributionRangeFactor(double tail, double total);
// A later scan (in scan order) whose temperature differs from the first scan's by 1 C or more.
bool TemperatureFluctuates();
