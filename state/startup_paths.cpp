// The start-up paths, empty until start-up builds them.
#include "state/startup_paths.h"

char gProgramFolder[kPathBufferSize];
char gSettingsFolder[kPathBufferSize];
char gPreferencesPath[kPathBufferSize];
char gLammPreferencesPath[kPathBufferSize];
char gMirovanProgramPath[kPathBufferSize];
char gTempFolder[kPathBufferSize];
char gLastFolderFilePath[kPathBufferSize];
char gWizardFootnote[kPathBufferSize];
TablePaths gTablePaths;
