// Loading the store again from its file list (ScanStore::fileNames).
#pragma once

class TXLAWindow;

// Reloads the listed scans as a new data set after a cell change, a drop or a time-stamp
// correction: the data folder becomes the first entry's, the data plot is redrawn and the
// caption names the first entry.
void ReloadForChangeCell(TXLAWindow* window);
// Reloads the listed scans in place of the loaded ones (averaging, excluded or removed scans, a
// changed radial resolution, batch fits): the data folder, the last selection and the meniscus
// warning stay as they are, the current model is run on the new set and the caption is kept.
void ReloadAllData(TXLAWindow* window);

// Set while an edit of the loaded scans reloads them.
inline bool gReloadingData = false;
