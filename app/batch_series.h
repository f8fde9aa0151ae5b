// The batch over series chosen in the plotting program: the program is started watching the
// data folder, writes the series file there, and is told by "distFinis.txt" that the batch is
// complete.
#pragma once

#include <string>

class TXLAWindow;

// The data folder of the series exchange, with its trailing separator.
extern std::string gSeriesFolder;
// Where the plotting program was found (empty when it was not).
extern std::string gVizraExePath;

// The plotting program in the program folder ("VIZRA/VIZRA", also with ".exe") or on the PATH;
// empty when neither has it.
std::string FindVizraProgram();
// Checks the loaded analysis, moves earlier exchange files aside, starts the plotting program
// and waits for its series file; false (after its box) when any step fails.
bool StartVizraWatch(TXLAWindow* window);
// Reads the series file of the mode into the series table; false when it is missing, empty or
// malformed (nothing is then fitted).
bool ReadSeriesListOfLists(TXLAWindow* window);
// Collects the existing scan files series folder + prefix + "%05d" + "." + extension from first
// to last in steps (the last number always tried) and writes their list file; its path in
// listPath. False when fewer than two files were found.
bool MakeSeriesListFile(TXLAWindow* window, std::string& listPath, const std::string& prefix,
                        const std::string& extension, int first, int last, int step);
// The batch over the series table.
bool RunSerialFitSeries(TXLAWindow* window);
// Writes "distFinis.txt" (name, rmsd, meniscus and f/f0 of every series) and empties the table;
// false (table kept) when it cannot be written.
bool WriteDistFinis(TXLAWindow* window);
