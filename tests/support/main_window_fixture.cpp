// The main window fixture.
#include "support/main_window_fixture.h"

#include "app/load_all_data.h"
#include "app/params_box.h"
#include "display/paint_switches.h"
#include "display/plot_coordinates.h"
#include "display/scan_rms_file.h"
#include "plotting/screen_button.h"
#include "state/model_parameters.h"
#include "state/preference_switches.h"
#include "state/scan_store.h"
#include "support/reset_all_state.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

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

void MainWindowFixture::LoadMarkerSet() {
    ScanSetOptions options;
    options.count = 3;
    options.bottom = 7.5;
    Load(options);
    ModelParameters::meniscus = 6.0f;
    ModelParameters::bottom = 7.2f;
    ScanStore::leftFitLimit = 6.3f;
    ScanStore::rightFitLimit = 7.1f;
}

void MainWindowFixture::ClickOn(const CScreenButton* b) {
    ASSERT_NE(b, nullptr);
    TXLAWindow* w = window.get();
    plat::test::click(w, LogicalToPixelX((b->left + b->right) / 2, w->clientWidth),
                      LogicalToPixelY((b->top + b->bottom) / 2, w->clientHeight));
    Paint();
}

void MainWindowFixture::Paint() {
    script.pumpUntilIdle();
}

void Send(MainWindowFixture& f, int id) {
    plat::test::command(f.window.get(), id);
    f.script.pumpUntilIdle();
}

void MainWindowFixture::Resize(int width, int height) {
    window->SetClientSize(width, height);
    script.pumpUntilIdle();
}

void MainWindowFixture::GenerateWithTheModelAsItIs(int scans, const char* noise, const char* rpm) {
    auto number = [&](const char* prompt, const std::string& answer) {
        script.expectInput().title("GENERATE DATA").prompt(prompt).answer(answer);
    };
    script.expectBox().text("Fit with M and s instead D and s?").answer(IDNO);
    number("density of points dr (cm)", "0.002");
    number("rotor speed (rpm)", rpm);
    script.expectBox().text("simulate with rotor acceleration phase?").answer(IDNO);
    number("time interval of scans (sec)", "300");
    number("number of simulated scans", std::to_string(scans));
    number("std of noise (OD)", noise);
    script.expectDialog(kDiscreteParamsDialogId).ok();
    script.expectFileSave().answer(std::vector<std::string>{data.file("0000x.RA0")});
    plat::test::command(window.get(), 214);
    script.pumpUntilIdle();
}
