// The last data folder, kept in "tarnix.ini" between runs.
#pragma once

#include "state/startup_paths.h"

class TXLAWindow;

// Any Linux path fits.
constexpr int kLastDataFolderSize = kPathBufferSize;
// The folder the file dialogs open in.
extern char gLastDataFolder[kLastDataFolderSize];

// Stores the folder of `path` (a folder, with or without trailing '/'); an unwritable file is
// skipped without a message.
void SaveLastDataFolder(TXLAWindow* window, const char* path);
// Fills `folder` (kLastDataFolderSize characters) with the stored folder; leaves it unchanged
// when the file cannot be read or holds a line longer than any path.
void ReadLastDataFolder(TXLAWindow* window, char* folder);
