// The main window fixture.
#include "support/main_window_fixture.h"

#include "display/paint_switches.h"
#include "display/scan_rms_file.h"
#include "app/load_all_data.h"
#include "support/reset_all_state.h"
#include "state/preference_switches.h"

MainWindowFixture::MainWindowFixture(int width, int height) {
    ResetAllState();
    folder.WriteAcceptedPreferences();
    window = std::make_unique<TXLAWindow>(nullptr, "Sedimentation Analysis");
    window->Create();
    gShowDisclaimer = false;
    // Every Run evaluates the model; the advice boxes that would follow each one are switched
    // on by the tests that check them.
    gWizardMessages = false;
    gScanRmsPath = data.file("ScanRms.dat");
    Resize(width, height);
}

MainWindowFixture::~MainWindowFixture() {
    window.reset();
    ResetAllState();
}

void MainWindowFixture::Load(const ScanSetOptions& options) {
    const std::string selection = SelectionBuffer(data.path(), WriteScanSet(data.path(), options));
    LoadAllData(window.get(), selection.c_str());
}

void MainWindowFixture::LoadScans(int count, int points) {
    ScanSetOptions options;
    options.count = count;
    options.points = points;
    Load(options);
}

void MainWindowFixture::Paint() { script.pumpUntilIdle(); }

void MainWindowFixture::Resize(int width, int height) {
    window->SetClientSize(width, height);
    script.pumpUntilIdle();
}
