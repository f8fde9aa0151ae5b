// Loading a selection of scan files into the scan store.
#pragma once

#include <string>

class TXLAWindow;

// Loads the selection: zero-terminated strings ending with an empty string, either one full
// path or a folder followed by names. Every file is read and checked before the loaded scans are
// let go: a selection refused then (with its box) leaves the store, its analysis and the caption
// as they were; caption (when not empty) becomes the window's once the selection is taken. True
// when the selection is loaded; false with the store as it was, or empty after a file that no
// longer read on the second reading.
bool LoadAllData(TXLAWindow* window, const char* selection, const std::string& caption = {});
