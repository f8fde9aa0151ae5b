// Electrophoresis scan files as the instrument writes them, for roads that load them by the menu.
#pragma once

#include "support/main_window_fixture.h"

#include <string>
#include <vector>

// Writes `scans` files 00001.RA1... into the fixture's data folder and returns their paths:
// transmitted intensities 1000 10^-A over the position (cm), a scan every 300 s, the header line
// "[T OK]<caption> <k>". A and the positions come from the loaded scans' signal where scan k is
// held with `points` points, otherwise A = 0.3 over 1.0 to 1.4 cm.
std::vector<std::string> WriteElectrophoresisScans(MainWindowFixture& f, const std::string& caption,
                                                   int scans, int points);
