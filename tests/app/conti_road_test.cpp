// A user's road through the menu: two species of one f/f0 written as scan files, loaded,
// "Continuous c(s) Distribution" chosen, Run, the Fit of f/f0 and meniscus, each peak integrated
// with the menu command and a right-button band on the distribution plot, the distribution saved
// and read back.
#include "app/txla_window.h"
#include "display/plot_coordinates.h"
#include "display/plot_hit_tests.h"
#include "display/screen_button_set.h"
#include "distributions/distribution_files.h"
#include "foundations/nr_arrays.h"
#include "plat/messages.hpp"
#include "plotting/win_plot.h"
#include "scandata/common_grid.h"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/conti_data_store.h"
#include "support/main_window_fixture.h"
#include "support/model_road.h"
#include "support/scan_set_generator.h"
#include "support/two_peak_scans.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

double NumberAfter(const std::string& text, const std::string& key) {
    const std::size_t at = text.find(key);
    return at == std::string::npos ? NAN : std::atof(text.c_str() + at + key.size());
}

} // namespace

TEST(ContiRoad, LoadRunFitIntegrateSaveThroughTheMenu) {
    const std::vector<GeneratedScan> scans = TwoSpeciesScans();
    MainWindowFixture f;
    f.script.onUnexpected(plat::test::Unexpected::Cancel);
    const std::vector<std::string> paths = WriteScanFiles(f, scans);
    f.script.expectFileOpen().answer(paths);
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(200), 0); // Load New Files
    ASSERT_EQ(ScanStore::scanCount, 12);

    SendMessage(f.window.get(), WM_COMMAND, WPARAM(275), 0); // Continuous c(s) Distribution
    ASSERT_TRUE(ModelChoice::contiMode && ModelChoice::contiCs);
    // the Parameters dialog is not part of this version: its entries are set here
    ContiState::rangeMin = 0.0f;
    ContiState::rangeMax = 15.0f;
    ContiState::resolution = 76.0f;
    ContiState::confidenceLevel = 0.68f;
    ContiState::ff0 = 1.2f;
    ModelParameters::meniscus = 6.02f;
    ModelParameters::bottom = 7.2f;
    ScanStore::leftFitLimit = 6.05f;
    ScanStore::rightFitLimit = 7.12f;
    FitControl::meniscusMin = 5.95f;
    FitControl::meniscusMax = 6.04f;
    FitControl::simplexTolerance = 1e-5;

    SendMessage(f.window.get(), WM_COMMAND, WPARAM(213), 0); // Run
    ASSERT_NE(ContiState::distributionPlot, nullptr) << f.script.logText();
    EXPECT_EQ(ScanStore::distPlotRect[1], 350) << "the scans make room for the distribution";
    EXPECT_NE(ScreenButtonSet::integrateButton, nullptr) << "the integration button comes along";
    {
        // the grid's abscissae are kept as the data folder's vector file
        std::int32_t count = 0;
        float* grid = LoadVectorFile(&count);
        ASSERT_NE(grid, nullptr);
        ASSERT_EQ(count, ContiState::gridPoints);
        for (int p = 1; p <= count; ++p)
            EXPECT_NEAR(grid[p], ContiState::sValues[p], 1e-5) << p;
        free_vector(grid, 1, count);
    }

    ContiState::ff0Float = 1;
    ModelParameters::meniscusFloat = 1;
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(215), 0); // Fit
    EXPECT_NEAR(ContiState::ff0, 1.25, 0.05 * 1.25);
    EXPECT_NEAR(ModelParameters::meniscus, 6.0, 0.003);
    f.Paint();

    // Each peak: "integrate distribution", then the range drawn with the right button on the
    // distribution plot; the band also zooms the plot, which goes back to full scale after.
    TXLAWindow* w = f.window.get();
    auto column = [&](float s) {
        return LogicalToPixelX(DataToLogicalX(*ContiState::distributionPlot, s), w->clientWidth);
    };
    const int row = static_cast<int>(0.8 * w->clientHeight);
    struct Peak {
        float lo, hi;
        double loading, s;
    } peaks[] = {{2.5f, 5.0f, 0.3, 3.5}, {5.5f, 9.5f, 0.6, 7.0}};
    for (const Peak& p : peaks) {
        plat::test::Script script;
        script.expectBox().caption("INTEGRATE DISTRIBUTION").answer(IDOK);
        script.expectBox().caption("INTEGRATE DISTRIBUTION").answer(IDOK);
        SendMessage(w, WM_COMMAND, WPARAM(456), 0);
        ASSERT_TRUE(InsideDistributionPlot(w, column(p.lo), row));
        plat::test::mouse(w, WM_RBUTTONDOWN, column(p.lo), row, MK_RBUTTON);
        plat::test::mouse(w, WM_MOUSEMOVE, column(p.hi), row, MK_RBUTTON);
        plat::test::mouse(w, WM_RBUTTONUP, column(p.hi), row);
        script.pumpUntilIdle();
        ASSERT_TRUE(script.done()) << script.logText();
        const std::string text = script.log().back().text;
        EXPECT_NEAR(NumberAfter(text, "c = "), p.loading, 0.03 * p.loading) << text;
        EXPECT_NEAR(NumberAfter(text, "weight-average "), p.s, 0.03 * p.s) << text;
        EXPECT_NEAR(ContiState::distributionPlot->xMax, p.hi, 0.05) << "zoomed to the band";
        SendMessage(w, WM_COMMAND, WPARAM(458), 0); // Full-scale Distribution Plot
    }

    const std::string saved = f.data.file("distrib.dat");
    {
        plat::test::Script script;
        script.expectFileSave().answer(saved);
        SendMessage(f.window.get(), WM_COMMAND, WPARAM(271), 0);
        ASSERT_TRUE(script.done()) << script.logText();
    }
    const std::vector<float> s(ContiState::sValues + 1,
                               ContiState::sValues + ContiState::gridPoints + 1);
    const std::vector<float> c(ContiState::distribution + 1,
                               ContiState::distribution + ContiState::gridPoints + 1);
    ASSERT_TRUE(LoadDistributionFromFile(saved.c_str()));
    EXPECT_EQ(std::vector<float>(ContiState::sValues + 1,
                                 ContiState::sValues + ContiState::gridPoints + 1),
              s);
    EXPECT_EQ(std::vector<float>(ContiState::distribution + 1,
                                 ContiState::distribution + ContiState::gridPoints + 1),
              c);
}
