// Loading the store again from its file list (ScanStore::fileNames).
#pragma once

#include "state/compute_observer.h"

class TXLAWindow;

// Reloads the listed scans as a new data set after a cell change, a drop or a time-stamp
// correction: the data folder becomes the first entry's, the data plot is redrawn and the
// caption names the first entry. The load's progress line is shown to the observer.
void ReloadForChangeCell(TXLAWindow* window, CComputeObserver& observer);
// Reloads the listed scans in place of the loaded ones (averaging, excluded or removed scans, a
// changed radial resolution, batch fits): the data folder, the last selection and the meniscus
// warning stay as they are, the current model is run on the new set and the caption is kept.
void ReloadAllData(TXLAWindow* window, CComputeObserver& observer);

// Set while an edit of the loaded scans reloads them.
inline bool gReloadingData = false;
