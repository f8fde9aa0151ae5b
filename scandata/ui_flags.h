// Switches the load commands set for the painter and the loader while they run.
#pragma once

#include <string>

struct UiFlags {
    // A load command's file dialog or stride question is open: the painter skips the plots.
    static inline bool suppressPlotPaint = false;
    // The scans of a list file are taken from the list file's own folder (listFileDir) instead of
    // the folder written in the list; cleared as soon as the loader returns.
    static inline bool useListFileFolder = false;
    static inline std::string listFileDir; // with its trailing separator
    // The client size in pixels, written by every paint; sizes the on-plot buttons. Before the
    // first paint the size of the logical plot space.
    static inline int clientWidthPixels = 1400;
    static inline int clientHeightPixels = 1000;

    static void ResetToDefaults() {
        suppressPlotPaint = false;
        useListFileFolder = false;
        listFileDir.clear();
        clientWidthPixels = 1400;
        clientHeightPixels = 1000;
    }
};
