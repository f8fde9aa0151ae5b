// The shared steps of the model roads through the menu.
#include "support/model_road.h"

#include "app/params_box.h"
#include "plat/messages.hpp"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/main_window_fixture.h"
#include "support/velocity_store.h"

#include <cstdio>
#include <fstream>
#include <random>
#include <string>

void SendCommand(MainWindowFixture& f, int id) {
    plat::test::command(f.window.get(), id);
    f.script.pumpUntilIdle();
}

void StartVelocityRoad(MainWindowFixture& f, const VelocitySet& set) {
    ScanPaths::gDataPath = f.data.file("~tmppars.RA1");
    FillVelocityStore(set);
}

bool RunModelAsNoisyData(MainWindowFixture& f, unsigned seed, float noise) {
    SendCommand(f, 213);
    std::mt19937 random(seed);
    std::normal_distribution<float> draw(0.0f, noise);
    double sum = 0.0;
    for (int k = 1; k <= ScanStore::scanCount; ++k)
        for (int p = 1; p <= ScanStore::pointCount[k]; ++p) {
            ScanStore::signal[k][p] = ScanStore::fit[k][p] + draw(random);
            sum += ScanStore::fit[k][p];
        }
    return sum > 0.0;
}

void FitWithLevenbergMarquardt(MainWindowFixture& f) {
    f.script.expectBox().caption("SET PREFERENCE").text("save as default setting?").answer(IDNO);
    SendCommand(f, 824); // Levenberg-Marquardt
    SendCommand(f, 215);
}

std::vector<std::string> WriteScanFiles(MainWindowFixture& f,
                                        const std::vector<GeneratedScan>& scans) {
    std::vector<std::string> paths;
    for (std::size_t k = 0; k < scans.size(); ++k) {
        char name[20];
        std::snprintf(name, sizeof name, "%05zu.RA1", k + 1);
        std::ofstream(f.data.file(name)) << scans[k].Text();
        paths.push_back(f.data.file(name));
    }
    return paths;
}

int LoadScanFiles(MainWindowFixture& f, const std::vector<GeneratedScan>& scans) {
    f.script.expectFileOpen().answer(WriteScanFiles(f, scans));
    f.script.expectInput().caption("LOAD FILES").prompt("load every n'th file:").answer("1");
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(200), 0); // Load New Files
    return ScanStore::scanCount;
}

bool ChooseCsWith(MainWindowFixture& f, const CsRoadEntries& entries) {
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(275), 0); // Continuous c(s) Distribution
    ContiState::rangeMin = entries.rangeMin;
    ContiState::rangeMax = entries.rangeMax;
    ContiState::resolution = 61.0f;
    ContiState::confidenceLevel = 0.68f;
    ContiState::ff0 = 1.25f;
    ModelParameters::meniscus = 6.0f;
    ModelParameters::bottom = 7.2f;
    ScanStore::leftFitLimit = entries.leftFitLimit;
    ScanStore::rightFitLimit = entries.rightFitLimit;
    return ModelChoice::contiMode && ModelChoice::contiCs;
}

void LoadTenScans(MainWindowFixture& f) {
    ScanSetOptions options;
    options.count = 10;
    options.dr = 0.004;
    f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
    f.Load(options);
}

void LoadForACoarseCs(MainWindowFixture& f) {
    LoadTenScans(f);
    SendCommand(f, 275);
    f.script.expectDialog(kDistributionParamsDialogId)
        .set(kRangeMinId, "0.5")
        .set(kRangeMaxId, "10")
        .set(kResolutionId, "30")
        .ok();
    SendCommand(f, 212);
}
