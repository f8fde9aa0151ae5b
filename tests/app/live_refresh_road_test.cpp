// A long fit shows it is alive, as a new user meets it: the first start asks whether a running
// fit updates the residuals bitmap and plot and keeps the answers; then, with the switches on,
// the plots move during a simplex, annealing, Levenberg-Marquardt and c(s) Fit, at most once per
// interval, and Levenberg-Marquardt shows its progress line.
#include "app/txla_window.h"
#include "display/paint_switches.h"
#include "plat/clock.hpp"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/preference_switches.h"
#include "state/scan_store.h"
#include "state/window_services.h"
#include "support/main_window_fixture.h"
#include "support/model_road.h"
#include "support/race_checker.h"
#include "support/reset_all_state.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using M = ModelParameters;

// What the window showed at each live refresh that changed it.
struct Seen {
    MainWindowFixture* f = nullptr;
    const char* fit = "";
    plat::Surface last;
    std::vector<DWORD> ticks;  // refreshes that changed the window
    int residualPlotMoves = 0; // of them, those that changed the residual plot
    int progressLineCalls = 0; // calls while the progress line of Levenberg-Marquardt showed
    int progressLineDrawn = 0; // of them, those with the line's pixels at (10..109, 10)
    void (*original)(TXLAWindow*) = nullptr;
};
Seen gSeen;

bool RowsDiffer(const plat::Surface& a, const plat::Surface& b, int from, int to) {
    for (int y = from; y < to; ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.GetPixel(x, y) != b.GetPixel(x, y))
                return true;
    return false;
}

void RecordingView(TXLAWindow* window) {
    gSeen.original(window);
    const plat::Surface& now = window->GetSurface();
    // Once the bar advanced, its first pixel is in the bar's colour.
    if (window->computeObserver.LineFraction(10, 10) > 0.0f) {
        ++gSeen.progressLineCalls;
        gSeen.progressLineDrawn += now.GetPixel(10, 10) == 0x0000ffu;
    }
    // The plots, below the strip of the report and the progress line.
    const int h = now.Height();
    const auto row = [h](int logical) { return logical * h / 1000; };
    if (!RowsDiffer(now, gSeen.last, row(ScanStore::distPlotRect[0]), h))
        return;
    const int top = row(ScanStore::distPlotRect[2]), bottom = row(ScanStore::distPlotRect[3]);
    if (!gSeen.ticks.empty() && RowsDiffer(now, gSeen.last, top, bottom))
        ++gSeen.residualPlotMoves;
    gSeen.ticks.push_back(GetTickCount());
    if (gSeen.ticks.size() == 3)
        if (const char* keep = std::getenv("TARNIX_KEEP_PNG"))
            plat::test::windowPng(*window, std::string(keep) + "/live_" + gSeen.fit + ".png");
    gSeen.last = now;
}

struct Fit {
    const char* name;
    int optimiser; // 0: the distribution's own Fit
    void (*script)(plat::test::Script&);
};

