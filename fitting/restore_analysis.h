// Restoring the saved analysis of a data folder.
#pragma once

class TXLAWindow;

// Offers the saved analysis of the data folder and reloads it on Yes; true when restored.
bool RestorePreviousAnalysis(TXLAWindow* window, bool ask);
// Reloads a saved parameter file ("~tmppars" or "~p") and restores the model state from it.
void ReloadParameters(TXLAWindow* window, const char* path);
