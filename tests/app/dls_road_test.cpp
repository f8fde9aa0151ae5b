// A user's road through the menu with light-scattering data: two g(2)-1 files of one decay
// loaded with "load DLS Data", "DLS: Continuous I(Rh)-Distribution" chosen and Run, the g(1)
// question answered, the distribution drawn beside the curves with its peak at the Stokes radius;
// then the time course of the same curves by Run and by Fit.
#include "app/txla_window.h"
#include "distributions/dls_time_course.h"
#include "foundations/hydrodynamics.h"
#include "plat/messages.hpp"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/dls_data.h"
#include "state/model_choice.h"
#include "state/preference_switches.h"
#include "support/distribution_maximum.h"
#include "support/dls_file_generator.h"
#include "support/main_window_fixture.h"

#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// g(2)-1 of a decay with D (cm^2/s) at 90 degrees, n = 1.333, 632.8 nm, 1e-7 .. 1e-1 s.
DlsFileContent Decay(double D, double timeS) {
    DlsFileContent c;
    c.time = timeS;
    for (int i = 0; i <= 120; ++i) {
        const double lag = std::pow(10.0, -7.0 + i / 20.0);
        c.lags.push_back(lag);
        c.values.push_back(std::exp(-2e-4 * D * 3.50363e14 * lag));
    }
    return c;
}

} // namespace

TEST(DlsRoad, LoadChooseIRhRunAndTheTimeCourseThroughTheMenu) {
    MainWindowFixture f{900, 650};
    gAlwaysLoadG2 = true;
    const double D = 5e-7;
    const std::vector<std::string> paths = {f.data.write("a.dlsdat", DlsFileText(Decay(D, 0.0))),
                                            f.data.write("b.dlsdat", DlsFileText(Decay(D, 100.0)))};
    f.script.expectFileOpen().answer(paths);
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(298), 0); // load DLS Data
    ASSERT_EQ(ScanStore::scanCount, 2) << f.script.logText();
    ASSERT_FALSE(ScanStore::dlsRecords[1].isFieldAcf);

    SendMessage(f.window.get(), WM_COMMAND, WPARAM(503), 0); // DLS: Continuous I(Rh)
    ASSERT_TRUE(ModelChoice::contiMode && ModelChoice::dlsIRh) << f.script.logText();
    EXPECT_EQ(ContiState::rangeMin, 1.0f);
    EXPECT_EQ(ContiState::rangeMax, 50.0f);
    ContiState::resolution = 98.0f; // half a nanometre apart

    f.script.expectBox()
        .text("DLS data for this model must be field autocorrelation g(1) - transform?")
        .answer(IDYES);
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(213), 0); // Run
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    ASSERT_NE(ContiState::distributionPlot, nullptr) << f.script.logText();
    const double truth = StokesEinsteinD(1e-9f, 20.0f) / D;
    EXPECT_NEAR(DistributionMaximumAbscissa(), truth, 0.51) << "Stokes radius " << truth << " nm";
    f.Paint();
    if (const char* keep = std::getenv("TARNIX_KEEP_PNG"))
        plat::test::windowPng(*f.window, std::string(keep) + "/dls_irh.png");

    // The time course of the same curves: one slice each, by Run and, with nothing to fit, by
    // Fit alike.
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(522), 0); // Continuous I(Rh,t)-Time-Course
    ASSERT_TRUE(ModelChoice::contiMode && ModelChoice::dlsIRhTimeCourse) << f.script.logText();
    for (int command : {213, 215}) {
        ClearDlsTimeCourse();
        SendMessage(f.window.get(), WM_COMMAND, WPARAM(command), 0);
        const DlsTimeCourse& course = LastDlsTimeCourse();
        ASSERT_EQ(course.values.size(), 2u) << "command " << command << f.script.logText();
        EXPECT_NEAR(DistributionMaximumAbscissa(), truth, 0.51) << "command " << command;
    }
    EXPECT_TRUE(f.script.done()) << f.script.logText();
}

// Curves on lags of their own are resampled onto a grid of their own; the toggle between g(2)-1
// and g(1) used to convert the curves only, so a Run afterwards fitted the grid's copies of the
// other function. The grid now follows, and I(D) finds the true D on the converted curves.
TEST(DlsRoad, ToggledCurvesOnAGridOfTheirOwnReachTheRun) {
    MainWindowFixture f{900, 650};
    gAlwaysLoadG2 = true;
    const double D = 5e-7;
    DlsFileContent shifted = Decay(D, 100.0);
    for (double& lag : shifted.lags)
        lag *= 1.05;
    const std::vector<std::string> paths = {f.data.write("a.dlsdat", DlsFileText(Decay(D, 0.0))),
                                            f.data.write("b.dlsdat", DlsFileText(shifted))};
    f.script.expectFileOpen().answer(paths);
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(298), 0); // load DLS Data
    ASSERT_EQ(ScanStore::scanCount, 2) << f.script.logText();
    ASSERT_TRUE(ScanStore::gridSignalAllocated) << "the lags differ: the grid is its own";
    const int j = ScanStore::gridCount / 3;
    const float before = ScanStore::gridSignal[1][j];
    ASSERT_GT(before, 0.05f);

    SendMessage(f.window.get(), WM_COMMAND, WPARAM(898), 0); // toggle to g(1)
    ASSERT_TRUE(ScanStore::dlsRecords[1].isFieldAcf);
    EXPECT_NEAR(ScanStore::gridSignal[1][j], std::sqrt(before), 1e-3);

    SendMessage(f.window.get(), WM_COMMAND, WPARAM(502), 0); // DLS: Continuous I(D)
    ASSERT_TRUE(ModelChoice::contiMode && ModelChoice::dlsID) << f.script.logText();
    ContiState::rangeMin = -8.0f, ContiState::rangeMax = -5.0f;
    ContiState::resolution = 61.0f;
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(213), 0); // Run: no question, data are g(1)
    ASSERT_NE(ContiState::distribution, nullptr) << f.script.logText();
    EXPECT_NEAR(DistributionMaximumAbscissa(), std::log10(D), 0.051)
        << "log10 D, one grid step 0.05";
    EXPECT_TRUE(f.script.done()) << f.script.logText();
}
