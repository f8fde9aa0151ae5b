// The selection the load commands hand to the loaders: the selection buffer filled from strings,
// the first file's path, a list file read into the buffer and the list file written after a
// direct choice of files.
#pragma once

#include "plat/filedlg.hpp"
#include "scandata/list_file.h"

#include <string>
#include <vector>

class TXLAWindow;

// The flags of every load command's open dialog.
constexpr DWORD kLoadFlags =
    OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;

// Puts strings into a selection buffer of kSelectedFilesSize characters; false when they do not
// fit.
bool FillSelection(char* buffer, const std::vector<std::string>& strings);
// The first file of a selection: the folder joined with the first name, or the one full path.
std::string FirstFilePath(const std::vector<std::string>& strings);
// "list" with the first file's extension, in its folder, holding the list. A list file that
// cannot be written, or would not read back, is skipped with a box: the data stay loaded.
void WriteSelectionList(const std::string& firstFile, const ListFileText& list);
// Reads the list file strings[0] names into the selection buffer and takes its stride; the
// strings become the list's folder and names, and the folder the last data folder. False when it
// does not open or is longer than the selection buffer holds (refused with a box, not cut).
bool ReadListSelection(TXLAWindow& window, std::vector<std::string>& strings);
// The choice of a load dialog whose only list file is one named "list" (any case, any extension):
// strings become the list file's folder and names, read into the selection buffer; or, after a
// direct choice, the selection's strings, recorded as the last data folder, with listed their
// list of stride 1. False when the list file does not read: nothing to load.
bool TakeListOrChosenFiles(TXLAWindow& window, std::vector<std::string>& strings, bool& listFile,
                           ListFileText& listed);
