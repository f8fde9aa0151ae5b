// The auxiliary plot programs in the program's "bin" folder, found when the main window is set up.
#pragma once

#include "state/startup_paths.h"

class TXLAWindow;

struct AuxPlotProgram {
    const char* relativePath; // below the program folder
    int commandId;            // its menu command, removed when the program is missing
    char path[kPathBufferSize];
    bool available;
};

enum AuxPlotProgramIndex {
    kPlot3d,
    kMovie,
    kDataFitRes,
    kDataFitResDist,
    kSizeShape,
    kBestStructure,
    kAuxPlotProgramCount
};

extern AuxPlotProgram AuxPlotPaths[kAuxPlotProgramCount];

// Builds the six paths, notes which programs exist and deletes the menu items of the others.
void DetectExternalPlotPrograms(TXLAWindow* window);
