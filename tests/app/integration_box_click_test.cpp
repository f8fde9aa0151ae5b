// The box that reports an integrated range, answered with the mouse as the user answers it.
#include "app/txla_window.h"
#include "display/plot_coordinates.h"
#include "display/plot_hit_tests.h"
#include "display/screen_button_set.h"
#include "plotting/win_plot.h"
#include "state/conti_state.h"
#include "support/main_window_fixture.h"
#include "support/model_road.h"

#include <gtest/gtest.h>
#include <string>

namespace {

// The band over a c(s) peak, started from the menu or from the button on the plot, opens the box
// with the integral when the right button is released. The band held the mouse capture while the
// box was up: a click on its button went to the main window, and only Return closed it.
TEST(IntegrationBox, AClickClosesItAndNeverReachesTheWindow) {
    for (const bool fromMenu : {true, false}) {
        const std::string name = fromMenu ? "from the menu" : "from the button on the plot";
        MainWindowFixture f(900, 650);
        LoadForACoarseCs(f);
        SendCommand(f, 213);
        TXLAWindow* w = f.window.get();
        ASSERT_NE(ContiState::distributionPlot, nullptr);
        f.script.onUnexpected(plat::test::Unexpected::Fail);
        f.script.expectBox().textHas("Draw the range").answer(IDOK);
        f.script.expectBox()
            .caption("INTEGRATE DISTRIBUTION")
            .textHas("c = ")
            .clicked()
            .answer(IDOK);
        if (fromMenu)
            SendCommand(f, 456);
        else
            f.ClickOn(ScreenButtonSet::integrateButton);

        auto column = [&](float s) {
            return LogicalToPixelX(DataToLogicalX(*ContiState::distributionPlot, s),
                                   w->clientWidth);
        };
        const int row = int(0.8f * w->clientHeight);
        ASSERT_TRUE(InsideDistributionPlot(w, column(3.0f), row)) << name;
        plat::test::mouse(w, WM_RBUTTONDOWN, column(3.0f), row, MK_RBUTTON);
        plat::test::mouse(w, WM_MOUSEMOVE, column(7.0f), row, MK_RBUTTON);
        plat::test::mouse(w, WM_RBUTTONUP, column(7.0f), row);
        // The window's loop up to the release, which shows the box.
        for (MSG msg; GetMessage(&msg, nullptr, 0, 0);) {
            DispatchMessage(&msg);
            if (msg.message == WM_RBUTTONUP)
                break;
        }
        MSG click;
        EXPECT_FALSE(PeekMessage(&click, w, WM_LBUTTONDOWN, WM_LBUTTONUP, PM_NOREMOVE)) << name;
        EXPECT_FALSE(w->HasCapture()) << name;
        f.script.pumpUntilIdle();
        EXPECT_TRUE(f.script.done()) << name << "\n" << f.script.logText();
        EXPECT_EQ(f.script.log().back().answer, "clicked") << name;
    }
}

} // namespace
