// The noise and integration buttons: their places for two client sizes, what a press on each
// does (noise moved into the data or put back, a range selection armed, cancelled or taken from
// the range file) and the report of a range drawn on the distribution plot.
#include "app/distribution_range.h"
#include "display/noise_integrate_buttons.h"
#include "display/paint_switches.h"
#include "display/plot_coordinates.h"
#include "display/screen_button_set.h"
#include "distributions/integration_ranges.h"
#include "foundations/nr_arrays.h"
#include "plat/messages.hpp"
#include "plat/metafile.hpp"
#include "plat/surface.hpp"
#include "plotting/plot_globals.h"
#include "plotting/screen_button.h"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/plot_interaction_state.h"
#include "state/preference_switches.h"
#include "state/realtime_state.h"
#include "support/main_window_fixture.h"
#include "support/reset_all_state.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

namespace {

namespace pt = plat::test;
using S = ScreenButtonSet;

struct Rect {
    int left, right, top, bottom;
};

Rect Of(const CScreenButton* b) {
    return {b->left, b->right, b->top, b->bottom};
}

// A normal-shaped distribution of area 1 around 5 S on 0..10 S.
void HoldNormalDistribution() {
    const int n = 201;
    ContiState::gridPoints = n;
    ContiState::sValues = vector(1, n);
    ContiState::distribution = vector(1, n);
    for (int p = 1; p <= n; ++p) {
        const double s = 10.0 * (p - 1) / (n - 1);
        ContiState::sValues[p] = float(s);
        ContiState::distribution[p] =
            float(std::exp(-0.5 * std::pow((s - 5.0) / 0.5, 2)) / (0.5 * std::sqrt(2 * M_PI)));
    }
}

double NumberAfter(const std::string& text, const std::string& key) {
    const std::size_t at = text.find(key);
    return at == std::string::npos ? NAN : std::atof(text.c_str() + at + key.size());
}

class NoiseAndIntegrationButtons : public ::testing::Test {
  protected:
    NoiseAndIntegrationButtons() {
        f.LoadScans(3, 50);
        f.Paint();
    }

    MainWindowFixture f{700, 500};
    TXLAWindow* w = f.window.get();
};

} // namespace

TEST(NoiseAndIntegrationButtonPlaces, FollowTheClientSize) {
    struct Case {
        int width, height;
        Rect remove, restore, integrate;
    } cases[] = {
        // h = 18, noise width 3 x 16 + 60 = 108; integration h = 28, width 80
        {1400, 1000, {1247, 1355, 13, 30}, {1247, 1355, 31, 48}, {1275, 1355, 601, 628}},
        // noise h = 18 at any size (as every on-plot button), width 24 + 60 = 84; integration
        // h = 19, width 65
        {700, 500, {1271, 1355, 13, 30}, {1271, 1355, 31, 48}, {1290, 1355, 610, 628}},
    };
    for (const Case& c : cases) {
        ResetAllState();
        gClientWidthPx = c.width;
        gClientHeightPx = c.height;
        ShowNoiseButtons(nullptr);
        ShowIntegrateButtons();
        ASSERT_TRUE(S::noiseRemoveButton && S::noiseRestoreButton && S::integrateButton);
        for (auto [b, want] : {std::pair{S::noiseRemoveButton, c.remove},
                               std::pair{S::noiseRestoreButton, c.restore},
                               std::pair{S::integrateButton, c.integrate}}) {
            const Rect got = Of(b);
            EXPECT_EQ(got.left, want.left) << b->offText << " at " << c.width;
            EXPECT_EQ(got.right, want.right) << b->offText << " at " << c.width;
            EXPECT_EQ(got.top, want.top) << b->offText << " at " << c.width;
            EXPECT_EQ(got.bottom, want.bottom) << b->offText << " at " << c.width;
            EXPECT_EQ(b->onFaceColour, 0x9696FFu);
        }
        EXPECT_EQ(S::noiseRemoveButton->kind, 1);
        EXPECT_EQ(S::integrateButton->kind, 2);
        EXPECT_STREQ(S::integrateButton->onText, "select range");
        // a second show keeps the buttons there are; hide and delete empty the slots
        CScreenButton* kept = S::noiseRemoveButton;
        ShowNoiseButtons(nullptr);
        EXPECT_EQ(S::noiseRemoveButton, kept);
        HideNoiseButtons(nullptr);
        DeleteIntegrateButton();
        EXPECT_TRUE(!S::noiseRemoveButton && !S::noiseRestoreButton && !S::integrateButton);
        ToggleRangeButton(); // without the button: nothing
    }
    ResetAllState();
}

// A context drawing the logical page onto a client of the given size, as the paint does.
void MapOnto(TDC& dc, TSize client, int pageWidth) {
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExt(TSize{pageWidth, 1000});
    dc.SetViewportExt(client);
}

