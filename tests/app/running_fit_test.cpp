// A running fit, as the user meets it: a key stops it however the mouse moves over the refreshing
// window and however it was started, and the stopped fit keeps, shows and names its best values;
// what is copied or shown meanwhile is the running fit's.
#include "app/params_box.h"
#include "fitting/parameter_report.h"
#include "plat/app.hpp"
#include "scandata/fit_limits.h"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/model_parameters.h"
#include "state/preference_switches.h"
#include "state/window_services.h"
#include "support/main_window_fixture.h"
#include "support/model_road.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using M = ModelParameters;

// Ten scans of a 5 S boundary (meniscus 5.90 cm), the residuals plot refreshed at every trial;
// c(s) on 0.5-10 S at 30 points with the meniscus floated from 5.93 cm, or one species' s
// floated from 4 S.
void LoadAndChoose(MainWindowFixture& f, bool cs, bool floatMeniscus = true) {
    gUpdateResidualsPlot = true;
    gMaxUpdateInterval = 0.0f;
    ScanSetOptions options;
    options.count = 10;
    options.dr = 0.004;
    f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
    f.Load(options);
    if (cs) {
        SendCommand(f, 275);
        f.script.expectDialog(kDistributionParamsDialogId)
            .set(kRangeMinId, "0.5")
            .set(kRangeMaxId, "10")
            .set(kResolutionId, "30")
            .ok();
        SendCommand(f, 212);
        M::meniscus = floatMeniscus ? 5.93f : M::meniscus;
        M::meniscusFloat = floatMeniscus;
    } else {
        M::speciesS[1] = 4.0f;
        M::speciesSFloat[1] = 1;
    }
    PackFitParameters();
}

// What the fit's view does at each refresh besides refreshing, while a hook is in place.
std::function<void(TXLAWindow*)> gAtRefresh;
void (*gOriginalView)(TXLAWindow*) = nullptr;
int gRefreshes = 0;

struct ViewHook {
    explicit ViewHook(std::function<void(TXLAWindow*)> act) {
        gRefreshes = 0;
        gAtRefresh = std::move(act);
        gOriginalView = WindowServices::table.drawResidualsView;
        WindowServices::table.drawResidualsView = [](TXLAWindow* w) {
            gOriginalView(w);
            ++gRefreshes;
            gAtRefresh(w);
        };
    }
    ~ViewHook() { WindowServices::table.drawResidualsView = gOriginalView; }
};

std::string ReportText() {
    std::string text;
    for (const std::string& line : ParameterReportLines())
        text += line + "\r\n";
    return text;
}

bool ReportSaysStopped() {
    return ReportText().find("\r\nstopped by a key\r\n") != std::string::npos;
}

// The user moves the mouse over the window while the fit refreshes it, more moves between two
// refreshes than the fit polls the keyboard, and presses Escape at the second refresh. A poll used
// to take one message only: behind the moves the key was never reached, and the fit ran to its
// end. A c(s) Fit that a key did stop showed its start values.
TEST(RunningFit, AKeyStopsItWhereverItWasStartedAndTheBestValuesAreKeptShownAndNamed) {
    for (const bool cs : {false, true})
        for (const bool accelerator : {false, true}) {
            const std::string name = std::string(cs ? "c(s)" : "discrete") +
                                     (accelerator ? " by Ctrl-F" : " from the menu");
            MainWindowFixture f(900, 650);
            TXLAWindow* w = f.window.get();
            LoadAndChoose(f, cs);
            SendCommand(f, 213);
            const float startRmsd = CalcFitRmsd();
            int moves = 0;
            {
                ViewHook hook([&](TXLAWindow* window) {
                    for (int i = 0; i < 50; ++i, ++moves)
                        plat::test::mouse(window, WM_MOUSEMOVE, 200 + moves % 100, 300);
                    if (gRefreshes == 2)
                        plat::test::key(window, VK_ESCAPE, 27);
                });
                if (accelerator)
                    plat::test::key(w, 'F', 0, MK_CONTROL);
                else
                    plat::test::command(w, 215);
                // One turn of the program's message loop: the fit runs inside it.
                MSG msg;
                ASSERT_TRUE(GetMessage(&msg, nullptr, 0, 0));
                if (!TranslateAccelerator(w, w->GetAcceleratorTable(), &msg))
                    DispatchMessage(&msg);
            }
            EXPECT_TRUE(FitControl::fitAborted) << name;
            EXPECT_LE(gRefreshes, 4) << name << ": the fit went on after the key";
            // The moves are still there for the message loop, none lost.
            int queued = 0;
            for (MSG m; PeekMessage(&m, w, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE) &&
                        m.message == WM_MOUSEMOVE;)
                ++queued;
            EXPECT_EQ(queued, moves) << name;
            f.script.pumpUntilIdle();

            // The best values reached are kept, never worse than the start; the curves shown are
            // theirs, and the report says the fit was stopped until a Run shows the model again.
            EXPECT_LE(CalcFitRmsd(), startRmsd * (1.0f + 1e-6f)) << name;
            EXPECT_TRUE(ReportSaysStopped()) << name << "\n" << ReportText();
            std::vector<float> shown;
            for (int k = 1; k <= ScanStore::scanCount; ++k)
                shown.insert(shown.end(), ScanStore::fit[k] + 1,
                             ScanStore::fit[k] + 1 + ScanStore::pointCount[k]);
            SendCommand(f, 213);
            for (int k = 1, i = 0; k <= ScanStore::scanCount; ++k)
                for (int p = 1; p <= ScanStore::pointCount[k]; ++p, ++i)
                    ASSERT_NEAR(ScanStore::fit[k][p], shown[std::size_t(i)], 1e-5f) << name;
            EXPECT_FALSE(ReportSaysStopped()) << name;
            EXPECT_TRUE(f.script.done()) << name << "\n" << f.script.logText();
        }
}

} // namespace
