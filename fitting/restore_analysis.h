// Restoring the saved analysis of a data folder.
#pragma once

#include <string>

class TXLAWindow;

// Offers the saved analysis of the data folder (gDataPath) and reloads it on Yes; true when
// restored. Silent and false when the file is missing or holds fewer than 95 values; without
// a question during a batch fit that restores previous parameters.
bool RestorePreviousAnalysis(TXLAWindow* window, bool ask);
// Reloads a saved parameter file ("~tmppars" or "~p") and restores the model choice,
// parameters, options and records from it; false, with nothing changed, when the file is
// missing, too short, of another layout or holds a line that is not a finite number.
bool ReloadParameters(TXLAWindow* window, const char* path);
// The refusal of a saved analysis that exists but holds a line that is not a finite number;
// empty for any other file.
std::string SavedAnalysisRefusal(const char* path);