// The font height of a button's label and its ink drawn whole (unclipped) where the picture draws
// it, in device columns of the client.
struct DrawnLabel {
    int height = 0, inkLeft = -1, inkRight = -1;
};

DrawnLabel DrawnWhole(const CScreenButton* b, TSize client) {
    const std::string dump = plat::DumpMetaFile(*b->picture);
    const std::size_t text = dump.find("\nText ");
    DrawnLabel drawn;
    int x = 0, y = 0;
    if (text == std::string::npos || std::sscanf(&dump[text], "\nText %d %d", &x, &y) != 2 ||
        std::sscanf(&dump[dump.find(" font h", text)], " font h%d", &drawn.height) != 1)
        return drawn;
    plat::Surface surface(client.cx, client.cy);
    TSurfaceDC dc(surface);
    MapOnto(dc, client, LogicalPageWidth());
    dc.SetTextAlign(TA_CENTER | TA_BOTTOM);
    dc.SelectObject(CreateFont(drawn.height, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET,
                               OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY,
                               DEFAULT_PITCH | FF_SWISS, nullptr));
    dc.ExtTextOut(x, y, 0, nullptr, b->on ? b->onText : b->offText);
    for (int px = 0; px < client.cx; ++px)
        for (int py = 0; py < client.cy; ++py)
            if (surface.GetPixel(px, py) != RGB(255, 255, 255)) {
                drawn.inkLeft = drawn.inkLeft < 0 ? px : drawn.inkLeft;
                drawn.inkRight = px;
            }
    return drawn;
}

// The noise labels are wider than their buttons at the 16-unit font: on every window, whether the
// buttons were made for it or the window changed size since, each label (the integration button's
// two too) is drawn whole between the button's edge lines, no smaller than it must be; a label
// that fits keeps the full font.
TEST(NoiseAndIntegrationButtonPlaces, EveryLabelIsDrawnWholeInsideItsButton) {
    for (const TSize client : {TSize{1400, 1000}, TSize{1000, 714}, TSize{900, 650},
                               TSize{700, 500}, TSize{1200, 600}, TSize{800, 800}})
        for (const bool madeHere : {true, false}) {
            ResetAllState();
            gClientWidthPx = madeHere ? client.cx : 1400;
            gClientHeightPx = madeHere ? client.cy : 1000;
            ShowNoiseButtons(nullptr);
            ShowIntegrateButtons();
            for (CScreenButton* b :
                 {S::noiseRemoveButton, S::noiseRestoreButton, S::integrateButton})
                for (const bool on : {false, true}) {
                    if (b->on != on)
                        b->Toggle();
                    plat::Surface window(client.cx, client.cy);
                    TSurfaceDC paint(window);
                    MapOnto(paint, client, 1400);
                    PlayScreenButtons(paint);
                    const DrawnLabel drawn = DrawnWhole(b, client);
                    MapOnto(paint, client, LogicalPageWidth());
                    const int inner = paint.LPtoDP({std::min(b->left, b->right) + 1, 0}).x;
                    const int right = paint.LPtoDP({std::max(b->left, b->right), 0}).x;
                    SCOPED_TRACE(testing::Message()
                                 << (on ? b->onText : b->offText) << " at " << client.cx << " x "
                                 << client.cy << (madeHere ? "" : ", made at 1400 x 1000"));
                    ASSERT_GT(drawn.height, 0);
                    EXPECT_GT(drawn.inkLeft, inner);
                    EXPECT_LT(drawn.inkRight, right);
                    if (drawn.height < 16)
                        EXPECT_GE(drawn.inkRight - drawn.inkLeft, 0.75 * (right - inner));
                    if (b == S::integrateButton && !on && client.cx >= 1000)
                        EXPECT_EQ(drawn.height, 16);
                }
        }
    ResetAllState();
}

// At 700 x 500 the fit report wraps onto several lines of the strip above the data plot: they
// end left of the noise buttons, which are tall enough for their labels.
TEST_F(NoiseAndIntegrationButtons, TheFitReportEndsLeftOfTheNoiseButtons) {
    ModelChoice::fitTINoise = ModelChoice::fitRINoise = true;
    ShowNoiseButtons(w);
    pt::command(w, 213);
    f.script.pumpUntilIdle();
    ASSERT_TRUE(ScanStore::resultAvailable) << f.script.logText();
    f.Paint(); // with the report the Run asked for
    w->Invalidate(true);
    f.Paint();
    const plat::Surface withoutReport = w->GetSurface();
    pt::command(w, 517);
    f.Paint();
    const plat::Surface& withReport = w->GetSurface();
    const int left = NoiseButtonsLeftPixel(700.0f);
    const int strip = LogicalToPixelY(ScanStore::distPlotRect[0], 500.0f);
    ASSERT_GT(left, 0);
    int reportRows = 0;
    for (int y = 0; y < strip; ++y) {
        bool text = false;
        for (int x = 0; x < left; ++x)
            text = text || withReport.GetPixel(x, y) != withoutReport.GetPixel(x, y);
        reportRows += text;
        for (int x = left; x < 700; ++x)
            ASSERT_EQ(withReport.GetPixel(x, y), withoutReport.GetPixel(x, y))
                << "the report reaches (" << x << ", " << y << ")";
    }
    EXPECT_GT(reportRows, 12) << "the report is one line: it does not wrap here";
    for (const CScreenButton* b : {S::noiseRemoveButton, S::noiseRestoreButton})
        EXPECT_GE(LogicalToPixelY(b->bottom, 500.0f) - LogicalToPixelY(b->top, 500.0f), 8);
    if (const char* keep = std::getenv("TARNIX_KEEP_PNG"))
        pt::windowPng(*w, std::string(keep) + "/report_beside_noise_buttons.png");
}

