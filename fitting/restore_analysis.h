// Restoring the saved analysis of a data folder.
#pragma once

class TXLAWindow;

// Offers the saved analysis of the data folder and reloads it on Yes; true when restored.
bool RestorePreviousAnalysis(TXLAWindow* window, bool ask);
