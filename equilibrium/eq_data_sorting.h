// Sorting loaded equilibrium scans to disk: one scan file per cell, wavelength and speed, the
// latest of each series the user accepts, and optionally an experiment file per cell and
// wavelength listing them.
#pragma once

#include <string>
#include <vector>

class TXLAWindow;

// One speed of one group: its scans in load order and the latest of them.
struct EqSeries {
    std::vector<int> members;
    int latest = 0;
};

// Scans of one cell and wavelength (and, after six-channel cuts, one channel letter).
struct EqGroup {
    int first = 0;           // the scan that opened the group
    float wavelength = 0.0f; // its wavelength
    char prefix = 0;         // 'i', 'm' or 'o' in prefix mode, else 0
    std::vector<EqSeries> series;
};

// The groups of the loaded scans: a scan not yet in a group opens one, which takes every later
// scan of the same cell (and, once any scan name starts with 'i', 'm' or 'o', the same first
// letter) whose wavelength lies strictly within tolerance of the opening scan's; inside a group
// each distinct speed is a series. At most 200 groups and 10 speeds per group; the scans these
// limits leave out are counted in *leftOut when given.
std::vector<EqGroup> GroupEquilibriumScans(float tolerance, int* leftOut = nullptr);

// Shows the series' time course of differences to its latest scan and asks whether
// equilibrium was attained and the latest scan is to be kept.
bool AskEquilibriumAttained(TXLAWindow* window, const EqSeries& series);

// Writes the accepted latest scans into the folder of targetPath as "eq<krpm>k_<nm>" with their
// extensions (intensity converted to absorbance, a blank of matching wavelength subtracted),
// and with makeXp one experiment file per group.
void SortEqDataToDisk(TXLAWindow* window, const std::string& targetPath,
                      const std::string& blankPath, float tolerance, bool makeXp, float density,
                      float vbar, float extinctionA, float extinctionB, float extinctionC);