TEST(LiveRefreshRoad, FirstStartAsksAndEveryFitShowsItIsAlive) {
    MainWindowFixture f(900, 650);
    // A new user: no preferences file yet.
    f.window.reset();
    ResetAllState();
    std::filesystem::remove(f.folder.file("tarnixparams.ini"));
    f.script.expectDialog(302).ok();
    f.script.expectBox()
        .caption("SET PREFERENCE")
        .text("update residuals bitmap during fit?")
        .answer(IDYES);
    f.script.expectBox()
        .caption("SET PREFERENCE")
        .text("update residuals plot during fit?")
        .answer(IDYES);
    f.window = std::make_unique<TXLAWindow>(nullptr, "Sedimentation Analysis");
    f.window->Create();
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    gShowDisclaimer = false;
    gWizardMessages = false;
    f.Resize(900, 650);
    EXPECT_TRUE(gUpdateResidualsBitmap && gUpdateResidualsPlot);
    EXPECT_FALSE(gUpdateDataPlot || gUpdateDistributionPlot);
    EXPECT_EQ(ReadTextFile(f.folder.file("tarnixparams.ini")).substr(0, 13), "1\n0.0010\n1\n1\n");

    // The data and fit plot too, every 20 ms, through the menu.
    f.script.expectBox().text("data and fit plot?").answer(IDYES);
    f.script.expectBox().text("residuals plot?").answer(IDYES);
    f.script.expectBox().text("residuals bitmap?").answer(IDYES);
    f.script.expectBox().text("distribution plot?").answer(IDNO);
    f.script.expectInput().prompt("max updating interval (sec)").answer("0.02");
    SendCommand(f, 592);
    ASSERT_TRUE(f.script.done()) << f.script.logText();

    ScanSetOptions options;
    options.count = FullOrUnderRaceChecker(20, 8);
    options.dr = FullOrUnderRaceChecker(0.002, 0.004);
    f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
    f.Load(options);
    M::meniscus = 5.9f;
    M::bottom = 7.2f;
    M::speciesSFloat[1] = M::speciesDOrMFloat[1] = 1;
    PackFitParameters();
    SendCommand(f, 213);
    f.Paint();

    gSeen.f = &f;
    gSeen.original = WindowServices::table.drawResidualsView;
    WindowServices::table.drawResidualsView = RecordingView;
    const Fit fits[] = {
        {"simplex", 826, [](plat::test::Script&) {}},
        {"annealing", 825,
         [](plat::test::Script& s) {
             s.expectInput().promptHas("starting 'temperature'").answer("2");
             s.expectInput().prompt("# of temperature steps").answer("2");
             s.expectInput().prompt("# of iterations per temperature").answer("60");
             s.expectInput().prompt("final ML (1), Simplex (2), or none (0)").answer("0");
         }},
        {"Levenberg-Marquardt", 824, [](plat::test::Script&) {}},
        {"c(s)", 0, [](plat::test::Script&) {}},
    };
    for (const Fit& fit : fits) {
        if (fit.optimiser) {
            fit.script(f.script);
            f.script.expectBox().text("save as default setting?").answer(IDNO);
            SendCommand(f, fit.optimiser);
            M::speciesS[1] = 3.0f;
            M::speciesDOrM[1] = 100000.0f;
            PackFitParameters();
        } else {
            // c(s) with its meniscus and f/f0 floated.
            SendCommand(f, 275);
            M::meniscusFloat = 1;
            M::meniscus = 5.91f;
            ContiState::ff0Float = 1;
            PackFitParameters();
        }
        gSeen.fit = fit.name;
        gSeen.last = f.window->GetSurface();
        gSeen.ticks.clear();
        gSeen.residualPlotMoves = gSeen.progressLineCalls = gSeen.progressLineDrawn = 0;
        SendCommand(f, 215);
        EXPECT_TRUE(f.script.done()) << fit.name << "\n" << f.script.logText();
        EXPECT_GE(gSeen.ticks.size(), 3u) << fit.name << ": the window hardly moved";
        EXPECT_GE(gSeen.residualPlotMoves, 1) << fit.name;
        for (std::size_t i = 1; i < gSeen.ticks.size(); ++i)
            EXPECT_GE(gSeen.ticks[i] - gSeen.ticks[i - 1], 20u) << fit.name << " refresh " << i;
        if (fit.optimiser == 824) {
            EXPECT_GT(gSeen.progressLineCalls, 0);
            EXPECT_EQ(gSeen.progressLineDrawn, gSeen.progressLineCalls);
        }
    }
    WindowServices::table.drawResidualsView = gSeen.original;
}

// What a c(s) Fit ended on, and how often the distribution's band of the window moved meanwhile.
struct CsFitEnd {
    float meniscus = 0.0f, ff0 = 0.0f, rmsd = 0.0f;
    std::vector<float> distribution;
    int bandMoves = 0;
};

plat::Surface gBandBefore;
int gBandMoves = 0;

void RecordingBand(TXLAWindow* window) {
    gSeen.original(window);
    const plat::Surface& now = window->GetSurface();
    const int h = now.Height();
    // Counted once the scan plots made room for the distribution: the band is then its alone.
    if (ScanStore::distPlotRect[1] != 350)
        gBandBefore = now;
    else if (RowsDiffer(now, gBandBefore, ContiState::distributionPlotTop * h / 1000,
                        ContiState::distributionPlotBottom * h / 1000)) {
        if (++gBandMoves == 3)
            if (const char* keep = std::getenv("TARNIX_KEEP_PNG"))
                plat::test::windowPng(*window, std::string(keep) + "/live_distribution.png");
        gBandBefore = now;
    }
}

CsFitEnd CsFitWithTheDistributionPlot(bool shown) {
    MainWindowFixture f(900, 650);
    f.script.expectBox().text("data and fit plot?").answer(IDNO);
    f.script.expectBox().text("residuals plot?").answer(IDYES);
    f.script.expectBox().text("residuals bitmap?").answer(IDNO);
    f.script.expectBox().text("distribution plot?").answer(shown ? IDYES : IDNO);
    // Every trial due: a fast machine ends this short fit within a few intervals of 0.02 s.
    f.script.expectInput().prompt("max updating interval (sec)").answer("0.001");
    SendCommand(f, 592);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    // c(s) on a coarse grid with its meniscus floated, fitted without a Run before.
    LoadForACoarseCs(f);
    M::meniscus = 5.91f;
    M::meniscusFloat = 1;
    PackFitParameters();
    f.Paint();
    gSeen.original = WindowServices::table.drawResidualsView;
    WindowServices::table.drawResidualsView = RecordingBand;
    gBandBefore = f.window->GetSurface();
    gBandMoves = 0;
    SendCommand(f, 215);
    WindowServices::table.drawResidualsView = gSeen.original;
    CsFitEnd end{M::meniscus, ContiState::ff0, FitControl::bestRmsd, {}, gBandMoves};
    if (ContiState::distribution)
        end.distribution.assign(ContiState::distribution + 1,
                                ContiState::distribution + 1 + ContiState::gridPoints);
    // After the fit the plot is the stored distribution's.
    EXPECT_NE(ContiState::distributionPlot, nullptr);
    return end;
}

