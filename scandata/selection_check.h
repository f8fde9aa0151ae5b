// The check of a selection before the loaded scans make way for it.
#pragma once

#include <string>
#include <vector>

// Why a scan file the reader gave no reason for does not read: missing, a folder, empty or
// unreadable, in a sentence.
std::string UnreadScanFileReason(const std::string& fullPath);
// True when the file names mix intensity ('I' after the dot) with another kind.
bool MixesIntensityWithOtherKinds(const std::vector<std::string>& fileNames);
// Reads every path as the load will, into nothing the store holds, and checks the kinds go
// together: false after the box of the first file that does not read (its path and reason), of
// each such file with nameEachUnread, or of "mixed data types" (with mixedDataTypes set). The
// reader's data-kind switches and spike threshold are left as they were, so a refused selection
// changes nothing of what is loaded.
bool SelectionLoads(const std::vector<std::string>& paths, float width,
                    bool nameEachUnread = false);
