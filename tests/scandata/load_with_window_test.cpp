// Loading with the program's main window: the trace lines of the load and no stray prompts.
#include "app/load_all_data.h"
#include "app/txla_window.h"
#include "plat/testing.hpp"
#include "scandata/scan_store_alloc.h"
#include "state/diagnostics.h"
#include "support/program_folder.h"
#include "support/reset_all_state.h"
#include "support/scan_set_generator.h"

#include <gtest/gtest.h>
#include <memory>

TEST(LoadWithWindow, TracesEachScanWhileDiagnosticsAreOn) {
    ProgramFolder folder;
    folder.WriteAcceptedPreferences();
    TempFolder data;
    ScanSetOptions options;
    options.count = 2;
    options.points = 300;
    std::string selection = SelectionBuffer(data.path(), WriteScanSet(data.path(), options));
    plat::test::Script script;
    auto window = std::make_unique<TXLAWindow>(nullptr, "Sedimentation Analysis");
    window->Create();
    gDiagnosticsOn = true;
    LoadAllData(window.get(), selection.c_str());
    EXPECT_EQ(ScanStore::scanCount, 2);
    std::string trace = ReadTextFile(folder.file("Tarnixdebug_t0.txt"));
    EXPECT_NE(trace.find("\n --> " + data.file("00002.RA1") + " (300 data points)"),
              std::string::npos)
        << trace;
    EXPECT_TRUE(script.done());
    gDiagnosticsOn = false;
    window.reset();
    ResetAllState();
}
