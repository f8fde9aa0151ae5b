// The steps that loading, reloading and adding scans share.
#pragma once

#include <string>
#include <vector>

class CProgressLine;
class TXLAWindow;

// Empties a filled store before a new load: the distribution results go too, and meniscus and
// bottom are unset again after light-scattering data.
void FreeLoadedScans();
// The radial averaging width of a load: the radial resolution, but 0 for equilibrium data or a
// resolution of 0.001 cm or less.
float LoadAveragingWidth();
// Reads the scan file at fullPath into the empty slot i of the store's tables: its name, header,
// arrays, views and curves (intensity columns exchanged, w2t times when asked). false when the
// file does not read; the slot may then hold its name and must be freed with the store.
bool ReadScanIntoSlot(TXLAWindow* window, int i, const std::string& fullPath, float width,
                      bool* tag);
// Views and curves over scan i's radius, signal, fit and residuals (and the third column of
// intensity data); none of them owns what it shows.
void MakeScanViews(int i);
// The rotor speed profile of the data folder when the speeds change, else none.
void CheckRotorSpeeds();
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
                   CProgressLine& progress);
