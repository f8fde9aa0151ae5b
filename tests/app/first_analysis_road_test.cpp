// The first analysis of the README, step by step with its values, as a new user meets it: two
// species generated (4 S / 50 kDa and 8 S / 140 kDa, 40 scans, noise 0.005 OD), loaded, the
// discrete species fitted from values a little off, then c(s) run and fitted, each peak
// integrated with a right-button band, the fit saved, and the analysis restored at the next load
// of the same scans under another model.
#include "app/params_box.h"
#include "display/plot_coordinates.h"
#include "fitting/parameter_report.h"
#include "foundations/random_numbers.h"
#include "plotting/win_plot.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/scan_store.h"
#include "support/generated_scans.h"
#include "support/main_window_fixture.h"
#include "support/race_checker.h"
#include "support/typed_components.h"

#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

namespace {

using C = ContiState;
using M = ModelParameters;
constexpr int kScans = FullOrUnderRaceChecker(40, 10); // the README's 40; 10 under the race checker
constexpr double kNoise = 0.005;
// The c(s) grid: the README's 100 points, 60 under the race checker.
constexpr const char* kCsPoints = FullOrUnderRaceChecker("100", "60");

double NumberAfter(const std::string& text, const std::string& key) {
    const std::size_t at = text.find(key);
    return at == std::string::npos ? NAN : std::atof(text.c_str() + at + key.size());
}

std::string ReportText() {
    std::string text;
    for (const std::string& l : ParameterReportLines())
        text += l + "\n";
    return text;
}

void KeepPng(MainWindowFixture& f, const std::string& name) {
    f.Paint();
    EXPECT_TRUE(plat::test::windowPng(*f.window, f.data.file(name)));
    if (const char* keep = std::getenv("TARNIX_KEEP_PNG"))
        plat::test::windowPng(*f.window, std::string(keep) + "/" + name);
}

// The s of the distribution's largest value between lo and hi.
float PeakS(float lo, float hi) {
    float best = 0.0f, at = NAN;
    for (int p = 1; p <= C::gridPoints; ++p)
        if (C::sValues[p] >= lo && C::sValues[p] <= hi && C::distribution[p] > best) {
            best = C::distribution[p];
            at = C::sValues[p];
        }
    return at;
}

TEST(FirstAnalysisRoad, GenerateLoadFitCsIntegrateSaveRestoreAsTheReadmeSays) {
    MainWindowFixture f(900, 650);
    f.script.onUnexpected(plat::test::Unexpected::Fail);
    SeedGaussRandom(11);
    // Step 1: 0.5 OD in all, 30% of it the second species.
    GenerateTwoSpecies(f, kScans, {"0.5", "4", "50"}, {"0.3", "8", "140"}, "300");
    ASSERT_TRUE(f.script.done()) << f.script.logText();

    // Step 2: the scans loaded, the parameters started a little off, s, M and loadings floated.
    LoadGeneratedScans(f, kScans, false);
    ASSERT_EQ(ScanStore::scanCount, kScans) << f.script.logText();
    StartReadmeSpecies(f);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    bool columnLabel = false;
    for (const auto& c : plat::FindDialogTemplate(kDiscreteParamsDialogId)->controls)
        columnLabel |= c.text == "loading (OD), then fraction";
    EXPECT_TRUE(columnLabel);

    // Step 3: Fit with the method as it stands; the report ends with an rmsd near the noise.
    Send(f, 215);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_NEAR(M::speciesS[1], 4.0, 0.04) << ReportText();
    EXPECT_NEAR(M::speciesS[2], 8.0, 0.08) << ReportText();
    EXPECT_NEAR(FitControl::bestRmsd / kNoise, 1.0, 0.06) << ReportText();
    EXPECT_NEAR(NumberAfter(ReportText(), "rmsd = "), FitControl::bestRmsd, 1e-5) << ReportText();
    KeepPng(f, "first_analysis_fit.png");
    Send(f, 204); // Copy Fit Parameters
    ASSERT_TRUE(plat::test::clipboard().text.has_value());
    EXPECT_NE(plat::test::clipboard().text->find("rmsd"), std::string::npos);

    // Step 4: c(s) from 0 to 15 S, f/f0 and the meniscus floated, both noise terms fitted; the
    // baseline, which loading floated, unticked as the README says.
    EXPECT_EQ(M::baselineFloat, 1);
    SetReadmeCsPage(f, kCsPoints);
    EXPECT_EQ(M::baselineFloat, 0);
    Send(f, 213);
    ASSERT_NE(C::distributionPlot, nullptr) << f.script.logText();
    Send(f, 215);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_NEAR(M::meniscus, 6.0, 0.005);
    EXPECT_NEAR(FitControl::bestRmsd / kNoise, 1.0, 0.06) << ReportText();
    EXPECT_NEAR(PeakS(2.0f, 6.0f), 4.0, 0.2);
    EXPECT_NEAR(PeakS(6.0f, 11.0f), 8.0, 0.4);
    KeepPng(f, "first_analysis_cs.png");

    // Step 5: "integrate distribution", then a right-button band over each peak.
    TXLAWindow* w = f.window.get();
    auto column = [&](float s) {
        return LogicalToPixelX(DataToLogicalX(*C::distributionPlot, s), w->clientWidth);
    };
    const int row = static_cast<int>(0.8 * w->clientHeight);
    struct Peak {
        float lo, hi;
        double loading, s;
    } peaks[] = {{2.5f, 5.5f, 0.35, 4.0}, {6.0f, 11.0f, 0.15, 8.0}};
    for (const Peak& p : peaks) {
        f.script.expectBox()
            .caption("INTEGRATE DISTRIBUTION")
            .text("Draw the range on the distribution plot with the right mouse button held.")
            .answer(IDOK);
        f.script.expectBox().caption("INTEGRATE DISTRIBUTION").answer(IDOK);
        Send(f, 456);
        plat::test::mouse(w, WM_RBUTTONDOWN, column(p.lo), row, MK_RBUTTON);
        plat::test::mouse(w, WM_MOUSEMOVE, column(p.hi), row, MK_RBUTTON);
        plat::test::mouse(w, WM_RBUTTONUP, column(p.hi), row);
        f.script.pumpUntilIdle();
        ASSERT_TRUE(f.script.done()) << f.script.logText();
        const std::string text = f.script.log().back().text;
        EXPECT_NEAR(NumberAfter(text, "c = "), p.loading, 0.05 * p.loading) << text;
        EXPECT_NEAR(NumberAfter(text, "weight-average "), p.s, 0.05 * p.s) << text;
        EXPECT_NE(text.find("%)"), std::string::npos) << text;
        // The band zoomed the distribution plot to itself; a right double-click on it goes back.
        EXPECT_NEAR(C::distributionPlot->xMin, p.lo, 0.2);
        EXPECT_NEAR(C::distributionPlot->xMax, p.hi, 0.2);
        plat::test::mouse(w, WM_RBUTTONDBLCLK, column(0.5f * (p.lo + p.hi)), row, MK_RBUTTON);
        f.script.pumpUntilIdle();
        EXPECT_LT(C::distributionPlot->xMin, 1.0f);
        EXPECT_GT(C::distributionPlot->xMax, 14.0f);
    }

    // Step 6: Save Fit Data; the same scans loaded later under another model come back as c(s).
    const float ff0 = C::ff0, meniscus = M::meniscus;
    const float left = ScanStore::leftFitLimit, right = ScanStore::rightFitLimit;
    f.script.expectFileSave().title("save fitted data as").answer(f.data.file("f0000x.ra0"));
    f.script.expectFileSave().title("save residuals as").answer(f.data.file("r0000x.ra0"));
    f.script.expectFileSave().title("save some fit parameters as").cancel();
    Send(f, 203);
    Send(f, 827); // Update Saved Fit Parameters asks nothing
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    Send(f, 198); // Non-Interacting Discrete Species
    ASSERT_FALSE(ModelChoice::contiMode);
    LoadGeneratedScans(f, kScans, true, true);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_TRUE(ModelChoice::contiMode && ModelChoice::contiCs);
    EXPECT_EQ(C::ff0, ff0);
    EXPECT_EQ(M::meniscus, meniscus);
    EXPECT_EQ(ScanStore::leftFitLimit, left);
    EXPECT_EQ(ScanStore::rightFitLimit, right);
    EXPECT_TRUE(ModelChoice::fitTINoise && ModelChoice::fitRINoise);
}

} // namespace
