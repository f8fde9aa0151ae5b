// Start-up: the program folder, the application object and its main window.
#include "app/txla_app.h"

#include "app/startup_environment.h"
#include "app/txla_window.h"
#include "fitting/default_parameters.h"
#include "state/startup_paths.h"

#include <cstdio>

void TXLAApp::InitMainWindow() {
    InitDefaultParameters();
    CheckStartupEnvironment();
    SetMainWindow(new TXLAWindow(nullptr, "Sedimentation Analysis"));
    std::snprintf(gWizardFootnote, kPathBufferSize, "%s",
                  "\n\n\n(to switch off wizard messages, use menu Help->Info and Wizard Messages)");
}

int OwlMain(int argc, char* argv[]) {
    SetProgramPath(argc > 0 && argv[0] ? argv[0] : "");
    TXLAApp app;
    return app.Run();
}
