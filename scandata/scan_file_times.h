// Reading and restoring the times of a scan file, so that a rewritten scan keeps them.
#pragma once

#include "scandata/scan_header.h"

// Fills the three times of path; false when they cannot be read.
bool ReadScanFileTimes(const char* path, FileTime& creation, FileTime& access, FileTime& write);
// Sets the access and modification times of path (a creation time cannot be set on Linux).
bool RestoreScanFileTimes(const char* path, FileTime creation, FileTime access, FileTime write);
