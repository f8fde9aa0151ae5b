// Handing the loaded experiment to the sibling analysis program: with a continuous distribution
// model also a hybrid model parameter file and a configuration file naming experiment and model.
#pragma once

#include <string>

class TXLAWindow;

// The peaks of the current distribution handed over as discrete species by the export command;
// the batch commands' later calls of WriteMirovanParFile see the last convertPeaks answer.
struct ExportPeaks {
    static inline bool convertPeaks = false;
    static inline int peakCount = 0;
    static inline float peakS[11] = {}; // [1..peakCount]
    static inline float peakM[11] = {};
};

// Writes the parameter file (configPath with the extension "mirovan_PAR"), then the
// configuration file at configPath; false after the box of the first that cannot be written.
bool WriteMirovanParFile(TXLAWindow* window, const char* configPath, const char* xpPath);

// The sibling program in the program folder, else on the PATH; empty when there is none.
std::string FindMirovanProgram();
