// The store's file list (ScanStore::fileNames, full paths) and the operations that rebuild,
// rename, check and write it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The longest list file the reader takes, in characters.
constexpr std::size_t kListFileTextLimit = 260000;

// Empties the file list.
void FreeScanFileList();
// Reads a list file into gLoadSelection, fileStride and the file list; loads no scan. Frees
// loaded scans first. Returns the number of names the stride takes (0 when the file does not
// open, is too long, or names more than 1000 scans; the last two with a box). The store is left
// empty: only a load makes scanCount count scans.
int ReadListFile(const std::string& path);
// Writes "list_corr" with the first entry's extension in its folder for the current list; false
// (with "Attention: could not open %s") when it cannot be written or the list does not match
// the loaded scans.
bool WriteListCorr();
// Rebuilds the list from the loaded scans in time order, in the folder of the last selection
// (a scan whose own folder is recorded, in that folder), leaving out scan leaveOut (0: none).
// Sets gDataDrive and gDataDir to the selection's folder.
void MakeTmpScanFileList(int leaveOut);
// Records the folder of each scan loaded from paths (slot i from paths[i - 1]) when they lie in
// more than one folder; otherwise leaves no record.
void RecordScanFolders(const std::vector<std::string>& paths);
// Puts the cell digit (0..8; other values change nothing) into every entry's extension.
void SetCellInFileNames(int cell);
// Replaces every entry's last folder by the decimal number n.
void SetFolderNumberInFileNames(int n);
// 1 when every entry opens for reading, else 0.
int AllScanFilesExist();
// The path text of folder with a trailing separator removed (a lone "/" stays).
std::string WithoutTrailingSeparator(std::string folder);
