// The program folder fixture of the shell's tests.
#include "support/program_folder.h"

#include "app/startup_environment.h"
#include "state/diagnostics.h"
#include "state/startup_paths.h"
#include "support/reset_all_state.h"

namespace {
ProgramFolder* gLiveFolder = nullptr;
}

ProgramFolder::ProgramFolder() : diagnosticsFolder_(folder_.path() + "/"), previous_(gLiveFolder) {
    gLiveFolder = this;
    ResetAllState();
}

ProgramFolder::~ProgramFolder() {
    gLiveFolder = previous_;
    ResetStartupPaths();
    gDiagnosticsFolder = "/tmp/";
    PointPathsIntoTheLiveFolder();
}

void ProgramFolder::PointPathsIntoTheLiveFolder() {
    if (gLiveFolder)
        gLiveFolder->PointPathsHere();
}

void ProgramFolder::PointPathsHere() {
    SetProgramPath(programPath().c_str());
    gDiagnosticsFolder = diagnosticsFolder_.c_str();
}

void ProgramFolder::WriteAcceptedPreferences() const {
    WriteTextFile(file("tarnixparams.ini"),
                  "1\n0.0010\n0\n0\n0\n0\n0\n1\n1\n1\n0\n2\n1\n1\n2\n1.0\n0\n100\n100\n");
}
