// The start-up paths, empty until start-up builds them.
#include "state/startup_paths.h"

#include <initializer_list>

char gProgramFolder[kPathBufferSize];
char gSettingsFolder[kPathBufferSize];
char gPreferencesPath[kPathBufferSize];
char gLammPreferencesPath[kPathBufferSize];
char gMirovanProgramPath[kPathBufferSize];
char gTempFolder[kPathBufferSize];
char gLastFolderFilePath[kPathBufferSize];
char gWizardFootnote[kPathBufferSize];
TablePaths gTablePaths;

void ResetStartupPaths() {
    for (char* path : {gProgramFolder, gSettingsFolder, gPreferencesPath, gLammPreferencesPath,
                       gMirovanProgramPath, gTempFolder, gLastFolderFilePath, gWizardFootnote})
        path[0] = '\0';
    gTablePaths = TablePaths{};
}