TEST_F(NoiseAndIntegrationButtons, NoiseButtonsMoveTheNoiseUnlessRealtimeWatchingIsOn) {
    ModelChoice::fitTINoise = ModelChoice::fitRINoise = true;
    for (int j = 1; j <= ScanStore::gridCount; ++j)
        ScanStore::tiNoise[j] = 0.01f;
    for (int k = 1; k <= ScanStore::scanCount; ++k)
        ScanStore::riNoise[k] = 0.02f * k;
    ShowNoiseButtons(w);
    f.Paint();
    const float before = ScanStore::signal[2][10];

    RealtimeState::realtimeMode = true;
    f.ClickOn(S::noiseRemoveButton);
    EXPECT_EQ(ScanStore::signal[2][10], before) << "realtime watching: the button only flashes";
    EXPECT_FALSE(S::noiseRemoveButton->on);

    RealtimeState::realtimeMode = false;
    f.ClickOn(S::noiseRemoveButton);
    EXPECT_NEAR(ScanStore::signal[2][10], before - 0.01f - 0.04f, 1e-5);
    f.ClickOn(S::noiseRestoreButton);
    EXPECT_NEAR(ScanStore::signal[2][10], before - 0.04f, 1e-5) << "only TI noise comes back";

    ModelChoice::fitRINoise = false;
    const float now = ScanStore::signal[2][10];
    f.ClickOn(S::noiseRemoveButton);
    EXPECT_EQ(ScanStore::signal[2][10], now) << "RI noise not fitted: nothing is removed";
}

TEST_F(NoiseAndIntegrationButtons, IntegrationButtonArmsReportsAndCancelsARange) {
    HoldNormalDistribution();
    ShowIntegrateButtons();
    f.script.expectBox().caption("INTEGRATE DISTRIBUTION").answer(IDOK);
    f.ClickOn(S::integrateButton);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_TRUE(S::integrateButton->on) << "the button reads \"select range\"";
    EXPECT_TRUE(DistributionBand::integrateArmed && DistributionBand::selectArmed);

    // the band released on the distribution plot hands its range over
    f.script.expectBox().caption("INTEGRATE DISTRIBUTION").answer(IDOK);
    ReportIntegral(w, 6.0f, 4.0f, 0.0f, 0.0f);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    const std::string text = f.script.log().back().text;
    EXPECT_NEAR(NumberAfter(text, "c = "), 0.9545, 1e-3) << text;
    EXPECT_NEAR(NumberAfter(text, "weight-average "), 5.0, 1e-3) << text;
    EXPECT_FALSE(DistributionBand::integrateArmed || DistributionBand::selectArmed);
    EXPECT_FALSE(S::integrateButton->on);

    // armed again, a second press cancels without a box
    f.script.expectBox().caption("INTEGRATE DISTRIBUTION").answer(IDOK);
    f.ClickOn(S::integrateButton);
    f.ClickOn(S::integrateButton);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_FALSE(DistributionBand::integrateArmed || DistributionBand::selectArmed ||
                 DistributionBand::active || DistributionBand::zoomArmed);
}

TEST_F(NoiseAndIntegrationButtons, FileRangesAreIntegratedAtThePress) {
    HoldNormalDistribution();
    const std::string path = f.data.file("ranges.txt");
    std::ofstream(path) << "3 5\n5 7\n";
    ASSERT_TRUE(LoadIntegrationRangesFrom(path.c_str()));
    gIntegrationRangesFromFile = true;
    ShowIntegrateButtons();
    f.script.expectBox().caption("INTEGRATE DISTRIBUTION").answer(IDOK);
    f.ClickOn(S::integrateButton);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    const std::string text = f.script.log().back().text;
    EXPECT_NE(text.find("3 - 5: c = 0.5 (50.0%)"), std::string::npos) << text;
    EXPECT_NE(text.find("5 - 7: c = 0.5 (50.0%)"), std::string::npos) << text;
    EXPECT_FALSE(S::integrateButton->on) << "back to \"integrate\"";
    EXPECT_FALSE(DistributionBand::integrateArmed);
}
