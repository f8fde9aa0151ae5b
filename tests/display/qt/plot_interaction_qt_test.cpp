// The right-button band and the tentative marker on the desktop backend (offscreen): what Qt
// shows at each step, with pictures written to /tmp for a look.
#include "display/marker_lines.h"
#include "plat/png.hpp"
#include "plotting/win_plot.h"
#include "scandata/scan_store_alloc.h"
#include "state/model_parameters.h"
#include "state/plot_interaction_state.h"
#include "support/desktop_window.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace probe = plat::qtprobe;
using Action = probe::MouseAction;

namespace {

void Pump() {
    for (int round = 0; round < 3; ++round) {
        probe::ProcessEvents();
        MSG m;
        while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE) && m.message != WM_QUIT) {
            TranslateMessage(&m);
            DispatchMessage(&m);
        }
    }
    probe::ProcessEvents();
}

plat::Surface Shot(TXLAWindow& w, const char* step) {
    Pump();
    plat::Surface s = probe::GrabClient(w);
    plat::WritePng(s, std::string("/tmp/tarnix_qt_plots_") + step + ".png");
    return s;
}

} // namespace

using PlotInteractionOnDesktop = DesktopWindowTest;

TEST_F(PlotInteractionOnDesktop, BandZoomsAndTentativeMarkerLeavesNoTrace) {
    LoadGeneratedScans();
    TXLAWindow& w = *window;

    const plat::Surface start = Shot(w, "1_loaded");
    // The band: drawn while the button is held, gone when the pointer is back on the anchor.
    probe::SendMouse(w, Action::Press, 250, 70, 2, 0);
    probe::SendMouse(w, Action::Move, 500, 230, 2, 0);
    const plat::Surface band = Shot(w, "2_band");
    EXPECT_NE(band, start);
    EXPECT_EQ(probe::CursorName(w), "cross");
    probe::SendMouse(w, Action::Move, 250, 70, 2, 0);
    EXPECT_EQ(Shot(w, "3_band_back_on_anchor"), start);
    probe::SendMouse(w, Action::Move, 500, 230, 2, 0);
    probe::SendMouse(w, Action::Release, 500, 230, 2, 0);
    const plat::Surface zoomed = Shot(w, "4_zoomed");
    EXPECT_EQ(ZoomHistory::level, 1);
    EXPECT_NE(zoomed, start);
    EXPECT_EQ(probe::CursorName(w), "arrow");
    // A right double click steps back to the full range.
    probe::SendMouse(w, Action::Press, 400, 120, 2, 0);
    probe::SendMouse(w, Action::Release, 400, 120, 2, 0);
    probe::SendMouse(w, Action::DoubleClick, 400, 120, 2, 0);
    probe::SendMouse(w, Action::Release, 400, 120, 2, 0);
    EXPECT_EQ(Shot(w, "5_zoomed_out"), start);
    EXPECT_EQ(ZoomHistory::level, 0);

    // The tentative marker: placed, nudged there and back, thrown away.
    const int x = DataPlotColumn(&w, float(ModelParameters::meniscus + 0.12));
    probe::SendMouse(w, Action::Press, x, 120, 1, 0);
    probe::SendMouse(w, Action::Release, x, 120, 1, 0);
    probe::SendMouse(w, Action::DoubleClick, x, 120, 1, 0);
    probe::SendMouse(w, Action::Release, x, 120, 1, 0);
    const plat::Surface placed = Shot(w, "6_tentative_marker");
    EXPECT_TRUE(TentativeMarker::placed);
    EXPECT_NE(placed, start);
    for (const char* key : {"Right", "Right", "Left", "Left"}) {
        probe::SendKey(w, key, true);
        probe::SendKey(w, key, false);
    }
    EXPECT_EQ(Shot(w, "7_nudged_there_and_back"), placed);
    probe::SendKey(w, "Escape", true);
    probe::SendKey(w, "Escape", false);
    Pump();
    EXPECT_FALSE(TentativeMarker::placed);
    w.RequestRepaint();
    EXPECT_EQ(Shot(w, "8_after_esc"), start);
}
