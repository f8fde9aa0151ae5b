// The M(s) table of the model "Continuous c(s) with M(s) table": molar mass against
// sedimentation coefficient, read from a two-column file.
#pragma once

#include <string>
#include <vector>

// Reads rows of s (S) and M (Da) (further columns ignored, blank lines skipped) into the table.
// Refuses, with the reason and the table kept, a line that is not numbers, a non-finite value,
// a molar mass that is not positive, s values that do not ascend and fewer than 2 rows.
// Empty on success.
std::string LoadMofSTable(const std::string& path);
// The same from text.
std::string ParseMofSTable(const std::string& text);
// The table holds at least 2 rows.
bool MofSTableLoaded();
// Forgets the table.
void ClearMofSTable();

// The molar mass (Da) of s (S) from the loaded table: linear between its rows, extrapolated
// linearly from the two end rows outside them, at least 0; 0 without a table. The table holds
// s at the data's temperature, so temperatureC selects nothing further.
double InterpolateMofS(double s, double temperatureC);
