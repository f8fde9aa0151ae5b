// The saved analysis of a data folder ("~tmppars" with the scans' extension): the writer, the
// reader that restores the model state from it, and the layout both share.
#pragma once

#include <vector>

class TXLAWindow;

// A restore needs at least this many values; shorter files are not offered.
constexpr int kMinSavedParameterValues = 95;
// First value of every file of the current layout. Newer layouts only append values, so any tag
// of the same thousand is read with the fields this build knows.
constexpr int kParameterFileTag = 1001;
// The number of values TmpSaveBestParams writes.
int SavedParameterCount();

// Writes the current best parameter set to gDataPath, one "%e" value per line. false when no
// data folder is known or the file cannot be written.
bool TmpSaveBestParams(TXLAWindow* window, int flag);

// Tells that TmpSaveBestParams failed: "could not open <gDataPath>" in the error box, or
// AnalysisFailure::AnalysisNotSaved while a batch fit runs. Nothing when no data folder is known.
void ReportAnalysisNotSaved();

// Reads a parameter file strictly: every non-empty line one finite number. false (values left
// empty) when the file is missing or a line is not a number.
bool ReadParameterValues(const char* path, std::vector<float>& values);

// A file of this family: at least 95 values, the tag of the current thousand and every value
// in the range its position allows.
bool ValidParameterValues(const std::vector<float>& values);

// The model a saved file names, as the id of the command that selects it; 0 for a file of an
// older program (its model is read from its switches) or an id that names no model.
int SavedModelId(const std::vector<float>& values);

// The model a saved file holds: true when it differs from the current model choice.
bool SavedModelDiffers(const std::vector<float>& values);

// Restores from values only what a change of model leaves meaningful: meniscus, bottom, their
// bounds and the fit limits. false when the values are not a valid file.
bool RestoreGeometryValues(const std::vector<float>& values);

// Restores every value of a valid file (tag, length, ranges); positions past the file's end keep
// their values. The model switches restored are those of the saved model, family member
// included; a discrete model read from an older file clears the distribution member chosen now.
// false, with nothing changed, for values that are not a valid file.
bool RestoreAllValues(const std::vector<float>& values);
