// The main window on the desktop backend (offscreen) after loading generated scans: what Qt shows
// is the painted picture, plots and marker lines included.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/txla_window.h"
#include "display/marker_lines.h"
#include "display/paint_switches.h"
#include "display/scan_colours.h"
#include "display/scan_rms_file.h"
#include "state/model_parameters.h"
#include "plat/backend.hpp"
#include "plat/png.hpp"
#include "plat/qt_backend.hpp"
#include "platform/src/qt/qt_probe.hpp"
#include "app/load_all_data.h"
#include "scandata/scan_store_alloc.h"
#include "support/program_folder.h"
#include "support/reset_all_state.h"
#include "support/scan_set_generator.h"
#include "support/temp_folder.h"

namespace probe = plat::qtprobe;

TEST(LoadedScansOnDesktop, QtShowsThePaintedPlots) {
    static int argc = 1;
    static char name[] = "test_display_qt";
    static char* argv[] = {name, nullptr};
    ASSERT_TRUE(plat::InstallQtBackend(argc, argv));
    ResetAllState();
    ProgramFolder folder;
    folder.WriteAcceptedPreferences();
    TempFolder data;
    gScanRmsPath = data.file("ScanRms.dat");
    auto window = std::make_unique<TXLAWindow>(nullptr, "Sedimentation Analysis");
    window->Create();
    gShowDisclaimer = false;
    probe::ResizeClient(*window, 900, 600);
    ScanSetOptions options;
    options.count = 8;
    options.points = 300;
    const std::string selection =
        SelectionBuffer(data.path(), WriteScanSet(data.path(), options));
    LoadAllData(window.get(), selection.c_str());
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE) && m.message != WM_QUIT)
        DispatchMessage(&m);
    probe::ProcessEvents();

    plat::Surface shot = probe::GrabClient(*window);
    ASSERT_EQ(shot.Width(), 900);
    const int meniscus = DataPlotColumn(window.get(), ModelParameters::meniscus);
    EXPECT_EQ(shot.GetPixel(meniscus, 100), 0x0000FFu);
    int coloured = 0;
    for (int y = 0; y < shot.Height(); ++y)
        for (int x = 0; x < shot.Width(); ++x)
            coloured += shot.GetPixel(x, y) == ScanColour(1);
    EXPECT_GT(coloured, 20);
    EXPECT_TRUE(plat::WritePng(shot, "/tmp/tarnix_qt_loaded_scans.png"));

    window.reset();
    plat::SetBackend(plat::MakeHeadlessBackend());
    ResetAllState();
}
