// Paths built once at start-up: the program folder, the settings files, the temp folder, the
// companion program, the auxiliary tables and the sounds. Read-only once start-up is done.
#pragma once

// Linux paths may be as long as PATH_MAX; a shorter buffer would cut deep folders and build wrong
// paths from them.
constexpr int kPathBufferSize = 4096;

extern char gProgramFolder[kPathBufferSize]; // folder of the program, with trailing '/'
// Folder of what the program writes (settings files, temp): $TARNIX_HOME when set, for a program
// installed where it cannot write, else the program folder; with trailing '/'.
extern char gSettingsFolder[kPathBufferSize];
extern char gPreferencesPath[kPathBufferSize];     // "tarnixparams.ini"
extern char gLammPreferencesPath[kPathBufferSize]; // "tarnixlammparams.ini"
extern char gMirovanProgramPath[kPathBufferSize];  // the sibling program
extern char gTempFolder[kPathBufferSize];          // exchange files and reports, trailing '/'
extern char gLastFolderFilePath[kPathBufferSize];  // "tarnix.ini"
extern char gWizardFootnote[kPathBufferSize];      // the line that ends every wizard message

// The sound sets, in the order of their paths.
enum SoundSet {
    kSoundError,
    kSoundInfo,
    kSoundQuestion,
    kSoundFitDone,
    kSoundHi,
    kSoundBye,
    kSoundOk,
    kSoundBeer,
    kSoundSetCount
};

// The auxiliary files. None of them is opened at start-up; their readers report what is missing.
struct TablePaths {
    char mofs[kPathBufferSize];
    char wormChainMofs[kPathBufferSize];
    char sounds[kSoundSetCount][kPathBufferSize];
    char viscosity[kPathBufferSize];
    char density[kPathBufferSize];
    char sNonId[kPathBufferSize];
    char dNonId[kPathBufferSize];
    char distrib[kPathBufferSize];              // in the temp folder
    char boundaryFractions[kPathBufferSize];    // in the temp folder
    char nonIdCtotTable[kPathBufferSize];       // in the temp folder
    char integrationRangeFile[kPathBufferSize]; // integration ranges of the distributions
    char optimiserLog[kPathBufferSize];         // iteration log of the fit optimisers
};
extern TablePaths gTablePaths;

// Every path above back to empty, as before start-up builds them.
void ResetStartupPaths();
