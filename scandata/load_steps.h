// The steps that loading, reloading and adding scans share.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class CProgress;
class TXLAWindow;

// Empties a filled store before a new load: the distribution results go too, and meniscus and
// bottom are unset again after light-scattering data.
void FreeLoadedScans();
// The radial averaging width of a load: the radial resolution, but 0 for equilibrium data or a
// resolution of 0.001 cm or less.
float LoadAveragingWidth();
// Reads the scan file at fullPath into the empty slot i of the store's tables: its name, header,
// arrays, views and curves (intensity columns exchanged, w2t times when asked). false when the
// file does not read; the slot may then hold its name and must be freed with the store. why (may
// be null) receives the reason of a file that was read but refused.
bool ReadScanIntoSlot(TXLAWindow* window, int i, const std::string& fullPath, float width,
                      bool* tag, std::string* why = nullptr);
// The "LOAD ERROR" text of a scan file that does not read: its path, and the reason when the
// file was read but refused.
std::string ScanLoadErrorText(const std::string& fullPath, const std::string& why);
// Gives scan i, whose radius and signal are read, its fit and work arrays (0), its residuals (a
// copy of the signal) and its views and curves.
void FillScanSlot(int i);
// The rotor speed profile of the data folder when the speeds change, else none.
void CheckRotorSpeeds();
// Sorts order[1..count] ascending by key(order[i]) with an exchange sort of neighbours that steps
// back after each exchange, so equal keys keep their load order.
template <typename Key> void ExchangeSortOrder(std::int32_t* order, int count, Key key) {
    int i = 1;
    while (i < count) {
        if (key(order[i]) > key(order[i + 1])) {
            std::swap(order[i], order[i + 1]);
            if (i > 1)
                --i;
        } else {
            ++i;
        }
    }
}
// scanOrder by ascending time; equal times keep their order.
void SortScansByTime();
// What follows the reading of every scan: speed profile, mixed kinds (box, store emptied and
// false), paths, temperature, meniscus and bottom, fit limits, time order and common grid.
bool SetUpLoadedScans();
// Outside realtime mode the baseline and noise fit switches and the noise buttons as the data
// kind asks; the signal scale of the data kind.
void ApplyLoadSwitches();
// Reads every path into fresh tables of the (empty) store and sets the loaded scans up; false,
// with its box shown, the store empty and the progress line hidden, when a file does not read or
// the kinds are mixed.
bool LoadScanPaths(TXLAWindow* window, const std::vector<std::string>& paths, float width,
                   CProgress& progress);

// The strings of a selection buffer, the empty terminator excluded.
std::vector<std::string> SelectionStrings(const char* selection);
// The folder (with its trailing separator), name and extension (with its dot) of a path.
void SplitScanPath(const std::string& path, std::string& dir, std::string& name, std::string& ext);
