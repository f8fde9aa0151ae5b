// Writing the loaded scans back as a new data set: copies under a prefix, names that state speed
// and wavelength, and one edited scan on its own.
#pragma once

#include "scandata/scan_header.h"

#include <cstdint>
#include <string>

// When light-scattering data are loaded: the info sound and "not implemented for DLS data"
// (caption "ERROR"), and true.
bool RefuseDlsData();

// Points the saved-analysis path (gDataPath) into the folder of path: "~tmppars" with the
// extension of the first scan in time order, or under the old filename convention that scan's
// name with the extension "~p".
void SetParameterPathInFolder(const std::string& path);

// Writes n points through the scan writer with the store's third column, when there is one, in
// the column it was read from: for intensity data the loader took the file's third column as the
// signal, so the reference goes back into the second and the signal into the third, and a
// written scan loads as it was.
int WriteScanPoints(const char* path, std::int32_t n, const float* radius, const float* signal,
                    const float* third, const char* description, const ScanHeader& header);
// Writes all points of loaded scan i with its third column.
int WriteLoadedScan(const char* path, int i, const char* description);
// Shows "Attention: could not open %s" in the error box, and what it means on a line of its own
// when one is given.
void ReportUnwritable(const std::string& path, const char* consequence = nullptr);

// Every scan into the folder of path, named by the path's name followed by the scan's own name,
// with the scan's extension. False (with a box) when a file could not be written; the files
// before it stay. Light-scattering data are refused.
bool CopyRawDataSet(const std::string& path);
// Every scan into the folder of path under a name stating speed and wavelength
// ("42k280_0012.RA1"). Refuses, writing nothing, when two scans would get the same name.
bool SaveRawDataSet(const std::string& path);
// The name (without extension) SaveRawDataSet gives a scan file of that name and header.
std::string SpeedWavelengthName(const std::string& fileName, const ScanHeader& header);

// Writes scan s without its point p to its file-list entry, renamed with "_mod" unless keepName.
// The loaded data are not changed. Does nothing for s or p out of range.
void SaveModifiedScans(int s, int p, bool keepName);
