// The main window on the desktop backend (offscreen) after loading generated scans: what Qt shows
// is the painted picture, plots and marker lines included.
#include "display/marker_lines.h"
#include "display/scan_colours.h"
#include "plat/png.hpp"
#include "state/model_parameters.h"
#include "support/desktop_window.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace probe = plat::qtprobe;

using LoadedScansOnDesktop = DesktopWindowTest;

TEST_F(LoadedScansOnDesktop, QtShowsThePaintedPlots) {
    LoadGeneratedScans();

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
}
