// The steps the model roads through the menu share: a command sent and dispatched, a velocity
// store of known truth in the window, the model's own Run taken as data with seeded noise, the
// fit by Levenberg-Marquardt, scan files loaded through the menu and the c(s) entries.
#pragma once

#include "support/scan_set_generator.h"

#include <string>
#include <vector>

class MainWindowFixture;
struct VelocitySet;

// Sends a menu command and dispatches until nothing is pending.
void SendCommand(MainWindowFixture& f, int id);

// Fills the store with the set and gives the fit's parameter file a place in the window's own
// data folder (not shared with other tests).
void StartVelocityRoad(MainWindowFixture& f, const VelocitySet& set);

// Run (213), then the model it computed becomes the data with seeded Gaussian noise of the
// given deviation; false when Run computed no model.
bool RunModelAsNoisyData(MainWindowFixture& f, unsigned seed, float noise = 0.005f);

// Levenberg-Marquardt chosen (the preference box declined), then Fit (215).
void FitWithLevenbergMarquardt(MainWindowFixture& f);

// Writes the scans as 00001.RA1, 00002.RA1, ... into the data folder; their paths in order.
std::vector<std::string> WriteScanFiles(MainWindowFixture& f,
                                        const std::vector<GeneratedScan>& scans);

// Writes the scans as WriteScanFiles does and loads every one of them with "Load New Files"
// (200); the number of scans loaded.
int LoadScanFiles(MainWindowFixture& f, const std::vector<GeneratedScan>& scans);

// "Continuous c(s) Distribution" (275) chosen, then the parameters dialog's entries of the c(s)
// roads: resolution 61, confidence 0.68, f/f0 1.25, the column from 6.0 to 7.2 cm.
struct CsRoadEntries {
    float rangeMin = 2.0f, rangeMax = 12.0f;
    float leftFitLimit = 6.05f, rightFitLimit = 7.1f;
};
// False when the model was not chosen.
bool ChooseCsWith(MainWindowFixture& f, const CsRoadEntries& entries);

// Ten scans of a 5 S boundary, 0.004 cm apart, loaded (the loader's boxes take their defaults).
void LoadTenScans(MainWindowFixture& f);
// LoadTenScans, then c(s) chosen on a coarse grid (0.5-10 S at 30 points).
void LoadForACoarseCs(MainWindowFixture& f);
