// The program folder fixture of the shell's tests.
#include "support/program_folder.h"

#include "app/startup_environment.h"
#include "state/diagnostics.h"
#include "state/startup_paths.h"
#include "support/reset_all_state.h"

ProgramFolder::ProgramFolder() {
    ResetAllState();
    SetProgramPath(programPath().c_str());
    diagnosticsFolder_ = folder_.path() + "/";
    gDiagnosticsFolder = diagnosticsFolder_.c_str();
}

ProgramFolder::~ProgramFolder() {
    gDiagnosticsFolder = "/tmp/";
}

void ProgramFolder::WriteAcceptedPreferences() const {
    WriteTextFile(file("tarnixparams.ini"),
                  "1\n0.0010\n0\n0\n0\n0\n0\n1\n1\n1\n0\n2\n1\n1\n2\n1.0\n0\n100\n100\n");
}