// With its switch on, the distribution plot follows a c(s) Fit, drawn from copies of the trials:
// the fit ends on the values it ends on without it, bit for bit.
TEST(LiveRefreshRoad, CsFitShowsItsTrialDistributionsAndEndsAsWithout) {
    const CsFitEnd off = CsFitWithTheDistributionPlot(false);
    const CsFitEnd on = CsFitWithTheDistributionPlot(true);
    EXPECT_GE(on.bandMoves, 3) << "the distribution plot hardly moved";
    EXPECT_EQ(off.bandMoves, 0);
    ASSERT_FALSE(off.distribution.empty());
    EXPECT_EQ(on.meniscus, off.meniscus);
    EXPECT_EQ(on.ff0, off.ff0);
    EXPECT_EQ(on.rmsd, off.rmsd);
    EXPECT_EQ(on.distribution, off.distribution);
}

// The scan store's curves of every loaded scan: fit and residuals, then the noise.
std::vector<std::vector<float>> StoreCurves() {
    std::vector<std::vector<float>> curves;
    for (int k = 1; k <= ScanStore::scanCount; ++k)
        for (float** rows : {ScanStore::fit, ScanStore::residuals})
            curves.emplace_back(rows[k] + 1, rows[k] + 1 + ScanStore::pointCount[k]);
    curves.emplace_back(ScanStore::tiNoise + 1, ScanStore::tiNoise + 1 + ScanStore::gridCount);
    curves.emplace_back(ScanStore::riNoise + 1, ScanStore::riNoise + 1 + ScanStore::scanCount);
    return curves;
}

std::vector<std::vector<float>> gStoredCurves;
int gTrialsShown = 0;
bool gTrialDiffered = false;

// After the first trial shown, a key press stops the fit.
void KeyAfterTheFirstTrial(TXLAWindow* window) {
    gSeen.original(window);
    gTrialDiffered = gTrialDiffered || StoreCurves() != gStoredCurves;
    if (++gTrialsShown == 1)
        plat::test::key(window, 'A', 'a');
}

// A c(s) Fit stopped by a key stores the distribution at the best values it had reached: the
// window's curves, residuals, noise and distribution are those a Run at the kept values gives, not
// those of the trial it showed last.
TEST(LiveRefreshRoad, CsFitStoppedAfterAShownTrialShowsTheKeptValuesResult) {
    MainWindowFixture f(900, 650);
    f.script.expectBox().text("data and fit plot?").answer(IDYES);
    f.script.expectBox().text("residuals plot?").answer(IDYES);
    f.script.expectBox().text("residuals bitmap?").answer(IDNO);
    f.script.expectBox().text("distribution plot?").answer(IDYES);
    f.script.expectInput().prompt("max updating interval (sec)").answer("0.001");
    SendCommand(f, 592);
    LoadForACoarseCs(f);
    ModelChoice::fitTINoise = ModelChoice::fitRINoise = true;
    M::meniscus = 5.95f;
    SendCommand(f, 213);
    ASSERT_TRUE(ScanStore::resultAvailable) << f.script.logText();
    gStoredCurves = StoreCurves();
    M::meniscus = 5.91f;
    M::meniscusFloat = 1;
    PackFitParameters();
    f.Paint();

    gSeen.original = WindowServices::table.drawResidualsView;
    WindowServices::table.drawResidualsView = KeyAfterTheFirstTrial;
    SendCommand(f, 215);
    WindowServices::table.drawResidualsView = gSeen.original;
    ASSERT_GE(gTrialsShown, 1) << FitControl::evaluationCount << "\n" << f.script.logText();
    EXPECT_TRUE(gTrialDiffered) << "the trial shown left the stored curves as they were";
    EXPECT_TRUE(FitControl::fitAborted);
    EXPECT_TRUE(ScanStore::resultAvailable);
    EXPECT_NE(ContiState::distributionPlot, nullptr);
    if (const char* keep = std::getenv("TARNIX_KEEP_PNG")) {
        f.Paint();
        plat::test::windowPng(*f.window, std::string(keep) + "/cs_fit_stopped.png");
    }
    const std::vector<std::vector<float>> shown = StoreCurves();
    const std::vector<float> kept(ContiState::distribution + 1,
                                  ContiState::distribution + 1 + ContiState::gridPoints);
    // The Run's strength search may end a last digit apart from the fit's.
    SendCommand(f, 213);
    const std::vector<std::vector<float>> run = StoreCurves();
    ASSERT_EQ(run.size(), shown.size());
    for (std::size_t c = 0; c < run.size(); ++c)
        for (std::size_t i = 0; i < run[c].size(); ++i)
            ASSERT_NEAR(run[c][i], shown[c][i], 1e-5) << "curve " << c << " point " << i;
    ASSERT_EQ(ContiState::gridPoints, int(kept.size()));
    for (int p = 1; p <= ContiState::gridPoints; ++p)
        EXPECT_NEAR(ContiState::distribution[p], kept[std::size_t(p - 1)], 1e-5) << p;
}

} // namespace
